#include "assetdb/worlds/WorldFactoryItem.h"

WorldFactoryItem::~WorldFactoryItem() = default;
