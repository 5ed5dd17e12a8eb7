#include "foundation/threads/BlockingScreen.h"

#include <algorithm>

namespace {

constexpr float kDesignWidth = 1280.0f;
constexpr float kDesignHeight = 768.0f;

ScreenRect Centred(float width, float height, float sizeX, float sizeY) {
    ScreenRect rect;
    rect.x0 = (width - sizeX) * 0.5f;
    rect.y0 = (height - sizeY) * 0.5f;
    rect.x1 = rect.x0 + sizeX;
    rect.y1 = rect.y0 + sizeY;
    return rect;
}

}  // namespace

ScreenRect ComputeFitRect(int32_t fitMode, float width, float height) {
    switch (fitMode) {
        case 1:
            return Centred(width, height, kDesignWidth, kDesignHeight);
        case 2:
            return Centred(width, height, std::min(width, height * 1.6666667f), std::min(height, width * 0.6f));
        case 3: {
            float scale = std::max(width / kDesignWidth, height / kDesignHeight);
            return Centred(width, height, kDesignWidth * scale, kDesignHeight * scale);
        }
        default:
            return ScreenRect{0.0f, 0.0f, width, height};
    }
}

BlockingScreen& BlockingScreen::Instance() {
    static BlockingScreen screen;
    return screen;
}

BlockingScreen::BlockingScreen() : m_imageName("BlockingScreen.jpg") {}

BlockingScreen::~BlockingScreen() { Hide(); }

void BlockingScreen::Show() {
    if (!m_display) return;
    if (++m_showCount > 1) return;
    if (!m_pictureLoaded) m_pictureLoaded = m_display->LoadPicture(m_imageName);
    if (m_pictureLoaded) Draw();
}

void BlockingScreen::Update() {
    if (!m_display) return;
    Draw();
    m_display->DrainMessages();
}

void BlockingScreen::Release() {
    if (!m_display) return;
    if (--m_showCount <= 0) Hide();
}

void BlockingScreen::Hide() {
    if (m_pictureLoaded && m_display) m_display->FreePicture();
    m_pictureLoaded = false;
}

void BlockingScreen::Draw() {
    float width = 0.0f;
    float height = 0.0f;
    m_display->GetTargetSize(width, height);
    m_display->DrawPicture(ComputeFitRect(m_fitMode, width, height));
}
