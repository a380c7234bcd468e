#pragma once
// The layout solver: each child of a display states, for its horizontal position, vertical
// position, width and height, how that edge relates to an edge of the parent or of a sibling.
// TLayoutWindow turns the statements into linear equations over the edge coordinates
// (TConstraint: output = c0 in0 + c1 in1 + c2 in2 + k, in 16.16 fixed point), orders them so
// that every equation runs after the values it reads, and evaluates the plan at each new parent
// size. Child right and bottom edges are inclusive (right = left + width - 1).
//
// Invariants: every TConstraint belongs to exactly one of the pending and planned lists and is
// the defining constraint of its output variable; the parent's four variables are always
// resolved; a constraint whose inputs are never all resolved (a cycle, an undefined input) stays
// pending and is not evaluated, so the variables it defines keep their last values.
#include "core/geometry.h"

#include <cstdint>

class Display;

// Edge codes.
enum : std::uint8_t { lmLeft = 0, lmTop = 1, lmRight = 2, lmBottom = 3, lmCenter = 4, lmWidth = 5, lmHeight = 6 };
// Relationships.
enum : std::uint8_t { lmAsIs = 0, lmPercentOf = 1, lmLeftOf = 2, lmAbove = 2, lmRightOf = 3, lmBelow = 3, lmSameAs = 4, lmAbsolute = 5 };
// Units.
enum : std::uint8_t { lmPixels = 0, lmLayoutUnits = 1 };

struct TLayoutConstraint {
    Display* relWin = nullptr;  // null: the parent
    std::uint8_t myEdge = 0;
    std::uint8_t relationship = lmAsIs;
    std::uint8_t units = lmLayoutUnits;
    std::uint8_t otherEdge = 0;
    std::int16_t value = 0;

    void Set(std::uint8_t edge, std::uint8_t rel, Display* other, std::uint8_t otherEdge_, std::int16_t value_ = 0,
             std::uint8_t units_ = lmPixels);
    void Absolute(std::uint8_t edge, std::int16_t value_, std::uint8_t units_ = lmPixels) {
        Set(edge, lmAbsolute, nullptr, edge, value_, units_);
    }
};

struct LayoutConstraints {
    TLayoutConstraint x;       // horizontal position
    TLayoutConstraint y;       // vertical position
    TLayoutConstraint width;
    TLayoutConstraint height;

    LayoutConstraints() { SetDefaults(); }
    void SetDefaults();
    void SetUnits(std::uint8_t units);
    TLayoutConstraint& operator[](int i) { return i == 0 ? x : i == 1 ? y : i == 2 ? width : height; }
    const TLayoutConstraint& operator[](int i) const { return i == 0 ? x : i == 1 ? y : i == 2 ? width : height; }
    // The four in absolute pixels: left, top, width, height.
    static LayoutConstraints Pixels(const Box& box);
};

struct TConstraint;

struct TVariable {
    std::int16_t value = 0;
    TConstraint* definedBy = nullptr;
    std::int16_t resolved = 0;
};

struct TConstraint {
    TVariable* inputs[3] = {nullptr, nullptr, nullptr};
    TVariable* output = nullptr;
    std::int32_t coefficients[3] = {0x10000, 0x10000, 0x10000};
    std::int32_t constant = 0;
    TConstraint* next = nullptr;

    int InputCount() const;
    std::int16_t Evaluate() const;
};

struct TChildMetrics {
    std::int16_t visited = 0;
    Display* child = nullptr;
    LayoutConstraints constraints;
    TVariable variables[4];  // left, top, right, bottom
    TChildMetrics* next = nullptr;
};

class TLayoutWindow {
public:
    TLayoutWindow(Display* owner, const Dim& size);
    TLayoutWindow(const TLayoutWindow&) = delete;
    TLayoutWindow& operator=(const TLayoutWindow&) = delete;
    ~TLayoutWindow();

    void SetChildConstraints(Display* child, const LayoutConstraints& constraints);
    bool GetChildConstraints(const Display* child, LayoutConstraints& out) const;
    bool RemoveChild(Display* child);
    void SetSize(const Dim& size);
    Dim GetSize() const { return size_; }
    void RedrawChildren();
    void Layout();

    int ChildCount() const { return childCount_; }
    int PendingCount() const;
    int PlannedCount() const;
    // Every constraint is in one list and defines its output; the parent variables are resolved.
    bool Check() const;

    // Where the height behind layout units comes from (the main window's font); tests set it.
    using FontHeightSource = std::int16_t (*)();
    static void SetFontHeightSource(FontHeightSource source);
    static std::int16_t MeasureFontHeight();

private:
    TChildMetrics* FindMetrics(const Display* child) const;
    TVariable* RelatedVariables(const Display* related);
    std::int16_t Convert(const TLayoutConstraint& c) const;
    void BuildConstraints(TChildMetrics& m);
    void AddConstraint(TChildMetrics& m, const TLayoutConstraint& c, int index);
    void Substitute(TConstraint* d, TVariable* o, TConstraint* q, TVariable* v);
    void RemoveConstraints(TChildMetrics& m);
    void Plan();
    void ExecutePlan();
    void MovePlannedToPending();
    void DeletePending(TConstraint* c);

    Dim size_;
    Display* owner_;
    TChildMetrics* children_ = nullptr;
    TConstraint* pending_ = nullptr;
    TConstraint* planned_ = nullptr;
    TVariable parent_[4];
    std::int16_t dirty_ = 0;
    std::int16_t childCount_ = 0;
    std::int16_t fontHeight_ = 0;
};
