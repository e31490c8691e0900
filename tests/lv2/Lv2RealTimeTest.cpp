// The plug-in declares itself hard real-time capable: run() must not allocate.
// This test program replaces the global allocation functions with counting ones,
// which the loaded plug-in binds to as well, and counts while runs play.
#include <gtest/gtest.h>

#include <atomic>

#include "tests/CountingAllocation.h"
#include "tests/lv2/Lv2Host.h"

namespace {

using namespace lv2_host;
using namespace counting_allocation;

TEST(Lv2RealTime, RunAllocatesNothing)
{
    ASSERT_NE(World::get().plugin(), nullptr);
    Instance instance(48000.0);
    ASSERT_TRUE(instance.valid());
    instance.activate();
    for (std::uint32_t n = 0; n < kControlCount; ++n) {
        instance.controls[n] = 0.6f;
    }
    const LV2_URID midiEvent = World::get().urids()(LV2_MIDI__MidiEvent);
    instance.sequence.write({{0, midiEvent, {0x90, 50, 100}},
                             {5, midiEvent, {0xF0, 1, 2, 3, 0xF7}},
                             {100, midiEvent, {0xE0, 0, 100}},
                             {9000, midiEvent, {0x80, 50, 0}}});
    counting = true;
    for (std::uint32_t frames : {0u, 1u, 64u, 4096u, 8192u}) {
        lilv_instance_run(instance.get(), frames);
    }
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
}

} // namespace
