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
//  7. makes U + "libraries" and maps the root "libraries" to it;
//  8. when U + "settings" is empty, copies I + "prebuilt" + "settings"
//     into it.
// A folder that cannot be made is not reported; each step goes on.
void InitializeAssetFolders();

// Step 5 of InitializeAssetFolders: makes the locations "data" (over
// I + "Data") and "local", "original", "backups", "editing", "cache" and
// "settings" (over U + the name) readable as file-system roots of the same
// names. For now each is mapped as a plain-folder substitution; this is the
// one place where the locations' resource databases are to be acquired and
// kept once the resource-database cache exists.
void AcquireAssetFolderDatabases();

// Removes what AcquireAssetFolderDatabases set up, then the roots "scripts"
// and "libraries". A shutdown step.
void ReleaseAssetFolderDatabases();
