#pragma once
// The blocking screen: a full-screen picture the main thread puts up while
// it is stuck waiting for the engine lock, drawn through the display of an
// attached display owner. Nothing in this program attaches one (it runs
// with a hidden window or the null renderer), so every operation finds no
// display and returns at once; the display interface below is what an
// owner would provide.
#include <cstdint>

#include "engine/PString.h"

// A rectangle in target pixels, top-left (x0, y0) to bottom-right (x1, y1).
struct ScreenRect {
    float x0 = 0.0f;
    float y0 = 0.0f;
    float x1 = 0.0f;
    float y1 = 0.0f;
};

// Where the picture goes on a target of `width` x `height`, for a picture
// laid out for 1280 x 768:
//   1  the design size, centred, not scaled
//   2  the largest 5:3 rectangle that fits, centred
//   3  scaled by max(W / 1280, H / 768), centred, covering the whole target
//   other  the whole target, stretched
ScreenRect ComputeFitRect(int32_t fitMode, float width, float height);

// What the screen needs of a display owner.
class BlockingScreenDisplay {
public:
    virtual ~BlockingScreenDisplay() = default;
    // Loads the picture from the resource folder "data" into a texture;
    // false when it cannot (the screen then shows nothing).
    virtual bool LoadPicture(const Vek::PString& imageName) = 0;
    // Frees the picture's texture and hands its texture stage back.
    virtual void FreePicture() = 0;
    virtual void GetTargetSize(float& width, float& height) = 0;
    // Saves the display state, draws the picture over `rect` as two
    // textured screen-space triangles inside a frame, and restores the
    // state.
    virtual void DrawPicture(const ScreenRect& rect) = 0;
    // Discards pending mouse and keyboard input and handles every other
    // pending message.
    virtual void DrainMessages() = 0;
};

class BlockingScreen {
public:
    static constexpr int32_t kDefaultFitMode = 3;

    static BlockingScreen& Instance();
    virtual ~BlockingScreen();
    BlockingScreen(const BlockingScreen&) = delete;
    BlockingScreen& operator=(const BlockingScreen&) = delete;

    // Attaches a display owner (null detaches); the program never does.
    void SetDisplay(BlockingScreenDisplay* display) { m_display = display; }

    // Counts one show; the first loads the picture and draws it.
    void Show();
    // Draws again and drains the display's message queue.
    void Update();
    // Uncounts one show; hides at 0 or below.
    void Release();
    // Frees the picture.
    void Hide();

    int32_t ShowCount() const { return m_showCount; }
    int32_t FitMode() const { return m_fitMode; }
    void SetFitMode(int32_t fitMode) { m_fitMode = fitMode; }
    const Vek::PString& ImageName() const { return m_imageName; }
    bool HasPicture() const { return m_pictureLoaded; }

private:
    BlockingScreen();
    void Draw();

    BlockingScreenDisplay* m_display = nullptr;
    Vek::PString m_imageName;
    int32_t m_fitMode = kDefaultFitMode;
    int32_t m_showCount = 0;
    bool m_pictureLoaded = false;
};
