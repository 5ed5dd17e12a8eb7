#include "engine/Options.h"

#include <strings.h>

#include <utility>

namespace Vek {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

const char* WithoutDash(const char* name) { return (name && *name == '-') ? name + 1 : name; }

}  // namespace

void Options::ProcessRaw(const char* text) {
    if (!text) return;
    const char* p = text;
    for (;;) {
        while (IsBlank(*p)) ++p;
        if (!*p) return;
        // One token; blanks inside double quotes belong to it.
        std::string token;
        bool quoted = false;
        for (; *p && (quoted || !IsBlank(*p)); ++p) {
            if (*p == '"')
                quoted = !quoted;
            else
                token += *p;
        }
        Switch item;
        const std::size_t equals = token.find('=');
        item.name = token.substr(0, equals);
        if (equals != std::string::npos) {
            item.value = token.substr(equals + 1);
            item.hasValue = true;
        }
        if (!item.name.empty() && item.name[0] == '-') item.name.erase(0, 1);
        if (!item.name.empty()) Add(std::move(item));
    }
}

void Options::Add(Switch item) {
    for (auto it = m_switches.begin(); it != m_switches.end(); ++it) {
        if (strcasecmp(it->name.c_str(), item.name.c_str()) == 0) {
            m_switches.erase(it);
            break;
        }
    }
    m_switches.push_back(std::move(item));
}

const Options::Switch* Options::Find(const char* name) const {
    const char* bare = WithoutDash(name);
    if (!bare || !*bare) return nullptr;
    for (const Switch& item : m_switches)
        if (strcasecmp(item.name.c_str(), bare) == 0) return &item;
    return nullptr;
}

bool Options::Has(const char* name) const { return Find(name) != nullptr; }

bool Options::GetValue(const char* name, std::string& value) const {
    const Switch* item = Find(name);
    if (!item) return false;
    value = item->value;
    return true;
}

std::string Options::GetText() const {
    std::string text;
    for (const Switch& item : m_switches) {
        text += '-';
        text += item.name;
        if (item.hasValue) {
            text += '=';
            const bool quote = item.value.find_first_of(" \t\r\n") != std::string::npos;
            if (quote) text += '"';
            text += item.value;
            if (quote) text += '"';
        }
        text += ' ';
    }
    return text;
}

}  // namespace Vek
