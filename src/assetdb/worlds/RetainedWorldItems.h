#pragma once
// The process-wide set of retained world-list items: an item in it keeps its
// id reserved in its list after it leaves, so the id is not handed out
// again. Destroying an item erases it from the set.
#include <set>

class WorldListItem;

std::set<WorldListItem*>& RetainedWorldItems();
