#include "tetlib/meshdata/MeshData.h"

#include "engine/animation/Animator.h"
#include "engine/animation/SkeletonModifier.h"
#include "foundation/callbacks/CallDispatcher.h"
#include "foundation/callbacks/TCXCallbackCPPVoidPtr.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/ToolsText.h"

namespace TETLib {

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

bool MeshData::LoadMesh() {
    resourceName = fileName;
    return false;
}

bool MeshData::SetUpAnimation() {
    if (!animator) {
        ReportError(LocalisedToolsText("$tet_mesh_animationfailedmesh", {animationName}));
        return false;
    }
    return false;
}

void MeshData::ReportError(const Vek::PString& text) const {
    ErrorHandler* handler = ErrorHandler::Instance();
    if (!handler) return;
    if (owner)
        handler->AddError(text, owner);
    else
        handler->AddError(text);
}

int MeshData::GetPolygonCount() { return 0; }

const Vek::PString& MeshData::GetName() const {
    static const Vek::PString name(kHolderName);
    return name;
}

Vek::Vector3 MeshData::GetInfoVector() const { return Vek::Vector3(); }

void MeshData::UpdateLighting(Vek::Display*, Vek::ViewPort*, const Vek::Matrix4&, bool) {}

bool MeshData::HasAttachmentPoint(const Vek::PString& name) const {
    for (const Attachment& attachment : attachments)
        if (attachment.name == name) return true;
    return false;
}

void MeshData::SetVisible(bool visible) { SetFlag(kFlagDisplay, visible); }

}  // namespace TETLib
