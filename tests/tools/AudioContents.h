// An audio file as the tests read it back, through libsndfile as other programs read it.
#pragma once

#include <sndfile.h>

#include <string>
#include <vector>

struct AudioContents {
    SF_INFO info{};
    std::vector<float> samples; // interleaved
};

inline bool readAudio(const std::string& path, AudioContents& contents)
{
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &contents.info);
    if (file == nullptr) {
        return false;
    }
    contents.samples.resize(static_cast<std::size_t>(contents.info.frames * contents.info.channels));
    const sf_count_t read = sf_readf_float(file, contents.samples.data(), contents.info.frames);
    sf_close(file);
    return read == contents.info.frames;
}
