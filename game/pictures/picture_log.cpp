#include "game/pictures/picture_log.h"

#include <chrono>
#include <cstdio>

namespace {

std::FILE* logFile = nullptr;

} // namespace

bool OpenPictureLog(const std::string& path) {
    ClosePictureLog();
    logFile = std::fopen(path.c_str(), "w");
    return logFile != nullptr;
}

void ClosePictureLog() {
    if (logFile) std::fclose(logFile);
    logFile = nullptr;
}

bool PictureLogOn() { return logFile != nullptr; }

void PictureLogLine(const std::string& text) {
    if (!logFile) return;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
    std::fprintf(logFile, "%lld %s\n", static_cast<long long>(ms), text.c_str());
    std::fflush(logFile);
}

std::string PictureLogName(const void* thing) {
    char name[32];
    std::snprintf(name, sizeof name, "%p", thing);
    return name;
}
