// process runs on the host's audio thread: it must not allocate, and the host's
// main thread may save and load the state, read values and load presets while it
// runs. This test program replaces the global allocation functions with counting
// ones, which the loaded plug-in binds to as well, and counts while blocks play.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/CountingAllocation.h"
#include "tests/clap/ClapHost.h"

namespace {

using namespace clap_test_host;
using namespace counting_allocation;

// A process call into buffers made beforehand, so that the host itself
// allocates nothing while counting.
class Block {
public:
    explicit Block(std::uint32_t capacity) : left(capacity), right(capacity)
    {
        channels[0] = left.data();
        channels[1] = right.data();
        output.data32 = channels;
        output.channel_count = 2;
        record.audio_outputs = &output;
        record.audio_outputs_count = 1;
    }
    std::int32_t run(const Instance& instance, std::uint32_t frames, const Events& events)
    {
        record.frames_count = frames;
        record.in_events = events.get();
        return instance.plugin->process(instance.plugin, &record);
    }

private:
    std::vector<float> left;
    std::vector<float> right;
    float* channels[2] = {};
    clap_audio_buffer output{};
    clap_process record{};
};

TEST(ClapRealTime, ProcessResetAndFlushAllocateNothing)
{
    Library library;
    Host host;
    // The count reaches into the plug-in: creating an instance allocates.
    counting = true;
    Instance instance(library, host);
    counting = false;
    EXPECT_GT(allocations.exchange(0), 0);
    ASSERT_TRUE(instance.valid() && instance.activate(48000.0, 1, 8192));
    Block block(8192);
    std::vector<Events> lists(6);
    lists[0].noteOn(0, 50, 0.8).noteOn(3, 55, 1.0).midi(10, 0xE0, 0, 100).value(20, 9, 0.7).value(40, 14, 0.5);
    lists[1].midi(0, 0xB0, 1, 64).value(1, 11, 0.3).noteOff(2, -1).noteOn(5, 62, 0.4).midi(6, 0xF0);
    lists[2].choke(0).noteOn(0, 48, 0.9).noteOn(1, 52, 0.9).noteOff(2, 48).value(3, 18, 1.0);
    lists[3].noteOn(0, 40, 1.0).value(63, 7, 0.9);
    lists[4].choke(5, 40).midi(10, 0x90, 45, 100).noteOff(4000, -1, -1, -1);
    lists[5].value(0, 15, 0.0).value(0, 15, 1.0);
    host.logCalls = 0;
    counting = true;
    std::size_t list = 0;
    for (std::uint32_t frames : {1u, 64u, 4096u, 8192u, 17u, 300u, 1u, 4096u}) {
        for (int repeat = 0; repeat < 3; ++repeat) {
            block.run(instance, frames, lists[list++ % lists.size()]);
        }
    }
    instance.plugin->reset(instance.plugin);
    block.run(instance, 512, lists[2]);
    instance.plugin->stop_processing(instance.plugin);
    instance.params->flush(instance.plugin, lists[0].get(), nullptr);
    instance.plugin->start_processing(instance.plugin);
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_EQ(host.logCalls, 0);
}

// The audio thread plays while the main thread saves and loads states, reads
// values and texts and loads presets; with ThreadSanitizer this shows any
// unshared access. After the last load the values are the loaded ones.
TEST(ClapRealTime, StateLoadsAndPresetsWhileTheAudioThreadPlaysAreSafe)
{
    Library library;
    Host host;
    Instance instance(library, host);
    ASSERT_TRUE(instance.valid() && instance.activate(44100.0, 1, 512));
    instance.params->flush(instance.plugin, Events().value(0, 9, 0.9).value(0, 15, 0.0).get(), nullptr);
    Stream loud;
    loud.bytes = instance.save();
    instance.params->flush(instance.plugin, Events().value(0, 9, 0.1).value(0, 15, 1.0).get(), nullptr);
    Stream quiet;
    quiet.bytes = instance.save();

    std::atomic<bool> playing{true};
    std::thread audio([&] {
        Block block(512);
        // Automation of a value both states hold alike.
        const Events notes = Events().noteOn(0, 50, 1.0).noteOff(400, 50).value(100, 14, 0.0);
        while (playing.load()) {
            block.run(instance, 512, notes);
        }
    });
    for (int round = 0; round < 200; ++round) {
        Stream& stream = round % 2 == 0 ? loud : quiet;
        stream.position = 0;
        EXPECT_TRUE(instance.load(stream));
        char text[64];
        instance.params->value_to_text(instance.plugin, 9, instance.value(9), text, sizeof text);
        if (round % 50 == 0) {
            instance.presetLoad->from_location(instance.plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, "4");
        }
        EXPECT_EQ(instance.save().size(), loud.bytes.size());
    }
    quiet.position = 0;
    EXPECT_TRUE(instance.load(quiet));
    playing = false;
    audio.join();
    EXPECT_EQ(instance.value(9), static_cast<double>(0.1f));
    EXPECT_EQ(instance.value(15), 1.0);
    EXPECT_EQ(instance.save(), quiet.bytes);
}

} // namespace
