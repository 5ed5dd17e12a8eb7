#include "tetlib/DataManager.h"

#include "engine/File.h"
#include "foundation/log/FatalError.h"
#include "foundation/soups/SoupFiles.h"
#include "frontend/StartupContext.h"
#include "meshes/RenderSetup.h"

namespace TETLib {

namespace {

DataManager* g_instance = nullptr;
Vek::RenderKernel* g_toolsRenderKernel = nullptr;

}  // namespace

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
    // Only a missing file is written: an existing one may be another run's,
    // half rewritten when this run read it.
    if (!Vek::File::Exists(manager->PersonalDetailsPath().c_str())) manager->SavePersonalDetails();
    g_instance = nullptr;
    if (g_toolsRenderKernel == manager->m_renderKernel) g_toolsRenderKernel = nullptr;
    delete manager;
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

Vek::PString DataManager::PersonalDetailsPath() const {
    Vek::File::Path path(m_dataFolder.c_str());
    path.AddPath(kPersonalDetailsFile);
    return Vek::PString(path.c_str());
}

bool DataManager::FirstUseInit() {
    if (!Vek::File::Exists(m_dataFolder.c_str())) return false;
    LoadPersonalDetails();
    return true;
}

void DataManager::LoadPersonalDetails() {
    const Vek::PString path = PersonalDetailsPath();
    if (!Vek::File::Exists(path.c_str())) return;
    SoupHandle soup;
    LoadSoupFile(soup, Vek::PString(), path.c_str());
    m_personalDetails.author = soup.GetString("author");
    m_personalDetails.organisation = soup.GetString("organisation");
    m_personalDetails.email = soup.GetString("email");
    m_personalDetails.website = soup.GetString("website");
    m_personalDetails.license = soup.GetString("license");
    m_personalDetails.isInputBoxOn = soup.GetInt("isinputboxon", 0) != 0;
}

void DataManager::SavePersonalDetails() {
    SoupHandle soup;
    soup.SetString("author", m_personalDetails.author.c_str());
    soup.SetString("organisation", m_personalDetails.organisation.c_str());
    soup.SetString("email", m_personalDetails.email.c_str());
    soup.SetString("website", m_personalDetails.website.c_str());
    soup.SetString("license", m_personalDetails.license.c_str());
    soup.SetInt("isinputboxon", m_personalDetails.isInputBoxOn ? 1 : 0);
    SaveSoupFile(soup, Vek::PString(), PersonalDetailsPath().c_str(), "txt");
}

}  // namespace TETLib
