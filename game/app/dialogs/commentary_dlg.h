#pragma once
// CommentaryDlg: the "Running Commentary" window, a modeless dialog ("InfoDlg") around a
// read-only rich-edit control into which "AddCommentary" writes the account of the battle.
// Commentary strings carry a small markup: \B bold on, \b bold off, \N<d> colour d of the table
// (0 blue, 1 grey, any other digit black), \n black; a backslash and any other character are
// both dropped, as is a backslash at the very end. Between "StartCombat"/"StopText" and
// "CombatDone"/"StartText" strings are held back and then shown in arrival order.
//
// The window keeps its place ("X", "Y", "W", "H") under the key PlacementKey() names below
// HKEY_CURRENT_USER; its close box only hides it. The saved-game block is an i16
// count n and n bytes: the last twenty lines of the commentary, "\n"-separated, ending with a
// zero byte (n = 0: nothing).
//
// Invariants: queued count <= the queue's capacity; the rich-edit handle is null exactly while
// the window does not exist; strings added before the window first exists wait in `pending`
// (no more than the control's default limit of bytes, oldest dropped first) and are shown when
// it is made, after any restored text.
#include "core/dyn_array.h"
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>
#include <vector>

class SuperString;

class CommentaryDlg : public Dialog {
public:
    static constexpr std::int16_t kShowCommentaryItem = 239;
    static constexpr int kRichEditId = 101;
    static constexpr int kKeptLines = 20;

    CommentaryDlg();
    ~CommentaryDlg() override;

    void Connect() override;
    void OnInit() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Close(std::int16_t result) override;

    // The handlers' work.
    void AddText(const std::string& text);
    void StopText() { textEnabled = 0; }
    void ReleaseQueue();
    void ShowOrToggle();

    // The saved-game block. Load answers false, with the reason and nothing kept, for a block
    // that is damaged or cut short.
    void Save(SuperString& s);
    bool Load(SuperString& s, std::string& error);

    HWND GetRichEdit() const { return richEdit; }
    std::int32_t GetTextLimit() const { return textLimit; }
    std::int16_t IsTextEnabled() const { return textEnabled; }
    std::int16_t GetQueuedCount() const { return queuedCount; }
    std::int16_t IsShown() const { return shown; }
    const char* GetRestoredText() const { return restoredText; }
    // The registry key of the placement, below HKEY_CURRENT_USER.
    static std::string PlacementKey();

private:
    void AddToControl(std::string text);
    void AppendChar(char c, bool bold, COLORREF colour);
    void WritePlacement(int x, int y, int w, int h);
    void PostMenuEvent(int event);
    // What the window would show for the strings, for a block saved before it was made.
    std::string TextForSaving() const;

    HWND richEdit = nullptr;
    std::int32_t textLimit = 0;
    char* restoredText = nullptr;
    std::int16_t textEnabled = 1;
    DynArray<std::string> queue{10};
    std::int16_t queuedCount = 0;
    std::int16_t shown = 0;
    bool placed = false;
    std::vector<std::string> pending;
    std::size_t pendingBytes = 0;
};
