// The dialog templates' resource text: compiled to the template layout, and a dialog made from
// what it compiled to.
#include "platform/dialog.h"
#include "tests/fuzz/fuzz_support.h"

#include <string>

namespace {

INT_PTR Quiet(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string compiled = platform::CompileDialogTemplate(text);
    if (compiled.empty()) return 0;
    if (HWND dialog = CreateDialogIndirectParamA(nullptr, compiled.data(), nullptr, &Quiet, 0)) DestroyWindow(dialog);
    return 0;
}
