#include "platform/large_block.h"

#include <cstring>
#include <sys/mman.h>
#include <utility>

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

} // namespace

LargeBlock::~LargeBlock() { release(); }

LargeBlock::LargeBlock(LargeBlock&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)) {}

LargeBlock& LargeBlock::operator=(LargeBlock&& other) noexcept {
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

bool LargeBlock::resize(size_t size) {
    if (size <= m_capacity) {
        m_size = size;
        return true;
    }
    release();
    const size_t capacity = (size + kHugePage - 1) / kHugePage * kHugePage;
    void* memory = mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return false;
    // Advice only: where huge pages aren't to be had the block works the same, with more faults.
    (void)madvise(memory, capacity, MADV_HUGEPAGE);
    m_data = static_cast<uint8_t*>(memory);
    m_size = size;
    m_capacity = capacity;
    return true;
}

bool LargeBlock::assign(size_t size, uint8_t value) {
    if (!resize(size))
        return false;
    std::memset(m_data, value, size);
    return true;
}

void LargeBlock::release() {
    if (m_data)
        munmap(m_data, m_capacity);
    m_data = nullptr;
    m_size = 0;
    m_capacity = 0;
}
