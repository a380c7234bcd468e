#pragma once
// LoadSaveDlg ("LoadSaveDlg"): the program's own chooser of saved games. Lists the ".Vh" files of
// the saved-game directory whose version hash is this program's, with their descriptions and
// kinds; the description typed gives the file name. Save mode proposes a name no file has yet and
// asks before an existing file is overwritten; load mode accepts only a listed description.
//
// Invariant: the descriptions and file names hold one entry per listed game, in the list box's
// order; count is their size.
#include "ui/windows/dialog.h"

#include <cstdint>
#include <string>
#include <vector>

class LoadSaveDlg : public Dialog {
public:
    enum : std::int16_t { kDescription = 10, kList = 11, kFileName = 12, kDelete = 13, kHelp = 9 };

    LoadSaveDlg(HWND parent, std::uint16_t saveMode, std::uint16_t listAll);

    const std::string& GetDescription() const { return description; }
    const std::string& GetFileName() const { return fileName; }
    // Save mode only: what the edits show when the dialog opens.
    void SetDescription(const std::string& text) { if (saveMode) description = text; }
    void SetFileName(const std::string& text) { if (saveMode) fileName = text; }

    void OnInit() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;

    const std::vector<std::string>& GetDescriptions() const { return descriptions; }
    const std::vector<std::string>& GetFileNames() const { return fileNames; }
    std::int16_t GetCount() const { return count; }

    // The file name a description gives: every blank and character a file name cannot hold
    // becomes "_", cut to 8 characters without long names, then ".Vh".
    static std::string DeriveFileName(const std::string& description, bool longNames);
    // While directory + "\" + name opens, the character before ".Vh" becomes 0, 1, ... 9.
    static std::string MakeUnique(const std::string& directory, std::string name);
    // "Win31FileSystem" under the machine's file-system key: long names unless it is set non-zero.
    static bool LongNamesAllowed();

private:
    void FillList();
    bool Accept();
    std::string Directory() const;

    HWND parentWindow = nullptr;
    std::uint16_t saveMode = 0;
    std::uint16_t listAll = 1;
    std::string description;
    std::string fileName;
    std::uint16_t longNames = 1;
    std::vector<std::string> descriptions;
    std::vector<std::string> fileNames;
    std::int16_t count = 0;
};
