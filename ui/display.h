#pragma once
// Display: a drawable surface that takes part in the bus. Displays form a tree whose root is a
// window; mouse events come down the tree (to the captor first, else to the first child that
// holds the point, else to the display itself), drawing reports the touched rectangle up the
// tree (RectChanged) and down to the children that share the pixels (InvalidateChildren), and
// each display keeps a list of dirty rectangles that the window copies to the screen.
//
// Invariants: every dirty rectangle lies inside the display and has a width and height of at
// least 1; a new rectangle has been merged with every listed rectangle it overlapped when it was
// added (one pass, so rectangles may still overlap afterwards); children are kept in attach
// order and are never owned; the menu is owned.
#include "core/component.h"
#include "core/list.h"
#include "ui/bitmap.h"
#include "ui/layout.h"

#include <cstdint>

class Menu;

class Display : public Bitmap, public Component {
public:
    enum MouseKind : std::int16_t {
        kMouseMove = 0,
        kLeftDown = 1,
        kLeftUp = 2,
        kLeftDoubleClick = 3,
        kHover = 4,
        kMouseEnter = 5,
        kMouseLeave = 6,
        kMouseKinds = 7
    };

    explicit Display(const Dim& size, const char* name = nullptr);
    ~Display() override;

    // Drawing reports what it touched: up the tree, and down to the children sharing the pixels.
    Box Fill(unsigned char colour) override;
    Box Draw(const Point& at, Bitmap& source, const Box& sourceRect, int mode) override;
    Box FrameRect(const Box& rect, short r, short g, short b) override;
    Box MarkChanged(const Box& rect) override;
    void Resize(const Dim& size) override;

    // The seven mouse handlers, in kind order; points are in this display's coordinates.
    virtual void OnMouseMove(const Point& p);
    virtual void OnLButtonDown(const Point& p);
    virtual void OnLButtonUp(const Point& p);
    virtual void OnLButtonDblClk(const Point& p);
    virtual void OnHover(const Point& p);
    virtual void OnMouseEnter(const Point& p);
    virtual void OnMouseLeave(const Point& p);
    virtual void PrepareContextMenu(const Point& p);
    // Handlers of ENABLE_MENU_ITEM ... UNCHECK_MENU_ITEM that drive this display's menu.
    virtual void RegisterMenuHandlers();
    virtual void InvalidateTree(const Box& box);
    virtual void InvalidateRect(const Box& box);
    virtual void RectChanged(const Box& box);
    virtual void SetCaptor(Display* captor);
    virtual void ClearCaptor();
    virtual Point GetMousePosition() = 0;
    virtual void Redraw();
    virtual void Show() = 0;
    virtual Menu* MakeMenu(const char* source) = 0;
    virtual Menu* GetContextMenu();
    virtual Display* GetRoot();
    virtual std::int16_t IsSame(const Display* other) const;
    // Moves the display in its parent and gives it the box's size (the layout's placement).
    virtual void MoveResize(const Box& box);
    // The display this one hangs from; null for a root.
    virtual Display* GetParentDisplay() const;
    // Leaves the parent (tiles); a root has nothing to leave.
    virtual void Detach();

    void EnableMouseEvent(int kind);
    void DisableMouseEvent(int kind);
    void DisableAllMouseEvents();
    bool MouseEventEnabled(int kind) const;

    // 1 when some display handled the event.
    std::int16_t DispatchMouseEvent(int kind, const Point& p);
    Display* FindContextMenuDisplay(const Point& p);
    void CaptureMouse();
    void ReleaseMouse();
    Display* GetCaptor() const { return captor_; }

    Point GetPosition() const { return position_; }
    void SetPosition(const Point& p) { position_ = p; }
    Box GetRect() const { return Box(position_, GetSize()); }

    void AddChild(Display* child, const LayoutConstraints& constraints);
    void RemoveChild(Display* child);
    bool GetChildConstraints(const Display* child, LayoutConstraints& out) const;
    void SetChildConstraints(Display* child, const LayoutConstraints& constraints);
    const List<Display*>& Children() const { return children_; }
    TLayoutWindow& GetLayout() { return *layout_; }

    void Invalidate(const Box& box);
    void InvalidateChildren(const Box& box);
    void Validate();
    const List<Box>& DirtyRects() const { return dirty_; }
    // Takes the first dirty rectangle out of the list; false when there is none.
    bool TakeDirtyRect(Box& out) { return dirty_.RemoveHead(out); }

    void SetMenu(Menu* menu);
    void SetMenuFrom(const char* source);
    Menu* GetMenu() const { return menu_; }

    std::uint16_t GetHoverDelay() const { return hoverDelay_; }
    void SetHoverDelay(std::uint16_t ticks) { hoverDelay_ = ticks; }

    // Dirty rectangles inside the display, non-empty; children distinct.
    bool Check() const;

protected:
    Display(const Dim& size, const char* name, const char* defaultName);
    // Detaches every child before the display goes (tiles detach themselves from it).
    void DetachChildren();

    Point position_;
    Display* captor_ = nullptr;

private:
    void Init();
    void CallHandler(int kind, const Point& p);

    std::uint16_t mouseFlags_[kMouseKinds] = {};
    Menu* menu_ = nullptr;
    List<Display*> children_;
    TLayoutWindow* layout_ = nullptr;
    List<Box> dirty_;
    std::uint16_t hoverDelay_ = 2;
};
