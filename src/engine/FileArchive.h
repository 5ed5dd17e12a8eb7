#pragma once
// An archive that a file-system substitution can stand for
// (File::Subst(name, archiveFile, false) or File::SubstArchive).
//
// The file service hands every call a path inside the archive that is
// already clean: components separated by '/', no leading or trailing
// separator, no "." or ".." components, "" for the archive's top folder.
// An archive matches names without ASCII case, as the file service does.
// Its calls may come from several threads at once, so an implementation must
// be safe for concurrent use. Archives are read-only to the file service.
//
// The archive layer (a ZIP reader, say) makes itself known with SetOpener;
// until then an archive substitution by file name fails.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Vek {

class FileArchive {
public:
    struct Entry {
        std::string name;  // one component, without separators
        bool isDirectory = false;
        int64_t size = 0;  // bytes; 0 for folders
    };

    virtual ~FileArchive() = default;

    // True when a file or folder is stored under `path` ("" is the top).
    virtual bool Exists(const std::string& path) const = 0;
    virtual bool IsDirectory(const std::string& path) const = 0;
    // The direct children of the folder `folder`, in any order, without "."
    // and "..". False when it is no folder of the archive.
    virtual bool List(const std::string& folder, std::vector<Entry>& entries) const = 0;
    // The whole content of the file `path`. False when it is no file or
    // cannot be read (bad data, size beyond what can be held).
    virtual bool ReadEntry(const std::string& path, std::vector<uint8_t>& data) const = 0;

    // Opens the archive file at an OS path (already resolved); null when
    // it is no archive of this layer.
    using Opener = std::function<std::shared_ptr<FileArchive>(const std::string& osPath)>;
    // Registers the archive layer's opener; an empty one unregisters it.
    static void SetOpener(Opener opener);
};

}  // namespace Vek
