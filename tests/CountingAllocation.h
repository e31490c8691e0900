// Counting allocations in a test program: the global allocation functions are
// replaced by ones that take memory from malloc and count while counting is on.
// Plug-ins loaded into the program bind to them as well. Include this header in
// one source file of a program only.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace counting_allocation {

inline std::atomic<bool> counting{false};
inline std::atomic<long> allocations{0};

inline void* allocate(std::size_t size)
{
    if (counting.load()) {
        ++allocations;
    }
    return std::malloc(size == 0 ? 1 : size);
}

} // namespace counting_allocation

// The replacements take memory from malloc and give it back with free, always in
// pairs; the compiler, seeing free behind a delete it inlined, would warn.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size)
{
    void* memory = counting_allocation::allocate(size);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return memory;
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return counting_allocation::allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return counting_allocation::allocate(size);
}
void operator delete(void* memory) noexcept
{
    std::free(memory);
}
void operator delete[](void* memory) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept
{
    std::free(memory);
}
