// What every fuzz target shares: reading the input as a host's decisions, buffers
// with guard bytes around them, and the check that turns a broken promise into a
// finding.
#pragma once

#include <sanitizer/asan_interface.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

// A promise a host relies on: when it is broken, says which and stops, so that
// libFuzzer keeps the input as a finding.
#define FUZZ_EXPECT(condition, ...)                                                                          \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "\n%s:%d: expected %s: ", __FILE__, __LINE__, #condition);                 \
            std::fprintf(stderr, __VA_ARGS__);                                                               \
            std::fputc('\n', stderr);                                                                        \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

// With ZEPHYRANT_FUZZ_TRACE set in the environment, the targets say what they do
// with an input, one line an operation: for reading a finding or a seed.
inline bool tracing()
{
    static const bool on = std::getenv("ZEPHYRANT_FUZZ_TRACE") != nullptr;
    return on;
}

#define FUZZ_TRACE(...)                                                                                      \
    do {                                                                                                     \
        if (tracing()) {                                                                                     \
            std::fprintf(stderr, __VA_ARGS__);                                                               \
            std::fputc('\n', stderr);                                                                        \
        }                                                                                                    \
    } while (false)

// The input read front to back. Past its end every read answers 0, so any input
// decodes to something. The odd values come from tables that hold what hosts and
// files actually send (zero, edges of ranges, NaN, infinities) before raw bits.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool empty() const { return position >= size; }
    std::size_t remaining() const { return size - position; }

    std::uint8_t byte() { return position < size ? data[position++] : 0; }

    std::uint16_t word16() { return static_cast<std::uint16_t>(byte() | byte() << 8); }

    std::uint32_t word32()
    {
        std::uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            value |= static_cast<std::uint32_t>(byte()) << shift;
        }
        return value;
    }

    // A number from 0 to count - 1 (count at most 256 reads one byte).
    std::uint32_t below(std::uint32_t count)
    {
        return count <= 256 ? byte() % count : (count <= 65536 ? word16() % count : word32() % count);
    }

    bool flag() { return (byte() & 1) != 0; }

    // Copies the next bytes into out, zeros where the input ends.
    void read(void* out, std::size_t count)
    {
        auto* bytes = static_cast<std::uint8_t*>(out);
        for (std::size_t n = 0; n < count; ++n) {
            bytes[n] = byte();
        }
    }

    std::int32_t oddInt()
    {
        static constexpr std::int32_t kOdd[] = {0, 1, -1, 2, 3, 7, 8, 15, 16, 18, 19, 20, 63, 64, 127, 128, 129, 255,
                                                256, 1023, 1024, 4096, 65535, 65536,
                                                std::numeric_limits<std::int32_t>::max(),
                                                std::numeric_limits<std::int32_t>::min(), -128, -129, -65536};
        constexpr std::uint8_t kCount = sizeof kOdd / sizeof kOdd[0];
        const std::uint8_t choice = byte();
        if (choice < kCount) {
            return kOdd[choice];
        }
        return choice < kSmallLimit ? choice - kCount : static_cast<std::int32_t>(word32());
    }

    float oddFloat()
    {
        const std::uint8_t choice = byte();
        if (choice < kOddFloatCount) {
            return kOddFloats[choice];
        }
        return choice < kSmallLimit ? static_cast<float>(choice - kOddFloatCount) / 100.0f : rawFloat();
    }

    // Sample rates: the float table widened, doubles no float holds, whole kHz, or raw bits.
    double oddDouble()
    {
        const std::uint8_t choice = byte();
        if (choice < kOddFloatCount) {
            return static_cast<double>(kOddFloats[choice]);
        }
        if (choice < kOddFloatCount + kOddDoubleCount) {
            return kOddDoubles[choice - kOddFloatCount];
        }
        if (choice < kSmallLimit) {
            return 1000.0 * (choice - kOddFloatCount - kOddDoubleCount);
        }
        std::uint64_t bits = word32();
        bits |= static_cast<std::uint64_t>(word32()) << 32;
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    // Choices after a table's entries and below this pick small numbers: counts and
    // indices, or values in steps of 0.01; the choices above read raw bits.
    static constexpr std::uint8_t kSmallLimit = 160;
    static constexpr float kOddFloats[] = {
        0.0f, 1.0f, 0.5f, -0.0f, -1.0f, 0.999999f, 1.000001f, 2.0f, 0.1f, 1e-7f, 1e-38f, 1e-45f, 127.0f, 1e10f,
        -1e10f, std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
        std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
        std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN(), 2147483648.0f,
        -2147483904.0f, 44100.0f, 48000.0f, 96000.0f, 8000.0f, 768000.0f, 22050.5f, 1.0f / 3.0f};
    static constexpr std::uint8_t kOddFloatCount = sizeof kOddFloats / sizeof kOddFloats[0];
    static constexpr double kOddDoubles[] = {1e300, -1e300, 5e-324, 3.5e38, 1e-40, 44100.000000001,
                                             std::numeric_limits<double>::max(), 1e39, -1e-300, 0.25,
                                             4294967296.0, 1e-30};
    static constexpr std::uint8_t kOddDoubleCount = sizeof kOddDoubles / sizeof kOddDoubles[0];

    float rawFloat()
    {
        const std::uint32_t bits = word32();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    const std::uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
};

// A block of count elements the target hands out, with guard bytes before and
// after it in the same allocation. AddressSanitizer sees writes beyond the
// allocation; the guards show writes beyond what was handed out, into memory
// that belongs to the host.
template <typename T>
class GuardedArea {
public:
    static constexpr std::size_t kGuardBytes = 64;
    static constexpr std::uint8_t kGuardByte = 0xA5;

    explicit GuardedArea(std::size_t count) : count(count), storage(kGuardBytes * 2 + count * sizeof(T))
    {
        std::memset(storage.data(), kGuardByte, storage.size());
    }

    T* data() { return reinterpret_cast<T*>(storage.data() + kGuardBytes); }
    const T* data() const { return reinterpret_cast<const T*>(storage.data() + kGuardBytes); }
    std::size_t elements() const { return count; }
    std::uint8_t* bytes() { return storage.data() + kGuardBytes; }
    std::size_t byteCount() const { return count * sizeof(T); }

    // Fills the handed-out part with a byte pattern.
    void fill(std::uint8_t pattern) { std::memset(bytes(), pattern, byteCount()); }

    bool guardsIntact() const
    {
        for (std::size_t n = 0; n < storage.size(); ++n) {
            if ((n < kGuardBytes || n >= kGuardBytes + count * sizeof(T)) && storage[n] != kGuardByte) {
                return false;
            }
        }
        return true;
    }

private:
    std::size_t count;
    std::vector<std::uint8_t> storage;
};

// Bytes of a buffer the host hands over that lie past what it says is there (past
// a text's terminator, past an atom's size): AddressSanitizer reports a read of
// them as it reports one outside the buffer. readable() gives them back.
inline void unreadable(const void* begin, std::size_t bytes)
{
    ASAN_POISON_MEMORY_REGION(begin, bytes);
}

inline void readable(const void* begin, std::size_t bytes)
{
    ASAN_UNPOISON_MEMORY_REGION(begin, bytes);
}

// A float that no plug-in computes: a NaN with a payload, put where samples are
// expected so that a sample left unwritten shows.
inline float unwrittenSample()
{
    const std::uint32_t bits = 0x7FA5A5A5u;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline bool isUnwrittenSample(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits == 0x7FA5A5A5u;
}
