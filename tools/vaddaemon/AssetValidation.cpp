#include "vaddaemon/AssetValidation.h"

#include "foundation/results/ResultsLog.h"
#include "foundation/streams/BufferStream.h"
#include "vaddaemon/AssetFolderCheck.h"
#include "vaddaemon/CommandHosts.h"

namespace {

constexpr int32_t kSeverityError = 3;
constexpr int32_t kValidateJob = 0;

void NotValidated(ResultsLog& log, const std::string& folder, const char* why) {
    log.AddEntry(kSeverityError, PropertyRef(),
                 Vek::String(("The folder \"" + folder + "\" was not validated: " + why).c_str()), nullptr);
}

}  // namespace

bool ValidateAssetFolder(CommandHosts& hosts, const std::string& location, const std::string& folder,
                         ResultsLog& log) {
    if (!CheckAssetFolder(location, folder, &log)) return false;

    TBuffer job;
    job.WriteInt32(kValidateJob);
    job.WritePString(location.c_str());
    job.WritePString(folder.c_str());
    std::vector<uint8_t> reply;
    switch (hosts.RunJob(std::vector<uint8_t>(job.GetData(), job.GetData() + job.GetDataSize()), reply)) {
        case CommandHosts::Outcome::kReplied:
            break;
        case CommandHosts::Outcome::kNoHost:
            NotValidated(log, folder, "no command host could be started.");
            return false;
        case CommandHosts::Outcome::kTimedOut:
            NotValidated(log, folder, "the command host did not answer in time.");
            return false;
        case CommandHosts::Outcome::kDropped:
            NotValidated(log, folder, "the command host's link dropped.");
            return false;
    }
    TBuffer stream;
    stream.Write(reply.data(), static_cast<int32_t>(reply.size()));
    stream.Rewind();
    log.ReadEntries(stream);
    uint8_t result = 0;
    if (reply.empty() || stream.HasError() || !stream.ReadByte(result) || stream.HasError()) {
        // The host's own entries say why; an empty reply says nothing.
        if (reply.empty()) NotValidated(log, folder, "the command host could not run the job.");
        return false;
    }
    return true;
}
