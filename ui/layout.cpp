#include "ui/layout.h"

#include "ui/display.h"

#include <cstdint>

namespace {

constexpr std::int32_t kOne = 0x10000;

// Products and quotients work on 8.8 reductions of the 16.16 values.
std::int32_t Mul(std::int32_t a, std::int32_t b) { return (a >> 8) * (b >> 8); }
std::int32_t Div(std::int32_t a, std::int32_t b) {
    const std::int64_t q = (static_cast<std::int64_t>(a >> 8) << 8) / (b >> 8);
    return static_cast<std::int32_t>(q << 8);
}

std::int16_t SystemFontHeight() { return 16; }
TLayoutWindow::FontHeightSource g_fontHeight = &SystemFontHeight;

} // namespace

void TLayoutConstraint::Set(std::uint8_t edge, std::uint8_t rel, Display* other, std::uint8_t otherEdge_,
                            std::int16_t value_, std::uint8_t units_) {
    myEdge = edge;
    relationship = rel;
    relWin = other;
    otherEdge = otherEdge_;
    value = value_;
    units = units_;
}

void LayoutConstraints::SetDefaults() {
    const std::uint8_t edges[4] = {lmLeft, lmTop, lmWidth, lmHeight};
    for (int i = 0; i < 4; ++i) {
        TLayoutConstraint& c = (*this)[i];
        c.relWin = nullptr;
        c.myEdge = c.otherEdge = edges[i];
        c.relationship = lmAsIs;
        c.units = lmLayoutUnits;
        c.value = 0;
    }
}

void LayoutConstraints::SetUnits(std::uint8_t units) {
    for (int i = 0; i < 4; ++i) (*this)[i].units = units;
}

LayoutConstraints LayoutConstraints::Pixels(const Box& box) {
    LayoutConstraints c;
    c.x.Absolute(lmLeft, box.x);
    c.y.Absolute(lmTop, box.y);
    c.width.Absolute(lmWidth, box.width);
    c.height.Absolute(lmHeight, box.height);
    return c;
}

int TConstraint::InputCount() const {
    int n = 0;
    while (n < 3 && inputs[n]) ++n;
    return n;
}

std::int16_t TConstraint::Evaluate() const {
    std::int64_t sum = constant;
    for (int i = 0; i < 3; ++i)
        if (inputs[i]) sum += static_cast<std::int64_t>(coefficients[i]) * inputs[i]->value;
    return static_cast<std::int16_t>(sum >> 16);
}

void TLayoutWindow::SetFontHeightSource(FontHeightSource source) { g_fontHeight = source ? source : &SystemFontHeight; }
std::int16_t TLayoutWindow::MeasureFontHeight() { return g_fontHeight(); }

TLayoutWindow::TLayoutWindow(Display* owner, const Dim& size) : size_(size), owner_(owner) {
    for (TVariable& v : parent_) v.resolved = 1;
}

TLayoutWindow::~TLayoutWindow() {
    for (TConstraint* lists[2] = {pending_, planned_}; TConstraint* c : lists) {
        while (c) {
            TConstraint* next = c->next;
            delete c;
            c = next;
        }
    }
    while (children_) {
        TChildMetrics* next = children_->next;
        delete children_;
        children_ = next;
    }
}

TChildMetrics* TLayoutWindow::FindMetrics(const Display* child) const {
    for (TChildMetrics* m = children_; m; m = m->next)
        if (m->child == child) return m;
    return nullptr;
}

int TLayoutWindow::PendingCount() const {
    int n = 0;
    for (TConstraint* c = pending_; c; c = c->next) ++n;
    return n;
}

int TLayoutWindow::PlannedCount() const {
    int n = 0;
    for (TConstraint* c = planned_; c; c = c->next) ++n;
    return n;
}

bool TLayoutWindow::Check() const {
    for (const TVariable& v : parent_)
        if (!v.resolved || v.definedBy) return false;
    int defining = 0;
    for (TChildMetrics* m = children_; m; m = m->next)
        for (const TVariable& v : m->variables)
            if (v.definedBy) {
                if (v.definedBy->output != &v) return false;
                ++defining;
            }
    return defining == PendingCount() + PlannedCount();
}

void TLayoutWindow::SetChildConstraints(Display* child, const LayoutConstraints& constraints) {
    dirty_ = 1;
    if (TChildMetrics* m = FindMetrics(child)) {
        m->constraints = constraints;
        RemoveConstraints(*m);
        return;
    }
    auto* m = new TChildMetrics;
    m->child = child;
    m->constraints = constraints;
    m->next = children_;
    children_ = m;
    ++childCount_;
}

bool TLayoutWindow::GetChildConstraints(const Display* child, LayoutConstraints& out) const {
    const TChildMetrics* m = FindMetrics(child);
    if (!m) return false;
    out = m->constraints;
    return true;
}

void TLayoutWindow::SetSize(const Dim& size) {
    size_ = size;
    Layout();
}

void TLayoutWindow::RedrawChildren() {
    for (TChildMetrics* m = children_; m; m = m->next) m->child->Redraw();
}

std::int16_t TLayoutWindow::Convert(const TLayoutConstraint& c) const {
    if (c.units != lmLayoutUnits) return c.value;
    return static_cast<std::int16_t>((c.value * fontHeight_ + 4) / 8);
}

// A related display that is not in this layout counts as the parent.
TVariable* TLayoutWindow::RelatedVariables(const Display* related) {
    if (!related) return parent_;
    TChildMetrics* m = FindMetrics(related);
    return m ? m->variables : parent_;
}

void TLayoutWindow::Layout() {
    if (!children_) return;
    fontHeight_ = MeasureFontHeight();
    parent_[0].value = 0;
    parent_[1].value = 0;
    parent_[2].value = static_cast<std::int16_t>(size_.width - 1);
    parent_[3].value = static_cast<std::int16_t>(size_.height - 1);
    if (dirty_) {
        dirty_ = 0;
        for (TChildMetrics* m = children_; m; m = m->next) BuildConstraints(*m);
        Plan();
    }
    ExecutePlan();
    // Moving a child may lay out its own children, never this list.
    for (TChildMetrics* m = children_; m; m = m->next) {
        const TVariable* v = m->variables;
        m->child->MoveResize(Box(v[0].value, v[1].value, v[2].value - v[0].value + 1, v[3].value - v[1].value + 1));
    }
}

void TLayoutWindow::BuildConstraints(TChildMetrics& m) {
    if (m.visited) return;
    m.visited = 1;
    const Box r = m.child->GetRect();
    TVariable* v = m.variables;
    const LayoutConstraints& c = m.constraints;
    // What no equation ever sets keeps the child's present rectangle.
    v[0].value = r.x;
    v[1].value = r.y;
    v[2].value = static_cast<std::int16_t>(r.x + r.width - 1);
    v[3].value = static_cast<std::int16_t>(r.y + r.height - 1);

    // Position constraints: index 0 sets left or right, index 1 top or bottom.
    for (int axis = 0; axis < 2; ++axis) {
        const TLayoutConstraint& pc = c[axis];
        const int origin = axis == 0 ? r.x : r.y;
        const int extent = axis == 0 ? r.width : r.height;
        const std::uint8_t nearEdge = axis == 0 ? lmLeft : lmTop;
        TVariable& nearVar = v[axis];
        TVariable& farVar = v[axis + 2];
        if (pc.relationship == lmAsIs) {
            if (pc.myEdge == nearEdge)
                nearVar.value = static_cast<std::int16_t>(origin);
            else
                farVar.value = static_cast<std::int16_t>(origin + extent - 1);
        } else if (pc.relationship == lmAbsolute && pc.myEdge != lmCenter) {
            (pc.myEdge == nearEdge ? nearVar : farVar).value = Convert(pc);
        } else {
            AddConstraint(m, pc, axis);
        }
    }
    // Size constraints: index 2 the width, index 3 the height.
    for (int axis = 0; axis < 2; ++axis) {
        const TLayoutConstraint& sc = c[axis + 2];
        const int origin = axis == 0 ? r.x : r.y;
        const int extent = axis == 0 ? r.width : r.height;
        const std::uint8_t farEdge = axis == 0 ? lmRight : lmBottom;
        TVariable& farVar = v[axis + 2];
        if (sc.myEdge == farEdge && (sc.relationship == lmAsIs || sc.relationship == lmAbsolute)) {
            farVar.value = sc.relationship == lmAsIs ? static_cast<std::int16_t>(origin + extent - 1) : Convert(sc);
        } else {
            AddConstraint(m, sc, axis + 2);
        }
    }
}

void TLayoutWindow::AddConstraint(TChildMetrics& m, const TLayoutConstraint& c, int index) {
    auto* q = new TConstraint;
    TVariable* v = m.variables;
    const LayoutConstraints& all = m.constraints;

    // 1. The output variable.
    TVariable* output = &v[index];
    if (index == 0 && all.x.myEdge == lmRight) output = &v[2];
    if (index == 1 && all.y.myEdge == lmBottom) output = &v[3];

    // 2. Inputs from the related display's edges.
    if (c.relationship != lmAsIs && c.relationship != lmAbsolute) {
        TVariable* rel = RelatedVariables(c.relWin);
        switch (c.otherEdge) {
        case lmLeft:
        case lmTop:
        case lmRight:
        case lmBottom: q->inputs[0] = &rel[c.otherEdge]; break;
        case lmCenter:
            if (index == 0 || index == 2) {
                q->inputs[0] = &rel[0];
                q->inputs[1] = &rel[2];
            } else {
                q->inputs[0] = &rel[1];
                q->inputs[1] = &rel[3];
            }
            q->coefficients[0] = q->coefficients[1] = kOne / 2;
            break;
        case lmWidth:
        case lmHeight: {
            const int lo = c.otherEdge == lmWidth ? 0 : 1;
            q->inputs[0] = &rel[lo + 2];
            q->inputs[1] = &rel[lo];
            q->coefficients[1] = -kOne;
            q->constant = kOne;
            break;
        }
        default: break;
        }
    }

    // 3. The relationship.
    switch (c.relationship) {
    case lmAsIs: {
        const Box r = m.child->GetRect();
        q->constant += (index == 2 ? r.width : r.height) * kOne;
        break;
    }
    case lmPercentOf: {
        const std::int32_t f = (c.value * 65536 / 100) / 256;
        q->coefficients[0] = (q->coefficients[0] >> 8) * f;
        q->constant = (q->constant >> 8) * f;
        if (c.otherEdge == lmCenter || c.otherEdge == lmWidth || c.otherEdge == lmHeight)
            q->coefficients[1] = (q->coefficients[1] >> 8) * f;
        break;
    }
    default: {
        int value = Convert(c);
        if (c.relationship == lmLeftOf) value = -1 - value;
        if (c.relationship == lmRightOf) value = value + 1;
        q->constant += value * kOne;
        break;
    }
    }

    // 4, 5. The own edge turns the equation into one for a side of the child.
    const int n = q->InputCount();
    switch (c.myEdge) {
    case lmCenter: {
        TVariable* opposite = nullptr;
        switch (index) {
        case 0: output = &v[0]; opposite = &v[2]; break;
        case 1: output = &v[1]; opposite = &v[3]; break;
        case 2:
            if (all.x.myEdge == lmRight) { output = &v[0]; opposite = &v[2]; }
            else { output = &v[2]; opposite = &v[0]; }
            break;
        default:
            if (all.y.myEdge == lmBottom) { output = &v[1]; opposite = &v[3]; }
            else { output = &v[3]; opposite = &v[1]; }
            break;
        }
        if (n < 3) {
            for (int i = 0; i < n; ++i) q->coefficients[i] *= 2;
            q->constant *= 2;
            q->inputs[n] = opposite;
            q->coefficients[n] = -kOne;
        }
        break;
    }
    case lmWidth:
    case lmHeight: {
        const bool horizontal = c.myEdge == lmWidth;
        TVariable& nearVar = v[horizontal ? 0 : 1];
        TVariable& farVar = v[horizontal ? 2 : 3];
        const int posIndex = horizontal ? 0 : 1;
        const bool farOwn = horizontal ? all.x.myEdge == lmRight : all.y.myEdge == lmBottom;
        if (n >= 3) break;
        if (index == posIndex || farOwn) {
            // The near side from the far one: near = far - size + 1.
            for (int i = 0; i < n; ++i) q->coefficients[i] = -q->coefficients[i];
            q->constant = -q->constant + kOne;
            q->inputs[n] = &farVar;
            q->coefficients[n] = kOne;
            if (index == (horizontal ? 2 : 3)) output = &nearVar;
        } else {
            q->inputs[n] = &nearVar;
            q->coefficients[n] = kOne;
            q->constant -= kOne;
            if (nearVar.definedBy) Substitute(nearVar.definedBy, output, q, &nearVar);
        }
        break;
    }
    default: break;
    }

    // 6. The equation defines its output; an earlier definition gives way.
    if (output->definedBy) DeletePending(output->definedBy);
    q->output = output;
    output->definedBy = q;
    q->next = pending_;
    pending_ = q;
}

void TLayoutWindow::Substitute(TConstraint* d, TVariable* o, TConstraint* q, TVariable* v) {
    int oAt = -1;
    for (int i = 0; i < 3; ++i)
        if (d->inputs[i] == o) oAt = i;
    bool qReadsV = false;
    for (int i = 0; i < 3; ++i)
        if (q->inputs[i] == v) qReadsV = true;
    if (oAt < 0 || !qReadsV) return;
    const std::int32_t a = d->coefficients[oAt];
    if (kOne - a == 0) return;

    TConstraint r = *d;
    r.constant += Mul(a, q->constant);
    for (int j = 0; j < 3; ++j) {
        if (!q->inputs[j] || q->inputs[j] == v) continue;
        for (int i = 0; i < 3; ++i)
            if (r.inputs[i] == q->inputs[j] && i != oAt) r.coefficients[i] += Mul(a, q->coefficients[j]);
    }
    // o leaves; later inputs move up.
    TVariable* inputs[4] = {};
    std::int32_t coefficients[4] = {};
    int count = 0;
    for (int i = 0; i < 3; ++i) {
        if (!r.inputs[i] || i == oAt) continue;
        inputs[count] = r.inputs[i];
        coefficients[count++] = r.coefficients[i];
    }
    for (int j = 0; j < 3; ++j) {
        TVariable* in = q->inputs[j];
        if (!in || in == v) continue;
        bool known = false;
        for (int i = 0; i < count; ++i) known = known || inputs[i] == in;
        if (known) continue;
        if (count == 3) return;  // more than three inputs: left as it was
        inputs[count] = in;
        coefficients[count++] = Mul(a, q->coefficients[j]);
    }
    const std::int32_t divisor = kOne - a;
    for (int i = 0; i < 3; ++i) {
        d->inputs[i] = i < count ? inputs[i] : nullptr;
        d->coefficients[i] = i < count ? Div(coefficients[i], divisor) : kOne;
    }
    d->constant = Div(r.constant, divisor);
}

void TLayoutWindow::MovePlannedToPending() {
    if (!planned_) return;
    TConstraint* tail = planned_;
    while (tail->next) tail = tail->next;
    tail->next = pending_;
    pending_ = planned_;
    planned_ = nullptr;
}

void TLayoutWindow::DeletePending(TConstraint* c) {
    MovePlannedToPending();
    for (TConstraint** p = &pending_; *p; p = &(*p)->next) {
        if (*p == c) {
            *p = c->next;
            if (c->output && c->output->definedBy == c) c->output->definedBy = nullptr;
            delete c;
            return;
        }
    }
}

void TLayoutWindow::Plan() {
    // The planned list goes after the pending one, so that its order is kept where possible.
    if (planned_) {
        TConstraint** tail = &pending_;
        while (*tail) tail = &(*tail)->next;
        *tail = planned_;
        planned_ = nullptr;
    }
    for (TChildMetrics* m = children_; m; m = m->next)
        for (TVariable& v : m->variables) v.resolved = v.definedBy ? 0 : 1;
    TConstraint** plannedTail = &planned_;
    for (bool moved = true; moved;) {
        moved = false;
        for (TConstraint** p = &pending_; *p;) {
            TConstraint* c = *p;
            bool ready = true;
            for (TVariable* in : c->inputs)
                if (in && !in->resolved) ready = false;
            if (!ready) {
                p = &c->next;
                continue;
            }
            *p = c->next;
            c->next = nullptr;
            *plannedTail = c;
            plannedTail = &c->next;
            c->output->resolved = 1;
            moved = true;
        }
    }
}

void TLayoutWindow::ExecutePlan() {
    for (TConstraint* c = planned_; c; c = c->next) c->output->value = c->Evaluate();
}

void TLayoutWindow::RemoveConstraints(TChildMetrics& m) {
    dirty_ = 1;
    MovePlannedToPending();
    m.visited = 0;
    for (TVariable& v : m.variables) {
        v.value = 0;
        if (v.definedBy) DeletePending(v.definedBy);
        v.definedBy = nullptr;
    }
}

bool TLayoutWindow::RemoveChild(Display* child) {
    TChildMetrics* removed = nullptr;
    for (TChildMetrics** p = &children_; *p; p = &(*p)->next) {
        if ((*p)->child == child) {
            removed = *p;
            *p = removed->next;
            break;
        }
    }
    if (!removed) return false;
    --childCount_;
    RemoveConstraints(*removed);
    const LayoutConstraints& gone = removed->constraints;
    for (TChildMetrics* m = children_; m; m = m->next) {
        LayoutConstraints& c = m->constraints;
        bool refers = false;
        for (int i = 0; i < 4; ++i) refers = refers || c[i].relWin == child;
        if (!refers) continue;
        RemoveConstraints(*m);
        for (int axis = 0; axis < 2; ++axis) {
            TLayoutConstraint& pos = c[axis];
            const TLayoutConstraint& gonePos = gone[axis];
            if (pos.relWin == child) {
                pos.relWin = gonePos.relWin;
                if (!gonePos.relWin) pos.otherEdge = gonePos.otherEdge;
            }
            TLayoutConstraint& size = c[axis + 2];
            const TLayoutConstraint& goneSize = gone[axis + 2];
            const std::uint8_t sizeEdge = axis == 0 ? lmWidth : lmHeight;
            if (size.relWin == child) {
                if (size.myEdge == sizeEdge) {
                    size.relationship = lmAsIs;
                    size.relWin = nullptr;
                } else {
                    const TLayoutConstraint& from = goneSize.myEdge == sizeEdge ? gonePos : goneSize;
                    size.relWin = from.relWin;
                    if (!from.relWin) size.otherEdge = from.otherEdge;
                }
            }
        }
    }
    delete removed;
    return true;
}
