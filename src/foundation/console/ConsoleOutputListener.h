#pragma once
// Receives the UTF-16 text of every console line (line feed included).
#include <string>

class ConsoleOutputListener {
public:
    virtual ~ConsoleOutputListener() = default;
    virtual void OnConsoleLine(const std::u16string& text) = 0;
};
