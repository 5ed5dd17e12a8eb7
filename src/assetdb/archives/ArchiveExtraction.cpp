#include "assetdb/archives/ArchiveExtraction.h"

#include <cerrno>
#include <cstring>

#include "assetdb/archives/ArchivePathFilters.h"
#include "assetdb/archives/FormatErrorText.h"
#include "assetdb/resources/ResourceDatabaseRef.h"
#include "engine/Compress.h"
#include "engine/File.h"
#include "engine/IOSlave.h"
#include "engine/ReferenceCount.h"
#include "foundation/files/FileCopy.h"
#include "foundation/files/LocationFiles.h"
#include "foundation/files/PathRules.h"
#include "foundation/soups/ACSChunk.h"
#include "foundation/streams/BufferStream.h"

namespace {

// Create or truncate, write (the engine's mode word the extraction uses).
constexpr uint32_t kWriteNewFileMode = 0x121;

const char* const kWriteFailed = "Unable to write content files to disk";
const char* const kDecompressFailed = "Failed to decompress data. Content package may be damaged";

// The installation's read-only locations, "base" and "builtin", or a
// folder below one of them ("builtin\\<folder>", as locations of built-in
// assets are named).
bool IsInstallationLocation(const char* location) {
    for (const char* name : {"base", "builtin"}) {
        const std::size_t length = std::strlen(name);
        if (std::strncmp(location, name, length) != 0) continue;
        const char* rest = location + length;
        if (*rest == '\0') return true;
        if ((*rest == '\\' || *rest == '/') && IsPathInsideFolder(rest + 1)) return true;
    }
    return false;
}

// Locations whose files an archive may reference with "filepath": the ones
// that hold assets, the user's and the installation's. The settings and
// cache locations (which hold the user's account settings and private
// state) and plain paths are never read.
bool IsReferenceLocation(const Vek::PString& location) {
    static const char* const kLocations[] = {"local", "original", "backups", "editing", "data"};
    for (const char* name : kLocations)
        if (std::strcmp(location.c_str(), name) == 0) return true;
    return IsInstallationLocation(location.c_str());
}

bool OpenTarget(Vek::File& file, const Vek::PString& location, const char* path) {
    return file.Open(location, path, kWriteNewFileMode);
}

// "Unable to write content files to disk", followed by the system's cause
// when there is one ("No space left on device"), so that a full disk is not
// taken for a fault of the archive.
const Vek::PString& WriteFailed(Vek::PString& error, int cause) {
    if (cause == 0) return FormatErrorText(error, "%s", kWriteFailed);
    return FormatErrorText(error, "%s: %s", kWriteFailed, std::strerror(cause));
}

// The file a decode writes to, remembering the system's cause of the first
// write that fell short: the decoder reports only that it failed.
class CheckedFileDestination : public Vek::IOSlave {
public:
    explicit CheckedFileDestination(Vek::File& file) : m_file(file) {}
    std::size_t Read(void*, std::size_t) override { return 0; }
    std::size_t Write(const void* source, std::size_t n) override {
        errno = 0;
        const std::size_t put = m_file.Write(source, n);
        if (put < n && !m_failed) {
            m_failed = true;
            m_cause = errno != 0 ? errno : EIO;
        }
        return put;
    }
    bool Failed() const { return m_failed; }
    int Cause() const { return m_cause; }

private:
    Vek::File& m_file;
    bool m_failed = false;
    int m_cause = 0;
};

// Opens the target for writing; on failure the error names the cause.
bool OpenTargetOrFail(Vek::PString& error, Vek::File& file, const Vek::PString& location, const char* path) {
    errno = 0;
    if (OpenTarget(file, location, path)) return true;
    const int cause = errno;
    WriteFailed(error, cause == ENOENT ? 0 : cause);
    return false;
}

const Vek::PString& CopyReferencedFile(Vek::PString& error, const RawDataRef& bytes, const Vek::PString& location,
                                       const char* path) {
    TBuffer stream;
    if (bytes) stream.Write(bytes->Data(), bytes->Size());
    stream.Rewind();
    Vek::PString sourceLocation;
    Vek::String sourcePath;
    stream.ReadPString(sourceLocation);
    stream.ReadString(sourcePath);
    if (stream.HasError()) return FormatErrorText(error, "Internal error while copying local file.");
    if (!IsReferenceLocation(sourceLocation) || !IsPathInsideFolder(sourcePath.c_str()))
        return FormatErrorText(error, "Failed to copy local file.");
    // The installation's locations are readable through their resource
    // database, which maps the location (a folder or a packed ".va").
    ResourceDatabaseRef source;
    if (IsInstallationLocation(sourceLocation.c_str())) source = ResourceDatabaseRef::Open(sourceLocation);
    const bool copied = CopyFileBetweenRoots(sourceLocation, sourcePath.c_str(), location, path);
    if (source.database) source.Release();
    if (!copied) return FormatErrorText(error, "Failed to copy local file.");
    error = Vek::PString();
    return error;
}

const Vek::PString& DecompressFile(Vek::PString& error, const RawDataRef& bytes, const Vek::PString& location,
                                   const char* path) {
    // The first four bytes are not part of the codec's stream.
    if (!bytes || bytes->Size() < 4) return FormatErrorText(error, "%s", kDecompressFailed);
    Vek::File file;
    if (!OpenTargetOrFail(error, file, location, path)) return error;
    Vek::AutoReference<Vek::LZSSCompress> codec(new Vek::LZSSCompress());
    const std::size_t length = static_cast<std::size_t>(bytes->Size()) - 4;
    CheckedFileDestination destination(file);
    Vek::IOSlaveMemory source(bytes->Data() + 4, length);
    if (!codec->Decode(destination, source, length)) {
        // A write that fell short is the disk's fault, not the archive's.
        if (destination.Failed()) return WriteFailed(error, destination.Cause());
        return FormatErrorText(error, "%s", kDecompressFailed);
    }
    error = Vek::PString();
    return error;
}

const Vek::PString& WriteRawFile(Vek::PString& error, const RawDataRef& bytes, const Vek::PString& location,
                                 const char* path) {
    Vek::File file;
    if (!OpenTargetOrFail(error, file, location, path)) return error;
    if (bytes) {
        CheckedFileDestination destination(file);
        const std::size_t size = static_cast<std::size_t>(bytes->Size());
        if (destination.Write(bytes->Data(), size) != size) return WriteFailed(error, destination.Cause());
    }
    error = Vek::PString();
    return error;
}

void ExtractFolder(Vek::PString& error, const ChunkRef& files, const Vek::PString& location,
                   const Vek::File::Path& folder, const Vek::File::Path& below, const Vek::PString& compression) {
    MakeDirectoryInRoot(location, folder.c_str());
    if (!files) return;
    const int32_t count = files->Count();
    Vek::PString name;
    ChunkRef child;
    for (int32_t i = 0; i < count; ++i) {
        if (!files->GetChildAt(i, name, child)) continue;
        if (!IsArchiveFileNameValid(name.c_str())) continue;
        Vek::File::Path path(folder);
        path.AddPath(name.c_str());
        switch (child->GetKind()) {
            case ACSKind::kContainer: {
                // Only the part below the asset folder is checked: the folder
                // itself is the daemon's and may well be absolute.
                Vek::File::Path subBelow(below);
                subBelow.AddPath(name.c_str());
                if (!IsArchivePathValid(subBelow.c_str())) break;
                Vek::PString subError;
                ExtractFolder(subError, child, location, path, subBelow, compression);
                if (!subError.IsEmpty()) error = subError;
                break;
            }
            case ACSKind::kRaw: {
                if (!IsArchiveFileTypeAllowed(path.c_str())) break;
                Vek::PString fileError;
                ExtractArchiveFile(fileError, MakeChunkDataView(child), location, path.c_str(), compression);
                if (!fileError.IsEmpty()) error = fileError;
                break;
            }
            default:
                FormatErrorText(error, "Unknown data type encountered. Content package may be damaged");
                break;
        }
    }
}

}  // namespace

const Vek::PString& ExtractArchiveFolder(Vek::PString& error, const SoupHandle& files, const Vek::PString& location,
                                         const char* folder, const Vek::PString& compression) {
    error = Vek::PString();
    ExtractFolder(error, files.GetRoot(), location, Vek::File::Path(folder), Vek::File::Path(), compression);
    return error;
}

const Vek::PString& ExtractArchiveFile(Vek::PString& error, const RawDataRef& bytes, const Vek::PString& location,
                                       const char* path, const Vek::PString& compression) {
    if (compression.IsEmpty()) return WriteRawFile(error, bytes, location, path);
    if (std::strcmp(compression.c_str(), "filepath") == 0) return CopyReferencedFile(error, bytes, location, path);
    if (std::strcmp(compression.c_str(), "LZSS") == 0) return DecompressFile(error, bytes, location, path);
    return FormatErrorText(error, "Unknown compression format.");
}
