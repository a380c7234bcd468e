#pragma once
// The real program under an X server of the test's own (Xvfb), for the tests driven by real X
// input (xdotool) and X pictures of the window (import). `Base` is the e2e fixture that owns the
// test's work directory (`root`, `File`).
#include "tests/e2e/e2e_fixture.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace e2e {

// A shell command's output, without its trailing new lines and spaces.
inline std::string Capture(const std::string& command) {
    std::string out;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
        ::pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

template <class Base>
class XSession : public Base {
protected:
    void TearDown() override {
        // Only the processes this test started, by their ids.
        // SDL turns SIGTERM into a close request, which the program answers with its exit
        // question: the program is stopped outright, and waited for, so that the next test's
        // copy never finds this one running.
        if (!programPid.empty())
            std::system(("kill -9 " + programPid + " 2>/dev/null; while kill -0 " + programPid +
                         " 2>/dev/null; do sleep 0.05; done").c_str());
        if (!serverPid.empty()) std::system(("kill " + serverPid + " 2>/dev/null").c_str());
        Base::TearDown();
    }

    // An X server on a display number nobody uses; false when none could be started.
    bool StartServer() {
        for (int n = 80 + static_cast<int>(::getpid() % 400); n < 1000; n += 7) {
            if (fs::exists("/tmp/.X11-unix/X" + std::to_string(n)) || fs::exists("/tmp/.X" + std::to_string(n) + "-lock"))
                continue;
            display = ":" + std::to_string(n);
            serverPid = Capture(std::string(VH_E2E_XVFB) + " " + display + " -screen 0 1024x768x24 -nolisten tcp > '" +
                                this->File("xvfb.txt") + "' 2>&1 & echo $!");
            for (int i = 0; i < 300; ++i) {
                if (fs::exists("/tmp/.X11-unix/X" + std::to_string(n))) return true;
                ::usleep(50000);
            }
            return false;
        }
        return false;
    }

    // The program on the test's X server, in the background, its output kept as x-out.txt and
    // x-err.txt.
    void StartProgram() {
        programPid = Capture("DISPLAY=" + display + " VARNHOLD_HOME='" + this->root + "/home' '" + VH_E2E_BINARY + "' > '" +
                             this->File("x-out.txt") + "' 2> '" + this->File("x-err.txt") + "' & echo $!");
    }

    // No X client may hang the test: each is given half a minute.
    std::string X(const std::string& command) const { return Capture("DISPLAY=" + display + " timeout -k 5 30 " + command); }

    // Where the test stands, on stderr at once, so that a run cut off by its time limit still
    // tells which step it was waiting for.
    void Step(const std::string& what) const {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        std::fprintf(stderr, "[%6.1f s] %s\n", static_cast<double>(ms.count()) / 1000.0, what.c_str());
    }

    // The program's window, waited for (a minute and a half: a sanitizer build among parallel
    // tests starts slowly).
    std::string WaitWindow() const {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(90);
        while (std::chrono::steady_clock::now() < until) {
            const std::string id = X(std::string(VH_E2E_XDOTOOL) + " search --name '^Varnhold$' 2>/dev/null | head -1");
            if (!id.empty()) return id;
            // A program that has ended will show no window: no use waiting for it.
            if (!programPid.empty() && std::system(("kill -0 " + programPid + " 2>/dev/null").c_str()) != 0) {
                Step("the program ended before its window showed");
                return {};
            }
            ::usleep(50000);
        }
        return {};
    }

    const std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    std::string display, serverPid, programPid;
};

} // namespace e2e
