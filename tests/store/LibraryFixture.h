#pragma once
// A data folder of its own with an empty macro library, the shipped product's
// texts, recorded messages, and helpers to lay out library files.

#include "model/CoreFixture.h"
#include "store/AppDataDir.h"
#include "store/HeadlessMacroTree.h"
#include "store/MacroFile.h"
#include "store/MacroList.h"
#include "store/MacroStore.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace testutil {

class LibraryTest : public ProductTest {
protected:
    void SetUp() override {
        ProductTest::SetUp();
        SetAppDataDir(m_data.Dir());
        m_messages = std::make_unique<MessageRecorder>();
    }
    void TearDown() override {
        m_messages.reset();
        ProductTest::TearDown();
        g_szAppDataDir.clear();
    }

    // A macro with `steps` key codes (press, then release), id and name.
    static StMacro Macro(uint32_t id, const std::u16string& name,
                         std::vector<uint16_t> codes = {0x41}) {
        StMacro m{};
        m.dwMagicNumber = kMacroMagic;
        m.dwID = id;
        m.bAutoDelay = 1;
        m.wRepeatCount = 1;
        text::CopyToField(m.szName, kMacroNameChars, name);
        int s = 0;
        for (uint16_t c : codes) {
            m.Steps[s++] = {c, 1, 10};
            m.Steps[s++] = {c, 0, 10};
        }
        return m;
    }

    // "name<n>" (names of many macros).
    static std::u16string Numbered(std::u16string name, int n) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%d", n);
        for (const char* d = digits; *d; ++d)
            name.push_back(char16_t(*d));
        return name;
    }

    std::filesystem::path Root() const { return m_data.Path() / "Mac"; }

    // Writes a library file at `relative` (below the root) with `bytes`.
    void PutFile(const std::string& relative, const std::string& bytes) const {
        const std::filesystem::path p = Root() / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    }
    std::string LibraryBytes(const std::string& relative) const {
        return ReadFileBytes(Root() / relative);
    }

    // The texts of the messages shown so far.
    std::vector<std::string> Shown() const {
        std::vector<std::string> out;
        for (const auto& [t, c] : m_messages->Messages())
            out.push_back(text::ToUtf8(t));
        return out;
    }

    // Every regular file below the data folder, relative to it, '/'-separated.
    std::vector<std::string> DataFiles() const {
        std::vector<std::string> files;
        for (const auto& e : std::filesystem::recursive_directory_iterator(m_data.Path()))
            if (e.is_regular_file())
                files.push_back(
                    std::filesystem::relative(e.path(), m_data.Path()).generic_string());
        std::sort(files.begin(), files.end());
        return files;
    }

    // The tree as text: "name" for macros (with "#id" when `ids`), "name/"
    // for folders followed by their children in brackets.
    static std::string Dump(const MacroTree& tree, MacroTree::Item parent = nullptr) {
        std::string out;
        for (MacroTree::Item i = tree.FirstChild(parent); i; i = tree.NextSibling(i)) {
            if (!out.empty())
                out += ' ';
            out += text::ToUtf8(tree.ItemText(i));
            if (tree.IsFolder(i))
                out += "/[" + Dump(tree, i) + "]";
        }
        return out;
    }

    TempDir m_data;
    std::unique_ptr<MessageRecorder> m_messages;
    HeadlessMacroTree m_tree;
};

} // namespace testutil
