#pragma once

#include "ilivememory.h"
#include "sdkstring.h"

#include <cstddef>
#include <cstdint>
#include <new>

// A list that the SDK fills for the program: element count, capacity and the elements, whose
// memory comes from the SDK's heap. Releasing it releases every element's texts first, then the
// memory. The SDK clears a list before it fills it again, so a list keeps what it was last given.
template <typename T> class SdkList
{
public:
    SdkList() noexcept = default;
    SdkList(const SdkList &) = delete;
    SdkList &operator=(const SdkList &) = delete;
    ~SdkList() { clear(); }

    std::int32_t size() const noexcept { return count_; }
    bool empty() const noexcept { return count_ == 0; }
    const T &operator[](std::int32_t index) const { return items_[index]; }
    T &operator[](std::int32_t index) { return items_[index]; }
    const T *begin() const noexcept { return items_; }
    const T *end() const noexcept { return items_ + count_; }

    void clear() noexcept
    {
        for (std::int32_t i = 0; i < count_; ++i)
            items_[i].~T();
        iliveFree(items_);
        items_ = nullptr;
        count_ = 0;
        capacity_ = 0;
    }

    // Returns false, and leaves the list as it was, when the SDK's heap is exhausted.
    bool append(const T &value)
    {
        if (count_ == capacity_ && !grow())
            return false;
        new (items_ + count_) T(value);
        ++count_;
        return true;
    }

private:
    bool grow()
    {
        const std::int32_t capacity = capacity_ == 0 ? 4 : capacity_ * 2;
        T *items = static_cast<T *>(iliveMalloc(sizeof(T) * static_cast<std::size_t>(capacity)));
        if (!items)
            return false;
        for (std::int32_t i = 0; i < count_; ++i) {
            new (items + i) T(items_[i]);
            items_[i].~T();
        }
        iliveFree(items_);
        items_ = items;
        capacity_ = capacity;
        return true;
    }

    std::int32_t count_ = 0;
    std::int32_t capacity_ = 0;
    T *items_ = nullptr;
};

// One top-level window that a screen share can cover.
struct SdkWindowEntry
{
    std::uint32_t handle = 0; // the native window id
    SdkString title;
};

// A camera or microphone.
struct SdkDeviceEntry
{
    SdkString id;
    SdkString name;
};

// One address a push stream is delivered at.
struct SdkPushUrlEntry
{
    std::int32_t encoding = 0;
    SdkString url;
    std::int32_t rate = 0;
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(SdkList<SdkString>) == 12, "count, capacity, elements");
static_assert(sizeof(SdkWindowEntry) == 8 && offsetof(SdkWindowEntry, title) == 4, "window entry");
static_assert(sizeof(SdkDeviceEntry) == 8 && offsetof(SdkDeviceEntry, name) == 4, "device entry");
static_assert(sizeof(SdkPushUrlEntry) == 12 && offsetof(SdkPushUrlEntry, url) == 4,
              "push result entry");
#endif
