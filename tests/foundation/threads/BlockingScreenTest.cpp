#include <gtest/gtest.h>

#include "FakeBlockingDisplay.h"
#include "foundation/threads/BlockingScreen.h"

using ThreadsTest::FakeBlockingDisplay;

TEST(BlockingScreenTest, FitRectanglesForEachMode) {
    struct FitCase {
        int32_t mode;
        float width, height;
        ScreenRect expected;
    };
    const FitCase cases[] = {
        {3, 1920, 1080, {0, -36, 1920, 1116}},       // covers: 1920 x 1152
        {2, 1920, 1080, {60, 0, 1860, 1080}},        // largest 5:3: 1800 x 1080
        {1, 1920, 1080, {320, 156, 1600, 924}},      // design size, centred
        {3, 1280, 768, {0, 0, 1280, 768}},           // exact fit
        {3, 1024, 1024, {-341.33334f, 0, 1365.3334f, 1024}},
        {2, 1000, 1000, {0, 200, 1000, 800}},
        {0, 800, 600, {0, 0, 800, 600}},             // any other mode stretches
        {7, 800, 600, {0, 0, 800, 600}},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " on " << c.width << " x " << c.height);
        ScreenRect rect = ComputeFitRect(c.mode, c.width, c.height);
        EXPECT_NEAR(rect.x0, c.expected.x0, 0.01f);
        EXPECT_NEAR(rect.y0, c.expected.y0, 0.01f);
        EXPECT_NEAR(rect.x1, c.expected.x1, 0.01f);
        EXPECT_NEAR(rect.y1, c.expected.y1, 0.01f);
    }
}

TEST(BlockingScreenTest, WithoutADisplayNothingChanges) {
    BlockingScreen& screen = BlockingScreen::Instance();
    EXPECT_EQ(std::string(screen.ImageName().c_str()), "BlockingScreen.jpg");
    EXPECT_EQ(screen.FitMode(), 3);
    screen.Show();
    screen.Update();
    screen.Show();
    screen.Release();
    EXPECT_EQ(screen.ShowCount(), 0);
    EXPECT_FALSE(screen.HasPicture());
}

TEST(BlockingScreenTest, ShowsAreCountedAndThePictureGoesWithTheLastRelease) {
    BlockingScreen& screen = BlockingScreen::Instance();
    FakeBlockingDisplay display;
    screen.SetDisplay(&display);

    screen.Show();
    EXPECT_EQ(display.loads, 1);
    EXPECT_EQ(display.draws, 1);
    EXPECT_NEAR(display.lastRect.y0, -36.0f, 0.01f);
    screen.Show();
    EXPECT_EQ(screen.ShowCount(), 2);
    EXPECT_EQ(display.loads, 1) << "a second show only counts";
    EXPECT_EQ(display.draws, 1);

    screen.Update();
    EXPECT_EQ(display.draws, 2);
    EXPECT_EQ(display.drains, 1);

    screen.Release();
    EXPECT_TRUE(screen.HasPicture());
    EXPECT_EQ(display.frees, 0);
    screen.Release();
    EXPECT_EQ(screen.ShowCount(), 0);
    EXPECT_FALSE(screen.HasPicture());
    EXPECT_EQ(display.frees, 1);
    screen.SetDisplay(nullptr);
}

TEST(BlockingScreenTest, AMissingPictureLeavesTheScreenBlankAndShowHarmless) {
    BlockingScreen& screen = BlockingScreen::Instance();
    FakeBlockingDisplay display;
    display.pictureAvailable = false;
    screen.SetDisplay(&display);
    screen.Show();
    EXPECT_EQ(display.loads, 1);
    EXPECT_EQ(display.draws, 0);
    EXPECT_FALSE(screen.HasPicture());
    screen.Release();
    EXPECT_EQ(screen.ShowCount(), 0);
    EXPECT_EQ(display.frees, 0);
    screen.SetDisplay(nullptr);
}
