#include "assetdb/fpx/JoinKuidList.h"

#include <string>

Vek::PString JoinKuidList(const VADKuidList& kuids) {
    std::string text;
    for (const KUID& kuid : kuids) {
        if (!text.empty()) text += ", ";
        text += kuid.ToTagString().c_str();
    }
    return Vek::PString(text.c_str());
}
