#pragma once

#include <cstddef>

// Memory and text helpers of the live SDK. Strings and lists cross the boundary between the
// program and the SDK, so both sides take their blocks from the SDK's own heap.
extern "C" {
void *iliveMalloc(std::size_t size);
void iliveFree(void *block);
std::size_t iliveStrLen(const char *text);
void *iliveMemCpy(void *destination, const void *source, std::size_t size);
}
