#include "callstack.h"

#include "faultaddress.h"
#include "stackwalk.h"
#include "textbuffer.h"

namespace {

constexpr std::size_t kMaxFrames = 256;

} // namespace

void appendCallStack(crash::TextBuffer &text, const crash::CrashContext &crash)
{
    text.text("Call stack:\r\n").text("Address\tFrame\r\n");
    if (!crash.context)
        return;
    crash::StackFrame frames[kMaxFrames];
    const std::size_t count =
        crash::walkStack(*crash.context, crash.stackBegin, crash.stackEnd, frames, kMaxFrames);
    // The walk ends by itself; a frame pointer of 0 is no end here, as library code uses the
    // register for anything.
    for (std::size_t i = 0; i < count; ++i) {
        const crash::FaultLocation where =
            crash::describeFaultAddress(crash.maps, crash.mapsLength, frames[i].instruction);
        text.hex(frames[i].instruction, 8).character('\t').hex(frames[i].frame, 8);
        text.character(' ').hex(where.section, 4).character(':').hex(where.offset, 8);
        text.character(' ').text(where.path, where.pathLength).text("\r\n");
    }
}
