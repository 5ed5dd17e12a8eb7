// The container's load from a configuration and its import of a soup.
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <map>
#include <string>

#include "foundation/soups/ACSChunk.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/ToolsText.h"
#include "tetlib/container/BuildNumbers.h"
#include "tetlib/container/Container.h"
#include "tetlib/container/Tag.h"
#include "tetlib/upgrade/LegacyConfigUpgrade.h"

namespace TETLib {

namespace {

ErrorHandler& Errors() { return *ErrorHandler::Instance(); }
DataManager& Data() { return *DataManager::Instance(); }

bool StartsWith(const Vek::PString& text, const char* prefix) {
    return std::strncmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

// "$tet_obsolete_asset" with its "$(LOWEST_VORLEXBUILD)" placeholder filled.
Vek::PString ObsoleteAssetText() {
    std::string text = LocalisedToolsText("$tet_obsolete_asset").c_str();
    const std::string placeholder = "$(LOWEST_VORLEXBUILD)";
    const std::size_t at = text.find(placeholder);
    if (at != std::string::npos) text.replace(at, placeholder.size(), "2.7");
    return Vek::PString(text.c_str());
}

Vek::PString NumberedPossibilityName(const std::string& name) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    const std::size_t n = name.size();
    if (n > 3 && digit(name[n - 1]) && digit(name[n - 2])) return Vek::PString((name.substr(0, n - 2) + "0").c_str());
    if (n > 2 && digit(name[n - 1])) return Vek::PString((name.substr(0, n - 1) + "0").c_str());
    return Vek::PString();
}

bool IsParticleRateName(const Vek::PString& name) {
    for (const char* n : {"lifetime", "maxsize", "minsize", "rate", "velocity"})
        if (name == Vek::PString(n)) return true;
    return false;
}

}  // namespace

Vek::PString MapConfigurationKind(const SoupHandle& configuration, float build) {
    const Vek::PString kind = configuration.GetString("kind");
    if (kind == Vek::PString("bridge")) {
        const float height = configuration.GetFloat("height", 0.0f);
        if (height < -0.001f) return "bridge";
        if (height > 0.001f) return "tunnel";
        return "double-track";
    }
    if (kind == Vek::PString("track") && BuildCodeTruncated(build) < kOldTrackBuildCode) {
        if (configuration.HasTag("chunky_mesh")) return "chunky-track";
        if (configuration.HasTag("unit_mesh")) return "mesh-reducing-track";
        return "obsolete-track";
    }
    if (kind == Vek::PString("scenery") && configuration.HasTag("trackside")) return "scenery-trackside";
    return kind;
}

bool Container::LoadFromConfig(SoupHandle config) {
    DataManager& data = Data();
    data.SetAssetBuild(StoredAssetBuild(config.GetFloat("vorlex-build", 1.3f)));
    const float build = data.GetAssetBuild();
    if (BuildCodeWithMargin(build) < kObsoleteAssetBuildCode) Errors().AddWarning(ObsoleteAssetText());
    UpgradeLegacyAssetConfig(config);

    if (config.GetString("kind").IsEmpty()) {
        Errors().AddError(LocalisedToolsText("$tet_container_nokindtag"));
        return false;
    }
    const Vek::PString kind = MapConfigurationKind(config, build);
    const SoupHandle definition = GetTopLevelDefinition(kind);
    if (definition.IsEmpty()) {
        Errors().AddError(LocalisedToolsText("$tet_container_nokindspecification"));
        return false;
    }
    configuration = config;
    definitions = data.GetDefinitions();
    parent = nullptr;
    id = 0;
    name = kind;
    typeName = kind;
    data.SetRootContainer(this);
    BuildFromDefinition(definition);
    SetUpContainerValidators(definition, this);
    if (config.HasTag("alias")) {
        data.SetAliasAsset(true);
        Errors().AddWarning(LocalisedToolsText("$tet_container_alias"));
    }
    return Import(config, definition, this);
}

bool Container::Import(const SoupHandle& config, const SoupHandle& definition, Container* target) {
    std::vector<SoupHandle> inherited;
    const SoupHandle inherit = definition.GetContainer("inherit");
    for (int32_t i = 0; i < inherit.Count(); ++i) inherited.push_back(GetDefinition(inherit.GetTagName(i)));

    std::map<std::string, float> values, elements;
    CollectCompulsoryValues(definition, values);
    CollectCompulsoryElements(definition, elements);
    for (const SoupHandle& parentDefinition : inherited) {
        CollectCompulsoryValues(parentDefinition, values);
        CollectCompulsoryElements(parentDefinition, elements);
    }
    ApplyObsoleteTags(definition);
    for (const SoupHandle& parentDefinition : inherited) ApplyObsoleteTags(parentDefinition);

    int32_t counter = 0;
    for (int32_t i = 0; i < config.Count(); ++i) {
        const Vek::PString n = config.GetTagName(i);
        if (config.GetTagKind(n) == ACSKind::kContainer) {
            SoupHandle possibility;
            bool found = GetTagDefinition(definition, n, possibility);
            for (std::size_t p = 0; !found && p < inherited.size(); ++p)
                if (!inherited[p].IsEmpty()) found = GetTagDefinition(inherited[p], n, possibility);
            if (!found) {
                const auto& obsolete = obsoleteTagNames;
                if (std::find(obsolete.begin(), obsolete.end(), n) != obsolete.end())
                    Errors().AddWarning(LocalisedToolsText("$tet_container_obsoletetag", {n, name}));
                else
                    Errors().AddError(LocalisedToolsText("$tet_container_nodefinition", {n, name}), this);
                if (n == Vek::PString(".cache")) Errors().AddError(LocalisedToolsText("$tet_container_oldcontainer"));
                continue;
            }
            const SoupHandle sub = config.GetContainerAt(i);
            if (possibility.HasTag("container-type0")) {
                const Vek::PString type = GetContainerTypeName(possibility, sub.GetString("kind"));
                Container* child = CreateSubContainer(n, target, type, counter++, config);
                if (!child) return false;
                Data().RegisterSourceContainer(target->name, child, n);
                const SoupHandle childDefinition = GetDefinition(type);
                child->BuildFromDefinition(childDefinition);
                SetUpContainerValidators(childDefinition, child);
                target->AddSubContainer(child);
                if (!child->Import(sub, childDefinition, child)) return false;
            } else if (possibility.GetString("kind") == Vek::PString("element")) {
                elements.erase(n.c_str());
                const Vek::PString elementType = possibility.GetString("element-type");
                Container* child = CreateSubContainer(n, target, elementType, counter++, config);
                if (!child) return false;
                const SoupHandle childDefinition = GetDefinition(elementType);
                const SoupHandle arrayElement = childDefinition.GetContainer("array-element");
                if (!arrayElement.IsEmpty()) {
                    char key[32];
                    for (int32_t j = 0; j < arrayElement.Count(); ++j) {
                        std::snprintf(key, sizeof key, "container-type%i", static_cast<int>(j));
                        const Vek::PString type = arrayElement.GetString(key);
                        if (!type.IsEmpty()) AllowElement(Vek::PString(), child, type);
                    }
                }
                const SoupHandle childArray = childDefinition.GetContainer("tagarray");
                if (!childArray.IsEmpty()) child->tagArray = childArray;
                if (!childDefinition.GetContainer("subpossibilities").IsEmpty())
                    child->BuildFromDefinition(childDefinition);
                SetUpContainerValidators(childDefinition, child);
                target->AddSubContainer(child);
                if (!child->Import(sub, childDefinition, child)) return false;
            } else if (possibility.GetString("icon") == Vek::PString("smoke")) {
                Container* child = CreateSubContainer(n, target, "smoke", counter++, config);
                if (!child) return false;
                child->BuildFromDefinition(possibility);
                SetUpContainerValidators(possibility, child);
                target->AddSubContainer(child);
                if (!child->Import(sub, possibility, child)) return false;
            } else {
                Errors().AddError(LocalisedToolsText("$tet_container_errorintemplate", {possibility.GetString("kind")}),
                                  target);
            }
            continue;
        }

        values.erase(n.c_str());
        Vek::PString m = n;
        if (StartsWith(n, "description-"))
            m = "description";
        else if (StartsWith(n, "username-"))
            m = "username";
        SoupHandle possibility = FindTagDefinition(m, definition, inherited);
        if (possibility.IsEmpty()) {
            const Vek::PString numbered = NumberedPossibilityName(m.c_str());
            if (!numbered.IsEmpty()) {
                possibility = FindTagDefinition(numbered, definition, inherited);
                if (possibility.GetInt("sequence", 0) == 0) possibility = SoupHandle();
            }
        }
        if (Tag* tag = AddTagFromDefinition(target, n, possibility, config)) {
            tag->SetUpValidators(possibility);
            target->AddTag(tag);
        }
    }

    for (const auto& [valueName, build] : values) {
        const Vek::PString tagName(valueName.c_str());
        const SoupHandle possibility = FindTagDefinition(tagName, definition, inherited);
        if (IsParticleRateName(tagName) && target->FindTag("file")) continue;
        if (IsAssetBuildAtLeast(build)) {
            if (Tag* tag = AddTagFromDefinition(target, tagName, possibility, config)) {
                tag->SetUpValidators(possibility);
                Errors().AddError(LocalisedToolsText("$tet_container_missingtag", {tagName}), tag);
                target->AddTag(tag);
            }
        } else {
            Errors().AddWarning(LocalisedToolsText("$tet_container_missingtag", {tagName}));
        }
    }
    for (const auto& [elementName, build] : elements) {
        const Vek::PString text = LocalisedToolsText("$tet_container_missingcontainer", {elementName});
        if (IsAssetBuildAtLeast(build))
            Errors().AddError(text);
        else
            Errors().AddWarning(text);
    }
    MoveIdentityTagsFirst();
    return true;
}

}  // namespace TETLib
