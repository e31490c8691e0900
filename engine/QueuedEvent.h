// One pending entry of the event queue: a note, note-off or pitch-bend change that
// the render loop applies at its sample.
#pragma once

#include <cstdint>

struct QueuedEvent {
    std::int32_t frame;  // sample index within the block; -1 ends the queue and marks applied entries
    std::int32_t key;    // MIDI key taken when velocity is above 0; -1 once applied
    float velocity;      // above 0 starts or retakes the note; 0 releases
    float pitchFactor;   // above 0 multiplies the note frequency; 0 leaves it
};

constexpr std::int32_t kQueueCapacity = 1024;
