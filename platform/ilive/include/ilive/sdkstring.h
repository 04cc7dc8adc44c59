#pragma once

#include "ilivememory.h"

#include <cstdint>

// A reference-counted 8-bit text whose block lives on the SDK's heap, so that the program and the
// SDK can hand texts to each other and either side may release the last copy.
//
// Block layout: int32 length, int32 capacity, int32 count, then the characters and a NUL. A fresh
// block has the count 0 (one holder); each further holder adds one, and the block is freed when
// the count drops below 0. Every empty text shares one static block of capacity 0, which is never
// freed; it is told apart by its capacity, so a block that came from the other side of the
// boundary is never mistaken for it.
class SdkString
{
public:
    SdkString() noexcept : chars_(emptyChars()) {}
    SdkString(const char *text) : chars_(emptyChars()) { assign(text); }
    SdkString(const SdkString &other) noexcept : chars_(other.chars_) { addRef(); }
    ~SdkString() { release(); }

    SdkString &operator=(const SdkString &other) noexcept
    {
        if (chars_ != other.chars_) {
            other.addRef();
            release();
            chars_ = other.chars_;
        }
        return *this;
    }

    SdkString &operator=(const char *text)
    {
        assign(text);
        return *this;
    }

    const char *c_str() const noexcept { return chars_; }
    std::int32_t length() const noexcept { return header()->length; }
    std::int32_t capacity() const noexcept { return header()->capacity; }
    bool empty() const noexcept { return header()->length == 0; }
    // How many further holders share the block (0: this one alone).
    std::int32_t sharedCount() const noexcept
    {
        return __atomic_load_n(&header()->count, __ATOMIC_ACQUIRE);
    }

private:
    struct Header
    {
        std::int32_t length;
        std::int32_t capacity;
        std::int32_t count;
    };
    static constexpr std::int32_t kMinimumCapacity = 32;

    static char *emptyChars() noexcept
    {
        alignas(Header) static char emptyBlock[16] = {};
        return emptyBlock + sizeof(Header);
    }

    Header *header() const noexcept { return reinterpret_cast<Header *>(chars_ - sizeof(Header)); }
    bool isEmptyBlock() const noexcept { return header()->capacity == 0; }

    void addRef() const noexcept { __atomic_add_fetch(&header()->count, 1, __ATOMIC_ACQ_REL); }

    void release() noexcept
    {
        const std::int32_t left = __atomic_sub_fetch(&header()->count, 1, __ATOMIC_ACQ_REL);
        if (left < 0 && !isEmptyBlock())
            iliveFree(header());
        chars_ = emptyChars();
    }

    void assign(const char *text)
    {
        const std::int32_t n = text ? static_cast<std::int32_t>(iliveStrLen(text)) : 0;
        if (n == 0) {
            release();
            return;
        }
        // A text taken from this very block must not be overwritten while it is copied.
        const auto at = reinterpret_cast<std::uintptr_t>(text);
        const auto own = reinterpret_cast<std::uintptr_t>(chars_);
        const bool fromOwnBlock =
            at >= own && at <= own + static_cast<std::uintptr_t>(header()->length);
        if (!isEmptyBlock() && !fromOwnBlock && n <= header()->capacity && sharedCount() < 1) {
            iliveMemCpy(chars_, text, static_cast<std::size_t>(n) + 1);
            header()->length = n;
            return;
        }
        const std::int32_t capacity = n < kMinimumCapacity ? kMinimumCapacity : n;
        void *block = iliveMalloc(sizeof(Header) + static_cast<std::size_t>(capacity) + 1);
        if (!block) {
            release();
            return;
        }
        Header *fresh = static_cast<Header *>(block);
        fresh->length = n;
        fresh->capacity = capacity;
        fresh->count = 0;
        char *chars = static_cast<char *>(block) + sizeof(Header);
        iliveMemCpy(chars, text, static_cast<std::size_t>(n) + 1);
        release();
        chars_ = chars;
    }

    char *chars_;
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(SdkString) == 4, "an SDK text is one pointer");
#endif
