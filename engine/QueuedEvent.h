// One pending entry of the event queue: a note, note-off or pitch-wheel change that
// the render loop applies at its sample.
#pragma once

#include <cstdint>

// What an entry came from: it decides what the entry does to the held-key flags.
enum QueuedEventKind : std::int32_t {
    kPitchBendEntry = 0, // moves the wheel; changes no flag
    kNoteOnEntry = 1,    // sets the flag of the pressed key
    kNoteOffEntry = 2,   // clears the flag of the released key
};

struct QueuedEvent {
    std::int32_t frame;  // sample index within the block; -1 ends the queue and marks applied entries
    std::int32_t key;    // MIDI key a note-on sounds; -1 once applied
    float velocity;      // a note-on's velocity, above 0 up to 1; 0 for the other entries
    float pitchFactor;   // a wheel entry's frequency factor, the wheel's new position; 0 for the others
    std::int32_t kind;   // a QueuedEventKind
    std::int32_t heldKey; // key whose held flag the entry changes; -1 for a bend and once the change took effect
};

constexpr std::int32_t kQueueCapacity = 1024;
