// .mck files on arbitrary bytes: the library scan and the macro page's import,
// with a file title taken from the input too. Whatever the bytes and the
// title, nothing is written outside the macro library.

#include "FuzzTempDir.h"
#include "platform/MessageBox.h"
#include "store/AppDataDir.h"
#include "store/HeadlessMacroTree.h"
#include "store/MacroList.h"
#include "store/MacroStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

fs::path g_base; // holds in/ (the imported file) and data/ (the data folder)

void Setup() {
    g_base = OwnFuzzDir("mck_fuzz");
    SetAppDataDir((g_base / "data").u16string());
    platform::SetMessageBoxSink([](const std::u16string&, const std::u16string&) {});
    g_MacroList.SetOwnership(kListOwnsElements);
}

void Put(const fs::path& path, const uint8_t* data, size_t size) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

// A file title from the input: its bytes up to the first zero (at most 24),
// each taken as a Latin-1 character, without the characters no file name
// here can hold.
std::u16string Title(const uint8_t* data, size_t size) {
    std::u16string title;
    for (size_t i = 0; i < size && i < 24 && data[i] != 0; ++i)
        title += data[i] == '/' ? u'\\' : char16_t(data[i]);
    return title.empty() || title == u"." || title == u".." ? u"x" : title;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (Setup(), true);
    (void)ready;
    const fs::path root = g_base / "data" / "Mac";
    Put(root / "a.mck", data, size);
    Put(root / "Sub" / "b.bin", data, size);

    HeadlessMacroTree tree;
    MacroScanOptions options;
    options.tree = &tree;
    options.macroDir = 1;
    options.addToList = true;
    ScanMacroFolder(root.u16string(), true, options);
    for (MacroTree::Item i = tree.FirstChild(nullptr); i; i = tree.NextSibling(i))
        Flush_Dirty_Macro(i, &tree);

    const fs::path source = g_base / "in" / fs::path(Title(data, size) + u".mck");
    Put(source, data, size);
    if (ImportMacroFile(&tree, nullptr, source.u16string()) != 0) {
        // The new file sits directly in the library.
        bool found = false;
        for (const auto& e : fs::directory_iterator(root))
            found = found || (e.path().extension() == ".mck" && e.path().filename() != "a.mck");
        if (!found)
            std::abort();
    }
    for (const auto& e : fs::directory_iterator(g_base))
        if (e.path().filename() != "in" && e.path().filename() != "data")
            std::abort();
    for (const auto& e : fs::directory_iterator(g_base / "data"))
        if (e.path().filename() != "Mac")
            std::abort();

    g_MacroList.RemoveAll();
    fs::remove_all(root);
    fs::remove_all(g_base / "in");
    return 0;
}
