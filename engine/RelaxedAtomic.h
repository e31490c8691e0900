// A 32-bit value shared between a front end's user-interface thread and its audio
// thread. Every load and store is a single relaxed atomic access: the same plain
// move in machine code, but free of data races. No ordering is implied: a program
// switch during a block may mix old and new values, as hosts expect.
#pragma once

#include <atomic>

template <typename T>
class RelaxedAtomic {
public:
    static_assert(sizeof(T) == 4 && std::atomic<T>::is_always_lock_free, "one lock-free 32-bit quantity");

    RelaxedAtomic(T initial = T()) : value(initial) {}
    RelaxedAtomic(const RelaxedAtomic& other) : value(other.load()) {}
    RelaxedAtomic& operator=(const RelaxedAtomic& other)
    {
        store(other.load());
        return *this;
    }
    RelaxedAtomic& operator=(T newValue)
    {
        store(newValue);
        return *this;
    }

    T load() const { return value.load(std::memory_order_relaxed); }
    void store(T newValue) { value.store(newValue, std::memory_order_relaxed); }
    operator T() const { return load(); }

private:
    std::atomic<T> value;
};
