#pragma once
// The user folders, the location roots and the script roots that start-up
// sets up once the installation folder is known (InstallLayout.h), and that
// shutdown takes down again.

// Run right after SetInstallationPath; does nothing while the installation
// folder is unknown. In order:
//  1. makes U + "cache";
//  2. renames an old U + "trash" to U + "backups" when only the first
//     exists, then makes U + "backups";
//  3. makes U + "cache" + "bookmarks", "sessions" and "water";
//  4. makes U + "local", "original", "editing" and "settings";
//  5. opens the seven location roots (AcquireAssetFolderDatabases);
//  6. maps the root "scripts" to I + "scripts";
//  7. makes U + "libraries" and maps the root "libraries" to it, then
//     copies into it each shipped library it lacks, never replacing one
//     (CopyMissingShippedLibraries, ShippedLibraries.h);
//  8. when U + "settings" is empty, copies I + "prebuilt" + "settings"
//     into it.
// A folder that cannot be made is not reported; each step goes on.
void InitializeAssetFolders();

// Step 5 of InitializeAssetFolders: acquires the resource databases
// (assetdb/resources/ResourceDatabaseCache.h) of the locations "data" (over
// I + "Data") and "local", "original", "backups", "editing", "cache" and
// "settings" (over U + the name), which make them file-system roots of the
// same names: each the location's ".va" archive when there is one, else its
// folder. The seven references are kept until ReleaseAssetFolderDatabases;
// references still held from an earlier call are given back first. A
// database that cannot be acquired stays null.
void AcquireAssetFolderDatabases();

// Gives back the seven references and forgets them, then removes the roots
// "scripts" and "libraries". A shutdown step. The location roots themselves
// go when the cache is purged (PurgeResourceDatabaseCache), later in
// shutdown.
void ReleaseAssetFolderDatabases();
