// The engine's starting state: the basic program's values, the note and controller
// values, the limiter's gain table, the five delay lines and the two chorus
// modulators, all at the rate of 44100 Hz that a front end starts from.
#include "engine/EngineMath.h"
#include "engine/SynthEngine.h"

namespace {

constexpr float kStartingRate = 44100.0f;

} // namespace

SynthEngine::SynthEngine()
    : sampleRate(kStartingRate), radiansPerSample(radiansPerSampleAt(kStartingRate)), radiansRate(kStartingRate),
      chorus(kStartingRate)
{
    for (std::int32_t index = 0; index < kNumParameters; ++index) {
        liveValues[index].setWord(parameterWord(index, kParameterDefaults[index]));
    }
}

SynthEngine::~SynthEngine() = default;

bool SynthEngine::isValid() const
{
    return comb.isValid() && string.isValid() && filter.isValid() && chorus.isValid();
}
