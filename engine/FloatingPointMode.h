// Flushes subnormal floats to zero while a block renders and restores the host's
// floating-point control state afterwards. A held note decays for as long as it
// is held; without flushing, its tail would crawl through subnormal values, which
// cost many times the work of normal ones.
#pragma once

#if defined(__SSE__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 1)
#include <xmmintrin.h>
#define ZEPHYRANT_HAS_MXCSR 1
#endif

class FloatingPointMode {
public:
    FloatingPointMode()
    {
#ifdef ZEPHYRANT_HAS_MXCSR
        saved = _mm_getcsr();
        _mm_setcsr(saved | kFlushToZero | kDenormalsAreZero);
#endif
    }
    ~FloatingPointMode()
    {
#ifdef ZEPHYRANT_HAS_MXCSR
        _mm_setcsr(saved);
#endif
    }
    FloatingPointMode(const FloatingPointMode&) = delete;
    FloatingPointMode& operator=(const FloatingPointMode&) = delete;

private:
#ifdef ZEPHYRANT_HAS_MXCSR
    static constexpr unsigned int kFlushToZero = 0x8000;
    static constexpr unsigned int kDenormalsAreZero = 0x0040;
    unsigned int saved;
#endif
};
