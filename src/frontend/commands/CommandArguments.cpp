#include "frontend/commands/CommandArguments.h"

#include <utility>

#include "foundation/properties/PropertyRef.h"
#include "foundation/properties/VorlexPropertyAssetID.h"
#include "foundation/results/ResultsLog.h"

CommandArguments::CommandArguments(ResultsLog& log_, StartupContext& context_, int argc_, char** argv_,
                                   std::string startupDirectory_)
    : log(log_), context(context_), argc(argc_), argv(argv_), startupDirectory(std::move(startupDirectory_)) {
    if (argc >= 3 && argv[2]) {
        a = argv[2];
        for (char& c : a)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
}

const char* CommandArguments::Arg(int index) const {
    if (index < 0 || index >= argc || !argv[index]) return "";
    return argv[index];
}

KUID CommandArguments::StrictKuid() const { return KUID::Parse(a.c_str(), true); }

void AddCommandError(ResultsLog& log, const char* text) { log.AddEntry(ResultsLogEntry::kError, text); }

void AddAssetError(ResultsLog& log, const char* text, const KUID& asset) {
    log.AddEntry(ResultsLogEntry::kError, PropertyRef::Adopt(new VorlexPropertyAssetID(Vek::PString("AssetID"), asset)),
                 Vek::String(text), nullptr);
}
