#include "engine/DelayLine.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>

namespace {

// The largest maximum delay whose slot count (maximum + 1) still fits in an int32.
constexpr std::int32_t kLargestMaximumDelay = std::numeric_limits<std::int32_t>::max() - 1;

bool maximumDelayInRange(std::int32_t maximumDelay)
{
    return maximumDelay >= 0 && maximumDelay <= kLargestMaximumDelay;
}

} // namespace

// Returns count floats, or null when they cannot be had; the size test keeps the byte
// count from wrapping with 4-byte pointers.
float* DelayLine::allocateSlots(std::int32_t count)
{
    if (count <= 0 ||
        static_cast<std::uint64_t>(count) > std::numeric_limits<std::size_t>::max() / sizeof(float)) {
        return nullptr;
    }
    return new (std::nothrow) float[static_cast<std::size_t>(count)];
}

// The steps stay disabled (resizing) until the buffer is filled and the delay is set;
// an invalid line keeps them disabled for good.
DelayLine::DelayLine(float initialDelay, std::int32_t maximumDelay)
{
    if (maximumDelayInRange(maximumDelay)) {
        length = maximumDelay + 1;
        buffer = allocateSlots(length);
        outputCell = new (std::nothrow) float[1];
    }
    if (!isValid()) {
        delete[] buffer;
        delete[] outputCell;
        buffer = nullptr;
        outputCell = nullptr;
        length = 0;
        return;
    }
    std::fill_n(buffer, length, fillValue);
    outputCell[0] = 0.0f;
    setDelay(initialDelay);
    allpassInput = 0.0f;
    resizing = false;
    cacheStale = true;
    silenceCount = 10000;
}

DelayLine::~DelayLine()
{
    delete[] buffer;
    delete[] outputCell;
}

void DelayLine::clear()
{
    if (!isValid()) {
        return;
    }
    std::fill_n(buffer, length, fillValue);
    outputCell[0] = 0.0f;
}

float DelayLine::getDelay()
{
    return delay;
}

void DelayLine::setInterpolating(bool on)
{
    interpolating = on;
}

float DelayLine::peekAllpass()
{
    if (cacheStale) {
        const double a = allpassCoefficient();
        cachedOutput = static_cast<float>(-a * outputCell[0] + (a * buffer[readIndex] + allpassInput));
        cacheStale = false;
    }
    return cachedOutput;
}

float DelayLine::processSample(float in)
{
    if (resizing) {
        return 0.0f;
    }
    write(in);
    float out;
    if (interpolating) {
        out = peekLinear();
        cacheStale = true;
    } else {
        out = buffer[readIndex];
    }
    advance();
    return emit(out);
}

// Also records the slot under the read position for the allpass reading.
float DelayLine::processGatedRecording(float in)
{
    if (resizing || gateClosed(in)) {
        return 0.0f;
    }
    write(in);
    const float out = peekLinear();
    cacheStale = true;
    allpassInput = buffer[readIndex];
    advance();
    emit(out);
    gateExit(out);
    return outputCell[0];
}

float DelayLine::processPlain(float in)
{
    if (resizing) {
        return 0.0f;
    }
    write(in);
    const float out = buffer[readIndex];
    advance();
    return emit(out);
}

float DelayLine::processLinearGated(float in)
{
    if (resizing || gateClosed(in)) {
        return 0.0f;
    }
    write(in);
    const float out = peekLinear();
    cacheStale = true;
    advance();
    emit(out);
    gateExit(out);
    return outputCell[0];
}

float DelayLine::processPlainGated(float in)
{
    if (resizing || gateClosed(in)) {
        return 0.0f;
    }
    write(in);
    const float out = buffer[readIndex];
    advance();
    emit(out);
    gateExit(out);
    return outputCell[0];
}

// Four-point cubic reading between the read slot (x0) and the next (x1), shaped by the
// slot before (xm1) and the one after next (x2); indices wrap by comparison.
float DelayLine::processCubicGated(float in)
{
    if (resizing || gateClosed(in)) {
        return 0.0f;
    }
    write(in);
    const std::int32_t previous = readIndex == 0 ? length - 1 : readIndex - 1;
    const std::int32_t next = nextSlot(readIndex);
    const std::int32_t afterNext = nextSlot(next);
    const double xm1 = buffer[previous];
    const double x0 = buffer[readIndex];
    const double x1 = buffer[next];
    const double x2 = buffer[afterNext];
    const double t = fraction;
    const double c1 = (x1 - xm1) * 0.5;
    const double c2 = xm1 + 2.0 * x1 - (x2 + 5.0 * x0) * 0.5;
    const double c3 = (x2 + 3.0 * (x0 - x1) - xm1) * 0.5;
    const float out = static_cast<float>(x0 + t * (c1 + t * (c2 + t * c3)));
    advance();
    emit(out);
    gateExit(out);
    return outputCell[0];
}

bool DelayLine::isSounding()
{
    return !(static_cast<float>(silenceCount) > delay);
}

bool DelayLine::isSilent()
{
    return static_cast<float>(silenceCount) > delay;
}

// The new buffer is obtained before the old one is released, so a failed allocation
// leaves the line as it was. Indices that no longer fit are brought back inside: the
// write index to slot 0, the read position recomputed from the recorded delay.
void DelayLine::setMaximumDelay(std::int32_t maximumDelay)
{
    if (!isValid() || !maximumDelayInRange(maximumDelay)) {
        return;
    }
    const std::int32_t newLength = maximumDelay + 1;
    float* newBuffer = allocateSlots(newLength);
    if (newBuffer == nullptr) {
        return;
    }
    resizing = true;
    delete[] buffer;
    buffer = newBuffer;
    length = newLength;
    // The read position behind the write index is taken modulo the old length.
    repeatableDelay = std::numeric_limits<float>::quiet_NaN();
    clear();
    if (writeIndex >= length || readIndex >= length) {
        if (writeIndex >= length) {
            writeIndex = 0;
        }
        setDelay(delay);
    }
    resizing = false;
}

void DelayLine::resetSilence()
{
    silenceCount = 0;
}
