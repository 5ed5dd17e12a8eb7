#include "vaddaemon/AssetConfigFacts.h"

#include <sys/stat.h>

#include <algorithm>

#include "engine/File.h"
#include "foundation/soups/SoupFiles.h"

namespace {

std::string Trimmed(const char* text) {
    std::string value(text ? text : "");
    const char* blanks = " \t\r\n";
    std::size_t first = value.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    std::size_t last = value.find_last_not_of(blanks);
    return value.substr(first, last - first + 1);
}

// The value of the child at `index` read as a KUID, through the soup's own
// kind conversions (a text child holding "<kuid:1:2>" converts too).
KUID KuidAt(const SoupHandle& table, int32_t index) {
    Vek::PString name;
    ChunkRef chunk;
    if (!table.Get() || !table.Get()->GetChildAt(index, name, chunk)) return KUID::Null();
    SoupHandle single;
    single.EnsureContainerRef()->AppendChild("value", chunk);
    return single.GetKUID("value", KUID::Null());
}

std::vector<KUID> KuidTable(const SoupHandle& config, const char* tag) {
    std::vector<KUID> kuids;
    SoupHandle table = config.GetContainer(tag);
    const int32_t count = std::min(table.Count(), kMaxConfigKuids);
    for (int32_t i = 0; i < count; ++i) {
        KUID kuid = KuidAt(table, i);
        if (kuid.IsNull() || !kuid.IsValid()) continue;
        if (std::find(kuids.begin(), kuids.end(), kuid) == kuids.end()) kuids.push_back(kuid);
    }
    return kuids;
}

// A file name from a configuration that stays inside its asset folder.
bool SafeFileName(std::string& name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    if (name.empty() || name[0] == '\\' || (name.size() > 1 && name[1] == ':')) return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('\\', start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

bool LoadAssetConfig(const std::string& folder, SoupHandle& config) {
    for (const char* file : {"config.chump", "config.txt"}) {
        Vek::File::Path path(folder);
        path.AddPath(file);
        if (!Vek::File::Exists(path.c_str())) continue;
        SoupHandle loaded;
        if (LoadSoupFile(loaded, Vek::PString(), path.c_str()) && !loaded.IsEmpty() && loaded.Count() > 0) {
            config = loaded;
            return true;
        }
    }
    return false;
}

bool TextConfigIsNewer(const std::string& folder) {
    struct stat times[2];
    const char* const files[] = {"config.chump", "config.txt"};
    for (int i = 0; i < 2; ++i) {
        Vek::File::Path path(folder);
        path.AddPath(files[i]);
        const std::string os = Vek::File::ResolveOsPath(path.c_str());
        if (os.empty() || ::stat(os.c_str(), &times[i]) != 0) return false;
    }
    const timespec& binary = times[0].st_mtim;
    const timespec& text = times[1].st_mtim;
    return text.tv_sec > binary.tv_sec || (text.tv_sec == binary.tv_sec && text.tv_nsec > binary.tv_nsec);
}

KUID ConfigKuid(const SoupHandle& config) {
    if (!config.HasTag("kuid")) return KUID::Null();
    return config.GetKUID("kuid", KUID::Null());
}

void RecordCommit(const SoupHandle& config, AssetRecord& record) {
    record.installed = true;
    record.editing = false;
    record.modified = true;
    record.faulty = false;
    ReadConfigFacts(config, record);
}

void ReadConfigFacts(const SoupHandle& config, AssetRecord& record) {
    for (const char* tag : {"username", "name", "asset-filename"}) {
        std::string name = Trimmed(config.GetString(tag).c_str());
        if (!name.empty()) {
            record.name = name;
            break;
        }
    }
    record.description = config.GetString("description").c_str();
    record.categoryClass = config.GetString("category-class").c_str();
    // A consist says what it is by its kind; searches for consists look for
    // the class "CN".
    if (record.categoryClass.empty() && std::string(config.GetString("kind").c_str()) == "consist")
        record.categoryClass = "CN";
    record.categoryRegion = config.GetString("category-region").c_str();
    record.categoryEra = config.GetString("category-era").c_str();
    record.build = config.GetFloat("vorlex-build", 0.0f);
    record.dependencies = KuidTable(config, "kuid-table");
    record.obsoletes = KuidTable(config, "obsolete-table");
}

bool ChooseThumbnail(const SoupHandle& config, int32_t size, std::string& image, int32_t& width) {
    SoupHandle list = config.GetContainer("thumbnails");
    bool found = false;
    const int32_t count = std::min(list.Count(), kMaxConfigKuids);
    for (int32_t i = 0; i < count; ++i) {
        SoupHandle entry = list.GetContainerAt(i);
        std::string name = entry.GetString("image").c_str();
        if (!SafeFileName(name)) continue;
        const int32_t entryWidth = entry.GetInt("width", 0);
        if (!found || entryWidth == size) {
            image = name;
            width = entryWidth;
            found = true;
            if (entryWidth == size) break;
        }
    }
    return found;
}
