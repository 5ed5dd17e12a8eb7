#pragma once
// The asset tools' data manager: the process-wide singleton over the tools'
// data folder "ZIROzod/" beside the program.
//
// What start-up and shutdown need of it is built here:
//  - Create over the data folder, Instance (the first call reads the user's
//    personal details from "personalDetails.txt" in the data folder),
//    Destroy (writes the details back);
//  - Init against the engine objects of the start-up context: it keeps the
//    OS object, the resource system and the render kernel and publishes the
//    render kernel for the tools (ToolsRenderKernel);
//  - RegisterVorlexBumpVertexType / UnregisterVorlexBumpVertexType, the
//    product's render set-up (meshes/RenderSetup.h) against that kernel.
// The schema definitions, the lists, the current asset and the mesh holders
// join it with the asset checks that use them. The render kernel has no
// scene graph yet (start-up makes it without one), so Init hangs no scene
// root and no light into it.
//
// Personal details: Destroy writes them when the file is missing (the
// defaults, or what this run was given). An existing file is never rewritten
// with what this run read: several copies of the program run side by side,
// and a copy that read the file while another was rewriting it would write
// back damaged or empty details. Nothing in the program changes the details
// after reading them, so an existing file already holds what would be
// written.
//
// Main thread only (start-up, shutdown and the checks); no lock.
#include "engine/PString.h"

struct StartupContext;
namespace Vek {
class OS;
class RenderKernel;
class ResourceSystem;
}  // namespace Vek

namespace TETLib {

struct PersonalDetails {
    Vek::PString author;
    Vek::PString license;
    Vek::PString organisation;
    Vek::PString email;
    Vek::PString website;
    bool isInputBoxOn = true;
};

class DataManager {
public:
    static constexpr const char* kPersonalDetailsFile = "personalDetails.txt";

    // Makes the singleton over `dataFolder` (the program folder followed by
    // "ZIROzod/"); a second call keeps the first. True.
    static bool Create(const char* dataFolder);
    // The singleton. Ends the process with a fatal error when it was not
    // created. The first call reads the personal details when the data
    // folder exists (FirstUseInit).
    static DataManager* Instance();
    // Whether the singleton exists (no first-use work, no fatal error).
    static bool Exists();
    // Writes the personal details when their file is missing (see above)
    // and deletes the singleton; nothing when there is none.
    static void Destroy();

    // The render kernel that Init published, or null.
    static Vek::RenderKernel* ToolsRenderKernel();

    // The product's rendering caches and dummy-load materials: registered
    // once against the data manager's render kernel (nothing without a data
    // manager or a kernel, or when done already), released at shutdown.
    static void RegisterVorlexBumpVertexType();
    static void UnregisterVorlexBumpVertexType();

    virtual ~DataManager() = default;

    // Keeps the OS object, the resource system and the render kernel of the
    // context and publishes the render kernel; true.
    virtual bool Init(const StartupContext& context);

    // Reads the personal details when the data folder exists; false when it
    // does not.
    bool FirstUseInit();
    // Reads the details file when it exists ("author", "organisation",
    // "email", "website", "license" texts and the "isinputboxon" number).
    void LoadPersonalDetails();
    // Writes the details as a text soup: the five texts, then
    // "isinputboxon" 1 or 0. A failed write is ignored.
    void SavePersonalDetails();

    const Vek::PString& GetDataFolder() const { return m_dataFolder; }
    const PersonalDetails& GetPersonalDetails() const { return m_personalDetails; }
    Vek::OS* GetOS() const { return m_os; }
    Vek::ResourceSystem* GetResourceSystem() const { return m_resourceSystem; }
    Vek::RenderKernel* GetRenderKernel() const { return m_renderKernel; }

private:
    explicit DataManager(const char* dataFolder) : m_dataFolder(dataFolder) {}
    Vek::PString PersonalDetailsPath() const;

    bool m_firstUseDone = false;
    Vek::PString m_dataFolder;
    PersonalDetails m_personalDetails;
    Vek::OS* m_os = nullptr;
    Vek::ResourceSystem* m_resourceSystem = nullptr;
    Vek::RenderKernel* m_renderKernel = nullptr;
};

}  // namespace TETLib
