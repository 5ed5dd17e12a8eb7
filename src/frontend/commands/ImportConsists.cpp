#include "frontend/commands/ImportConsists.h"

#include <memory>
#include <set>

#include "assetdb/assetinfo/VADAssetInfoAccessors.h"
#include "assetdb/filters/VADFilterElementBool.h"
#include "assetdb/filters/VADFilterElementGroup.h"
#include "assetdb/filters/VADFilterElementString.h"
#include "assetdb/requests/VADAssetEdits.h"
#include "assetdb/requests/VADAssetHandle.h"
#include "assetdb/requests/VADSearchAssets.h"
#include "engine/AnsiString.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/SoupFiles.h"
#include "foundation/soups/SoupHandle.h"
#include "frontend/commands/CommandPaths.h"

namespace {

constexpr float kConsistBuild = 3.1f;

Vek::PString Indexed(const char* format, int index) {
    Vek::PString name;
    name.Setf(format, index);
    return name;
}

void TrainError(ResultsLog& log, const char* what, const Vek::PString& train) {
    Vek::String text;
    text.Format("%s \"%s\".", what, train.c_str());
    log.AddEntry(ResultsLogEntry::kError, text.c_str());
}

// Local, available, listed consists that are not obsolete.
std::unique_ptr<VADFilterElementGroup> ExistingConsistsFilter() {
    auto group = std::make_unique<VADFilterElementGroup>();
    group->AddElement(
        std::make_unique<VADFilterElementString>(VADFilterElementString::kCategoryList, Vek::PString("CN")));
    group->AddElement(std::make_unique<VADFilterElementBool>(VADFilterElementBool::kLocal));
    group->AddElement(std::make_unique<VADFilterElementBool>(VADFilterElementBool::kLocallyAvailable));
    group->AddElement(std::make_unique<VADFilterElementBool>(VADFilterElementBool::kListingPrivilege));
    group->AddNegatedElement(std::make_unique<VADFilterElementBool>(VADFilterElementBool::kObsolete));
    return group;
}

bool ConsistExists(const Vek::PString& name) {
    const std::unique_ptr<VADFilterElementGroup> filter = ExistingConsistsFilter();
    VADKuidList found;
    VADSearchAssets(filter.get(), found);
    for (auto it = found.Begin(); it; ++it)
        if (VADGetAssetUsername(*it).CompareWith(name.c_str()) == 1) return true;
    return false;
}

// The configuration of one consist: the cars of `list` and each car KUID
// once.
void FillConsist(SoupHandle& config, const Vek::PString& name, const SoupHandle& list) {
    config.SetString(Vek::PString("kind"), "consist");
    config.SetString(Vek::PString("username"), name.c_str());
    config.SetFloat(Vek::PString("vorlex-build"), kConsistBuild);

    SoupHandle cars;
    cars.EnsureContainer();
    std::set<KUID, KUIDLess> kuids;
    for (int c = 0;; ++c) {
        const Vek::PString carName = Indexed("car-%d", c);
        if (!list.HasTag(carName)) break;
        SoupHandle car;
        const KUID kuid = list.GetKUID(carName, KUID());
        car.SetKUID(Vek::PString("car-kuid"), kuid);
        car.SetInt(Vek::PString("car-num"), list.GetInt(Indexed("num-%d", c), 0));
        car.SetBool(Vek::PString("car-dir"), list.GetBool(Indexed("dir-%d", c), false));
        cars.SetContainer(carName, car);
        kuids.insert(kuid);
    }
    config.SetContainer(Vek::PString("consist-list"), cars);

    SoupHandle table;
    table.EnsureContainer();
    int index = 0;
    for (const KUID& kuid : kuids) table.SetKUID(Indexed("%d", index++), kuid);
    config.SetContainer(Vek::PString("kuid-table"), table);
}

// Makes one consist asset; false (with an error naming the train) when no
// asset with a folder could be made or its configuration not saved.
bool CreateConsist(const Vek::PString& name, const SoupHandle& list, ResultsLog& log) {
    // The daemon's reason for a refusal (no KUID to give) goes to the log.
    VADAssetHandle handle = VADCreateAsset(KUID(), 1, Vek::String(), &log);
    Vek::PString location;
    Vek::File::Path folder;
    if (!handle.IsValid()) {
        TrainError(log, "Unable to create a consist asset for the train", name);
        return false;
    }
    if (!handle.GetLocation(location, folder)) {
        TrainError(log, "The new consist asset has no folder for the train", name);
        VADRevertAsset(handle, nullptr);
        return false;
    }
    Vek::File::Path configPath(folder);
    configPath.AddPath("config.txt");

    SoupHandle config;
    LoadSoupFile(config, location, configPath.c_str());
    FillConsist(config, name, list);
    if (!SaveSoupFile(config, location, configPath.c_str(), "txt")) {
        TrainError(log, "Unable to save the consist configuration for the train", name);
        VADRevertAsset(handle, nullptr);
        return false;
    }
    uint8_t second = 0;
    VADCommitAsset(handle, 0, &log, second);
    return true;
}

}  // namespace

int32_t ImportConsists(const char* path, const std::string& startupDirectory, ResultsLog& log) {
    ScopedCurrentDirectory current(startupDirectory);
    if (!path || !*path) {
        log.AddEntry(ResultsLogEntry::kError, "Missing input path parameter.");
        return -1;
    }
    SoupHandle trains;
    if (!LoadSoupFile(trains, Vek::PString(), path) || trains.IsEmpty()) {
        log.AddEntry(ResultsLogEntry::kError, "Invalid input path.");
        return -1;
    }

    int32_t result = 0;
    for (int t = 0;; ++t) {
        const Vek::PString trainName = Indexed("train-%d", t);
        if (!trains.HasTag(trainName)) break;
        const SoupHandle train = trains.GetContainer(trainName);
        const Vek::PString nameTag("name");
        const Vek::PString listTag("list");
        if (!train.HasTag(nameTag) || !train.HasTag(listTag)) continue;
        const Vek::PString name = train.GetString(nameTag);
        if (ConsistExists(name)) continue;
        if (!CreateConsist(name, train.GetContainer(listTag), log)) result = -1;
    }
    return result;
}

int32_t RunImportConsistsWord(CommandArguments& args) {
    return ImportConsists(args.a.c_str(), args.startupDirectory, args.log);
}
