#pragma once
// "searchbycategory [-a] <category list>": lists the assets whose category
// classes match a pattern such as "CMP;MESH|BD;-ACTV|VE|SCEN".
#include <cstdint>

#include "frontend/commands/CommandArguments.h"

// With A = "-a" the pattern is argv[3] (absent or empty: "Missing category
// parameter.", -1) and every asset the daemon knows may match, those of
// the download service included; otherwise the pattern is A (absent: the
// empty pattern) and only local assets match. The pattern is upper-cased.
// No match: -1 without a message. Else writes "+ <n> : assets matching the
// specified criteria" and then "+ #<i> : <tag>" for each, each ending with
// a line end; 0.
int32_t RunSearchByCategoryWord(CommandArguments& args);
