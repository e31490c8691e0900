#include "tools/hostkit/EventBatch.h"

#include <algorithm>
#include <cstddef>
#include <new>

static_assert(offsetof(VstEvents, events) == 2 * sizeof(VstIntPtr), "batch header is two words");

EventBatch::EventBatch(std::size_t capacity)
    : events(capacity), storage(2 + std::max<std::size_t>(capacity, 2), 0)
{
    clear();
}

void EventBatch::clear()
{
    count = 0;
    new (storage.data()) VstEvents{};
}

bool EventBatch::add(const std::uint8_t (&bytes)[3], std::int32_t deltaFrames)
{
    if (static_cast<std::size_t>(count) >= events.size()) {
        return false;
    }
    VstMidiEvent& midi = events[static_cast<std::size_t>(count)];
    midi = VstMidiEvent{};
    midi.type = kVstMidiType;
    midi.byteSize = static_cast<std::int32_t>(sizeof(VstMidiEvent));
    midi.deltaFrames = deltaFrames;
    for (int i = 0; i < 3; ++i) {
        midi.midiData[i] = static_cast<char>(bytes[i]);
    }
    VstEvents* batch = get();
    VstEvent** slots = &batch->events[0];
    slots[count++] = reinterpret_cast<VstEvent*>(&midi);
    batch->numEvents = count;
    return true;
}

VstEvents* EventBatch::get()
{
    return reinterpret_cast<VstEvents*>(storage.data());
}
