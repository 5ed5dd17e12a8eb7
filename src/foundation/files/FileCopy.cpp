#include "foundation/files/FileCopy.h"

#include <algorithm>
#include <memory>
#include <new>
#include <sys/stat.h>

#include "engine/File.h"
#include "foundation/files/LocationFiles.h"
#include "foundation/files/PathRules.h"
#include "foundation/streams/FileStream.h"

namespace {

constexpr uint32_t kModeCopyDestination =
    Vek::File::kModeWrite | Vek::File::kModeCreate | Vek::File::kModeSequential;  // 769

Vek::File::Path Backslashed(const char* path) {
    Vek::File::Path result(path);
    result.ReplaceForwardSlashes();
    return result;
}

// True when both sides resolve to one existing file, which opening the
// destination would truncate before a byte is read.
bool IsSameFile(const Vek::PString& fromLocation, const char* fromPath, const Vek::PString& toLocation,
                const char* toPath) {
    std::string from = Vek::File::ResolveOsPath(fromLocation, fromPath);
    std::string to = Vek::File::ResolveOsPath(toLocation, toPath);
    struct stat a {};
    struct stat b {};
    if (from.empty() || to.empty() || ::stat(from.c_str(), &a) != 0 || ::stat(to.c_str(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool CopyTree(const Vek::PString& fromLocation, const Vek::File::Path& fromPath, const Vek::PString& toLocation,
              const Vek::File::Path& toPath, int depth) {
    if (!ExistsInRoot(fromLocation, fromPath.c_str())) return false;
    const bool sourceIsFolder = IsDirectoryInRoot(fromLocation, fromPath.c_str());
    if (ExistsInRoot(toLocation, toPath.c_str())) {
        const bool intoEmptyFolder = sourceIsFolder && IsDirectoryInRoot(toLocation, toPath.c_str()) &&
                                     IsDirectoryEmptyInRoot(toLocation, toPath.c_str());
        if (!intoEmptyFolder) return false;
    }
    if (!sourceIsFolder) return CopyFileBetweenRoots(fromLocation, fromPath.c_str(), toLocation, toPath.c_str());
    if (depth >= kMaxTreeDepth) return false;

    MakeDirectoryInRoot(toLocation, toPath.c_str());
    Vek::File::Path pattern = fromPath;
    pattern.AddPath("*");
    Vek::File::Find find;
    if (!find.Open(pattern.c_str(), fromLocation)) return false;
    bool result = true;
    do {
        const char* name = find.GetName();
        if (IsDotOrDotDot(name)) continue;
        Vek::File::Path fromChild = fromPath;
        fromChild.AddPath(name);
        Vek::File::Path toChild = toPath;
        toChild.AddPath(name);
        const bool copied = find.IsDirectory()
                                ? CopyTree(fromLocation, fromChild, toLocation, toChild, depth + 1)
                                : CopyFileBetweenRoots(fromLocation, fromChild.c_str(), toLocation, toChild.c_str());
        if (!copied) result = false;
    } while (find.Next());
    return result;
}

}  // namespace

bool CopyStreamBytes(TStream& from, TStream& to, int64_t length) {
    if (length < 0) return false;
    if (length == 0) return true;
    const int32_t blockSize = static_cast<int32_t>(std::min<int64_t>(length, kCopySliceSize));
    std::unique_ptr<char[]> block(new (std::nothrow) char[static_cast<std::size_t>(blockSize)]);
    if (!block) return false;
    for (int64_t remaining = length; remaining > 0;) {
        const int32_t slice = static_cast<int32_t>(std::min<int64_t>(remaining, blockSize));
        if (from.Read(block.get(), slice) != slice) return false;
        if (to.Write(block.get(), slice) != slice) return false;
        remaining -= slice;
    }
    return true;
}

bool CopyFileBetweenRoots(const Vek::PString& fromLocation, const char* fromPath, const Vek::PString& toLocation,
                          const char* toPath) {
    const Vek::File::Path source = Backslashed(fromPath);
    const Vek::File::Path destination = Backslashed(toPath);

    TFile input;
    if (!input.OpenInRoot(fromLocation, source.c_str(), TFile::kModeRead)) return false;
    if (IsSameFile(fromLocation, source.c_str(), toLocation, destination.c_str())) return false;
    TFile output;
    if (!output.OpenInRoot(toLocation, destination.c_str(), kModeCopyDestination)) return false;

    // The engine file's own 64-bit length: the stream's is clamped to int32.
    bool copied = CopyStreamBytes(input, output, input.GetFile()->Length());
    input.Close();
    // Close writes out what the stream still buffers; its failure is a
    // failed copy too.
    if (!output.Close()) copied = false;
    if (!copied) {
        // Leave no partial file behind for a later reader to take as whole.
        if (toLocation.IsEmpty())
            Vek::File::Unlink(destination.c_str());
        else
            Vek::File::Unlink(toLocation, destination.c_str());
    }
    return copied;
}

bool CopyTreeBetweenRoots(const Vek::PString& fromLocation, const char* fromPath, const Vek::PString& toLocation,
                          const char* toPath) {
    return CopyTree(fromLocation, Vek::File::Path(fromPath), toLocation, Vek::File::Path(toPath), 0);
}
