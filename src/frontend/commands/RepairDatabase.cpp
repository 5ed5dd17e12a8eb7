#include "frontend/commands/RepairDatabase.h"

#include <cstdio>
#include <memory>

#include "assetdb/requests/VADDaemonState.h"
#include "assetdb/tasks/VADTask.h"
#include "assetdb/tasks/VADTaskRepairDatabase.h"
#include "foundation/results/ResultsLog.h"

namespace {

constexpr int32_t kPatcherMode = 50;
constexpr int32_t kErrorsReported = 255;

}  // namespace

int32_t RepairModeForArgument(const std::string& argument) {
    if (argument.empty()) return 100;
    if (argument == "extended") return 150;
    if (argument == "patcher") return kPatcherMode;
    if (argument == "base") return 20;
    return -1;
}

int32_t RunRepairDatabaseWord(CommandArguments& args) {
    const int32_t mode = RepairModeForArgument(args.a);
    if (mode < 0) AddCommandError(args.log, "Unknown parameter.");
    if (mode < 0 || args.log.GetErrorCount() > 0) return -1;

    if (mode != kPatcherMode) std::printf("Repairing asset database (this may take some time)\n");
    std::fflush(stdout);

    auto task = std::make_unique<VADTask>();
    bool started = false;
    {
        VADTaskRepairDatabase repair(mode, task.get());
        repair.RunInline(task.get());
        started = repair.Started();
    }
    args.log.CopyFrom(*task);
    const bool errors = task->GetErrorCount() > 0;
    task.reset();
    // No repair was started (the daemon could not be asked): nothing was
    // done, whatever the log holds.
    if (!started) {
        AddCommandError(args.log, "Unable to start the database repair.");
        return -1;
    }
    if (mode == kPatcherMode) VADPostPatcherRepairDone();
    return errors ? kErrorsReported : 0;
}
