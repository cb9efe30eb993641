// A block of memory for whole frames, kept for reuse: one 2K frame is 12.7 MB, and touching fresh
// pages costs as much as reading the frame from the page cache several times over. The block asks
// for transparent huge pages, which the kernel grants on request on most systems, so that its first
// use takes a few faults rather than thousands.
#pragma once

#include <cstddef>
#include <cstdint>

class LargeBlock {
public:
    LargeBlock() = default;
    ~LargeBlock();
    LargeBlock(LargeBlock&& other) noexcept;
    LargeBlock& operator=(LargeBlock&& other) noexcept;
    LargeBlock(const LargeBlock&) = delete;
    LargeBlock& operator=(const LargeBlock&) = delete;

    uint8_t* data() { return m_data; }
    const uint8_t* data() const { return m_data; }
    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    /// Makes the block `size` bytes; its bytes are unspecified after growing (a block only grows
    /// when it must: a smaller size keeps the memory). False, with the block emptied, when the
    /// memory can't be had.
    bool resize(size_t size);
    /// `size` bytes of `value`.
    bool assign(size_t size, uint8_t value);
    /// Gives the memory back.
    void release();

private:
    uint8_t* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};
