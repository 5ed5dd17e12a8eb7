#include "tetlib/upgrade/LegacyConfigUpgrade.h"

#include "tetlib/DataManager.h"
#include "tetlib/ErrorHandler.h"
#include "tetlib/ToolsText.h"
#include "tetlib/container/BuildNumbers.h"

namespace TETLib {

namespace {
LegacyConfigUpgrader* g_upgrader = nullptr;
}

void SetLegacyConfigUpgrader(LegacyConfigUpgrader* upgrader) { g_upgrader = upgrader; }
LegacyConfigUpgrader* GetLegacyConfigUpgrader() { return g_upgrader; }

void UpgradeLegacyAssetConfig(SoupHandle& configuration) {
    if (g_upgrader) {
        g_upgrader->Upgrade(configuration);
        return;
    }
    if (BuildCodeWithMargin(DataManager::Instance()->GetAssetBuild()) < kLegacyUpgradeBuildCode)
        ErrorHandler::Instance()->AddWarning(LocalisedToolsText("$tet_legacy_not_upgraded"));
}

}  // namespace TETLib
