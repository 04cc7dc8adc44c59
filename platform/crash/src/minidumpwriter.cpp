#include "minidumpwriter.h"

#include "elfimage.h"
#include "minidumpformat.h"
#include "modules.h"
#include "procmaps.h"
#include "safememory.h"
#include "textbuffer.h"

#include <cerrno>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace crash {

struct ModuleEntry
{
    LoadedModule module;
    std::uint32_t nameRva;
    std::uint32_t codeViewRva;
    std::uint32_t codeViewSize;
};

namespace {

using namespace minidump;

constexpr std::size_t kMapsCapacity = 4 * 1024 * 1024;
constexpr std::size_t kStatusCapacity = 16 * 1024;
constexpr std::size_t kModuleCapacity = 4096;
constexpr std::size_t kRangeCapacity = 4096;
constexpr std::size_t kOutputCapacity = 64 * 1024;
// The frames that matter are the innermost ones.
constexpr std::size_t kStackCap = 512 * 1024;
constexpr std::size_t kDataSegmentsCap = 32 * 1024 * 1024;
constexpr std::size_t kMaxBuildId = 64;

constexpr std::size_t kStreamCount = 9;

// Buffered writes with a position, so that records can point at what follows them.
class FileWriter
{
public:
    FileWriter(int fd, char *buffer, std::size_t capacity)
        : m_fd(fd), m_buffer(buffer), m_capacity(capacity)
    {
    }

    std::uint32_t position() const { return static_cast<std::uint32_t>(m_flushed + m_used); }
    bool failed() const { return m_failed; }

    void write(const void *data, std::size_t length)
    {
        const char *bytes = static_cast<const char *>(data);
        while (length > 0 && !m_failed) {
            if (m_used == m_capacity)
                flush();
            std::size_t chunk = m_capacity - m_used;
            if (chunk > length)
                chunk = length;
            std::memcpy(m_buffer + m_used, bytes, chunk);
            m_used += chunk;
            bytes += chunk;
            length -= chunk;
        }
    }

    void zeros(std::size_t length)
    {
        static const char kZeros[256] = {};
        while (length > 0) {
            const std::size_t chunk = length < sizeof kZeros ? length : sizeof kZeros;
            write(kZeros, chunk);
            length -= chunk;
        }
    }

    void align(std::size_t to)
    {
        const std::size_t rest = position() % to;
        if (rest)
            zeros(to - rest);
    }

    // Writes memory of this process straight from where it lies. A page that cannot be read
    // (EFAULT) is written as zeros, so the file keeps the layout the records promise.
    void writeMemory(std::uintptr_t address, std::size_t length)
    {
        flush();
        const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
        while (length > 0 && !m_failed) {
            const ssize_t n = ::write(m_fd, reinterpret_cast<const void *>(address), length);
            if (n > 0) {
                m_flushed += static_cast<std::size_t>(n);
                address += static_cast<std::uintptr_t>(n);
                length -= static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && errno == EFAULT) {
                std::size_t skip = page - address % page;
                if (skip > length)
                    skip = length;
                zeros(skip);
                flush();
                address += skip;
                length -= skip;
            } else {
                m_failed = true;
            }
        }
    }

    // Overwrites bytes already written (record headers whose targets were not known yet).
    void patch(std::uint32_t offset, const void *data, std::size_t length)
    {
        if (offset >= m_flushed) {
            std::memcpy(m_buffer + (offset - m_flushed), data, length);
            return;
        }
        flush();
        const char *bytes = static_cast<const char *>(data);
        while (length > 0 && !m_failed) {
            const ssize_t n = pwrite(m_fd, bytes, length, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                m_failed = true;
                return;
            }
            bytes += n;
            offset += static_cast<std::uint32_t>(n);
            length -= static_cast<std::size_t>(n);
        }
    }

    void flush()
    {
        std::size_t done = 0;
        while (done < m_used && !m_failed) {
            const ssize_t n = ::write(m_fd, m_buffer + done, m_used - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                m_failed = true;
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        m_flushed += done;
        m_used = 0;
    }

private:
    int m_fd;
    char *m_buffer;
    std::size_t m_capacity;
    std::size_t m_used = 0;
    std::size_t m_flushed = 0;
    bool m_failed = false;
};

// UTF-8 to UTF-16 as the format's strings want it: a byte length, the units, a NUL unit.
// Bytes that are not UTF-8 become U+FFFD.
std::uint32_t writeString(FileWriter &out, const char *text, std::size_t length)
{
    const std::uint32_t rva = out.position();
    out.write("\0\0\0\0", 4); // patched once the length is known
    std::uint32_t bytes = 0;
    auto unit = [&](std::uint32_t u) {
        const std::uint16_t value = static_cast<std::uint16_t>(u);
        out.write(&value, 2);
        bytes += 2;
    };
    const unsigned char *at = reinterpret_cast<const unsigned char *>(text);
    const unsigned char *end = at + length;
    while (at < end) {
        std::uint32_t c = *at++;
        int extra = 0;
        std::uint32_t minimum = 0;
        if (c >= 0xF0 && c < 0xF8) {
            c &= 0x07;
            extra = 3;
            minimum = 0x10000;
        } else if (c >= 0xE0) {
            c &= 0x0F;
            extra = 2;
            minimum = 0x800;
        } else if (c >= 0xC0) {
            c &= 0x1F;
            extra = 1;
            minimum = 0x80;
        } else if (c >= 0x80) {
            c = 0xFFFD;
        }
        bool valid = true;
        for (int i = 0; i < extra; ++i) {
            if (at >= end || (*at & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            c = (c << 6) | (*at++ & 0x3F);
        }
        if (!valid || (extra && (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))))
            c = 0xFFFD;
        if (c >= 0x10000) {
            c -= 0x10000;
            unit(0xD800 | (c >> 10));
            unit(0xDC00 | (c & 0x3FF));
        } else {
            unit(c);
        }
    }
    out.write("\0\0", 2);
    out.patch(rva, &bytes, 4);
    return rva;
}

// The GNU build id from the module's notes, as the program headers in memory point at them.
std::size_t readBuildId(std::uintptr_t base, unsigned char *id)
{
    ElfImage image;
    if (!readElfImage(base, image))
        return 0;
    const std::uintptr_t bias = base - image.firstAddress;
    for (unsigned i = 0; i < image.count; ++i) {
        const Elf64_Phdr &note = image.headers[i];
        if (note.p_type != PT_NOTE)
            continue;
        unsigned char notes[4096];
        std::size_t size = note.p_memsz < sizeof notes ? note.p_memsz : sizeof notes;
        if (!readMemory(notes, bias + note.p_vaddr, size))
            continue;
        for (std::size_t at = 0; at + sizeof(Elf64_Nhdr) <= size;) {
            Elf64_Nhdr entry;
            std::memcpy(&entry, notes + at, sizeof entry);
            const std::size_t nameAt = at + sizeof entry;
            const std::size_t descAt = nameAt + ((entry.n_namesz + 3) & ~3u);
            const std::size_t next = descAt + ((entry.n_descsz + 3) & ~3u);
            if (next > size)
                break;
            if (entry.n_type == NT_GNU_BUILD_ID && entry.n_namesz == 4 &&
                std::memcmp(notes + nameAt, "GNU", 4) == 0 && entry.n_descsz > 0 &&
                entry.n_descsz <= kMaxBuildId) {
                std::memcpy(id, notes + descAt, entry.n_descsz);
                return entry.n_descsz;
            }
            at = next;
        }
    }
    return 0;
}

std::size_t collectModules(DumpScratch &scratch)
{
    std::size_t count = 0;
    ModuleReader reader(scratch.maps, scratch.mapsLength);
    LoadedModule module;
    while (count < scratch.moduleCapacity && reader.next(module))
        scratch.modules[count++] = ModuleEntry{module, 0, 0, 0};
    return count;
}

void fillContext(ContextAmd64 &c, const ucontext_t &uc)
{
    std::memset(&c, 0, sizeof c);
    const greg_t *g = uc.uc_mcontext.gregs;
    c.contextFlags = kContextFull;
    c.rax = static_cast<std::uint64_t>(g[REG_RAX]);
    c.rcx = static_cast<std::uint64_t>(g[REG_RCX]);
    c.rdx = static_cast<std::uint64_t>(g[REG_RDX]);
    c.rbx = static_cast<std::uint64_t>(g[REG_RBX]);
    c.rsp = static_cast<std::uint64_t>(g[REG_RSP]);
    c.rbp = static_cast<std::uint64_t>(g[REG_RBP]);
    c.rsi = static_cast<std::uint64_t>(g[REG_RSI]);
    c.rdi = static_cast<std::uint64_t>(g[REG_RDI]);
    c.r8 = static_cast<std::uint64_t>(g[REG_R8]);
    c.r9 = static_cast<std::uint64_t>(g[REG_R9]);
    c.r10 = static_cast<std::uint64_t>(g[REG_R10]);
    c.r11 = static_cast<std::uint64_t>(g[REG_R11]);
    c.r12 = static_cast<std::uint64_t>(g[REG_R12]);
    c.r13 = static_cast<std::uint64_t>(g[REG_R13]);
    c.r14 = static_cast<std::uint64_t>(g[REG_R14]);
    c.r15 = static_cast<std::uint64_t>(g[REG_R15]);
    c.rip = static_cast<std::uint64_t>(g[REG_RIP]);
    c.eFlags = static_cast<std::uint32_t>(g[REG_EFL]);
    // cs, gs, fs and (on newer kernels) ss share one word.
    const std::uint64_t segments = static_cast<std::uint64_t>(g[REG_CSGSFS]);
    c.segCs = static_cast<std::uint16_t>(segments & 0xFFFF);
    c.segGs = static_cast<std::uint16_t>((segments >> 16) & 0xFFFF);
    c.segFs = static_cast<std::uint16_t>((segments >> 32) & 0xFFFF);
    c.segSs = static_cast<std::uint16_t>((segments >> 48) & 0xFFFF);
    if (c.segSs == 0)
        c.segSs = 0x2B;
    if (uc.uc_mcontext.fpregs) {
        static_assert(sizeof(*uc.uc_mcontext.fpregs) == sizeof c.fltSave);
        std::memcpy(c.fltSave, uc.uc_mcontext.fpregs, sizeof c.fltSave);
        c.mxCsr = uc.uc_mcontext.fpregs->mxcsr;
    }
}

struct StreamTable
{
    Directory entries[kStreamCount];
    std::uint32_t count = 0;

    void add(std::uint32_t type, std::uint32_t rva, std::uint32_t size)
    {
        entries[count++] = Directory{type, LocationDescriptor{size, rva}};
    }
};

std::uint32_t sizeSince(const FileWriter &out, std::uint32_t rva)
{
    return out.position() - rva;
}

void writeSystemInfo(FileWriter &out, StreamTable &streams, const SystemFacts &facts)
{
    out.align(8);
    SystemInfo info{};
    info.processorArchitecture = kArchitectureAmd64;
    info.processorLevel = facts.processorLevel;
    info.processorRevision = facts.processorRevision;
    info.numberOfProcessors =
        static_cast<std::uint8_t>(facts.processorCount > 255 ? 255 : facts.processorCount);
    info.majorVersion = facts.majorVersion;
    info.minorVersion = facts.minorVersion;
    info.buildNumber = facts.buildNumber;
    info.platformId = kPlatformLinux;
    std::memcpy(info.vendorId, facts.vendorId, sizeof info.vendorId);
    info.versionInformation = facts.versionInformation;
    info.featureInformation = facts.featureInformation;
    info.amdExtendedCpuFeatures = facts.amdExtendedFeatures;
    const std::uint32_t rva = out.position();
    info.csdVersionRva = rva + sizeof info;
    out.write(&info, sizeof info);
    streams.add(kSystemInfoStream, rva, sizeof info);
    // "Linux <release> <version> <machine>" as the record's service-pack text.
    char description[4 * sizeof facts.systemName];
    TextBuffer text(description, sizeof description);
    text.text(facts.systemName).character(' ').text(facts.release).character(' ');
    text.text(facts.version).character(' ').text(facts.machine);
    writeString(out, text.data(), text.length());
}

void writeMiscInfo(FileWriter &out, StreamTable &streams, pid_t pid)
{
    out.align(8);
    MiscInfo misc{};
    misc.sizeOfInfo = sizeof misc;
    misc.flags1 = kMiscProcessId;
    misc.processId = static_cast<std::uint32_t>(pid);
    const std::uint32_t rva = out.position();
    out.write(&misc, sizeof misc);
    streams.add(kMiscInfoStream, rva, sizeof misc);
}

void writeModules(FileWriter &out, StreamTable &streams, DumpScratch &scratch, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        ModuleEntry &entry = scratch.modules[i];
        out.align(4);
        entry.nameRva = writeString(out, entry.module.path, entry.module.pathLength);
        unsigned char id[kMaxBuildId];
        const std::size_t idLength = readBuildId(entry.module.base, id);
        if (idLength > 0) {
            out.align(4);
            entry.codeViewRva = out.position();
            out.write(&kCodeViewElfBuildId, 4);
            out.write(id, idLength);
            entry.codeViewSize = static_cast<std::uint32_t>(4 + idLength);
        }
    }
    out.align(8);
    const std::uint32_t rva = out.position();
    const std::uint32_t number = static_cast<std::uint32_t>(count);
    out.write(&number, 4);
    for (std::size_t i = 0; i < count; ++i) {
        const ModuleEntry &entry = scratch.modules[i];
        Module record{};
        record.baseOfImage = entry.module.base;
        record.sizeOfImage = static_cast<std::uint32_t>(entry.module.end - entry.module.base);
        record.moduleNameRva = entry.nameRva;
        record.cvRecord = LocationDescriptor{entry.codeViewSize, entry.codeViewRva};
        out.write(&record, sizeof record);
    }
    streams.add(kModuleListStream, rva, sizeSince(out, rva));
}

// The writable data of every module (its globals), within a total cap.
std::size_t writeDataSegments(FileWriter &out, DumpScratch &scratch, std::size_t moduleCount,
                              std::size_t rangeCount)
{
    std::size_t total = 0;
    MappingReader reader(scratch.maps, scratch.mapsLength);
    Mapping m;
    std::size_t module = 0;
    while (reader.next(m) && rangeCount < scratch.rangeCapacity) {
        while (module < moduleCount && scratch.modules[module].module.end <= m.start)
            ++module;
        if (module == moduleCount)
            break;
        const LoadedModule &owner = scratch.modules[module].module;
        if (m.start < owner.base || !m.readable || !m.writable || !isMappingOf(m, owner))
            continue;
        const std::size_t size = m.end - m.start;
        if (total + size > kDataSegmentsCap)
            continue;
        total += size;
        out.align(8);
        const std::uint32_t rva = out.position();
        out.writeMemory(m.start, size);
        scratch.ranges[rangeCount++] =
            MemoryDescriptor{m.start, LocationDescriptor{static_cast<std::uint32_t>(size), rva}};
    }
    return rangeCount;
}

void writeText(FileWriter &out, StreamTable &streams, std::uint32_t type, const char *text,
               std::size_t length)
{
    out.align(8);
    const std::uint32_t rva = out.position();
    out.write(text, length);
    streams.add(type, rva, static_cast<std::uint32_t>(length));
}

} // namespace

bool allocateDumpScratch(DumpScratch &scratch)
{
    if (scratch.maps)
        return true;
    const std::size_t sizes[] = {kMapsCapacity, kStatusCapacity,
                                 kModuleCapacity * sizeof(ModuleEntry),
                                 kRangeCapacity * sizeof(MemoryDescriptor), kOutputCapacity};
    std::size_t total = 0;
    for (std::size_t size : sizes)
        total += (size + 63) / 64 * 64;
    void *block = mmap(nullptr, total, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (block == MAP_FAILED)
        return false;
    char *at = static_cast<char *>(block);
    auto take = [&](std::size_t size) {
        char *part = at;
        at += (size + 63) / 64 * 64;
        return part;
    };
    scratch.maps = take(kMapsCapacity);
    scratch.mapsCapacity = kMapsCapacity;
    scratch.status = take(kStatusCapacity);
    scratch.statusCapacity = kStatusCapacity;
    scratch.modules = reinterpret_cast<ModuleEntry *>(take(kModuleCapacity * sizeof(ModuleEntry)));
    scratch.moduleCapacity = kModuleCapacity;
    scratch.ranges =
        reinterpret_cast<MemoryDescriptor *>(take(kRangeCapacity * sizeof(MemoryDescriptor)));
    scratch.rangeCapacity = kRangeCapacity;
    scratch.output = take(kOutputCapacity);
    scratch.outputCapacity = kOutputCapacity;
    return true;
}

bool writeMinidump(int fd, const DumpRequest &request, const SystemFacts &facts,
                   DumpScratch &scratch)
{
    if (!request.context || lseek(fd, 0, SEEK_SET) != 0)
        return false;
    FileWriter out(fd, scratch.output, scratch.outputCapacity);
    StreamTable streams;

    out.zeros(sizeof(Header) + kStreamCount * sizeof(Directory));

    writeSystemInfo(out, streams, facts);
    writeMiscInfo(out, streams, request.pid);

    out.align(16);
    ContextAmd64 context;
    fillContext(context, *request.context);
    const std::uint32_t contextRva = out.position();
    out.write(&context, sizeof context);

    std::size_t rangeCount = 0;
    const std::uintptr_t stackBegin = request.stackBegin;
    std::uintptr_t stackEnd = request.stackEnd;
    if (stackEnd - stackBegin > kStackCap)
        stackEnd = stackBegin + kStackCap;
    Thread thread{};
    thread.threadId = static_cast<std::uint32_t>(request.tid);
    thread.threadContext = LocationDescriptor{sizeof context, contextRva};
    if (stackBegin < stackEnd) {
        out.align(16);
        const std::uint32_t stackRva = out.position();
        out.writeMemory(stackBegin, stackEnd - stackBegin);
        thread.stack = MemoryDescriptor{
            stackBegin,
            LocationDescriptor{static_cast<std::uint32_t>(stackEnd - stackBegin), stackRva}};
        scratch.ranges[rangeCount++] = thread.stack;
    }

    out.align(8);
    const std::uint32_t threadListRva = out.position();
    const std::uint32_t one = 1;
    out.write(&one, 4);
    out.write(&thread, sizeof thread);
    streams.add(kThreadListStream, threadListRva, sizeSince(out, threadListRva));

    out.align(8);
    ExceptionStream exception{};
    exception.threadId = thread.threadId;
    // Debuggers read a Linux dump's code as the signal number and the flags as si_code.
    exception.exceptionRecord.exceptionCode = static_cast<std::uint32_t>(request.signal);
    exception.exceptionRecord.exceptionFlags = static_cast<std::uint32_t>(request.signalCode);
    exception.exceptionRecord.exceptionAddress = request.faultAddress;
    exception.threadContext = thread.threadContext;
    const std::uint32_t exceptionRva = out.position();
    out.write(&exception, sizeof exception);
    streams.add(kExceptionStream, exceptionRva, sizeof exception);

    const std::size_t moduleCount = collectModules(scratch);
    writeModules(out, streams, scratch, moduleCount);

    if (request.dataSegments)
        rangeCount = writeDataSegments(out, scratch, moduleCount, rangeCount);

    out.align(8);
    const std::uint32_t memoryListRva = out.position();
    const std::uint32_t ranges = static_cast<std::uint32_t>(rangeCount);
    out.write(&ranges, 4);
    out.write(scratch.ranges, rangeCount * sizeof(MemoryDescriptor));
    streams.add(kMemoryListStream, memoryListRva, sizeSince(out, memoryListRva));

    writeText(out, streams, kLinuxMapsStream, scratch.maps, scratch.mapsLength);
    const std::size_t statusLength =
        readProcFile("/proc/self/status", scratch.status, scratch.statusCapacity);
    writeText(out, streams, kLinuxProcStatusStream, scratch.status, statusLength);

    Header header{};
    header.signature = kSignature;
    header.version = kVersion;
    header.numberOfStreams = streams.count;
    header.streamDirectoryRva = sizeof(Header);
    header.timeDateStamp = static_cast<std::uint32_t>(request.time);
    out.flush();
    out.patch(0, &header, sizeof header);
    out.patch(sizeof(Header), streams.entries, streams.count * sizeof(Directory));
    return !out.failed();
}

} // namespace crash
