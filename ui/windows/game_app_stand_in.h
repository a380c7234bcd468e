#pragma once
// What the game's application does for the Windows layer, until the game's application exists:
// the product key "Varnhold Demo" under "Tolvane", its own art index "Vhqif.map", two data
// directories (kind 1: the data directory, registry value "Path"; kind 0: the installation,
// registry value "Install", the data directory when that is missing), data files looked up in
// the data directory first and then in the installation, and libraries opened from records of
// the data-file list by their 13-byte file name (WinApp's record opener).
#include "ui/windows/win_app.h"

class GameAppStandIn : public WinApp {
public:
    explicit GameAppStandIn(const std::string& productKey = "Varnhold Demo");

    std::string& GetDataDirectory(std::int16_t kind = 0) override;
    // The data directory first, then the installation; one report when neither has the file.
    void OpenDataFile(const char* fileName, DataFileReader* reader) override;

private:
    std::string installDirectory;
};
