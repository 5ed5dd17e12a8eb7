#include "foundation/soups/TDBBinarySoup.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "foundation/soups/CodePage1252.h"
#include "foundation/soups/TDBContainerTag.h"
#include "foundation/soups/TDBDataChunk.h"
#include "foundation/soups/TDBDataTag.h"

namespace {

// A text of a version-0 file, converted to UTF-8: an editable value that
// also remembers which entry of which file it came from, so that removing
// it from its container hides that entry.
class TDBDecodedText : public TDBDataTag {
public:
    TDBDecodedText(RawDataRef block, uint64_t fileSerial, uint32_t valuePosition)
        : TDBDataTag(ACSKind::kText, std::move(block)), m_fileSerial(fileSerial), m_valuePosition(valuePosition) {}

    uint64_t FileSerial() const { return m_fileSerial; }
    uint32_t ValuePosition() const { return m_valuePosition; }

private:
    uint64_t m_fileSerial;
    uint32_t m_valuePosition;
};

}  // namespace

TDBBinarySoup::TDBBinarySoup(CountedRef<TDBBinaryFile> file, uint32_t spanStart, uint32_t spanSize)
    : m_file(std::move(file)), m_spanStart(spanStart), m_spanSize(spanSize) {
    m_file->ViewMade();
}

TDBBinarySoup::~TDBBinarySoup() { m_file->ViewGone(); }

bool TDBBinarySoup::NextVisible(uint32_t offset, Entry& entry) const {
    while (m_file->EntryAt(offset, SpanEnd(), entry)) {
        if (!m_file->IsHidden(entry.valueStart, m_spanStart)) return true;
        offset = entry.next;
    }
    return false;
}

ChunkRef TDBBinarySoup::Decode(const Entry& entry) const {
    uint32_t v = entry.valueStart;
    uint32_t n = entry.valueSize;
    ChunkRef made;
    switch (entry.type) {
        case 0:
            made = MakeCounted<TDBBinarySoup>(m_file, v, n);
            break;
        case 1:
            made = MakeCounted<TDBDataChunk>(m_file, ACSKind::kIntegers, v, n, v);
            break;
        case 2:
            made = MakeCounted<TDBDataChunk>(m_file, ACSKind::kFloats, v, n, v);
            break;
        case 4:
            made = MakeCounted<TDBDataChunk>(m_file, ACSKind::kRaw, v, n, v);
            break;
        case 13:
            made = MakeCounted<TDBDataChunk>(m_file, ACSKind::kKUID, v, n, v);
            break;
        case 12: {
            uint32_t padded = (v + 15) & ~15u;
            uint32_t skipped = padded - v;
            made = MakeCounted<TDBDataChunk>(m_file, ACSKind::kRaw, padded, n > skipped ? n - skipped : 0, v);
            break;
        }
        case 3:
            if (m_file->GetVersion() != 0 || n == 0) {
                made = MakeCounted<TDBDataChunk>(m_file, ACSKind::kText, v, n, v);
            } else {
                // Version 0: Windows-1252. Only the text before its first NUL
                // (and never past the value) is converted; a NUL is appended.
                const char* bytes = reinterpret_cast<const char*>(m_file->Body() + v);
                std::string_view value(bytes, n);
                std::string_view text = value.substr(0, std::min<std::size_t>(value.find('\0'), n));
                std::string buffer;
                if (CodePage1252::HasHighBytes(text)) {
                    buffer = CodePage1252::ToUtf8(text);
                    buffer.push_back('\0');
                } else {
                    buffer.assign(value);
                }
                buffer.push_back('\0');
                made = MakeCounted<TDBDecodedText>(
                    MakeRawDataCopy(static_cast<int32_t>(buffer.size()), buffer.data()), m_file->Serial(), v);
            }
            break;
        default:
            made = MakeCounted<TDBDataChunk>(m_file, ACSKind::kEmpty, v, 0, v);
            break;
    }
    return made ? made : NullChunk();
}

bool TDBBinarySoup::DecodedPosition(const ACSChunk* chunk, uint32_t& valueStart) const {
    if (auto* soup = dynamic_cast<const TDBBinarySoup*>(chunk)) {
        if (soup->GetFile() != m_file.Get()) return false;
        valueStart = soup->GetSpanStart();
        return true;
    }
    if (auto* data = dynamic_cast<const TDBDataChunk*>(chunk)) {
        if (data->GetFile() != m_file.Get()) return false;
        valueStart = data->GetValuePosition();
        return true;
    }
    if (auto* text = dynamic_cast<const TDBDecodedText*>(chunk)) {
        if (text->FileSerial() != m_file->Serial()) return false;
        valueStart = text->ValuePosition();
        return true;
    }
    return false;
}

ChunkRef TDBBinarySoup::GetChild(const Vek::PString& name) const {
    Entry entry;
    for (uint32_t offset = m_spanStart; NextVisible(offset, entry); offset = entry.next) {
        if (entry.nameLength == name.Length() && std::memcmp(entry.name, name.c_str(), entry.nameLength) == 0)
            return Decode(entry);
    }
    ChunkRef found;
    m_file->ForEachAddition(m_spanStart, [&](const TDBBinaryFile::OverlayRecord& record) {
        if (record.name != name) return true;
        found = record.chunk;
        return false;
    });
    return found ? found : NullChunk();
}

int32_t TDBBinarySoup::Count() const {
    if (m_count >= 0 && m_countGeneration == m_file->EditGeneration()) return m_count;
    int32_t count = 0;
    Entry entry;
    for (uint32_t offset = m_spanStart; NextVisible(offset, entry); offset = entry.next) ++count;
    m_file->ForEachAddition(m_spanStart, [&](const TDBBinaryFile::OverlayRecord&) {
        ++count;
        return true;
    });
    m_count = count;
    m_countGeneration = m_file->EditGeneration();
    return count;
}

bool TDBBinarySoup::GetChildAt(int32_t index, Vek::PString& name, ChunkRef& chunk) const {
    if (index < 0) return ACSChunk::GetChildAt(index, name, chunk);

    int32_t at = 0;
    uint32_t offset = m_spanStart;
    if (m_cursorIndex >= 0 && m_cursorIndex <= index && m_cursorGeneration == m_file->EditGeneration()) {
        at = m_cursorIndex;
        offset = m_cursorOffset;
    }
    Entry entry;
    while (NextVisible(offset, entry)) {
        if (at == index) {
            m_cursorIndex = at;
            m_cursorOffset = entry.start;
            m_cursorGeneration = m_file->EditGeneration();
            name = Vek::PString(entry.name, entry.nameLength);
            chunk = Decode(entry);
            return true;
        }
        ++at;
        offset = entry.next;
    }

    // Past the visible entries: the additions, in list order.
    int32_t k = index - at;
    bool found = false;
    m_file->ForEachAddition(m_spanStart, [&](const TDBBinaryFile::OverlayRecord& record) {
        if (k-- > 0) return true;
        name = record.name;
        chunk = record.chunk;
        found = true;
        return false;
    });
    if (!found) return ACSChunk::GetChildAt(index, name, chunk);
    return true;
}

const ChunkChild* TDBBinarySoup::ChildAt(int32_t index) const {
    return GetChildAt(index, m_lent.name, m_lent.chunk) ? &m_lent : nullptr;
}

void TDBBinarySoup::AppendChild(const Vek::PString& name, ChunkRef chunk) {
    if (!chunk) return;
    if (m_file->FindAddition(m_spanStart, chunk.Get())) return;
    m_file->StoreRecord(0, m_spanStart, std::move(chunk), name);
}

void TDBBinarySoup::RemoveChild(ChunkRef chunk) {
    if (!chunk || IsNullChunk(chunk)) return;
    if (TDBBinaryFile::OverlayRecord* record = m_file->FindAddition(m_spanStart, chunk.Get())) {
        m_file->RemoveRecord(record);
        return;
    }
    uint32_t position = 0;
    if (!DecodedPosition(chunk.Get(), position)) return;
    Entry entry;
    for (uint32_t offset = m_spanStart; NextVisible(offset, entry); offset = entry.next) {
        if (entry.valueStart == position) {
            m_file->StoreRecord(position, m_spanStart, nullptr, Vek::PString());
            return;
        }
    }
}

ChunkRef TDBBinarySoup::CreateChunk(int32_t kind, RawDataRef block) {
    return CreateEditableChunk(kind, std::move(block));
}
