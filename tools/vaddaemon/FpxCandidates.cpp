#include "vaddaemon/FpxCandidates.h"

#include <mutex>

#include "vaddaemon/AssetLibrary.h"

std::vector<int32_t> ChooseFpxCandidates(AssetLibrary& library, const std::vector<KUID>& latestVersions) {
    std::lock_guard<std::mutex> hold(library.Mutex());
    std::vector<int32_t> chosen;
    std::vector<KUID> taken;
    for (std::size_t i = 0; i < latestVersions.size(); ++i) {
        const KUID& kuid = latestVersions[i];
        if (kuid.IsNull() || !kuid.IsValid()) continue;
        bool seen = false;
        for (const KUID& other : taken) seen = seen || other == kuid;
        if (seen) continue;
        const std::vector<KUID> installed =
            library.Store().InstalledVersions(kuid.GetUserID(), kuid.GetContentID());
        if (!installed.empty() && installed.front().GetVersion() >= kuid.GetVersion()) continue;
        taken.push_back(kuid);
        chosen.push_back(static_cast<int32_t>(i));
    }
    return chosen;
}
