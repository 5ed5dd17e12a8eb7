#pragma once
// The name an asset shows to the user, from its configuration.
#include "engine/AnsiString.h"

class SoupHandle;

// The text of "username", else "name", else "asset-filename". For assets
// built for versions before 2.9 ("vorlex-build", 0 when missing: when
// (build + 0.005) x 100, truncated, is below 290) every underscore becomes
// a blank. Then CleanAssetName.
Vek::String GetAssetDisplayName(const SoupHandle& config);

// Removes leading and trailing tabs, line feeds, carriage returns and
// blanks, then one quotation mark at each end (QuoteLengthAt: straight,
// single-byte typographic or three-byte typographic), without trimming
// again. An empty result becomes the interface text "$cm_general_untitled".
Vek::String CleanAssetName(const Vek::String& name);
