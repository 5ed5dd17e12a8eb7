#include "foundation/soups/SoupFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstring>
#include <string>

#include "foundation/files/LocationFiles.h"
#include "foundation/files/PathRules.h"
#include "foundation/files/ReplacementFile.h"
#include "foundation/soups/BinarySoupReader.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/soups/SoupLog.h"
#include "foundation/soups/TextSoupReader.h"
#include "foundation/soups/TextSoupWriter.h"
#include "foundation/streams/FileStream.h"

namespace {

enum class SoupForm { kUnknown, kText, kBinary };

SoupForm FormOf(const char* path, const char* extension) {
    GetExtensionText(extension, path);
    if (SoupExtensionEquals(extension, "txt")) return SoupForm::kText;
    if (SoupExtensionEquals(extension, "chump") || SoupExtensionEquals(extension, "cdp") ||
        SoupExtensionEquals(extension, "cdp2"))
        return SoupForm::kBinary;
    return SoupForm::kUnknown;
}

// The soup in that form; false when the writer refused it (nested deeper
// than the readers take back).
bool WriteSoupForm(const SoupHandle& soup, SoupForm form, TStream& stream) {
    return form == SoupForm::kText ? WriteTextSoup(soup, stream) : WriteBinarySoup(stream, soup);
}

unsigned char FoldExtensionByte(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c - 'A' + 1);
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 'a' + 1);
    if (c < 0x20) return 0xFF;
    return c;
}

}  // namespace

bool SoupExtensionEquals(const char* a, const char* b) {
    if (!a) a = "";
    if (!b) b = "";
    std::size_t length = std::strlen(a);
    if (length != std::strlen(b)) return false;
    for (std::size_t i = 0; i < length; ++i)
        if (FoldExtensionByte(static_cast<unsigned char>(a[i])) != FoldExtensionByte(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool LoadSoupFile(SoupHandle& soup, const Vek::PString& root, const char* path, const char* extension) {
    TFile file;
    if (!file.OpenInRoot(root, path, TFile::kModeRead)) return false;
    switch (FormOf(path, extension)) {
        case SoupForm::kText:
            soup.Clear();
            ParseTextSoup(soup, file);
            break;
        case SoupForm::kBinary:
            ReadBinarySoup(soup, file);
            break;
        case SoupForm::kUnknown:
            file.Close();
            return false;
    }
    file.Close();
    return true;
}

bool SaveSoupFile(const SoupHandle& soup, const Vek::PString& root, const char* path, const char* extension) {
    SoupForm form = FormOf(path, extension);
    if (form == SoupForm::kUnknown) return false;
    const char* shown = path ? path : "";
    const std::string target = Vek::File::ResolveOsPath(root, shown);
    if (target.empty()) return false;

    // A device or a pipe cannot be replaced by renaming a file over it: it
    // is written as it is.
    struct stat status;
    const bool exists = ::stat(target.c_str(), &status) == 0;
    if (!exists && errno == ENOENT) {
        // A new file replaces nothing: it is written where it goes, without
        // the replacement's flush to disk (installs write one for every
        // asset). One that cannot be written whole is deleted again.
        TFile file;
        if (!file.Open(target.c_str(), TFile::kModeWriteNew)) return false;
        const bool complete = WriteSoupForm(soup, form, file);
        const bool written = file.Close();
        if (complete && written) return true;
        SoupLogPrintf("SaveSoupFile> failed to write '%s'", shown);
        ::unlink(target.c_str());
        return false;
    }
    if (exists && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode)) {
        TFile file;
        if (!file.Open(target.c_str(), TFile::kModeWriteNew)) return false;
        const bool complete = WriteSoupForm(soup, form, file);
        const bool written = file.Close();  // writes out the buffer, reports failures there too
        if (!complete || !written) SoupLogPrintf("SaveSoupFile> failed to write '%s'", shown);
        return complete && written;
    }

    // Written beside the file and renamed over it when whole, so a save that
    // fails leaves the earlier file as it was.
    ReplacementFile replacement(target.c_str());
    if (!replacement.Open()) return false;
    TFile file;
    if (!file.Open(replacement.TemporaryPath().c_str(), TFile::kModeWriteNew)) return false;
    const bool complete = WriteSoupForm(soup, form, file);
    const bool written = file.Close();
    if (!complete || !written || !replacement.Commit()) {
        SoupLogPrintf("SaveSoupFile> failed to write '%s'%s%s", shown, replacement.Error().empty() ? "" : ": ",
                      replacement.Error().c_str());
        return false;
    }
    return true;
}

std::string SoupTwinName(const char* name) {
    std::string twin(name ? name : "");
    std::size_t separator = twin.find_last_of("/\\");
    std::size_t dot = twin.rfind('.');
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator))
        twin += ".tmp";
    else
        twin.replace(dot + 1, std::string::npos, "tmp");
    return twin;
}

bool LoadSoupFileRecovering(SoupHandle& soup, const Vek::PString& root, const char* name) {
    std::string twin = SoupTwinName(name);
    bool fileUnreadable = false;
    if (ExistsInRoot(root, name)) {
        if (LoadSoupFile(soup, root, name, "txt")) {
            if (ExistsInRoot(root, twin.c_str())) DeleteInRoot(root, twin.c_str());
            return true;
        }
        fileUnreadable = true;
        SoupLogPrintf("LoadSoupFileRecovering> unable to open '%s'; left in place", name ? name : "");
    }
    if (ExistsInRoot(root, twin.c_str())) {
        if (LoadSoupFile(soup, root, twin.c_str(), "txt")) {
            if (!fileUnreadable) RenameInRoot(root, twin.c_str(), name);
            return true;
        }
        SoupLogPrintf("LoadSoupFileRecovering> unable to open '%s'; left in place", twin.c_str());
    }
    return false;
}
