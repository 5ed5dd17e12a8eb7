#include "assetdb/filters/FilterElementIO.h"

#include "assetdb/filters/VADFilterElementAssetID.h"
#include "assetdb/filters/VADFilterElementBool.h"
#include "assetdb/filters/VADFilterElementGroup.h"
#include "assetdb/filters/VADFilterElementInt.h"
#include "assetdb/filters/VADFilterElementString.h"
#include "assetdb/filters/VADFilterElementTimestamp.h"
#include "foundation/streams/Stream.h"

bool WriteTaggedFilterElement(TStream& stream, const VADFilterElement* element) {
    if (!element) {
        stream.WriteUInt32(0);
        return false;
    }
    if (!stream.WriteUInt32(element->GetTag())) return false;
    return element->Write(stream);
}

std::unique_ptr<VADFilterElement> CreateFilterElement(uint32_t tag) {
    switch (tag) {
        case kFilterTagGroup:
            return std::make_unique<VADFilterElementGroup>();
        case kFilterTagString:
            return std::make_unique<VADFilterElementString>(VADFilterElementString::kAssetName);
        case kFilterTagBool:
            return std::make_unique<VADFilterElementBool>(VADFilterElementBool::kLocallyAvailable);
        case kFilterTagInt:
            return std::make_unique<VADFilterElementInt>();
        case kFilterTagTimestamp:
            return std::make_unique<VADFilterElementTimestamp>();
        case kFilterTagAssetID:
            return std::make_unique<VADFilterElementAssetID>();
        default:
            return nullptr;
    }
}

namespace FilterRead {

std::unique_ptr<VADFilterElement> ReadTagged(TStream& stream, Budget& budget) {
    uint32_t tag = 0;
    stream.ReadUInt32(tag);
    std::unique_ptr<VADFilterElement> element = CreateFilterElement(tag);
    if (!element) return nullptr;
    if (budget.elementsLeft <= 0) return nullptr;
    budget.elementsLeft -= 1;
    bool ok;
    if (tag == kFilterTagGroup)
        ok = static_cast<VADFilterElementGroup*>(element.get())->ReadWithin(stream, budget);
    else
        ok = element->Read(stream);
    if (!ok) return nullptr;
    return element;
}

}  // namespace FilterRead

std::unique_ptr<VADFilterElement> ReadTaggedFilterElement(TStream& stream) {
    FilterRead::Budget budget;
    return FilterRead::ReadTagged(stream, budget);
}
