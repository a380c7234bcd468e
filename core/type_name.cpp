#include "core/type_name.h"

#include <cstdlib>
#include <cxxabi.h>
#include <string_view>

namespace {

void replaceAll(std::string& s, std::string_view from, std::string_view to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
        s.replace(at, from.size(), to);
    }
}

} // namespace

std::string NormalizeTypeName(const char* mangledName) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangledName, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : mangledName;
    std::free(demangled);

    replaceAll(name, "std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >", "string");
    replaceAll(name, "std::basic_string<char, std::char_traits<char>, std::allocator<char> >", "string");
    // "X*" becomes "X *"; runs of stars stay together ("X **").
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '*' && i > 0 && name[i - 1] != ' ' && name[i - 1] != '*') out += ' ';
        out += name[i];
    }
    return out;
}
