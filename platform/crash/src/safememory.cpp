#include "safememory.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace crash {

namespace {

// The bytes go through a pipe: the kernel reads them on the process's behalf, so a page that
// cannot be read fails the write with EFAULT instead of faulting here. Non-blocking, so that a
// write never waits for a reader.
int g_pipe[2] = {-1, -1};
std::atomic_flag g_pipeInUse = ATOMIC_FLAG_INIT;

bool openPipe(int fds[2])
{
    return pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0;
}

bool copyThrough(const int fds[2], char *to, std::uintptr_t from, std::size_t length)
{
    while (length > 0) {
        // The pipe holds at least one page; stay within it so that a write never blocks.
        const std::size_t chunk = length < 4096 ? length : 4096;
        ssize_t n;
        do {
            n = ::write(fds[1], reinterpret_cast<const void *>(from), chunk);
        } while (n < 0 && errno == EINTR);
        if (n <= 0)
            return false;
        std::size_t got = 0;
        while (got < static_cast<std::size_t>(n)) {
            const ssize_t r = ::read(fds[0], to + got, static_cast<std::size_t>(n) - got);
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                return false;
            got += static_cast<std::size_t>(r);
        }
        if (static_cast<std::size_t>(n) != chunk)
            return false;
        to += chunk;
        from += chunk;
        length -= chunk;
    }
    return true;
}

} // namespace

bool prepareMemoryReads()
{
    return g_pipe[0] >= 0 || openPipe(g_pipe);
}

bool readMemory(void *to, std::uintptr_t from, std::size_t length)
{
    const int savedErrno = errno;
    char *target = static_cast<char *>(to);
    bool copied = false;
    if (g_pipe[0] >= 0 && !g_pipeInUse.test_and_set(std::memory_order_acquire)) {
        copied = copyThrough(g_pipe, target, from, length);
        g_pipeInUse.clear(std::memory_order_release);
    } else {
        int own[2];
        if (openPipe(own)) {
            copied = copyThrough(own, target, from, length);
            close(own[0]);
            close(own[1]);
        }
    }
    errno = savedErrno;
    return copied;
}

} // namespace crash
