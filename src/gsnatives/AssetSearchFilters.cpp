#include "gsnatives/AssetSearchFilters.h"

#include "assetdb/categories/CategoryClassList.h"
#include "assetdb/filters/VADFilterElementBool.h"
#include "assetdb/filters/VADFilterElementString.h"
#include "assetdb/specs/VorlexBaseSpec.h"
#include "engine/PString.h"

namespace GSNatives {

namespace {

std::unique_ptr<VADFilterElement> Flag(int32_t field) { return std::make_unique<VADFilterElementBool>(field); }

void AddFlags(VADFilterElementGroup& group, std::initializer_list<int32_t> fields) {
    for (int32_t field : fields) group.AddElement(Flag(field));
}

void AddCategoryList(VADFilterElementGroup& group, const char* text) {
    group.AddElement(std::make_unique<VADFilterElementString>(VADFilterElementString::kCategoryList,
                                                              Vek::PString(text)));
}

}  // namespace

std::unique_ptr<VADFilterElementGroup> BuildSearchAssetsFilter(const char* category, bool localOnly) {
    Vek::PString upper(category);
    upper.ToUpper();
    auto group = std::make_unique<VADFilterElementGroup>();
    if (localOnly)
        AddFlags(*group, {VADFilterElementBool::kLocal, VADFilterElementBool::kLocallyAvailable,
                          VADFilterElementBool::kLocallyEnabled});
    group->AddElement(Flag(VADFilterElementBool::kListingPrivilege));
    group->AddNegatedElement(Flag(VADFilterElementBool::kObsolete));
    group->AddElement(Flag(VADFilterElementBool::kCompatible));
    AddCategoryList(*group, upper.c_str());
    return group;
}

std::unique_ptr<VADFilterElementGroup> BuildUpdatedAssetsFilter() {
    auto group = std::make_unique<VADFilterElementGroup>(Flag(VADFilterElementBool::kLocal));
    group->AddNegatedElement(Flag(VADFilterElementBool::kObsolete));
    group->AddNegatedElement(Flag(VADFilterElementBool::kUpToDate));
    return group;
}

std::unique_ptr<VADFilterElementGroup> BuildAssetListFilter(const char* categoryClass, bool excludeFaulty) {
    auto group = std::make_unique<VADFilterElementGroup>();
    AddFlags(*group, {VADFilterElementBool::kLocal, VADFilterElementBool::kLocallyAvailable,
                      VADFilterElementBool::kLocallyEnabled, VADFilterElementBool::kListingPrivilege});
    group->AddNegatedElement(Flag(VADFilterElementBool::kObsolete));
    group->AddElement(Flag(VADFilterElementBool::kCompatible));
    if (excludeFaulty) group->AddNegatedElement(Flag(VADFilterElementBool::kFaulty));
    AddCategoryList(*group, categoryClass);
    return group;
}

Vek::String AssetListCategoryClass(const char* kind, const char* typeWord) {
    Vek::PString lowerKind(kind);
    lowerKind.ToLower();
    Vek::String categoryClass = MapKindToCategoryClass(lowerKind.c_str(), "");
    if (!typeWord || categoryClass.IsEmpty()) return categoryClass;
    Vek::PString upperType(typeWord);
    upperType.ToUpper();
    Vek::String extended;
    AppendCategoryCodes(extended, categoryClass.c_str(), upperType.c_str());
    return extended;
}

}  // namespace GSNatives
