// Reads a Standard MIDI File (format 0 or 1) into one time-ordered list of
// channel messages, with the file's tempo map to place each message on a sample.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One channel message of the file (note, controller, pitch bend, program
// change, aftertouch) at its tick; size is 2 or 3 bytes with the status first.
struct MidiMessage {
    std::int64_t tick = 0;
    std::uint8_t bytes[3] = {0, 0, 0};
    std::uint8_t size = 0;
};

// The bytes of a channel message with this status, the status included: 2 for
// program changes and channel aftertouch, 3 for the others.
std::uint8_t midiMessageSize(std::uint8_t status);

class MidiFile {
public:
    // Parses a file image. Answers false with a one-line reason in error
    // (naming the byte offset for malformed data) and leaves the object as it was.
    bool parse(const std::uint8_t* data, std::size_t size, std::string& error);

    // Reads and parses the file at path; the reason names the path. A file that
    // cannot be read or parsed leaves the object as it was.
    bool load(const std::string& path, std::string& error);

    // Channel messages of all tracks, by tick; equal ticks keep track order,
    // then file order within the track.
    const std::vector<MidiMessage>& messages() const { return merged; }

    int format() const { return fileFormat; }
    int trackCount() const { return tracks; }

    // The last tick of the piece: its last event of any kind, end-of-track marks included.
    std::int64_t endTick() const { return lastTick; }

    // The sample at which tick falls at the given rate, rounded to the nearest
    // (halves upward). Exact: the time is kept as an integer fraction until this rounding.
    std::int64_t frameAt(std::int64_t tick, std::int64_t sampleRate) const;

    // The time of tick in seconds.
    double secondsAt(std::int64_t tick) const;

private:
    // From this tick on, one tick lasts `numeratorPerTick / denominator` seconds;
    // `numeratorAtStart` is the time of startTick in the same unit.
    struct TempoSegment {
        std::int64_t startTick;
        std::int64_t numeratorAtStart;
        std::int64_t numeratorPerTick;
    };

    // Parses a file image into this empty object; on failure it may hold part of it.
    bool readImage(const std::uint8_t* data, std::size_t size, std::string& error);
    const TempoSegment& segmentOf(std::int64_t tick) const;
    // Time of tick in seconds, from a segment at or before it; safe from overflow.
    double segmentSeconds(const TempoSegment& segment, std::int64_t tick) const;
    // Time of tick as a numerator over `denominator` seconds.
    std::int64_t timeNumerator(std::int64_t tick) const;

    std::vector<MidiMessage> merged;
    std::vector<TempoSegment> tempoMap;
    std::int64_t denominator = 1;
    std::int64_t lastTick = 0;
    int fileFormat = 0;
    int tracks = 0;
};
