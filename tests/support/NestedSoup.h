#pragma once
// A soup nested `depth` containers deep for the tests of deep soups: each
// container holds only the tag "n", the next one; the last holds "leaf" 7
// and the KUID <kuid:5:6>.
#include "foundation/soups/SoupHandle.h"

namespace VorlexTest {

inline SoupHandle NestedSoup(int depth) {
    SoupHandle root;
    root.EnsureContainer();
    SoupHandle level = root;
    for (int i = 0; i < depth; ++i) {
        SoupHandle child;
        level.SetContainer("n", child);
        level = child;
    }
    level.SetInt("leaf", 7);
    level.SetKUID("k", KUID(5, 6, 0));
    return root;
}

// How many containers "n" nest below the root; -1 when the last does not
// hold "leaf" 7.
inline int NestedSoupDepth(const SoupHandle& soup) {
    int depth = 0;
    SoupHandle level = soup;
    for (SoupHandle next = level.GetContainer("n"); next.Get(); next = level.GetContainer("n")) {
        level = next;
        ++depth;
    }
    return level.GetInt("leaf", -1) == 7 ? depth : -1;
}

}  // namespace VorlexTest
