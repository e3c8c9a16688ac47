// ImportProfile on arbitrary bytes: an .hvk file from anywhere goes through
// every check and the macro merge into a data folder of its own, and nothing
// is ever written outside that folder's macro library.

#include "FuzzTempDir.h"
#include "platform/MessageBox.h"
#include "store/AppDataDir.h"
#include "store/HeadlessMacroTree.h"
#include "store/MacroList.h"
#include "store/ProfileFile.h"
#include "store/ProfileStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// base/ holds only the input file and data/; data/ only Mac/ and the
// store files.
fs::path g_base;

void Setup() {
    g_base = OwnFuzzDir("hvk_fuzz");
    fs::create_directories(g_base / "data");
    SetAppDataDir((g_base / "data").u16string());
    platform::SetMessageBoxSink([](const std::u16string&, const std::u16string&) {});
    g_ProfileList.SetOwnership(kListOwnsElements);
    g_MacroList.SetOwnership(kListOwnsElements);
    InitProfiles();
}

void CheckNothingOutsideTheLibrary() {
    for (const auto& e : fs::directory_iterator(g_base))
        if (e.path().filename() != "data" && e.path().filename() != "in.hvk")
            std::abort();
    for (const auto& e : fs::directory_iterator(g_base / "data")) {
        const fs::path name = e.path().filename();
        if (name != "Mac" && name != "pro.dct" && name != "curid.dct")
            std::abort();
    }
    if (fs::exists(g_base / "data" / "Mac"))
        for (const auto& e : fs::recursive_directory_iterator(g_base / "data" / "Mac"))
            if (!e.is_regular_file() || e.path().extension() != ".mck" ||
                e.path().parent_path() != g_base / "data" / "Mac")
                std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (Setup(), true);
    (void)ready;
    const fs::path input = g_base / "in.hvk";
    std::ofstream(input, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    {
        auto lock = g_ProfileList.Lock();
        g_pCurProfile = g_ProfileList.At(0);
    }
    HeadlessMacroTree tree;
    ImportProfile(input.u16string(), false, &tree);
    CheckNothingOutsideTheLibrary();
    // Each run starts from an empty library.
    g_MacroList.RemoveAll();
    fs::remove_all(g_base / "data" / "Mac");
    return 0;
}
