// The voice stays finite and playable whatever the host does to its parameters:
// a Sustain drop during a decay with the swept filter on, and parameters set to
// NaN or infinity for a moment.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "EngineHarness.h"

using namespace engine_harness;

namespace {

bool allFinite(const Stereo& out)
{
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (!std::isfinite(out.left[i]) || !std::isfinite(out.right[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(VoiceRecovery, SustainDropWithTheSweptFilterOnStaysBounded)
{
    for (float dynaTone : {0.14f, 0.5f, 1.0f}) {
        Engine engine;
        engine.set(kSustain, 0.91f);
        engine.send({noteOn(0, 50)});
        engine.render(20 * 256);
        engine.set({{kSustain, 0.09f}, {kDynaTone, dynaTone}});
        const Stereo after = engine.render(44100);
        EXPECT_TRUE(allFinite(after)) << "DynaTone " << dynaTone;
        // Volume 0.3 after a limiter that holds the filter section near 1.
        EXPECT_LT(after.peak(), 2.0f) << "DynaTone " << dynaTone;
    }
}

TEST(VoiceRecovery, NonFiniteParameterForOneBlockDoesNotSilenceTheInstrumentForGood)
{
    const float faults[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity()};
    for (std::int32_t index : {kExciter, kModulation, kPick, kDistorter, kDynaTone, kChorus, kToneRama}) {
        for (float fault : faults) {
            Engine engine;
            engine.set({{kDistorter, 0.5f}, {kDynaTone, 0.5f}, {kChorus, 0.5f}});
            engine.send({noteOn(0, 60)});
            engine.render(2048);
            const float kept = engine.state().getParameter(index);
            engine.set(index, fault);
            const Stereo faulty = engine.render(1024);
            engine.set(index, kept);
            engine.send({noteOff(0, 60), noteOn(10, 64)});
            const Stereo again = engine.render(8192);

            SCOPED_TRACE(testing::Message() << "parameter " << index << " = " << fault);
            EXPECT_TRUE(allFinite(faulty));
            EXPECT_TRUE(allFinite(again));
            EXPECT_GT(again.peak(), 0.01f);
        }
    }
}
