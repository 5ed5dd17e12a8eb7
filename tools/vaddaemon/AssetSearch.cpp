#include "vaddaemon/AssetSearch.h"

#include <string>

#include "assetdb/categories/CategoryClassList.h"
#include "assetdb/filters/VADFilterElementAssetID.h"
#include "assetdb/filters/VADFilterElementBool.h"
#include "assetdb/filters/VADFilterElementGroup.h"
#include "assetdb/filters/VADFilterElementInt.h"
#include "assetdb/filters/VADFilterElementString.h"
#include "assetdb/filters/VADFilterElementTimestamp.h"
#include "vaddaemon/AssetCodes.h"
#include "vaddaemon/AssetLibrary.h"
#include "vaddaemon/SearchQuery.h"

namespace {

// The longest query text a connection keeps compiled.
constexpr std::size_t kMaxKeptQuery = 4096;

// What the conditions ask of one asset, gathered once per asset.
struct Candidate {
    AssetRecord record;
    bool obsolete = false;
    bool missingDependencies = false;
};

bool HasAllCodes(const std::string& have, const std::string& wanted) {
    const std::vector<std::string> own = ListCodes(have);
    for (const std::string& code : ListCodes(wanted)) {
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
            const std::string name = FoldedText(record.name);
            const std::string wanted = FoldedText(value);
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

bool Obsolete(AssetStore& store, const KUID& kuid) {
    const std::vector<KUID> versions = store.InstalledVersions(kuid.GetUserID(), kuid.GetContentID());
    if (!versions.empty() && versions.front().GetVersion() > kuid.GetVersion()) return true;
    for (const KUID& successor : store.InstalledObsoleting(kuid.GetUserID(), kuid.GetContentID()))
        if (!(successor == kuid)) return true;
    return false;
}

// Evaluates the tree asset by asset: the way taken when SQLite cannot take
// the query (a tree beyond its limits).
std::vector<KUID> ScanAssets(AssetStore& store, const VADFilterElement& filter) {
    std::vector<KUID> found;
    for (const KUID& kuid : store.AllAssets()) {
        Candidate asset;
        if (!store.Find(kuid, asset.record)) continue;
        asset.obsolete = Obsolete(store, kuid);
        for (const KUID& dependency : asset.record.dependencies) {
            if (!AssetLibrary::Satisfied(store, dependency)) {
                asset.missingDependencies = true;
                break;
            }
        }
        if (Matches(filter, asset)) found.push_back(kuid);
    }
    return found;
}

}  // namespace

std::vector<KUID> SearchAssets(AssetLibrary& library, const VADFilterElement& filter) {
    StoreReaders::Lease reader = library.Readers().Take();
    if (!reader.IsValid()) return std::vector<KUID>();
    AssetStore& store = reader.Store();
    const SearchQuery query = BuildSearchQuery(filter);
    // Short queries (the usual shapes) stay compiled on the connection.
    SqliteStatement select = query.sql.size() <= kMaxKeptQuery ? store.Connection().Prepare(query.sql.c_str())
                                                               : store.Connection().PrepareOnce(query.sql);
    if (!select.IsValid()) return ScanAssets(store, filter);
    for (std::size_t i = 0; i < query.values.size(); ++i) {
        const SearchQuery::Value& value = query.values[i];
        if (value.isText)
            select.Bind(static_cast<int>(i + 1), value.text);
        else
            select.Bind(static_cast<int>(i + 1), value.number);
    }
    std::vector<KUID> found;
    while (select.Step())
        found.emplace_back(static_cast<int32_t>(select.Int(0)), static_cast<int32_t>(select.Int(1)),
                           static_cast<int32_t>(select.Int(2)));
    return found;
}
