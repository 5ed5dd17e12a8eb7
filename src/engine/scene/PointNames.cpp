#include "engine/scene/PointNames.h"

#include <cstring>

namespace Vek {

void SplitPointName(const char* name, PString& first, PString& second) {
    if (!name) name = "";
    const char* slash = std::strchr(name, '/');
    if (!slash) {
        first = PString(name);
        second = PString("");
        return;
    }
    first = PString(name, static_cast<std::size_t>(slash - name));
    second = PString(slash + 1);
}

}  // namespace Vek
