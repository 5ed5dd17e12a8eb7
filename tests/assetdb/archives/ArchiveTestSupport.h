#pragma once
// Small builders shared by the archive tests: asset soups, LZSS-stored file
// bytes, and a temporary installation whose "local" location is a real
// folder.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/Compress.h"
#include "engine/DynamicBuffer.h"
#include "engine/File.h"
#include "engine/IOSlave.h"
#include "engine/ReferenceCount.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupHandle.h"
#include "foundation/soups/SoupKuidSets.h"
#include "support/LzssStored.h"
#include "support/TempDir.h"

namespace ArchiveTest {

inline SoupHandle AssetSoup(const KUID& kuid, const char* kind = "scenery") {
    SoupHandle soup;
    soup.SetKUID("kuid", kuid);
    soup.SetString("kind", kind);
    return soup;
}

inline SoupHandle KuidTable(std::initializer_list<KUID> kuids) {
    SoupHandle table;
    table.EnsureContainer();
    int n = 0;
    for (const KUID& kuid : kuids) table.SetKUID(std::to_string(n++).c_str(), kuid);
    return table;
}

inline std::vector<KUID> KuidsOf(const SoupHandle& table) {
    std::vector<KUID> out;
    for (int32_t i = 0; i < table.Count(); ++i) out.push_back(table.GetKUID(table.GetTagName(i), KUID::Null()));
    return out;
}

inline std::vector<std::string> TagNames(const SoupHandle& soup) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < soup.Count(); ++i) names.push_back(soup.GetTagName(i).c_str());
    return names;
}

inline void SetRaw(SoupHandle& soup, const char* name, const std::vector<uint8_t>& bytes) {
    soup.EnsureContainer();
    ChunkRef root = soup.GetRoot();
    RawDataRef block = MakeRawDataCopy(static_cast<int32_t>(bytes.size()), bytes.data());
    soup.RemoveTag(name);
    root->AppendChild(name, root->CreateChunk(ACSKind::kRaw, block));
}

inline std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

using VorlexTest::LzssStored;

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Every regular file below `folder`, as paths relative to it.
inline std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file()) files.push_back(std::filesystem::relative(it->path(), folder).string());
    std::sort(files.begin(), files.end());
    return files;
}

// A temporary installation: I is the temporary folder, U = I/UserData, and
// the locations "local", "editing" and "settings" are folders of U mapped
// as file-system roots of those names.
class Installation {
public:
    Installation() {
        ::mkdir((m_dir / "UserData").c_str(), 0755);
        for (const char* name : {"local", "editing", "settings"}) {
            const std::string folder = m_dir / ("UserData/" + std::string(name));
            ::mkdir(folder.c_str(), 0755);
            Vek::File::Subst(name, folder.c_str(), true);
        }
        SetInstallationFolders(m_dir.Path().c_str());
    }
    ~Installation() {
        for (const char* name : {"local", "editing", "settings"}) Vek::File::Subst(name, nullptr, true);
        SetInstallationFolders("");
    }
    // The OS path of a location's folder, or of a path inside it.
    std::string Location(const char* name, const std::string& below = "") const {
        std::string path = m_dir / ("UserData/" + std::string(name));
        return below.empty() ? path : path + "/" + below;
    }
    const VorlexTest::TempDir& Dir() const { return m_dir; }

private:
    VorlexTest::TempDir m_dir;
};

}  // namespace ArchiveTest
