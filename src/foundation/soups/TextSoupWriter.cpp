#include "foundation/soups/TextSoupWriter.h"

#include <algorithm>
#include <vector>

#include "foundation/soups/ACSConverter.h"
#include "foundation/soups/TextSoupReader.h"
#include "foundation/streams/Stream.h"

namespace {

constexpr int kValueColumn = 40;
constexpr std::size_t kMaxNameLength = 1024;

void WriteText(TStream& stream, std::string_view text) {
    if (!text.empty()) stream.Write(text.data(), static_cast<int32_t>(text.size()));
}

void WriteBlanks(TStream& stream, int count) {
    static const std::string kBlanks(256, ' ');
    while (count > 0) {
        const int part = std::min(count, static_cast<int>(kBlanks.size()));
        stream.Write(kBlanks.data(), part);
        count -= part;
    }
}

// The value text: bytes up to the first NUL (a KUID's text carries one),
// double quotes turned into single quotes, quoted when asked or when it
// holds a blank, tab or line break. An empty text writes nothing.
void WriteTextValue(TStream& stream, std::string_view text, bool quote) {
    if (text.empty()) return;
    std::string value(text);
    for (char& c : value) {
        if (c == '"') c = '\'';
        if (c == '\r' || c == '\n' || c == '\t' || c == ' ') quote = true;
    }
    if (quote) value = '"' + value + '"';
    WriteText(stream, value);
}

// The name line of a value tag: indent, name, blanks to the value column,
// the value's text.
void WriteValueTag(TStream& stream, const ChunkRef& chunk, const std::string& tagName, int indent) {
    WriteBlanks(stream, indent);
    WriteText(stream, tagName);
    int32_t kind = chunk->GetKind();
    RawDataRef text = ConvertChunkKind(kind, MakeChunkDataView(chunk), ACSKind::kText);
    WriteBlanks(stream, std::max(1, kValueColumn - indent - static_cast<int>(tagName.size())));
    WriteTextValue(stream, TextOfBlock(text), kind == ACSKind::kText);
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
// never reaches the call stack. Stops, false, before a container deeper
// than kMaxTextSoupDepth.
bool WriteTextContainers(TStream& stream, const ChunkRef& root) {
    std::vector<Level> open;
    open.push_back(Level{root, 0, 0, root->Count()});
    while (!open.empty()) {
        Level& level = open.back();
        if (level.next >= level.count) {
            const int depth = level.depth;
            open.pop_back();
            if (open.empty()) break;
            // The end of a nested container's tag, and the line end its
            // parent writes after every tag.
            WriteBlanks(stream, 2 * (depth - 1));
            WriteText(stream, "}\r\n");
            continue;
        }
        const int32_t i = level.next++;
        const ChunkChild* pair = level.chunk->ChildAt(i);
        if (!pair) continue;
        const Vek::PString& name = pair->name;
        const ChunkRef& child = pair->chunk;
        const int indent = 2 * level.depth;
        std::string tagName = NormaliseTagName(name.c_str());
        if (child->GetKind() != ACSKind::kContainer) {
            WriteValueTag(stream, child, tagName, indent);
            WriteText(stream, "\r\n");
            continue;
        }
        if (i != 0) {
            WriteBlanks(stream, indent);
            WriteText(stream, "\r\n");
        }
        if (level.depth + 1 > kMaxTextSoupDepth) return false;
        WriteBlanks(stream, indent);
        WriteText(stream, tagName);
        WriteText(stream, "\r\n");
        WriteBlanks(stream, indent);
        WriteText(stream, "{\r\n");
        const int depth = level.depth + 1;  // `level` goes stale with the push
        open.push_back(Level{child, depth, 0, child->Count()});
    }
    return true;
}

}  // namespace

std::string NormaliseTagName(const char* name) {
    std::string out(name ? name : "");
    if (out.size() > kMaxNameLength) out.resize(kMaxNameLength);
    for (char& c : out) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 'A' && byte <= 'Z')
            c = static_cast<char>(byte - 'A' + 'a');
        else if (byte <= 32 || byte >= 128 || byte == '}')
            c = '_';
    }
    // The reader ends a name at '}' and takes a '{' that starts a line after
    // an empty tag as that tag's container, so neither may stand where the
    // reader would see it; a tag without a name would read its value as the
    // name.
    if (out.empty())
        out = "_";
    else if (out[0] == '{')
        out[0] = '_';
    return out;
}

bool WriteTextSoup(const SoupHandle& soup, TStream& stream) {
    if (!soup.GetRoot()) return true;
    WriteText(stream, "\xEF\xBB\xBF\r\n");
    return WriteTextContainers(stream, soup.GetRoot());
}
