#pragma once
// The settings soups that can still be read from a damaged store file, row
// by row: the rows are read one at a time in the order of their row ids, a
// row that does not read is counted lost, and a page of the table that does
// not read is stepped over (to ever larger row ids) so the rows after it
// are still read. The names in the table's index count too: a name listed
// there whose row could not be read is lost. A soup that no longer reads as
// a soup is lost as well, so what is kept is always well-formed.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct SettingsSalvage {
    // The soups that read, by name.
    std::vector<std::pair<std::string, std::vector<uint8_t>>> rows;
    // The rows known to be there whose soup could not be read.
    int lost = 0;
    // Parts of the table could not be read: rows there are lost uncounted.
    bool incomplete = false;
    // Nothing of the table could be read (the file does not open as a
    // database, or its schema or the table's pages do not read).
    bool unreadable = false;
};

// Reads the store file at an OS path without writing to it. A file that is
// not there has no settings.
SettingsSalvage SalvageSettings(const std::string& osPath);
