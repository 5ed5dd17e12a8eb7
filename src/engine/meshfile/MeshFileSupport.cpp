#include "engine/meshfile/MeshFileSupport.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace Vek {

namespace {

// Reads a padded string's bytes; the position moves only on success.
bool ReadPaddedBytes(MemoryFile& file, std::string& text) {
    std::size_t start = file.GetPosition();
    uint32_t length = 0;
    if (!file.Read(length)) return false;
    uint64_t padded = (uint64_t(length) + 3) & ~uint64_t(3);
    if (length > MeshFileSupport::kMaxPaddedString || padded > file.Remaining()) {
        file.SetPosition(start);
        return false;
    }
    text.assign(reinterpret_cast<const char*>(file.GetData() + file.GetPosition()), length);
    file.Skip(static_cast<std::size_t>(padded));
    return true;
}

}  // namespace

bool MeshFileSupport::WritePaddedString(File& file, const char* text) {
    std::size_t length = text ? std::strlen(text) : 0;
    if (length > kMaxPaddedString) return false;
    if (!WriteU32(file, static_cast<uint32_t>(length))) return false;
    if (length && file.Write(text, length) != length) return false;
    static const char zeros[4] = {0, 0, 0, 0};
    std::size_t pad = (4 - length % 4) % 4;
    return pad == 0 || file.Write(zeros, pad) == pad;
}

bool MeshFileSupport::ReadPaddedString(MemoryFile& file, AnsiString& text) {
    std::string bytes;
    if (!ReadPaddedBytes(file, bytes)) return false;
    text = AnsiString(bytes.data(), bytes.size());
    return true;
}

bool MeshFileSupport::ReadPaddedString(MemoryFile& file, PString& text) {
    std::string bytes;
    if (!ReadPaddedBytes(file, bytes)) return false;
    text = PString(bytes.data(), bytes.size());
    return true;
}

char* MeshFileSupport::ReadPaddedString(MemoryFile& file) {
    std::string bytes;
    if (!ReadPaddedBytes(file, bytes)) return nullptr;
    char* copy = new char[bytes.size() + 1];
    std::memcpy(copy, bytes.data(), bytes.size());
    copy[bytes.size()] = '\0';
    return copy;
}

bool MeshFileSupport::WriteTag(File& file, const char* tag) {
    char bytes[4] = {0, 0, 0, 0};
    std::memcpy(bytes, tag, std::min<std::size_t>(4, std::strlen(tag)));
    return file.Write(bytes, 4) == 4;
}

int64_t MeshFileSupport::MarkSizePos(File& file) {
    int64_t mark = file.Tell();
    if (mark < 0 || !WriteU32(file, 0)) return -1;
    return mark;
}

bool MeshFileSupport::WriteSizeAtMark(File& file, int64_t mark) {
    int64_t end = file.Tell();
    if (mark < 0 || end < mark + 4) return false;
    uint64_t size = uint64_t(end - mark - 4);
    if (size > 0xFFFFFFFFu) return false;
    if (!file.Seek(mark, File::kSeekSet)) return false;
    bool written = WriteU32(file, static_cast<uint32_t>(size));
    return file.Seek(end, File::kSeekSet) && written;
}

int64_t MeshFileSupport::WriteVIRFHeader(File& file, const char* type) {
    if (!WriteTag(file, "VIRF")) return -1;
    int64_t mark = MarkSizePos(file);
    if (mark < 0 || !WriteTag(file, type)) return -1;
    return mark;
}

bool MeshFileSupport::ReadVIRFHeader(MemoryFile& file, const char* type, std::size_t& fileEnd) {
    if (!file.ReadTagIs("VIRF")) return false;
    uint32_t size = 0;
    file.Read(size);
    fileEnd = file.GetPosition() + size;
    return file.ReadTagIs(type);
}

}  // namespace Vek
