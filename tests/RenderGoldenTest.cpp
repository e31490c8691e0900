// The golden phrases through the VST 2.x module's record: its event batches and
// render entry must give the engine's own hashes.

#include <gtest/gtest.h>

#include "GoldenPhrases.h"
#include "ModuleHarness.h"

namespace {

TEST(RenderGolden, ModuleRendersThePhrasesBitIdenticalToTheRecording)
{
    golden::expectRecordedHashes<module_harness::Instance>();
}

} // namespace
