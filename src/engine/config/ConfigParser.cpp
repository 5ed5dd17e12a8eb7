#include "engine/config/ConfigParser.h"

#include <cstdio>
#include <vector>
#include <strings.h>

#include "engine/File.h"

namespace Vek {

namespace {

struct Token {
    enum Kind { kWord, kOpen, kClose, kEnd } kind = kWord;
    std::string text;
    uint32_t line = 1;
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

bool ReadWholeFile(File& file, std::string& text) {
    char buffer[65536];
    for (;;) {
        std::size_t n = file.Read(buffer, sizeof buffer);
        if (n == 0) return true;
        if (text.size() + n > ConfigParser::kMaxTextSize) return false;
        text.append(buffer, n);
    }
}

}  // namespace

uint32_t ConfigParser::Fail(uint32_t result, uint32_t line, const char* what) {
    m_root.reset();
    char message[160];
    std::snprintf(message, sizeof message, "line %u: %s", line, what);
    m_error = message;
    return result;
}

uint32_t ConfigParser::Parse(const char* path) {
    File file;
    if (!path || !file.Open(path, File::kModeRead)) return Fail(kCannotOpen, 0, "cannot open the file");
    std::string text;
    if (!ReadWholeFile(file, text)) return Fail(kLimitExceeded, 0, "the text is too large");
    return ParseText(text);
}

uint32_t ConfigParser::Parse(const PString& root, const char* path) {
    File file;
    if (!path || !file.Open(root, path, File::kModeRead)) return Fail(kCannotOpen, 0, "cannot open the file");
    std::string text;
    if (!ReadWholeFile(file, text)) return Fail(kLimitExceeded, 0, "the text is too large");
    return ParseText(text);
}

uint32_t ConfigParser::ParseText(std::string_view text) {
    m_root.reset();
    m_version = 1.0f;
    m_error.clear();
    if (text.size() > kMaxTextSize) return Fail(kLimitExceeded, 0, "the text is too large");
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

    // Tokens, with the line each one starts on.
    std::vector<Token> tokens;
    uint32_t line = 1;
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\n') {
            ++line;
            ++i;
            continue;
        }
        if (IsSpace(c)) {
            ++i;
            continue;
        }
        if (c == '#') {
            while (i < text.size() && text[i] != '\n') ++i;
            continue;
        }
        Token token;
        token.line = line;
        if (c == '{' || c == '}' || c == ';') {
            token.kind = c == '{' ? Token::kOpen : c == '}' ? Token::kClose : Token::kEnd;
            ++i;
        } else if (c == '"') {
            ++i;
            bool closed = false;
            while (i < text.size() && text[i] != '\n') {
                char q = text[i++];
                if (q == '"') {
                    closed = true;
                    break;
                }
                if (q == '\\' && i < text.size() && (text[i] == '"' || text[i] == '\\')) q = text[i++];
                token.text += q;
            }
            if (!closed) return Fail(kSyntaxError, line, "unterminated quoted string");
        } else {
            while (i < text.size() && !IsSpace(text[i]) && text[i] != '"' && text[i] != '{' && text[i] != '}' &&
                   text[i] != ';' && text[i] != '#')
                token.text += text[i++];
        }
        tokens.push_back(std::move(token));
    }

    // Items: a key token starts an item; the words after it on its line are
    // its values; an "{" after them opens its block.
    auto root = std::make_unique<ConfigData>();
    std::vector<ConfigData*> stack{root.get()};
    std::size_t items = 0;
    bool versionAllowed = true;
    ConfigData* lastItem = nullptr;  // the last item of the innermost block
    bool lastItemOpened = false;
    std::size_t t = 0;
    while (t < tokens.size()) {
        const Token& token = tokens[t];
        if (token.kind == Token::kClose) {
            if (stack.size() == 1) return Fail(kSyntaxError, token.line, "\"}\" without an open block");
            stack.pop_back();
            lastItem = nullptr;
            ++t;
            continue;
        }
        if (token.kind == Token::kEnd) {
            lastItem = nullptr;
            ++t;
            continue;
        }
        if (token.kind == Token::kOpen) {
            // A "{" on a later line opens the block of the item just before it.
            if (!lastItem || lastItemOpened) return Fail(kSyntaxError, token.line, "\"{\" without an item key");
            if (stack.size() > kMaxDepth) return Fail(kLimitExceeded, token.line, "blocks nest too deep");
            stack.push_back(lastItem);
            lastItem = nullptr;
            ++t;
            continue;
        }
        std::size_t keyIndex = t++;
        std::vector<std::string> values;
        while (t < tokens.size() && tokens[t].kind == Token::kWord && tokens[t].line == token.line)
            values.push_back(tokens[t++].text);
        bool opens = t < tokens.size() && tokens[t].kind == Token::kOpen && tokens[t].line == token.line;
        if (opens) ++t;

        if (stack.size() == 1 && versionAllowed && !opens && strcasecmp(tokens[keyIndex].text.c_str(), "version") == 0) {
            versionAllowed = false;
            double version = 0;
            if (values.size() != 1 || !ParseConfigFloat(values[0], version))
                return Fail(kVersionError, token.line, "the version is not a number");
            if (version < 1.0 || version >= 2.0) return Fail(kVersionError, token.line, "unknown version");
            m_version = static_cast<float>(version);
            continue;
        }
        versionAllowed = false;
        if (++items > kMaxItems) return Fail(kLimitExceeded, token.line, "too many items");
        ConfigData& item = stack.back()->AddChild(tokens[keyIndex].text);
        for (std::string& value : values) item.AddValue(std::move(value));
        lastItem = &item;
        lastItemOpened = opens;
        if (opens) {
            if (stack.size() > kMaxDepth) return Fail(kLimitExceeded, token.line, "blocks nest too deep");
            stack.push_back(&item);
        }
    }
    if (stack.size() != 1) return Fail(kSyntaxError, line, "a block is not closed");
    if (root->GetChildCount() > 0) m_root = std::move(root);
    return kOk;
}

}  // namespace Vek
