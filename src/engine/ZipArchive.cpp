#include "engine/ZipArchive.h"

#include <sys/stat.h>

#include <map>
#include <utility>

#include "engine/Log.h"
#include "engine/ZipLibrary.h"

namespace Vek {

struct ZipArchive::Node {
    bool isDirectory = true;
    uint64_t index = 0;  // the entry's index in the archive (files)
    int64_t size = 0;
    std::map<std::string, std::unique_ptr<Node>> children;  // byte order
};

struct ZipArchive::Handle {
    zip_t* archive = nullptr;
    ~Handle() {
        if (archive) GetZipLibrary()->discard(archive);
    }
};

namespace {

LogClient* ArchiveLog() { return Log::GetClient("Vek"); }

// The loaded library; only called once Open has found it.
const ZipLibrary& Zip() { return *GetZipLibrary(); }

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

// The child `name` of a folder: the exact name, else the first one equal
// without case.
template <typename Map>
auto FindChild(Map& children, const std::string& name) -> decltype(children.begin()) {
    auto exact = children.find(name);
    if (exact != children.end()) return exact;
    for (auto it = children.begin(); it != children.end(); ++it)
        if (EqualIgnoringCase(it->first, name)) return it;
    return children.end();
}

std::vector<std::string> SplitClean(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// Splits a stored entry name into its components. False when the name may
// not be used: absolute, with a drive form, with "..", or empty.
bool SplitStoredName(std::string name, std::vector<std::string>& parts, bool& isDirectory) {
    for (char& c : name)
        if (c == '\\') c = '/';
    if (name.empty() || name[0] == '/') return false;
    if (name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        return false;
    isDirectory = name.back() == '/';
    parts.clear();
    for (std::string& part : SplitClean(name)) {
        if (part == ".") continue;
        if (part == "..") return false;
        parts.push_back(std::move(part));
    }
    return !parts.empty();
}

}  // namespace

ZipArchive::ZipArchive() : m_handle(std::make_unique<Handle>()), m_top(std::make_unique<Node>()) {}

ZipArchive::~ZipArchive() = default;

void ZipArchive::Register() {
    FileArchive::SetOpener([](const std::string& osPath) -> std::shared_ptr<FileArchive> { return Open(osPath); });
}

std::shared_ptr<ZipArchive> ZipArchive::Open(const std::string& osPath) {
    try {
        // Only a regular file: a FIFO would block the open, a folder is no archive.
        struct stat info;
        if (::stat(osPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;

        std::string unavailable;
        if (!GetZipLibrary(&unavailable)) {
            ArchiveLog()->OutputString("ZipArchive::Open> '%s' cannot be read: %s", osPath.c_str(), unavailable.c_str());
            return nullptr;
        }
        std::shared_ptr<ZipArchive> result(new ZipArchive());
        int error = 0;
        result->m_handle->archive = Zip().open(osPath.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
        if (!result->m_handle->archive) {
            zip_error_t detail;
            Zip().error_init_with_code(&detail, error);
            ArchiveLog()->OutputString("ZipArchive::Open> '%s' is no readable archive: %s", osPath.c_str(),
                                       Zip().error_strerror(&detail));
            Zip().error_fini(&detail);
            return nullptr;
        }
        result->m_osPath = osPath;
        const zip_int64_t count = Zip().get_num_entries(result->m_handle->archive, 0);
        for (zip_int64_t i = 0; i < count; ++i) result->AddEntry(static_cast<uint64_t>(i));
        return result;
    } catch (...) {
        return nullptr;
    }
}

void ZipArchive::AddEntry(uint64_t index) {
    zip_stat_t stat;
    Zip().stat_init(&stat);
    const char* why = nullptr;
    std::vector<std::string> parts;
    bool isDirectory = false;
    if (Zip().stat_index(m_handle->archive, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME) || !stat.name)
        why = "no name";
    else if (!SplitStoredName(stat.name, parts, isDirectory))
        why = "a name that leaves the archive";
    else if (!isDirectory && !(stat.valid & ZIP_STAT_SIZE))
        why = "no size";
    else if (!isDirectory && stat.size > static_cast<zip_uint64_t>(kMaxEntryBytes))
        why = "a size beyond the limit";
    else if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
        why = "encryption";

    if (!why) {
        Node* folder = m_top.get();
        for (std::size_t i = 0; i + 1 < parts.size() && !why; ++i) {
            auto it = FindChild(folder->children, parts[i]);
            if (it == folder->children.end())
                it = folder->children.emplace(parts[i], std::make_unique<Node>()).first;
            else if (!it->second->isDirectory)
                why = "a file standing where a folder is";
            folder = it->second.get();
        }
        if (!why) {
            auto it = FindChild(folder->children, parts.back());
            if (isDirectory) {
                if (it == folder->children.end())
                    folder->children.emplace(parts.back(), std::make_unique<Node>());
                else if (!it->second->isDirectory)
                    why = "a folder name already taken by a file";
                // A folder stored again (or implied before) is the same folder.
            } else if (auto exact = folder->children.find(parts.back()); exact != folder->children.end()) {
                why = exact->second->isDirectory ? "a file name already taken by a folder"
                                                 : "a second entry of one name";
            } else if (it != folder->children.end() && it->second->isDirectory) {
                why = "a file name already taken by a folder";
            } else {
                // Files whose names differ only in case both stay; a lookup
                // takes the exact one, else the first in byte order.
                auto node = std::make_unique<Node>();
                node->isDirectory = false;
                node->index = index;
                node->size = static_cast<int64_t>(stat.size);
                folder->children.emplace(parts.back(), std::move(node));
            }
        }
    }
    if (why) {
        ++m_refused;
        ArchiveLog()->OutputString("ZipArchive::Open> '%s': entry %llu ('%s') refused: %s", m_osPath.c_str(),
                                   static_cast<unsigned long long>(index),
                                   (stat.valid & ZIP_STAT_NAME) && stat.name ? stat.name : "", why);
    }
}

const ZipArchive::Node* ZipArchive::Lookup(const std::string& path) const {
    const Node* node = m_top.get();
    for (const std::string& part : SplitClean(path)) {
        if (!node->isDirectory) return nullptr;
        auto it = FindChild(node->children, part);
        if (it == node->children.end()) return nullptr;
        node = it->second.get();
    }
    return node;
}

bool ZipArchive::Exists(const std::string& path) const { return Lookup(path) != nullptr; }

bool ZipArchive::IsDirectory(const std::string& path) const {
    const Node* node = Lookup(path);
    return node && node->isDirectory;
}

bool ZipArchive::List(const std::string& folder, std::vector<Entry>& entries) const {
    try {
        const Node* node = Lookup(folder);
        if (!node || !node->isDirectory) return false;
        entries.clear();
        for (const auto& [name, child] : node->children) {
            Entry entry;
            entry.name = name;
            entry.isDirectory = child->isDirectory;
            entry.size = child->isDirectory ? 0 : child->size;
            entries.push_back(std::move(entry));
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool ZipArchive::ReadEntry(const std::string& path, std::vector<uint8_t>& data) const {
    try {
        const Node* node = Lookup(path);
        if (!node || node->isDirectory) return false;
        std::vector<uint8_t> bytes(static_cast<std::size_t>(node->size));

        std::lock_guard<std::mutex> hold(m_readLock);
        zip_file_t* file = Zip().fopen_index(m_handle->archive, node->index, 0);
        if (!file) {
            ArchiveLog()->OutputString("ZipArchive::ReadEntry> '%s' in '%s': %s", path.c_str(), m_osPath.c_str(),
                                       Zip().strerror(m_handle->archive));
            return false;
        }
        std::size_t done = 0;
        bool ok = true;
        while (done < bytes.size()) {
            const zip_int64_t n = Zip().fread(file, bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                ok = false;
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        // One more read reaches the end of the entry, where libzip checks the
        // CRC; it must give nothing.
        if (ok) {
            uint8_t extra;
            ok = Zip().fread(file, &extra, 1) == 0;
        }
        if (!ok)
            ArchiveLog()->OutputString("ZipArchive::ReadEntry> '%s' in '%s' is damaged: %s", path.c_str(),
                                       m_osPath.c_str(), Zip().file_strerror(file));
        Zip().fclose(file);
        if (!ok) return false;
        data = std::move(bytes);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace Vek
