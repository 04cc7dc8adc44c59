#pragma once

#include "crashhandler.h"

namespace crash {
class TextBuffer;
}

// "Call stack:" with one "Address\tFrame" line per frame of the crashing thread (its instruction
// and frame pointer), each with the module, segment and offset of its instruction. Frames are
// found by the unwind tables, within the thread's stack; names are left to the debugger and the
// dump. Async-signal-safe.
void appendCallStack(crash::TextBuffer &text, const crash::CrashContext &crash);
