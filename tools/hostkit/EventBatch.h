// The VstEvents batch a host hands the instrument before a block: MIDI events
// with their sample offsets in the block. All memory is taken when the batch is
// made, so filling it while rendering allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/AEffect.h"

class EventBatch {
public:
    // Room for capacity events per block.
    explicit EventBatch(std::size_t capacity);

    void clear();

    // Appends a MIDI message (status first) at deltaFrames into the block; false when full.
    bool add(const std::uint8_t (&bytes)[3], std::int32_t deltaFrames);

    std::int32_t size() const { return count; }

    // The batch as the dispatcher takes it. The record declares two event pointers;
    // the pointers follow its header, written through a pointer to the first.
    VstEvents* get();

private:
    std::vector<VstMidiEvent> events;
    // Pointer-sized words: the header is two of them on 32- and 64-bit alike.
    std::vector<VstIntPtr> storage;
    std::int32_t count = 0;
};
