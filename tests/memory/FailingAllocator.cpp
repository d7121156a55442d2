#include "FailingAllocator.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> g_count{0};
std::atomic<long> g_failAt{0};
std::atomic<std::size_t> g_bytes{0};

// Null for the allocation chosen to fail, otherwise memory from malloc.
void* Allocate(std::size_t size, std::size_t alignment = 0) {
    const long n = g_count.fetch_add(1, std::memory_order_relaxed) + 1;
    if (n == g_failAt.load(std::memory_order_relaxed)) return nullptr;
    g_bytes.fetch_add(size, std::memory_order_relaxed);
    if (size == 0) size = 1;
    if (alignment > alignof(std::max_align_t)) return std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
    return std::malloc(size);
}

void* AllocateOrThrow(std::size_t size, std::size_t alignment = 0) {
    if (void* p = Allocate(size, alignment)) return p;
    throw std::bad_alloc();
}

}  // namespace

namespace testing_support {

void FailAllocationAt(long n) {
    g_failAt.store(0, std::memory_order_relaxed);
    g_count.store(0, std::memory_order_relaxed);
    g_bytes.store(0, std::memory_order_relaxed);
    g_failAt.store(n, std::memory_order_relaxed);
}

long AllocationsSinceReset() { return g_count.load(std::memory_order_relaxed); }
std::size_t BytesSinceReset() { return g_bytes.load(std::memory_order_relaxed); }

}  // namespace testing_support

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new(std::size_t size, std::align_val_t a) { return AllocateOrThrow(size, std::size_t(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return AllocateOrThrow(size, std::size_t(a)); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept { return Allocate(size, std::size_t(a)); }
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept { return Allocate(size, std::size_t(a)); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
