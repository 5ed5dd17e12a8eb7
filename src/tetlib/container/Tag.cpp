#include "tetlib/container/Tag.h"

#include <cstdlib>

#include "foundation/kuid/KUID.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/ToolsText.h"
#include "tetlib/container/BuildNumbers.h"
#include "tetlib/container/Container.h"
#include "tetlib/container/TagRules.h"

namespace TETLib {

Tag::Tag(int32_t index_, Container* owner_, const Vek::PString& name_) : index(index_), owner(owner_), name(name_) {}

Tag::~Tag() {
    if (ErrorHandler* handler = ErrorHandler::Instance()) handler->RemoveFirstByTag(this);
    if (DataManager::Exists()) DataManager::Instance()->RemoveTagRegistrations(this);
}

void Tag::SetUpValidators(const SoupHandle& definition) {
    const SoupHandle validation = definition.GetContainer("validation");
    for (int32_t i = 0; i < validation.Count(); ++i) {
        const Vek::PString key = validation.GetTagName(i);
        const TagRule rule = FindTagRule(key);
        if (!rule) continue;
        validators.push_back(rule);
        parameters.push_back(validation.GetContainerAt(i));
    }
}

bool Tag::RunValidators() {
    bool result = true;
    for (std::size_t i = 0; i < validators.size(); ++i)
        if (!validators[i](*this, parameters[i])) result = false;
    return result;
}

bool Tag::WarnIfNullKUID() {
    if (owner && owner->name == Vek::PString("obsolete-table")) return true;
    if (KUID::Parse(value.c_str(), false).IsNull())
        ErrorHandler::Instance()->AddWarning(LocalisedToolsText("$tet_val_nullkuidwarn", {name}), this);
    return true;
}

bool Tag::CheckVectorSize(int expected) {
    if (value.empty()) return false;
    if (IsBuildBelow(DataManager::Instance()->GetAssetBuild(), 2.89f)) return true;
    const int actual = static_cast<int>(ParseNumberList(value).size());
    if (actual == expected) return true;
    ErrorHandler::Instance()->AddError(LocalisedToolsText("$tet_val_arraywrongsize", {name, expected, actual}), this);
    return false;
}

namespace {
template <typename Convert>
auto SplitNumbers(const std::string& text, Convert convert) {
    std::vector<decltype(convert(""))> out;
    std::string token;
    for (char c : text) {
        if (c == ' ' || c == ',') {
            out.push_back(convert(token.c_str()));
            token.clear();
        } else {
            token += c;
        }
    }
    out.push_back(convert(token.c_str()));
    return out;
}
}  // namespace

std::vector<float> ParseNumberList(const std::string& text) {
    return SplitNumbers(text, [](const char* t) { return static_cast<float>(std::atof(t)); });
}

std::vector<int> ParseIntegerList(const std::string& text) {
    return SplitNumbers(text, [](const char* t) { return std::atoi(t); });
}

}  // namespace TETLib
