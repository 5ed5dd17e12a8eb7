#include "foundation/files/TemporaryFilePath.h"

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "foundation/files/InstallFolders.h"
#include "foundation/files/LocationFiles.h"
#include "foundation/log/LogPrintf.h"
#include "foundation/random/SharedRandom.h"

namespace {

constexpr int kTries = 100;
constexpr char kPrefix[] = "temp-";

// Calls made so far; threads may make temporary names at the same time.
std::atomic<int32_t> g_callCount{0};

}  // namespace

bool CreateTemporaryFilePath(Vek::File::Path& path, const Vek::PString& location) {
    const int32_t callNumber = g_callCount.fetch_add(1) + 1;
    Vek::File::Path userData = GetUserDataPath();
    MakeDirectoryInRoot(location, userData.c_str());

    if (!userData.IsEmpty()) {
        for (int attempt = 0; attempt < kTries; ++attempt) {
            char name[64];
            int length = std::snprintf(name, sizeof name, "%s", kPrefix);
            for (int i = 0; i < 8; ++i) {
                int32_t value = HelperRandomInt(36);
                name[length++] = static_cast<char>(value < 10 ? '0' + value : 'a' + (value - 10));
            }
            std::snprintf(name + length, sizeof name - static_cast<std::size_t>(length), "%d.tmp",
                          static_cast<int>(callNumber));
            Vek::File::Path candidate = userData;
            candidate.AddPath(name);
            if (!ExistsInRoot(location, candidate.c_str())) {
                path = candidate;
                return true;
            }
        }
    }
    LogPrintf(
        "CreateTemporaryFilePath> unable to form valid temp path in 100 tries, at path '%s' with prefix '%s'",
        userData.c_str(), kPrefix);
    return false;
}
