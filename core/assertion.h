#pragma once
// The assertion box: every subsystem reports a failed check through Assert, which asks the user
// whether to stop. Yes throws an Assertion; No returns and the caller carries on after the check.
#include <exception>
#include <string>
#include <string_view>

class Assertion : public std::exception {
public:
    Assertion(std::string_view message, std::string_view file, int line);

    const std::string& GetMessage() const { return message; }
    const std::string& GetFile() const { return file; }
    int GetLine() const { return line; }
    const char* what() const noexcept override { return message.c_str(); }

private:
    std::string message;
    std::string file;
    int line;
};

// The message of every bus handler entry that is given a component or payload of the wrong type.
inline constexpr const char* kBadBusData = "Bad data passed in bus message to function";

// condition 0: shows the stop box with caption "Failure in <file> at line <line>." and text
// "<message>  Abort?"; Yes (or a box that cannot be shown) throws an Assertion, No returns.
// file is the caller's own short source name (e.g. "ARRAY"), not a path.
void Assert(long condition, std::string_view message, std::string_view file, int line);
// The same box, unconditionally.
void AssertFail(std::string_view message, std::string_view file, int line);
