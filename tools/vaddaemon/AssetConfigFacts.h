#pragma once
// What the stand-in daemon reads from an asset's configuration soup: its
// KUID, name, category texts, description, build, dependencies
// ("kuid-table"), obsoleted KUIDs ("obsolete-table") and thumbnails
// ("thumbnails"). Configurations are input from outside: every list is
// bounded and every file name is checked before it is used as a path.
#include <cstdint>
#include <string>

#include "foundation/soups/SoupHandle.h"
#include "vaddaemon/AssetRecord.h"

// The most KUIDs taken from one table of a configuration.
constexpr int32_t kMaxConfigKuids = 4096;

// Loads the configuration of the asset folder at `folder` (a path for the
// engine's file layer): "config.chump", else "config.txt". False when
// neither gives a soup with tags.
bool LoadAssetConfig(const std::string& folder, SoupHandle& config);

// True when the asset folder holds both "config.chump" and "config.txt" and
// the text form was modified after the binary one: LoadAssetConfig reads
// the binary form, so an edit made in the text form would be ignored.
bool TextConfigIsNewer(const std::string& folder);

// The configuration's "kuid" (the null KUID when it has none).
KUID ConfigKuid(const SoupHandle& config);

// Fills the record's name, description, category texts, build,
// dependencies and obsoletes from the configuration. The name is the first
// non-blank of "username", "name" and "asset-filename", trimmed; without
// one the record's name stays. A "consist" without "category-class" gets
// the class "CN".
void ReadConfigFacts(const SoupHandle& config, AssetRecord& record);

// The record of an asset whose edited copy was committed with this
// configuration: installed, no longer open for editing, modified, not
// faulty, with the configuration's facts.
void RecordCommit(const SoupHandle& config, AssetRecord& record);

// The thumbnail of the configuration's "thumbnails" list whose "width" is
// `size`, else the first one: its "image" file name (with backslashes) and
// width. A name that is absolute or climbs out of the asset folder is
// skipped. False when there is none.
bool ChooseThumbnail(const SoupHandle& config, int32_t size, std::string& image, int32_t& width);
