#include "assetdb/worlds/RetainedWorldItems.h"

std::set<WorldListItem*>& RetainedWorldItems() {
    static std::set<WorldListItem*> items;
    return items;
}
