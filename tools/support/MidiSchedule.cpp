#include "tools/support/MidiSchedule.h"

std::vector<TimedMidiEvent> eventsOfFile(const MidiFile& file, std::int32_t sampleRate, std::int64_t& endFrame)
{
    std::vector<TimedMidiEvent> events;
    events.reserve(file.messages().size());
    for (const MidiMessage& message : file.messages()) {
        TimedMidiEvent event;
        event.frame = file.frameAt(message.tick, sampleRate);
        for (int i = 0; i < message.size; ++i) {
            event.bytes[i] = message.bytes[i];
        }
        events.push_back(event);
    }
    endFrame = file.frameAt(file.endTick(), sampleRate);
    return events;
}
