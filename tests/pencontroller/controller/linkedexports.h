#pragma once

#include "penlibrary.h"

// The exports of the library's code linked into the test program, where its in-process seams
// (the port library, the requests' clock) can be reached.
PenExports linkedExports();
