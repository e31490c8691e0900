// Writes the stereo render to its destination in the container and sample format
// asked for. WAV is written here, header first with the render's known length, so
// it goes to files, pipes and devices alike; FLAC, Ogg Vorbis, AIFF and CAF are
// written by libsndfile. Nothing is left behind when a render fails: see
// OutputDestination for what happens to each kind of destination.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/output/AudioFormat.h"
#include "tools/output/OutputDestination.h"
#include "tools/output/SampleQuantizer.h"

struct AudioFileSettings {
    std::int32_t sampleRate = 44100;
    OutputFormat format;
    bool dither = true;        // TPDF dither on 16-bit output
    std::int64_t frames = 0;   // the render's exact length, written into the WAV header up front
    bool force = false;        // replace read-only files, write onto block devices
    std::function<bool()> stop; // answers true once the render is to stop (a signal arrived)
};

class AudioFileWriter {
public:
    AudioFileWriter() = default;
    ~AudioFileWriter(); // discards an unfinished file
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    // Whether this libsndfile writes the format at the rate; false with a reason.
    static bool canWrite(const OutputFormat& format, std::int32_t sampleRate, std::string& error);

    // Opens the destination and starts the file. False with a one-line reason.
    bool open(const std::string& name, const AudioFileSettings& settings, std::string& error);

    // Appends frames of left and right (see SampleQuantizer for overs and non-numbers).
    bool write(const float* left, const float* right, std::int32_t frames, std::string& error);

    // Finishes the file and puts it in place.
    bool commit(std::string& error);

    // Abandons the file; a replaced destination stays as it was.
    void discard();

    std::int64_t nonFiniteSamples() const { return quantizer.nonFiniteSamples(); }
    const OutputDestination& destination() const { return output; }

private:
    // Samples are gathered into large writes, whatever the block size.
    static constexpr std::size_t kBufferedFrames = 16384;

    bool flush(std::string& error);

    AudioFileSettings settings;
    OutputDestination output;
    SampleQuantizer quantizer{SampleFormat::Float32, false};
    void* soundFile = nullptr; // libsndfile's handle; null for WAV
    std::vector<float> floats;
    std::vector<std::int32_t> integers;
    std::vector<std::uint8_t> bytes;
    std::size_t bufferedFrames = 0;
    std::int64_t framesWritten = 0;
};
