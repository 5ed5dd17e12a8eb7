#pragma once
// The asset tools' holder of one loaded mesh of the asset under check.
//
// Load looks the mesh file up in the data manager's asset resource
// database, makes an instance of it and hangs that instance under the
// holder, gives it a skeleton modifier and an animator, and checks its
// textures. The mesh's attachment points and bones are copied into plain
// lists for the checks; animations load on demand (LoadAnimation). Every
// finding goes to the tools' error handler, tied to the owner container
// when the holder has one.
//
// Loading runs on the main thread: Load and LoadAnimation hand the work to
// the call dispatcher as a main-thread job and wait for it (a call made on
// the main thread runs at once).
//
// Load and LoadAnimation are virtual, and the record lists are protected,
// so that a test can stand a holder with a made-up mesh in for a loaded one.
#include <cstdint>
#include <vector>

#include "engine/PString.h"
#include "engine/Vector.h"
#include "engine/scene/Particle.h"
#include "foundation/callbacks/TCXCallback.h"
#include "tetlib/MeshHolder.h"

class VorlexIndexedMeshDefinition;
class VorlexIndexedMeshInstance;
namespace Vek {
class Animator;
class Display;
class SkeletonModifier;
class ViewPort;
}  // namespace Vek

namespace TETLib {

class Container;

class MeshData : public Vek::Particle, public MeshHolder {
public:
    // One attachment point of the mesh, its name cut to the text after the
    // last "/".
    struct Attachment {
        float orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        Vek::Vector3 position;
        Vek::PString name;
    };
    // One bone of the mesh's skeleton, in enumeration order.
    struct Bone {
        Vek::PString name;
        Vek::Vector3 position;
    };
    // The records of the third list, which no load fills.
    struct ThirdRecord {
        Vek::PString name;
        Vek::Vector3 position;
    };

    // The text GetName answers for every holder.
    static constexpr const char* kHolderName = "some name";

    MeshData();
    // Deletes the animator, then the skeleton modifier, then the child
    // particles (the instance), and clears the display flag.
    ~MeshData() override;
    MeshData(const MeshData&) = delete;
    MeshData& operator=(const MeshData&) = delete;

    // Stores the owner and the file name, then loads the mesh on the main
    // thread and waits: true when the mesh (or a progressive mesh, which is
    // accepted unchecked) was loaded; false when it failed or the job was
    // dropped.
    virtual bool Load(const Vek::PString& fileName, Container* owner);
    // Stores the name and loads the animation onto the loaded mesh on the
    // main thread: true when it was added.
    virtual bool LoadAnimation(const Vek::PString& animationName);

    // The instance's triangle count (the sum over its chunks).
    virtual int GetPolygonCount();
    virtual const Vek::PString& GetName() const;
    // The definition's info vector; zero without a definition.
    virtual Vek::Vector3 GetInfoVector() const;
    virtual int GetAttachmentCount() const { return static_cast<int>(attachments.size()); }
    virtual int GetBoneCount() const { return static_cast<int>(bones.size()); }
    virtual int GetThirdRecordCount() const { return static_cast<int>(thirdRecords.size()); }
    virtual std::vector<Attachment>& GetAttachments() { return attachments; }
    virtual const std::vector<Attachment>& GetAttachments() const { return attachments; }
    virtual const std::vector<Bone>& GetBones() const { return bones; }
    virtual const std::vector<ThirdRecord>& GetThirdRecords() const { return thirdRecords; }
    virtual const std::vector<Vek::PString>& GetAnimations() const { return animations; }
    // The instance that lighting and display work on (an LOD holder answers
    // its LOD instance).
    virtual VorlexIndexedMeshInstance* GetInstance() const { return instance; }
    // The plain indexed instance (null for an LOD holder).
    virtual VorlexIndexedMeshInstance* GetIndexedInstance() const { return instance; }
    virtual VorlexIndexedMeshDefinition* GetDefinition() const { return definition; }
    virtual VorlexIndexedMeshDefinition* GetIndexedDefinition() const { return definition; }
    // Runs the instance's lighting step with these arguments and asks it to
    // update its lighting again.
    virtual void UpdateLighting(Vek::Display* display, Vek::ViewPort* viewPort, const Vek::Matrix4& matrix,
                                bool force);

    // ---- MeshHolder ----
    bool HasAttachmentPoint(const Vek::PString& name) const override;
    void SetVisible(bool visible) override;
    Vek::PString GetFilePath() const override { return fileName; }

    bool IsLoaded() const { return loaded; }
    Container* GetOwner() const { return owner; }
    const Vek::PString& GetFileName() const { return fileName; }
    const Vek::PString& GetAnimationName() const { return animationName; }
    const Vek::PString& GetResourceName() const { return resourceName; }
    Vek::Animator* GetAnimator() const { return animator; }
    Vek::SkeletonModifier* GetSkeletonModifier() const { return skeletonModifier; }

protected:
    // The main-thread jobs (the argument is unused).
    void LoadMeshJob(CallArgument);
    void SetUpAnimationJob(CallArgument);
    // The work of the jobs; their results become Load's and LoadAnimation's.
    virtual bool LoadMesh();
    bool SetUpAnimation();
    // Runs a job of this holder on the main thread and waits for it: the
    // job's result, false when the job was dropped.
    bool RunOnMainThread(const TCXCallback& job);

    // Fills the lists from a loaded definition, and checks its textures.
    void CopyAttachments(const VorlexIndexedMeshDefinition& from);
    void CopyBones(const VorlexIndexedMeshDefinition& from);
    void CheckTextures(const VorlexIndexedMeshDefinition& from);
    // Reports a finding as an error, tied to the owner when there is one.
    void ReportError(const Vek::PString& text) const;
    // Creates the skeleton modifier and the animator over this holder.
    void CreateAnimator();

    VorlexIndexedMeshInstance* instance = nullptr;
    VorlexIndexedMeshDefinition* definition = nullptr;
    Vek::PString fileName;
    Vek::PString animationName;
    Vek::PString resourceName;
    std::vector<Attachment> attachments;
    std::vector<Bone> bones;
    std::vector<ThirdRecord> thirdRecords;
    std::vector<Vek::PString> animations;
    Vek::SkeletonModifier* skeletonModifier = nullptr;
    Vek::Animator* animator = nullptr;
    Container* owner = nullptr;
    bool loaded = false;
    // The result of the last job, handed back to the waiting caller.
    bool jobResult = false;
};

}  // namespace TETLib
