#pragma once
// Carries out one operation of the link: reads its payload, does the work
// on the assets, settings or repair, and writes its reply body.
//
// Every payload is read whole before anything is done; a payload that is
// cut short (or holds an over-long string or a count beyond its bytes) is
// malformed: nothing is done and the reply body stays empty. Operations
// that belong to other parts of the stand-in (search, validation, installs,
// export, download candidates, command-host jobs, URL requests) are
// answered with an empty body, which the client reads as its failure
// defaults. Which fields the daemon fills where the client leaves the
// meaning to it is described with each operation in the .cpp file.
#include <cstdint>
#include <functional>

#include "foundation/results/ResultsLog.h"

class AssetLibrary;
class DaemonSettings;
class RepairJob;
class TStream;

struct OperationContext {
    int connection = 0;
    int32_t transactionId = 0;
    // Messages for the requester; the connection sends them as log lines of
    // the transaction before the reply.
    ResultsLog log;
    // Sends log lines of the transaction later, after the reply (the repair).
    std::function<void(ResultsLog&)> laterLines;
};

class OperationDispatcher {
public:
    OperationDispatcher(AssetLibrary& library, DaemonSettings& settings, RepairJob& repair)
        : m_library(library), m_settings(settings), m_repair(repair) {}

    // False when the payload was malformed (the reply is then empty).
    bool Carry(int32_t op, TStream& payload, TStream& reply, OperationContext& context);

private:
    bool CarryAssetOperation(int32_t op, TStream& payload, TStream& reply, OperationContext& context);
    bool CarryHandleOperation(int32_t op, TStream& payload, TStream& reply, OperationContext& context);
    bool CarryOtherOperation(int32_t op, TStream& payload, TStream& reply, OperationContext& context);

    AssetLibrary& m_library;
    DaemonSettings& m_settings;
    RepairJob& m_repair;
};
