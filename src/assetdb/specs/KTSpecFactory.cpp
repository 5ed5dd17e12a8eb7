#include "assetdb/specs/KTSpecFactory.h"

#include "assetdb/specs/SpecRegistry.h"

KTSpecFactory::~KTSpecFactory() { SpecRegistry::WithdrawFactory(this); }
