#include "assetdb/resources/VorlexResourceDatabase.h"

#include <string>

#include "engine/File.h"
#include "engine/ZipArchive.h"
#include "foundation/log/LogPrintf.h"

namespace {

std::string WithForwardSlashes(std::string text) {
    for (char& c : text)
        if (c == '\\') c = '/';
    return text;
}

}  // namespace

VorlexResourceDatabase::VorlexResourceDatabase(const Vek::PString& name, const char* path)
    : Vek::ResourceDatabase(name) {
    if (m_name.IsEmpty() || !path || !*path) {
        LogPrintf("VorlexResourceDatabase> No folder for location '%s'", m_name.c_str());
        return;
    }
    // A stale root of this name must not stay behind whatever happens below.
    Vek::File::Subst(m_name, nullptr, true);

    const std::string archive = WithForwardSlashes(std::string(path) + ".va");
    if (Vek::File::Exists(archive.c_str()) && !Vek::File::IsDirectory(archive.c_str())) {
        Vek::ZipArchive::Register();  // the ".va" layer, whether or not the engine registered it yet
        m_archive = true;
        m_mapped = Vek::File::Subst(m_name, archive.c_str(), false);
        if (!m_mapped)
            LogPrintf("VorlexResourceDatabase> Unable to read the archive '%s' of location '%s'", archive.c_str(),
                      m_name.c_str());
        return;
    }
    const std::string folder = WithForwardSlashes(std::string(path) + "/");
    m_mapped = Vek::File::Subst(m_name, folder.c_str(), true);
}

VorlexResourceDatabase::~VorlexResourceDatabase() {
    if (m_mapped) Vek::File::Subst(m_name, nullptr, true);
}
