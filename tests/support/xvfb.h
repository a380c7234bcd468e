#pragma once
// A virtual X server of the test's own, for the tests that run the SDL backend: started on a
// display number of its own (from the process id), DISPLAY pointed at it, stopped at the end.
#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {

class Xvfb {
public:
    Xvfb() {
        const int display = 90 + static_cast<int>(::getpid() % 100);
        const std::string name = ":" + std::to_string(display);
        const char* argv[] = {"Xvfb", name.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", nullptr};
        if (posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = 0;
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(display);
        struct stat st;
        for (int i = 0; i < 100 && pid_ && ::stat(socket.c_str(), &st) != 0; ++i) ::usleep(50000);
        ::setenv("DISPLAY", name.c_str(), 1);
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    ~Xvfb() {
        if (pid_) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;
    bool Running() const { return pid_ != 0; }

private:
    pid_t pid_ = 0;
};

} // namespace testsupport
