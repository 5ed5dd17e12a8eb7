#include "foundation/logfile/DataBufferFiles.h"

#include "engine/File.h"
#include "foundation/logfile/DornDataBufferFile.h"
#include "foundation/platform/UniquePath.h"

bool CreateNewFile(const std::string& path) {
    if (FileExists(path)) return false;
    DornDataBufferFile file(DornDataBufferFile::kModeWriteExisting, path);
    if (!file.IsOpen() || file.GetSize() != 0) return false;
    return file.Write("\r\n", 2) == DornDataBuffer::kOk;
}

bool DeleteFile(const std::string& path) {
    if (path.empty()) return false;
    return Vek::File::Unlink(NormalisePathSeparators(path).c_str());
}
