#pragma once
// "authors": the user names of the authors of the local assets.
#include <cstdint>

#include "engine/PString.h"
#include "frontend/commands/CommandArguments.h"

// The user name of the asset's author (its whole info record, then the
// user-name cache); empty when the daemon does not know the asset or the
// author has no name.
Vek::PString ListAssetAuthor(const KUID& asset);

// Searches the assets that are local, available and enabled, and writes the
// non-empty author names, sorted and each once, one per line; 0.
int32_t RunAuthorsWord(CommandArguments& args);
