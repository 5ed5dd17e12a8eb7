#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/File.h"
#include "engine/Log.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "support/TempDir.h"
#include "support/SourceTree.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

int CountOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A resource folder "data" of its own and the program log in a file.
class InterfaceTextDBTest : public ::testing::Test {
protected:
    void SetUp() override {
        Vek::File::Subst(Vek::PString("data"), m_data.Path().c_str(), true);
        Vek::Log::Init(("-LogFile=" + m_log + " ").c_str());
    }
    void TearDown() override { Vek::Log::Shutdown(); }

    std::string Log() { return ReadFile(m_log); }
    void WriteTable(const std::string& name, const std::string& text) { WriteFile(m_data / name, text); }

    VorlexTest::TempDir m_data;
    VorlexTest::TempDir m_logDir;
    std::string m_log = m_logDir / "log.txt";
};

TEST_F(InterfaceTextDBTest, LanguageCodesSelectTheirFiles) {
    struct Case {
        const char* code;
        const char* file;
    };
    const Case cases[] = {
        {"de", "InterfaceGerman.chump"},   {"SE", "InterfaceGerman.chump"},  // unknown: kept
        {"US", "InterfaceText.chump"},     {"fr", "InterfaceFrench.chump"},
        {"CH", "InterfaceFrench.chump"},   {"It", "InterfaceItalian.chump"},
        {"RU", "InterfaceRussian.chump"},  {"CZ", "InterfaceCzech.chump"},
        {"PL", "InterfacePolish.chump"},   {"ES", "InterfaceSpanish.chump"},
        {"CN", "InterfaceChinese.chump"},  {"NL", "InterfaceDutch.chump"},
        {"KR", "InterfaceKorean.chump"},   {"HU", "InterfaceHungarian.chump"},
        {"uk", "InterfaceText.chump"},     {"DE", "InterfaceGerman.chump"},
        {"AU", "InterfaceText.chump"},     {"DE", "InterfaceGerman.chump"},
        {"en", "InterfaceText.chump"},     {"DE", "InterfaceGerman.chump"},
        {nullptr, "InterfaceText.chump"},
    };
    for (const Case& c : cases) {
        InterfaceTextDB::SelectLanguage(c.code);
        EXPECT_STREQ(InterfaceTextDB::SelectedFileName().c_str(), c.file) << (c.code ? c.code : "null");
    }
}

TEST_F(InterfaceTextDBTest, FallsBackToTheTextFormWhenTheCompiledTableIsMissing) {
    WriteTable("InterfaceGerman.txt", "$greeting \"Hallo $(NAME)\"\r\nscenario_text\r\n{\r\n  $intro \"Willkommen\"\r\n}\r\n");
    InterfaceTextDB::SelectLanguage("de");
    InterfaceTextDB::Invalidate();

    EXPECT_STREQ(GetLocalisedText("$greeting").c_str(), "Hallo $(NAME)");
    InterfaceTextDB& table = InterfaceTextDB::Instance();
    EXPECT_STREQ(table.GetScenarioString(Vek::PString("$intro")).c_str(), "Willkommen");
    EXPECT_STREQ(table.GetScenarioString(Vek::PString("$missing")).c_str(), "");
    EXPECT_STREQ(table.GetString(Vek::PString("$missing"), false).c_str(), "");
    EXPECT_EQ(Log(), "InterfaceTextDB> failed to load compiled interfacetext file\n");

    // Nothing reloads until the table is marked stale.
    std::filesystem::remove(m_data / "InterfaceGerman.txt");
    EXPECT_STREQ(GetLocalisedText("$greeting").c_str(), "Hallo $(NAME)");
    InterfaceTextDB::Invalidate();
    EXPECT_STREQ(GetLocalisedText("$greeting").c_str(), "$greeting");
    EXPECT_NE(Log().find("InterfaceTextDB> Unable to read interface file 'InterfaceGerman.chump'\n"), std::string::npos);
}

TEST_F(InterfaceTextDBTest, MissesReturnTheirTagAndOnlyTheFirstTenAreLogged) {
    InterfaceTextDB::SelectLanguage("US");
    InterfaceTextDB::Invalidate();
    InterfaceTextDB& table = InterfaceTextDB::Instance();
    EXPECT_STREQ(table.GetString(Vek::PString(), true).c_str(), "");  // not counted
    for (int i = 1; i <= 12; ++i) {
        std::string tag = "$tag_" + std::to_string(i);
        EXPECT_STREQ(table.GetString(Vek::PString(tag.c_str()), true).c_str(), tag.c_str());
    }
    const std::string log = Log();
    EXPECT_EQ(CountOf(log, "InterfaceTextDB::GetString> Tag '"), 10);
    EXPECT_NE(log.find("Tag '$tag_10' not found in 'InterfaceText.chump'"), std::string::npos);
    EXPECT_EQ(log.find("$tag_11"), std::string::npos);
}

TEST_F(InterfaceTextDBTest, ConcurrentFirstUsesLoadOnce) {
    WriteTable("InterfaceText.txt", "$a \"alpha\"\r\n");
    InterfaceTextDB::SelectLanguage(nullptr);
    InterfaceTextDB::Invalidate();
    std::atomic<bool> go{false};
    std::atomic<int> right{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] {
            while (!go.load()) std::this_thread::yield();
            if (GetLocalisedText("$a") == Vek::String("alpha")) ++right;
        });
    go.store(true);
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(right.load(), 8);
    EXPECT_EQ(CountOf(Log(), "failed to load compiled interfacetext file"), 1);
}

// The English table shipped with the program.
TEST_F(InterfaceTextDBTest, TheEnglishTableHasATextForEveryKeyWithItsParameters) {
    const std::filesystem::path shipped =
        std::filesystem::path(SourceTreePath("data/Data/InterfaceText.txt"));
    ASSERT_TRUE(std::filesystem::exists(shipped));
    std::filesystem::copy_file(shipped, m_data / "InterfaceText.txt");
    InterfaceTextDB::SelectLanguage("US");
    InterfaceTextDB::Invalidate();

    struct Key {
        const char* tag;
        std::vector<const char*> parameters;
    };
    const Key keys[] = {
        {"$cm_general_untitled", {}},
        {"$vad_archive_unreadable", {}},
        {"$vad_archive_version", {"$(VERSION)"}},
        {"$vad_failed_install", {"$(ASSET_KUID)"}},
        {"$vad_installed", {"$(ASSET_KUID)"}},
        {"$vad_overwrite_error", {"$(ASSET_KUID)"}},
        {"$vad_write_error", {"$(ASSET_KUID)"}},
        {"$vad_unreadable_cdp", {"$(FILE_PATH)"}},
        {"$vad_upload_asset_obsolete", {"$(ASSET_KUID)", "$(LOWEST_VORLEXBUILD)"}},
        {"$vad_prompt_alreadyinstalled", {}},
        {"$vad_prompt_builtin", {}},
        {"$vad_prompt_fpx_item", {}},
        {"$vad_prompt_openforedit", {}},
        {"$vad_prompt_alreadyinstalled_log", {"$(ASSET_NAME)", "$(ACTION)"}},
        {"$vad_prompt_builtin_log", {"$(ASSET_NAME)", "$(ACTION)"}},
        {"$vad_prompt_fpx_item_log", {"$(ASSET_NAME)", "$(ACTION)"}},
        {"$vad_prompt_openforedit_log", {"$(ASSET_NAME)", "$(ACTION)"}},
        {"$vad_prompt_overwritten", {}},
        {"$vad_prompt_skipped", {}},
        {"$vadtask_repair_err_duplicate", {}},
    };
    for (const Key& key : keys) {
        std::string text = GetLocalisedText(key.tag).c_str();
        EXPECT_NE(text, key.tag);
        EXPECT_FALSE(text.empty()) << key.tag;
        for (const char* parameter : key.parameters) EXPECT_NE(text.find(parameter), std::string::npos) << key.tag;
    }
    EXPECT_EQ(Log(), "InterfaceTextDB> failed to load compiled interfacetext file\n");
}

}  // namespace
