#include "vaddaemon/AssetExport.h"

#include <mutex>
#include <string>
#include <vector>

#include "engine/Compress.h"
#include "engine/DynamicBuffer.h"
#include "engine/File.h"
#include "engine/IOSlave.h"
#include "engine/ReferenceCount.h"
#include "foundation/properties/VorlexPropertyAssetID.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/ACSChunk.h"
#include "vaddaemon/AssetConfigFacts.h"
#include "vaddaemon/AssetLibrary.h"

namespace {

constexpr int32_t kSeverityError = 3;
constexpr uint32_t kReadMode = 0x010;
constexpr int kCompressionLevel = 6;

void Report(ResultsLog* log, const KUID& kuid, const std::string& text) {
    if (!log) return;
    PropertyRef property;
    property.Attach(new VorlexPropertyAssetID("AssetID", kuid));
    log->AddEntry(kSeverityError, property, Vek::String(text.c_str()), nullptr);
}

bool IsConfigName(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name == "config.txt" || name == "config.chump";
}

class FilePacker {
public:
    explicit FilePacker(bool lzss) : m_lzss(lzss) {}

    // Fills `container` with the folder's entries; false with `error`.
    bool PackFolder(const std::string& folder, ChunkRef container, int depth, std::string& error) {
        if (depth > kMaxExportDepth) {
            error = "The asset's folders are nested too deeply.";
            return false;
        }
        Vek::File::Path pattern(folder.c_str());
        pattern.AddPath("*");
        Vek::File::Find find;
        for (bool more = find.Open(pattern.c_str()); more; more = find.Next()) {
            const std::string name = find.GetName();
            if (name == "." || name == "..") continue;
            if (depth == 0 && !find.IsDirectory() && IsConfigName(name)) continue;
            Vek::File::Path path(folder.c_str());
            path.AddPath(name.c_str());
            ChunkRef child;
            if (find.IsDirectory()) {
                child = container->CreateChunk(ACSKind::kContainer, RawDataRef());
                if (!PackFolder(path.Str(), child, depth + 1, error)) return false;
            } else {
                RawDataRef bytes;
                if (!PackFile(path.Str(), bytes, error)) return false;
                child = container->CreateChunk(ACSKind::kRaw, bytes);
            }
            container->AppendChild(Vek::PString(name.c_str()), child);
        }
        return true;
    }

private:
    bool PackFile(const std::string& path, RawDataRef& bytes, std::string& error) {
        Vek::File file;
        if (!file.Open(path.c_str(), kReadMode)) {
            error = "The asset's file \"" + path + "\" cannot be read.";
            return false;
        }
        const int64_t length = file.Length();
        if (length < 0 || length > kMaxExportBytes - m_total) {
            error = "The asset's files are too large to export.";
            return false;
        }
        std::vector<uint8_t> data(static_cast<std::size_t>(length));
        if (length > 0 && file.Read(data.data(), data.size()) != data.size()) {
            error = "The asset's file \"" + path + "\" cannot be read.";
            return false;
        }
        m_total += length;
        if (!m_lzss) {
            bytes = MakeRawDataCopy(static_cast<int32_t>(data.size()), data.data());
            return true;
        }
        Vek::DynamicBuffer packed;
        const uint32_t size = static_cast<uint32_t>(data.size());
        const uint8_t head[4] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                                 static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
        Vek::IOSlaveMemory destination(&packed);
        Vek::IOSlaveMemory source(data.data(), data.size());
        Vek::AutoReference<Vek::LZSSCompress> codec(new Vek::LZSSCompress());
        if (destination.Write(head, 4) != 4 || !codec->Encode(destination, source, data.size(), kCompressionLevel) ||
            packed.DataSize() > static_cast<std::size_t>(kMaxExportBytes)) {
            error = "The asset's file \"" + path + "\" cannot be packed.";
            return false;
        }
        bytes = MakeRawDataCopy(static_cast<int32_t>(packed.DataSize()), packed.Data());
        return true;
    }

    bool m_lzss;
    int64_t m_total = 0;
};

}  // namespace

bool ExportAsset(AssetLibrary& library, const KUID& kuid, int32_t mode, SoupHandle& soup, ResultsLog* log) {
    soup.Clear();
    std::lock_guard<std::mutex> hold(library.Mutex());
    AssetRecord record;
    if (!library.Store().Find(kuid, record) || !record.installed) {
        Report(log, kuid, "The asset has no committed copy to export.");
        return false;
    }
    const std::string folder = AssetLibrary::AssetFolder(AssetLibrary::kLocal, kuid);
    SoupHandle config;
    if (!LoadAssetConfig(folder, config)) {
        Report(log, kuid, "The asset's configuration cannot be read.");
        return false;
    }
    SoupHandle packed;
    packed.CopyFrom(config);
    packed.SetKUID("kuid", kuid);
    const bool lzss = mode == kExportModeArchive;
    SoupHandle files;
    ChunkRef root = files.EnsureContainerRef();
    std::string error;
    if (!FilePacker(lzss).PackFolder(folder, root, 0, error)) {
        Report(log, kuid, error);
        return false;
    }
    packed.SetContainer("files", files);
    packed.SetString("compression", lzss ? "LZSS" : "");
    soup = packed;
    return true;
}
