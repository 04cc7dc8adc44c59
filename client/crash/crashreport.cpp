#include "crashreport.h"

#include "callstack.h"
#include "exceptionkind.h"
#include "faultaddress.h"
#include "systemlines.h"
#include "textbuffer.h"

namespace {

std::uint64_t reg(const crash::CrashContext &crash, int index)
{
    return crash.context ? static_cast<std::uint64_t>(crash.context->uc_mcontext.gregs[index]) : 0;
}

void appendRegister(crash::TextBuffer &text, const char *name, std::uint64_t value)
{
    text.text(name).character(':').hex(value, 8).text("\r\n");
}

} // namespace

void composeCrashReport(crash::TextBuffer &text, const crash::CrashContext &crash,
                        const DataSelectors &selectors)
{
    const crash::LocalTime &t = crash.time;
    text.text("Unhandled exception: ").decimal(t.month, 2).character('/').decimal(t.day, 2);
    text.character('/').decimal(t.year, 4).character(' ').decimal(t.hour, 2).character(':');
    text.decimal(t.minute, 2).character(':').decimal(t.second, 2).text("\r\n");

    const crash::SystemFacts unknown;
    const crash::SystemFacts &system = crash.system ? *crash.system : unknown;
    appendCpuInfo(text, system);
    appendSystemVersion(text, system);

    text.text("Exception code: ").hex(crash.exception.code, 8).character(' ');
    text.text(crash::exceptionCodeName(crash.exception.code, crash.exception.name)).text("\r\n");

    // The instruction that faulted, as the exception's address.
    const std::uint64_t rip = reg(crash, REG_RIP);
    const crash::FaultLocation where =
        crash::describeFaultAddress(crash.maps, crash.mapsLength, rip);
    text.text("Fault address:  ").hex(rip, 8).character(' ').hex(where.section, 2);
    text.character(':').hex(where.offset, 8).character(' ');
    text.text(where.path, where.pathLength).text("\r\n");

    text.text("\nRegisters:\r\n");
    appendRegister(text, "RAX", reg(crash, REG_RAX));
    appendRegister(text, "RBX", reg(crash, REG_RBX));
    appendRegister(text, "RCX", reg(crash, REG_RCX));
    appendRegister(text, "RDX", reg(crash, REG_RDX));
    appendRegister(text, "RSI", reg(crash, REG_RSI));
    appendRegister(text, "RDI", reg(crash, REG_RDI));
    appendRegister(text, "R8", reg(crash, REG_R8));
    appendRegister(text, "R9", reg(crash, REG_R9));
    appendRegister(text, "R10", reg(crash, REG_R10));
    appendRegister(text, "R11", reg(crash, REG_R11));
    appendRegister(text, "R12", reg(crash, REG_R12));
    appendRegister(text, "R13", reg(crash, REG_R13));
    appendRegister(text, "R14", reg(crash, REG_R14));
    appendRegister(text, "R15", reg(crash, REG_R15));

    // cs, gs, fs and ss share one slot, 16 bits each from the lowest.
    const std::uint64_t segments = reg(crash, REG_CSGSFS);
    const std::uint64_t cs = segments & 0xFFFF;
    const std::uint64_t gs = (segments >> 16) & 0xFFFF;
    const std::uint64_t fs = (segments >> 32) & 0xFFFF;
    const std::uint64_t ss = (segments >> 48) & 0xFFFF;
    text.text("CS:RIP:").hex(cs, 4).character(':').hex(rip, 8).text("\r\n");
    text.text("SS:RSP:").hex(ss, 4).character(':').hex(reg(crash, REG_RSP), 8);
    text.text("  RBP:").hex(reg(crash, REG_RBP), 8).text("\r\n");
    text.text("DS:").hex(selectors.ds, 4).text("  ES:").hex(selectors.es, 4);
    text.text("  FS:").hex(fs, 4).text("  GS:").hex(gs, 4).text("\r\n");
    text.text("Flags:").hex(reg(crash, REG_EFL), 8).text("\r\n");

    appendCallStack(text, crash);
}
