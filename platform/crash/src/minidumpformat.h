#pragma once

#include <cstddef>
#include <cstdint>

// The on-disk records of the minidump format, little-endian, 4-byte packed as the format lays
// them out. Only what this writer fills is declared.
namespace crash::minidump {

inline constexpr std::uint32_t kSignature = 0x504D444D; // "MDMP"
inline constexpr std::uint32_t kVersion = 0xA793;

enum StreamType : std::uint32_t
{
    kThreadListStream = 3,
    kModuleListStream = 4,
    kMemoryListStream = 5,
    kExceptionStream = 6,
    kSystemInfoStream = 7,
    kMiscInfoStream = 15,
    // Linux streams that debuggers read for the process's status and memory map.
    kLinuxProcStatusStream = 0x47670004,
    kLinuxMapsStream = 0x47670009,
};

inline constexpr std::uint16_t kArchitectureAmd64 = 9;
inline constexpr std::uint32_t kPlatformLinux = 0x8201;
// The architecture bit is what makes a reader take the registers as AMD64 ones.
inline constexpr std::uint32_t kContextAmd64 = 0x00100000;
inline constexpr std::uint32_t kContextFull = kContextAmd64 | 0x1 | 0x2 | 0x4 | 0x8;
inline constexpr std::uint32_t kMiscProcessId = 0x1;
inline constexpr std::uint32_t kCodeViewElfBuildId = 0x4270454C; // "BpEL"

#pragma pack(push, 4)

struct LocationDescriptor
{
    std::uint32_t dataSize;
    std::uint32_t rva;
};

struct Header
{
    std::uint32_t signature;
    std::uint32_t version;
    std::uint32_t numberOfStreams;
    std::uint32_t streamDirectoryRva;
    std::uint32_t checkSum;
    std::uint32_t timeDateStamp;
    std::uint64_t flags;
};

struct Directory
{
    std::uint32_t streamType;
    LocationDescriptor location;
};

struct MemoryDescriptor
{
    std::uint64_t startOfMemoryRange;
    LocationDescriptor memory;
};

struct Thread
{
    std::uint32_t threadId;
    std::uint32_t suspendCount;
    std::uint32_t priorityClass;
    std::uint32_t priority;
    std::uint64_t teb;
    MemoryDescriptor stack;
    LocationDescriptor threadContext;
};

struct SystemInfo
{
    std::uint16_t processorArchitecture;
    std::uint16_t processorLevel;
    std::uint16_t processorRevision;
    std::uint8_t numberOfProcessors;
    std::uint8_t productType;
    std::uint32_t majorVersion;
    std::uint32_t minorVersion;
    std::uint32_t buildNumber;
    std::uint32_t platformId;
    std::uint32_t csdVersionRva;
    std::uint16_t suiteMask;
    std::uint16_t reserved2;
    std::uint32_t vendorId[3];
    std::uint32_t versionInformation;
    std::uint32_t featureInformation;
    std::uint32_t amdExtendedCpuFeatures;
};

struct MiscInfo
{
    std::uint32_t sizeOfInfo;
    std::uint32_t flags1;
    std::uint32_t processId;
    std::uint32_t processCreateTime;
    std::uint32_t processUserTime;
    std::uint32_t processKernelTime;
};

struct FixedFileInfo
{
    std::uint32_t values[13];
};

struct Module
{
    std::uint64_t baseOfImage;
    std::uint32_t sizeOfImage;
    std::uint32_t checkSum;
    std::uint32_t timeDateStamp;
    std::uint32_t moduleNameRva;
    FixedFileInfo versionInfo;
    LocationDescriptor cvRecord;
    LocationDescriptor miscRecord;
    std::uint64_t reserved0;
    std::uint64_t reserved1;
};

struct Exception
{
    std::uint32_t exceptionCode;
    std::uint32_t exceptionFlags;
    std::uint64_t exceptionRecord;
    std::uint64_t exceptionAddress;
    std::uint32_t numberParameters;
    std::uint32_t unusedAlignment;
    std::uint64_t exceptionInformation[15];
};

struct ExceptionStream
{
    std::uint32_t threadId;
    std::uint32_t alignment;
    Exception exceptionRecord;
    LocationDescriptor threadContext;
};

struct M128
{
    std::uint64_t low;
    std::int64_t high;
};

struct ContextAmd64
{
    std::uint64_t pHome[6];
    std::uint32_t contextFlags;
    std::uint32_t mxCsr;
    std::uint16_t segCs, segDs, segEs, segFs, segGs, segSs;
    std::uint32_t eFlags;
    std::uint64_t dr0, dr1, dr2, dr3, dr6, dr7;
    std::uint64_t rax, rcx, rdx, rbx, rsp, rbp, rsi, rdi;
    std::uint64_t r8, r9, r10, r11, r12, r13, r14, r15;
    std::uint64_t rip;
    std::uint8_t fltSave[512]; // the FXSAVE image
    M128 vectorRegister[26];
    std::uint64_t vectorControl;
    std::uint64_t debugControl;
    std::uint64_t lastBranchToRip;
    std::uint64_t lastBranchFromRip;
    std::uint64_t lastExceptionToRip;
    std::uint64_t lastExceptionFromRip;
};

#pragma pack(pop)

static_assert(sizeof(Header) == 32);
static_assert(sizeof(Directory) == 12);
static_assert(sizeof(MemoryDescriptor) == 16);
static_assert(sizeof(Thread) == 48);
static_assert(sizeof(SystemInfo) == 56);
static_assert(sizeof(MiscInfo) == 24);
static_assert(sizeof(Module) == 108);
static_assert(sizeof(ExceptionStream) == 168);
static_assert(sizeof(ContextAmd64) == 1232);
static_assert(offsetof(ContextAmd64, contextFlags) == 0x30);
static_assert(offsetof(ContextAmd64, rax) == 0x78);
static_assert(offsetof(ContextAmd64, rip) == 0xF8);
static_assert(offsetof(ContextAmd64, fltSave) == 0x100);
static_assert(offsetof(ContextAmd64, vectorRegister) == 0x300);

} // namespace crash::minidump
