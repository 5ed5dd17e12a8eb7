#pragma once
// DornDataBuffer: an abstract seekable data buffer with explicit result
// codes (0 success; see DornDataBufferFile for the others).
#include <cstdint>

#include <boost/noncopyable.hpp>

class DornDataBuffer : private boost::noncopyable {
public:
    enum Result : int32_t {
        kOk = 0,
        kNotAllowed = 1,    // not allowed in this access mode
        kFailed = 2,        // the file operation failed or was short
        kNoFile = 7,        // no open file
    };

    virtual ~DornDataBuffer();
    virtual uint64_t GetSize() const = 0;
    virtual int32_t SetSize(uint64_t size) = 0;
    virtual uint64_t GetPosition() const = 0;
    virtual int32_t Seek(uint64_t position) = 0;
    virtual int32_t Write(const void* data, uint64_t length) = 0;
    virtual int32_t Read(void* buffer, uint64_t length) = 0;
    // Does nothing here.
    virtual void Flush();
};
