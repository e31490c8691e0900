// A circular sample buffer read at a fractional distance behind its write position.
// Every processing step writes one sample first and reads afterwards, so a delay of d
// returns the input of d steps ago (0: the sample just written). The steps offer plain,
// linear, allpass and four-point cubic readings; the gated ones stop working once the
// line has been quiet for longer than its delay. No step divides, allocates or leaves
// the buffer, whatever delay the line was given.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

class DelayLine final {
public:
    // Value of every slot after construction and clear, and the level a sample must
    // exceed to count as loud; both are the single-precision value nearest 0.001.
    static constexpr float fillValue = 0.001f;
    static constexpr float quietThreshold = 0.001f;

    // Takes the initial delay in samples and the longest delay the line must hold.
    // When memory runs out (or maximumDelay is negative or too large) the line is
    // invalid: isValid() says so and every operation is harmless and returns 0.0.
    DelayLine(float initialDelay, std::int32_t maximumDelay);
    ~DelayLine();

    DelayLine(const DelayLine&) = delete;
    DelayLine& operator=(const DelayLine&) = delete;

    // Fills every slot with fillValue and zeroes the last output; keeps the indices,
    // the delay, the peek cache and the silence count.
    virtual void clear();
    // Takes a delay in samples; longer than the line holds gives the longest delay,
    // negative or not a number gives the zero delay (recorded as 0.5).
    virtual void setDelay(float newDelay);
    // Returns the delay recorded by setDelay.
    virtual float getDelay();
    // Chooses linear (true) or plain (false) reading for processSample.
    virtual void setInterpolating(bool on);
    // Returns the linear reading at the read position without advancing; repeated
    // peeks between two interpolating steps return the same cached value.
    virtual float peekLinear();
    // Returns the allpass reading at the read position without advancing (shares the
    // cache with peekLinear).
    virtual float peekAllpass();
    // The processing steps: each takes one input sample and returns the line's output.
    virtual float processSample(float in);
    virtual float processGatedRecording(float in);
    virtual float processPlain(float in);
    virtual float processLinearGated(float in);
    virtual float processLinear(float in);
    virtual float processPlainGated(float in);
    virtual float processCubicGated(float in);
    // The gate of the gated steps: sounding while the quiet run is not longer than the delay.
    virtual bool isSounding();
    virtual bool isSilent();
    // Replaces the buffer by a cleared one holding maximumDelay + 1 slots; keeps the old
    // buffer when the new one cannot be allocated or the size is out of range.
    virtual void setMaximumDelay(std::int32_t maximumDelay);
    // Reopens the gate.
    virtual void resetSilence();

    // True when the buffer and the output cell were allocated.
    bool isValid() const { return buffer != nullptr && outputCell != nullptr; }

    // Pushes one sample and advances, as processLinear does, without reading.
    void push(float in)
    {
        if (resizing) {
            return;
        }
        write(in);
        cacheStale = true;
        advance();
    }

    // The value at the read position by four-point (third-order Lagrange)
    // interpolation, which keeps the level of every frequency below a quarter of the
    // rate within a fraction of a per cent where the linear reading damps them. Reads
    // two slots after the read position, so the delay must be at least 3 samples;
    // leaves the peek cache alone.
    float peekCubic() const
    {
        const double t = fraction;
        const double before = buffer[readIndex == 0 ? length - 1 : readIndex - 1];
        const double at = buffer[readIndex];
        const std::int32_t next = nextSlot(readIndex);
        const double after = buffer[next];
        const double later = buffer[nextSlot(next)];
        const double tp = t + 1.0;
        const double tm = t - 1.0;
        const double tmm = t - 2.0;
        return static_cast<float>(-(t * tm * tmm) / 6.0 * before + (tp * tm * tmm) * 0.5 * at -
                                  (tp * t * tmm) * 0.5 * after + (tp * t * tm) / 6.0 * later);
    }

    // Read-only views of the position, for checks from outside.
    std::int32_t getWriteIndex() const { return writeIndex; }
    std::int32_t getReadIndex() const { return readIndex; }
    std::int32_t getLength() const { return length; }
    float getFraction() const { return fraction; }
    float getRecordedDelay() const { return delay; }

private:
    void write(float in)
    {
        buffer[writeIndex] = in;
        if (++writeIndex == length) {
            writeIndex = 0;
        }
    }

    void advance()
    {
        if (++readIndex == length) {
            readIndex = 0;
        }
    }

    std::int32_t nextSlot(std::int32_t index) const { return index + 1 == length ? 0 : index + 1; }

    float linearValue() const
    {
        return static_cast<float>(static_cast<double>(fractionComplement) * buffer[readIndex] +
                                  static_cast<double>(fraction) * buffer[nextSlot(readIndex)]);
    }

    // Gate entry of the gated steps: true when the step must return 0.0 at once.
    bool gateClosed(float in)
    {
        if (in > quietThreshold) {
            silenceCount = 0;
        }
        return static_cast<float>(silenceCount) > delay;
    }

    void gateExit(float out)
    {
        if (out > quietThreshold) {
            silenceCount = 0;
        } else {
            ++silenceCount;
        }
    }

    float emit(float out)
    {
        outputCell[0] = out;
        return outputCell[0];
    }

    // Coefficient of the allpass reading, -fraction / (fraction + 2). It depends on the
    // fraction alone, which only setDelay changes, so peekAllpass derives it when it
    // needs it and gets the value setDelay would have stored, without a division in
    // every setDelay.
    float allpassCoefficient() const
    {
        const double f = fraction;
        return static_cast<float>((1.0 - (f + 1.0)) / (1.0 + (f + 1.0)));
    }

    static float* allocateSlots(std::int32_t count);

    float fraction = 0.0f;
    float fractionComplement = 1.0f;
    float cachedOutput = 0.0f;
    bool cacheStale = false;
    std::int32_t writeIndex = 0;
    std::int32_t readIndex = 0;
    std::int32_t length = 0;
    float delay = 0.0f;
    float* outputCell = nullptr;
    float* buffer = nullptr;
    bool interpolating = false;
    std::int32_t silenceCount = 10000;
    bool resizing = true;
    float allpassInput = 0.0f;
    // The delay of the last setDelay call while a repeat of it may be skipped, NaN when
    // it may not (see setDelay).
    float repeatableDelay = std::numeric_limits<float>::quiet_NaN();

    // The longest line on which setDelay's read position is always exact in double.
    static constexpr std::int32_t kLongestExactLength = std::int32_t{1} << 29;
};

// The engine sets the delay and reads and pushes its lines once per sample, so these
// three stay in the header where the compiler can inline them.

inline void DelayLine::setDelay(float newDelay)
{
    // A delay d of at least one sample is a multiple of 2^-23, so on a line of at most
    // 2^29 slots writeIndex - d and the additions of length below are exact in double:
    // the read position lands d behind the write index, modulo length, with a fraction
    // set by d alone. Steps move both indices together, so repeating the last request
    // before anything else has moved them would recompute exactly the present state.
    if (newDelay == repeatableDelay) {
        return;
    }
    if (buffer == nullptr) {
        return;
    }
    const std::int32_t longest = length - 1;
    double p;
    if (newDelay > static_cast<float>(longest)) {
        delay = static_cast<float>(longest);
        p = writeIndex + 1 == length ? 0.0 : static_cast<double>(writeIndex + 1);
    } else if (!(newDelay >= 0.0f)) {
        // Negative and not-a-number both read the slot that the next step writes.
        delay = 0.5f;
        p = writeIndex;
    } else {
        delay = newDelay;
        p = writeIndex - static_cast<double>(newDelay);
    }
    while (p < 0.0) {
        p += length;
    }
    readIndex = static_cast<std::int32_t>(p);
    fraction = static_cast<float>(p - readIndex);
    // Rounding may carry the position up to the next slot: to length itself in double,
    // or a fraction just below 1 up to 1.0 in single precision.
    if (fraction >= 1.0f) {
        ++readIndex;
        fraction = 0.0f;
    }
    if (readIndex >= length) {
        readIndex = 0;
        fraction = 0.0f;
    }
    fractionComplement = static_cast<float>(1.0 - static_cast<double>(fraction));
    repeatableDelay = newDelay >= 1.0f && length <= kLongestExactLength ? newDelay
                                                                        : std::numeric_limits<float>::quiet_NaN();
}

// An invalid line keeps cacheStale false from construction (its steps return before
// they could set it), so its peeks return the zero cachedOutput without touching memory.
inline float DelayLine::peekLinear()
{
    if (cacheStale) {
        cachedOutput = linearValue();
        cacheStale = false;
    }
    return cachedOutput;
}

inline float DelayLine::processLinear(float in)
{
    if (resizing) {
        return 0.0f;
    }
    write(in);
    const float out = peekLinear();
    cacheStale = true;
    advance();
    return emit(out);
}

// The maximum delay, in samples at a rate factor, of a line that holds
// designSamples at the design rate: the same time, for rates up to 768 kHz (above,
// the lines keep that size and longer delays are limited as usual).
inline std::int32_t maximumDelayAtRate(std::int32_t designSamples, double rateFactor)
{
    constexpr double kLargestFactor = 768000.0 / 44100.0;
    const double factor = rateFactor > kLargestFactor ? kLargestFactor : (rateFactor > 0.0 ? rateFactor : 1.0);
    return static_cast<std::int32_t>(std::ceil(designSamples * factor));
}

// Gives a line room for maximumDelay samples unless it has exactly that room already:
// a new size empties the line and allocates, so never while rendering.
inline void resizeDelayLine(DelayLine& line, std::int32_t maximumDelay)
{
    if (maximumDelay != line.getLength() - 1) {
        line.setMaximumDelay(maximumDelay);
    }
}

// Empties a line, including a cached reading that may hold a bad value: the
// processing step marks the cache stale, the clear refills the buffer.
inline void emptyDelayLine(DelayLine& line)
{
    line.processLinear(0.0f);
    line.clear();
}
