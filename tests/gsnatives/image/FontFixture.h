#pragma once
// A test's font world: the fake back end (or the product's), a fresh font
// cache and glyph atlas, and a current render kernel whose headless display
// holds the atlas texture.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "FakeFontBackend.h"
#include "engine/Log.h"
#include "engine/RenderKernel.h"
#include "engine/display/DisplayProfile.h"
#include "gsnatives/fonts/FontKey.h"
#include "gsnatives/fonts/GlyphAtlas.h"
#include "support/TempDir.h"

namespace GSNativesTest {

class FontFixture : public ::testing::Test {
protected:
    void SetUp() override {
        GSNatives::SetFontBackend(UseProductFonts() ? nullptr : &fonts);
        GSNatives::ResetFontCache();
        GSNatives::GlyphAtlas::Shutdown();
        ASSERT_TRUE(kernel.InitWithProfile(Vek::DisplayProfile::Null()));
        Vek::RenderKernel::SetCurrent(&kernel);
        Vek::Log::Init(("-LogFile=" + LogFile() + " ").c_str());
    }
    void TearDown() override {
        Vek::Log::Shutdown();
        GSNatives::GlyphAtlas::Shutdown();
        GSNatives::ResetFontCache();
        GSNatives::SetFontBackend(nullptr);
        Vek::RenderKernel::SetCurrent(nullptr);
    }
    virtual bool UseProductFonts() const { return false; }

    // The program log since the last call; the log goes on in a new file.
    std::string Log() {
        Vek::Log::Shutdown();
        std::ifstream in(LogFile(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        ++logFiles;
        Vek::Log::Init(("-LogFile=" + LogFile() + " ").c_str());
        return text.str();
    }
    std::string LogFile() const { return dir / ("log" + std::to_string(logFiles) + ".txt"); }

    static GSNatives::FontKey Key(const char* face, int size) {
        GSNatives::FontKey key;
        key.face = Vek::PString(face);
        key.size = size;
        return key;
    }

    VorlexTest::TempDir dir;
    int logFiles = 0;
    FakeFontBackend fonts;
    Vek::RenderKernel kernel{nullptr, 8.0f};
};

}  // namespace GSNativesTest
