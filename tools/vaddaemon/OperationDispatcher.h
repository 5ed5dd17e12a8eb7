#pragma once
// Carries out one operation of the link: reads its payload, does the work
// on the assets, settings or repair, and writes its reply body.
//
// Every payload is read whole before anything is done; a payload that is
// cut short (or holds an over-long string or a count beyond its bytes), or
// has bytes after its last field, is malformed: nothing is done and the
// reply body stays empty. The search
// evaluates its filter tree over the store (AssetSearch.h); the installs
// from a folder or an archive copy and register assets (AssetInstall.h);
// the export packs a committed asset (AssetExport.h); URL requests are served
// from the scenario's mapping (UrlRequests.h); the validation of an asset's
// folder runs as a command host's job (AssetValidation.h); the download
// candidates are chosen by what is installed (FpxCandidates.h). The command
// host's registration and job replies are the connection's
// (ClientConnection.h, CommandHosts.h); here they, and operations the
// stand-in does not know, do nothing. Which fields the daemon fills where
// the client leaves the meaning to it is described with each operation in
// the .cpp file.
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "foundation/results/ResultsLog.h"

class AssetLibrary;
class CommandHosts;
class DaemonSettings;
class RepairJob;
class TStream;
class UrlRequests;

struct OperationContext {
    int connection = 0;
    int32_t transactionId = 0;
    // Messages for the requester; the connection sends them as log lines of
    // the transaction before the reply.
    ResultsLog log;
    // Sends the lines added to `log` since the last call at once, before the
    // operation ends (an install reports each asset as it is done).
    std::function<void()> sendLines;
    // Sends log lines of the transaction later, after the reply (the repair).
    std::function<void(ResultsLog&)> laterLines;
    // Notices (type, payload) the connection sends right after the reply.
    std::vector<std::pair<int32_t, std::vector<uint8_t>>> noticesAfterReply;
};

class OperationDispatcher {
public:
    OperationDispatcher(AssetLibrary& library, DaemonSettings& settings, RepairJob& repair, UrlRequests& urls,
                        CommandHosts& hosts)
        : m_library(library), m_settings(settings), m_repair(repair), m_urls(urls), m_hosts(hosts) {}

    // False when the payload was malformed (the reply is then empty).
    bool Carry(int32_t op, TStream& payload, TStream& reply, OperationContext& context);

private:
    bool CarryAssetOperation(int32_t op, TStream& payload, TStream& reply, OperationContext& context);
    bool CarryHandleOperation(int32_t op, TStream& payload, TStream& reply, OperationContext& context);
    bool CarryOtherOperation(int32_t op, TStream& payload, TStream& reply, OperationContext& context);

    AssetLibrary& m_library;
    DaemonSettings& m_settings;
    RepairJob& m_repair;
    UrlRequests& m_urls;
    CommandHosts& m_hosts;
};
