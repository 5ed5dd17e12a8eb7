#include "assetdb/archives/ArchivePathFilters.h"

#include <cstring>

#include "engine/File.h"

namespace {

const char* const kAllowedFileTypes[] = {
    "txt", "bmp", "tga", "chump", "pm",  "im",  "kin", "wav", "jpg", "jpeg", "gnd",
    "ref", "tso", "obs", "trk",   "texture", "bmk", "dat", "gs",  "gse", "html", "htm",
    "evt", "lm",  "mp3", "lst",   "pfx", "tfx", "avi", "wmv", "lyr", "trc",  "srt",
};

bool IsNameCharacter(char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
    return c != '\0' && std::strchr(" $&'()+,-._~", c) != nullptr;
}

}  // namespace

bool IsArchiveFileNameValid(const char* name) {
    if (!name || !*name) return false;
    if (name[0] == ' ' || name[0] == '.' || name[0] == '~') return false;
    const char* c = name;
    for (; *c; ++c)
        if (!IsNameCharacter(*c)) return false;
    return c[-1] != ' ';
}

bool IsArchiveFileTypeAllowed(const char* path) {
    if (!path) return false;
    const Vek::File::Path file(path);
    for (const char* type : kAllowedFileTypes)
        if (file.IsExt(type)) return true;
    return false;
}

bool IsArchivePathValid(const char* path) {
    if (!path) return false;
    bool atComponentStart = true;
    for (const char* c = path; *c; ++c) {
        if (*c == '.') continue;
        if (*c == '/' || *c == '\\') {
            if (atComponentStart) return false;
            atComponentStart = true;
        } else {
            atComponentStart = false;
        }
    }
    return true;
}
