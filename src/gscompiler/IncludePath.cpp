#include "gscompiler/IncludePath.h"

Utils::DoubleLinkList& IncludePaths() {
    static Utils::DoubleLinkList* list = new Utils::DoubleLinkList();
    return *list;
}

void ClearIncludePaths(Utils::DoubleLinkList& list) {
    for (auto* node = list.Begin(); node != list.End(); node = node->next) delete static_cast<IncludePath*>(node->data);
    list.Clear();
}
