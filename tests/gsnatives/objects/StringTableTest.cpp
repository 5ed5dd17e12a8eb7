// String tables: the parameter substitution, and the natives run from a
// probe script over an asset configuration's "string-table" with the
// scenario texts of the interface-text tables as fall-back.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>

#include "engine/File.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "gsnatives/GSOStringTable.h"
#include "gsnatives/support/NativeScriptHost.h"
#include "support/TempDir.h"

namespace {

using GSNatives::GSOStringTable;
using GSNativesTest::NativeScriptHost;

TEST(StringTableSubstitution, ParametersDollarsAndWhatStays) {
    Vek::PString params[GSOStringTable::kParamCount];
    params[0] = "5";
    params[1] = "$0";
    params[2] = "";
    params[9] = "nine";
    struct Case {
        const char* text;
        const char* result;
    };
    const Case cases[] = {
        {"Speed $0 km/h", "Speed 5 km/h"},
        {"100$$", "100$"},
        {"$$1", "$1"},            // a doubled $ before a digit: a literal $ and the digit
        {"$$$1", "$$0"},          // then a parameter right after it
        {"cost $", "cost $"},     // a trailing $ stays
        {"$x and $ 1", "$x and $ 1"},
        {"$1", "$0"},             // inserted text is not substituted again
        {"[$2]", "[]"},           // an empty parameter inserts nothing
        {"$9$0$9", "nine5nine"},
        {"$", "$"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(GSOStringTable::Substitute(c.text, params), c.result) << c.text;
}

// A text of millions of markers is substituted in one pass over it (edited
// in place, every marker moved the rest of the text: minutes for this).
TEST(StringTableSubstitution, LongTextsOfMarkers) {
    Vek::PString params[GSOStringTable::kParamCount];
    params[0] = "ab";
    const std::size_t markers = std::size_t(1) << 20;
    std::string dollars, parameters, expected;
    for (std::size_t i = 0; i < markers; ++i) {
        dollars += "$$";
        parameters += "$0";
        expected += "ab";
    }
    EXPECT_EQ(GSOStringTable::Substitute(dollars, params), std::string(markers, '$'));
    EXPECT_EQ(GSOStringTable::Substitute(parameters, params), expected);
}

// The result is measured before it is built: up to the limit it is built,
// one byte past it nothing is, however far past (a megabyte of markers with
// a 4,400-character parameter asked for 2.3 GB).
TEST(StringTableSubstitution, ResultsPastTheLimitAreRefused) {
    const std::size_t limit = static_cast<std::size_t>(GSOStringTable::kMaxResultLength);
    std::string markers;
    for (std::size_t i = 0; i < limit / 16; ++i) markers += "$0";
    Vek::PString params[GSOStringTable::kParamCount];
    params[0] = Vek::PString(std::string(16, 'p').c_str());
    const std::optional<std::string> full = GSOStringTable::Substitute(markers, params);
    ASSERT_TRUE(full.has_value());
    EXPECT_EQ(full->size(), limit);

    EXPECT_FALSE(GSOStringTable::Substitute(markers + "x", params).has_value());
    EXPECT_FALSE(GSOStringTable::Substitute(markers + "$$", params).has_value());
    params[0] = Vek::PString(std::string(4400, 'p').c_str());
    EXPECT_FALSE(GSOStringTable::Substitute(markers, params).has_value());
}

const char* const kProbe = R"(include "StringTable.gs"

class Probe isclass GameObject
{
	public string Get(StringTable t, string name) { return t.GetString(name); }
	public void Set(StringTable t, int i, string text) { t.SetParam(i, text); }
	public void ClearParams(StringTable t) { t.ClearParams(); }
	public string Language(StringTable t) { return t.GetLanguage(); }
};
)";

class StringTableNatives : public ::testing::Test {
protected:
    void SetUp() override {
        Vek::File::Subst(Vek::PString("data"), data.Path().c_str(), true);
        ASSERT_TRUE(host.Start(kProbe));
        SoupHandle config;
        SoupHandle strings;
        strings.SetString(Vek::PString("speed"), "Speed $0 km/h");
        strings.SetString(Vek::PString("Capital"), "never found");
        strings.SetString(Vek::PString("shadow"), "from the asset");
        std::string flood;
        for (int i = 0; i < (1 << 19); ++i) flood += "$0";
        strings.SetString(Vek::PString("flood"), flood.c_str());
        config.SetContainer(Vek::PString("string-table"), strings);
        table = host.Own(GSOStringTable::Create(host.context, SpecHandle(), config));
        ASSERT_NE(table, 0u);
    }
    void TearDown() override {
        host.EndContext();
        EXPECT_EQ(host.leftBlocks, 0);
        Vek::File::Subst(Vek::PString("data"), nullptr, true);
        InterfaceTextDB::Invalidate();
    }

    // The interface texts the tables read next.
    void WriteInterfaceTexts(const std::string& text) {
        std::ofstream(data / "InterfaceText.txt", std::ios::binary) << text;
        InterfaceTextDB::Invalidate();
    }
    std::string Get(const char* name) {
        return host.CallText("$string@Probe::Get(StringTable,string)", {C(table), name ? host.Text(name) : 0});
    }
    void Set(int index, const char* text) {
        host.Call("$void@Probe::Set(StringTable,int,string)",
                  {C(table), static_cast<uint32_t>(index), text ? host.Text(text) : 0});
    }
    static uint32_t C(uint32_t reference) { return NativeScriptHost::Counted(reference); }

    VorlexTest::TempDir data;
    NativeScriptHost host;
    uint32_t table = 0;
};

TEST_F(StringTableNatives, TextsComeFromTheAssetThenTheScenarioTexts) {
    WriteInterfaceTexts("scenario_text\r\n{\r\n  greeting \"Hello $0\"\r\n  shadow \"from the scenario\"\r\n}\r\n");
    Set(0, "5");
    EXPECT_EQ(Get("speed"), "Speed 5 km/h");
    EXPECT_EQ(Get("SPEED"), "Speed 5 km/h");
    EXPECT_EQ(Get("greeting"), "Hello 5");
    EXPECT_EQ(Get("shadow"), "from the asset");
    EXPECT_EQ(Get("Capital"), "");  // lower-cased first, never found
    EXPECT_EQ(Get("nowhere"), "");
    EXPECT_EQ(Get(""), "");
    EXPECT_EQ(Get(nullptr), "");

    // Parameters persist until ClearParams.
    EXPECT_EQ(Get("speed"), "Speed 5 km/h");
    host.Call("$void@Probe::ClearParams(StringTable)", {C(table)});
    EXPECT_EQ(Get("speed"), "Speed  km/h");
}

// A text that would grow past a script string's limit ends the calling
// thread with a message naming it; the parameters stay as they were.
TEST_F(StringTableNatives, GetStringRefusesATextPastTheLimit) {
    Set(0, "ab");
    EXPECT_EQ(Get("flood").size(), std::size_t(1) << 20);
    Set(0, std::string(4400, 'p').c_str());
    GSTest::LogCapture::Clear();
    EXPECT_EQ(Get("flood"), "<null>");  // the thread ended without a result
    EXPECT_EQ(NativeScriptHost::Lines("StringTable.GetString> text of 'flood' longer than " +
                                      std::to_string(GSOStringTable::kMaxResultLength) +
                                      " bytes after substitution"),
              1);
    EXPECT_EQ(NativeScriptHost::Native<GSOStringTable>(table)->GetParam(0).c_str(), std::string(4400, 'p'));
    Set(0, "5");
    EXPECT_EQ(Get("speed"), "Speed 5 km/h");
}

TEST_F(StringTableNatives, SetParamRefusesAnIndexOutsideZeroToNine) {
    Set(9, "last");
    Set(0, nullptr);
    EXPECT_EQ(NativeScriptHost::Native<GSOStringTable>(table)->GetParam(9), Vek::PString("last"));
    for (int index : {10, -1}) {
        GSTest::LogCapture::Clear();
        Set(index, "x");
        const std::string message =
            "StringTable.SetParam> index (" + std::to_string(index) + ") out of range (0..9)";
        EXPECT_EQ(NativeScriptHost::Lines(message), 1) << index;
    }
    EXPECT_EQ(NativeScriptHost::Native<GSOStringTable>(table)->GetParam(9), Vek::PString("last"));
}

TEST_F(StringTableNatives, TheLanguageIsTheMainLanguageTextOrEnglish) {
    WriteInterfaceTexts("other \"x\"\r\n");
    EXPECT_EQ(host.CallText("$string@Probe::Language(StringTable)", {C(table)}), "english");
    WriteInterfaceTexts("$main_language \"deutsch\"\r\n");
    EXPECT_EQ(host.CallText("$string@Probe::Language(StringTable)", {C(table)}), "deutsch");
}

}  // namespace
