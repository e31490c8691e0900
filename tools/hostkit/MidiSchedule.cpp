#include "tools/hostkit/MidiSchedule.h"

namespace {

MidiChannels channelOf(const MidiMessage& message)
{
    return static_cast<MidiChannels>(1u << (message.bytes[0] & 0x0F));
}

bool startsNote(const MidiMessage& message)
{
    return (message.bytes[0] & 0xF0) == 0x90 && message.size == 3 && message.bytes[2] > 0;
}

} // namespace

MidiChannels channelsWithNotes(const MidiFile& file)
{
    MidiChannels channels = 0;
    for (const MidiMessage& message : file.messages()) {
        if (startsNote(message)) {
            channels = static_cast<MidiChannels>(channels | channelOf(message));
        }
    }
    return channels;
}

std::vector<TimedMidiEvent> eventsOfFile(const MidiFile& file, std::int32_t sampleRate, std::int64_t& endFrame,
                                         MidiChannels channels)
{
    std::vector<TimedMidiEvent> events;
    events.reserve(file.messages().size());
    for (const MidiMessage& message : file.messages()) {
        if ((channelOf(message) & channels) == 0) {
            continue;
        }
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
