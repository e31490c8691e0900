// A MIDI file's messages placed on samples, with only the chosen channels kept,
// and the channels on which a file starts notes.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/hostkit/MidiSchedule.h"

namespace {

// One format-0 track at 480 ticks a quarter, 120 per minute: a tick is 1/960 s.
MidiFile fileOf(const std::vector<std::uint8_t>& events)
{
    std::vector<std::uint8_t> bytes = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,
                                       'M', 'T', 'r', 'k', 0, 0, 0, 0};
    bytes.insert(bytes.end(), events.begin(), events.end());
    bytes.insert(bytes.end(), {0x00, 0xFF, 0x2F, 0x00});
    bytes[21] = static_cast<std::uint8_t>(bytes.size() - 22);
    MidiFile file;
    std::string error;
    EXPECT_TRUE(file.parse(bytes.data(), bytes.size(), error)) << error;
    return file;
}

TEST(MidiSchedule, KeepsOnlyTheChosenChannels)
{
    // Channel 1: a note; channel 2: a controller and a note-on of velocity 0 (a
    // note-off); channel 10: a drum note.
    const MidiFile file = fileOf({0x00, 0x90, 60, 100, 0x00, 0xB1, 7, 90, 0x0A, 0x91, 62, 0, 0x0A, 0x99, 36,
                                  110, 0x60, 0x80, 60, 0});
    EXPECT_EQ(channelsWithNotes(file), MidiChannels{(1u << 0) | (1u << 9)});

    const struct {
        MidiChannels channels;
        std::vector<std::uint8_t> statuses;
    } cases[] = {
        {kAllMidiChannels, {0x90, 0xB1, 0x91, 0x99, 0x80}},
        {1u << 0, {0x90, 0x80}},
        {1u << 1, {0xB1, 0x91}},
        {(1u << 1) | (1u << 9), {0xB1, 0x91, 0x99}},
        {1u << 15, {}},
    };
    for (const auto& c : cases) {
        std::int64_t endFrame = 0;
        const std::vector<TimedMidiEvent> events = eventsOfFile(file, 48000, endFrame, c.channels);
        std::vector<std::uint8_t> statuses;
        for (const TimedMidiEvent& event : events) {
            statuses.push_back(event.bytes[0]);
        }
        EXPECT_EQ(statuses, c.statuses) << "channels " << c.channels;
        EXPECT_EQ(endFrame, 116 * 50) << "the piece keeps its length";
    }
    std::int64_t endFrame = 0;
    const std::vector<TimedMidiEvent> drums = eventsOfFile(file, 48000, endFrame, 1u << 9);
    ASSERT_EQ(drums.size(), 1u);
    EXPECT_EQ(drums[0].frame, 20 * 50);
}

} // namespace
