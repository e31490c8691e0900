#include "engine/ParameterGlide.h"

#include <cmath>

#include "engine/EngineMath.h"

void ParameterGlide::beginBlock(const ParameterSlot* live, std::uint32_t changes, float rate)
{
    // Most blocks find no value set and nothing gliding.
    if (!atOnce && glidingCount == 0 && changes == seenChanges && sameBits(rate, seenRate)) {
        if (anyMoving) {
            for (bool& flag : moving) {
                flag = false;
            }
            anyMoving = false;
        }
        return;
    }
    seenChanges = changes;
    seenRate = rate;
    const std::int32_t newLength = roundedSampleCount(kGlideSeconds * rate, 10000000);
    // A rate learnt while rendering has nothing to glide from either.
    const bool settleAll = atOnce || newLength != length;
    length = newLength;
    glidingCount = 0;
    anyMoving = false;
    for (std::int32_t index = 0; index < kNumParameters; ++index) {
        const float target = live[index].asFloat();
        Glide& glide = glides[index];
        if (settleAll || isSwitchParameter(index) || length == 1) {
            glide.settle(target, length);
        } else {
            glide.change(target, length);
        }
        moving[index] = !glide.ended();
        if (moving[index]) {
            anyMoving = true;
            gliding[glidingCount++] = index;
        } else {
            values[index] = target;
        }
    }
    atOnce = false;
}

void ParameterGlide::Glide::settle(float hostValue, std::int32_t length)
{
    host = edgeValue = hostValue;
    sum = static_cast<double>(hostValue) * length;
    count = 0;
}

void ParameterGlide::Glide::change(float hostValue, std::int32_t length)
{
    if (sameBits(hostValue, host)) {
        return;
    }
    // A value that is no number, or was none, has no way to glide from or to.
    if (!(std::isfinite(hostValue) && std::isfinite(host))) {
        settle(hostValue, length);
        return;
    }
    const std::int64_t from = now + 1;
    if (count == kChanges) {
        // Merged into the latest change, as if the new value had held since then.
        Change& latest = changes[(first + count - 1) % kChanges];
        sum += (static_cast<double>(hostValue) - latest.value) * static_cast<double>(from - latest.time);
        latest.value = hostValue;
    } else {
        changes[(first + count) % kChanges] = Change{from, hostValue};
        ++count;
    }
    host = hostValue;
}

bool ParameterGlide::Glide::step(std::int32_t length, float& value)
{
    ++now;
    sum += static_cast<double>(host) - edgeValue;
    const std::int64_t edge = now - length + 1;
    while (count > 0 && changes[first].time <= edge) {
        edgeValue = changes[first].value;
        first = first + 1 == kChanges ? 0 : first + 1;
        --count;
    }
    if (ended()) {
        value = host;
        sum = static_cast<double>(host) * length;
        return false;
    }
    value = static_cast<float>(sum / length);
    return true;
}
