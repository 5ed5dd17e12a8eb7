#pragma once
// A display owner that counts what the blocking screen asks of it.
#include "foundation/threads/BlockingScreen.h"

namespace ThreadsTest {

class FakeBlockingDisplay : public BlockingScreenDisplay {
public:
    bool LoadPicture(const Vek::PString&) override {
        ++loads;
        return pictureAvailable;
    }
    void FreePicture() override { ++frees; }
    void GetTargetSize(float& width, float& height) override {
        width = 1920.0f;
        height = 1080.0f;
    }
    void DrawPicture(const ScreenRect& rect) override {
        ++draws;
        lastRect = rect;
    }
    void DrainMessages() override { ++drains; }

    bool pictureAvailable = true;
    int loads = 0;
    int frees = 0;
    int draws = 0;
    int drains = 0;
    ScreenRect lastRect;
};

}  // namespace ThreadsTest
