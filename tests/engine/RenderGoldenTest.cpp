// The golden phrases through the engine itself, as a front end drives it.

#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "GoldenPhrases.h"

namespace {

TEST(RenderGolden, EngineRendersThePhrasesBitIdenticalToTheRecording)
{
    golden::expectRecordedHashes<engine_harness::Engine>();
}

} // namespace
