#include "gscompiler/library/GSLibraryFile.h"

#include <string>

#include "engine/File.h"
#include "foundation/containers/GSLibraryBuffer.h"

namespace {

// Writes the whole image into a new file; true when the file then holds
// exactly those bytes.
bool WriteWhole(const char* path, const uint8_t* data, uint32_t length, bool& opened) {
    Vek::File file;
    opened = file.Open(path, Vek::File::kModeWrite | Vek::File::kModeCreate);
    if (!opened) return false;
    const bool written = (length == 0 || file.Write(data, length) == length) && file.Length() == length;
    file.Close();
    if (!written) return false;
    // The engine's close reports nothing: read the size back instead.
    Vek::File check;
    return check.Open(path, Vek::File::kModeRead) && check.Length() == length;
}

}  // namespace

GSLibrarySaveResult SaveLibraryImage(const GSLibraryBuffer& image, const char* path) {
    // A folder in the target's place cannot be replaced by a file.
    if (!path || !*path || Vek::File::IsDirectory(path)) return GSLibrarySaveResult::kOpenFailed;
    const std::string target(path);
    const std::string temporary = target + ".tmp";
    bool opened = false;
    if (!WriteWhole(temporary.c_str(), image.Data(), image.Length(), opened)) {
        if (opened) Vek::File::Unlink(temporary.c_str());
        return opened ? GSLibrarySaveResult::kWriteFailed : GSLibrarySaveResult::kOpenFailed;
    }
    // Renaming never replaces a file: an earlier library steps aside first
    // and comes back when the new one cannot take its place.
    std::string backup;
    if (Vek::File::Exists(target.c_str())) {
        backup = target + ".old";
        Vek::File::Unlink(backup.c_str());
        if (!Vek::File::Rename(target.c_str(), backup.c_str())) {
            Vek::File::Unlink(temporary.c_str());
            return GSLibrarySaveResult::kWriteFailed;
        }
    }
    if (!Vek::File::Rename(temporary.c_str(), target.c_str())) {
        if (!backup.empty()) Vek::File::Rename(backup.c_str(), target.c_str());
        Vek::File::Unlink(temporary.c_str());
        return GSLibrarySaveResult::kWriteFailed;
    }
    if (!backup.empty()) Vek::File::Unlink(backup.c_str());
    return GSLibrarySaveResult::kSaved;
}
