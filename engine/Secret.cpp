#include "engine/Secret.h"

#if defined(__linux__)
#include <sys/prctl.h>
#include <sys/resource.h>
#endif

void DisableCoreDumps() {
#if defined(__linux__)
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}
