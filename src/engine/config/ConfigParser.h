#pragma once
// The engine's configuration text parser (".imtxt" geometry descriptions,
// "lm.txt" level-of-detail descriptions and other plain descriptions).
//
// Syntax (our own; UTF-8 or ASCII text):
//   - The text is a list of items. An item is a key followed by zero or more
//     value tokens on the same line, and optionally by "{", which opens a
//     block of child items closed by a matching "}". The "{" stands on the
//     item's line or first on the next line(s) right after the item:
//         offset 2.5
//         mesh 0 {
//             name "body.im"
//         }
//   - Tokens are separated by spaces, tabs and line ends. A token is a bare
//     word (any bytes but white space, '"', '{', '}', ';' and '#') or a quoted
//     string "..." in which \" and \\ stand for " and \; a quoted string
//     may not run past the end of its line. A quoted key or value may be
//     empty ("").
//   - "{", "}" and ";" are tokens of their own wherever they stand. "}"
//     closes the innermost open block; ";" ends an item's values. Another
//     item may follow either on the same line:
//         mesh collision { name body_lo.im; animated true }
//   - '#' outside a quoted string starts a comment that runs to the end of
//     the line. A UTF-8 byte-order mark at the start is skipped.
//   - Keys compare ignoring ASCII case; repeated keys are kept in text
//     order (ConfigData's index access reaches each one).
//   - Numbers are read in the C locale whatever the process locale.
//   - The file version: a top-level item "version" with one number, before
//     any other item, declares it ("version 1.00"); it is not part of the
//     tree. A text without one has version 1.00.
//   - Limits: blocks nest at most 64 deep; a text may hold at most 16 MiB
//     and 1,000,000 items.
//
// Parse results:
//   0  parsed; GetRoot() holds the items (null for a text without items)
//   1  a limit was exceeded
//   2  the file cannot be opened or read
//   3  a syntax error: "{" that does not follow an item without a block,
//      an unmatched "{" or "}",
//      an unterminated quoted string
//   4  the version declaration is not one number, or names a version this
//      parser does not know (below 1 or 2 and above)
// GetError() describes the last failure with its line number.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/PString.h"
#include "engine/config/ConfigData.h"

namespace Vek {

class ConfigParser {
public:
    enum Result : uint32_t {
        kOk = 0,
        kLimitExceeded = 1,
        kCannotOpen = 2,
        kSyntaxError = 3,
        kVersionError = 4,
    };
    static constexpr uint32_t kMaxDepth = 64;
    static constexpr std::size_t kMaxTextSize = 16u << 20;
    static constexpr std::size_t kMaxItems = 1000000;

    // Parses a file (resolved case-insensitively by the file layer).
    uint32_t Parse(const char* path);
    // Parses a file under a named root.
    uint32_t Parse(const PString& root, const char* path);
    // Parses a text held in memory.
    uint32_t ParseText(std::string_view text);

    // The tree of the last successful parse, or null.
    const ConfigData* GetRoot() const { return m_root.get(); }
    float GetVersion() const { return m_version; }
    const std::string& GetError() const { return m_error; }

private:
    uint32_t Fail(uint32_t result, uint32_t line, const char* what);

    std::unique_ptr<ConfigData> m_root;
    float m_version = 1.0f;
    std::string m_error;
};

}  // namespace Vek
