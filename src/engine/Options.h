#pragma once
// The engine's option switches: a command-line style text such as
// "-render=OpenGL -hidewindow -LogFile=/dev/null", kept as an ordered list
// of switches.
//
// A switch is one blank-separated token, "-name" or "-name=value"; the
// leading '-' is optional. A double-quoted stretch may hold blanks
// (-LogFile="/tmp/my log.txt"); the quotes are not part of the value.
// Names compare without ASCII case. Adding a switch whose name is already
// there removes the old one and appends the new one, so the latest wins.
#include <cstddef>
#include <string>
#include <vector>

namespace Vek {

class Options {
public:
    Options() = default;
    explicit Options(const char* text) { ProcessRaw(text); }

    // Adds every switch of `text` (null or blank: nothing).
    void ProcessRaw(const char* text);
    void Clear() { m_switches.clear(); }

    // True when the switch `name` (with or without its leading '-') is set.
    bool Has(const char* name) const;
    // The value of "-name=value"; false, value untouched, when the switch is
    // missing. "-name" alone gives true and an empty value.
    bool GetValue(const char* name, std::string& value) const;

    // The switches in order, as "-name" or "-name=value", each followed by
    // one blank; values holding blanks are written in double quotes.
    std::string GetText() const;
    std::size_t Count() const { return m_switches.size(); }

private:
    struct Switch {
        std::string name;  // without the leading '-'
        std::string value;
        bool hasValue = false;
    };
    const Switch* Find(const char* name) const;
    void Add(Switch item);

    std::vector<Switch> m_switches;
};

}  // namespace Vek
