#include "tetlib/container/Container.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "foundation/kuid/KUID.h"
#include "foundation/soups/ACSChunk.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/ToolsText.h"
#include "tetlib/container/BuildNumbers.h"
#include "tetlib/container/Tag.h"
#include "tetlib/container/TagRules.h"
#include "tetlib/upgrade/LegacyConfigUpgrade.h"

namespace TETLib {

namespace {

ErrorHandler& Errors() { return *ErrorHandler::Instance(); }
DataManager& Data() { return *DataManager::Instance(); }
float AssetBuild() { return Data().GetAssetBuild(); }

bool EqualsNoCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
    return *a == *b;
}

bool StartsWith(const Vek::PString& text, const char* prefix) {
    return std::strncmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Puts `entry` under `name` into `soup`: the first same-named entry goes and
// the new one is appended (shared, not copied).
void ReplaceContainerEntry(SoupHandle& soup, const Vek::PString& name, SoupHandle entry) {
    soup.SetContainer(name, entry);
}

void MergeEntries(SoupHandle& into, const SoupHandle& from) {
    for (int32_t i = 0; i < from.Count(); ++i) {
        SoupHandle entry = from.GetContainerAt(i);
        if (!entry.IsEmpty()) ReplaceContainerEntry(into, from.GetTagName(i), entry);
    }
}

void MergeTextEntries(SoupHandle& into, const SoupHandle& from) {
    for (int32_t i = 0; i < from.Count(); ++i) {
        const Vek::PString key = from.GetTagName(i);
        into.SetString(key, from.GetString(key).c_str());
    }
}

void DestroyTags(std::vector<Tag*>& tags) {
    for (Tag*& tag : tags) {
        Tag* doomed = tag;
        tag = nullptr;
        delete doomed;
    }
    tags.clear();
}

void DestroyTags(TagList& tags) {
    std::vector<Tag*> doomed = tags.TakeAll();
    DestroyTags(doomed);
}

}  // namespace

int TagTypeCode(const Vek::PString& type) {
    static const std::pair<const char*, int> table[] = {
        {"float", 0},          {"string", 1},       {"int", 3},           {"bool", 4},
        {"vector2", 5},        {"vector3", 6},      {"rgb", 6},           {"vector4", 7},
        {"vector5", 8},        {"floatlist", 9},    {"combobox", 10},     {"intcombobox", 11},
        {"listbox", 12},       {"doublestring", 13}, {"kuid", 14},        {"filepath", 15},
        {"filepathedit", 16},  {"stringkuid", 17},  {"kuidbrowser", 18}, {"stringkuidbrowser", 19},
    };
    for (const auto& [text, code] : table)
        if (type == Vek::PString(text)) return code;
    return 20;
}

Container::Container() = default;

Container::~Container() {
    extensionSoup.Clear();
    if (ErrorHandler* handler = ErrorHandler::Instance()) handler->RemoveFirstByContainer(this);
    DataManager* data = DataManager::Exists() ? DataManager::Instance() : nullptr;
    if (data) data->RemoveContainerMesh(this);
    DestroyTags(tags);
    DestroyTags(identityTags);
    DestroyTags(defaultTags);
    for (Container*& sub : subContainers) {
        Container* doomed = sub;
        sub = nullptr;
        delete doomed;
    }
    subContainers.clear();
    if (parent) {
        auto& siblings = parent->subContainers;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    } else if (data) {
        data->ReleaseLoadedMeshes();
        for (const char* list : {"mesh-table", "attached-track", "queues"}) data->ClearSourceContainers(list);
    }
}

Container* Container::Root() {
    Container* node = this;
    while (node->parent) node = node->parent;
    return node;
}

Tag* Container::FindTag(const Vek::PString& tagName) const { return tags.Find(tagName); }

Container* Container::FindSubContainer(const Vek::PString& subName) const {
    for (Container* sub : subContainers)
        if (sub && sub->name == subName) return sub;
    return nullptr;
}

std::string Container::ContainerPath() const {
    std::string path;
    for (const Container* node = this; node->parent; node = node->parent)
        path = std::string(node->name.c_str()) + "\\" + path;
    if (!path.empty()) path.pop_back();
    return path;
}

SoupHandle Container::GetDefinition(const Vek::PString& definitionName) const {
    return Data().GetDefinitions().GetContainer(definitionName);
}

SoupHandle Container::GetTopLevelDefinition(const Vek::PString& kind) const {
    const Vek::PString lower(LowerAscii(kind.c_str()).c_str());
    SoupHandle definition = GetDefinition(lower);
    if (definition.GetInt("top-level", 0) == 0) {
        Data().LoadDefinitions();
        definition = GetDefinition(lower);
    }
    if (definition.GetInt("top-level", 0) == 0) return SoupHandle();
    return definition;
}

void Container::CollectInheritedPossibilities(SoupHandle& possibilities, SoupHandle& array, SoupHandle& arrayElement,
                                              const SoupHandle& inherit) {
    for (int32_t i = 0; i < inherit.Count(); ++i) {
        const Vek::PString parentName = inherit.GetTagName(i);
        inheritedNames.push_back(parentName);
        const SoupHandle parentDefinition = GetDefinition(parentName);
        const SoupHandle grand = parentDefinition.GetContainer("inherit");
        if (!grand.IsEmpty()) CollectInheritedPossibilities(possibilities, array, arrayElement, grand);
        MergeEntries(possibilities, parentDefinition.GetContainer("subpossibilities"));
        MergeEntries(array, parentDefinition.GetContainer("tagarray"));
        MergeTextEntries(arrayElement, parentDefinition.GetContainer("array-element"));
    }
}

void Container::CollectInheritedValidation(SoupHandle& validation, const SoupHandle& definition) const {
    const SoupHandle inherit = definition.GetContainer("inherit");
    for (int32_t i = 0; i < inherit.Count(); ++i) {
        const SoupHandle parentDefinition = GetDefinition(inherit.GetTagName(i));
        if (!parentDefinition.GetContainer("inherit").IsEmpty()) CollectInheritedValidation(validation, parentDefinition);
        const SoupHandle own = parentDefinition.GetContainer("validation");
        for (int32_t j = 0; j < own.Count(); ++j) {
            SoupHandle entry = own.GetContainerAt(j);
            validation.SetContainer(own.GetTagName(j), entry);
        }
    }
}

void Container::SetUpContainerValidators(const SoupHandle& definition, Container* container) {
    // The merge goes into a soup of this set-up; the shared definitions stay
    // as they were read.
    SoupHandle validation;
    validation.EnsureContainer();
    const SoupHandle own = definition.GetContainer("validation");
    for (int32_t i = 0; i < own.Count(); ++i) {
        SoupHandle entry = own.GetContainerAt(i);
        validation.SetContainer(own.GetTagName(i), entry);
    }
    CollectInheritedValidation(validation, definition);
    for (int32_t i = 0; i < validation.Count(); ++i) {
        const ContainerRule rule = FindContainerRule(validation.GetTagName(i));
        if (!rule) continue;
        container->validators.push_back(rule);
        container->validatorParameters.push_back(validation.GetContainerAt(i));
    }
}

void Container::BuildFromDefinition(const SoupHandle& definition) {
    SoupHandle possibilities, array, arrayElement;
    possibilities.EnsureContainer();
    array.EnsureContainer();
    arrayElement.EnsureContainer();
    const SoupHandle inherit = definition.GetContainer("inherit");
    if (!inherit.IsEmpty()) CollectInheritedPossibilities(possibilities, array, arrayElement, inherit);
    MergeEntries(possibilities, definition.GetContainer("subpossibilities"));
    MergeEntries(array, definition.GetContainer("tagarray"));
    MergeTextEntries(arrayElement, definition.GetContainer("array-element"));

    for (int32_t i = 0; i < possibilities.Count(); ++i) {
        const Vek::PString entryName = possibilities.GetTagName(i);
        const SoupHandle possibility = possibilities.GetContainerAt(i);
        if (possibility.IsEmpty() || entryName.IsEmpty()) continue;
        const Vek::PString kind = possibility.GetString("kind");
        if (kind == Vek::PString("element")) {
            const Vek::PString elementType = possibility.GetString("element-type");
            if (possibility.GetInt("compulsory", 0) != 0) AddCompulsoryElementDefinition(this, elementType);
            AllowElement(entryName, this, elementType);
        } else if (kind == Vek::PString("value") && possibility.GetInt("compulsory", 0) == 0) {
            if (Tag* tag = AddTagFromDefinition(this, entryName, possibility, SoupHandle())) {
                tag->SetUpValidators(possibility);
                defaultTags.push_back(tag);
            }
        }
    }
    if (array.Count() > 0) tagArray = array;
    for (int32_t i = 0; i < arrayElement.Count(); ++i) {
        const Vek::PString key = arrayElement.GetTagName(i);
        AllowElement(key, this, arrayElement.GetString(key));
    }
}

void Container::AddCompulsoryElementDefinition(Container* container, const Vek::PString& elementType) {
    container->compulsoryElementDefinitions.push_back(GetDefinition(elementType));
}

void Container::AllowElement(const Vek::PString& elementName, Container* container, const Vek::PString& elementType) {
    auto& names = container->allowedElementNames;
    if (std::find(names.begin(), names.end(), elementName) != names.end()) return;
    names.push_back(elementName);
    container->elementDefinitions.push_back(GetDefinition(elementType));
}

bool Container::IsAssetBuildAtLeast(float build) const {
    return BuildCodeWithMargin(AssetBuild()) >= BuildCodeWithMargin(build);
}

void Container::ApplyObsoleteTags(const SoupHandle& definition) {
    const SoupHandle obsolete = definition.GetContainer("obsolete-tag");
    const int asset = BuildCodeWithMargin(AssetBuild());
    for (int32_t i = 0; i < obsolete.Count(); ++i) {
        const Vek::PString entryName = obsolete.GetTagName(i);
        SoupHandle entry = obsolete.GetContainerAt(i);
        const float version = entry.GetFloat("obsolete-version", 2.6f);
        if (asset < BuildCodeWithMargin(version)) {
            // The asset is older than the obsolescence: the entry is a
            // possibility again, for this asset only.
            SoupHandle& overlay = Root()->m_obsoleteOverlay[definition.Get()];
            overlay.SetContainer(entryName, entry);
        } else {
            obsoleteTagNames.push_back(entryName);
        }
    }
}

SoupHandle Container::OwnSubPossibility(const SoupHandle& definition, const Vek::PString& entryName) const {
    const Container* root = this;
    while (root->parent) root = root->parent;
    auto it = root->m_obsoleteOverlay.find(definition.Get());
    if (it != root->m_obsoleteOverlay.end()) {
        SoupHandle entry = it->second.GetContainer(entryName);
        if (!entry.IsEmpty()) return entry;
    }
    return definition.GetContainer("subpossibilities").GetContainer(entryName);
}

void Container::CollectCompulsoryValues(const SoupHandle& definition, std::map<std::string, float>& map) const {
    const SoupHandle possibilities = definition.GetContainer("subpossibilities");
    for (int32_t i = 0; i < possibilities.Count(); ++i) {
        const SoupHandle entry = possibilities.GetContainerAt(i);
        if (!entry.GetString("element-type").IsEmpty()) continue;
        const float build = entry.GetFloat("compulsory", 0.0f);
        if (build > 0.0f) map[possibilities.GetTagName(i).c_str()] = build;
    }
}

void Container::CollectCompulsoryElements(const SoupHandle& definition, std::map<std::string, float>& map) const {
    const SoupHandle possibilities = definition.GetContainer("subpossibilities");
    for (int32_t i = 0; i < possibilities.Count(); ++i) {
        const SoupHandle entry = possibilities.GetContainerAt(i);
        if (entry.GetString("element-type").IsEmpty()) continue;
        const float build = entry.GetFloat("compulsory", 0.0f);
        if (build > 0.0f) map[possibilities.GetTagName(i).c_str()] = build;
    }
}

SoupHandle Container::GetSubPossibility(const SoupHandle& definition, const Vek::PString& entryName) const {
    SoupHandle possibility = OwnSubPossibility(definition, entryName);
    if (!possibility.IsEmpty()) return possibility;
    SoupHandle arrayElement = definition.GetContainer("array-element");
    if (!arrayElement.IsEmpty()) return arrayElement;
    if (entryName == Vek::PString("0") || std::atoi(entryName.c_str()) != 0) {
        const SoupHandle possibilities = definition.GetContainer("subpossibilities");
        for (int32_t i = 0; i < possibilities.Count(); ++i) {
            SoupHandle entry = possibilities.GetContainerAt(i);
            if (entry.GetInt("numarray", 0) != 0) return entry;
        }
    }
    return SoupHandle();
}

bool Container::GetTagDefinition(const SoupHandle& definition, const Vek::PString& entryName,
                                 SoupHandle& possibility) {
    possibility = GetSubPossibility(definition, entryName);
    if (!possibility.IsEmpty()) return true;
    if (StartsWith(entryName, "string-table-")) {
        possibility = GetSubPossibility(definition, "string-table");
        return !possibility.IsEmpty();
    }
    if (StartsWith(entryName, "smoke")) {
        possibility = GetDefinition("smoke");
        if (!possibility.IsEmpty()) return true;
        Errors().AddError(LocalisedToolsText("$tet_container_nosmoke"), this);
    }
    return false;
}

SoupHandle Container::FindTagDefinition(const Vek::PString& entryName, const SoupHandle& definition,
                                        const std::vector<SoupHandle>& inherited) const {
    SoupHandle found = OwnSubPossibility(definition, entryName);
    if (!found.IsEmpty()) return found;
    for (const SoupHandle& parentDefinition : inherited) {
        if (parentDefinition.IsEmpty()) continue;
        found = OwnSubPossibility(parentDefinition, entryName);
        if (!found.IsEmpty()) return found;
        found = parentDefinition.GetContainer("tagarray").GetContainer(entryName);
        if (!found.IsEmpty()) return found;
    }
    return definition.GetContainer("tagarray").GetContainer(entryName);
}

Vek::PString Container::GetContainerTypeName(const SoupHandle& possibility, const Vek::PString& kind) const {
    char key[32];
    for (int32_t i = 0; i < possibility.Count(); ++i) {
        std::snprintf(key, sizeof key, "container-type%i", static_cast<int>(i));
        const Vek::PString type = possibility.GetString(key);
        if (!type.IsEmpty() && std::strstr(type.c_str(), kind.c_str())) return type;
    }
    return possibility.GetString("container-type0");
}

Tag* Container::CreateTag(int32_t index, Container* owner, const Vek::PString& tagName) {
    return new Tag(index, owner, tagName);
}

Tag* Container::AddTagFromDefinition(Container* container, const Vek::PString& tagName, const SoupHandle& possibility,
                                     const SoupHandle& config) {
    if (container->FindTag(tagName)) return nullptr;
    Tag* tag = CreateTag(static_cast<int32_t>(container->tags.size()), container, tagName);
    const Vek::PString configured = config.IsEmpty() ? Vek::PString() : config.GetString(tagName);
    if (!configured.IsEmpty()) {
        tag->value = configured.c_str();
    } else if (possibility.HasTag("default")) {
        const Vek::PString fallback = possibility.GetString("default");
        tag->value = fallback == Vek::PString("parent") ? container->name.c_str() : fallback.c_str();
    }
    if (possibility.GetInt("compulsory", 0) == 0 && !config.IsEmpty()) container->RemoveDefaultTag(tagName);
    SetUpTagFromDefinition(*tag, possibility, config, container);
    return tag;
}

void Container::SetUpTagFromDefinition(Tag& tag, const SoupHandle& possibility, const SoupHandle& config,
                                       Container* container) {
    tag.definition = possibility;
    const Vek::PString type = possibility.GetString("type");
    tag.typeCode = possibility.IsEmpty() ? 20 : TagTypeCode(type);
    switch (tag.typeCode) {
    case 1:
        if (config.IsEmpty()) {
            const PersonalDetails& details = Data().GetPersonalDetails();
            const std::pair<const char*, const Vek::PString*> personal[] = {
                {"license", &details.license},       {"author", &details.author},
                {"contact-email", &details.email},   {"contact-website", &details.website},
                {"organisation", &details.organisation}, {"website", &details.website},
            };
            for (const auto& [field, text] : personal)
                if (tag.name == Vek::PString(field)) tag.value = text->c_str();
        }
        if (possibility.HasTag("filter")) tag.filter = possibility.GetString("filter");
        [[fallthrough]];
    case 0:
    case 3:
        tag.disabled = possibility.GetInt("disabled", 0) != 0;
        break;
    case 4:
        if (!tag.value.empty() && tag.value != "0" && tag.value != "1")
            Errors().AddWarning(LocalisedToolsText("$tet_container_notboolean", {tag.name, container->name}), &tag);
        break;
    case 12:
        if (!tag.value.empty() && !IsValidListBoxValue(tag.value, possibility)) tag.value.clear();
        break;
    case 10: {
        const Vek::PString source = possibility.GetString("source");
        if (source == Vek::PString("attachment")) {
            if (possibility.GetInt("unique", 0) != 0)
                Data().RegisterUniqueAttachmentTag(&tag);
            else
                Data().RegisterAttachmentTag(&tag);
            tag.source = source;
            tag.hasSource = true;
        } else if (source == Vek::PString("mesh-table") || source == Vek::PString("attached-track") ||
                   source == Vek::PString("queues")) {
            Data().RegisterSourceUser(source, &tag);
            tag.source = source;
            tag.hasSource = true;
        } else if (!tag.value.empty() && !IsValidComboBoxValue(tag.value, possibility)) {
            tag.value.clear();
        }
        break;
    }
    case 11:
        if (!tag.value.empty() && !IsValidIntComboBoxValue(tag.value, possibility)) tag.value.clear();
        break;
    case 14:
        if (tag.value.empty()) tag.value = "<NULL>";
        break;
    case 15:
    case 16:
        tag.datatype = possibility.GetString("datatype");
        tag.isFilePath = true;
        if (tag.name == Vek::PString("script")) break;
        if (!config.IsEmpty() && config.HasTag("mesh-asset")) {
            Data().SetAliasAsset(true);
        } else if (!tag.value.empty()) {
            // The file goes to the data manager, which keeps a mesh it loads
            // as this container's.
            Vek::File::Path path = Data().GetAssetPath();
            path.AddPath(LowerAscii(tag.value).c_str());
            Data().LoadAssetMesh(Vek::PString(path.c_str()), container);
        }
        break;
    case 18:
        if (possibility.HasTag("category")) tag.category = possibility.GetString("category");
        if (possibility.HasTag("filter")) tag.filter = possibility.GetString("filter");
        break;
    case 20: {
        const Vek::PString& n = tag.name;
        const bool comment = n == Vek::PString("!") || n == Vek::PString("rem") || n == Vek::PString(";");
        if (comment && IsBuildBelow(AssetBuild(), 2.5f)) break;
        const auto& obsolete = container->obsoleteTagNames;
        if (std::find(obsolete.begin(), obsolete.end(), n) != obsolete.end() || StartsWith(n, "category-region-") ||
            StartsWith(n, "category-era-")) {
            const Vek::PString text = LocalisedToolsText("$tet_container_obsoletetag", {n, container->name});
            if (BuildCodeTruncated(AssetBuild()) >= kStrictObsoleteTagBuildCode)
                Errors().AddError(text, &tag);
            else
                Errors().AddWarning(text, &tag);
        } else {
            Errors().AddError(LocalisedToolsText("$tet_container_nodefinition", {n, container->name}), &tag);
        }
        break;
    }
    default:
        break;
    }
}

Container* Container::CreateSubContainer(const Vek::PString& subName, Container* parentContainer,
                                         const Vek::PString& subType, int32_t subId, const SoupHandle& config) {
    const SoupHandle definition = GetDefinition(subType);
    if (definition.IsEmpty()) {
        Errors().AddError(LocalisedToolsText("$tet_container_nocontainerdefinition", {subType}), parentContainer);
        return nullptr;
    }
    Container* child = new Container();
    child->name = subName;
    child->parent = parentContainer;
    child->typeName = subType;
    child->id = subId;
    child->definitions = Data().GetDefinitions();
    child->configuration = config;
    child->savingName = definition.GetString("savingname");
    return child;
}

void Container::AddTag(Tag* tag) {
    if (EqualsNoCase(tag->name.c_str(), "kuid") || EqualsNoCase(tag->name.c_str(), "username"))
        identityTags.push_back(tag);
    else
        tags.push_back(tag);
}

void Container::AddSubContainer(Container* container) { subContainers.push_back(container); }

void Container::MoveIdentityTagsFirst() {
    tags.insert(tags.begin(), identityTags.begin(), identityTags.end());
    identityTags.clear();
}

void Container::RemoveDefaultTag(const Vek::PString& tagName) {
    for (auto it = defaultTags.begin(); it != defaultTags.end(); ++it) {
        if ((*it)->name != tagName) continue;
        Tag* doomed = *it;
        defaultTags.erase(it);
        delete doomed;
        return;
    }
}

bool Container::RunValidators() {
    bool result = true;
    for (std::size_t i = 0; i < validators.size(); ++i)
        if (!validators[i](*this, validatorParameters[i])) result = false;
    return result;
}

void Container::SetExtensionSoup(const SoupHandle& soup) {
    extensionSoup.Clear();
    if (!soup.IsEmpty()) extensionSoup.CopyFrom(soup);
}

}  // namespace TETLib
