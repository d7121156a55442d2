// Memory for large arrays (internal to the library). Blocks of many megabytes come fresh from
// the system on every call, and the first touch of each 4 KiB page costs a fault (very dearly
// in virtual machines): 2 MiB pages cut the faults by a factor of 512.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

namespace velora::detail {

// Asks for 2 MiB pages over the whole such pages of [start, start + size) when the range is
// large enough to hold some; only a hint, which systems without it ignore.
void AdviseLargePages(void* start, std::size_t size);

// An allocator for vectors of large arrays: the hint above, and elements that a resize does
// not zero (value-initialization becomes default-initialization), since those arrays are
// filled by the threads that use them.
template <class T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
        T* p = std::allocator<T>().allocate(n);
        AdviseLargePages(p, n * sizeof(T));
        return p;
    }
    void deallocate(T* p, std::size_t n) noexcept { std::allocator<T>().deallocate(p, n); }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        if constexpr (sizeof...(Args) == 0) ::new (static_cast<void*>(p)) U;
        else ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    template <class U>
    bool operator==(const LargeAllocator<U>&) const noexcept { return true; }
};

template <class T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

// An uninitialized array of n trivial values with the hint, or null when no memory could be had.
template <class T>
std::unique_ptr<T[]> NewLargeArray(std::size_t n) {
    static_assert(std::is_trivial_v<T>);
    std::unique_ptr<T[]> array(new (std::nothrow) T[n]);
    if (array) AdviseLargePages(array.get(), n * sizeof(T));
    return array;
}

// Runs an operation's work and gives its "no memory" code when an allocation fails, so that no
// exception leaves the library. The work changes the image only once the memory it needs is had.
template <class Work>
unsigned RefuseWithoutMemory(unsigned noMemoryCode, const Work& work) noexcept {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return noMemoryCode;
    } catch (const std::length_error&) {  // a size beyond what any allocator gives
        return noMemoryCode;
    }
}

}  // namespace velora::detail
