#pragma once
// TETLib::Container: one node of the checked form of an asset configuration,
// a tree of containers holding typed tags, built from the asset's
// configuration soup under the schema definitions that the data manager
// merges from "ZIROzod" (docs/platform.md, "The tools' data folder").
//
//  - LoadFromConfig (root only): stores the asset's build, reports very old
//    assets, runs the legacy upgrade, maps the kind, builds the root from
//    the kind's top-level definition and imports the configuration.
//  - Import: every sub-soup becomes a sub-container, every value a tag; each
//    mismatch with the definitions is a finding of the error handler.
//  - Export: writes the tree back into a soup by tag type, with the per-type
//    checks and the tag rules, and runs the container rules of every
//    sub-container.
//
// Obsolete tags: for an asset older than a tag's obsolescence the tag's
// entry is a possibility again. Those entries go to an overlay that belongs
// to the asset's root container, never into the shared definitions, so one
// old asset does not change the findings of the assets validated after it.
//
// Main thread only, inside the validation lock.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/PString.h"
#include "foundation/soups/SoupHandle.h"
#include "tetlib/container/TagList.h"

namespace TETLib {

class Tag;
class Container;

using ContainerRule = bool (*)(Container& container, const SoupHandle& parameters);

// The kind whose definition checks a configuration: some kinds are
// replaced by finer ones (bridges by height, old tracks by their meshes,
// trackside scenery); the export maps them back.
Vek::PString MapConfigurationKind(const SoupHandle& configuration, float build);

// The type code of a possibility's "type" text (0 float ... 20 other).
int TagTypeCode(const Vek::PString& type);

class Container {
public:
    Container();
    virtual ~Container();
    Container(const Container&) = delete;
    Container& operator=(const Container&) = delete;

    virtual bool LoadFromConfig(SoupHandle configuration);
    virtual void BuildFromDefinition(const SoupHandle& definition);
    virtual bool Export(SoupHandle& out);
    virtual void AddTag(Tag* tag);
    virtual SoupHandle GetDefinition(const Vek::PString& name) const;
    virtual bool Import(const SoupHandle& configuration, const SoupHandle& definition, Container* target);
    virtual void RemoveDefaultTag(const Vek::PString& name);

    virtual bool ExportFloatTag(Tag& tag, SoupHandle& out);
    virtual bool ExportStringTag(Tag& tag, SoupHandle& out);
    virtual bool ExportIntTag(Tag& tag, SoupHandle& out);
    virtual bool ExportBoolTag(Tag& tag, SoupHandle& out);
    virtual bool ExportVectorTag(Tag& tag, SoupHandle& out, int count);
    virtual bool ExportFloatListTag(Tag& tag, SoupHandle& out);
    virtual bool ExportComboBoxTag(Tag& tag, SoupHandle& out);
    virtual bool ExportIntComboBoxTag(Tag& tag, SoupHandle& out);
    virtual bool ExportListBoxTag(Tag& tag, SoupHandle& out);
    virtual bool ExportKuidTag(Tag& tag, SoupHandle& out);
    virtual bool ExportStringKuidTag(Tag& tag, SoupHandle& out);
    virtual bool ExportDoubleStringTag(Tag& tag, SoupHandle& out);
    virtual bool ExportFilePathTag(Tag& tag, SoupHandle& out, bool edit);
    virtual bool ExportKuidBrowserTag(Tag& tag, SoupHandle& out);
    virtual bool ExportStringKuidBrowserTag(Tag& tag, SoupHandle& out);
    virtual bool ExportOtherTag(Tag& tag, SoupHandle& out);

    virtual bool IsValidComboBoxValue(const std::string& value, const SoupHandle& possibility) const;
    virtual bool IsValidIntComboBoxValue(const std::string& value, const SoupHandle& possibility) const;
    virtual bool IsValidListBoxValue(const std::string& value, const SoupHandle& possibility) const;

    virtual void SetUpTagFromDefinition(Tag& tag, const SoupHandle& possibility, const SoupHandle& configuration,
                                        Container* container);
    // The possibility of a sub-soup; false when there is none.
    virtual bool GetTagDefinition(const SoupHandle& definition, const Vek::PString& name, SoupHandle& possibility);
    virtual Vek::PString GetContainerTypeName(const SoupHandle& possibility, const Vek::PString& kind) const;
    virtual void CollectCompulsoryValues(const SoupHandle& definition, std::map<std::string, float>& map) const;
    virtual void CollectCompulsoryElements(const SoupHandle& definition, std::map<std::string, float>& map) const;
    virtual void ApplyObsoleteTags(const SoupHandle& definition);
    virtual void SetUpContainerValidators(const SoupHandle& definition, Container* container);
    virtual SoupHandle GetSubPossibility(const SoupHandle& definition, const Vek::PString& name) const;
    virtual Tag* CreateTag(int32_t index, Container* owner, const Vek::PString& name);
    virtual Tag* AddTagFromDefinition(Container* container, const Vek::PString& name, const SoupHandle& possibility,
                                      const SoupHandle& configuration);
    virtual Container* CreateSubContainer(const Vek::PString& name, Container* parent, const Vek::PString& typeName,
                                          int32_t id, const SoupHandle& configuration);
    virtual void SetExtensionSoup(const SoupHandle& soup);

    bool RunValidators();
    SoupHandle FindTagDefinition(const Vek::PString& name, const SoupHandle& definition,
                                 const std::vector<SoupHandle>& inherited) const;
    void AddSubContainer(Container* container);
    void MoveIdentityTagsFirst();
    void AddCompulsoryElementDefinition(Container* container, const Vek::PString& typeName);
    void AllowElement(const Vek::PString& name, Container* container, const Vek::PString& typeName);
    bool IsAssetBuildAtLeast(float build) const;
    SoupHandle GetTopLevelDefinition(const Vek::PString& kind) const;
    void CollectInheritedPossibilities(SoupHandle& possibilities, SoupHandle& tagArray, SoupHandle& arrayElement,
                                       const SoupHandle& inherit);
    void CollectInheritedValidation(SoupHandle& validation, const SoupHandle& definition) const;

    // The root of this container's tree.
    Container* Root();
    // The first tag / sub-container of that name, or null (tags through the
    // list's index).
    Tag* FindTag(const Vek::PString& name) const;
    Container* FindSubContainer(const Vek::PString& name) const;
    // Owner names below the root, outermost first, separated by '\'.
    std::string ContainerPath() const;

    int32_t id = -1;
    Vek::PString name;
    Vek::PString typeName;
    Vek::PString savingName;
    std::vector<SoupHandle> elementDefinitions;
    std::vector<SoupHandle> compulsoryElementDefinitions;
    std::vector<Container*> subContainers;
    TagList tags;
    std::vector<Tag*> identityTags;
    std::vector<Tag*> defaultTags;
    std::vector<Vek::PString> obsoleteTagNames;
    std::vector<Vek::PString> allowedElementNames;
    SoupHandle tagArray;
    Container* parent = nullptr;
    SoupHandle configuration;
    SoupHandle definitions;
    std::vector<ContainerRule> validators;
    std::vector<SoupHandle> validatorParameters;
    std::vector<Vek::PString> inheritedNames;
    SoupHandle extensionSoup;

private:
    // The possibility `name` of a definition's "subpossibilities", the
    // obsolete overlay of this asset first.
    SoupHandle OwnSubPossibility(const SoupHandle& definition, const Vek::PString& name) const;
    // Root only: per definition, the obsolete entries that are possibilities
    // again for this asset.
    std::map<const void*, SoupHandle> m_obsoleteOverlay;
};

}  // namespace TETLib
