#pragma once
// An in-process stand-in for the asset-database requests of the asset
// objects and asset searches (gsnatives/AssetRequests.h): answers set up by
// the test, and a record of what was asked. Installed while it lives; the
// daemon's table comes back at the end.
#include <map>
#include <string>
#include <vector>

#include "assetdb/filters/VADFilterElementGroup.h"
#include "gsnatives/AssetRequests.h"

namespace GSNativesTest {

// A search group as its children's "keyword:value" texts joined by ", ";
// a negated sub-group of one child as "not " and the child's keyword. The
// group must match all; anything else shows as "?".
inline std::string RenderFilter(const VADFilterElementGroup& group) {
    std::string text = group.IsMatchAll() && !group.IsNegated() ? "" : "? ";
    for (std::size_t i = 0; i < group.ChildCount(); ++i) {
        const VADFilterElement* child = group.Child(i);
        if (i) text += ", ";
        if (child->GetTag() != kFilterTagGroup) {
            text += std::string(child->GetFieldName().c_str()) + ":" + child->GetValueString().c_str();
            continue;
        }
        const auto* negated = static_cast<const VADFilterElementGroup*>(child);
        if (negated->IsNegated() && negated->ChildCount() == 1)
            text += std::string("not ") + negated->Child(0)->GetFieldName().c_str();
        else
            text += "?";
    }
    return text;
}

class FakeAssetRequests {
public:
    FakeAssetRequests() {
        Current() = this;
        GSNatives::AssetRequests table = {
            [](const KUID& kuid) { return Current()->Resolve(kuid); },
            [](const KUID& kuid) {
                auto it = Current()->latest.find(kuid);
                return it == Current()->latest.end() ? kuid : it->second;
            },
            [](const VADFilterElement* filter, VADKuidList& results) {
                Current()->searches.push_back(Render(filter));
                for (const KUID& kuid : Current()->searchAnswer) results.Add(kuid);
                return true;
            },
            [](const KUID& kuid, VADAssetInfo& info, int32_t detail) -> uint8_t {
                ++Current()->infoCalls;
                Current()->lastDetail = detail;
                auto it = Current()->infos.find(kuid);
                if (it == Current()->infos.end()) return 0;
                info = it->second;
                return info.found;
            },
            [](const KUID& kuid) {
                ++Current()->configCalls;
                auto it = Current()->configs.find(kuid);
                return it == Current()->configs.end() ? SoupHandle() : it->second;
            },
            [](const KUID& kuid) { return Vek::String(("description of " + Text(kuid)).c_str()); },
            [](const KUID& kuid, VADKuidList& result) {
                auto it = Current()->dependencies.find(kuid);
                if (it != Current()->dependencies.end())
                    for (const KUID& dependency : it->second) result.Add(dependency);
                return true;
            },
            [](const KUID&) { return true; },
            [](const KUID&) { return false; },
            [](const KUID& kuid, bool favourite) {
                Current()->infos[kuid].localRating = favourite ? 5 : 0;
            },
            [](const KUID& kuid, Vek::PString& location, Vek::File::Path& folder) {
                ++Current()->locationCalls;
                location = Vek::PString("local");
                folder = Vek::File::Path(kuid.ToFolderName().c_str());
                return true;
            },
            [](const KUID&) { return SpecHandle(); },
        };
        GSNatives::SetAssetRequests(table);
    }
    ~FakeAssetRequests() {
        GSNatives::SetAssetRequests(GSNatives::DaemonAssetRequests());
        Current() = nullptr;
    }
    FakeAssetRequests(const FakeAssetRequests&) = delete;
    FakeAssetRequests& operator=(const FakeAssetRequests&) = delete;

    static std::string Text(const KUID& kuid) { return kuid.ToTagString().c_str(); }

    // An installed asset that the daemon knows by the name given.
    void AddAsset(const KUID& kuid, const char* name) {
        VADAssetInfo& info = infos[kuid];
        info.asset = kuid;
        info.displayName = Vek::String(name);
        info.found = 1;
    }

    // Requested KUID -> installed KUID; a KUID not listed is installed as it is.
    std::map<KUID, KUID, KUIDLess> resolutions;
    std::map<KUID, KUID, KUIDLess> latest;
    std::map<KUID, VADAssetInfo, KUIDLess> infos;
    std::map<KUID, SoupHandle, KUIDLess> configs;
    std::map<KUID, std::vector<KUID>, KUIDLess> dependencies;
    VADKuidList searchAnswer;

    // What was asked.
    std::vector<std::string> resolved;
    std::vector<std::string> searches;
    int infoCalls = 0;
    int configCalls = 0;
    int locationCalls = 0;
    int32_t lastDetail = 0;

private:
    static FakeAssetRequests*& Current() {
        static FakeAssetRequests* current = nullptr;
        return current;
    }
    KUID Resolve(const KUID& kuid) {
        resolved.push_back(Text(kuid));
        auto it = resolutions.find(kuid);
        return it == resolutions.end() ? kuid : it->second;
    }
    static std::string Render(const VADFilterElement* filter) {
        return RenderFilter(*static_cast<const VADFilterElementGroup*>(filter));
    }
};

}  // namespace GSNativesTest
