#pragma once
// The resource database of one asset location: it makes the location's name
// a file-system root (engine/File.h) for as long as it lives.
//
// The root stands for the packed archive, the path with ".va" appended, when
// that file exists (engine/ZipArchive.h), and otherwise for the folder, the
// path with "/" appended; both are given to the file service with forward
// slashes. The destructor removes the root.
//
// A root that cannot be set up is left unset, and the location's files are
// then not found (IsMapped is false, and the reason is in the program log):
//  - an empty name or path (an empty folder path would map the name onto
//    the top of the file system);
//  - a ".va" file that is no readable archive: the folder beside it is not
//    used in its place, so a damaged archive never shows stale content.
// Only the resource-database cache (ResourceDatabaseCache.h) makes and
// deletes these objects.
#include "engine/ResourceDatabase.h"

class VorlexResourceDatabase : public Vek::ResourceDatabase {
public:
    VorlexResourceDatabase(const Vek::PString& name, const char* path);
    ~VorlexResourceDatabase() override;

    // True when the root was set up; IsArchive tells which kind it is.
    bool IsMapped() const { return m_mapped; }
    bool IsArchive() const { return m_archive; }

private:
    bool m_mapped = false;
    bool m_archive = false;
};
