#pragma once
// The asset tools' localised messages: the keys they report, what each
// key's text is filled with, and the bounded formatter that fills it.
//
// A "$tet_" text is a printf-style format read from the interface-text
// table, a data file beside the program. It is never handed to printf:
// FormatToolsText accepts only the conversions %s, %d and %f (and "%%"),
// each taking the next argument in order. Any other '%' sequence (flags,
// widths, %n, %x ...) is copied as it stands, an argument that is missing
// gives the empty text, and surplus arguments are ignored, so a damaged or
// mistranslated table can at worst show a wrong message.
//
// Conversions: %s shows an argument as text (an integer in decimal, a
// number as "%g"); %d an integer in decimal (a number truncated; a text as
// it is); %f a number as "%f" (an integer likewise; a text as it is).
//
// The "$vad_" and "$vadtexture_" texts are result-log texts instead: their
// "$(NAME)" placeholders are filled from an entry's parameter soup by the
// log.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/PString.h"

namespace TETLib {

class ToolsTextArg {
public:
    enum class Kind { Text, Integer, Number };

    ToolsTextArg(const char* text) : m_kind(Kind::Text), m_text(text ? text : "") {}
    ToolsTextArg(const std::string& text) : m_kind(Kind::Text), m_text(text) {}
    ToolsTextArg(const Vek::PString& text) : m_kind(Kind::Text), m_text(text.c_str()) {}
    ToolsTextArg(int value) : m_kind(Kind::Integer), m_integer(value) {}
    ToolsTextArg(int64_t value) : m_kind(Kind::Integer), m_integer(value) {}
    ToolsTextArg(double value) : m_kind(Kind::Number), m_number(value) {}
    ToolsTextArg(float value) : m_kind(Kind::Number), m_number(value) {}

    Kind GetKind() const { return m_kind; }
    // The argument as the conversion letter ('s', 'd' or 'f') shows it.
    std::string Show(char conversion) const;

private:
    Kind m_kind;
    std::string m_text;
    int64_t m_integer = 0;
    double m_number = 0.0;
};

// Fills `format` with `args` (rules above). A null format gives "".
std::string FormatToolsText(const char* format, const std::vector<ToolsTextArg>& args);

// The conversion letters of `format` in order ("%s ... %d" gives "sd"),
// as FormatToolsText consumes arguments for them.
std::string ToolsTextConversions(const char* format);

// The "$(NAME)" placeholder names of a result-log text, in order of
// appearance, upper-cased.
std::vector<std::string> ToolsTextParameters(const char* text);

// The localised text of `key` (the key itself when the table lacks it; the
// table is loaded first when it is not loaded yet), filled with `args`,
// interned. A listed key given another number of arguments than its
// callers are meant to pass is logged ("ToolsText> ...").
Vek::PString LocalisedToolsText(const char* key, std::initializer_list<ToolsTextArg> args = {});

// One message key of the asset tools and what its callers pass:
// `conversions` the printf-style arguments ('s' text, 'd' integer, 'f'
// number) of a "$tet_" text, `parameters` the ';'-separated "$(NAME)"
// parameters of a result-log text.
struct ToolsTextKey {
    const char* key;
    const char* conversions;
    const char* parameters;
};

// Every key the asset tools report, in name order. A caller fills a key
// with exactly the arguments listed here; the interface-text table's texts
// are checked against this list.
const std::vector<ToolsTextKey>& ToolsTextKeys();

// The listed key of that name, or null.
const ToolsTextKey* FindToolsTextKey(const char* key);

}  // namespace TETLib
