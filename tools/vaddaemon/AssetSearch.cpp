#include "vaddaemon/AssetSearch.h"

#include <mutex>
#include <string>

#include "assetdb/categories/CategoryClassList.h"
#include "assetdb/filters/VADFilterElementAssetID.h"
#include "assetdb/filters/VADFilterElementBool.h"
#include "assetdb/filters/VADFilterElementGroup.h"
#include "assetdb/filters/VADFilterElementInt.h"
#include "assetdb/filters/VADFilterElementString.h"
#include "assetdb/filters/VADFilterElementTimestamp.h"
#include "vaddaemon/AssetLibrary.h"

namespace {

// What the conditions ask of one asset, gathered once per asset.
struct Candidate {
    AssetRecord record;
    bool obsolete = false;
    bool missingDependencies = false;
};

std::string Folded(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The codes of a list separated by ';' or ',', trimmed and case-folded.
std::vector<std::string> Codes(const std::string& list) {
    std::vector<std::string> codes;
    std::string code;
    auto flush = [&] {
        const std::size_t first = code.find_first_not_of(" \t");
        if (first != std::string::npos) {
            const std::size_t last = code.find_last_not_of(" \t");
            codes.push_back(Folded(code.substr(first, last - first + 1)));
        }
        code.clear();
    };
    for (char c : list) {
        if (c == ';' || c == ',')
            flush();
        else
            code += c;
    }
    flush();
    return codes;
}

bool HasAllCodes(const std::string& have, const std::string& wanted) {
    const std::vector<std::string> own = Codes(have);
    for (const std::string& code : Codes(wanted)) {
        bool found = false;
        for (const std::string& mine : own) found = found || mine == code;
        if (!found) return false;
    }
    return true;
}

bool MatchBool(const VADFilterElementBool& element, const Candidate& asset) {
    const AssetRecord& record = asset.record;
    switch (element.GetField()) {
        case VADFilterElementBool::kLocal:
        case VADFilterElementBool::kLocallyAvailable:
            return record.installed;
        case VADFilterElementBool::kLocallyEnabled:
            return record.installed && !record.faulty;
        case VADFilterElementBool::kListingPrivilege:
        case VADFilterElementBool::kCommitPrivilege:
        case VADFilterElementBool::kCompatible:
            return true;
        case VADFilterElementBool::kObsolete:
            return asset.obsolete;
        case VADFilterElementBool::kUpToDate:
            return !asset.obsolete;
        case VADFilterElementBool::kLocallyModified:
            return record.modified;
        case VADFilterElementBool::kValidName:
            return !record.name.empty();
        case VADFilterElementBool::kOpenForEdit:
            return record.editing;
        case VADFilterElementBool::kHasMissingDependencies:
            return asset.missingDependencies;
        case VADFilterElementBool::kFaulty:
            return record.faulty;
        default:
            return false;
    }
}

bool MatchString(const VADFilterElementString& element, const Candidate& asset) {
    const std::string value = element.GetValue().c_str();
    if (value.empty()) return true;
    const AssetRecord& record = asset.record;
    switch (element.GetField()) {
        case VADFilterElementString::kAssetName: {
            const std::string name = Folded(record.name);
            const std::string wanted = Folded(value);
            return element.IsQuoted() ? name == wanted : name.find(wanted) != std::string::npos;
        }
        case VADFilterElementString::kCategoryList:
            return MatchCategoryPattern(value.c_str(), record.categoryClass.c_str());
        case VADFilterElementString::kEraList:
            return HasAllCodes(record.categoryEra, value);
        case VADFilterElementString::kKeywordList:
            return HasAllCodes(record.keywords, value);
        case VADFilterElementString::kRegionList:
            return HasAllCodes(record.categoryRegion, value);
        default:
            return false;
    }
}

template <typename Element, typename Value>
bool InRange(const Element& element, Value value) {
    const bool aboveMinimum =
        element.IsMinimumInclusive() ? value >= element.GetMinimum() : value > element.GetMinimum();
    const bool belowMaximum =
        element.IsMaximumInclusive() ? value <= element.GetMaximum() : value < element.GetMaximum();
    return aboveMinimum && belowMaximum;
}

bool MatchInt(const VADFilterElementInt& element, const Candidate& asset) {
    switch (element.GetField()) {
        case VADFilterElementInt::kAuthor:
            return InRange(element, asset.record.kuid.GetUserID());
        case VADFilterElementInt::kVersion:
            return InRange(element, asset.record.kuid.GetVersion());
        case VADFilterElementInt::kLocalRating:
            return InRange(element, 0);
        default:
            return false;
    }
}

bool Matches(const VADFilterElement& element, const Candidate& asset) {
    switch (element.GetTag()) {
        case kFilterTagGroup: {
            const auto& group = static_cast<const VADFilterElementGroup&>(element);
            bool result = true;
            if (group.ChildCount() > 0) {
                result = group.IsMatchAll();
                for (std::size_t i = 0; i < group.ChildCount(); ++i) {
                    const VADFilterElement* child = group.Child(i);
                    const bool match = child && Matches(*child, asset);
                    if (group.IsMatchAll() && !match) {
                        result = false;
                        break;
                    }
                    if (!group.IsMatchAll() && match) {
                        result = true;
                        break;
                    }
                }
            }
            return group.IsNegated() ? !result : result;
        }
        case kFilterTagBool:
            return MatchBool(static_cast<const VADFilterElementBool&>(element), asset);
        case kFilterTagString:
            return MatchString(static_cast<const VADFilterElementString&>(element), asset);
        case kFilterTagInt:
            return MatchInt(static_cast<const VADFilterElementInt&>(element), asset);
        case kFilterTagTimestamp:
            return InRange(static_cast<const VADFilterElementTimestamp&>(element), int64_t{0});
        case kFilterTagAssetID: {
            const auto& ids = static_cast<const VADFilterElementAssetID&>(element);
            return ids.GetField() == VADFilterElementAssetID::kAssetID &&
                   ids.GetKUIDs().count(asset.record.kuid) > 0;
        }
        default:
            return false;
    }
}

bool ObsoleteLocked(AssetStore& store, const KUID& kuid) {
    const std::vector<KUID> versions = store.InstalledVersions(kuid.GetUserID(), kuid.GetContentID());
    if (!versions.empty() && versions.front().GetVersion() > kuid.GetVersion()) return true;
    for (const KUID& successor : store.InstalledObsoleting(kuid.GetUserID(), kuid.GetContentID()))
        if (!(successor == kuid)) return true;
    return false;
}

}  // namespace

std::vector<KUID> SearchAssets(AssetLibrary& library, const VADFilterElement& filter) {
    std::lock_guard<std::mutex> hold(library.Mutex());
    AssetStore& store = library.Store();
    std::vector<KUID> found;
    for (const KUID& kuid : store.AllAssets()) {
        Candidate asset;
        if (!store.Find(kuid, asset.record)) continue;
        asset.obsolete = ObsoleteLocked(store, kuid);
        for (const KUID& dependency : asset.record.dependencies) {
            if (!library.SatisfiedLocked(dependency)) {
                asset.missingDependencies = true;
                break;
            }
        }
        if (Matches(filter, asset)) found.push_back(kuid);
    }
    return found;
}
