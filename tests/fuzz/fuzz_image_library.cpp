// Image libraries: the whole file, as 8-bit bitmaps and as back-buffer bitmaps, and the compact
// header the data-file list holds.
#include "tests/fuzz/fuzz_support.h"
#include "platform/file.h"
#include "ui/qif.h"
#include "ui/windows/windows_window.h"

template <class T> static void LoadAs(const std::string& path) {
    QIF<T> library;
    OFSTRUCT info;
    const HFILE file = OpenFile(path.c_str(), &info, OF_READ);
    if (file == HFILE_ERROR) return;
    library.Load("FUZZ.QIF", file);
    _lclose(file);
    // Outside an application nothing shares the images, so the library's owner frees them.
    library.DeleteImages();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    const std::string path = fuzz::WriteScratch("FUZZ.QIF", data, size);
    LoadAs<Bitmap>(path);
    LoadAs<WindowsBitmap>(path);
    QIF<Bitmap> compact;
    const unsigned char* cursor = data;
    compact.LoadFromMemory("FUZZ.QIF", cursor, data + size);
    compact.DeleteImages();
    return 0;
}
