// The header of a WAV file whose length is known before the first sample, so it
// is written once, up front, and the file never needs rewinding (pipes and devices
// take it as well as files). Integer samples use the plain PCM format; float
// samples the IEEE float format with the extension size field and the sample-count
// ("fact") chunk that format requires, which readers such as sox expect.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/output/AudioFormat.h"

// Whether a WAV file of frames at the format fits the 32-bit sizes RIFF counts in.
bool fitsInWav(std::int64_t frames, int channels, SampleFormat format);

// The header bytes, up to and including the data chunk's size; the samples follow.
std::vector<std::uint8_t> wavHeader(std::int32_t sampleRate, int channels, SampleFormat format, std::int64_t frames);
