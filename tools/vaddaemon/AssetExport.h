#pragma once
// Packs a committed asset as a soup for an archive (operation 48): the tags
// of its configuration (with "kuid" set to the asset's KUID), "files" (one
// container per subfolder, one raw-bytes tag per file, leaving out the
// configuration files "config.txt" and "config.chump" at the top of the
// folder) and "compression":
//   mode 3 (archive building): "LZSS": each file is four bytes (its length,
//          little-endian, which readers skip) followed by the engine's LZSS
//          stream of its bytes;
//   any other mode (the command host's archive stream): empty, each file's
//          bytes as they are.
// An asset without a committed copy or readable configuration, a folder
// nested deeper than kMaxExportDepth, a file that cannot be read and a
// soup that would pass kMaxExportBytes give no soup and one error line.
#include <cstdint>

#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupHandle.h"

class AssetLibrary;
class ResultsLog;

constexpr int32_t kExportModeArchive = 3;
constexpr int kMaxExportDepth = 64;
// The most file bytes one export carries (they travel in one reply frame).
constexpr int64_t kMaxExportBytes = 512ll * 1024 * 1024;

// The asset's soup; false (and `soup` cleared) when there is none.
bool ExportAsset(AssetLibrary& library, const KUID& kuid, int32_t mode, SoupHandle& soup, ResultsLog* log);
