#include "frontend/commands/SearchByCategory.h"

#include <cstdio>
#include <memory>
#include <string>

#include "assetdb/filters/VADFilterElementBool.h"
#include "assetdb/filters/VADFilterElementGroup.h"
#include "assetdb/filters/VADFilterElementString.h"
#include "assetdb/requests/VADSearchAssets.h"

namespace {

std::string UpperCased(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

}  // namespace

int32_t RunSearchByCategoryWord(CommandArguments& args) {
    const bool everywhere = args.a == "-a";
    if (everywhere && !*args.Arg(3)) {
        AddCommandError(args.log, "Missing category parameter.");
        return -1;
    }
    const std::string pattern = UpperCased(everywhere ? args.Arg(3) : args.a);

    VADFilterElementGroup filter;
    filter.AddElement(
        std::make_unique<VADFilterElementString>(VADFilterElementString::kCategoryList, Vek::PString(pattern.c_str())));
    if (!everywhere) filter.AddElement(std::make_unique<VADFilterElementBool>(VADFilterElementBool::kLocal));

    VADKuidList found;
    VADSearchAssets(&filter, found);
    if (found.Count() == 0) return -1;
    std::printf("+ %d : assets matching the specified criteria\n", static_cast<int>(found.Count()));
    int index = 0;
    for (auto it = found.Begin(); it; ++it) std::printf("+ #%d : %s\n", index++, it->ToTagString().c_str());
    return 0;
}
