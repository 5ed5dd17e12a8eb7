#pragma once
// The texture files of an asset folder, checked during validation: compiled
// textures without their description, left-over conversion files, and each
// texture description's images (present, loadable, power-of-two sizes,
// primary and alpha of the same size, plain ANSI text) and its compiled
// texture. Findings go to the tools' error handler without an owner; paths
// are shown relative to `root`.
#include <string>

namespace TETLib {

// Walks `folder` and its subfolders; false when anything was reported
// (warnings included). A folder that cannot be listed passes. The asset
// checks (ValidateAssetContainer) call it with the asset's folder as both
// arguments.
bool ScanTextureDescriptions(const std::string& root, const std::string& folder);

}  // namespace TETLib
