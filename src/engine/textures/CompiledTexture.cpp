#include "engine/textures/CompiledTexture.h"

#include <cstring>

#include "engine/meshfile/MeshFileSupport.h"

namespace Vek {

namespace {

bool WriteU32(File& file, uint32_t value) { return MeshFileSupport::WriteU32(file, value); }

struct Reader {
    const uint8_t* bytes;
    size_t size;
    size_t position = 0;
    // Bytes left before the end; never wraps, whatever the end was set to.
    size_t Left() const { return position < size ? size - position : 0; }
    bool U32(uint32_t& value) {
        if (Left() < 4) return false;
        std::memcpy(&value, bytes + position, 4);
        position += 4;
        return true;
    }
};

int FormatOfTarget(uint32_t target) {
    switch (target) {
        case 1: return Bitmap::kARGB32;
        case 3: return Bitmap::kXRGB32;
        case 5: return Bitmap::kRGB24;
        case 10: case 11: case 12: return Bitmap::kRaw;
        default: return Bitmap::kNone;
    }
}

}  // namespace

size_t CompiledTextureLevelBytes(uint32_t target, uint32_t width, uint32_t height) {
    const size_t blocks = static_cast<size_t>((width + 3) / 4) * ((height + 3) / 4);
    switch (target) {
        case 10: return blocks * 8;
        case 11: case 12: return blocks * 16;
        default: {
            const int format = FormatOfTarget(target);
            if (format == Bitmap::kNone) return 0;
            return static_cast<size_t>(width) * height * static_cast<size_t>(Bitmap::BytesPerPixel(format));
        }
    }
}

bool CompiledTexture::WriteBody(File& file) const {
    if (images.empty()) return false;
    const size_t levels = images[0].size();
    if (levels == 0 || levels > kMaxLevels) return false;
    for (const auto& image : images)
        if (image.size() != levels) return false;
    bool ok = WriteU32(file, kVersion) && WriteU32(file, target) && WriteU32(file, flags) &&
              WriteU32(file, static_cast<uint32_t>(images.size())) && WriteU32(file, static_cast<uint32_t>(levels));
    for (const auto& image : images) {
        for (const auto& level : image) {
            // A level in another format than the target's would be written
            // with a size its reader refuses.
            if (!ok || !level || level->GetFormat() != FormatOfTarget(target)) return false;
            const uint32_t width = static_cast<uint32_t>(level->GetWidth());
            const uint32_t height = static_cast<uint32_t>(level->GetHeight());
            const size_t expected = CompiledTextureLevelBytes(target, width, height);
            ok = WriteU32(file, width) && WriteU32(file, height) &&
                 WriteU32(file, static_cast<uint32_t>(level->GetFormat())) &&
                 WriteU32(file, static_cast<uint32_t>(expected));
            if (!ok) return false;
            if (level->GetFormat() == Bitmap::kRaw) {
                if (level->GetByteSize() != expected) return false;
                ok = file.Write(level->GetData(), expected) == expected;
            } else {
                const size_t rowBytes = static_cast<size_t>(width) * Bitmap::BytesPerPixel(level->GetFormat());
                for (uint32_t y = 0; ok && y < height; ++y)
                    ok = file.Write(level->GetData() + level->GetStride() * y, rowBytes) == rowBytes;
            }
        }
    }
    return ok;
}

bool CompiledTexture::Write(File& file) const {
    const int64_t mark = VIRFWriteHeader(file, "MMTF");
    return mark >= 0 && WriteBody(file) && MeshFileSupport::WriteSizeAtMark(file, mark);
}

bool CompiledTexture::Read(const uint8_t* bytes, size_t size, std::string& error) {
    images.clear();
    Reader in{bytes, size};
    uint32_t magic = 0, envelope = 0, type = 0, version = 0, imageCount = 0, levelCount = 0;
    if (!in.U32(magic) || std::memcmp(bytes, "VIRF", 4) != 0 || !in.U32(envelope) || !in.U32(type) ||
        std::memcmp(bytes + 8, "MMTF", 4) != 0) {
        error = "not a compiled texture";
        return false;
    }
    // The envelope counts the type tag already read: a smaller one would
    // end the file before the position reached.
    if (envelope < 4) {
        error = "the header is too small for its type";
        return false;
    }
    if (envelope > size - 8) {
        error = "the file is shorter than its header says";
        return false;
    }
    in.size = 8 + static_cast<size_t>(envelope);
    if (!in.U32(version) || version != kVersion) {
        error = "unknown compiled texture version";
        return false;
    }
    if (!in.U32(target) || !in.U32(flags) || !in.U32(imageCount) || !in.U32(levelCount)) {
        error = "truncated header";
        return false;
    }
    const int format = FormatOfTarget(target);
    if (format == Bitmap::kNone) {
        error = "unknown texture format";
        return false;
    }
    if (imageCount == 0 || levelCount == 0 || levelCount > kMaxLevels) {
        error = "bad image or level count";
        return false;
    }
    // Each level takes at least 16 header bytes: a count the file cannot hold is refused before allocating.
    if (static_cast<uint64_t>(imageCount) * levelCount * 16 > in.Left()) {
        error = "more levels than the file holds";
        return false;
    }
    for (uint32_t i = 0; i < imageCount; ++i) {
        std::vector<std::shared_ptr<const Bitmap>> levels;
        for (uint32_t l = 0; l < levelCount; ++l) {
            uint32_t width = 0, height = 0, levelFormat = 0, byteSize = 0;
            if (!in.U32(width) || !in.U32(height) || !in.U32(levelFormat) || !in.U32(byteSize)) {
                error = "truncated level header";
                return false;
            }
            if (width == 0 || height == 0 || width > Bitmap::kMaxSide || height > Bitmap::kMaxSide ||
                static_cast<int>(levelFormat) != format || byteSize != CompiledTextureLevelBytes(target, width, height)) {
                error = "bad level description";
                return false;
            }
            if (byteSize > in.Left()) {
                error = "level data past the end of the file";
                return false;
            }
            auto bitmap = std::make_shared<Bitmap>();
            if (!bitmap->Init(static_cast<int>(width), static_cast<int>(height), format, bytes + in.position,
                              byteSize)) {
                error = "bad level data";
                return false;
            }
            in.position += byteSize;
            levels.push_back(std::move(bitmap));
        }
        images.push_back(std::move(levels));
    }
    return true;
}

}  // namespace Vek
