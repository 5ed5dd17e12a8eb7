#pragma once
// How the name of an attachment or reference point splits into two parts:
// the text before the first '/' is the point's own name, the text after it
// names the bone the point hangs from ("a.coupler/body" is the point
// "a.coupler" on the bone "body"). Without a '/', the second part is empty.
#include "engine/PString.h"

namespace Vek {

void SplitPointName(const char* name, PString& first, PString& second);

}  // namespace Vek
