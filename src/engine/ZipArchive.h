#pragma once
// The ".va" archive layer: a ZIP archive read with libzip, served to the file
// service as an archive substitution (engine/FileArchive.h).
//
// Opening reads the central directory once (libzip's consistency check of
// local against central headers included) and builds a tree of the entries:
// '\' in stored names counts as '/', empty and "." components are dropped,
// and folders are implied by the files below them. An entry is refused (left
// out, with a line in the engine log) when its name is absolute ("/a",
// "\a", "C:..."), has a ".." component or is empty, when it has no known
// size or one above kMaxEntryBytes, when it names a place that is already
// taken (a second entry of the same name, a file below a file, a file where
// a folder is, in any letter case for folders), and when it is encrypted.
// Folders whose names differ only in case are one folder; files whose names
// differ only in case both stay. Names match without ASCII case (an exact
// match first, else the first in byte order), as the file service does.
//
// Reading an entry checks what is really there: the bytes must come to the
// size the directory gives, no more and no less, and their CRC must match.
// The archive file stays open while the object lives; reads are serialised,
// so the object may be used from several threads.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/FileArchive.h"

namespace Vek {

class ZipArchive : public FileArchive {
public:
    // The largest entry served (it is read whole into memory).
    static constexpr int64_t kMaxEntryBytes = int64_t(1) << 30;

    ~ZipArchive() override;

    // Opens the ZIP file at an OS path; null when it is no regular file or
    // not a readable ZIP archive (logged).
    static std::shared_ptr<ZipArchive> Open(const std::string& osPath);
    // Makes this layer the file service's archive opener (FileArchive::SetOpener).
    static void Register();

    bool Exists(const std::string& path) const override;
    bool IsDirectory(const std::string& path) const override;
    bool List(const std::string& folder, std::vector<Entry>& entries) const override;
    bool ReadEntry(const std::string& path, std::vector<uint8_t>& data) const override;

    // How many stored entries were left out when the archive was opened.
    std::size_t RefusedEntryCount() const { return m_refused; }

private:
    struct Node;
    struct Handle;

    ZipArchive();
    void AddEntry(uint64_t index);
    const Node* Lookup(const std::string& path) const;

    std::unique_ptr<Handle> m_handle;  // the open libzip archive
    std::unique_ptr<Node> m_top;
    std::string m_osPath;
    std::size_t m_refused = 0;
    mutable std::mutex m_readLock;
};

}  // namespace Vek
