#include "assetdb/specs/SpecFilter.h"

#include "assetdb/specs/VorlexBaseSpec.h"

bool IsVorlexBaseSpec(AssetSpec* spec) { return dynamic_cast<VorlexBaseSpec*>(spec) != nullptr; }
