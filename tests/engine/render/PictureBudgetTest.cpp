// The process's picture budget: what decoding and budgeted pictures take
// from it and give back, the wait for room, and image files whose headers
// declare more pixels than they hold.
#include "engine/bitmap/PictureBudget.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

#include "engine/bitmap/Bitmap.h"

namespace {

using Vek::Bitmap;
using Vek::PictureBudget;

void Put16(std::vector<uint8_t>& bytes, uint32_t value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}
void Put32(std::vector<uint8_t>& bytes, uint32_t value) {
    Put16(bytes, value & 0xFFFF);
    Put16(bytes, value >> 16);
}

// An uncompressed TGA: type 3 grey, 2 true colour or 1 colour-mapped (a
// 2-entry 24-bit palette), with `pixelBytes` bytes of pixels after it.
std::vector<uint8_t> Tga(int type, int width, int height, int bits, std::size_t pixelBytes) {
    std::vector<uint8_t> bytes = {0, static_cast<uint8_t>(type == 1 ? 1 : 0), static_cast<uint8_t>(type)};
    Put16(bytes, 0);
    Put16(bytes, type == 1 ? 2 : 0);
    bytes.push_back(type == 1 ? 24 : 0);
    Put32(bytes, 0);
    Put16(bytes, static_cast<uint32_t>(width));
    Put16(bytes, static_cast<uint32_t>(height));
    bytes.push_back(static_cast<uint8_t>(bits));
    bytes.push_back(0x20);
    if (type == 1) bytes.insert(bytes.end(), 6, 0x80);
    bytes.insert(bytes.end(), pixelBytes, 0x40);
    return bytes;
}

// A 24-bit BMP with `pixelBytes` bytes of pixel rows.
std::vector<uint8_t> Bmp(int width, int height, std::size_t pixelBytes) {
    std::vector<uint8_t> bytes = {'B', 'M'};
    Put32(bytes, static_cast<uint32_t>(54 + pixelBytes));
    Put32(bytes, 0);
    Put32(bytes, 54);
    Put32(bytes, 40);
    Put32(bytes, static_cast<uint32_t>(width));
    Put32(bytes, static_cast<uint32_t>(height));
    Put16(bytes, 1);
    Put16(bytes, 24);
    Put32(bytes, 0);
    for (int i = 0; i < 5; ++i) Put32(bytes, 0);
    bytes.insert(bytes.end(), pixelBytes, 0x40);
    return bytes;
}

class PictureBudgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv(PictureBudget::kEnvironmentVariable);
        PictureBudget::SetLimit(0);
        ASSERT_EQ(PictureBudget::InUse(), 0u);
    }
    void TearDown() override {
        unsetenv(PictureBudget::kEnvironmentVariable);
        PictureBudget::SetLimit(0);
        EXPECT_EQ(PictureBudget::InUse(), 0u) << "every picture gave its bytes back";
    }
};

TEST_F(PictureBudgetTest, FilesShorterThanTheirDeclaredPixelsAreRefused) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool loads;
    };
    const Case cases[] = {
        // 18 header bytes and 3 of the 31,915,408 pixels the header claims.
        {"grey TGA claiming 2266 x 14088", Tga(3, 2266, 14088, 8, 3), false},
        {"whole grey TGA", Tga(3, 4, 2, 8, 8), true},
        {"true-colour TGA one byte short", Tga(2, 3, 3, 24, 26), false},
        {"whole true-colour TGA", Tga(2, 3, 3, 24, 27), true},
        {"colour-mapped TGA one byte short", Tga(1, 4, 4, 8, 15), false},
        {"whole colour-mapped TGA", Tga(1, 4, 4, 8, 16), true},
        {"whole BMP (rows padded to 4 bytes)", Bmp(2, 2, 16), true},
        {"BMP one byte short", Bmp(2, 2, 15), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bitmap bitmap;
        EXPECT_EQ(bitmap.LoadFromMemory(c.bytes.data(), c.bytes.size()), c.loads);
        EXPECT_EQ(Bitmap::LastLoadFailure(),
                  c.loads ? Bitmap::LoadFailure::kNone : Bitmap::LoadFailure::kShortPixelData);
        EXPECT_EQ(bitmap.IsEmpty(), !c.loads);
    }
}

// Decoding takes twice the picture's bytes and the loaded picture keeps
// its own; past the limit a load or a budgeted picture is refused before
// anything is allocated, and room comes back as pictures go.
TEST_F(PictureBudgetTest, PicturesTakeAndGiveBackTheirBytes) {
    const uint64_t picture = 256 * 256 * 4;
    PictureBudget::SetLimit(4 * picture);
    const std::vector<uint8_t> file = Tga(3, 256, 256, 8, 256 * 256);
    EXPECT_EQ(Bitmap::DecodeBytes(file.data(), file.size()), 2 * picture);

    std::vector<Bitmap> held(3);
    for (Bitmap& bitmap : held) ASSERT_TRUE(bitmap.LoadFromMemory(file.data(), file.size()));
    EXPECT_EQ(PictureBudget::InUse(), 3 * picture);
    Bitmap refused;
    EXPECT_FALSE(refused.LoadFromMemory(file.data(), file.size())) << "one picture left, the decoder needs two";
    EXPECT_EQ(Bitmap::LastLoadFailure(), Bitmap::LoadFailure::kNoBudget);
    EXPECT_TRUE(refused.InitWithinBudget(256, 256, Bitmap::kARGB32));
    EXPECT_FALSE(Bitmap().InitWithinBudget(1, 1, Bitmap::kGrey8));
    EXPECT_EQ(PictureBudget::InUse(), 4 * picture);

    // Copies are not counted; moves carry the bytes; a reset gives them back.
    Bitmap copy(held[0]);
    Bitmap moved(std::move(held[1]));
    EXPECT_EQ(PictureBudget::InUse(), 4 * picture);
    moved.Reset();
    refused.Reset();
    EXPECT_EQ(PictureBudget::InUse(), 2 * picture);
    ASSERT_TRUE(held[1].LoadFromMemory(file.data(), file.size()));
    held[2].Init(1, 1, Bitmap::kGrey8);  // a picture made anew holds nothing
    EXPECT_EQ(PictureBudget::InUse(), 2 * picture);

    // A picture larger than the whole budget is refused at once, even with a wait.
    PictureBudget::ScopedWait wait(60000);
    const std::vector<uint8_t> large = Tga(3, 1024, 1024, 8, 1024 * 1024);
    Bitmap tooLarge;
    EXPECT_FALSE(tooLarge.LoadFromMemory(large.data(), large.size()));
    EXPECT_EQ(Bitmap::LastLoadFailure(), Bitmap::LoadFailure::kNoBudget);
}

// A waiting reservation gets its room when another holder gives it back.
TEST_F(PictureBudgetTest, AWaitEndsWhenRoomIsGivenBack) {
    PictureBudget::SetLimit(1000);
    PictureBudget::Reservation first;
    ASSERT_TRUE(PictureBudget::Reserve(800, first));
    PictureBudget::Reservation second;
    EXPECT_FALSE(PictureBudget::Reserve(400, second)) << "no wait asked for";
    bool got = false;
    std::thread waiter([&] { got = PictureBudget::Reserve(400, second, 600000); });
    first.ShrinkTo(500);
    first.Release();
    waiter.join();
    EXPECT_TRUE(got);
    EXPECT_EQ(PictureBudget::InUse(), 400u);
    second.Release();
}

TEST_F(PictureBudgetTest, TheLimitComesFromTheEnvironment) {
    struct Case {
        const char* value;
        uint64_t limit;
    };
    const Case cases[] = {
        {"3", uint64_t(3) << 20},
        {"2048", uint64_t(2048) << 20},
        {"0", PictureBudget::kDefaultBytes},
        {"12x", PictureBudget::kDefaultBytes},
        {"", PictureBudget::kDefaultBytes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        setenv(PictureBudget::kEnvironmentVariable, c.value, 1);
        PictureBudget::SetLimit(0);
        EXPECT_EQ(PictureBudget::Limit(), c.limit);
    }
}

}  // namespace
