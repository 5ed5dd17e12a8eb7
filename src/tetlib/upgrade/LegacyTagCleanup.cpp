#include "tetlib/upgrade/LegacyTagCleanup.h"

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tetlib/DataManager.h"

namespace TETLib {

namespace {

// Whether `definition` or a definition it inherits from lists `name` among
// its subpossibilities. `visited` holds the definitions already searched,
// so an inheritance cycle in the schema ends.
bool ListsSubpossibility(const SoupHandle& definitions, const SoupHandle& definition, const Vek::PString& name,
                         std::set<std::string>& visited) {
    const SoupHandle subpossibilities = definition.GetContainer("subpossibilities");
    for (int32_t i = 0; i < subpossibilities.Count(); ++i)
        if (subpossibilities.GetTagName(i) == name) return true;
    const SoupHandle inherit = definition.GetContainer("inherit");
    for (int32_t i = 0; i < inherit.Count(); ++i) {
        const Vek::PString base = inherit.GetTagName(i);
        if (!visited.insert(base.c_str()).second) continue;
        const SoupHandle baseDefinition = definitions.GetContainer(base);
        if (!baseDefinition.IsEmpty() && ListsSubpossibility(definitions, baseDefinition, name, visited)) return true;
    }
    return false;
}

bool IsOnly(const std::string& text, const char* characters) {
    return text.find_first_not_of(characters) == std::string::npos;
}

// A name that no line of a configuration meant as a tag.
bool IsMalformedName(const std::string& name) {
    if (name.find_first_of("\"'{}") != std::string::npos) return true;
    return name.empty() || IsOnly(name, "_") || IsOnly(name, "0123456789");
}

void RemoveEach(SoupHandle& configuration, std::initializer_list<const char*> names) {
    for (const char* name : names) configuration.RemoveTag(name);
}

// Removes `oldName`; its text goes to `newName` when `newName` is not
// present, or when `overwrite` is set and there is a text to put there (an
// old tag without text, or one that is a container, does not blank an
// existing value).
void MoveTag(SoupHandle& configuration, const char* oldName, const char* newName, bool overwrite) {
    if (!configuration.HasTag(oldName)) return;
    const Vek::PString text = configuration.GetString(oldName);
    configuration.RemoveTag(oldName);
    if ((overwrite && !text.IsEmpty()) || !configuration.HasTag(newName))
        configuration.SetString(newName, text.c_str());
}

// Cuts `text` before the first `c`; true when it did.
bool CutAt(std::string& text, char c) {
    const std::size_t at = text.find(c);
    if (at == std::string::npos) return false;
    text.erase(at);
    return true;
}

}  // namespace

bool IsKnownTopLevelTag(const Vek::PString& name) {
    const SoupHandle definitions = DataManager::Instance()->GetDefinitions();
    for (int32_t i = 0; i < definitions.Count(); ++i) {
        const SoupHandle definition = definitions.GetContainerAt(i);
        if (definition.IsEmpty() || definition.GetInt("top-level", 0) == 0) continue;
        std::set<std::string> visited = {definitions.GetTagName(i).c_str()};
        if (ListsSubpossibility(definitions, definition, name, visited)) return true;
    }
    return false;
}

void RemoveDescriptionSpillover(SoupHandle& configuration) {
    const Vek::PString description("description");
    int32_t d = 0;
    while (d < configuration.Count() && configuration.GetTagName(d) != description) ++d;
    if (d == configuration.Count()) return;
    std::vector<Vek::PString> spilled;
    for (int32_t i = d + 1; i < configuration.Count(); ++i) {
        const Vek::PString name = configuration.GetTagName(i);
        if (IsKnownTopLevelTag(name) || !configuration.GetContainerAt(i).IsEmpty()) break;
        spilled.push_back(name);
    }
    for (const Vek::PString& name : spilled) configuration.RemoveTag(name);
}

void RemoveAssetPrefixedTags(SoupHandle& configuration) {
    configuration.RemoveTag("asset");
    for (int32_t i = configuration.Count() - 1; i >= 0; --i) {
        const Vek::PString name = configuration.GetTagName(i);
        if (std::strncmp(name.c_str(), "asset-", 6) == 0 && !IsKnownTopLevelTag(name)) configuration.RemoveTag(name);
    }
}

void CleanUpLegacyTags(SoupHandle& configuration) {
    // Comment markers, notices, translated names and other tools' records.
    RemoveEach(configuration, {";", "\"", "rem", "licence", "disclaimer:", "licence:", "licence:-",
                               "name-ru", "name-es", "name-fr", "name-pl", "name-de", "name-it", "name-cz",
                               "name-cn", "name-nl", "name-hu", "origin", "objremarks", "origregion", "orgname",
                               "origname", "kelmo", "company", "vorlex", "vorlex_build", "train-build", "version",
                               "obsolete"});

    MoveTag(configuration, "auteur", "author", true);
    MoveTag(configuration, "organization", "organisation", false);
    MoveTag(configuration, "user-name", "username", false);
    MoveTag(configuration, "name", "username", false);
    MoveTag(configuration, "description:", "description", false);

    RemoveDescriptionSpillover(configuration);
    RemoveAssetPrefixedTags(configuration);

    // Words of free text that a line break turned into tags.
    RemoveEach(configuration, {"by", "you", "this", "the", "these", "-", "all", "copyright", "use", "have", "check",
                               "only", "keep", "for", "in", "alternate", "feel", "no", "contact", "created", "//",
                               ";", "*"});

    for (int32_t i = configuration.Count() - 1; i >= 0; --i) {
        const Vek::PString name = configuration.GetTagName(i);
        if (IsMalformedName(name.c_str())) configuration.RemoveTag(name);
    }

    if (configuration.HasTag("username")) {
        std::string username = configuration.GetString("username").c_str();
        const bool cutReturn = CutAt(username, '\r');
        const bool cutFeed = CutAt(username, '\n');
        if (cutReturn || cutFeed) configuration.SetString("username", username.c_str());
    }
}

}  // namespace TETLib
