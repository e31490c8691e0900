// One process call. The input events are read in order; a parameter value splits
// the block at its frame (the part before it renders with the values before it),
// and notes and MIDI go to the engine at their frames within their part. A block
// without value events renders in one call, so a split block renders exactly what
// blocks of the parts' sizes would. A choke starts the engine's fade at its frame;
// notes and MIDI that arrive during the fade are held back to its end, where the
// part ends and they play on the silenced voice, in their order.
#include <algorithm>

#include "clap/Parameters.h"
#include "clap/PluginInstance.h"

namespace {

class BlockRenderer {
public:
    BlockRenderer(ClapInstance& owner, float* leftOutput, float* rightOutput, std::uint32_t frameCount)
        : instance(owner), engine(owner.engine), left(leftOutput), right(rightOutput), frames(frameCount)
    {
        engine.beginMidiBatch();
        const std::int32_t fade = engine.getChokeFramesLeft();
        if (fade > 0) {
            holding = true;
            releaseFrame = static_cast<std::uint64_t>(fade);
        } else {
            // A fade that ended with the last block leaves its messages to this one.
            releaseHeldBack();
        }
    }

    void take(const clap_event_header& event)
    {
        // Events come sorted by time; one stamped before an earlier one taken is
        // taken at that one's frame, one beyond the block at its last frame.
        std::uint32_t time = std::max(event.time, latest);
        if (frames > 0 && time >= frames) {
            time = frames - 1;
        } else if (frames == 0) {
            time = 0;
        }

        clap_id id = 0;
        float value = 0.0f;
        if (readValueEvent(event, id, value)) {
            latest = time;
            splitAt(time);
            engine.setParameter(static_cast<std::int32_t>(id), value);
            return;
        }
        if (event.space_id == CLAP_CORE_EVENT_SPACE_ID && event.type == CLAP_EVENT_NOTE_CHOKE) {
            if (instance.notes.takeChoke(event)) {
                latest = time;
                splitAt(time);
                engine.choke();
                const std::int32_t fade = engine.getChokeFramesLeft();
                if (fade > 0 && !holding) {
                    holding = true;
                    releaseFrame = static_cast<std::uint64_t>(time) + static_cast<std::uint64_t>(fade);
                }
            }
            return;
        }
        MidiMessage messages[NoteInput::kMostMessagesPerEvent];
        const std::uint32_t count = instance.notes.translate(event, messages);
        if (count > 0) {
            latest = time;
            catchUp(time);
        }
        for (std::uint32_t n = 0; n < count; ++n) {
            if (holding) {
                instance.notes.holdBack(messages[n]);
            } else {
                engine.addMidiMessage(static_cast<std::int32_t>(time - position), messages[n].status,
                                      messages[n].data1, messages[n].data2);
            }
        }
    }

    // Renders what is left; a fade that ends within the block ends a part there.
    void finish()
    {
        if (holding && releaseFrame < frames) {
            catchUp(static_cast<std::uint32_t>(releaseFrame));
        }
        if (frames == 0) {
            // As a host's empty block: the batch is handed over and nothing rendered.
            engine.render(left, right, 0);
            return;
        }
        renderTo(frames);
    }

private:
    void renderTo(std::uint32_t end)
    {
        if (end <= position) {
            return;
        }
        const std::int32_t count = static_cast<std::int32_t>(end - position);
        if (left != nullptr && right != nullptr) {
            engine.render(left + position, right + position, count);
        } else {
            engine.render(nullptr, nullptr, count);
        }
        position = end;
        engine.beginMidiBatch();
    }

    // Ends the part at a fade's end at or before frame, where the held-back
    // messages then play.
    void catchUp(std::uint32_t frame)
    {
        if (holding && releaseFrame <= frame) {
            renderTo(static_cast<std::uint32_t>(releaseFrame));
            holding = false;
            releaseHeldBack();
        }
    }

    void splitAt(std::uint32_t frame)
    {
        catchUp(frame);
        renderTo(frame);
    }

    void releaseHeldBack()
    {
        const MidiMessage* held = instance.notes.heldBackMessages();
        for (std::uint32_t n = 0; n < instance.notes.heldBackCount(); ++n) {
            engine.addMidiMessage(0, held[n].status, held[n].data1, held[n].data2);
        }
        instance.notes.clearHeldBack();
    }

    ClapInstance& instance;
    SynthEngine& engine;
    float* left;
    float* right;
    std::uint32_t frames;
    std::uint32_t position = 0; // where the part being collected starts
    std::uint32_t latest = 0;   // the latest event time taken
    bool holding = false;       // a choke's fade runs: notes wait for its end
    std::uint64_t releaseFrame = 0;
};

// The stereo output the host gave, with every channel beyond two silenced: false
// when there is none to write.
bool stereoOutput(const clap_process& process, float*& left, float*& right)
{
    if (process.audio_outputs_count < 1 || process.audio_outputs == nullptr) {
        return false;
    }
    clap_audio_buffer& output = process.audio_outputs[0];
    output.constant_mask = 0;
    if (output.data32 == nullptr || output.channel_count < 2 || output.data32[0] == nullptr ||
        output.data32[1] == nullptr) {
        return false;
    }
    left = output.data32[0];
    right = output.data32[1];
    for (std::uint32_t channel = 2; channel < output.channel_count; ++channel) {
        if (output.data32[channel] != nullptr) {
            std::fill(output.data32[channel], output.data32[channel] + process.frames_count, 0.0f);
        }
    }
    return true;
}

} // namespace

// A block without a usable output still takes its events, so that no value or
// key release is lost, and reports an error.
std::int32_t processBlock(ClapInstance& instance, const clap_process& process)
{
    if (process.frames_count > static_cast<std::uint32_t>(INT32_MAX)) {
        return CLAP_PROCESS_ERROR;
    }
    float* left = nullptr;
    float* right = nullptr;
    const bool writable = stereoOutput(process, left, right);
    BlockRenderer renderer(instance, left, right, process.frames_count);
    const clap_input_events* in = process.in_events;
    if (in != nullptr && in->size != nullptr && in->get != nullptr) {
        const std::uint32_t size = in->size(in);
        for (std::uint32_t n = 0; n < size; ++n) {
            const clap_event_header* event = in->get(in, n);
            if (event != nullptr) {
                renderer.take(*event);
            }
        }
    }
    renderer.finish();
    return writable ? CLAP_PROCESS_CONTINUE_IF_NOT_QUIET : CLAP_PROCESS_ERROR;
}
