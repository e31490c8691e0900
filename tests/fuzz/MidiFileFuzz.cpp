// The Standard MIDI File reader and the schedule the renderer builds from it, on
// the input as a file's bytes and as the events of a track. Besides crashes it looks for what a user of the
// renderer would notice: a refused file that changed what the reader held,
// messages that are not channel messages or out of time order, notes placed on
// samples that disagree with the file's tempo map, and a schedule that loses,
// adds or reorders messages when channels are chosen.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "tools/hostkit/MidiFile.h"
#include "tools/hostkit/MidiSchedule.h"

namespace {

// A piece the reader holds before each input: two notes, a tempo change between them.
const std::uint8_t kHeldFile[] = {
    'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
    'M', 'T', 'r', 'k', 0, 0, 0, 19,
    0x00, 0x90, 60, 100, 0x60, 0xFF, 0x51, 3, 0x03, 0xD0, 0x90, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};

constexpr std::int32_t kRates[] = {8000, 44100, 768000};

void expectSameFile(const MidiFile& file, const MidiFile& before)
{
    FUZZ_EXPECT(file.messages().size() == before.messages().size(), "a refused file changed the messages held");
    for (std::size_t n = 0; n < file.messages().size(); ++n) {
        const MidiMessage& a = file.messages()[n];
        const MidiMessage& b = before.messages()[n];
        FUZZ_EXPECT(a.tick == b.tick && a.size == b.size && a.bytes[0] == b.bytes[0] && a.bytes[1] == b.bytes[1] &&
                        a.bytes[2] == b.bytes[2],
                    "a refused file changed message %zu", n);
    }
    FUZZ_EXPECT(file.endTick() == before.endTick() && file.format() == before.format() &&
                    file.trackCount() == before.trackCount(),
                "a refused file changed the piece's end, format or track count");
    for (std::int32_t rate : kRates) {
        FUZZ_EXPECT(file.frameAt(file.endTick(), rate) == before.frameAt(before.endTick(), rate),
                    "a refused file changed the tempo map");
    }
}

void checkMessages(const MidiFile& file)
{
    FUZZ_EXPECT(file.format() == 0 || file.format() == 1, "format %d read", file.format());
    FUZZ_EXPECT(file.trackCount() >= 1, "%d tracks read", file.trackCount());
    FUZZ_EXPECT(file.endTick() >= 0, "the piece ends at tick %lld", static_cast<long long>(file.endTick()));
    std::int64_t previous = 0;
    for (const MidiMessage& message : file.messages()) {
        const std::uint8_t kind = message.bytes[0] & 0xF0;
        FUZZ_EXPECT(message.bytes[0] >= 0x80 && message.bytes[0] < 0xF0, "status 0x%02X read as a channel message",
                    message.bytes[0]);
        const int expectedSize = kind == 0xC0 || kind == 0xD0 ? 2 : 3;
        FUZZ_EXPECT(message.size == expectedSize, "a message of status 0x%02X holds %d bytes", message.bytes[0],
                    message.size);
        for (int i = 1; i < 3; ++i) {
            FUZZ_EXPECT(message.bytes[i] < 0x80, "data byte 0x%02X", message.bytes[i]);
            FUZZ_EXPECT(i < message.size || message.bytes[i] == 0, "a byte beyond the message is set");
        }
        FUZZ_EXPECT(message.tick >= previous, "message at tick %lld after tick %lld",
                    static_cast<long long>(message.tick), static_cast<long long>(previous));
        FUZZ_EXPECT(message.tick <= file.endTick(), "a message after the piece's end");
        previous = message.tick;
    }
    FUZZ_EXPECT(file.secondsAt(file.endTick()) <= 24.0 * 3600.0, "a piece of %g s was accepted",
                file.secondsAt(file.endTick()));
}

// Samples follow the seconds of the tempo map, and later ticks never come earlier.
void checkTiming(const MidiFile& file, std::int32_t rate)
{
    std::int64_t previousTick = -1;
    std::int64_t previousFrame = 0;
    const auto check = [&](std::int64_t tick) {
        const std::int64_t frame = file.frameAt(tick, rate);
        const double expected = file.secondsAt(tick) * rate;
        FUZZ_EXPECT(std::fabs(static_cast<double>(frame) - expected) <= 1.0 + expected * 1e-9,
                    "tick %lld at %d Hz on frame %lld, %.3f by the tempo map", static_cast<long long>(tick), rate,
                    static_cast<long long>(frame), expected);
        FUZZ_EXPECT(tick == previousTick || frame >= previousFrame, "tick %lld comes before an earlier tick",
                    static_cast<long long>(tick));
        previousTick = tick;
        previousFrame = frame;
    };
    FUZZ_EXPECT(file.frameAt(0, rate) == 0, "tick 0 is not frame 0");
    for (const MidiMessage& message : file.messages()) {
        check(message.tick);
    }
    check(file.endTick());
}

// The schedule for a set of channels: the file's messages on them, in file order, on their frames.
std::size_t checkSchedule(const MidiFile& file, std::int32_t rate, MidiChannels channels)
{
    std::int64_t endFrame = -1;
    const std::vector<TimedMidiEvent> events = eventsOfFile(file, rate, endFrame, channels);
    FUZZ_EXPECT(endFrame == file.frameAt(file.endTick(), rate), "the schedule ends on another frame than the piece");
    std::size_t next = 0;
    for (const MidiMessage& message : file.messages()) {
        if ((channels & (1u << (message.bytes[0] & 0x0F))) == 0) {
            continue;
        }
        FUZZ_EXPECT(next < events.size(), "the schedule lost a message");
        const TimedMidiEvent& event = events[next++];
        FUZZ_EXPECT(event.frame == file.frameAt(message.tick, rate) && event.frame <= endFrame,
                    "a scheduled message is on the wrong frame");
        for (int i = 0; i < 3; ++i) {
            FUZZ_EXPECT(event.bytes[i] == message.bytes[i], "a scheduled message changed its bytes");
        }
    }
    FUZZ_EXPECT(next == events.size(), "the schedule holds messages of other channels");
    return events.size();
}

// Reads the image as a file and checks what the reader made of it.
void fuzzImage(const std::uint8_t* data, std::size_t size)
{
    static const MidiFile before = [] {
        MidiFile file;
        std::string error;
        if (!file.parse(kHeldFile, sizeof kHeldFile, error)) {
            std::fprintf(stderr, "the held file is refused: %s\n", error.c_str());
            std::abort();
        }
        return file;
    }();

    MidiFile file = before;
    std::string error;
    if (!file.parse(data, size, error)) {
        FUZZ_EXPECT(!error.empty() && error.find('\n') == std::string::npos, "the reason is not one line: '%s'",
                    error.c_str());
        expectSameFile(file, before);
        return;
    }
    checkMessages(file);
    const MidiChannels withNotes = channelsWithNotes(file);
    for (const MidiMessage& message : file.messages()) {
        const bool startsNote = (message.bytes[0] & 0xF0) == 0x90 && message.bytes[2] > 0;
        FUZZ_EXPECT(!startsNote || (withNotes & (1u << (message.bytes[0] & 0x0F))) != 0,
                    "a channel with notes is missing from channelsWithNotes");
    }
    for (std::int32_t rate : kRates) {
        checkTiming(file, rate);
        const std::size_t all = checkSchedule(file, rate, kAllMidiChannels);
        FUZZ_EXPECT(all == file.messages().size(), "the schedule of all channels holds %zu of %zu messages", all,
                    file.messages().size());
        const std::size_t chosen = checkSchedule(file, rate, withNotes);
        const std::size_t others = checkSchedule(file, rate, static_cast<MidiChannels>(~withNotes));
        FUZZ_EXPECT(chosen + others == all, "channels chosen and the others do not add up to all");
    }
}

// The input as the events of the one track of a format 0 file, which ends where
// the track ends: a reading past the track is a reading past the file.
void fuzzTrack(const std::uint8_t* data, std::size_t size)
{
    if (size > 0xFFFFFF) {
        return;
    }
    const std::uint8_t framing[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k', 0,
                                    static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 8),
                                    static_cast<std::uint8_t>(size)};
    std::vector<std::uint8_t> image(framing, framing + sizeof framing);
    image.insert(image.end(), data, data + size);
    image.shrink_to_fit();
    fuzzImage(image.data(), image.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzImage(data, size);
    fuzzTrack(data, size);
    return 0;
}
