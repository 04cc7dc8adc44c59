#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace scrivlo {

// The bytes of one upload, in the order they arrived. Allocated once for the largest upload, so
// collecting allocates nothing; what does not fit is dropped, never written past the end.
class UploadBuffer
{
public:
    static constexpr std::size_t kCapacity = 11'000'000;

    UploadBuffer();

    void clear();
    // Appends what still fits. False when some of the bytes were dropped.
    bool append(const std::uint8_t *bytes, std::size_t count);

    const std::uint8_t *data() const { return m_bytes.get(); }
    std::size_t size() const { return m_size; }
    // The index of the last byte written, -1 when empty.
    long lastIndex() const { return static_cast<long>(m_size) - 1; }

private:
    // Left uninitialised: untouched pages cost no memory, and nothing reads beyond size().
    std::unique_ptr<std::uint8_t[]> m_bytes;
    std::size_t m_size = 0;
};

} // namespace scrivlo
