#pragma once
// Fixtures for the configuration model and the stores: the shipped product's
// settings and texts, texts of a test's own, and the log read back.

#include "common/TestUtil.h"
#include "model/DevMacroNames.h"
#include "model/InitData.h"
#include "model/SensorCatalogue.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "settings/Log.h"
#include "settings/Settings.h"
#include "settings/TextTable.h"
#include "store/MacroList.h"
#include "store/ProfileStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

namespace testutil {

// Writes a text.xml with `texts` and loads it.
inline void LoadTexts(const std::map<std::string, std::string>& texts) {
    TempDir dir;
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<root><config>";
    for (const auto& [key, value] : texts)
        xml += "<" + key + ">" + value + "</" + key + ">";
    xml += "</config></root>\n";
    settings::LoadTextTable(dir.Write("text.xml", xml));
}

// Reads what the log writes while it lives: the log goes to Log.txt in a
// folder of its own (on Windows, the prefix's desktop, read from where it was
// when the capture began).
class LogCapture {
public:
    LogCapture() {
#ifndef _WIN32
        setenv("XDG_DESKTOP_DIR", m_dir.Path().string().c_str(), 1);
#endif
        settings::g_opt.Debug = 2;
        settings::InitLog();
        m_start = Read().size();
    }
    ~LogCapture() {
        settings::ResetLog();
        settings::g_opt.Debug = 0;
#ifndef _WIN32
        unsetenv("XDG_DESKTOP_DIR");
#endif
    }
    std::string Text() const {
        return Read().substr(m_start);
    }
    bool Contains(const std::string& line) const {
        return Text().find(line) != std::string::npos;
    }

private:
    std::string Read() const {
        return ReadFileBytes(std::filesystem::path(settings::LogPath()));
    }
    TempDir m_dir;
    size_t m_start = 0;
};

// The shipped product's settings and texts, an empty macro library and
// profile list; everything back to zero at the end.
class ProductTest : public ::testing::Test {
protected:
    void SetUp() override {
        MessageRecorder quiet;
        ASSERT_TRUE(settings::InitData(ProductDir()));
        settings::LoadTextTable(ProductDir() + u"text.xml");
        g_MacroList.SetOwnership(kListOwnsElements);
        g_ProfileList.SetOwnership(kListOwnsElements);
    }
    void TearDown() override {
        ClearProfiles();
        g_MacroList.RemoveAll();
        ClearDevMacroNames();
        settings::ResetTextTable();
        ResetSensorCatalogue();
        settings::g_opt = {};
    }
};

} // namespace testutil
