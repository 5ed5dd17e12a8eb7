#include "foundation/soups/TDBBinaryFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/Alloc.h"
#include "foundation/soups/SoupLog.h"
#include "foundation/soups/TDBBinarySoup.h"
#include "foundation/streams/Stream.h"

namespace {

std::atomic<uint64_t> g_nextSerial{1};

uint32_t ReadWord(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

uint32_t BucketOf(uint32_t first, uint32_t second) { return (first ^ second) % TDBBinaryFile::kIndexBuckets; }

}  // namespace

TDBBinaryFile::TDBBinaryFile() : m_serial(g_nextSerial.fetch_add(1, std::memory_order_relaxed)) {}

TDBBinaryFile::~TDBBinaryFile() {
    ClearOverlay();
    FreeBody();
}

void TDBBinaryFile::FreeBody() {
    Vek::Alloc::Delete(m_bodyBlock);
    m_bodyBlock = nullptr;
    m_body = nullptr;
    m_bodySize = 0;
}

void TDBBinaryFile::ClearOverlay() {
    for (auto& bucket : m_index) bucket.clear();
    // Detach first: releasing an added chunk must not find a half-cleared list.
    Overlay old;
    old.Swap(m_overlay);
    old.Clear();
    m_edited = false;
    ++m_editGeneration;
}

bool TDBBinaryFile::Read(TStream& stream) {
    if (m_liveViews.load(std::memory_order_relaxed) > 0) {
        SoupLogPrintf("TDBBinaryFile::Read> the file still has views of an earlier read; not read again");
        return false;
    }
    ClearOverlay();
    FreeBody();

    uint8_t magic[4] = {0, 0, 0, 0};
    if (stream.Read(magic, 4) != 4) stream.SetError(TStream::kErrorPastEnd);
    int32_t reserved = 0;
    int32_t bodySize = 0;
    bool header = stream.ReadInt32(m_version, -1);
    header = stream.ReadInt32(reserved, 0) && header;
    header = stream.ReadInt32(bodySize, 0) && header;

    // A header cut short is a damaged file, not an empty soup.
    if (std::memcmp(magic, kMagic, 4) != 0 || bodySize < 0 || !header) return false;
    if (bodySize == 0) return true;

    int64_t start = stream.Tell();
    if (start + static_cast<int64_t>(bodySize) > static_cast<int64_t>(stream.Length())) return false;
    void* block = Vek::Alloc::New(static_cast<std::size_t>(bodySize) + 16);
    if (!block) return false;

    // The type-12 padding rule and the alignment of numbers are measured from
    // the body start, so the body itself starts on a 16-byte boundary.
    uintptr_t address = reinterpret_cast<uintptr_t>(block);
    uint8_t* body = static_cast<uint8_t*>(block) + ((16 - (address & 15)) & 15);
    int32_t got = stream.Read(body, bodySize);
    if (got != bodySize || stream.Tell() != start + bodySize ||
        !CheckEntries(body, static_cast<uint32_t>(bodySize))) {
        Vek::Alloc::Delete(block);
        return true;
    }
    m_bodyBlock = block;
    m_body = body;
    m_bodySize = bodySize;
    return true;
}

void TDBBinaryFile::Write(TStream&) {}

ChunkRef TDBBinaryFile::GetRoot() {
    if (!m_body || (m_version != 0 && m_version != 1)) return NullChunk();
    ChunkRef root = MakeCounted<TDBBinarySoup>(CountedRef<TDBBinaryFile>::Share(this), 0u,
                                               static_cast<uint32_t>(m_bodySize));
    return root ? root : NullChunk();
}

bool TDBBinaryFile::CheckEntries(const uint8_t* span, uint32_t size) {
    // The spans being checked, the outermost first: where the next entry of
    // each starts and where the span ends (offsets from `span`). A
    // container's value is checked before the entries after it, on a stack
    // of its own, so the depth of the input costs no depth of calls.
    struct Open {
        uint64_t offset;
        uint64_t end;
    };
    std::vector<Open> open{{0, size}};
    while (!open.empty()) {
        Open& level = open.back();
        const uint64_t remaining = level.end - level.offset;
        if (remaining <= 5) {
            open.pop_back();
            continue;
        }
        const uint8_t* entry = span + level.offset;
        uint64_t length = ReadWord(entry);
        uint64_t nameBytes = entry[4];
        if (nameBytes + 6 > remaining) return false;
        if (length < nameBytes + 2) return false;
        if (4 + length > remaining) return false;
        const uint64_t valueStart = level.offset + 6 + nameBytes;
        level.offset += 4 + length;
        if (entry[5 + nameBytes] == 0) {
            // The value's entries lie one level deeper (the root's are depth 0).
            if (static_cast<int>(open.size()) > kMaxDepth) return false;
            open.push_back({valueStart, valueStart + length - nameBytes - 2});
        }
    }
    return true;
}

bool TDBBinaryFile::EntryAt(uint32_t offset, uint32_t spanEnd, Entry& entry) const {
    if (!m_body || offset > spanEnd || spanEnd - offset <= 5) return false;
    ++m_entriesRead;
    const uint8_t* p = m_body + offset;
    uint32_t length = ReadWord(p);
    uint32_t nameBytes = p[4];
    uint64_t remaining = spanEnd - offset;
    // CheckEntries has vouched for the body; this only guards the reader
    // against using a span it never checked.
    if (nameBytes + 6u > remaining || length < nameBytes + 2 || 4 + static_cast<uint64_t>(length) > remaining)
        return false;
    const char* name = reinterpret_cast<const char*>(p + 5);
    const void* nul = std::memchr(name, 0, nameBytes);
    entry.start = offset;
    entry.next = offset + 4 + length;
    entry.name = name;
    entry.nameLength = nul ? static_cast<uint32_t>(static_cast<const char*>(nul) - name) : nameBytes;
    entry.type = p[5 + nameBytes];
    entry.valueStart = offset + 6 + nameBytes;
    entry.valueSize = length - nameBytes - 2;
    return true;
}

bool TDBBinaryFile::IsHidden(uint32_t valueStart, uint32_t spanStart) const {
    if (!m_edited) return false;
    for (const OverlayRecord* record : m_index[BucketOf(valueStart, spanStart)])
        if (record->first == valueStart && record->second == spanStart && !record->chunk) return true;
    return false;
}

void TDBBinaryFile::StoreRecord(uint32_t first, uint32_t second, ChunkRef chunk, const Vek::PString& name) {
    OverlayRecord* slot = nullptr;
    for (OverlayRecord& record : m_overlay) {
        if (record.IsFree()) {
            slot = &record;
            break;
        }
    }
    if (!slot) {
        m_overlay.Add(OverlayRecord());
        slot = m_overlay[m_overlay.Count() - 1];
    }
    slot->first = first;
    slot->second = second;
    slot->chunk = std::move(chunk);
    slot->name = name;
    m_index[BucketOf(first, second)].push_back(slot);
    m_edited = true;
    ++m_editGeneration;
}

void TDBBinaryFile::RemoveRecord(OverlayRecord* record) {
    auto& bucket = m_index[BucketOf(record->first, record->second)];
    bucket.erase(std::remove(bucket.begin(), bucket.end(), record), bucket.end());
    // Take the chunk out before releasing it, so that whatever its release
    // sets off finds the record already free.
    ChunkRef released = std::move(record->chunk);
    record->first = 0;
    record->second = 0;
    record->name = Vek::PString();
    ++m_editGeneration;

    // Drop free records from the end of the list.
    while (std::size_t count = m_overlay.Count()) {
        Overlay::Iterator last = m_overlay.Begin();
        last += static_cast<std::ptrdiff_t>(count - 1);
        if (!last->IsFree()) break;
        m_overlay.RemoveOrdered(last);
    }
    released.Release();
}

TDBBinaryFile::OverlayRecord* TDBBinaryFile::FindAddition(uint32_t spanStart, const ACSChunk* chunk) {
    for (OverlayRecord& record : m_overlay)
        if (record.first == 0 && record.second == spanStart && record.chunk.Get() == chunk) return &record;
    return nullptr;
}
