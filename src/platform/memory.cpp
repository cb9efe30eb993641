#include "platform/memory.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace {

// The master pointer comes first, so a handle (its address) is also the record's address.
struct HandleRecord {
    char* block;
    Size size;
    int lockCount;
};
static_assert(offsetof(HandleRecord, block) == 0);

// Pointer blocks carry their size in a header in front of the caller's bytes; 16 bytes keep the
// caller's bytes aligned for any scalar type.
constexpr size_t kPtrHeader = 16;

thread_local OSErr t_memError = noErr;
thread_local int t_exhausted = 0; // MemoryExhaustion::Blocks that cannot be had

HandleRecord* recordOf(Handle h) {
    return reinterpret_cast<HandleRecord*>(h);
}

// Frame-sized blocks (a 2K frame is 12.7 MB) are asked for in huge pages: touching a block the first
// time costs a page fault per page, which dominates filling it once, and an export or a preview fills
// a fresh one. Smaller blocks come from the heap as usual.
constexpr size_t kLargeBlock = size_t(4) << 20;
constexpr size_t kHugePage = size_t(2) << 20;

void* allocateBlock(size_t bytes, bool clear) {
    if (bytes < kLargeBlock)
        return clear ? std::calloc(1, bytes) : std::malloc(bytes);
    void* block = nullptr;
    if (posix_memalign(&block, kHugePage, bytes) != 0)
        return nullptr;
    madvise(block, (bytes + kHugePage - 1) & ~(kHugePage - 1), MADV_HUGEPAGE);
    if (clear)
        std::memset(block, 0, bytes);
    return block;
}

Handle makeHandle(Size byteCount, bool clear) {
    if (byteCount < 0) {
        t_memError = paramErr;
        return nullptr;
    }
    auto* record = (t_exhausted & MemoryExhaustion::handles) ? nullptr
                                                             : new (std::nothrow)
                                                                   HandleRecord{nullptr, byteCount, 0};
    if (!record) {
        t_memError = memFullErr;
        return nullptr;
    }
    // Always allocate at least one byte so that *h is never null for a live handle.
    size_t allocation = byteCount > 0 ? size_t(byteCount) : 1;
    record->block = static_cast<char*>(allocateBlock(allocation, clear));
    if (!record->block) {
        delete record;
        t_memError = memFullErr;
        return nullptr;
    }
    t_memError = noErr;
    return &record->block;
}

Ptr makePtr(Size byteCount, bool clear) {
    if (byteCount < 0) {
        t_memError = paramErr;
        return nullptr;
    }
    size_t total = kPtrHeader + size_t(byteCount);
    auto* raw = (t_exhausted & MemoryExhaustion::pointers) ? nullptr
                                                           : static_cast<char*>(allocateBlock(total, clear));
    if (!raw) {
        t_memError = memFullErr;
        return nullptr;
    }
    std::memcpy(raw, &byteCount, sizeof byteCount);
    t_memError = noErr;
    return raw + kPtrHeader;
}

} // namespace

OSErr MemError() {
    return t_memError;
}

MemoryExhaustion::MemoryExhaustion(int blocks) : m_previous(t_exhausted) {
    t_exhausted |= blocks;
}
MemoryExhaustion::~MemoryExhaustion() {
    t_exhausted = m_previous;
}

Handle NewHandle(Size byteCount) {
    return makeHandle(byteCount, false);
}
Handle NewHandleClear(Size byteCount) {
    return makeHandle(byteCount, true);
}

Size GetHandleSize(Handle h) {
    if (!h) {
        t_memError = nilHandleErr;
        return 0;
    }
    t_memError = noErr;
    return recordOf(h)->size;
}

void SetHandleSize(Handle h, Size byteCount) {
    if (!h || byteCount < 0) {
        t_memError = h ? paramErr : nilHandleErr;
        return;
    }
    HandleRecord* record = recordOf(h);
    size_t allocation = byteCount > 0 ? size_t(byteCount) : 1;
    char* grown = static_cast<char*>(std::realloc(record->block, allocation));
    if (!grown) {
        t_memError = memFullErr;
        return;
    }
    record->block = grown;
    record->size = byteCount;
    t_memError = noErr;
}

void HLock(Handle h) {
    if (h)
        recordOf(h)->lockCount = 1;
}

void HUnlock(Handle h) {
    // Locks do not nest: one unlock releases the block.
    if (h)
        recordOf(h)->lockCount = 0;
}

bool HIsLocked(Handle h) {
    return h && recordOf(h)->lockCount > 0;
}

OSErr PtrToHand(const void* srcPtr, Handle* dstHndl, Size size) {
    if (!dstHndl)
        return paramErr;
    *dstHndl = NewHandle(size);
    if (!*dstHndl)
        return MemError();
    if (size > 0)
        std::memcpy(**dstHndl, srcPtr, size_t(size));
    return noErr;
}

void DisposeHandle(Handle h) {
    if (!h)
        return;
    HandleRecord* record = recordOf(h);
    std::free(record->block);
    delete record;
    t_memError = noErr;
}

Ptr NewPtr(Size byteCount) {
    return makePtr(byteCount, false);
}
Ptr NewPtrClear(Size byteCount) {
    return makePtr(byteCount, true);
}

Size GetPtrSize(Ptr p) {
    if (!p)
        return 0;
    Size size;
    std::memcpy(&size, p - kPtrHeader, sizeof size);
    return size;
}

void DisposePtr(Ptr p) {
    if (p)
        std::free(p - kPtrHeader);
}
