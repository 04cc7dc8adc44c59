#include "linkedexports.h"

PenExports linkedExports()
{
    PenExports exports;
#define SCRIVLO_LINK(name, type) exports.name = &::name;
    SCRIVLO_EXPORTS(SCRIVLO_LINK)
#undef SCRIVLO_LINK
    return exports;
}
