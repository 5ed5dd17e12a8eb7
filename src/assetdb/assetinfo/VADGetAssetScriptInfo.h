#pragma once
// The script facts of an asset, read from its configuration.
#include "engine/File.h"
#include "engine/PString.h"
#include "foundation/kuid/KUID.h"

// Reads the asset's configuration (operation 20). The script file is the
// text of "script", else of "scriptlibrary", with its extension set to
// "gs" and lower-cased; the class name is the text of "class", else of
// "scriptclass", else the script file (as written) without its extension.
// True when both are not empty; false without a configuration.
bool VADGetAssetScriptInfo(Vek::PString& className, Vek::File::Path& scriptFile, const KUID& asset);
