// The MIDI file reader on files built byte by byte here: the shapes real files
// have (formats 0 and 1, running status, tempo changes, meta and system exclusive
// events, time code division) and malformed ones, whose reasons name the byte.

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "tools/hostkit/MidiFile.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes chunk(const char* id, const Bytes& body)
{
    const auto length = static_cast<std::uint32_t>(body.size());
    Bytes bytes(id, id + 4);
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<std::uint8_t>(length >> shift));
    }
    return cat({bytes, body});
}

Bytes header(int format, int tracks, int division)
{
    return chunk("MThd", {0, static_cast<std::uint8_t>(format), 0, static_cast<std::uint8_t>(tracks),
                          static_cast<std::uint8_t>(division >> 8), static_cast<std::uint8_t>(division)});
}

const Bytes kEndOfTrack = {0x00, 0xFF, 0x2F, 0x00};

Bytes track(const Bytes& events)
{
    return chunk("MTrk", cat({events, kEndOfTrack}));
}

// A file holding one track with the given events.
Bytes singleTrack(const Bytes& events, int division = 96)
{
    return cat({header(0, 1, division), track(events)});
}

struct Expected {
    std::int64_t tick;
    Bytes bytes;
};

void expectMessages(const MidiFile& file, const std::vector<Expected>& expected)
{
    ASSERT_EQ(file.messages().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const MidiMessage& message = file.messages()[i];
        EXPECT_EQ(message.tick, expected[i].tick) << "message " << i;
        EXPECT_EQ(Bytes(message.bytes, message.bytes + message.size), expected[i].bytes) << "message " << i;
    }
}

TEST(MidiFile, ReadsRunningStatusAndSkipsMetaSysexAndForeignChunks)
{
    const Bytes events = {
        0x00, 0xFF, 0x03, 0x04, 'l', 'e', 'a', 'd',       // track name
        0x00, 0x90, 0x3C, 0x64,                           // note on
        0x60, 0x3C, 0x00,                                 // running status: note off as velocity 0
        0x00, 0xF0, 0x03, 0x43, 0x12, 0xF7,               // system exclusive
        0x00, 0xF7, 0x02, 0x01, 0x02,                     // escaped bytes
        0x81, 0x00, 0x40, 0x7F,                           // running status survives them: delta 128
        0x00, 0xB1, 0x07, 0x64, 0x0A, 0x01, 0x40,         // controllers, the second by running status
        0x00, 0xFF, 0x7F, 0x02, 0x00, 0x01,               // sequencer-specific meta
        0x10, 0xE2, 0x00, 0x40,                           // pitch bend
        0x00, 0xC3, 0x05, 0x00, 0x06,                     // program changes: one data byte each
        0x00, 0xD4, 0x30, 0x00, 0xA5, 0x3C, 0x20,         // channel and key pressure
    };
    // A chunk of an unknown kind before the track is skipped.
    const Bytes image = cat({header(0, 1, 96), chunk("XFIH", {1, 2, 3}), track(events)});
    MidiFile file;
    std::string error;
    ASSERT_TRUE(file.parse(image.data(), image.size(), error)) << error;
    expectMessages(file, {{0, {0x90, 0x3C, 0x64}},
                          {96, {0x90, 0x3C, 0x00}},
                          {224, {0x90, 0x40, 0x7F}},
                          {224, {0xB1, 0x07, 0x64}},
                          {234, {0xB1, 0x01, 0x40}},
                          {250, {0xE2, 0x00, 0x40}},
                          {250, {0xC3, 0x05}},
                          {250, {0xC3, 0x06}},
                          {250, {0xD4, 0x30}},
                          {250, {0xA5, 0x3C, 0x20}}});
    EXPECT_EQ(file.endTick(), 250);
    EXPECT_EQ(file.format(), 0);
}

TEST(MidiFile, MergesTracksByTimeKeepingTrackOrderForEqualTicks)
{
    const Bytes conductor = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
    const Bytes first = {0x00, 0x90, 0x40, 0x01, 0x64, 0x40, 0x02};
    const Bytes second = {0x00, 0x91, 0x41, 0x03, 0x32, 0x41, 0x04, 0x32, 0x41, 0x05};
    const Bytes image = cat({header(1, 3, 96), track(conductor), track(first), track(second)});
    MidiFile file;
    std::string error;
    ASSERT_TRUE(file.parse(image.data(), image.size(), error)) << error;
    expectMessages(file, {{0, {0x90, 0x40, 0x01}},
                          {0, {0x91, 0x41, 0x03}},
                          {50, {0x91, 0x41, 0x04}},
                          {100, {0x90, 0x40, 0x02}},
                          {100, {0x91, 0x41, 0x05}}});
    EXPECT_EQ(file.trackCount(), 3);
}

TEST(MidiFile, TempoMapPlacesTicksOnSamplesRoundedOnce)
{
    // 480 ticks per quarter at 100 per minute (600000 us): one tick is 1.25 ms,
    // 55.125 samples at 44100 Hz. From tick 960 on, 60 per minute (1 s per quarter),
    // set by a second track as a format 1 file may.
    const Bytes conductor = {0x00, 0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0};
    const Bytes later = {0x87, 0x40, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40};
    const Bytes image = cat({header(1, 2, 480), track(conductor), track(later)});
    MidiFile file;
    std::string error;
    ASSERT_TRUE(file.parse(image.data(), image.size(), error)) << error;

    struct Case {
        std::int64_t tick;
        std::int64_t rate;
        std::int64_t frame;
    };
    const Case cases[] = {
        {0, 44100, 0},          {1, 44100, 55},          {2, 44100, 110},  // 110.25
        {4, 44100, 221},        // 220.5 rounds up
        {7, 44100, 386},        // 385.875: a sum of rounded ticks would give 385
        {480, 44100, 26460},    {960, 44100, 52920},     // 1.2 s, where the tempo changes
        {961, 44100, 53012},    // 1.2 s + 1/480 s = 52920 + 91.875
        {1440, 48000, 105600},  // 2.2 s
        {1440, 44100, 97020},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(file.frameAt(c.tick, c.rate), c.frame) << "tick " << c.tick << " at " << c.rate;
    }
    EXPECT_DOUBLE_EQ(file.secondsAt(1440), 2.2);
}

TEST(MidiFile, TimeCodeDivisionCountsTicksPerFrame)
{
    struct Case {
        int framesPerSecond;
        int ticksPerFrame;
        std::int64_t tick;
        std::int64_t frame; // at 44100 Hz
    };
    const Case cases[] = {
        {25, 40, 1000, 44100},  // 1000 ticks per second
        {24, 10, 120, 22050},   // 0.5 s
        {30, 80, 2400, 44100},
        {29, 4, 120, 44144},    // drop-frame: 120 / (4 * 30000/1001) s = 1.001 s = 44144.1 samples
    };
    for (const Case& c : cases) {
        const int division = ((256 - c.framesPerSecond) << 8) | c.ticksPerFrame;
        // A tempo event must not change time code ticks.
        const Bytes image = singleTrack({0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}, division);
        MidiFile file;
        std::string error;
        ASSERT_TRUE(file.parse(image.data(), image.size(), error)) << error;
        EXPECT_EQ(file.frameAt(c.tick, 44100), c.frame) << c.framesPerSecond << " frames per second";
    }
}

TEST(MidiFile, MalformedFilesAreRefusedWithTheOffendingByte)
{
    // Offsets: the header chunk takes bytes 0-13, a track chunk's events start at 22.
    struct Case {
        const char* what;
        Bytes image;
        const char* reason;
    };
    const Bytes longTrackHeader = {'M', 'T', 'r', 'k', 0, 0, 0, 100, 0x00, 0x90};
    const std::vector<Case> cases = {
        {"empty file", {}, "not a Standard MIDI File"},
        {"other file", {'R', 'I', 'F', 'F', 0, 0, 0, 4, 'W', 'A', 'V', 'E'}, "not a Standard MIDI File"},
        {"short header", chunk("MThd", {0, 0, 0, 1}), "header chunk of 4 bytes, at least 6 expected at byte 4"},
        {"cut header", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0}, "truncated header chunk"},
        {"format 2", cat({header(2, 1, 96), track({})}), "format 2 (independent sequences) is not supported"},
        {"format 7", cat({header(7, 1, 96), track({})}), "unknown file format 7 at byte 8"},
        {"no tracks", header(0, 0, 96), "the header declares no tracks at byte 10"},
        {"division 0", cat({header(0, 1, 0), track({})}), "division of 0 ticks per quarter note at byte 12"},
        {"bad time code", cat({header(0, 1, 0xE9 << 8 | 4), track({})}), "time code division with 23 frames"},
        {"truncated chunk", cat({header(0, 1, 96), longTrackHeader}),
         "truncated chunk: it declares 100 bytes, 2 remain at byte 14"},
        {"missing track", cat({header(1, 2, 96), track({})}), "file ends after 1 of 2 tracks at byte 26"},
        {"endless number", singleTrack({0x81, 0x82, 0x83, 0x84, 0x05, 0x90, 0x3C, 0x40}),
         "variable-length number longer than 4 bytes at byte 22"},
        {"number cut by track end", cat({header(0, 1, 96), chunk("MTrk", {0x81, 0x82})}),
         "truncated variable-length number at byte 22"},
        {"meta length never ends", singleTrack({0x00, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),
         "variable-length number longer than 4 bytes at byte 25"},
        {"data without status", singleTrack({0x00, 0x3C, 0x40}),
         "data byte 0x3C without a status byte before it at byte 23"},
        {"status inside message", singleTrack({0x00, 0x90, 0x3C, 0x80, 0x00}),
         "status byte 0x80 where a data byte was expected at byte 25"},
        {"message cut by track end", cat({header(0, 1, 96), chunk("MTrk", {0x00, 0x90, 0x3C})}),
         "track ends inside a channel message at byte 23"},
        {"meta past track end", cat({header(0, 1, 96), chunk("MTrk", {0x00, 0xFF, 0x01, 0x10, 'a'})}),
         "meta event of 16 bytes runs past the end of its track at byte 23"},
        {"sysex past track end", cat({header(0, 1, 96), chunk("MTrk", {0x00, 0xF0, 0x05, 0x01, 0xF7})}),
         "system exclusive event of 5 bytes runs past the end of its track at byte 23"},
        {"realtime byte", singleTrack({0x00, 0xF8}), "status byte 0xF8 cannot appear in a MIDI file at byte 23"},
        {"short tempo", singleTrack({0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1}),
         "tempo event of 2 bytes, 3 expected at byte 23"},
        {"delta after last event", cat({header(0, 1, 96), chunk("MTrk", {0x00, 0x90, 0x3C, 0x40, 0x10})}),
         "track ends inside an event at byte 27"},
        {"days long", singleTrack({0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00}, 1),
         "the piece lasts longer than 24 hours"},
    };
    // A refused file leaves what the reader held before: here a note at tick 96 of a 192-tick piece.
    const Bytes held = singleTrack({0x60, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x00});
    for (const Case& c : cases) {
        MidiFile file;
        std::string error;
        ASSERT_TRUE(file.parse(held.data(), held.size(), error)) << error;
        EXPECT_FALSE(file.parse(c.image.data(), c.image.size(), error)) << c.what;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
        expectMessages(file, {{96, {0x90, 0x3C, 0x40}}, {192, {0x80, 0x3C, 0x00}}});
        EXPECT_EQ(file.endTick(), 192) << c.what;
        EXPECT_EQ(file.frameAt(192, 44100), 44100) << c.what << ": the tempo map is kept";
    }
}

} // namespace
