#include "SoupNotation.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "foundation/kuid/KUID.h"
#include "foundation/soups/ACSConverter.h"
#include "foundation/soups/ACSRawData.h"

namespace UpgradeTest {

namespace {

std::vector<std::string> Tokens(const std::string& text) {
    std::vector<std::string> tokens;
    for (std::size_t i = 0; i < text.size();) {
        if (std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        if (text[i] == '"') {
            end = text.find('"', i + 1);
            if (end == std::string::npos) throw std::invalid_argument("unterminated text");
            ++end;
        } else {
            while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
        }
        tokens.push_back(text.substr(i, end - i));
        i = end;
    }
    return tokens;
}

void Append(const ChunkRef& parent, const std::string& name, int32_t kind, const void* bytes, std::size_t size) {
    parent->AppendChild(Vek::PString(name.c_str()),
                        parent->CreateChunk(kind, size ? MakeRawDataCopy(static_cast<int32_t>(size), bytes) : nullptr));
}

std::size_t ParseInto(const ChunkRef& parent, const std::vector<std::string>& tokens, std::size_t at) {
    while (at < tokens.size() && tokens[at] != "}") {
        const std::string& name = tokens[at++];
        if (at >= tokens.size()) throw std::invalid_argument("no value for " + name);
        const std::string& value = tokens[at++];
        if (value == "{") {
            ChunkRef child = parent->CreateChunk(ACSKind::kContainer, nullptr);
            at = ParseInto(child, tokens, at);
            if (at >= tokens.size()) throw std::invalid_argument("unclosed " + name);
            ++at;
            parent->AppendChild(Vek::PString(name.c_str()), child);
        } else if (value[0] == '"') {
            const std::string text = value.substr(1, value.size() - 2);
            Append(parent, name, ACSKind::kText, text.c_str(), text.empty() ? 0 : text.size() + 1);
        } else if (value[0] == '<') {
            uint8_t record[KUID::kPackedRecordSize];
            KUID::Parse(value.c_str(), true).ToPackedRecord(record);
            Append(parent, name, ACSKind::kKUID, record, sizeof record);
        } else if (value[0] == '[') {
            std::vector<float> floats;
            for (std::size_t p = 1; p < value.size() - 1;) {
                std::size_t used = 0;
                floats.push_back(std::stof(value.substr(p), &used));
                p += used + 1;
            }
            Append(parent, name, ACSKind::kFloats, floats.data(), floats.size() * 4);
        } else if (value.find('.') != std::string::npos) {
            const float f = std::stof(value);
            Append(parent, name, ACSKind::kFloats, &f, 4);
        } else {
            const int32_t n = std::stoi(value);
            Append(parent, name, ACSKind::kIntegers, &n, 4);
        }
    }
    return at;
}

std::string Float(float f) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", f);
    std::string out = text;
    if (out.find_first_of(".e") == std::string::npos) out += ".0";
    return out;
}

std::string Value(const ChunkRef& tag);

// The tags of a container, "name value" each, separated by blanks.
std::string Tags(const ChunkRef& chunk) {
    std::string out;
    for (int32_t i = 0; i < chunk->Count(); ++i) {
        Vek::PString name;
        ChunkRef tag;
        chunk->GetChildAt(i, name, tag);
        if (!out.empty()) out += " ";
        out += std::string(name.c_str()) + " " + Value(tag);
    }
    return out;
}

std::string Value(const ChunkRef& tag) {
    const RawDataRef bytes = MakeChunkDataView(tag);
    const int32_t size = bytes ? bytes->Size() : 0;
    const uint8_t* data = bytes ? bytes->Data() : nullptr;
    switch (tag->GetKind()) {
        case ACSKind::kContainer: {
            const std::string inner = Tags(tag);
            return inner.empty() ? "{ }" : "{ " + inner + " }";
        }
        case ACSKind::kText:
            return "\"" + std::string(TextOfBlock(bytes)) + "\"";
        case ACSKind::kIntegers: {
            int32_t n = 0;
            if (size >= 4) std::memcpy(&n, data, 4);
            return std::to_string(n);
        }
        case ACSKind::kFloats: {
            std::vector<float> floats(static_cast<std::size_t>(size / 4));
            if (!floats.empty()) std::memcpy(floats.data(), data, floats.size() * 4);
            if (floats.size() == 1) return Float(floats[0]);
            std::string out = "[";
            for (std::size_t f = 0; f < floats.size(); ++f) out += (f ? "," : "") + Float(floats[f]);
            return out + "]";
        }
        case ACSKind::kKUID: {
            KUID kuid;
            if (size == KUID::kPackedRecordSize) kuid.FromPackedRecord(data);
            return kuid.ToTagString().c_str();
        }
        default:
            return "?kind" + std::to_string(tag->GetKind());
    }
}

}  // namespace

SoupHandle ParseSoup(const std::string& notation) {
    SoupHandle soup;
    const ChunkRef root = soup.EnsureContainerRef();
    const std::vector<std::string> tokens = Tokens(notation);
    if (ParseInto(root, tokens, 0) != tokens.size()) throw std::invalid_argument("unbalanced '}'");
    return soup;
}

std::string WriteSoup(const SoupHandle& soup) {
    return soup.GetRoot() ? Tags(soup.GetRoot()) : std::string();
}

}  // namespace UpgradeTest
