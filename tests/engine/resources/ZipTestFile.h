#pragma once
// Writes ZIP archives for the tests with libzip, entry names taken as given
// (so names that a reader must refuse can be stored too).
#include <zip.h>

#include <string>
#include <utility>
#include <vector>

namespace ZipTest {

struct Item {
    std::string name;  // a name ending in '/' is a folder entry
    std::string content;
};

// Stored entries (no compression) keep their bytes findable in the file, so
// a test can damage them. False when libzip fails.
inline bool Write(const std::string& path, const std::vector<Item>& items, bool stored = false) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) return false;
    for (const Item& item : items) {
        zip_int64_t index;
        if (!item.name.empty() && item.name.back() == '/') {
            index = zip_dir_add(archive, item.name.c_str(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t* source = zip_source_buffer(archive, item.content.data(), item.content.size(), 0);
            index = source ? zip_file_add(archive, item.name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
            if (index < 0 && source) zip_source_free(source);
            if (index >= 0 && stored)
                zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
        }
        if (index < 0) {
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

}  // namespace ZipTest
