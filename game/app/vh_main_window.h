#pragma once
// VhMainWindow: the program's frame, the MDI frame with the art-tiled background in which the
// map windows live, with the menu, the game toolbar and the status bar. Closing it always asks
// first ("This will exit the program."); it suspends and resumes the palette animation as the
// frame loses and regains the palette, greys the map items when no map window is active, and
// takes caption changes and the end of a battle from the bus.
#include "ui/windows/quorren_windows.h"

class VhMainWindow : public QuorrenMainWindow {
public:
    static constexpr const char* kDefaultName = "Varnhold Main Window";
    static constexpr const char* kBackgroundArt = "Blocks for the background";
    static constexpr unsigned kExitQuestion = 108;

    VhMainWindow(const Point& position, const Dim& size, const char* title, const char* name = nullptr,
                 int showCommand = SW_SHOWNORMAL);
    ~VhMainWindow() override;

    LRESULT FrameProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // No map window is active: the map items go grey and the frame's own menu comes back.
    void RestoreMenu() override;
    void Connect() override;

private:
    static ContainerBase* OnChangeMainCaption(Component* receiver, BusMessage event, ContainerBase* payload);
    static ContainerBase* OnCloseGame(Component* receiver, BusMessage event, ContainerBase* payload);
    // The exit question; true when the player confirmed.
    bool ConfirmExit();
};
