#pragma once
// PreferenceDlg ("DemoPreferences", "Preferences"): edits the application's preference record
// in place. Check boxes for the animations, sounds, option dialogs and the developer's
// switches (outside the visible dialog in the demo's template, but still loaded and stored),
// the sparse/dense trees pair and the sound volume slider. Only OK writes the record back.
#include "ui/windows/dialog.h"

#include <cstdint>

struct PreferenceRecord;
class Slider;

class PreferenceDlg : public Dialog {
public:
    enum : std::int16_t { kHelp = 9, kSparse = 255, kDense = 254 };
    static constexpr std::int16_t kVolumeRange = 10000;

    explicit PreferenceDlg(PreferenceRecord* record);
    ~PreferenceDlg() override;

    void HookUp() override;
    void OnInit() override;
    void OnOK() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    // Static windows show their caption from the left edge, or centred both ways when centred.
    DialogControl* CreateStatic(std::int16_t itemId, HWND child, const char* text) override;

    Slider* GetVolumeSlider() const { return slider; }

    // The check boxes and the record's fields they show.
    struct Box16 {
        std::int16_t item;
        std::uint16_t PreferenceRecord::*field;
    };
    static const Box16 kCheckBoxes[];
    static const int kCheckBoxCount;

    bool IsChecked(std::int16_t itemId) const;
    void SetCheck(std::int16_t itemId, bool on);

private:
    PreferenceRecord* prefs;
    Slider* slider;
};
