#include "tetlib/meshdata/MeshData.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "assetdb/resources/VorlexResourceDatabase.h"
#include "engine/File.h"
#include "engine/RenderKernel.h"
#include "engine/animation/AnimationModifier.h"
#include "engine/animation/Animator.h"
#include "engine/animation/SkeletonModifier.h"
#include "engine/scene/ParticleBone.h"
#include "engine/textures/TextureManager.h"
#include "engine/textures/TextureResource.h"
#include "foundation/callbacks/CallDispatcher.h"
#include "foundation/callbacks/TCXCallbackCPPVoidPtr.h"
#include "meshes/instances/VorlexIndexedMeshInstance.h"
#include "meshes/resources/VorlexGeometryBaseResource.h"
#include "meshes/resources/VorlexProgressiveMeshResource.h"
#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/ToolsText.h"
#include "tetlib/meshdata/MeshNames.h"

namespace TETLib {

namespace {

constexpr std::size_t kDescriptionLineBytes = 512;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return text;
}

DataManager* Data() { return DataManager::Exists() ? DataManager::Instance() : nullptr; }

VorlexResourceDatabase* AssetDatabase() {
    DataManager* data = Data();
    return data ? data->GetAssetDatabase() : nullptr;
}

std::size_t AssetPathLength() {
    DataManager* data = Data();
    return data ? std::strlen(data->GetAssetPath().c_str()) : 0;
}

bool IsAlias() {
    DataManager* data = Data();
    return data && data->IsAliasAsset();
}

// The folder part of a path, with its trailing separator ("" without one).
std::string FolderOf(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

}  // namespace

Vek::Resource* MeshData::LookUpResource(const std::string& name) {
    VorlexResourceDatabase* database = AssetDatabase();
    // A file that is not there is no resource, whatever type its name has.
    if (!database || name.empty() || !database->FileExists(name.c_str())) return nullptr;
    return database->GetResource(name.c_str(), Vek::ResourceDatabase::kLookupCreate);
}

MeshData::MeshData() = default;

MeshData::~MeshData() {
    delete animator;
    animator = nullptr;
    delete skeletonModifier;
    skeletonModifier = nullptr;
    // The instance and any other child go with their parent.
    while (Vek::Particle* child = GetFirstChild()) delete child;
    instance = nullptr;
    SetFlag(kFlagDisplay, false);
}

bool MeshData::RunOnMainThread(const TCXCallback& job) {
    jobResult = false;
    if (!CallDispatcher::Instance().DispatchCall(reinterpret_cast<CallContext>(this), CallFlagMainThread, job))
        return false;
    return jobResult;
}

bool MeshData::Load(const Vek::PString& name, Container* ownerContainer) {
    owner = ownerContainer;
    fileName = name;
    return RunOnMainThread(MakeMemberCallback(this, &MeshData::LoadMeshJob));
}

bool MeshData::LoadAnimation(const Vek::PString& name) {
    animationName = name;
    return RunOnMainThread(MakeMemberCallback(this, &MeshData::SetUpAnimationJob));
}

void MeshData::LoadMeshJob(CallArgument) { jobResult = LoadMesh(); }
void MeshData::SetUpAnimationJob(CallArgument) { jobResult = SetUpAnimation(); }

void MeshData::ReportError(const Vek::PString& text) const {
    ErrorHandler* handler = ErrorHandler::Instance();
    if (!handler) return;
    if (owner)
        handler->AddError(text, owner);
    else
        handler->AddError(text);
}

void MeshData::ReportNote(const char* key) const {
    ErrorHandler* handler = ErrorHandler::Instance();
    if (!handler) return;
    const Vek::PString text = LocalisedToolsText(key);
    if (owner)
        handler->AddNote(text, owner);
    else
        handler->IsNewText(text);
}

void MeshData::ReportNotFound(const std::string& name) const {
    ReportError(LocalisedToolsText("$tet_mesh_load_mesh", {name}));
}

bool MeshData::PrepareResource(VorlexGeometryBaseResource* resource, const std::string& relative) {
    resource->renderKernel = DataManager::ToolsRenderKernel();
    resource->loadOptions = MeshLoadOptions{};
    if (resource->Lock() == 0) return true;
    if (owner) ReportError(LocalisedToolsText("$tet_mesh_initialise_mesh", {relative}));
    resource->ReleaseReference();
    return false;
}

bool MeshData::FinishLoad(VorlexGeometryBaseResource* resource, Vek::Particle* made,
                          const VorlexIndexedMeshDefinition& loadedDefinition) {
    Add(made);
    resource->Unlock();
    CreateAnimator();
    loaded = true;
    resource->ReleaseReference();
    if (owner) ReportNote("$tet_mesh_successfulmesh");
    CopyAttachments(loadedDefinition);
    CheckTextures(loadedDefinition);
    CopyBones(loadedDefinition);
    return true;
}

bool MeshData::LoadMesh() {
    resourceName = fileName;
    const std::string name = fileName.c_str();
    const std::string relative = WithoutComponents(name, 1);
    Vek::Resource* found = LookUpResource(name);
    if (auto* progressive = dynamic_cast<VorlexProgressiveMeshResource*>(found)) {
        // Progressive meshes are accepted without any further check.
        progressive->ReleaseReference();
        return true;
    }
    auto* resource = dynamic_cast<VorlexGeometryBaseResource*>(found);
    if (!resource) {
        if (found || (owner && !IsAlias())) ReportNotFound(WithoutPrefix(name, AssetPathLength()));
        if (found) found->ReleaseReference();
        return false;
    }
    if (!PrepareResource(resource, relative)) return false;
    Vek::Particle* made = resource->MakeInstance();
    instance = dynamic_cast<VorlexIndexedMeshInstance*>(made);
    definition = resource->GetDefinition();
    if (!instance || !definition) {
        instance = nullptr;
        definition = nullptr;
        return FailInstance(resource, made, relative);
    }
    return FinishLoad(resource, made, *definition);
}

bool MeshData::FailInstance(VorlexGeometryBaseResource* resource, Vek::Particle* made, const std::string& relative) {
    delete made;
    if (owner) ReportError(LocalisedToolsText("$tet_mesh_initialise_mesh", {relative}));
    resource->Unlock();
    resource->ReleaseReference();
    return false;
}

void MeshData::CreateAnimator() {
    Vek::RenderKernel* kernel = DataManager::ToolsRenderKernel();
    skeletonModifier = new Vek::SkeletonModifier(this, kernel, 0.5f);
    animator = new Vek::Animator(kernel ? kernel->GetDisplay() : nullptr, AssetDatabase(), skeletonModifier);
}

void MeshData::CopyAttachments(const VorlexIndexedMeshDefinition& from) {
    const std::vector<AttachmentRecord>& records = from.GetAttachments();
    attachments.resize(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        std::copy(std::begin(records[i].orientation), std::end(records[i].orientation), attachments[i].orientation);
        attachments[i].position = records[i].position;
        attachments[i].name = Vek::PString(AfterLastSlash(records[i].name.c_str()).c_str());
    }
}

void MeshData::CopyBones(const VorlexIndexedMeshDefinition& from) {
    bones.clear();
    if (!from.skeletonRoot) return;
    const std::vector<Vek::Particle*> particles = from.skeletonRoot->Enumerate();
    bones.resize(particles.size());
    for (std::size_t i = 0; i < particles.size(); ++i) {
        bones[i].name = particles[i]->GetName();
        bones[i].position = particles[i]->GetPosition();
    }
}

void MeshData::CheckDescription(const std::string& description, const std::string& texture) const {
    VorlexResourceDatabase* database = AssetDatabase();
    Vek::File file;
    if (!database || !database->FileExists(description.c_str()) || !database->OpenFile(file, description.c_str()))
        return;
    char line[kDescriptionLineBytes];
    std::string primary;
    bool named = false;
    while (Vek::File::ReadLine(file, line, sizeof line)) {
        if (std::strncmp(line, "Primary=", 8) != 0) continue;
        primary = line + 8;
        primary = Lower(primary.substr(0, primary.find_first_of("\r\n")));
        named = true;
        break;
    }
    file.Close();
    if (!named) return;
    const std::string image = FolderOf(description) + primary;
    if (database->FileExists(image.c_str())) return;
    ReportError(LocalisedToolsText("$tet_mesh_load_texture", {primary, WithoutComponents(texture, 2),
                                                              WithoutComponents(fileName.c_str(), 2)}));
}

void MeshData::CheckTextures(const VorlexIndexedMeshDefinition& from) {
    VorlexResourceDatabase* database = AssetDatabase();
    const std::size_t assetPathLength = AssetPathLength();
    const std::string meshName = fileName.c_str();
    for (const Vek::MeshTextureDefinition& missing : from.GetMissingTextures()) {
        // The texture's path relative to the asset folder.
        const std::string texture = WithoutPrefix(missing.fileName.c_str(), assetPathLength);
        ReportError(LocalisedToolsText("$tet_mesh_failedmaterial",
                                       {WithoutComponents(texture, texture.find_first_of("\\/") == 0 ? 1 : 0),
                                        WithoutPrefix(meshName, assetPathLength)}));
    }
    Vek::RenderKernel* kernel = DataManager::ToolsRenderKernel();
    Vek::TextureManager* textures = kernel ? kernel->GetTextureManager() : nullptr;
    for (uint32_t m = 0; m < from.materials.size(); ++m) {
        for (const Vek::MeshTextureDefinition& definitionOfTexture : from.GetMaterialTextures(m)) {
            const std::string texture = definitionOfTexture.fileName.c_str();
            std::string described = texture;
            if (HasExtension(texture, "txt")) {
                CheckDescription(texture, texture);
            } else if (HasExtension(texture, "texture")) {
                described = texture + ".txt";
                CheckDescription(described, texture);
            }
            Vek::TextureResource* loaded = textures ? textures->GetTexture(database, texture.c_str()) : nullptr;
            if (loaded) {
                loaded->ReleaseReference();
                continue;
            }
            ReportError(LocalisedToolsText("$tet_mesh_load_texture",
                                           {texture, WithoutComponents(described, 2), WithoutComponents(meshName, 2)}));
        }
    }
}

bool MeshData::SetUpAnimation() {
    if (!animator) {
        ReportError(LocalisedToolsText("$tet_mesh_animationfailedmesh", {animationName}));
        return false;
    }
    const std::string name = Lower(animationName.c_str());
    const int result = animator->Add(nullptr, name.c_str(), 5, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f);
    const char* failure = result == Vek::Animator::kSkeletonMismatch ? "$tet_mesh_animationfailedskeleton"
                          : result == Vek::Animator::kUnreadable     ? "$tet_mesh_animationfailedres"
                          : result == Vek::Animator::kNoObserver     ? "$tet_mesh_animationfailedobserver"
                                                                     : nullptr;
    if (failure) {
        ReportError(LocalisedToolsText(failure, {name}));
        return false;
    }
    delete Vek::AnimationModifier::CreateInstance(AssetDatabase(), name.c_str(), 5);
    animations.push_back(Vek::PString(name.c_str()));
    ReportNote("$tet_mesh_successfulanimation");
    return true;
}

int MeshData::GetPolygonCount() { return instance ? static_cast<int>(instance->GetTriangleCount()) : 0; }

const Vek::PString& MeshData::GetName() const {
    static const Vek::PString name(kHolderName);
    return name;
}

Vek::Vector3 MeshData::GetInfoVector() const { return definition ? definition->infoVector : Vek::Vector3(); }

void MeshData::UpdateLighting(Vek::Display* display, Vek::ViewPort* viewPort, const Vek::Matrix4& matrix,
                              bool force) {
    if (!instance) return;
    instance->UpdateLighting(display, viewPort, matrix, force);
    instance->SetUpdateLighting(true);
}

void MeshData::SwitchLightingOn() {
    if (instance) instance->SetUpdateLighting(true);
}

bool MeshData::HasAttachmentPoint(const Vek::PString& name) const {
    for (const Attachment& attachment : attachments)
        if (attachment.name == name) return true;
    return false;
}

void MeshData::SetVisible(bool visible) { SetFlag(kFlagDisplay, visible); }

}  // namespace TETLib
