#include "tetlib/ValidationLock.h"

namespace TETLib {

Vek::Mutex& ValidationLock() {
    static Vek::Mutex lock(false);
    return lock;
}

}  // namespace TETLib
