#pragma once
// Keeping the user's asset keywords: "backupkeywords [file]" saves them,
// "importkeywords" sends those of "KeywordsDump.dat" in the installation
// folder to the daemon.
//
// A keyword file is a text soup: one text tag per asset, named by the
// asset's KUID tag text, holding its keywords.
#include <cstdint>

#include "frontend/commands/CommandArguments.h"

// The file that backupkeywords writes without a name, and the file that
// importkeywords reads.
constexpr const char* kKeywordsBackupFile = "KeywordsBackup.dat";
constexpr const char* kKeywordsDumpFile = "KeywordsDump.dat";

// Searches every asset the daemon knows (an empty filter group) and saves
// each one's keywords to `fileName` inside `folder` (empty: the current
// directory) in the form `extension` selects. When the link to the daemon
// went down meanwhile nothing is saved, so an earlier backup is never
// replaced by a partial one. The save's result.
bool BackupKeywords(const char* folder, const char* fileName, const char* extension);

// Loads `fileName` inside `folder` in the form `extension` selects (false
// when it does not load) and sends, tag by tag, the text as the keywords of
// the KUID the tag's name gives (parsed leniently). True.
bool ImportKeywords(const char* folder, const char* fileName, const char* extension);

// BackupKeywords with A or "KeywordsBackup.dat" in the current directory
// (the program folder), text form; 0 / -1 ("Unable to save the keywords
// to <file>.").
int32_t RunBackupKeywordsWord(CommandArguments& args);
// ImportKeywords of "KeywordsDump.dat" in the installation folder, text
// form; arguments are ignored. 0 / -1 ("Unable to read <file>.").
int32_t RunImportKeywordsWord(CommandArguments& args);
