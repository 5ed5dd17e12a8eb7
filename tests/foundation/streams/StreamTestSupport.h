#pragma once
// Helpers shared by the stream tests: file contents in and out, and streams
// that count the moves and raw reads they make.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/streams/BufferStream.h"
#include "foundation/streams/FileStream.h"

namespace StreamTest {

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Bytes 0, 1, 2 ... 255, 0, 1 ... so every position is recognisable.
inline std::vector<uint8_t> CountingBytes(std::size_t n) {
    std::vector<uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i);
    return bytes;
}

inline std::vector<uint8_t> Contents(const TBuffer& buffer) {
    return std::vector<uint8_t>(buffer.GetData(), buffer.GetData() + buffer.GetDataSize());
}

// Records every raw move and every raw read request of a stream class.
template <class Base>
class Recording : public Base {
public:
    using Base::Base;
    int seeks = 0;
    std::vector<int32_t> readRequests;

    int32_t ReadRaw(void* destination, int32_t n) override {
        readRequests.push_back(n);
        return Base::ReadRaw(destination, n);
    }

protected:
    bool SeekRaw(int32_t offset, int origin) override {
        ++seeks;
        return Base::SeekRaw(offset, origin);
    }
};

using RecordingBuffer = Recording<TBuffer>;
using RecordingFile = Recording<TFile>;

// Mode for a file that is both read and written, created empty.
constexpr uint32_t kModeReadWriteNew = Vek::File::kModeRead | Vek::File::kModeWrite | Vek::File::kModeCreate;
// Mode for an existing file that is both read and written.
constexpr uint32_t kModeReadWrite = Vek::File::kModeRead | Vek::File::kModeWrite;

}  // namespace StreamTest
