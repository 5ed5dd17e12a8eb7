#include "frontend/commands/ListAuthors.h"

#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include "assetdb/assetinfo/VADAssetInfo.h"
#include "assetdb/filters/VADFilterElementBool.h"
#include "assetdb/filters/VADFilterElementGroup.h"
#include "assetdb/requests/VADSearchAssets.h"
#include "assetdb/users/UserNameCache.h"

Vek::PString ListAssetAuthor(const KUID& asset) {
    VADAssetInfo info;
    Vek::PString name;
    // A record that did not come names no author (its id would read as 0).
    if (VADGetAssetInfo(asset, info, -1)) LookupUserName(info.authorId, name);
    return name;
}

int32_t RunAuthorsWord(CommandArguments&) {
    VADFilterElementGroup filter;
    filter.AddElement(std::make_unique<VADFilterElementBool>(VADFilterElementBool::kLocal));
    filter.AddElement(std::make_unique<VADFilterElementBool>(VADFilterElementBool::kLocallyAvailable));
    filter.AddElement(std::make_unique<VADFilterElementBool>(VADFilterElementBool::kLocallyEnabled));
    VADKuidList found;
    VADSearchAssets(&filter, found);

    std::set<std::string> names;
    for (auto it = found.Begin(); it; ++it) {
        const Vek::PString name = ListAssetAuthor(*it);
        if (!name.IsEmpty()) names.insert(name.c_str());
    }
    for (const std::string& name : names) std::printf("%s\n", name.c_str());
    return 0;
}
