#pragma once
// StatusBar: the strip along the bottom of the main window. A main area of stacked text lines
// (button help, general status) and, to its right, panes of as many lines that other components
// fill with the named message "SetItemText" (a SetTextData addressed by the pane's key). This is
// the portable part: it keeps the texts and the panes and handles the message; the Windows part
// (ui/windows/windows_status_bar.h) draws them.
//
// Invariants: the main area has exactly the line count given at construction; every pane has
// that many lines; the pane offset is the sum of the widths of the panes added so far, and each
// pane's offset is the sum of the widths before it.
#include "core/component.h"
#include "platform/wintypes.h"
#include "ui/set_text_data.h"

#include <cstdint>
#include <string>
#include <vector>

struct Pane {
    std::vector<std::string> texts{std::string()};
    std::int16_t count = 1;
    // The item number "SetItemText" addresses; keys are compared by their low 28 bits.
    std::int32_t key = 0;
    std::int16_t offset = 0;
    std::int16_t width = 0;

    Pane() = default;
    // Lines the given texts do not cover are empty; texts beyond the count are dropped.
    Pane(std::int16_t count_, std::int32_t key_, std::int16_t offset_, std::int16_t width_,
         const std::vector<std::string>* given = nullptr);
    bool HasKey(std::uint32_t item) const { return ((static_cast<std::uint32_t>(key) ^ item) & 0x0FFFFFFFu) == 0; }
    // The text of a 1-based line; "" for a line the pane does not have.
    const std::string& Line(int line) const;
};

class StatusBar : public Component {
public:
    // A line count below 1 is taken as 1: the bar always has a main line.
    explicit StatusBar(std::int16_t lineCount);
    ~StatusBar() override;

    // Redraws the bar with its texts.
    virtual void Refresh() = 0;
    // Appends a pane at the current pane offset; the offset grows by the width.
    virtual void AddPane(std::int32_t key, std::int16_t width, const std::vector<std::string>* texts = nullptr);

    // Line counts from 1; another line is ignored. Sets the line and refreshes. Virtual so that
    // the main window can show status texts through what it knows of its bar (ui/bars.h).
    virtual void SetText(const char* text, std::int16_t line);
    void ClearText(std::int16_t line) { SetText("", line); }
    // Every main and pane line becomes "", then one refresh.
    void Clear();
    std::int16_t GetHeight() const { return height_; }

    // What the frame lays out: the bar's own native window (none here) and its height.
    virtual HWND GetBarWindow() const { return nullptr; }
    virtual std::int16_t GetBarHeight() const { return height_; }

    // Registers "SetItemText".
    void Connect() override;
    // Sets that line of every pane whose key is the item's (a line the pane lacks is ignored),
    // never the main lines; refreshes in any case.
    void SetItemText(const SetTextData& data);
    static ContainerBase* OnSetItemText(Component* receiver, BusMessage event, ContainerBase* payload);

    std::int16_t GetLineCount() const { return lineCount_; }
    // The text of a 1-based main line; "" for a line the bar does not have.
    const std::string& GetLine(int line) const;
    const std::vector<Pane>& GetPanes() const { return panes_; }
    std::int16_t GetPaneOffset() const { return paneOffset_; }

protected:
    std::vector<std::string> lines_;
    std::int16_t height_ = 0;
    std::int16_t lineCount_ = 1;
    std::vector<Pane> panes_;
    std::int16_t paneOffset_ = 0;
};
