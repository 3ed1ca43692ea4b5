#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "Array.h"

// The replacement pair below allocates with malloc and frees with free.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

// Array allocations can be made to fail, to see what a failed growth leaves.
static int g_FailArrayNewAfter = -1;  // -1: never; n: the (n+1)-th allocation fails

void* operator new[](std::size_t size) {
    if (g_FailArrayNewAfter == 0) {
        g_FailArrayNewAfter = -1;
        throw std::bad_alloc();
    }
    if (g_FailArrayNewAfter > 0) --g_FailArrayNewAfter;
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

struct Tracked {
    explicit Tracked(int* deletions) : Deletions(deletions) {}
    ~Tracked() { ++*Deletions; }
    int* Deletions;
};

TEST(ArrayTest, GrowsOneElementBeforeFull) {
    TArray<int> a;
    EXPECT_EQ(0u, a.Count);
    EXPECT_EQ(32u, a.Capacity);
    EXPECT_EQ(nullptr, a.GetAt(0));
    int v[200];
    for (int i = 0; i < 31; ++i) EXPECT_EQ(uint32_t(i), a.Add(&v[i]));
    EXPECT_EQ(32u, a.Capacity);
    EXPECT_EQ(31u, a.Add(&v[31]));
    EXPECT_EQ(64u, a.Capacity);
    for (int i = 32; i < 200; ++i) a.Add(&v[i]);
    EXPECT_EQ(256u, a.Capacity);
    EXPECT_LT(a.Count, a.Capacity);
    for (uint32_t i = 0; i < 200; ++i) ASSERT_EQ(&v[i], a.GetAt(i));
    EXPECT_EQ(nullptr, a.GetAt(200));
    EXPECT_EQ(nullptr, a.GetAt(UINT32_MAX));
}

TEST(ArrayTest, RemovalKeepsOrOrderAsDocumented) {
    int a = 1, b = 2, c = 3;
    TArray<int> ordered;
    ordered.Add(&a), ordered.Add(&b), ordered.Add(&c);
    EXPECT_EQ(&b, ordered.RemoveAt(1));
    ASSERT_EQ(2u, ordered.Count);
    EXPECT_EQ(&a, ordered.GetAt(0));
    EXPECT_EQ(&c, ordered.GetAt(1));
    EXPECT_EQ(nullptr, ordered.RemoveAt(2));  // index == Count
    EXPECT_EQ(2u, ordered.Count);

    TArray<int> unordered;
    unordered.Add(&a), unordered.Add(&b), unordered.Add(&c);
    unordered.RemoveUnordered(0);
    ASSERT_EQ(2u, unordered.Count);
    EXPECT_EQ(&c, unordered.GetAt(0));
    EXPECT_EQ(&b, unordered.GetAt(1));
    unordered.RemoveUnordered(2);  // index == Count: no change
    EXPECT_EQ(2u, unordered.Count);
    unordered.RemoveUnordered(1);  // the last one just shortens
    ASSERT_EQ(1u, unordered.Count);
    EXPECT_EQ(&c, unordered.GetAt(0));
}

TEST(ArrayTest, BorrowingArrayLeavesElementsAlive) {
    int deletions = 0;
    Tracked t(&deletions);
    {
        TArray<Tracked> a;
        a.Add(&t);
    }
    EXPECT_EQ(0, deletions);
}

TEST(ArrayTest, OwningArrayDeletesNonNullElementsAndKeepsBuffer) {
    int deletions = 0;
    auto* a = new TInstanceArray<Tracked>;
    for (int i = 0; i < 40; ++i) a->Add(i == 5 ? nullptr : new Tracked(&deletions));
    EXPECT_EQ(64u, a->Capacity);
    a->Clear();
    EXPECT_EQ(39, deletions);
    EXPECT_EQ(0u, a->Count);
    EXPECT_EQ(64u, a->Capacity);
    Tracked** buffer = a->Items;
    for (int i = 0; i < 40; ++i) a->Add(new Tracked(&deletions));
    EXPECT_EQ(buffer, a->Items);  // refilled to its old size without growing

    // RemoveAt hands the element back instead of deleting it.
    Tracked* taken = a->RemoveAt(0);
    EXPECT_EQ(39, deletions);
    delete a;
    EXPECT_EQ(39 + 39, deletions);
    delete taken;
}

TEST(ArrayTest, FailedGrowthLeavesOwningArrayIntact) {
    int deletions = 0;
    TInstanceArray<Tracked> a;
    for (int i = 0; i < 31; ++i) a.Add(new Tracked(&deletions));
    Tracked** buffer = a.Items;
    auto* extra = new Tracked(&deletions);
    g_FailArrayNewAfter = 0;
    EXPECT_THROW(a.Add(extra), std::bad_alloc);
    EXPECT_EQ(32u, a.Capacity);
    EXPECT_EQ(31u, a.Count);
    EXPECT_EQ(buffer, a.Items);
    EXPECT_EQ(0, deletions);
    // Still fully usable afterwards.
    EXPECT_EQ(31u, a.Add(extra));
    EXPECT_EQ(64u, a.Capacity);
    for (uint32_t i = 0; i < 32; ++i) EXPECT_NE(nullptr, a.GetAt(i));
}

TEST(ArrayTest, FailedGrowthLeavesBorrowingArrayIntact) {
    int v[40];
    TArray<int> a;
    for (int i = 0; i < 31; ++i) a.Add(&v[i]);
    g_FailArrayNewAfter = 0;
    EXPECT_THROW(a.Add(&v[31]), std::bad_alloc);
    EXPECT_EQ(32u, a.Capacity);
    EXPECT_EQ(31u, a.Count);
    for (uint32_t i = 0; i < 31; ++i) EXPECT_EQ(&v[i], a.GetAt(i));
}

}  // namespace
