// MIDI files behind the C interface: the host kit's reader and schedule, so a file
// plays on the same frames as in the offline renderer and a malformed one is
// refused with the same reason.
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "tools/hostkit/MidiFile.h"
#include "tools/hostkit/MidiSchedule.h"
#include "web/ZephyrantWeb.h"

static_assert(sizeof(ZephyrantScheduledEvent) == 16, "the layout JavaScript reads");

struct ZephyrantSchedule {
    std::string error;
    std::vector<ZephyrantScheduledEvent> events;
    double endFrame = 0.0;
    int32_t noteChannels = 0;
};

void* zephyrant_allocate(size_t size)
{
    return std::malloc(size);
}

void zephyrant_release(void* memory)
{
    std::free(memory);
}

ZephyrantSchedule* zephyrant_schedule_midi_file(const uint8_t* data, size_t size, int32_t rate)
{
    auto* schedule = new (std::nothrow) ZephyrantSchedule;
    if (schedule == nullptr) {
        return nullptr;
    }
    MidiFile file;
    if (rate <= 0) {
        schedule->error = "the sample rate must be a whole number of Hz from 1";
    } else if (data == nullptr && size > 0) {
        schedule->error = "no file data";
    } else if (file.parse(data, size, schedule->error)) {
        std::int64_t endFrame = 0;
        const std::vector<TimedMidiEvent> timed = eventsOfFile(file, rate, endFrame);
        schedule->events.reserve(timed.size());
        for (const TimedMidiEvent& event : timed) {
            ZephyrantScheduledEvent placed = {};
            placed.frame = static_cast<double>(event.frame);
            placed.bytes[0] = event.bytes[0];
            placed.bytes[1] = event.bytes[1];
            placed.bytes[2] = event.bytes[2];
            placed.size = midiMessageSize(event.bytes[0]);
            schedule->events.push_back(placed);
        }
        schedule->endFrame = static_cast<double>(endFrame);
        schedule->noteChannels = channelsWithNotes(file);
    }
    return schedule;
}

void zephyrant_schedule_free(ZephyrantSchedule* schedule)
{
    delete schedule;
}

const char* zephyrant_schedule_error(const ZephyrantSchedule* schedule)
{
    return schedule->error.c_str();
}

int32_t zephyrant_schedule_event_count(const ZephyrantSchedule* schedule)
{
    return static_cast<int32_t>(schedule->events.size());
}

const ZephyrantScheduledEvent* zephyrant_schedule_events(const ZephyrantSchedule* schedule)
{
    return schedule->events.data();
}

double zephyrant_schedule_end_frame(const ZephyrantSchedule* schedule)
{
    return schedule->endFrame;
}

int32_t zephyrant_schedule_note_channels(const ZephyrantSchedule* schedule)
{
    return schedule->noteChannels;
}
