// The macro library on disk: scan, add, replace, flush, dump, names, and the
// macro page's file commands, with hostile names from every source.

#include "store/MacroLibrary.h"

#include "LibraryFixture.h"
#include "store/ProfileStore.h"

#include <cstring>
#include <thread>

namespace {

namespace fs = std::filesystem;
using testutil::LibraryTest;

class MacroLibraryTest : public LibraryTest {};

std::string Rotated(const StMacro& m) {
    return EncodeMacroFile(m);
}

TEST_F(MacroLibraryTest, ScanListsEveryMacroFileAndSkipsTheRest) {
    StMacro unsupported = Macro(0x105, u"mouse", {0xF0, 0xF5});
    std::string longer = Rotated(Macro(0x106, u"long")) + "x";
    std::string noMagic = Rotated(Macro(0x107, u"nomagic"));
    noMagic[0] ^= 0x55;
    PutFile("a.mck", Rotated(Macro(0x101, u"a")));
    PutFile("notes.txt", Rotated(Macro(0x102, u"other extension")));
    PutFile("c.d.mck", Rotated(Macro(0x103, u"c")));
    PutFile("long.mck", longer);
    PutFile("nomagic.mck", noMagic);
    PutFile("mouse.mck", Rotated(unsupported));
    PutFile("Games/g.mck", Rotated(Macro(0x104, u"g")));
    PutFile(".hidden/h.mck", Rotated(Macro(0x108, u"h")));
    PutFile("$sys/s.mck", Rotated(Macro(0x109, u"s")));

    struct Case {
        int macroDir;
        const char* tree;
        std::vector<uint32_t> ids;
    };
    for (const Case& c : {Case{0, "a c.d notes", {0x101, 0x103, 0x102}},
                          Case{1, "Games/[g] a c.d notes", {0x104, 0x101, 0x103, 0x102}}}) {
        SCOPED_TRACE(c.macroDir);
        g_MacroList.RemoveAll();
        HeadlessMacroTree tree;
        ASSERT_TRUE(LoadMacroLibrary(nullptr, c.macroDir, true));
        ASSERT_TRUE(LoadMacroLibrary(&tree, c.macroDir, false));
        EXPECT_EQ(Dump(tree), c.tree);
        std::vector<uint32_t> ids;
        g_MacroList.ForEach([&](const StMacro& m) { ids.push_back(m.dwID); });
        EXPECT_EQ(ids, c.ids);
    }
    // The folder item carries its picture: Games/Games.png.
    HeadlessMacroTree tree;
    LoadMacroLibrary(&tree, 1, false);
    EXPECT_EQ(fs::path(tree.ItemIcon(tree.FirstChild(nullptr))), Root() / "Games" / "Games.png");
    EXPECT_EQ(tree.ItemMacroId(tree.FirstChild(tree.FirstChild(nullptr))), 0x104u);
}

// A copied .mck file carries its original's id: at start the copy gets an id
// of its own (written into its file, so the next start agrees), and trees
// read next to the list show each listed id once.
TEST_F(MacroLibraryTest, DuplicateIdsGetFreshOnesAtLoad) {
    PutFile("a.mck", Rotated(Macro(0x101, u"a")));
    PutFile("Games/copy.mck", Rotated(Macro(0x101, u"a")));
    PutFile("zero.mck", Rotated(Macro(0, u"z")));
    const uint32_t before = MacroLibraryRevision();
    ASSERT_TRUE(LoadMacroLibrary(nullptr, 1, true));
    EXPECT_NE(MacroLibraryRevision(), before);

    std::vector<uint32_t> ids;
    g_MacroList.ForEach([&](const StMacro& m) { ids.push_back(m.dwID); });
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids[0], 0x101u); // Games/copy.mck is read first and keeps it
    EXPECT_NE(ids[1], 0x101u);
    EXPECT_NE(ids[1], 0u);
    EXPECT_NE(ids[2], 0u);
    EXPECT_NE(ids[1], ids[2]);
    StMacro file;
    ASSERT_TRUE(DecodeMacroFile(LibraryBytes("a.mck"), file));
    EXPECT_EQ(file.dwID, ids[1]);
    ASSERT_TRUE(DecodeMacroFile(LibraryBytes("zero.mck"), file));
    EXPECT_EQ(file.dwID, ids[2]);
    EXPECT_EQ(MacroName(file), u"z");

    // The tree the page and the device read see carries the list's ids.
    HeadlessMacroTree tree;
    ASSERT_TRUE(LoadListedMacroTree(tree, 1));
    EXPECT_EQ(Dump(tree), "Games/[copy] a zero");
    MacroTree::Item a = tree.NextSibling(tree.FirstChild(nullptr));
    EXPECT_EQ(tree.ItemMacroId(a), ids[1]);

    // The next start reads the same ids.
    g_MacroList.RemoveAll();
    ASSERT_TRUE(LoadMacroLibrary(nullptr, 1, true));
    std::vector<uint32_t> again;
    g_MacroList.ForEach([&](const StMacro& m) { again.push_back(m.dwID); });
    EXPECT_EQ(again, ids);
}

// A tree read next to the list offers only the list's macros (a file the
// list skipped, or one copied in later, is not a macro a key can get).
TEST_F(MacroLibraryTest, ListedTreeShowsOnlyTheListsMacrosOnce) {
    PutFile("a.mck", Rotated(Macro(0x201, u"a")));
    ASSERT_TRUE(LoadMacroLibrary(nullptr, 1, true));
    PutFile("late.mck", Rotated(Macro(0x202, u"late")));
    PutFile("Games/twin.mck", Rotated(Macro(0x201, u"a")));
    HeadlessMacroTree tree;
    ASSERT_TRUE(LoadListedMacroTree(tree, 1));
    EXPECT_EQ(Dump(tree), "Games/[twin]");
    const uint32_t before = MacroLibraryRevision();
    ASSERT_TRUE(LoadMacroLibrary(&tree, 1, false));
    EXPECT_EQ(MacroLibraryRevision(), before);
}

TEST_F(MacroLibraryTest, FirstStartWithoutLibraryIsEmpty) {
    EXPECT_TRUE(LoadMacroLibrary(&m_tree, 1, true));
    EXPECT_EQ(g_MacroList.Count(), 0);
    EXPECT_EQ(Dump(m_tree), "");
}

TEST_F(MacroLibraryTest, AddWritesARotatedFileAndClearsTheChangeBits) {
    StMacro m = Macro(0x2A, u"Reload", {0x52});
    const uint32_t id = Add_Macro(m, &m_tree);
    ASSERT_EQ(id, 0x2Au);
    EXPECT_EQ(Dump(m_tree), "Reload");
    StMacro stored;
    ASSERT_TRUE(CopyMacroById(id, stored));
    EXPECT_EQ(+stored.dwFlags, 0u);
    EXPECT_EQ(LibraryBytes("Reload.mck"), Rotated(stored));
    EXPECT_EQ(DataFiles(), std::vector<std::string>{"Mac/Reload.mck"});
}

TEST_F(MacroLibraryTest, AddRefusesWhatIsNoMacroAndRenumbersTakenIds) {
    testutil::LogCapture log;
    StMacro bad = Macro(0x2A, u"bad");
    bad.dwMagicNumber = 0x12345678;
    EXPECT_EQ(Add_Macro(bad, &m_tree), 0u);
    EXPECT_TRUE(log.Contains("Add_Macro: FAILED, dwMagicNumber=0x12345678"));
    EXPECT_EQ(Add_Macro(Macro(0x2A, u"x"), nullptr), 0u);

    // Keys refer to macros by id: a second macro never shares one, and 0 is
    // no id.
    ASSERT_EQ(Add_Macro(Macro(0x2A, u"one"), &m_tree), 0x2Au);
    const uint32_t second = Add_Macro(Macro(0x2A, u"two"), &m_tree);
    const uint32_t third = Add_Macro(Macro(0, u"three"), &m_tree);
    EXPECT_NE(second, 0x2Au);
    EXPECT_NE(second, 0u);
    EXPECT_NE(third, 0u);
    EXPECT_NE(third, second);
    EXPECT_EQ(g_MacroList.Count(), 3);
}

// Names from the device, from profile files and from imported file titles
// are not checked by the user's name rules: none of them may reach a file
// outside the library or a name Windows refuses.
TEST_F(MacroLibraryTest, HostileNamesStayInsideTheLibrary) {
    struct Case {
        std::u16string name;
        const char* file;
    };
    const Case cases[] = {
        {u"..\\..\\x", "Mac/.._.._x.mck"},
        {u"../../evil", "Mac/.._.._evil.mck"},
        {u"C:x", "Mac/C_x.mck"},
        {u"CON", "Mac/_CON.mck"},
        {u"lpt1", "Mac/_lpt1.mck"},
        {u"a*b?c\"d<e>f|g", "Mac/a_b_c_d_e_f_g.mck"},
        {u"tab\there\x01", "Mac/tab_here_.mck"},
        {u"..", "Mac/Macro 000307.mck"},
        {u"", "Mac/Macro 000308.mck"},
        {u"trailing. ", "Mac/trailing__.mck"},
        {u"/", "Mac/_.mck"},
        {u"half\xD800 pair", "Mac/half_ pair.mck"},
    };
    uint32_t id = 0x300;
    for (const Case& c : cases) {
        SCOPED_TRACE(text::ToUtf8(c.name));
        const uint32_t got = Add_Macro(Macro(id, c.name), &m_tree);
        ASSERT_EQ(got, id);
        EXPECT_TRUE(fs::exists(m_data.Path() / c.file));
        ++id;
    }
    for (const std::string& f : DataFiles())
        EXPECT_EQ(f.rfind("Mac/", 0), 0u) << f;
    EXPECT_FALSE(fs::exists(m_data.Path().parent_path() / "evil.mck"));
    EXPECT_FALSE(fs::exists(m_data.Path().parent_path().parent_path() / "x.mck"));

    // What was written reads back with the same ids.
    g_MacroList.RemoveAll();
    LoadMacroLibrary(nullptr, 1, true);
    EXPECT_EQ(g_MacroList.Count(), int(std::size(cases)));
}

// "a?b" and "a_b" share a file name: adding one never overwrites the other.
TEST_F(MacroLibraryTest, AddNeverOverwritesAnotherMacrosFile) {
    ASSERT_EQ(Add_Macro(Macro(0x11, u"a_b", {0x41}), &m_tree), 0x11u);
    const std::string first = LibraryBytes("a_b.mck");
    ASSERT_EQ(Add_Macro(Macro(0x12, u"a?b", {0x42}), &m_tree), 0x12u);
    EXPECT_EQ(LibraryBytes("a_b.mck"), first);
    EXPECT_EQ(Dump(m_tree), "a_b a?b (2)");
    EXPECT_TRUE(fs::exists(Root() / "a_b (2).mck"));
}

TEST_F(MacroLibraryTest, ReplaceKeepsTheLibraryIdAndWritesOnlyChanges) {
    uint32_t revision = MacroLibraryRevision();
    ASSERT_EQ(Add_Macro(Macro(0x51, u"Burst", {0x41}), &m_tree), 0x51u);
    EXPECT_NE(MacroLibraryRevision(), revision);
    revision = MacroLibraryRevision();
    m_tree.InsertItem(nullptr, u"Folder", true, 0, u"");
    const std::string before = LibraryBytes("Burst.mck");

    // From the device: no change bits, the file stays as it is.
    StMacro fromDevice = Macro(0x99, u"BURST", {0x42});
    EXPECT_EQ(ReplaceMacro(&m_tree, fromDevice), 0x51u);
    StMacro stored;
    ASSERT_TRUE(CopyMacroById(0x51, stored));
    EXPECT_EQ(+stored.Steps[0].wVk, 0x42);
    EXPECT_EQ(LibraryBytes("Burst.mck"), before);
    EXPECT_EQ(m_tree.ReplacedIds(), std::vector<uint32_t>{0x51});
    EXPECT_NE(MacroLibraryRevision(), revision);

    // With change bits, the file follows.
    StMacro edited = Macro(0x98, u"burst", {0x43});
    edited.dwFlags = kMacroStepsChanged;
    EXPECT_EQ(ReplaceMacro(&m_tree, edited), 0x51u);
    ASSERT_TRUE(CopyMacroById(0x51, stored));
    EXPECT_EQ(+stored.dwID, 0x51u);
    EXPECT_EQ(+stored.dwFlags, 0u);
    EXPECT_EQ(LibraryBytes("Burst.mck"), Rotated(stored));

    // No top-level macro of that name, or only a folder of it: nothing.
    EXPECT_EQ(ReplaceMacro(&m_tree, Macro(0x52, u"Other")), 0u);
    EXPECT_EQ(ReplaceMacro(&m_tree, Macro(0x52, u"folder")), 0u);
    EXPECT_EQ(g_MacroList.Count(), 1);
}

TEST_F(MacroLibraryTest, PathsFollowTheTreeUpToTwentyLevels) {
    MacroTree::Item parent = nullptr;
    for (int level = 1; level < 20; ++level)
        parent = m_tree.InsertItem(parent, u"F", true, 0, u"");
    MacroTree::Item deepest = m_tree.InsertItem(parent, u"m", false, 7, u"");
    MacroTree::Item tooDeep =
        m_tree.InsertItem(m_tree.InsertItem(parent, u"G", true, 0, u""), u"m", false, 8, u"");
    std::u16string path;
    ASSERT_TRUE(TreeItem_To_FilePath(deepest, m_tree, path));
    fs::path expected = Root();
    for (int level = 1; level < 20; ++level)
        expected /= "F";
    EXPECT_EQ(fs::path(path), expected / "m.mck");
    EXPECT_FALSE(TreeItem_To_FilePath(tooDeep, m_tree, path));
    EXPECT_FALSE(TreeItem_To_FilePath(nullptr, m_tree, path));

    // A folder item named ".." is a plain folder inside the library.
    MacroTree::Item up = m_tree.InsertItem(nullptr, u"..", true, 0, u"");
    ASSERT_TRUE(TreeItem_To_FilePath(m_tree.InsertItem(up, u"x", false, 9, u""), m_tree, path));
    EXPECT_EQ(fs::path(path), Root() / "Folder" / "x.mck");
}

// Files are replaced whole: a write that cannot finish leaves the old file and
// keeps the change bits for the next attempt.
TEST_F(MacroLibraryTest, FailedWritesLeaveTheOldFiles) {
    ASSERT_EQ(Add_Macro(Macro(0x61, u"Keep", {0x41}), &m_tree), 0x61u);
    const std::string before = LibraryBytes("Keep.mck");
    fs::create_directory(Root() / "Keep.mck.tmp"); // the temporary file cannot be made
    {
        auto lock = g_MacroList.Lock();
        StMacro* m = FindMacroById(0x61);
        m->Steps[0].wVk = 0x5A;
        m->dwFlags |= kMacroStepsChanged;
    }
    testutil::LogCapture log;
    EXPECT_FALSE(Flush_Dirty_Macro(m_tree.FirstChild(nullptr), &m_tree));
    EXPECT_TRUE(log.Contains("Flush_Dirty_Macro: WriteFile err="));
    EXPECT_EQ(LibraryBytes("Keep.mck"), before);
    StMacro stored;
    CopyMacroById(0x61, stored);
    EXPECT_EQ(+stored.dwFlags, kMacroStepsChanged);

    fs::remove(Root() / "Keep.mck.tmp");
    EXPECT_TRUE(Flush_Dirty_Macro(m_tree.FirstChild(nullptr), &m_tree));
    CopyMacroById(0x61, stored);
    EXPECT_EQ(+stored.dwFlags, 0u);
    EXPECT_EQ(LibraryBytes("Keep.mck"), Rotated(stored));

    EXPECT_FALSE(Flush_Dirty_Macro(nullptr, &m_tree));
    EXPECT_TRUE(log.Contains("Flush_Dirty_Macro: pItem=0x0"));

    ASSERT_TRUE(SaveMacroDump());
    const std::string dump = testutil::ReadFileBytes(m_data.Path() / "mac.dct");
    fs::create_directory(m_data.Path() / "mac.dct.tmp");
    EXPECT_FALSE(SaveMacroDump());
    EXPECT_TRUE(log.Contains("Save macro: CreateFile err="));
    EXPECT_EQ(testutil::ReadFileBytes(m_data.Path() / "mac.dct"), dump);
}

TEST_F(MacroLibraryTest, DumpPacksMacrosWithAnIdAndAFirstStep) {
    AppendMacro(Macro(0x71, u"one"));
    AppendMacro(Macro(0, u"no id"));
    AppendMacro(Macro(0x72, u"no steps", {}));
    AppendMacro(Macro(0x73, u"two"));
    ASSERT_TRUE(SaveMacroDump());
    const std::string dump = testutil::ReadFileBytes(m_data.Path() / "mac.dct");
    ASSERT_EQ(dump.size(), kMacroDumpBytes);
    ASSERT_EQ(dump.size(), 1668000u);
    StMacro slot[3];
    std::memcpy(slot, dump.data(), sizeof slot);
    EXPECT_EQ(+slot[0].dwID, 0x71u);
    EXPECT_EQ(+slot[1].dwID, 0x73u);
    EXPECT_EQ(+slot[1].dwMagicNumber, kMacroMagic); // plain, not rotated
    EXPECT_EQ(dump.find_first_not_of('\0', 2 * sizeof(StMacro)), std::string::npos);
}

TEST_F(MacroLibraryTest, NamesTypedByTheUser) {
    struct Case {
        std::u16string name;
        bool valid;
        std::u16string kept;
        bool message;
    };
    const Case cases[] = {
        {u"Reload", true, u"Reload", false},
        {u"a.b.c", true, u"a.b", false},
        {u"", false, u"", false},
        {u".mck", false, u"", false},
        {u"a/b", false, u"", true},
        {u"a\\b", false, u"", true},
        {u"what?", false, u"", true},
        {u"1+1=2", false, u"", true},
        {u"a-b", false, u"", true},
        {u"a*b", false, u"", true},
        {u"R&D", false, u"", true},
        {u"100%", false, u"", true},
        {u"hi!", false, u"", true},
        {u"#1", false, u"", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(text::ToUtf8(c.name));
        m_messages->Clear();
        std::u16string name = c.name;
        EXPECT_EQ(IsValidMacroName(name), c.valid);
        if (c.valid) {
            EXPECT_EQ(name, c.kept);
        }
        EXPECT_EQ(Shown().size(), c.message ? 1u : 0u);
    }
    EXPECT_EQ(Shown(), std::vector<std::string>{text::ToUtf8(settings::Text(u"tc_tip1"))});
    testutil::LoadTexts({{"tc_tips", "Tips"}});
    m_messages->Clear();
    std::u16string name = u"x#";
    EXPECT_FALSE(IsValidMacroName(name));
    EXPECT_EQ(Shown(), std::vector<std::string>{"Invalid file name."});
}

TEST_F(MacroLibraryTest, UnsupportedKeys) {
    struct Case {
        std::vector<uint16_t> codes;
        bool unsupported;
    };
    const Case cases[] = {
        {{0x41, 0xF0, 0xF1, 0xF2, 0xF3, 0xF4}, false},
        {{0xF5}, true},
        {{0x41, 0xF6}, true},
        {{0xF7, 0xEF}, false},
        {{}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HasUnsupportedKey(Macro(1, u"m", c.codes)), c.unsupported);
    }
    // Steps after the end of the list do not count.
    StMacro m = Macro(1, u"m", {0x41});
    m.Steps[5] = {0xF5, 1, 0};
    EXPECT_FALSE(HasUnsupportedKey(m));
}

TEST_F(MacroLibraryTest, MacroUsedByTheCurrentProfile) {
    InitProfiles();
    EXPECT_FALSE(MacroUsedByProfile(0x81));
    {
        auto lock = g_ProfileList.Lock();
        ProfileRecord* p = g_ProfileList.At(0);
        g_pCurProfile = p;
        p->Key[2][7].dwFunID = uint32_t(kCatMacro) << 24;
        p->Key[2][7].dwMacroID = 0x81;
        p->Key[0][1].dwFunID = uint32_t(kCatKeyboard) << 24;
        p->Key[0][1].dwMacroID = 0x82;
    }
    EXPECT_TRUE(MacroUsedByProfile(0x81));
    EXPECT_FALSE(MacroUsedByProfile(0x82));
    g_pCurProfile = nullptr;
    EXPECT_FALSE(MacroUsedByProfile(0x81));
}

TEST_F(MacroLibraryTest, ImportRefusesWhatIsNoUsableMacro) {
    testutil::TempDir outside;
    std::string noMagic = Rotated(Macro(1, u"x"));
    noMagic[1] ^= 0x10;
    struct Case {
        std::string file;
        std::string bytes;
        std::string message;
    };
    const Case cases[] = {
        {"long.mck", Rotated(Macro(1, u"x")) + "!", "Read macro file failed. error=0x"},
        {"short.mck", Rotated(Macro(1, u"x")).substr(0, 833), "Read macro file failed. error=0x"},
        {"nomagic.mck", noMagic, "This is not a valid macro file."},
        {"f5.mck", Rotated(Macro(1, u"x", {0xF5})), "This macro contains unsupported key."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        m_messages->Clear();
        EXPECT_EQ(ImportMacroFile(&m_tree, nullptr, outside.Write(c.file, c.bytes)), 0u);
        ASSERT_EQ(Shown().size(), 1u);
        EXPECT_EQ(Shown()[0].rfind(c.message, 0), 0u) << Shown()[0];
    }
    m_messages->Clear();
    EXPECT_EQ(ImportMacroFile(&m_tree, nullptr, outside.File("missing.mck")), 0u);
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].rfind("Open macro file failed. error=0x", 0), 0u);
    EXPECT_EQ(g_MacroList.Count(), 0);
    EXPECT_EQ(Dump(m_tree), "");
    EXPECT_FALSE(fs::exists(Root()));
}

TEST_F(MacroLibraryTest, ImportAddsTheFileUnderItsTitle) {
    testutil::TempDir outside;
    StMacro m = Macro(0x123, u"inner name", {0x44});
    const std::u16string source = outside.Write("Dash.mck", Rotated(m));
    MacroTree::Item folder = m_tree.InsertItem(nullptr, u"Games", true, 0, u"");
    MacroTree::Item inFolder = m_tree.InsertItem(folder, u"Old", false, 0x5, u"");

    // A macro item as target stands for its folder.
    const uint32_t id = ImportMacroFile(&m_tree, inFolder, source);
    ASSERT_NE(id, 0u);
    EXPECT_NE(id, 0x123u);
    EXPECT_EQ(Dump(m_tree), "Games/[Old Dash]");
    StMacro stored;
    ASSERT_TRUE(CopyMacroById(id, stored));
    EXPECT_EQ(MacroName(stored), u"Dash");
    EXPECT_EQ(+stored.dwFlags, 0u);
    EXPECT_EQ(+stored.Steps[0].wVk, 0x44);
    EXPECT_EQ(LibraryBytes("Games/Dash.mck"), Rotated(stored));

    // The same title again (any case) is refused.
    EXPECT_EQ(ImportMacroFile(&m_tree, folder, outside.Write("DASH.mck", Rotated(m))), 0u);
    EXPECT_EQ(Shown(), std::vector<std::string>{text::ToUtf8(settings::Text(u"tc_macro_msg8"))});

    // Export copies the library file itself.
    const std::u16string exported = outside.File("out.mck");
    MacroTree::Item dash = m_tree.NextSibling(m_tree.FirstChild(folder));
    ASSERT_TRUE(ExportMacro(&m_tree, dash, exported));
    EXPECT_EQ(testutil::ReadFileBytes(fs::path(exported)), LibraryBytes("Games/Dash.mck"));
    EXPECT_FALSE(ExportMacro(&m_tree, folder, exported));
}

TEST_F(MacroLibraryTest, ImportedTitlesStayInsideTheLibrary) {
    testutil::TempDir outside;
    std::vector<std::pair<std::string, std::string>> cases = {
        {"...mck", "Mac/Macro "}, // title ".."
        {"Name longer than thirty-nine characters, cut.mck",
         "Mac/Name longer than thirty-nine characters.mck"},
    };
#ifndef _WIN32
    // Names Windows cannot give a file, but other systems can.
    cases.push_back({"aux.mck", "Mac/_aux.mck"});
    cases.push_back({"a:b|c.mck", "Mac/a_b_c.mck"});
    cases.push_back({"back\\..\\..\\slash.mck", "Mac/back_.._.._slash.mck"});
#endif
    for (const auto& [file, expected] : cases) {
        SCOPED_TRACE(file);
        ASSERT_NE(ImportMacroFile(&m_tree, nullptr, outside.Write(file, Rotated(Macro(1, u"x")))),
                  0u);
    }
    const std::vector<std::string> files = DataFiles();
    ASSERT_EQ(files.size(), cases.size());
    for (const auto& [file, expected] : cases)
        EXPECT_TRUE(std::any_of(files.begin(), files.end(), [&](const std::string& f) {
            return f.rfind(expected, 0) == 0;
        })) << expected;
}

TEST_F(MacroLibraryTest, RenameMovesFilesAndFolders) {
    MacroTree::Item folder = m_tree.InsertItem(nullptr, u"Games", true, 0, u"");
    StMacro m = Macro(0x91, u"Jump", {0x20});
    AppendMacro(m)->dwFlags = kMacroStepsChanged;
    MacroTree::Item jump = m_tree.InsertItem(folder, u"Jump", false, 0x91, u"");
    ASSERT_TRUE(Flush_Dirty_Macro(jump, &m_tree));
    MacroTree::Item other = m_tree.InsertItem(folder, u"Duck", false, 0x92, u"");
    PutFile("Games/Games.png", "png");

    // Invalid and duplicate names are refused with their messages.
    EXPECT_FALSE(RenameMacroItem(&m_tree, jump, u"a-b"));
    EXPECT_FALSE(RenameMacroItem(&m_tree, jump, u"DUCK"));
    EXPECT_EQ(Shown(), (std::vector<std::string>{text::ToUtf8(settings::Text(u"tc_tip1")),
                                                 text::ToUtf8(settings::Text(u"tc_macro_msg8"))}));
    EXPECT_TRUE(fs::exists(Root() / "Games" / "Jump.mck"));

    ASSERT_TRUE(RenameMacroItem(&m_tree, jump, u"Hop"));
    EXPECT_EQ(Dump(m_tree), "Games/[Hop Duck]");
    EXPECT_FALSE(fs::exists(Root() / "Games" / "Jump.mck"));
    StMacro onDisk;
    ASSERT_TRUE(ReadMacroFile((Root() / "Games" / "Hop.mck").u16string(), onDisk));
    EXPECT_EQ(MacroName(onDisk), u"Hop");
    EXPECT_EQ(+onDisk.dwID, 0x91u);

    // A macro never saved has no file: only names change.
    AppendMacro(Macro(0x92, u"Duck"));
    EXPECT_TRUE(RenameMacroItem(&m_tree, other, u"Crouch"));

    ASSERT_TRUE(RenameFolderItem(&m_tree, folder, u"Play", 1));
    EXPECT_TRUE(fs::exists(Root() / "Play" / "Play.png"));
    EXPECT_TRUE(fs::exists(Root() / "Play" / "Hop.mck"));
    EXPECT_FALSE(fs::exists(Root() / "Games"));
    // Re-read from disk with the same ids.
    EXPECT_EQ(Dump(m_tree), "Play/[Crouch Hop]");
    EXPECT_EQ(m_tree.ItemMacroId(m_tree.NextSibling(m_tree.FirstChild(folder))), 0x91u);
}

TEST_F(MacroLibraryTest, DeleteRemovesFilesListAndItems) {
    MacroTree::Item folder = m_tree.InsertItem(nullptr, u"Games", true, 0, u"");
    MacroTree::Item sub = m_tree.InsertItem(folder, u"Old", true, 0, u"");
    for (auto [id, parent, name] : {std::tuple{0xA1u, folder, u"a"}, std::tuple{0xA2u, sub, u"b"},
                                    std::tuple{0xA3u, (MacroTree::Item) nullptr, u"top"}}) {
        AppendMacro(Macro(id, name))->dwFlags = kMacroStepsChanged;
        ASSERT_TRUE(Flush_Dirty_Macro(m_tree.InsertItem(parent, name, false, id, u""), &m_tree));
    }
    MacroTree::Item unsaved = m_tree.InsertItem(nullptr, u"unsaved", false, 0xA4, u"");
    AppendMacro(Macro(0xA4, u"unsaved"));
    PutFile("Games/Old/stray.txt", "x");
    fs::permissions(Root() / "Games" / "Old" / "b.mck", fs::perms::owner_read);
    fs::permissions(Root() / "Games" / "Old", fs::perms::owner_read | fs::perms::owner_exec);

    // A missing file is not reported.
    EXPECT_TRUE(DeleteMacroItem(&m_tree, unsaved));
    EXPECT_TRUE(Shown().empty());
    EXPECT_FALSE(MacroIdInUse(0xA4));

    ASSERT_TRUE(DeleteFolderItem(&m_tree, folder));
    EXPECT_FALSE(fs::exists(Root() / "Games"));
    EXPECT_FALSE(MacroIdInUse(0xA1));
    EXPECT_FALSE(MacroIdInUse(0xA2));
    EXPECT_EQ(Dump(m_tree), "top");

    ASSERT_TRUE(DeleteMacroItem(&m_tree, m_tree.FirstChild(nullptr)));
    EXPECT_FALSE(fs::exists(Root() / "top.mck"));
    EXPECT_EQ(g_MacroList.Count(), 0);
    EXPECT_TRUE(Shown().empty());
}

// The device read adds and replaces macros on its worker while the window
// thread flushes, dumps and copies.
TEST_F(MacroLibraryTest, WorkerAndWindowShareTheList) {
    ASSERT_EQ(Add_Macro(Macro(0xB0, u"shared"), &m_tree), 0xB0u);
    std::thread worker([] {
        HeadlessMacroTree tree;
        LoadMacroLibrary(&tree, 1, false);
        for (int i = 0; i < 4; ++i) {
            StMacro m = Macro(0xC0 + i, Numbered(u"dev", int(i)));
            Add_Macro(m, &tree);
            StMacro again = Macro(0, u"shared", {uint16_t(0x41 + i)});
            again.dwFlags = kMacroStepsChanged;
            ReplaceMacro(&tree, again);
        }
    });
    for (int i = 0; i < 20; ++i) {
        StMacro copy;
        EXPECT_TRUE(CopyMacroById(0xB0, copy));
        SaveMacroDump();
        Flush_Dirty_Macro(m_tree.FirstChild(nullptr), &m_tree);
    }
    worker.join();
    EXPECT_EQ(g_MacroList.Count(), 5);
    StMacro stored;
    ASSERT_TRUE(CopyMacroById(0xB0, stored));
    EXPECT_EQ(+stored.Steps[0].wVk, 0x44);
}

} // namespace
