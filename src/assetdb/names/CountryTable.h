#pragma once
// The country table: four-character region codes with their names. The code
// is two blanks and two letters as a four-character constant, first
// character most significant ("  AD" is 0x20204144). After the countries
// and territories comes "  00" for "Generic", then older region words
// ("USA", "Britain", ...) with the codes they stand for.
#include <cstddef>
#include <cstdint>
#include <span>

struct CountryRow {
    uint32_t code;
    const char* name;
};

constexpr std::size_t kCountryRowCount = 264;

// The four-character code of two letters: "AD" gives '  AD'.
constexpr uint32_t RegionCode(const char (&letters)[3]) {
    return (0x20u << 24) | (0x20u << 16) | (static_cast<uint32_t>(static_cast<unsigned char>(letters[0])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(letters[1]));
}

// Every row, in table order.
std::span<const CountryRow> CountryTable();
