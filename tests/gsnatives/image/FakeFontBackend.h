#pragma once
// A scripted font back end: faces named in `refused` cannot be made (with
// the character sets listed, or with any when the list is empty); every
// font has the given metrics, each character is `width` pixels of black box
// with one pixel of bearing on either side, and drawing a character paints
// its black box white over the whole cell height.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/bitmap/Bitmap.h"
#include "gsnatives/fonts/FontBackend.h"

namespace GSNativesTest {

class FakeFontBackend : public GSNatives::FontBackend {
public:
    struct Refusal {
        std::string face;
        int charset;  // -1: every set
    };
    std::vector<Refusal> refused;
    GSNatives::FontMetrics metrics{10, 8};
    int width = 5;
    std::map<uint32_t, int> widths;  // characters of other widths
    std::vector<GSNatives::FontRequest> requests;
    int drawn = 0;  // characters drawn by any font

    std::unique_ptr<GSNatives::BackendFont> CreateFont(const GSNatives::FontRequest& request) override {
        requests.push_back(request);
        for (const Refusal& refusal : refused)
            if (refusal.face == request.face && (refusal.charset < 0 || refusal.charset == request.charset))
                return nullptr;
        return std::make_unique<Font>(*this);
    }

private:
    class Font : public GSNatives::BackendFont {
    public:
        explicit Font(FakeFontBackend& owner) : m_owner(owner) {}
        bool GetTextMetrics(GSNatives::FontMetrics& metrics) override {
            metrics = m_owner.metrics;
            return true;
        }
        bool GetCharWidths(uint32_t character, GSNatives::CharWidths& widths) override {
            const auto found = m_owner.widths.find(character);
            widths = {1, found != m_owner.widths.end() ? found->second : m_owner.width, 1};
            return true;
        }
        void TextOut(uint32_t character, Vek::Bitmap& target) override {
            ++m_owner.drawn;
            GSNatives::CharWidths widths;
            GetCharWidths(character, widths);
            for (int y = 0; y < m_owner.metrics.height; ++y)
                for (int x = widths.a; x < widths.a + widths.b; ++x) target.SetPixel(x, y, 0x00FFFFFF);
        }

    private:
        FakeFontBackend& m_owner;
    };
};

}  // namespace GSNativesTest
