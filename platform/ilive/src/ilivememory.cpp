#include "ilive/ilivememory.h"

#include "simulationstate.h"

#include <cstdlib>
#include <cstring>

extern "C" {

void *iliveMalloc(std::size_t size)
{
    void *block = std::malloc(size == 0 ? 1 : size);
    if (block)
        ilivesim::heapBlockCount().fetch_add(1);
    return block;
}

void iliveFree(void *block)
{
    if (!block)
        return;
    ilivesim::heapBlockCount().fetch_sub(1);
    std::free(block);
}

std::size_t iliveStrLen(const char *text)
{
    return text ? std::strlen(text) : 0;
}

void *iliveMemCpy(void *destination, const void *source, std::size_t size)
{
    return size == 0 ? destination : std::memcpy(destination, source, size);
}
}
