#include "tetlib/DataManager.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "assetdb/layout/LocationResolution.h"
#include "assetdb/resources/ResourceDatabaseCache.h"
#include "engine/PString.h"
#include "engine/RenderKernel.h"
#include "engine/ResourceSystem.h"
#include "engine/resources/UnusedResources.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/log/FatalError.h"
#include "foundation/soups/SoupFiles.h"
#include "foundation/soups/TextSoupReader.h"
#include "foundation/soups/TextSoupWriter.h"
#include "foundation/streams/BufferStream.h"
#include "frontend/StartupContext.h"
#include "meshes/RenderSetup.h"
#include "tetlib/MeshHolder.h"
#include "tetlib/container/BuildNumbers.h"

namespace TETLib {

namespace {

DataManager* g_instance = nullptr;
Vek::RenderKernel* g_toolsRenderKernel = nullptr;

template <typename T>
void EraseAll(std::vector<T*>& items, const T* item) {
    items.erase(std::remove(items.begin(), items.end(), item), items.end());
}

// Cuts trailing CR and LF from `text`, never its first character.
void CutLineEnd(std::string& text) {
    while (text.size() > 1 && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
}

}  // namespace

ListEntry SplitListLine(const char* line) {
    std::string text = line ? line : "";
    ListEntry entry;
    const std::size_t space = text.find(' ');
    if (space != std::string::npos && space + 1 < text.size()) {
        std::string value = text.substr(space + 1);
        CutLineEnd(value);
        entry.key = Vek::PString(text.substr(0, space).c_str());
        entry.value = Vek::PString(value.c_str());
    } else {
        CutLineEnd(text);
        entry.key = Vek::PString(text.c_str());
    }
    return entry;
}

DataManager::DataManager(const char* dataFolder) : m_dataFolder(dataFolder) {}

bool DataManager::Create(const char* dataFolder) {
    if (!g_instance) g_instance = new DataManager(dataFolder);
    return true;
}

DataManager* DataManager::Instance() {
    if (!g_instance) FatalError("DataManager::Instance> datamanger not initialised");
    if (!g_instance->m_firstUseDone) {
        g_instance->m_firstUseDone = true;
        g_instance->FirstUseInit();
    }
    return g_instance;
}

bool DataManager::Exists() { return g_instance != nullptr; }

void DataManager::Destroy() {
    DataManager* manager = g_instance;
    if (!manager) return;
    manager->SavePersonalDetails();
    manager->UnloadDefinitions();
    g_instance = nullptr;
    if (g_toolsRenderKernel == manager->m_renderKernel) g_toolsRenderKernel = nullptr;
    delete manager;
}

DataManager::~DataManager() {
    ReleaseAssetDatabase();
    m_rootContainer = nullptr;
    m_currentMesh = nullptr;
    m_meshesByContainer.clear();
}

Vek::RenderKernel* DataManager::ToolsRenderKernel() { return g_toolsRenderKernel; }

void DataManager::RegisterVorlexBumpVertexType() {
    if (!g_instance || !g_instance->m_renderKernel) return;
    RegisterRenderSetup(g_instance->m_renderKernel);
}

void DataManager::UnregisterVorlexBumpVertexType() { UnregisterRenderSetup(); }

bool DataManager::Init(const StartupContext& context) {
    m_os = context.os;
    m_resourceSystem = context.resourceSystem;
    m_renderKernel = context.renderKernel;
    g_toolsRenderKernel = m_renderKernel;
    return true;
}

void DataManager::MeshLoaded(Container*) {}
void DataManager::SourcesChanged() {}
void DataManager::UniqueAttachmentsChanged() {}
void DataManager::AttachmentsChanged() {}

void DataManager::RegisterSourceUser(const Vek::PString& sourceName, Tag* tag) {
    m_sourceUsers[sourceName.c_str()].push_back(tag);
    SourcesChanged();
}

void DataManager::RegisterSourceContainer(const Vek::PString& parentName, Container* container,
                                          const Vek::PString& name) {
    m_sourceContainers[parentName.c_str()].push_back(SourceContainer{container, name});
    SourcesChanged();
}

void DataManager::RegisterUniqueAttachmentTag(Tag* tag) {
    if (std::find(m_uniqueAttachmentTags.begin(), m_uniqueAttachmentTags.end(), tag) != m_uniqueAttachmentTags.end())
        return;
    m_uniqueAttachmentTags.push_back(tag);
    UniqueAttachmentsChanged();
}

void DataManager::RegisterAttachmentTag(Tag* tag) {
    m_attachmentTags.push_back(tag);
    AttachmentsChanged();
}

bool DataManager::IsKnownSourceEntry(const Vek::PString& value, const Vek::PString& sourceName) {
    for (const SourceContainer& entry : m_sourceContainers[sourceName.c_str()])
        if (entry.name == value) return true;
    for (const auto& [container, holder] : m_meshesByContainer)
        if (holder && holder->HasAttachmentPoint(value)) return true;
    return false;
}

Vek::File::Path DataManager::DataFile(const char* name) const {
    Vek::File::Path path(m_dataFolder.c_str());
    path.AddPath(name);
    return path;
}

namespace {

// The whole file, or false when it cannot be read.
bool ReadWholeFile(const Vek::File::Path& path, std::string& bytes) {
    Vek::File file;
    if (!file.Open(path.c_str(), Vek::File::kModeRead)) return false;
    const int64_t length = file.Length();
    if (length < 0) return false;
    bytes.assign(static_cast<std::size_t>(length), '\0');
    return file.Read(bytes.data(), bytes.size()) == bytes.size();
}

}  // namespace

bool DataManager::FirstUseInit() {
    if (!Vek::File::Exists(m_dataFolder.c_str())) return false;
    LoadPersonalDetails();
    return true;
}

void DataManager::LoadPersonalDetails() {
    const Vek::File::Path path = DataFile(kPersonalDetailsFile);
    if (!Vek::File::Exists(path.c_str())) return;
    // Read once: the details are parsed from the bytes that shutdown
    // compares its own with.
    std::string bytes;
    const bool read = ReadWholeFile(path, bytes);
    SoupHandle soup;
    if (read) {
        TBuffer text;
        text.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
        text.SetPosition(0);
        ParseTextSoup(soup, text);
    }
    if (!read || soup.Count() == 0) {
        // An empty file holds nothing to lose; anything else that gives no
        // details is kept for the user to mend.
        m_personalDetailsUnreadable = !read || !bytes.empty();
        return;
    }
    m_personalDetailsUnreadable = false;
    m_personalDetailsBytes = std::move(bytes);
    m_personalDetailsBytesKnown = true;
    m_personalDetails.author = soup.GetString("author");
    m_personalDetails.organisation = soup.GetString("organisation");
    m_personalDetails.email = soup.GetString("email");
    m_personalDetails.website = soup.GetString("website");
    m_personalDetails.license = soup.GetString("license");
    m_personalDetails.isInputBoxOn = soup.GetInt("isinputboxon", 0) != 0;
}

bool DataManager::SavePersonalDetails() {
    if (m_personalDetailsUnreadable) return false;
    const Vek::File::Path target = DataFile(kPersonalDetailsFile);
    if (!Vek::File::IsDirectory(m_dataFolder.c_str())) return false;

    SoupHandle soup;
    soup.SetString("author", m_personalDetails.author.c_str());
    soup.SetString("organisation", m_personalDetails.organisation.c_str());
    soup.SetString("email", m_personalDetails.email.c_str());
    soup.SetString("website", m_personalDetails.website.c_str());
    soup.SetString("license", m_personalDetails.license.c_str());
    soup.SetInt("isinputboxon", m_personalDetails.isInputBoxOn ? 1 : 0);

    // Written at every shutdown: most runs change nothing, and the file
    // then keeps its bytes and its time.
    TBuffer text;
    WriteTextSoup(soup, text);
    const std::string bytes(reinterpret_cast<const char*>(text.GetData()), static_cast<std::size_t>(text.GetDataSize()));
    if (m_personalDetailsBytesKnown && bytes == m_personalDetailsBytes && Vek::File::Exists(target.c_str())) return true;

    // A name of this process's own, so two copies shutting down together
    // never write into one temporary file.
    const std::string temporaryName = std::string(kPersonalDetailsFile) + "." + std::to_string(::getpid()) + ".tmp";
    const Vek::File::Path temporary = DataFile(temporaryName.c_str());
    bool saved = SaveSoupFile(soup, Vek::PString(), temporary.c_str(), "txt");
    if (saved) {
        const std::string osTemporary = Vek::File::ResolveOsPath(temporary.c_str());
        const std::string osTarget = Vek::File::ResolveOsPath(target.c_str());
        saved = !osTemporary.empty() && !osTarget.empty() && std::rename(osTemporary.c_str(), osTarget.c_str()) == 0;
    }
    if (!saved) Vek::File::Unlink(temporary.c_str());
    if (saved) {
        m_personalDetailsBytes = bytes;
        m_personalDetailsBytesKnown = true;
    }
    return saved;
}

bool DataManager::LoadDefinitions() {
    if (m_definitionsLoaded) return true;
    m_definitionsLoaded = true;
    m_definitions.Clear();
    for (const char* name : kDefinitionFiles) {
        SoupHandle file;
        LoadSoupFile(file, Vek::PString(), DataFile(name).c_str(), "txt");
        const int32_t count = file.Count();
        for (int32_t i = 0; i < count; ++i) {
            const Vek::PString entryName = file.GetTagName(i);
            SoupHandle value = file.GetContainerAt(i);
            if (value.IsEmpty()) value.EnsureContainer();
            m_definitions.RemoveTag(entryName);
            m_definitions.SetContainer(entryName, value);
        }
    }
    if (m_definitions.IsEmpty()) return false;
    return LoadLists();
}

bool DataManager::LoadLists() {
    Vek::File::Path pattern(m_dataFolder.c_str());
    pattern.AddPath(kListsFolder);
    Vek::File::Path folder = pattern;
    pattern.AddPath("*.*");
    pattern.ReplaceForwardSlashes();
    Vek::File::Find find;
    if (!find.Open(pattern.c_str())) return false;
    do {
        const std::string name = find.GetName();
        if (name == "." || name == "..") continue;
        Vek::File::Path path = folder;
        path.AddPath(name.c_str());
        Vek::File file;
        if (!file.Open(path.c_str(), Vek::File::kModeRead)) return false;
        std::vector<ListEntry> entries;
        char line[kListLineBytes];
        while (Vek::File::ReadLine(file, line, sizeof line)) entries.push_back(SplitListLine(line));
        file.Close();
        m_lists[name] = std::move(entries);
    } while (find.Next());
    return true;
}

SoupHandle DataManager::GetDefinition(const Vek::PString& name) const { return m_definitions.GetContainer(name); }

const std::vector<ListEntry>* DataManager::GetList(const std::string& name) const {
    auto it = m_lists.find(name);
    return it == m_lists.end() ? nullptr : &it->second;
}

void DataManager::UnloadDefinitions() {
    if (!m_definitionsLoaded) return;
    m_definitionsLoaded = false;
    ReleaseLoadedMeshes();
    ReleaseAssetDatabase();
    m_uniqueAttachmentTags.clear();
    m_attachmentTags.clear();
    m_lists.clear();
    m_definitions.Clear();
}

void DataManager::ReleaseAssetDatabase() {
    if (m_assetDatabase) ReleaseResourceDatabase(m_assetDatabase);
    m_assetDatabase = nullptr;
}

void DataManager::SetCurrentAsset(const char* location, const char* path) {
    ReleaseAssetDatabase();
    m_aliasAsset = false;
    m_assetLocation = Vek::PString(location ? location : "");
    m_assetPath = Vek::File::Path(path ? path : "");
    ResolveLocationFromPath(m_assetLocation, m_assetPath);
    Vek::File::Path folder = GetInstallationPath();
    folder.AddPath(m_assetLocation.c_str());
    m_assetDatabase = AcquireResourceDatabase(m_assetLocation, folder.c_str());
}

int DataManager::GetAssetBuildCode() const { return BuildCodeWithMargin(m_assetBuild); }

void DataManager::RegisterMesh(Container* container, std::unique_ptr<MeshHolder> holder) {
    if (!holder) return;
    if (m_currentMesh) m_currentMesh->SetVisible(false);
    MeshHolder* added = holder.get();
    auto& slot = m_meshesByContainer[container];
    if (slot.get() == m_currentMesh) m_currentMesh = nullptr;
    slot = std::move(holder);
    m_currentMesh = added;
    m_currentMesh->SetVisible(true);
    UniqueAttachmentsChanged();
    AttachmentsChanged();
    MeshLoaded(container);
}

MeshHolder* DataManager::GetContainerMesh(const Container* container) const {
    auto it = m_meshesByContainer.find(container);
    return it == m_meshesByContainer.end() ? nullptr : it->second.get();
}

void DataManager::ReleaseLoadedMeshes() {
    m_currentMesh = nullptr;
    m_meshesByContainer.clear();
    // The meshes' materials held their textures: both go now.
    Vek::DumpUnusedResources(m_resourceSystem, m_renderKernel);
    Vek::PStringCache::Instance().CollectGarbage();
}

void DataManager::RemoveContainerMesh(const Container* container) {
    if (container && container == m_rootContainer) m_rootContainer = nullptr;
    auto it = m_meshesByContainer.find(container);
    if (it == m_meshesByContainer.end()) return;
    if (it->second.get() == m_currentMesh) m_currentMesh = nullptr;
    m_meshesByContainer.erase(it);
    UniqueAttachmentsChanged();
    AttachmentsChanged();
}

void DataManager::ClearSourceContainers(const Vek::PString& name) { m_sourceContainers[name.c_str()].clear(); }

void DataManager::RemoveTagRegistrations(const Tag* tag) {
    for (auto& [name, users] : m_sourceUsers) EraseAll(users, tag);
    EraseAll(m_uniqueAttachmentTags, tag);
    EraseAll(m_attachmentTags, tag);
}

const std::vector<DataManager::SourceContainer>* DataManager::GetSourceContainers(const Vek::PString& name) const {
    auto it = m_sourceContainers.find(name.c_str());
    return it == m_sourceContainers.end() ? nullptr : &it->second;
}

const std::vector<Tag*>* DataManager::GetSourceUsers(const Vek::PString& name) const {
    auto it = m_sourceUsers.find(name.c_str());
    return it == m_sourceUsers.end() ? nullptr : &it->second;
}

}  // namespace TETLib
