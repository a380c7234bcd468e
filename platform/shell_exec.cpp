// Starting another program from a command line: split the way Windows splits one, then handed to
// the backend, which runs it (the real display) or only records it (headless).
#include "platform/path.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/screen.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {
namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trimmed(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::mutex& RecordLock() {
    static std::mutex lock;
    return lock;
}
std::vector<ProgramRequest>& Recorded() {
    static std::vector<ProgramRequest> recorded;
    return recorded;
}

} // namespace

bool SplitCommandLine(const std::string& line, ProgramRequest& request) {
    request = ProgramRequest{};
    std::size_t start = 0;
    while (start < line.size() && IsBlank(line[start])) ++start;
    std::size_t rest = std::string::npos;
    if (start < line.size() && line[start] == '"') {
        const std::size_t close = line.find('"', start + 1);
        request.program = line.substr(start + 1, close == std::string::npos ? std::string::npos : close - start - 1);
        rest = close == std::string::npos ? line.size() : close + 1;
    } else {
        std::size_t end = start;
        while (end < line.size() && !IsBlank(line[end])) ++end;
        request.program = line.substr(start, end - start);
        rest = end;
        // When the first word names no program, a longer part of the line ended by a blank may:
        // a program in a directory with blanks in its name. The shortest such part is taken.
        if (FindProgram(MapPath(request.program)).empty()) {
            for (std::size_t blank = line.find_first_of(" \t", end + 1); end < line.size();
                 blank = line.find_first_of(" \t", blank + 1)) {
                const std::size_t stop = blank == std::string::npos ? line.size() : blank;
                if (!IsBlank(line[stop - 1]) && IsExecutableFile(MapPath(line.substr(start, stop - start)))) {
                    request.program = line.substr(start, stop - start);
                    rest = stop;
                    break;
                }
                if (blank == std::string::npos) break;
            }
        }
    }
    if (Trimmed(request.program).empty()) {
        request.program.clear();
        return false;
    }
    if (request.program.find('\\') != std::string::npos) request.program = MapPath(request.program);
    const std::string argument = Trimmed(line.substr(std::min(rest, line.size())));
    if (!argument.empty())
        request.arguments.push_back(argument.find('\\') != std::string::npos ? MapPath(argument) : argument);
    return true;
}

std::string FindProgram(const std::string& name) {
    if (name.empty()) return std::string();
    if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    const std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    for (std::size_t b = 0; b <= dirs.size();) {
        std::size_t e = dirs.find(':', b);
        if (e == std::string::npos) e = dirs.size();
        const std::string dir = e > b ? dirs.substr(b, e - b) : ".";
        if (IsExecutableFile(dir + "/" + name)) return dir + "/" + name;
        b = e + 1;
    }
    return std::string();
}

bool StartDetached(const ProgramRequest& request) {
    const std::string program = FindProgram(request.program);
    if (program.empty()) return false;
    // Everything the child needs is made before the fork: between fork and exec only calls that
    // are safe in a child of a threaded process are made.
    std::vector<std::string> words;
    words.push_back(program);
    words.insert(words.end(), request.arguments.begin(), request.arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        // The middle process starts the program in a session of its own and ends at once, so the
        // program is nobody's child here: it is never waited for and outlives the game.
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        // The game's open files (its single-instance lock among them) stay the game's.
        ::closefrom(3);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool Backend::StartProgram(const std::string& commandLine, const ProgramRequest& request) {
    {
        std::lock_guard<std::mutex> g(RecordLock());
        Recorded().push_back(request);
    }
    // Without a desktop the request is only noted, where a person (or a test) can read it.
    std::string words = "'" + request.program + "'";
    for (const std::string& a : request.arguments) words += " '" + a + "'";
    std::fprintf(stderr, "shell: %s\nshell: not started without a display: %s\n", commandLine.c_str(), words.c_str());
    return true;
}

const std::vector<ProgramRequest>& RecordedProgramRequests() { return Recorded(); }

void ClearRecordedProgramRequests() {
    std::lock_guard<std::mutex> g(RecordLock());
    Recorded().clear();
}

} // namespace platform

UINT WinExec(const char* commandLine, UINT) {
    const std::string line = commandLine ? commandLine : "";
    platform::ProgramRequest request;
    if (!platform::SplitCommandLine(line, request)) return static_cast<UINT>(ERROR_FILE_NOT_FOUND);
    return platform::CurrentBackend().StartProgram(line, request) ? 33u : static_cast<UINT>(ERROR_FILE_NOT_FOUND);
}
