#include "ui/windows/game_app_stand_in.h"

#include "core/assertion.h"
#include "platform/file.h"
#include "ui/qif.h"

GameAppStandIn::GameAppStandIn(const std::string& productKey) : WinApp(productKey, "Tolvane", "Vhqif.map") {
    installDirectory = ReadRegistryValue("Install");
    if (installDirectory.empty()) installDirectory = dataDirectory;
}

std::string& GameAppStandIn::GetDataDirectory(std::int16_t kind) {
    return kind == 0 ? installDirectory : dataDirectory;
}

void GameAppStandIn::OpenDataFile(const char* fileName, DataFileReader* reader) {
    const std::string name = fileName ? fileName : "";
    for (std::int16_t kind : {std::int16_t(1), std::int16_t(0)}) {
        const std::string path = DataPath(GetDataDirectory(kind), name);
        OFSTRUCT info;
        const HFILE file = OpenFile(path.c_str(), &info, OF_READ);
        if (file == HFILE_ERROR) continue;
        if (reader) reader->Load(path.c_str(), file);
        _lclose(file);
        return;
    }
    AssertFail("Can't find " + DataPath(GetDataDirectory(1), name), "WINAPP", 394);
}
