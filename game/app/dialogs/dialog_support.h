#pragma once
// What the in-game dialogs share: the window placements and preferences they keep in the
// registry under HKEY_CURRENT_USER\SOFTWARE\Tolvane\Varnhold Demo, and the plain text they draw
// on their pictures (the dialog font stands in for the system's font, so that the texts come
// from our own glyph art like every other text of the dialogs).
#include "core/geometry.h"
#include "ui/font.h"

#include <cstdint>
#include <string>

class Bitmap;

namespace ingame {

// The key of a placement ("Placement\<window>") or of the preferences ("Preferences").
std::string SettingsKey(const std::string& subKey);

// Where a window kept under Placement\<window> goes. The values are read only from a key that
// existed already; when both lie at or past the screen's far edges (compared unsigned, as a
// fresh key's screen-size start values do) the default is taken and stored.
struct Placement {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    bool stored = false;  // the default was written
};
Placement PlaceWindow(const std::string& window, std::int32_t defaultX, std::int32_t defaultY);
void StorePlacement(const std::string& window, std::int32_t x, std::int32_t y);
// A REG_DWORD under Preferences.
void StorePreference(const char* name, std::uint32_t value);
// The DWORD value of a key under SOFTWARE\Tolvane\Varnhold Demo; false when it is missing.
bool ReadSetting(const std::string& subKey, const char* name, std::uint32_t& value);

// The screen's size in pixels.
Dim ScreenSize();

// Text drawn as the dialogs' plain lines are: the top of the text at the point given.
class PlainText {
public:
    PlainText();
    // The height of "A": one line of text.
    std::int16_t LineHeight();
    std::int16_t Width(const std::string& text);
    void Draw(Bitmap& into, Point topLeft, const std::string& text);

private:
    DialogFont font_;
};

} // namespace ingame
