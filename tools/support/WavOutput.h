// Writes stereo audio to a WAV file safely: the samples go to a temporary file in
// the destination's directory, which replaces the destination only when every
// sample is written and the file is closed, so a failed render leaves no partial file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class WavSampleFormat { Float32, Pcm24, Pcm16 };

class WavOutput {
public:
    WavOutput() = default;
    ~WavOutput(); // discards an unfinished file
    WavOutput(const WavOutput&) = delete;
    WavOutput& operator=(const WavOutput&) = delete;

    // Starts the temporary file for path. False with a reason when it cannot be written.
    bool open(const std::string& path, std::int32_t sampleRate, WavSampleFormat format, std::string& error);

    // Appends frames of left and right. Samples beyond full scale are kept in float
    // files and clipped to full scale in integer files; samples that are not numbers
    // (NaN, infinity) are written as 0 and counted.
    bool write(const float* left, const float* right, std::int32_t frames, std::string& error);

    // Closes the file and moves it to the destination, replacing any file there.
    bool commit(std::string& error);

    // Closes and deletes the temporary file; the destination stays as it was.
    void discard();

    std::int64_t nonFiniteSamples() const { return nonFinite; }
    const std::string& temporaryPath() const { return temporary; }

    // Bytes per sample in a file of the format.
    static int bytesPerSample(WavSampleFormat format);

private:
    // Samples are gathered into large writes, whatever the block size.
    static constexpr std::size_t kBufferedSamples = 32768;

    bool flush(std::string& error);

    void* file = nullptr; // the library's file handle
    std::string destination;
    std::string temporary;
    std::vector<float> interleaved;
    std::int64_t nonFinite = 0;
};
