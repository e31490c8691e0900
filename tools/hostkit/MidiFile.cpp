#include "tools/hostkit/MidiFile.h"

#include "tools/hostkit/FileImage.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::int64_t kDefaultTempo = 500000; // microseconds per quarter note: 120 per minute
constexpr std::int64_t kMicrosecondsPerSecond = 1000000;
// Bounds that keep every time numerator far inside 64 bits.
constexpr double kLongestPieceSeconds = 24.0 * 3600.0;
constexpr long kLargestFileBytes = 64L * 1024 * 1024;

std::string hexByte(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
    return text;
}

std::string at(std::size_t offset)
{
    return " at byte " + std::to_string(offset);
}

// Bounded reading of a file image; every failure leaves a reason with its offset.
class ByteReader {
public:
    explicit ByteReader(const std::uint8_t* bytes) : data(bytes) {}

    std::size_t position() const { return pos; }
    std::size_t remaining(std::size_t end) const { return pos < end ? end - pos : 0; }
    void seek(std::size_t offset) { pos = offset; }
    std::uint8_t peek() const { return data[pos]; }
    std::uint8_t next() { return data[pos++]; }

    std::uint32_t bigEndian(int count)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            value = (value << 8) | data[pos++];
        }
        return value;
    }

    // A variable-length number: 7 bits per byte, high bit set on all but the
    // last, at most 4 bytes, inside [pos, end).
    bool varLength(std::size_t end, std::uint32_t& value, std::string& error)
    {
        const std::size_t start = pos;
        value = 0;
        for (int count = 0; count < 4; ++count) {
            if (pos >= end) {
                error = "truncated variable-length number" + at(start);
                return false;
            }
            const std::uint8_t byte = data[pos++];
            value = (value << 7) | (byte & 0x7Fu);
            if ((byte & 0x80u) == 0) {
                return true;
            }
        }
        error = "variable-length number longer than 4 bytes" + at(start);
        return false;
    }

private:
    const std::uint8_t* data;
    std::size_t pos = 0;
};

struct TempoChange {
    std::int64_t tick;
    std::int64_t microsecondsPerQuarter;
};

// Reads the events of one track chunk [reader position, end) into messages and
// tempo changes; answers false with the reason of the first malformed byte.
bool readTrack(ByteReader& reader, std::size_t end, std::vector<MidiMessage>& messages,
               std::vector<TempoChange>& tempos, std::int64_t& lastTick, std::string& error)
{
    std::int64_t tick = 0;
    std::uint8_t runningStatus = 0;
    while (reader.position() < end) {
        std::uint32_t delta = 0;
        if (!reader.varLength(end, delta, error)) {
            return false;
        }
        tick += delta;
        lastTick = std::max(lastTick, tick);
        const std::size_t eventStart = reader.position();
        if (reader.remaining(end) == 0) {
            error = "track ends inside an event" + at(eventStart);
            return false;
        }
        const std::uint8_t lead = reader.peek();
        if (lead == 0xFFu) {
            reader.next();
            if (reader.remaining(end) == 0) {
                error = "truncated meta event" + at(eventStart);
                return false;
            }
            const std::uint8_t type = reader.next();
            std::uint32_t length = 0;
            if (!reader.varLength(end, length, error)) {
                return false;
            }
            if (reader.remaining(end) < length) {
                error = "meta event of " + std::to_string(length) + " bytes runs past the end of its track" +
                        at(eventStart);
                return false;
            }
            const std::size_t bodyStart = reader.position();
            if (type == 0x2Fu) {
                return true; // end of track: anything after it is not part of the track
            }
            if (type == 0x51u) {
                if (length != 3) {
                    error = "tempo event of " + std::to_string(length) + " bytes, 3 expected" + at(eventStart);
                    return false;
                }
                tempos.push_back({tick, static_cast<std::int64_t>(reader.bigEndian(3))});
            }
            reader.seek(bodyStart + length);
            continue;
        }
        if (lead == 0xF0u || lead == 0xF7u) {
            reader.next();
            std::uint32_t length = 0;
            if (!reader.varLength(end, length, error)) {
                return false;
            }
            if (reader.remaining(end) < length) {
                error = "system exclusive event of " + std::to_string(length) +
                        " bytes runs past the end of its track" + at(eventStart);
                return false;
            }
            reader.seek(reader.position() + length);
            continue;
        }
        if (lead > 0xF0u) {
            error = "status byte " + hexByte(lead) + " cannot appear in a MIDI file" + at(eventStart);
            return false;
        }
        if ((lead & 0x80u) != 0) {
            runningStatus = reader.next();
        } else if (runningStatus == 0) {
            error = "data byte " + hexByte(lead) + " without a status byte before it" + at(eventStart);
            return false;
        }
        MidiMessage message;
        message.tick = tick;
        message.bytes[0] = runningStatus;
        message.size = midiMessageSize(runningStatus);
        for (int i = 1; i < message.size; ++i) {
            if (reader.remaining(end) == 0) {
                error = "track ends inside a channel message" + at(eventStart);
                return false;
            }
            const std::size_t offset = reader.position();
            const std::uint8_t byte = reader.next();
            if ((byte & 0x80u) != 0) {
                error = "status byte " + hexByte(byte) + " where a data byte was expected" + at(offset);
                return false;
            }
            message.bytes[i] = byte;
        }
        messages.push_back(message);
    }
    return true;
}

} // namespace

std::uint8_t midiMessageSize(std::uint8_t status)
{
    const std::uint8_t kind = status & 0xF0u;
    return kind == 0xC0u || kind == 0xD0u ? 2 : 3;
}

bool MidiFile::parse(const std::uint8_t* data, std::size_t size, std::string& error)
{
    MidiFile read;
    if (!read.readImage(data, size, error)) {
        return false;
    }
    *this = std::move(read);
    return true;
}

bool MidiFile::readImage(const std::uint8_t* data, std::size_t size, std::string& error)
{
    ByteReader reader(data);
    if (size < 8 || std::memcmp(data, "MThd", 4) != 0) {
        error = "not a Standard MIDI File: it does not start with an MThd header";
        return false;
    }
    reader.seek(4);
    const std::uint32_t headerLength = reader.bigEndian(4);
    if (headerLength < 6) {
        error = "header chunk of " + std::to_string(headerLength) + " bytes, at least 6 expected" + at(4);
        return false;
    }
    if (headerLength > size - 8) {
        error = "truncated header chunk: it declares " + std::to_string(headerLength) + " bytes, " +
                std::to_string(size - 8) + " remain" + at(0);
        return false;
    }
    const std::uint32_t format = reader.bigEndian(2);
    const std::uint32_t declaredTracks = reader.bigEndian(2);
    const std::uint32_t division = reader.bigEndian(2);
    if (format == 2) {
        error = "format 2 (independent sequences) is not supported, only formats 0 and 1" + at(8);
        return false;
    }
    if (format > 2) {
        error = "unknown file format " + std::to_string(format) + at(8);
        return false;
    }
    if (declaredTracks == 0) {
        error = "the header declares no tracks" + at(10);
        return false;
    }
    std::vector<TempoChange> tempos;
    if ((division & 0x8000u) != 0) {
        // Time code division: frames per second (as a negative byte) times ticks per frame.
        const int framesPerSecond = -static_cast<int>(static_cast<std::int8_t>(division >> 8));
        const std::int64_t ticksPerFrame = division & 0xFFu;
        if ((framesPerSecond != 24 && framesPerSecond != 25 && framesPerSecond != 29 && framesPerSecond != 30) ||
            ticksPerFrame == 0) {
            error = "time code division with " + std::to_string(framesPerSecond) + " frames per second and " +
                    std::to_string(ticksPerFrame) + " ticks per frame is not valid" + at(12);
            return false;
        }
        // 29 stands for the drop-frame rate 30000/1001.
        const bool dropFrame = framesPerSecond == 29;
        denominator = (dropFrame ? 30000 : framesPerSecond) * ticksPerFrame;
        tempoMap.push_back({0, 0, dropFrame ? 1001 : 1});
    } else if (division == 0) {
        error = "division of 0 ticks per quarter note" + at(12);
        return false;
    } else {
        denominator = static_cast<std::int64_t>(division) * kMicrosecondsPerSecond;
    }

    std::size_t chunkStart = 8 + static_cast<std::size_t>(headerLength);
    std::uint32_t tracksRead = 0;
    while (tracksRead < declaredTracks) {
        if (size - chunkStart < 8) {
            error = "file ends after " + std::to_string(tracksRead) + " of " + std::to_string(declaredTracks) +
                    " tracks" + at(chunkStart);
            return false;
        }
        reader.seek(chunkStart);
        const bool isTrack = std::memcmp(data + chunkStart, "MTrk", 4) == 0;
        reader.seek(chunkStart + 4);
        const std::uint32_t length = reader.bigEndian(4);
        const std::size_t bodyStart = chunkStart + 8;
        if (length > size - bodyStart) {
            error = "truncated chunk: it declares " + std::to_string(length) + " bytes, " +
                    std::to_string(size - bodyStart) + " remain" + at(chunkStart);
            return false;
        }
        const std::size_t bodyEnd = bodyStart + length;
        // Chunks of other kinds are skipped, as the file format asks of readers.
        if (isTrack) {
            if (!readTrack(reader, bodyEnd, merged, tempos, lastTick, error)) {
                return false;
            }
            ++tracksRead;
        }
        chunkStart = bodyEnd;
    }

    std::stable_sort(merged.begin(), merged.end(),
                     [](const MidiMessage& a, const MidiMessage& b) { return a.tick < b.tick; });
    if (tempoMap.empty()) {
        std::stable_sort(tempos.begin(), tempos.end(),
                         [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
        tempoMap.push_back({0, 0, kDefaultTempo});
        for (const TempoChange& change : tempos) {
            TempoSegment& last = tempoMap.back();
            if (change.tick == last.startTick) {
                last.numeratorPerTick = change.microsecondsPerQuarter; // the later of equal ticks wins
                continue;
            }
            if (segmentSeconds(last, change.tick) > kLongestPieceSeconds) {
                break; // beyond the length refused below
            }
            const std::int64_t start = last.numeratorAtStart + (change.tick - last.startTick) * last.numeratorPerTick;
            tempoMap.push_back({change.tick, start, change.microsecondsPerQuarter});
        }
    }
    fileFormat = static_cast<int>(format);
    tracks = static_cast<int>(declaredTracks);
    if (secondsAt(lastTick) > kLongestPieceSeconds) {
        error = "the piece lasts longer than 24 hours";
        return false;
    }
    return true;
}

bool MidiFile::load(const std::string& path, std::string& error)
{
    std::vector<std::uint8_t> image;
    if (!readFileImage(path, static_cast<std::size_t>(kLargestFileBytes), "a MIDI file", image, error)) {
        return false;
    }
    if (!parse(image.data(), image.size(), error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

const MidiFile::TempoSegment& MidiFile::segmentOf(std::int64_t tick) const
{
    auto after = std::upper_bound(tempoMap.begin(), tempoMap.end(), tick,
                                  [](std::int64_t t, const TempoSegment& segment) { return t < segment.startTick; });
    return after == tempoMap.begin() ? tempoMap.front() : *(after - 1);
}

double MidiFile::segmentSeconds(const TempoSegment& segment, std::int64_t tick) const
{
    return (static_cast<double>(segment.numeratorAtStart) +
            static_cast<double>(tick - segment.startTick) * static_cast<double>(segment.numeratorPerTick)) /
           static_cast<double>(denominator);
}

std::int64_t MidiFile::timeNumerator(std::int64_t tick) const
{
    if (tempoMap.empty()) {
        return 0;
    }
    const TempoSegment& segment = segmentOf(tick);
    return segment.numeratorAtStart + (tick - segment.startTick) * segment.numeratorPerTick;
}

std::int64_t MidiFile::frameAt(std::int64_t tick, std::int64_t sampleRate) const
{
    // Split so that neither product leaves 64 bits: whole seconds times the rate,
    // plus the remaining fraction of a second times the rate, rounded once.
    const std::int64_t numerator = timeNumerator(tick);
    const std::int64_t wholeSeconds = numerator / denominator;
    const std::int64_t fraction = numerator % denominator;
    return wholeSeconds * sampleRate + (fraction * sampleRate + denominator / 2) / denominator;
}

double MidiFile::secondsAt(std::int64_t tick) const
{
    return tempoMap.empty() ? 0.0 : segmentSeconds(segmentOf(tick), tick);
}
