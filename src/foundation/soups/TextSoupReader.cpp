#include "foundation/soups/TextSoupReader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/files/PathRules.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/CodePage1252.h"
#include "foundation/soups/SoupLog.h"
#include "foundation/soups/TDBContainerTag.h"
#include "foundation/soups/TDBDataTag.h"
#include "foundation/streams/Stream.h"

namespace {

constexpr int kEnd = -1;
// A NUL byte: it ends the token it is in, like a line break, and reading
// goes on after it.
constexpr int kNul = -2;
constexpr std::size_t kMaxTagName = 511;
constexpr std::size_t kNumberCapacity = 32;
constexpr std::size_t kListCapacity = 256;

enum class ValueType { kNone, kContainer, kFloat, kInteger, kNumberList, kText };

// Classes of the bytes the scans stop at or step over, so that a scan
// tests one table entry per byte.
constexpr uint8_t kBlankByte = 1;      // ' ', '\t'
constexpr uint8_t kBreakByte = 2;      // '\r', '\n'
constexpr uint8_t kNulByte = 4;        // '\0'
constexpr uint8_t kCloseByte = 8;      // '}'
constexpr uint8_t kQuoteByte = 16;     // '"'
constexpr uint8_t kBackslashByte = 32;  // '\\'
constexpr std::array<uint8_t, 256> kByteClasses = [] {
    std::array<uint8_t, 256> classes{};
    classes[' '] = classes['\t'] = kBlankByte;
    classes['\r'] = classes['\n'] = kBreakByte;
    classes[0] = kNulByte;
    classes['}'] = kCloseByte;
    classes['"'] = kQuoteByte;
    classes['\\'] = kBackslashByte;
    return classes;
}();
// What ends a name: a blank, tab, line break, NUL or '}'.
constexpr uint8_t kNameEnd = kBlankByte | kBreakByte | kNulByte | kCloseByte;
// What lies between tags: blanks, tabs, line breaks and NULs.
constexpr uint8_t kSpace = kBlankByte | kBreakByte | kNulByte;
inline bool InClass(char b, uint8_t mask) { return (kByteClasses[static_cast<uint8_t>(b)] & mask) != 0; }
// The first position from `pos` on, before `size`, of a byte in the
// classes of `mask` (`size` when none is).
inline std::size_t FindClass(const char* data, std::size_t pos, std::size_t size, uint8_t mask) {
    while (pos < size && !InClass(data[pos], mask)) ++pos;
    return pos;
}
// The first position from `pos` on of a byte not in them.
inline std::size_t SkipClass(const char* data, std::size_t pos, std::size_t size, uint8_t mask) {
    while (pos < size && InClass(data[pos], mask)) ++pos;
    return pos;
}

bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsBlank(int c) { return c == ' ' || c == '\t'; }
bool IsLineBreak(int c) { return c == '\r' || c == '\n'; }
// A line break or a NUL: the end of a name, of an unquoted value and of
// the rest of a line.
bool IsLineEnd(int c) { return IsLineBreak(c) || c == kNul; }

// The names one container has had so far: a bitmap indexed by the interned
// nodes' ids, which are dense, so the set stays small and a name read in
// the order it was interned touches the bitmap in order. The reader keeps
// one per nesting level and reuses it, clearing only the words the last
// container set.
class SeenNames {
public:
    void Clear() {
        for (uint32_t word : m_used) m_bits[word] = 0;
        m_used.clear();
    }
    // True when `node` was there already; otherwise it is added.
    bool Insert(const Vek::PStringCache::Node* node) {
        const uint32_t id = node->id;
        const std::size_t word = id / 64;
        const uint64_t bit = uint64_t{1} << (id % 64);
        if (word >= m_bits.size()) m_bits.resize(std::max(word + 1, m_bits.size() * 2), 0);
        uint64_t& bits = m_bits[word];
        if (bits & bit) return true;
        if (!bits) m_used.push_back(static_cast<uint32_t>(word));
        bits |= bit;
        return false;
    }

private:
    std::vector<uint64_t> m_bits;
    std::vector<uint32_t> m_used;
};

// What a parse keeps beyond its stack: the input window and the name sets
// of the nesting levels. Each thread keeps one between parses, so that
// reading soup after soup does not allocate and free them every time (a
// large allocation also makes the allocator sort out every small block
// freed since the one before, such as a whole soup just destroyed).
struct ParserScratch {
    std::unique_ptr<char[]> window;
    std::size_t capacity = 0;
    std::vector<std::unique_ptr<SeenNames>> seen;
};

// The thread's scratch, lent to one parse at a time (a parse started while
// another runs on the thread gets its own).
struct ThreadScratch {
    ParserScratch scratch;
    bool lent = false;
    ~ThreadScratch();
};
// Set when the thread's scratch is gone (thread exit): a parse after that
// uses its own. A plain flag, valid to the end of the thread.
thread_local bool t_scratchGone = false;
thread_local ThreadScratch t_scratch;
ThreadScratch::~ThreadScratch() { t_scratchGone = true; }

// What a thread keeps after a parse: a window of ordinary size and the sets
// of the first few levels (each level's bitmap is as large as the largest
// name id it met).
constexpr std::size_t kKeptWindow = 256 * 1024;
constexpr std::size_t kKeptLevels = 8;

// A value classified as an integer, scanned as "%d" scans it (glibc reads
// it with strtol, which holds a number past the range at the nearest end,
// and keeps the low 32 bits); 0 when it holds no number. The text starts
// with a '-' or a digit (Classify), so from_chars reads what strtol reads.
int32_t ScanInt(const std::string& text) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) value = text[0] == '-' ? LONG_MIN : LONG_MAX;
    else if (error != std::errc()) value = 0;
    return static_cast<int32_t>(value);
}

// A number scanned as "%f" scans it (strtof); false when it holds none.
// Numbers here are a '-', digits and dots, which from_chars reads as strtof
// does in the C locale (both round correctly) and without the locale; one
// past a float's range (a long token of a number list) is left to strtof,
// which gives the infinity or the tiny value.
bool ScanFloat(std::string_view text, float& number) {
    const std::from_chars_result read = std::from_chars(text.data(), text.data() + text.size(), number);
    if (read.ec != std::errc::result_out_of_range) return read.ec == std::errc();
    const std::string copy(text);
    number = std::strtof(copy.c_str(), nullptr);
    return true;
}

// One container being read: its handle, its root once made, the names it
// has had so far, whether its text is UTF-8 (the byte-order mark is looked
// for where each container starts until one is found) and the name it gets
// in the container around it.
struct OpenContainer {
    SoupHandle soup;
    TDBContainerTag* root = nullptr;
    SeenNames* seen = nullptr;
    bool utf8 = false;
    Vek::PString name;
};

// Stores the tags of one container the way the handle's setters do (a
// repeated name removes the first tag of that name, the new tag goes last),
// without the setters' search for an earlier tag when the name is new to
// this container, so that reading n distinct tags costs n appends.
class ContainerBuilder {
public:
    explicit ContainerBuilder(OpenContainer& open) : m_open(open) {}

    // Each setter may take the name over, leaving `tag` empty.

    void SetEmpty(Vek::PString& tag) {
        if (Repeated(tag)) return m_open.soup.SetEmpty(tag);
        Append(tag, ACSKind::kEmpty, 0, nullptr);
    }
    void SetInt(Vek::PString& tag, int32_t value) {
        if (Repeated(tag)) return m_open.soup.SetInt(tag, value);
        Append(tag, ACSKind::kIntegers, 4, &value);
    }
    void SetFloat(Vek::PString& tag, float value) {
        if (Repeated(tag)) return m_open.soup.SetFloat(tag, value);
        Append(tag, ACSKind::kFloats, 4, &value);
    }
    void SetFloatArray(Vek::PString& tag, const SoupHandle::FloatArray& values) {
        if (Repeated(tag) || values.IsEmpty()) return m_open.soup.SetFloatArray(tag, values);
        Append(tag, ACSKind::kFloats, values.Count() * 4, values.Data());
    }
    void SetKUID(Vek::PString& tag, const KUID& kuid) {
        if (Repeated(tag)) return m_open.soup.SetKUID(tag, kuid);
        uint8_t record[KUID::kPackedRecordSize];
        kuid.ToPackedRecord(record);
        Append(tag, ACSKind::kKUID, KUID::kPackedRecordSize, record);
    }
    void SetString(Vek::PString& tag, const std::string& text) {
        if (Repeated(tag)) return m_open.soup.SetString(tag, text.c_str());
        std::size_t length = std::strlen(text.c_str());
        Append(tag, ACSKind::kText, length ? static_cast<int32_t>(length + 1) : 0, text.c_str());
    }
    void SetContainer(Vek::PString& tag, SoupHandle& child) {
        if (Repeated(tag)) return m_open.soup.SetContainer(tag, child);
        child.EnsureContainer();
        TDBContainerTag* root = Root();
        if (root && child.GetRoot()) root->AppendChild(std::move(tag), child.GetRoot());
    }

private:
    // True when the container already had a tag of that name.
    bool Repeated(const Vek::PString& tag) {
        const Vek::PStringCache::Node* node = tag.GetNode();
        return !node || m_open.seen->Insert(node);
    }
    // The handle's root, made on the first tag: the handle was cleared
    // before reading, so it is an editable container, which the handle
    // keeps for as long as the container is read.
    TDBContainerTag* Root() {
        if (!m_open.root) {
            m_open.soup.EnsureContainer();
            m_open.root = static_cast<TDBContainerTag*>(m_open.soup.GetRoot().Get());
        }
        return m_open.root;
    }
    // A new value of n bytes (none for 0) at the end.
    void Append(Vek::PString& tag, int32_t kind, int32_t n, const void* bytes) {
        TDBContainerTag* root = Root();
        if (!root) return;
        ChunkRef chunk = MakeDataTagCopy(kind, n, bytes);
        if (chunk) root->AppendChild(std::move(tag), std::move(chunk));
    }

    OpenContainer& m_open;
};

class TextSoupParser {
public:
    explicit TextSoupParser(TStream& stream) : m_stream(stream) {
        if (!t_scratchGone && !t_scratch.lent) {
            t_scratch.lent = true;
            m_scratch = &t_scratch.scratch;
        } else {
            m_ownScratch = std::make_unique<ParserScratch>();
            m_scratch = m_ownScratch.get();
        }
        m_data.swap(m_scratch->window);
        m_capacity = m_scratch->capacity;
    }
    ~TextSoupParser() {
        if (m_ownScratch) return;
        if (m_capacity <= kKeptWindow) {
            m_scratch->window.swap(m_data);
            m_scratch->capacity = m_capacity;
        }
        if (m_scratch->seen.size() > kKeptLevels) m_scratch->seen.resize(kKeptLevels);
        t_scratch.lent = false;
    }
    TextSoupParser(const TextSoupParser&) = delete;
    TextSoupParser& operator=(const TextSoupParser&) = delete;

    // Reads the tags into `soup`; false when containers nest deeper than
    // the limit. The open containers are kept on a stack of their own, so
    // the depth of the input costs no depth of calls.
    bool Read(SoupHandle& soup, bool utf8) {
        std::vector<OpenContainer>& open = m_open;
        open.clear();
        Open(utf8);
        // One name and one value are in hand at a time (a container's name
        // is interned before its tags are read), so every level shares them.
        std::string& name = m_name;
        std::string& value = m_value;
        for (;;) {
            ReadTagName(name);
            if (name.empty()) {
                if (open.size() == 1) break;
                // The container ends: it becomes a tag of the one around it.
                OpenContainer done = std::move(open.back());
                open.pop_back();
                ContainerBuilder(open.back()).SetContainer(done.name, done.soup);
                int c = SkipBlanks(true);
                if (c != '}') Unread(c);
                continue;
            }
            ContainerBuilder tags(open.back());
            // The name is interned once its value is read; the cache's table
            // was asked to load its place when the tag before was interned.
            Vek::PString tag;
            const auto intern = [&] {
                PrefetchNextName();
                tag = Vek::PString(name.c_str(), name.size());
            };
            switch (Classify()) {
                case ValueType::kNone:
                    intern();
                    tags.SetEmpty(tag);
                    break;
                case ValueType::kContainer: {
                    // The root is depth 0.
                    if (static_cast<int>(open.size()) > kMaxTextSoupDepth) return false;
                    intern();
                    const bool inUtf8 = open.back().utf8;
                    Open(inUtf8);
                    open.back().name = std::move(tag);
                    break;
                }
                case ValueType::kFloat: {
                    ReadValueTextFixed(value, kNumberCapacity);
                    float number = 0.0f;
                    if (!ScanFloat(value, number)) number = 0.0f;
                    intern();
                    tags.SetFloat(tag, number);
                    break;
                }
                case ValueType::kInteger: {
                    ReadValueTextFixed(value, kNumberCapacity);
                    const int32_t number = ScanInt(value);
                    intern();
                    tags.SetInt(tag, number);
                    break;
                }
                case ValueType::kNumberList:
                    intern();
                    StoreNumberList(tags, tag);
                    break;
                case ValueType::kText:
                    ReadValueText(value);
                    intern();
                    StoreText(tags, tag, value, open.back().utf8);
                    break;
            }
        }
        soup = std::move(open.back().soup);
        open.clear();
        return true;
    }

private:
    // Starts reading a container one level below the open ones (the root
    // when none is open).
    void Open(bool utf8) {
        const std::size_t depth = m_open.size();
        std::vector<std::unique_ptr<SeenNames>>& seen = m_scratch->seen;
        if (seen.size() <= depth) seen.push_back(std::make_unique<SeenNames>());
        OpenContainer& open = m_open.emplace_back();
        open.seen = seen[depth].get();
        open.seen->Clear();
        open.utf8 = utf8 || SkipByteOrderMark();
    }

    // The input is taken from the stream in blocks into a window that keeps
    // the bytes from the reading position on (and, while Classify looks
    // ahead, from where it started), so that the reader looks at bytes in
    // place, steps back and looks ahead without a call to the stream per
    // byte. The window stays one block in size unless a single look-ahead
    // needs more. Finish puts the stream where reading stopped.
    static constexpr std::size_t kBlock = 64 * 1024;
    static constexpr std::size_t kNoKeep = static_cast<std::size_t>(-1);

    // Reads more input; false when the stream has no more.
    bool Fill() {
        if (m_exhausted) return false;
        std::size_t keepFrom = m_pos;
        if (m_keep != kNoKeep) keepFrom = std::min(keepFrom, m_keep - m_base);
        if (keepFrom > 0) {
            std::memmove(m_data.get(), m_data.get() + keepFrom, m_size - keepFrom);
            m_base += keepFrom;
            m_pos -= keepFrom;
            m_size -= keepFrom;
        }
        if (m_capacity - m_size < kBlock / 2) {
            const std::size_t capacity = std::max(kBlock, m_capacity * 2);
            std::unique_ptr<char[]> grown(new char[capacity]);
            if (m_size) std::memcpy(grown.get(), m_data.get(), m_size);
            m_data = std::move(grown);
            m_capacity = capacity;
        }
        const std::size_t room = std::min<std::size_t>(m_capacity - m_size, 1u << 30);
        const int32_t got = m_stream.Read(m_data.get() + m_size, static_cast<int32_t>(room));
        if (got <= 0) {
            m_exhausted = true;
            return false;
        }
        m_size += static_cast<std::size_t>(got);
        return true;
    }
    // True when at least `n` bytes lie from the reading position on.
    bool Have(std::size_t n) {
        while (m_size - m_pos < n)
            if (!Fill()) return false;
        return true;
    }

    // The next byte, or kEnd at the end of input (which also records the
    // past-the-end error), or kNul for a NUL byte.
    int ReadChar() {
        if (m_ended) return kEnd;
        if (m_pos == m_size && !Fill()) {
            m_hitEnd = true;
            m_ended = true;
            return kEnd;
        }
        const uint8_t byte = static_cast<uint8_t>(m_data[m_pos++]);
        if (byte == 0) return kNul;
        return byte;
    }
    // Steps back over a byte that ReadChar returned (a NUL included; not
    // over the end).
    void Unread(int c) {
        if (c != kEnd) --m_pos;
    }
    // Positions count from where reading started.
    std::size_t Tell() const { return m_base + m_pos; }
    void Restore(std::size_t position) {
        m_pos = position - m_base;
        m_ended = false;
    }

    // Starts loading the name cache's table place of the name that follows
    // the reading position, when it lies whole in the window: that place
    // is mostly far from the processor, and interning the name in hand and
    // storing its tag meanwhile hide the wait. The name found is kept, with
    // its place, for ReadTagName. Only a hint: what it reads as the name
    // need not be one.
    void PrefetchNextName() {
        m_hint.length = kNoHint;
        const char* data = m_data.get();
        const std::size_t start = SkipClass(data, m_pos, m_size, kSpace);
        const std::size_t end = FindClass(data, start, std::min(m_size, start + sizeof m_hint.lowered), kNameEnd);
        if (end == m_size || end == start + sizeof m_hint.lowered) return;
        const std::size_t length = end - start;
        for (std::size_t i = 0; i < length; ++i) {
            const char b = data[start + i];
            m_hint.lowered[i] = b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b;
        }
        if (length == 0) return;
        m_hint.at = m_base + start;
        m_hint.length = length;
        Vek::PStringCache::Instance().Prefetch(m_hint.lowered, length);
    }

    bool SkipByteOrderMark() {
        if (Have(3) && static_cast<uint8_t>(m_data[m_pos]) == 0xEF && static_cast<uint8_t>(m_data[m_pos + 1]) == 0xBB &&
            static_cast<uint8_t>(m_data[m_pos + 2]) == 0xBF) {
            m_pos += 3;
            return true;
        }
        return false;
    }

    // Skips blanks and tabs (and line breaks when asked); returns the first
    // other byte, consumed.
    int SkipBlanks(bool skipLineBreaks) {
        for (;;) {
            if (m_ended) return kEnd;
            // The run of blanks in the window is stepped over in place (the
            // writer lines values up with dozens of blanks).
            const char* data = m_data.get();
            std::size_t pos = m_pos;
            // Eight blanks at a time first.
            constexpr uint64_t kEightBlanks = 0x2020202020202020ull;
            for (uint64_t word; pos + 8 <= m_size; pos += 8) {
                std::memcpy(&word, data + pos, 8);
                if (word != kEightBlanks) break;
            }
            pos = SkipClass(data, pos, m_size, skipLineBreaks ? kSpace : kBlankByte);
            m_pos = pos;
            const int c = ReadChar();  // refills the window, or records the end
            if (c == kEnd || !(IsBlank(c) || (skipLineBreaks && IsLineEnd(c)))) return c;
        }
    }

    void ReadTagName(std::string& name) {
        name.clear();
        int c = SkipBlanks(true);
        if (c == kEnd || c == '}') {
            Unread(c);
            return;
        }
        Unread(c);
        // The name PrefetchNextName found here, whole, is taken as it is.
        if (m_hint.length != kNoHint && m_hint.at == Tell()) {
            name.assign(m_hint.lowered, m_hint.length);
            m_pos += m_hint.length;
            m_hint.length = kNoHint;
            return;
        }
        // The name's bytes are taken a run at a time (the input may end in
        // the middle of a name, so a run stops at the buffer's end too).
        for (;;) {
            const std::size_t start = m_pos;
            const char* data = m_data.get();
            m_pos = FindClass(data, m_pos, m_size, kNameEnd);
            const std::size_t room = kMaxTagName - std::min(kMaxTagName, name.size());
            name.append(data + start, std::min(room, m_pos - start));
            if (m_pos < m_size || m_ended || !Fill()) break;
        }
        if (m_pos == m_size) {
            m_hitEnd = true;
            m_ended = true;
        }
        for (char& b : name)
            if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    }

    // Looks at the rest of the line without consuming it (a container's '{'
    // is consumed).
    // Every reader of a value (and of the next name) starts by skipping
    // blanks, so the position goes back to the first byte after them.
    ValueType Classify() {
        const std::size_t start = Tell();
        m_keep = start;
        std::size_t resume = start;
        ValueType type = ClassifyFrom(resume);
        m_keep = kNoKeep;
        if (type != ValueType::kContainer) Restore(resume);
        return type;
    }

    // `resume` becomes the position of the first byte after the blanks.
    ValueType ClassifyFrom(std::size_t& resume) {
        int c = SkipBlanks(false);
        if (c != kEnd) resume = Tell() - 1;
        if (IsLineEnd(c)) return SkipBlanks(true) == '{' ? ValueType::kContainer : ValueType::kNone;
        if (c == kEnd || c == '}') return ValueType::kNone;
        if (c == '"') return ValueType::kText;
        if (c == '{') return ValueType::kContainer;

        if (c == '-' || c == '.' || IsDigit(c)) {
            std::size_t valueStart = Tell() - 1;
            if (c == '-') c = ReadChar();
            bool dot = false;
            while (IsDigit(c) || c == '.') {
                dot = dot || c == '.';
                c = ReadChar();
            }
            while (IsBlank(c)) c = ReadChar();
            if (c == kEnd || IsLineEnd(c)) return dot ? ValueType::kFloat : ValueType::kInteger;
            Restore(valueStart);
        } else {
            Unread(c);
        }
        for (;;) {
            c = ReadChar();
            if (c == kEnd || IsLineEnd(c)) return ValueType::kNumberList;
            if (!(IsDigit(c) || IsBlank(c) || c == ',' || c == '-' || c == '.')) return ValueType::kText;
        }
    }

    // A value's text; see the header for the rules.
    void ReadValueText(std::string& value) {
        value.clear();
        int c = SkipBlanks(false);
        if (c == kEnd || IsLineEnd(c) || c == '}') {
            Unread(c);
            return;
        }
        if (c == '"') {
            // A NUL ends a quoted value too (a stored text ends at its NUL);
            // what follows it is read as the next tag.
            for (;;) {
                if (!TakeRun(value, kQuoteByte | kBreakByte)) return;  // the end
                c = ReadChar();
                if (c == '"' || c == kNul) return;
                int next = ReadChar();
                if (!(IsLineBreak(next) && next != c)) Unread(next);
                value += "\r\n";
            }
        }
        Unread(c);
        for (;;) {
            if (!TakeRun(value, kBreakByte | kCloseByte | kBackslashByte))
                return;  // the end of input
            c = ReadChar();
            if (c != '\\') {
                Unread(c);  // a line end or '}'
                return;
            }
            int next = ReadChar();
            if (next == 'n') {
                value += "\r\n";
                continue;
            }
            value.push_back('\\');
            Unread(next);
        }
    }

    // Appends the bytes from the reading position up to the first NUL or
    // byte in the classes of `stop` (left unread). False at the end of
    // input, which is then recorded as ReadChar records it.
    bool TakeRun(std::string& value, uint8_t stop) {
        for (;;) {
            const std::size_t start = m_pos;
            const std::size_t size = m_size;
            const char* data = m_data.get();
            m_pos = FindClass(data, m_pos, size, stop | kNulByte);
            value.append(data + start, m_pos - start);
            if (m_pos < size) return true;
            if (m_ended || !Fill()) {
                m_hitEnd = true;
                m_ended = true;
                return false;
            }
        }
    }

    // The same, keeping at most capacity - 1 bytes and dropping one
    // trailing backslash.
    void ReadValueTextFixed(std::string& value, std::size_t capacity) {
        ReadValueText(value);
        if (value.size() > capacity - 1) value.resize(capacity - 1);
        if (!value.empty() && value.back() == '\\') value.pop_back();
    }

    // Tokens split at blanks and commas, each scanned with "%f"; a token
    // that holds no number is skipped.
    void StoreNumberList(ContainerBuilder& tags, Vek::PString& tag) {
        std::string value;
        ReadValueTextFixed(value, kListCapacity);
        SoupHandle::FloatArray numbers;
        std::size_t i = 0;
        while (i < value.size()) {
            while (i < value.size() && (IsBlank(value[i]) || value[i] == ',')) ++i;
            std::size_t end = i;
            while (end < value.size() && !IsBlank(value[end]) && value[end] != ',') ++end;
            if (end > i) {
                float number = 0.0f;
                if (ScanFloat(std::string_view(value).substr(i, end - i), number)) numbers.Add(number);
            }
            i = end;
        }
        tags.SetFloatArray(tag, numbers);
    }

    static std::size_t CountOccurrences(const std::string& text, const char* word) {
        std::size_t count = 0;
        std::size_t length = std::strlen(word);
        for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + length)) ++count;
        return count;
    }

    static void StoreText(ContainerBuilder& tags, Vek::PString& tag, std::string& text, bool utf8) {
        // Every KUID text starts with '<'.
        if (text.empty() || text[0] != '<') return StorePlainText(tags, tag, text, utf8);
        std::size_t kuids = CountOccurrences(text, "<kuid:") + CountOccurrences(text, "<kuid2:");
        if (kuids <= 1 &&
            (MatchesPrefixNoCase("<KUID:", text.c_str()) || MatchesPrefixNoCase("<KUID2:", text.c_str()) ||
             MatchesPrefixNoCase("<NULL>", text.c_str()))) {
            tags.SetKUID(tag, KUID::Parse(text.c_str(), false));
            return;
        }
        StorePlainText(tags, tag, text, utf8);
    }

    static void StorePlainText(ContainerBuilder& tags, Vek::PString& tag, std::string& text, bool utf8) {
        if (!utf8 && CodePage1252::HasHighBytes(text)) text = CodePage1252::ToUtf8(text);
        tags.SetString(tag, text);
    }

public:
    // Puts the stream at the first byte not read and records the
    // past-the-end error when reading met the end of input.
    void Finish() {
        m_stream.SetPosition(m_start + static_cast<int32_t>(Tell()));
        if (m_hitEnd) m_stream.SetError(TStream::kErrorPastEnd);
    }

private:
    TStream& m_stream;
    // The window's memory and the names seen in the open container of each
    // nesting level: the thread's, or this parse's own.
    ParserScratch* m_scratch = nullptr;
    std::unique_ptr<ParserScratch> m_ownScratch;
    // The containers being read, the root first.
    std::vector<OpenContainer> m_open;
    std::string m_name;
    std::string m_value;
    int32_t m_start = m_stream.Tell();
    std::unique_ptr<char[]> m_data;  // the window: input from m_start + m_base on
    std::size_t m_base = 0;          // the position of m_data[0]
    std::size_t m_size = 0;          // bytes in m_data
    std::size_t m_capacity = 0;
    std::size_t m_keep = kNoKeep;    // a position Classify may return to
    std::size_t m_pos = 0;           // the reading position in m_data
    // The next name as PrefetchNextName found it: where it starts (counted
    // as Tell counts) and its bytes lower-cased; no name when the length is
    // kNoHint.
    static constexpr std::size_t kNoHint = static_cast<std::size_t>(-1);
    struct NameHint {
        std::size_t at = 0;
        std::size_t length = kNoHint;
        char lowered[64];
    } m_hint;
    bool m_exhausted = false;  // the stream gave its last byte
    bool m_ended = false;      // the end was met since the last Restore
    bool m_hitEnd = false;     // the end was met at all
};

}  // namespace

bool ParseTextSoup(SoupHandle& soup, TStream& stream, bool utf8) {
    soup.Clear();
    if (!stream.IsOpen()) return true;
    TextSoupParser parser(stream);
    const bool read = parser.Read(soup, utf8);
    parser.Finish();
    if (read) return true;
    soup.Clear();
    SoupLogPrintf("ParseTextSoup> containers nested deeper than %d; the text is taken as damaged",
                  kMaxTextSoupDepth);
    return false;
}
