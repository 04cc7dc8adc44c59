// Compiled for 32-bit targets only: the interface header's own offset checks are live there.
#include <ilive/ilive.h>

#if UINTPTR_MAX != 0xFFFFFFFFu
#error "a 32-bit target is expected"
#endif

static_assert(sizeof(SdkPushResult) == 24, "push result");
static_assert(sizeof(SdkList<SdkWindowEntry>) == 12, "window list");
