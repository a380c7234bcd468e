#include "game/app/load_save_dlg.h"

#include "comms/ui/information_dlg.h"
#include "game/app/dialogs/scenario_files.h"
#include "game/app/dialogs/scenario_tables.h"
#include "game/app/saved_game_header.h"
#include "platform/file.h"
#include "platform/msgbox.h"
#include "platform/path.h"
#include "platform/registry.h"

#include <cstdio>
#include <filesystem>

namespace {

bool Opens(const std::string& path) {
    OFSTRUCT info;
    const HFILE file = OpenFile(path.c_str(), &info, OF_READ);
    if (file == HFILE_ERROR) return false;
    _lclose(file);
    return true;
}

std::string KindSuffix(std::int32_t mode) {
    switch (mode) {
    case 0: return frontend::ResourceString(72);
    case 1: return frontend::ResourceString(71);
    case 2: return frontend::ResourceString(87);
    default: return "";
    }
}

} // namespace

LoadSaveDlg::LoadSaveDlg(HWND parent, std::uint16_t saveMode_, std::uint16_t listAll_)
    : Window(Point(0, 0), Dim(0, 0), "", "LoadSaveDlg"), Dialog("Dialog Bitmaps", "Intro", ""), parentWindow(parent),
      saveMode(saveMode_), listAll(listAll_) {}

std::string LoadSaveDlg::Directory() const { return frontend::Directory(8); }

std::string LoadSaveDlg::DeriveFileName(const std::string& text, bool longNames) {
    std::string name(text);
    for (char& c : name)
        if (c == ' ' || c == '.' || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
            c == '>' || c == '|')
            c = '_';
    if (!longNames && name.size() > 8) name.resize(8);
    return name + saved_game_header::kExtension;
}

std::string LoadSaveDlg::MakeUnique(const std::string& directory, std::string name) {
    const std::size_t ext = std::string(saved_game_header::kExtension).size();
    // Ten digits are all one place can take; after them the name is left to the overwrite question.
    for (char digit = '0'; Opens(directory + "\\" + name) && name.size() > ext && digit <= '9'; ++digit)
        name[name.size() - ext - 1] = digit;
    return name;
}

bool LoadSaveDlg::LongNamesAllowed() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\control\\FileSystem", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return true;
    BYTE data[4] = {0, 0, 0, 0};
    DWORD size = sizeof data, type = 0;
    const LONG read = RegQueryValueExA(key, "Win31FileSystem", nullptr, &type, data, &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS) return true;
    return (data[0] | data[1] | data[2] | data[3]) == 0;
}

void LoadSaveDlg::OnInit() {
    SetWindowTextA(handle_, frontend::ResourceString(saveMode ? 69 : 70).c_str());
    Dialog::OnInit();
    FillList();
    longNames = LongNamesAllowed() ? 1 : 0;
    if (saveMode) {
        if (!description.empty()) SetItemText(kDescription, description.c_str());
        if (!fileName.empty()) SetItemText(kFileName, fileName.c_str());
    }
}

void LoadSaveDlg::FillList() {
    EnableItem(IDOK, 0);
    EnableItem(kDelete, 0);
    count = 0;
    descriptions.clear();
    fileNames.clear();
    const std::string directory = Directory();
    const std::uint32_t hash = saved_game_header::VersionHash(frontend::ResourceString(saved_game_header::kVersionStringId));
    for (const std::string& file : frontend::FindFiles(directory, saved_game_header::kExtension)) {
        saved_game_header::Header header;
        std::size_t used = 0;
        std::string error;
        OFSTRUCT info;
        const HFILE handle = OpenFile((directory + "\\" + file).c_str(), &info, OF_READ);
        if (handle == HFILE_ERROR) {
            SendDlgItemMessageA(handle_, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Error"));
            break;
        }
        _lclose(handle);
        // A file of another version is not ours to show; a damaged one of ours is not offered either.
        if (!saved_game_header::ReadFile(directory + "\\" + file, hash, header, used, error)) continue;
        const std::string shown = header.saveName + KindSuffix(header.gameMode);
        if (!listAll && header.gameMode != 2) continue;
        fileNames.push_back(file);
        descriptions.push_back(header.saveName);
        SendDlgItemMessageA(handle_, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
        ++count;
    }
}

void LoadSaveDlg::Command(std::int16_t itemId, std::int16_t notification) {
    switch (itemId) {
    case kDescription: {
        if (notification != static_cast<std::int16_t>(EN_CHANGE)) return;
        description = GetItemText(kDescription);
        if (description.empty()) {
            EnableItem(IDOK, 0);
            SetItemText(kFileName, "");
            return;
        }
        std::string name = DeriveFileName(description, longNames != 0);
        if (!saveMode) {
            // A listed game is opened from its own file, which need not be the name its
            // description gives (the autosaves' files are fixed).
            bool listed = false;
            for (std::size_t i = 0; i < descriptions.size() && !listed; ++i)
                if (descriptions[i] == description) {
                    listed = true;
                    name = fileNames[i];
                }
            EnableItem(IDOK, listed ? 1 : 0);
        } else {
            name = MakeUnique(Directory(), name);
            EnableItem(IDOK, 1);
        }
        SetItemText(kFileName, name.c_str());
        return;
    }
    case kList: {
        const std::int32_t s = GetListSelection(kList);
        if (s < 0 || s >= count) return;
        if (notification == LBN_SELCHANGE) {
            SetItemText(kDescription, descriptions[static_cast<std::size_t>(s)].c_str());
            SetItemText(kFileName, fileNames[static_cast<std::size_t>(s)].c_str());
            EnableItem(IDOK, 1);
            EnableItem(kDelete, 1);
        } else if (notification == LBN_DBLCLK) {
            if (Accept()) Close(1);
        }
        return;
    }
    case IDOK:
        if (Accept()) Close(1);
        return;
    case kDelete: {
        const std::string name = GetItemText(kFileName);
        if (!name.empty()) std::remove(platform::MapPath(Directory() + "\\" + name).c_str());
        SendDlgItemMessageA(handle_, kList, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SetItemText(kDescription, "");
        SendDlgItemMessageA(handle_, kList, LB_RESETCONTENT, 0, 0);
        FillList();
        return;
    }
    case kHelp: return;
    default: Dialog::Command(itemId, notification);
    }
}

bool LoadSaveDlg::Accept() {
    description = GetItemText(kDescription).substr(0, 256);
    fileName = GetItemText(kFileName).substr(0, 256);
    // Nothing to save under or open: the dialog stays.
    if (fileName.empty()) return false;
    if (saveMode && Opens(Directory() + "\\" + fileName)) {
        InformationDlg question(("Overwrite " + fileName + "?").c_str(), 1);
        return question.Execute("YesNoDlg", kModal, 0, handle_) == 1;
    }
    return true;
}
