#pragma once
// Checks the asset in a folder (operation 38): a configuration
// ("config.chump" or "config.txt") must be there, must read as a soup with
// tags, and must name the asset's KUID. Each finding is an error line for
// the requester; a folder that passes gives no line.
//
// The folder is relative to the named location and may not climb out of it
// (no ".." component, no absolute path); with an empty location name it
// must be absolute.
#include <string>

class ResultsLog;

// True when the asset passes.
bool CheckAssetFolder(const std::string& location, const std::string& folder, ResultsLog* log);
