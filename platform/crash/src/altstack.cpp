#include "altstack.h"

#include <csignal>
#include <cstddef>
#include <sys/mman.h>
#include <unistd.h>

namespace crash {

namespace {

// Room for the dump writer and for the program's own crash callbacks, which may format a text
// report on the stack. The pages are only committed when touched.
constexpr std::size_t kStackSize = 256 * 1024;

class AlternateStack
{
public:
    AlternateStack()
    {
        // Keep a stack someone else gave this thread when it is large enough.
        stack_t existing{};
        if (sigaltstack(nullptr, &existing) == 0 && !(existing.ss_flags & SS_DISABLE) &&
            existing.ss_size >= kStackSize)
            return;
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        std::size_t size = kStackSize;
        const long minimum = sysconf(_SC_SIGSTKSZ);
        if (minimum > 0 && static_cast<std::size_t>(minimum) > size)
            size = (static_cast<std::size_t>(minimum) + page - 1) / page * page;
        void *memory = mmap(nullptr, size + page, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (memory == MAP_FAILED)
            return;
        // A guard page below, so that a handler that overruns the stack faults instead of
        // writing over whatever lies below it.
        mprotect(memory, page, PROT_NONE);
        stack_t stack{};
        stack.ss_sp = static_cast<char *>(memory) + page;
        stack.ss_size = size;
        stack.ss_flags = 0;
        if (sigaltstack(&stack, nullptr) != 0) {
            munmap(memory, size + page);
            return;
        }
        m_memory = memory;
        m_length = size + page;
        m_stack = stack.ss_sp;
    }

    ~AlternateStack()
    {
        if (!m_memory)
            return;
        stack_t current{};
        if (sigaltstack(nullptr, &current) == 0 && current.ss_sp == m_stack &&
            !(current.ss_flags & SS_ONSTACK)) {
            stack_t off{};
            off.ss_flags = SS_DISABLE;
            sigaltstack(&off, nullptr);
        }
        munmap(m_memory, m_length);
    }

    AlternateStack(const AlternateStack &) = delete;
    AlternateStack &operator=(const AlternateStack &) = delete;

private:
    void *m_memory = nullptr;
    std::size_t m_length = 0;
    void *m_stack = nullptr;
};

} // namespace

void ensureAlternateStack()
{
    thread_local AlternateStack stack;
    (void)stack;
}

} // namespace crash
