// Handles and pointers of the platform's memory manager.
//
// A handle is a reference to a master pointer: *h is the block's address. The block knows its size
// and a lock count; the frame readers ask the size (GetHandleSize) and lock the block while they
// write into it. A pointer block (NewPtr) also knows its size, so that a preview can refuse to write
// past a caller's block that it did not allocate.
#pragma once

#include "platform/types.h"

#include <cstddef>

using Ptr = char*;
using Handle = char**;

/// Status of the last memory call on this thread: noErr or memFullErr.
OSErr MemError();

Handle NewHandle(Size byteCount);       // contents undefined; null when memory is exhausted
Handle NewHandleClear(Size byteCount);  // contents zeroed
Size GetHandleSize(Handle h);           // 0 for a null handle
void SetHandleSize(Handle h, Size byteCount);  // keeps the leading bytes; MemError tells failure
void HLock(Handle h);
void HUnlock(Handle h);
bool HIsLocked(Handle h);
OSErr PtrToHand(const void* srcPtr, Handle* dstHndl, Size size);
void DisposeHandle(Handle h);

Ptr NewPtr(Size byteCount);
Ptr NewPtrClear(Size byteCount);
Size GetPtrSize(Ptr p);  // 0 for a null pointer
void DisposePtr(Ptr p);

/// While alive, new blocks on this thread cannot be had, as when memory is exhausted: NewHandle,
/// NewHandleClear, PtrToHand (for `handles`), NewPtr and NewPtrClear (for `pointers`) give null and
/// MemError() memFullErr. Lets tests reach the callers' out-of-memory paths. Scopes nest.
class MemoryExhaustion {
public:
    enum Blocks { pointers = 1, handles = 2, all = 3 };
    explicit MemoryExhaustion(int blocks = all);
    ~MemoryExhaustion();
    MemoryExhaustion(const MemoryExhaustion&) = delete;
    MemoryExhaustion& operator=(const MemoryExhaustion&) = delete;

private:
    int m_previous;
};

/// Owns a handle for the lifetime of a scope.
class HandleOwner {
public:
    explicit HandleOwner(Handle h = nullptr) : m_h(h) {}
    ~HandleOwner() { reset(); }
    HandleOwner(const HandleOwner&) = delete;
    HandleOwner& operator=(const HandleOwner&) = delete;
    HandleOwner(HandleOwner&& other) noexcept : m_h(other.release()) {}
    HandleOwner& operator=(HandleOwner&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Handle get() const { return m_h; }
    Handle release() {
        Handle h = m_h;
        m_h = nullptr;
        return h;
    }
    void reset(Handle h = nullptr) {
        if (m_h)
            DisposeHandle(m_h);
        m_h = h;
    }
    explicit operator bool() const { return m_h != nullptr; }

private:
    Handle m_h;
};

/// Owns a pointer block for the lifetime of a scope.
class PtrOwner {
public:
    explicit PtrOwner(Ptr p = nullptr) : m_p(p) {}
    ~PtrOwner() { reset(); }
    PtrOwner(const PtrOwner&) = delete;
    PtrOwner& operator=(const PtrOwner&) = delete;
    PtrOwner(PtrOwner&& other) noexcept : m_p(other.release()) {}
    PtrOwner& operator=(PtrOwner&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Ptr get() const { return m_p; }
    Ptr release() {
        Ptr p = m_p;
        m_p = nullptr;
        return p;
    }
    void reset(Ptr p = nullptr) {
        if (m_p)
            DisposePtr(m_p);
        m_p = p;
    }
    explicit operator bool() const { return m_p != nullptr; }

private:
    Ptr m_p;
};
