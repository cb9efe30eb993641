#include "platform/memory.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Memory, HandleKnowsItsSizeAndLockState) {
    Handle h = NewHandle(1000);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(MemError(), noErr);
    EXPECT_EQ(GetHandleSize(h), 1000);
    EXPECT_NE(*h, nullptr);
    EXPECT_FALSE(HIsLocked(h));
    HLock(h);
    HLock(h);
    EXPECT_TRUE(HIsLocked(h));
    HUnlock(h);  // locks do not nest
    EXPECT_FALSE(HIsLocked(h));
    SetHandleSize(h, 10);
    EXPECT_EQ(GetHandleSize(h), 10);
    DisposeHandle(h);
    EXPECT_EQ(GetHandleSize(nullptr), 0);
}

TEST(Memory, ClearedBlocksAndCopies) {
    Handle h = NewHandleClear(64);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ((*h)[i], 0);
    DisposeHandle(h);

    const char text[] = "R10k";
    Handle copy = nullptr;
    ASSERT_EQ(PtrToHand(text, &copy, 4), noErr);
    EXPECT_EQ(GetHandleSize(copy), 4);
    EXPECT_EQ(std::memcmp(*copy, "R10k", 4), 0);
    DisposeHandle(copy);

    Ptr p = NewPtrClear(100);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(GetPtrSize(p), 100);
    EXPECT_EQ(p[99], 0);
    DisposePtr(p);
}

TEST(Memory, ExhaustedMemoryReportsMemFull) {
    Handle h = NewHandle(Size(1) << 60);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(MemError(), memFullErr);
    EXPECT_EQ(NewPtr(Size(1) << 60), nullptr);
    EXPECT_EQ(MemError(), memFullErr);
}

TEST(Memory, OwnersDisposeTheirBlocks) {
    HandleOwner owner(NewHandle(16));
    EXPECT_TRUE(owner);
    Handle taken = owner.release();
    EXPECT_FALSE(owner);
    DisposeHandle(taken);
    PtrOwner ptr(NewPtr(8));
    EXPECT_EQ(GetPtrSize(ptr.get()), 8);
}

TEST(Memory, ExhaustionScopeRefusesTheBlocksItNames) {
    {
        MemoryExhaustion noPointers(MemoryExhaustion::pointers);
        EXPECT_EQ(NewPtrClear(16), nullptr);
        EXPECT_EQ(MemError(), memFullErr);
        Handle h = NewHandle(16);
        EXPECT_NE(h, nullptr);
        DisposeHandle(h);
        {
            MemoryExhaustion noHandles(MemoryExhaustion::handles);
            EXPECT_EQ(NewHandleClear(16), nullptr);
            EXPECT_EQ(MemError(), memFullErr);
            Handle copy = nullptr;
            EXPECT_EQ(PtrToHand("abc", &copy, 3), memFullErr);
            EXPECT_EQ(copy, nullptr);
        }
        h = NewHandle(16);
        EXPECT_NE(h, nullptr); // the inner scope is gone, the outer one only refuses pointers
        DisposeHandle(h);
    }
    Ptr p = NewPtr(16);
    EXPECT_NE(p, nullptr);
    DisposePtr(p);
}
