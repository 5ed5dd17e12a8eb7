#include "assetdb/specs/LoadAssetConfigSoup.h"

#include "assetdb/resources/ResourceDatabaseRef.h"
#include "engine/File.h"
#include "foundation/soups/SoupFiles.h"

bool LoadAssetConfigSoup(const Vek::PString& location, const char* folder, SoupHandle& config) {
    config.Clear();
    ResourceDatabaseRef database = ResourceDatabaseRef::Open(location);
    bool loaded = false;
    for (const char* name : {"config.chump", "config.txt"}) {
        Vek::File::Path path(folder ? folder : "");
        path.AddPath(name);
        SoupHandle soup;
        if (LoadSoupFile(soup, location, path.c_str()) && !soup.IsEmpty()) {
            config = soup;
            loaded = true;
            break;
        }
    }
    database.Release();
    return loaded;
}
