#pragma once
// An in-process daemon for the download-service install: it answers the
// latest-version (27), asset-info (21), setting (102), URL-request (230 to
// 232), download-candidate (74) and archive-install (40) operations from a
// small script, and serves URL requests from local files in place of the
// web service. Every frame is recorded.
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "assetdb/client/FrameDaemon.h"
#include "foundation/kuid/KUID.h"

namespace FpxTest {

using VorlexTest::Bytes;
using VorlexTest::Frame;
using VorlexTest::FrameLink;

// What the daemon answers for one URL.
struct ServedUrl {
    std::string file;       // the result file; empty: the request gives none
    std::string location;   // the location that holds it; empty: a plain file
    bool finished = true;   // false: the request never finishes
    KUID installs;          // the asset an install of the file installs
};

inline ServedUrl Served(const std::string& file, const std::string& location = "", bool finished = true,
                        const KUID& installs = KUID()) {
    ServedUrl served;
    served.file = file;
    served.location = location;
    served.finished = finished;
    served.installs = installs;
    return served;
}

// A little reader of the frames' payloads.
class PayloadReader {
public:
    explicit PayloadReader(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}
    int32_t I32() {
        if (m_at + 4 > m_bytes.size()) return 0;
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(m_bytes[m_at + i]) << (8 * i);
        m_at += 4;
        return static_cast<int32_t>(v);
    }
    int64_t I64() {
        const uint32_t low = static_cast<uint32_t>(I32());
        const uint32_t high = static_cast<uint32_t>(I32());
        return static_cast<int64_t>(static_cast<uint64_t>(high) << 32 | low);
    }
    uint8_t U8() { return m_at < m_bytes.size() ? m_bytes[m_at++] : 0; }
    KUID Kuid() {
        const int32_t content = I32();
        return KUID::FromPackedWord(static_cast<uint32_t>(I32()), content);
    }
    // Interned form: the count includes the NUL.
    std::string PStr() {
        const int32_t n = I32();
        if (n <= 0 || m_at + static_cast<std::size_t>(n) > m_bytes.size()) return std::string();
        std::string text(reinterpret_cast<const char*>(&m_bytes[m_at]), static_cast<std::size_t>(n - 1));
        m_at += static_cast<std::size_t>(n);
        return text;
    }
    std::string Str() {
        const int32_t n = I32();
        if (n <= 0 || m_at + static_cast<std::size_t>(n) > m_bytes.size()) return std::string();
        std::string text(reinterpret_cast<const char*>(&m_bytes[m_at]), static_cast<std::size_t>(n));
        m_at += static_cast<std::size_t>(n);
        return text;
    }

private:
    const std::vector<uint8_t>& m_bytes;
    std::size_t m_at = 0;
};

// The search URL of an asset on the default host.
inline std::string SearchUrlOf(const KUID& kuid) {
    return "https://fetchport.vorlex.invalid/vorlex/FPXT_Search_Text.php?Banners=1&SearchCriteria=" +
           std::string(kuid.ToShortString().c_str()) + "&textsearchID=1&DependencyLevel=5";
}

// The asset-info record (operation 21) with status A bit 3 for installed.
inline Bytes AssetInfoReply(const KUID& kuid, bool installed) {
    Bytes info;
    info.I32(kuid.GetContentID()).I32(static_cast<int32_t>(kuid.GetPacked()));
    info.Str("").Str("").Str("");
    for (int bit = 0; bit < 8; ++bit) info.U8(bit == 0 || (bit == 3 && installed) ? 1 : 0);
    for (int bit = 0; bit < 8 + 3; ++bit) info.U8(0);
    info.I32(0).PStr("").Str("").I32(-1).PStr("").Str("");
    for (int bit = 0; bit < 3; ++bit) info.U8(0);
    info.I32(255).F32(0.0f).I64(0).I64(0).I32(-1).I32(-1).U8(1);
    return info;
}

inline Bytes UrlStatus(const ServedUrl& served) {
    return Bytes().U8(served.finished ? 1 : 0).I32(served.file.empty() ? 0 : 1).I32(0).I32(0).Str(served.file).PStr(
        served.location);
}

class DownloadServiceDaemon {
public:
    DownloadServiceDaemon() : m_daemon([this](const Frame& frame, FrameLink& link) { return Serve(frame, link); }) {}

    // ---- the script (set before the install runs) ----
    void SetLatest(const KUID& asked, const KUID& latest) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_latest[Key(asked)] = latest;
    }
    void SetInstalled(const KUID& kuid) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_installed.insert(Key(kuid));
    }
    void Serve(const std::string& url, const ServedUrl& served) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_served[url] = served;
    }
    // The entry numbers operation 74 answers; by default every candidate.
    void ChooseEntries(const std::vector<int32_t>& entries) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_chosen = entries;
        m_chooseAll = false;
    }
    // The dependencies operation 42 answers for an asset.
    void SetDependencies(const KUID& kuid, const std::vector<KUID>& dependencies) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_dependencies[Key(kuid)] = dependencies;
    }
    void SetHostSetting(const std::string& host) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_host = host;
    }
    // After answering the next URL-request start, end the link.
    void DropLinkAfterStart() { m_dropAfterStart = true; }

    // ---- what happened ----
    VorlexTest::FrameDaemon& Frames() { return m_daemon; }
    std::vector<Frame> FramesOf(int32_t op) { return m_daemon.FramesOf(op); }
    // The URLs and modes of the URL-request starts, in order.
    std::vector<std::pair<std::string, int32_t>> UrlStarts() {
        std::vector<std::pair<std::string, int32_t>> starts;
        for (const Frame& frame : FramesOf(230)) {
            PayloadReader reader(frame.payload);
            reader.U8();
            const std::string url = reader.PStr();
            starts.emplace_back(url, reader.I32());
        }
        return starts;
    }
    // The archive paths and flags of the installs (40), in order.
    std::vector<std::pair<std::string, int32_t>> Installs() {
        std::vector<std::pair<std::string, int32_t>> installs;
        for (const Frame& frame : FramesOf(40)) {
            PayloadReader reader(frame.payload);
            const std::string path = reader.Str();
            installs.emplace_back(path, reader.I32());
        }
        return installs;
    }

private:
    static std::string Key(const KUID& kuid) { return kuid.ToTagString().c_str(); }

    bool Serve(const Frame& frame, FrameLink& link) {
        if (frame.id == 0) return true;  // one-way: 231 releases
        PayloadReader reader(frame.payload);
        std::lock_guard<std::mutex> hold(m_lock);
        switch (frame.op) {
            case 27: {
                const KUID asked = reader.Kuid();
                auto found = m_latest.find(Key(asked));
                const KUID latest = found == m_latest.end() ? asked : found->second;
                return link.Reply(frame.id, Bytes().I32(latest.GetContentID()).I32(
                                                static_cast<int32_t>(latest.GetPacked())));
            }
            case 21: {
                const KUID kuid = reader.Kuid();
                return link.Reply(frame.id, AssetInfoReply(kuid, m_installed.count(Key(kuid)) > 0));
            }
            case 102:
                return link.Reply(frame.id, Bytes().PStr(m_host));
            case 230: {
                reader.U8();
                const std::string url = reader.PStr();
                const int64_t handle = ++m_handles;
                auto found = m_served.find(url);
                const ServedUrl served = found == m_served.end() ? ServedUrl() : found->second;
                m_byHandle[handle] = served;
                const bool sent = link.Reply(frame.id, Bytes().I64(handle).Add(UrlStatus(served)));
                if (m_dropAfterStart) {
                    link.Close();
                    return false;
                }
                return sent;
            }
            case 232: {
                const int64_t handle = reader.I64();
                return link.Reply(frame.id, UrlStatus(m_byHandle[handle]));
            }
            case 74: {
                const int32_t n = reader.I32();
                Bytes reply;
                if (m_chooseAll) {
                    reply.I32(n);
                    for (int32_t i = 0; i < n; ++i) reply.I32(i);
                } else {
                    reply.I32(static_cast<int32_t>(m_chosen.size()));
                    for (int32_t entry : m_chosen) reply.I32(entry);
                }
                return link.Reply(frame.id, reply);
            }
            case 40: {
                const std::string path = reader.Str();
                for (const auto& served : m_served)
                    if (served.second.file == path && !served.second.installs.IsNull())
                        m_installed.insert(Key(served.second.installs));
                return link.Reply(frame.id, Bytes().I32(1).U8(0));
            }
            case 42: {
                const int32_t n = reader.I32();
                std::vector<KUID> all;
                for (int32_t i = 0; i < n; ++i) {
                    auto found = m_dependencies.find(Key(reader.Kuid()));
                    if (found != m_dependencies.end()) all.insert(all.end(), found->second.begin(), found->second.end());
                }
                Bytes reply;
                reply.I32(static_cast<int32_t>(all.size()));
                for (const KUID& kuid : all) reply.I32(kuid.GetContentID()).I32(static_cast<int32_t>(kuid.GetPacked()));
                return link.Reply(frame.id, reply);
            }
            default:
                return link.Reply(frame.id, {});
        }
    }

    std::mutex m_lock;
    std::map<std::string, KUID> m_latest;
    std::set<std::string> m_installed;
    std::map<std::string, ServedUrl> m_served;
    std::map<std::string, std::vector<KUID>> m_dependencies;
    std::map<int64_t, ServedUrl> m_byHandle;
    std::vector<int32_t> m_chosen;
    bool m_chooseAll = true;
    std::string m_host;
    int64_t m_handles = 0;
    std::atomic<bool> m_dropAfterStart{false};
    VorlexTest::FrameDaemon m_daemon;
};

}  // namespace FpxTest
