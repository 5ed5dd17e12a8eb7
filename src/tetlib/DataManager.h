#pragma once
// The asset tools' data manager: the process-wide singleton over the tools'
// data folder "ZIROzod/" beside the program. It owns what outlives one
// container of a validation:
//  - the schema: the definitions merged from "inheritance.txt", "kind.txt"
//    and "container.txt" (in that order; a later file's entry replaces an
//    earlier one of the same name and moves to the end), and the named
//    lists of the "lists" folder, one entry {key, value} per line;
//  - the user's personal details, read from "personalDetails.txt" on first
//    use and written back at shutdown;
//  - the asset under check: its location, its folder inside it, its
//    resource database, its build and the per-asset flags;
//  - the meshes loaded for its containers (one holder per container);
//  - the registries of source lists and attachment tags.
//
// Per-asset state: SetCurrentAsset starts a new asset. It clears the alias
// flag, so that one asset that takes its meshes from another does not make
// the checks of every later asset of the same process skip their meshes.
// The root container of the asset under check is set by the container's
// load from its configuration (SetRootContainer) and forgotten when that
// container is destroyed (RemoveContainerMesh), so the rules that read it
// never see a freed container.
//
// Personal details are written through a temporary file in the data folder
// that is renamed over "personalDetails.txt" only once it is written whole,
// so a reader (another copy of the program) sees the old file or the new
// one, never a half-written one. A details file that exists but could not
// be read (and is not empty) is left alone at shutdown, so the user's
// details are not replaced by the defaults.
//
// Main thread only (start-up, shutdown and the checks under the validation
// lock); no lock of its own.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/File.h"
#include "engine/PString.h"
#include "foundation/soups/SoupHandle.h"

struct StartupContext;
class VorlexResourceDatabase;
namespace Vek {
class OS;
class RenderKernel;
class ResourceSystem;
}  // namespace Vek

namespace TETLib {

class Container;
class LODMeshData;
class MeshData;
class MeshHolder;
class Tag;

struct PersonalDetails {
    Vek::PString author;
    Vek::PString license;
    Vek::PString organisation;
    Vek::PString email;
    Vek::PString website;
    bool isInputBoxOn = true;
};

struct ListEntry {
    Vek::PString key;
    Vek::PString value;
};

class DataManager {
public:
    static constexpr const char* kPersonalDetailsFile = "personalDetails.txt";
    static constexpr const char* kDefinitionFiles[3] = {"inheritance.txt", "kind.txt", "container.txt"};
    static constexpr const char* kListsFolder = "lists";
    // Bytes one read of a list line takes (longer lines come in pieces,
    // each its own entry).
    static constexpr std::size_t kListLineBytes = 256;
    static constexpr float kDefaultAssetBuild = 3.5f;

    // Makes the singleton over `dataFolder` (the program folder followed by
    // "ZIROzod/"); a second call keeps the first. True.
    static bool Create(const char* dataFolder);
    // The singleton. Ends the process with the fatal error "DataManager::
    // Instance> datamanger not initialised" when it was not created. The
    // first call reads the personal details when the data folder exists.
    static DataManager* Instance();
    // Whether the singleton exists (no first-use work, no fatal error).
    static bool Exists();
    // Writes the personal details back, releases what the manager holds and
    // deletes the singleton; nothing when there is none.
    static void Destroy();

    // The render kernel that Init published, or null.
    static Vek::RenderKernel* ToolsRenderKernel();

    // The product's rendering caches and dummy-load materials: registered
    // once against the data manager's render kernel (nothing without a data
    // manager or a kernel, or when done already), released at shutdown.
    static void RegisterVorlexBumpVertexType();
    static void UnregisterVorlexBumpVertexType();

    virtual ~DataManager();

    // Keeps the OS object, the resource system and the render kernel of the
    // context and publishes the render kernel; true. (The headless render
    // kernel has no scene graph, so no scene root is hung into it.)
    virtual bool Init(const StartupContext& context);
    // Hook after a mesh was registered for a container.
    virtual void MeshLoaded(Container* container);
    // Appends `tag` to the users of the source list `sourceName`.
    virtual void RegisterSourceUser(const Vek::PString& sourceName, Tag* tag);
    // Appends `container`, named `name`, to the entries of the source list
    // `parentName` (a container keeps its name once imported, so the name
    // is taken at registration).
    virtual void RegisterSourceContainer(const Vek::PString& parentName, Container* container,
                                         const Vek::PString& name);
    virtual void SourcesChanged();
    virtual void UniqueAttachmentsChanged();
    virtual void AttachmentsChanged();
    // Appends `tag` once; a repeat does nothing.
    virtual void RegisterUniqueAttachmentTag(Tag* tag);
    // Appends `tag`, repeats included.
    virtual void RegisterAttachmentTag(Tag* tag);
    // True when a container of the source list `sourceName` is named
    // `value`, or when a loaded mesh has an attachment point of that name.
    // An unknown source name leaves an empty list under it.
    virtual bool IsKnownSourceEntry(const Vek::PString& value, const Vek::PString& sourceName);

    // Reads the personal details when the data folder exists; false when it
    // does not.
    bool FirstUseInit();
    void LoadPersonalDetails();
    // Writes the details (the five texts, then "isinputboxon" 1 or 0)
    // through a temporary file renamed into place. False when nothing was
    // written, including when an unreadable details file was left alone.
    bool SavePersonalDetails();

    // Merges the three definition files and reads the lists, once: a later
    // call returns true at once, and a failure is not retried. False when
    // the files hold no definition, or when a list file cannot be read.
    bool LoadDefinitions();
    bool LoadLists();
    // The merged definitions (a handle sharing the soup), and one of them
    // by name (an empty handle when unknown).
    SoupHandle GetDefinitions() const { return m_definitions; }
    SoupHandle GetDefinition(const Vek::PString& name) const;
    // The entries of a list file by its name ("name.txt"); null when there
    // is no such list.
    const std::vector<ListEntry>* GetList(const std::string& name) const;
    const std::map<std::string, std::vector<ListEntry>>& GetLists() const { return m_lists; }

    // Makes an asset current: location and folder (resolved from an
    // absolute folder when the location is empty), its resource database,
    // and a cleared alias flag.
    void SetCurrentAsset(const char* location, const char* path);
    Vek::PString GetAssetLocation() const { return m_assetLocation; }
    const Vek::File::Path& GetAssetPath() const { return m_assetPath; }
    VorlexResourceDatabase* GetAssetDatabase() const { return m_assetDatabase; }

    // Takes ownership of `holder` as the mesh of `container` (replacing an
    // earlier one), shows it as the only visible one and calls MeshLoaded.
    void RegisterMesh(Container* container, std::unique_ptr<MeshHolder> holder);
    MeshHolder* GetContainerMesh(const Container* container) const;
    // Loads the file a file-path tag names (a path inside the asset's
    // location; an absolute one is made relative to it): ".im" as a mesh,
    // ".lm" and "<name>.lm.txt" as level-of-detail meshes (registered for
    // `owner`; ".lm" is judged for performance), ".kin" as an animation of
    // the mesh registered last, ".pm" as a finding. The registered holder,
    // or null (animations, progressive meshes, failures, other files).
    MeshData* LoadAssetMesh(const Vek::PString& path, Container* owner);
    MeshHolder* GetCurrentMesh() const { return m_currentMesh; }
    // Deletes every holder and drops unused engine resources and interned
    // strings.
    void ReleaseLoadedMeshes();
    // Called by a container's destructor: deletes its holder (clearing the
    // current one when it is that), and forgets the container as the root.
    void RemoveContainerMesh(const Container* container);
    // Empties the entries of a source list (making an empty one if absent).
    void ClearSourceContainers(const Vek::PString& name);
    // Called by a tag's destructor: drops every registration of the tag.
    void RemoveTagRegistrations(const Tag* tag);

    struct SourceContainer {
        Container* container = nullptr;
        Vek::PString name;
    };
    const std::vector<SourceContainer>* GetSourceContainers(const Vek::PString& name) const;
    const std::vector<Tag*>* GetSourceUsers(const Vek::PString& name) const;
    const std::vector<Tag*>& GetUniqueAttachmentTags() const { return m_uniqueAttachmentTags; }
    const std::vector<Tag*>& GetAttachmentTags() const { return m_attachmentTags; }

    // Per-asset state.
    float GetAssetBuild() const { return m_assetBuild; }
    void SetAssetBuild(float build) { m_assetBuild = build; }
    // The build as checks compare it: truncate(build * 100 + 0.1).
    int GetAssetBuildCode() const;
    bool IsAliasAsset() const { return m_aliasAsset; }
    void SetAliasAsset(bool alias) { m_aliasAsset = alias; }
    bool IsMeshLoadFailed() const { return m_meshLoadFailed; }
    void SetMeshLoadFailed(bool failed) { m_meshLoadFailed = failed; }
    bool IsInstalledLocation() const { return m_installedLocation; }
    void SetInstalledLocation(bool installed) { m_installedLocation = installed; }
    Container* GetRootContainer() const { return m_rootContainer; }
    void SetRootContainer(Container* container) { m_rootContainer = container; }

    const Vek::PString& GetDataFolder() const { return m_dataFolder; }
    const PersonalDetails& GetPersonalDetails() const { return m_personalDetails; }
    void SetPersonalDetails(const PersonalDetails& details) { m_personalDetails = details; }
    Vek::OS* GetOS() const { return m_os; }
    Vek::ResourceSystem* GetResourceSystem() const { return m_resourceSystem; }
    Vek::RenderKernel* GetRenderKernel() const { return m_renderKernel; }

private:
    explicit DataManager(const char* dataFolder);
    Vek::File::Path DataFile(const char* name) const;
    void UnloadDefinitions();
    void RegisterLoadedMesh(Container* owner, std::unique_ptr<MeshData> holder);
    // The performance findings of a level-of-detail mesh, unless the owner's
    // parent is of a kind that is not judged.
    void ReportLODPerformance(LODMeshData& holder, const std::string& path, Container* owner);
    void ReleaseAssetDatabase();

    bool m_definitionsLoaded = false;
    bool m_firstUseDone = false;
    bool m_meshLoadFailed = false;
    bool m_installedLocation = false;
    // Set when a details file was there but could not be read.
    bool m_personalDetailsUnreadable = false;
    Vek::PString m_dataFolder;
    Vek::File::Path m_assetPath;
    SoupHandle m_definitions;
    Vek::ResourceSystem* m_resourceSystem = nullptr;
    Vek::RenderKernel* m_renderKernel = nullptr;
    Vek::OS* m_os = nullptr;
    std::map<const Container*, std::unique_ptr<MeshHolder>> m_meshesByContainer;
    MeshHolder* m_currentMesh = nullptr;
    PersonalDetails m_personalDetails;
    // The details file's bytes as last read or written; a save that would
    // write the same bytes leaves the file alone.
    std::string m_personalDetailsBytes;
    bool m_personalDetailsBytesKnown = false;
    std::map<std::string, std::vector<SourceContainer>> m_sourceContainers;
    std::map<std::string, std::vector<Tag*>> m_sourceUsers;
    std::vector<Tag*> m_uniqueAttachmentTags;
    std::vector<Tag*> m_attachmentTags;
    std::map<std::string, std::vector<ListEntry>> m_lists;
    VorlexResourceDatabase* m_assetDatabase = nullptr;
    Vek::PString m_assetLocation;
    float m_assetBuild = kDefaultAssetBuild;
    bool m_aliasAsset = false;
    Container* m_rootContainer = nullptr;
};

// Splits one list line as read (at most kListLineBytes - 1 bytes, its line
// end kept): at the first space that stands before the line's last
// character; the key is the text before it, the value the text after it.
// Trailing CR and LF are cut from the value, or from the key of a line
// without a value, but never a text's first character.
ListEntry SplitListLine(const char* line);

}  // namespace TETLib
