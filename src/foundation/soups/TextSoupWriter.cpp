#include "foundation/soups/TextSoupWriter.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "foundation/soups/ACSConverter.h"
#include "foundation/soups/TextSoupReader.h"
#include "foundation/streams/Stream.h"

namespace {

constexpr int kValueColumn = 40;
constexpr std::size_t kMaxNameLength = 1024;

// The text collected in memory and handed to the stream in large pieces:
// a soup is mostly short pieces (a name, a run of blanks, a number), and a
// stream call each costs more than the bytes.
class TextOut {
public:
    explicit TextOut(TStream& stream) : m_stream(stream) { m_text.reserve(kPiece + kPiece / 4); }
    ~TextOut() { Flush(); }
    TextOut(const TextOut&) = delete;
    TextOut& operator=(const TextOut&) = delete;

    std::string& Text() { return m_text; }
    // Bytes handed over and gathered so far.
    uint64_t Written() const { return m_flushed + m_text.size(); }
    void Append(std::string_view text) { m_text.append(text); }
    void Blanks(int count) {
        if (count > 0) m_text.append(static_cast<std::size_t>(count), ' ');
    }
    // Hands the text over once a piece has gathered.
    void Step() {
        if (m_text.size() >= kPiece) Flush();
    }
    void Flush() {
        for (std::size_t at = 0; at < m_text.size();) {
            const std::size_t part = std::min<std::size_t>(m_text.size() - at, 1u << 30);
            m_stream.Write(m_text.data() + at, static_cast<int32_t>(part));
            at += part;
        }
        m_flushed += m_text.size();
        m_text.clear();
    }

private:
    static constexpr std::size_t kPiece = 64 * 1024;
    TStream& m_stream;
    std::string m_text;
    uint64_t m_flushed = 0;
};

// The name as the writer writes it, appended.
void AppendTagName(std::string& out, const char* name) {
    const std::size_t start = out.size();
    const std::size_t length = name ? strnlen(name, kMaxNameLength) : 0;
    out.append(name ? name : "", length);
    for (std::size_t i = start; i < out.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(out[i]);
        if (byte >= 'A' && byte <= 'Z')
            out[i] = static_cast<char>(byte - 'A' + 'a');
        else if (byte <= 32 || byte >= 128 || byte == '}')
            out[i] = '_';
    }
    // The reader ends a name at '}' and takes a '{' that starts a line after
    // an empty tag as that tag's container, so neither may stand where the
    // reader would see it; a tag without a name would read its value as the
    // name.
    if (length == 0)
        out.push_back('_');
    else if (out[start] == '{')
        out[start] = '_';
}

// The value text: bytes up to the first NUL (a KUID's text carries one),
// double quotes turned into single quotes, quoted when asked or when it
// holds a blank, tab or line break. An empty text writes nothing.
void AppendTextValue(std::string& out, std::string_view text, bool quote) {
    if (text.empty()) return;
    const bool opened = quote;
    if (opened) out.push_back('"');
    const std::size_t first = out.size();
    out.append(text);
    for (std::size_t i = first; i < out.size(); ++i) {
        const char c = out[i];
        if (c == '"') out[i] = '\'';
        if (c == '\r' || c == '\n' || c == '\t' || c == ' ') quote = true;
    }
    if (!quote) return;
    if (!opened) out.insert(first, 1, '"');
    out.push_back('"');
}

// The text of a value: the standard kinds formatted in place, other kinds
// through their converter to text.
void AppendValueOf(std::string& out, const ChunkRef& chunk, int32_t kind) {
    switch (kind) {
        case ACSKind::kText: {
            const char* data = reinterpret_cast<const char*>(chunk->GetData());
            const int32_t size = chunk->GetSize();
            if (!data || size <= 0) return;
            AppendTextValue(out, std::string_view(data, strnlen(data, static_cast<std::size_t>(size))), true);
            return;
        }
        case ACSKind::kIntegers:
        case ACSKind::kFloats:
        case ACSKind::kKUID: {
            // The standard texts hold no quote, blank or line break, nor a
            // NUL before their end.
            AppendStandardText(kind, chunk->GetData(), chunk->GetSize(), out);
            return;
        }
        default: {
            RawDataRef text = ConvertChunkKind(kind, MakeChunkDataView(chunk), ACSKind::kText);
            AppendTextValue(out, TextOfBlock(text), false);
            return;
        }
    }
}

// The line of a value tag: indent, name, blanks to the value column, the
// value's text, the line end.
void WriteValueTag(TextOut& out, const ChunkChild& pair, int32_t kind, int indent) {
    std::string& text = out.Text();
    out.Blanks(indent);
    const std::size_t nameStart = text.size();
    AppendTagName(text, pair.name.c_str());
    const int nameLength = static_cast<int>(text.size() - nameStart);
    out.Blanks(std::max(1, kValueColumn - indent - nameLength));
    AppendValueOf(text, pair.chunk, kind);
    out.Append("\r\n");
}

// One container being written: its children from `next` on, indented by
// 2 x depth blanks.
struct Level {
    ChunkRef chunk;
    int depth;
    int32_t next;
    int32_t count;
};

// Writes the tags of `root` at depth 0, walking the tree with a list of
// open containers instead of nested calls, so that the depth of a soup
// never reaches the call stack. Stops before a container deeper than
// kMaxTextSoupDepth, and past the limit.
TextSoupWrite WriteTextContainers(TextOut& out, const ChunkRef& root, const SoupWalkLimit& limit) {
    std::vector<Level> open;
    open.push_back(Level{root, 0, 0, root->Count()});
    uint64_t nodes = 0;
    while (!open.empty()) {
        if (out.Written() > limit.bytes) return TextSoupWrite::kTooLarge;
        out.Step();
        Level& level = open.back();
        if (level.next >= level.count) {
            const int depth = level.depth;
            open.pop_back();
            if (open.empty()) break;
            // The end of a nested container's tag, and the line end its
            // parent writes after every tag.
            out.Blanks(2 * (depth - 1));
            out.Append("}\r\n");
            continue;
        }
        const int32_t i = level.next++;
        const ChunkChild* pair = level.chunk->ChildAt(i);
        if (!pair) continue;
        if (++nodes > limit.nodes) return TextSoupWrite::kTooLarge;
        const ChunkRef& child = pair->chunk;
        const int indent = 2 * level.depth;
        const int32_t kind = child->GetKind();
        if (kind != ACSKind::kContainer) {
            WriteValueTag(out, *pair, kind, indent);
            continue;
        }
        if (i != 0) {
            out.Blanks(indent);
            out.Append("\r\n");
        }
        if (level.depth + 1 > kMaxTextSoupDepth) return TextSoupWrite::kTooDeep;
        out.Blanks(indent);
        AppendTagName(out.Text(), pair->name.c_str());
        out.Append("\r\n");
        out.Blanks(indent);
        out.Append("{\r\n");
        const int depth = level.depth + 1;  // `level` goes stale with the push
        open.push_back(Level{child, depth, 0, child->Count()});
    }
    return out.Written() > limit.bytes ? TextSoupWrite::kTooLarge : TextSoupWrite::kWritten;
}

}  // namespace

std::string NormaliseTagName(const char* name) {
    std::string out;
    AppendTagName(out, name);
    return out;
}

bool WriteTextSoup(const SoupHandle& soup, TStream& stream) {
    return WriteTextSoupWithin(soup, stream, SoupWalkLimit{}) == TextSoupWrite::kWritten;
}

TextSoupWrite WriteTextSoupWithin(const SoupHandle& soup, TStream& stream, const SoupWalkLimit& limit) {
    if (!soup.GetRoot()) return TextSoupWrite::kWritten;
    // What was gathered goes to the stream on every way out, a refused soup
    // included (the caller drops it).
    TextOut out(stream);
    out.Append("\xEF\xBB\xBF\r\n");
    return WriteTextContainers(out, soup.GetRoot(), limit);
}
