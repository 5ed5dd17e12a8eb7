#include "assetdb/archives/InstallConfig.h"

#include <cctype>
#include <climits>
#include <cstdint>
#include <string>

#include "assetdb/archives/AssetKuidLists.h"

namespace {

// The decimal integer a tag name starts with (an optional sign, then
// digits), or -1 when it starts with none. Values past the int32 range are
// clamped to it.
int64_t LeadingNumber(const char* name) {
    const char* c = name ? name : "";
    bool negative = false;
    if (*c == '-' || *c == '+') negative = *c++ == '-';
    if (!std::isdigit(static_cast<unsigned char>(*c))) return -1;
    int64_t value = 0;
    for (; std::isdigit(static_cast<unsigned char>(*c)); ++c) {
        value = value * 10 + (*c - '0');
        if (value > INT32_MAX) value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    value = negative ? -value : value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return value;
}

}  // namespace

void CompleteKuidTable(SoupHandle& config, const KuidSet& dependencies) {
    SoupHandle table = config.GetContainer("kuid-table");
    if (table.Count() > 0) {
        if (!dependencies.IsEmpty()) {
            IndexedKuidSet held;
            SoupToKuidSet(table, held);
            int64_t last = -1;
            const int32_t count = table.Count();
            for (int32_t i = 0; i < count; ++i) {
                const int64_t number = LeadingNumber(table.GetTagName(i).c_str());
                if (number > last) last = number;
            }
            for (const KUID& kuid : dependencies) {
                if (!held.AddUniqueNonNull(kuid)) continue;
                const std::string name = std::to_string(++last);
                table.SetKUID(name.c_str(), kuid);
            }
        }
    } else {
        table.Clear();
        KuidSetToSoup(table, dependencies);
    }
    config.SetContainer("kuid-table", table);
}

SoupHandle MakeInstallConfig(const CdpAssetEntry& entry) {
    SoupHandle config;
    config.CopyFrom(entry.GetSoup());
    config.RemoveTag("files");
    config.RemoveTag("dsid");
    config.RemoveTag("compression");
    config.RemoveTag("folder-icon");

    const Vek::PString kind = config.GetString("kind");
    std::string lower(kind.c_str());
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (lower != kind.c_str()) config.SetString("kind", lower.c_str());

    config.RemoveTag(".cache");

    IndexedKuidSet dependencies;
    CollectAssetDependencies(entry.GetKUID(), entry.GetSoup(), dependencies);
    CompleteKuidTable(config, dependencies.Set());
    return config;
}
