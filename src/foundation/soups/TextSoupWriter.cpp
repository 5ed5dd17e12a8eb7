#include "foundation/soups/TextSoupWriter.h"

#include <algorithm>

#include "foundation/soups/ACSConverter.h"
#include "foundation/streams/Stream.h"

namespace {

constexpr int kValueColumn = 40;
constexpr std::size_t kMaxNameLength = 1024;

void WriteText(TStream& stream, std::string_view text) {
    if (!text.empty()) stream.Write(text.data(), static_cast<int32_t>(text.size()));
}

void WriteBlanks(TStream& stream, int count) {
    if (count > 0) WriteText(stream, std::string(static_cast<std::size_t>(count), ' '));
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

void WriteTextContainer(TStream& stream, const ChunkRef& chunk, int depth);

void WriteTextTag(TStream& stream, const ChunkRef& chunk, const Vek::PString& name, int depth) {
    std::string tagName = NormaliseTagName(name.c_str());
    int indent = 2 * depth;
    WriteBlanks(stream, indent);
    WriteText(stream, tagName);

    int32_t kind = chunk->GetKind();
    if (kind == ACSKind::kContainer) {
        WriteText(stream, "\r\n");
        WriteBlanks(stream, indent);
        WriteText(stream, "{\r\n");
        WriteTextContainer(stream, chunk, depth + 1);
        WriteBlanks(stream, indent);
        WriteText(stream, "}");
        return;
    }

    RawDataRef text = ConvertChunkKind(kind, MakeChunkDataView(chunk), ACSKind::kText);
    WriteBlanks(stream, std::max(1, kValueColumn - indent - static_cast<int>(tagName.size())));
    WriteTextValue(stream, TextOfBlock(text), kind == ACSKind::kText);
}

void WriteTextContainer(TStream& stream, const ChunkRef& chunk, int depth) {
    int32_t count = chunk->Count();
    Vek::PString name;
    ChunkRef child;
    for (int32_t i = 0; i < count; ++i) {
        if (!chunk->GetChildAt(i, name, child)) continue;
        if (child->GetKind() == ACSKind::kContainer && i != 0) {
            WriteBlanks(stream, 2 * depth);
            WriteText(stream, "\r\n");
        }
        WriteTextTag(stream, child, name, depth);
        WriteText(stream, "\r\n");
    }
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

void WriteTextSoup(const SoupHandle& soup, TStream& stream) {
    if (!soup.GetRoot()) return;
    WriteText(stream, "\xEF\xBB\xBF\r\n");
    WriteTextContainer(stream, soup.GetRoot(), 0);
}
