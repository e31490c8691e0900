// The CLAP plug-in driven as a host drives it, one instance per input, in the order
// the CLAP rules allow, as the input decides: activation at odd rates and frame
// limits, process calls of any length up to the limit with event lists of odd types,
// spaces, keys, channels, ports, times and values (sysex behind a pointer, sizes of
// events the plug-in does not know), output buffers missing, too few or too many,
// parameter queries and texts both ways, flushes, states saved and loaded from the
// input's own bytes in odd chunks, preset loads with odd locations and keys, the
// port and voice queries. Besides crashes, leaks and undefined behaviour it checks
// what a host notices: samples not written or not finite, writes past a block or a
// text buffer, a text without its terminator, values outside 0..1, a refused state
// that changed the instance, a state that loads but saves back other bytes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "clap/ClapInterface.h"
#include "engine/EngineParameters.h"
#include "tests/clap/ClapHost.h"

extern "C" const clap_plugin_entry clap_entry;

namespace {

using clap_test_host::Host;

constexpr std::size_t kOperationBudget = 96;
constexpr std::uint32_t kFrameBudget = 16384;
constexpr std::uint32_t kStateSize = 88;

// An input event list built from the input: each event in storage of exactly its
// declared size, so that reading past it is reported.
class Events {
public:
    Events()
    {
        list.ctx = this;
        list.size = [](const clap_input_events* l) {
            return static_cast<std::uint32_t>(static_cast<const Events*>(l->ctx)->events.size());
        };
        list.get = [](const clap_input_events* l, std::uint32_t index) -> const clap_event_header* {
            const auto& events = static_cast<const Events*>(l->ctx)->events;
            return index < events.size() ? reinterpret_cast<const clap_event_header*>(events[index]->data()) : nullptr;
        };
    }

    // Up to 24 events for a block of frames samples.
    void decode(FuzzInput& input, std::uint32_t frames)
    {
        const std::uint32_t count = input.below(25);
        std::uint32_t time = 0;
        for (std::uint32_t n = 0; n < count; ++n) {
            const std::uint8_t timing = input.byte();
            if (timing < 200) {
                time += timing % 8 == 0 ? input.below(frames + 1) : 0; // in order, most at the same frame
            } else {
                time = static_cast<std::uint32_t>(input.oddInt()); // out of order or beyond the block
            }
            add(input, time);
        }
    }

    ~Events()
    {
        for (const auto& area : events) {
            readable(area->bytes(), area->byteCount());
        }
    }
    Events(const Events&) = delete;
    Events& operator=(const Events&) = delete;

    const clap_input_events* get() const { return &list; }

private:
    template <typename Record>
    void store(const Record& record, std::uint32_t size)
    {
        auto area = std::make_unique<GuardedArea<std::uint64_t>>((size + 7) / 8);
        area->fill(0);
        std::memcpy(area->bytes(), &record, std::min<std::size_t>(size, sizeof record));
        // The bytes of the last word past the declared size are not the event's.
        if (area->byteCount() > size) {
            unreadable(area->bytes() + size, area->byteCount() - size);
        }
        events.push_back(std::move(area));
    }

    static clap_event_header header(FuzzInput& input, std::uint16_t type, std::uint32_t time, std::uint32_t size)
    {
        clap_event_header h{size, time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
        if (input.byte() >= 240) {
            h.space_id = static_cast<std::uint16_t>(input.word16()); // another space
        }
        h.flags = input.byte() >= 250 ? input.word32() : 0;
        return h;
    }

    void add(FuzzInput& input, std::uint32_t time)
    {
        const std::uint8_t kind = input.byte() % 16;
        switch (kind) {
        case CLAP_EVENT_NOTE_ON:
        case CLAP_EVENT_NOTE_OFF:
        case CLAP_EVENT_NOTE_CHOKE:
        case CLAP_EVENT_NOTE_END: {
            clap_event_note e{};
            e.header = header(input, kind, time, sizeof e);
            e.note_id = input.byte() < 200 ? -1 : input.oddInt();
            e.port_index = static_cast<std::int16_t>(input.byte() < 220 ? 0 : input.oddInt());
            e.channel = static_cast<std::int16_t>(input.byte() < 128 ? input.below(16) : input.oddInt());
            e.key = static_cast<std::int16_t>(input.byte() < 200 ? input.below(128) : input.oddInt());
            e.velocity = input.byte() < 200 ? input.byte() / 255.0 : input.oddDouble();
            store(e, sizeof e);
            break;
        }
        case CLAP_EVENT_NOTE_EXPRESSION: {
            clap_event_note_expression e{};
            e.header = header(input, kind, time, sizeof e);
            e.expression_id = input.oddInt();
            e.note_id = input.oddInt();
            e.key = static_cast<std::int16_t>(input.oddInt());
            e.value = input.oddDouble();
            store(e, sizeof e);
            break;
        }
        case CLAP_EVENT_PARAM_VALUE:
        case CLAP_EVENT_PARAM_MOD: {
            clap_event_param_value e{};
            e.header = header(input, kind, time, sizeof e);
            e.param_id = input.byte() < 220 ? input.below(kNumParameters) : static_cast<clap_id>(input.oddInt());
            e.note_id = input.byte() < 220 ? -1 : input.oddInt();
            e.port_index = -1;
            e.channel = -1;
            e.key = static_cast<std::int16_t>(input.byte() < 220 ? -1 : input.oddInt());
            e.value = input.byte() < 160 ? input.byte() / 255.0 : input.oddDouble();
            store(e, sizeof e);
            break;
        }
        case CLAP_EVENT_MIDI: {
            clap_event_midi e{};
            e.header = header(input, kind, time, sizeof e);
            e.port_index = static_cast<std::uint16_t>(input.byte() < 220 ? 0 : input.word16());
            input.read(e.data, sizeof e.data);
            store(e, sizeof e);
            break;
        }
        case CLAP_EVENT_MIDI_SYSEX: {
            const std::uint32_t length = input.below(33);
            auto bytes = std::make_unique<GuardedArea<std::uint8_t>>(length);
            input.read(bytes->bytes(), length);
            clap_event_midi_sysex e{};
            e.header = header(input, kind, time, sizeof e);
            e.buffer = length > 0 || input.flag() ? bytes->data() : nullptr;
            e.size = length;
            store(e, sizeof e);
            sysex.push_back(std::move(bytes));
            break;
        }
        case CLAP_EVENT_MIDI2: {
            clap_event_midi2 e{};
            e.header = header(input, kind, time, sizeof e);
            input.read(e.data, sizeof e.data);
            store(e, sizeof e);
            break;
        }
        default: {
            // A type this plug-in does not know, of any size from the header up.
            const std::uint32_t size = static_cast<std::uint32_t>(sizeof(clap_event_header)) + input.below(41);
            clap_event_header h = header(input, static_cast<std::uint16_t>(kind == 15 ? input.word16() : kind),
                                         time, size);
            std::vector<std::uint8_t> bytes(size);
            std::memcpy(bytes.data(), &h, sizeof h);
            input.read(bytes.data() + sizeof h, size - sizeof h);
            auto area = std::make_unique<GuardedArea<std::uint64_t>>((size + 7) / 8);
            area->fill(0);
            std::memcpy(area->bytes(), bytes.data(), size);
            if (area->byteCount() > size) {
                unreadable(area->bytes() + size, area->byteCount() - size);
            }
            events.push_back(std::move(area));
            break;
        }
        }
    }

    clap_input_events list{};
    std::vector<std::unique_ptr<GuardedArea<std::uint64_t>>> events;
    std::vector<std::unique_ptr<GuardedArea<std::uint8_t>>> sysex;
};

// Output events the plug-in may push to; it has none to send.
const clap_output_events kOutputEvents{nullptr, [](const clap_output_events*, const clap_event_header*) { return true; }};

// A state stream over bytes, moving at most chunk bytes a call; a call that would
// pass failAfter bytes fails.
struct Stream {
    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
    std::size_t chunk = 1 << 20;
    std::size_t failAfter = SIZE_MAX;

    clap_ostream output()
    {
        return {this, [](const clap_ostream* s, const void* buffer, std::uint64_t size) -> std::int64_t {
                    Stream& self = *static_cast<Stream*>(s->ctx);
                    const std::size_t count = std::min<std::uint64_t>(size, self.chunk);
                    if (self.bytes.size() + count > self.failAfter) {
                        return -1;
                    }
                    const auto* data = static_cast<const std::uint8_t*>(buffer);
                    self.bytes.insert(self.bytes.end(), data, data + count);
                    return static_cast<std::int64_t>(count);
                }};
    }
    clap_istream input()
    {
        return {this, [](const clap_istream* s, void* buffer, std::uint64_t size) -> std::int64_t {
                    Stream& self = *static_cast<Stream*>(s->ctx);
                    if (self.position >= self.failAfter) {
                        return -1;
                    }
                    const std::size_t count =
                        std::min<std::uint64_t>({size, self.chunk, self.bytes.size() - self.position});
                    if (count > 0) {
                        std::memcpy(buffer, self.bytes.data() + self.position, count);
                    }
                    self.position += count;
                    return static_cast<std::int64_t>(count);
                }};
    }
};

// A text the host hands over: the input's bytes up to a terminator, with the bytes
// after the terminator unreadable.
struct HostText {
    GuardedArea<char> area;

    explicit HostText(FuzzInput& input) : area(input.below(40) + 1)
    {
        for (std::size_t n = 0; n + 1 < area.elements(); ++n) {
            const char c = static_cast<char>(input.byte());
            area.data()[n] = c;
        }
        area.data()[area.elements() - 1] = '\0';
        const std::size_t length = std::strlen(area.data());
        if (length + 1 < area.elements()) {
            unreadable(area.data() + length + 1, area.elements() - length - 1);
        }
    }
    ~HostText() { readable(area.data(), area.elements()); }
    const char* get() const { return area.data(); }
};

class Session {
public:
    explicit Session(const clap_plugin* instance) : plugin(instance)
    {
        params = static_cast<const clap_plugin_params*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
        state = static_cast<const clap_plugin_state*>(plugin->get_extension(plugin, CLAP_EXT_STATE));
        presets = static_cast<const clap_plugin_preset_load*>(plugin->get_extension(plugin, CLAP_EXT_PRESET_LOAD));
        audioPorts = static_cast<const clap_plugin_audio_ports*>(plugin->get_extension(plugin, CLAP_EXT_AUDIO_PORTS));
        notePorts = static_cast<const clap_plugin_note_ports*>(plugin->get_extension(plugin, CLAP_EXT_NOTE_PORTS));
        tail = static_cast<const clap_plugin_tail*>(plugin->get_extension(plugin, CLAP_EXT_TAIL));
        voices = static_cast<const clap_plugin_voice_info*>(plugin->get_extension(plugin, CLAP_EXT_VOICE_INFO));
        FUZZ_EXPECT(params && state && presets && audioPorts && notePorts && tail && voices, "an extension missing");
    }

    ~Session()
    {
        if (processing) {
            plugin->stop_processing(plugin);
        }
        if (active) {
            plugin->deactivate(plugin);
        }
    }

    void run(FuzzInput& input)
    {
        for (std::size_t n = 0; n < kOperationBudget && !input.empty(); ++n) {
            operate(input);
        }
    }

private:
    void operate(FuzzInput& input)
    {
        switch (input.byte() % 16) {
        case 0:
        case 1: activate(input); break;
        case 2:
            if (processing) {
                plugin->stop_processing(plugin);
                processing = false;
            } else if (active) {
                plugin->deactivate(plugin);
                active = false;
            }
            break;
        case 3:
            if (active && !processing) {
                processing = plugin->start_processing(plugin);
            }
            break;
        case 4:
        case 5:
        case 6:
        case 7: process(input); break;
        case 8:
            if (active) {
                plugin->reset(plugin);
            }
            break;
        case 9: queryParameters(input); break;
        case 10: texts(input); break;
        case 11:
            if (!processing) {
                Events events;
                events.decode(input, 1);
                params->flush(plugin, events.get(), &kOutputEvents);
                expectValuesInRange("flush");
            }
            break;
        case 12: saveAndLoad(input); break;
        case 13: loadInputState(input); break;
        case 14: loadPreset(input); break;
        default: queryPorts(input); break;
        }
    }

    void activate(FuzzInput& input)
    {
        if (processing) {
            plugin->stop_processing(plugin);
            processing = false;
        }
        if (active) {
            plugin->deactivate(plugin);
            active = false;
        }
        static constexpr std::uint32_t kLimits[] = {1, 2, 16, 64, 128, 256, 512, 1024, 4096, 8192};
        const double rate = input.byte() < 160 ? 44100.0 * (1 + input.below(4)) / 2.0 : input.oddDouble();
        const std::uint32_t most = kLimits[input.below(10)];
        const std::uint32_t least = input.flag() ? 1 : std::min<std::uint32_t>(most, 1 + input.below(most));
        active = plugin->activate(plugin, rate, least, most);
        FUZZ_TRACE("activate %g Hz, %u..%u frames: %d", rate, least, most, active);
        if (std::isfinite(rate) && rate >= 8000.0 && rate <= 768000.0) {
            FUZZ_EXPECT(active, "a usable rate %g refused", rate);
        }
        maxFrames = most;
    }

    void process(FuzzInput& input)
    {
        if (!processing) {
            return;
        }
        const std::uint32_t frames = std::min(input.below(maxFrames + 1), kFrameBudget - std::min(kFrameBudget, framesUsed));
        framesUsed += frames;
        Events events;
        events.decode(input, frames);
        const std::uint8_t wiring = input.byte();
        const std::uint32_t channels = wiring < 220 ? 2 : wiring % 4; // 0, 1, 2 or 3
        std::vector<std::unique_ptr<GuardedArea<float>>> buffers;
        std::vector<float*> pointers;
        for (std::uint32_t c = 0; c < channels; ++c) {
            buffers.push_back(std::make_unique<GuardedArea<float>>(frames));
            std::fill(buffers.back()->data(), buffers.back()->data() + frames, unwrittenSample());
            pointers.push_back(buffers.back()->data());
        }
        clap_audio_buffer output{};
        output.data32 = channels > 0 ? pointers.data() : nullptr;
        output.channel_count = channels;
        const bool withOutput = input.byte() < 240;
        clap_process block{};
        block.steady_time = steadyTime;
        block.frames_count = frames;
        block.audio_outputs = withOutput ? &output : nullptr;
        block.audio_outputs_count = withOutput ? 1 : 0;
        block.in_events = events.get();
        block.out_events = &kOutputEvents;
        const std::int32_t status = plugin->process(plugin, &block);
        steadyTime += frames;
        FUZZ_TRACE("process %u frames into %u channels: status %d", frames, withOutput ? channels : 0, status);

        for (const auto& buffer : buffers) {
            FUZZ_EXPECT(buffer->guardsIntact(), "process wrote outside a channel of %u frames", frames);
        }
        if (withOutput && channels >= 2) {
            FUZZ_EXPECT(status != CLAP_PROCESS_ERROR, "a usable output refused");
            for (std::uint32_t c = 0; c < channels; ++c) {
                for (std::uint32_t i = 0; i < frames; ++i) {
                    const float sample = buffers[c]->data()[i];
                    FUZZ_EXPECT(!isUnwrittenSample(sample), "sample %u of channel %u not written", i, c);
                    FUZZ_EXPECT(std::isfinite(sample), "sample %u of channel %u is %g", i, c, sample);
                }
            }
        }
        expectValuesInRange("process");
    }

    void queryParameters(FuzzInput& input)
    {
        const std::uint32_t count = params->count(plugin);
        FUZZ_EXPECT(count == kNumParameters, "%u parameters", count);
        const std::uint32_t index = input.byte() < 200 ? input.below(count + 2) : static_cast<std::uint32_t>(input.oddInt());
        clap_param_info info;
        std::memset(&info, 0xA5, sizeof info);
        if (params->get_info(plugin, index, &info)) {
            FUZZ_EXPECT(index < count, "information for parameter index %u", index);
            FUZZ_EXPECT(std::memchr(info.name, '\0', sizeof info.name) != nullptr, "a name without its terminator");
            FUZZ_EXPECT(info.min_value == 0.0 && info.max_value == 1.0, "a range other than 0..1");
        }
        expectValuesInRange("a query");
    }

    void texts(FuzzInput& input)
    {
        const clap_id id = input.byte() < 200 ? input.below(kNumParameters) : static_cast<clap_id>(input.oddInt());
        if (input.flag()) {
            const double value = input.byte() < 128 ? input.byte() / 255.0 : input.oddDouble();
            const std::uint32_t capacity = input.below(48);
            GuardedArea<char> text(capacity);
            text.fill(0x7F);
            const bool written = params->value_to_text(plugin, id, value, text.data(), capacity);
            FUZZ_EXPECT(text.guardsIntact(), "a value's text written beyond its %u bytes", capacity);
            if (written) {
                FUZZ_EXPECT(capacity > 0 && std::memchr(text.data(), '\0', capacity) != nullptr,
                            "a value's text without its terminator in %u bytes", capacity);
            }
            return;
        }
        const HostText text(input);
        double value = -1.0;
        if (params->text_to_value(plugin, id, text.get(), &value)) {
            FUZZ_EXPECT(id < kNumParameters, "a text read for parameter %u", id);
            FUZZ_EXPECT(value >= 0.0 && value <= 1.0, "the text \"%s\" read as %g", text.get(), value);
        }
    }

    std::vector<std::uint8_t> save(Stream& stream) const
    {
        const clap_ostream output = stream.output();
        return state->save(plugin, &output) ? stream.bytes : std::vector<std::uint8_t>{};
    }

    std::vector<double> values() const
    {
        std::vector<double> all(kNumParameters);
        for (clap_id id = 0; id < kNumParameters; ++id) {
            params->get_value(plugin, id, &all[id]);
        }
        return all;
    }

    // A state saved in odd chunks loads again and saves back to the same bytes.
    void saveAndLoad(FuzzInput& input)
    {
        Stream out;
        out.chunk = 1 + input.below(100);
        const std::vector<std::uint8_t> saved = save(out);
        FUZZ_EXPECT(saved.size() == kStateSize, "a state of %zu bytes", saved.size());
        Stream in;
        in.bytes = saved;
        in.chunk = 1 + input.below(100);
        const clap_istream stream = in.input();
        FUZZ_EXPECT(state->load(plugin, &stream), "its own state refused");
        Stream again;
        FUZZ_EXPECT(save(again) == saved, "a loaded state saved back other bytes");
        // A stream that fails partway: saving says so.
        Stream failing;
        failing.chunk = 1 + input.below(16);
        failing.failAfter = input.below(kStateSize);
        FUZZ_EXPECT(save(failing).empty(), "a state saved into a failing stream");
    }

    // The input's bytes as a state: refused, it changes nothing; taken, it saves
    // back to the bytes read.
    void loadInputState(FuzzInput& input)
    {
        Stream in;
        const std::uint8_t shape = input.byte();
        if (shape < 128) {
            // A state of this plug-in with a few bytes changed.
            Stream out;
            in.bytes = save(out);
            for (std::uint32_t n = input.below(4); n > 0; --n) {
                in.bytes[input.below(kStateSize)] ^= static_cast<std::uint8_t>(1u << input.below(8));
            }
            in.bytes.resize(input.byte() < 200 ? kStateSize : input.below(kStateSize + 16));
        } else {
            in.bytes.resize(input.below(kStateSize + 16));
            input.read(in.bytes.data(), in.bytes.size());
        }
        in.chunk = 1 + input.below(96);
        if (input.byte() >= 240) {
            in.failAfter = input.below(kStateSize);
        }
        const std::vector<double> before = values();
        const clap_istream stream = in.input();
        const bool taken = state->load(plugin, &stream);
        FUZZ_TRACE("state of %zu bytes: %s", in.bytes.size(), taken ? "taken" : "refused");
        if (!taken) {
            const std::vector<double> after = values();
            FUZZ_EXPECT(std::memcmp(before.data(), after.data(), sizeof(double) * kNumParameters) == 0,
                        "a refused state changed the values");
            return;
        }
        FUZZ_EXPECT(in.bytes.size() >= kStateSize, "a state of %zu bytes taken", in.bytes.size());
        Stream out;
        const std::vector<std::uint8_t> saved = save(out);
        FUZZ_EXPECT(saved.size() == kStateSize && std::equal(saved.begin(), saved.end(), in.bytes.begin()),
                    "a loaded state saved back other bytes");
        expectValuesInRange("a state");
    }

    void loadPreset(FuzzInput& input)
    {
        const std::uint32_t kind = input.byte() < 200 ? CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN : input.word32() % 4;
        const bool noLocation = input.flag();
        const HostText location(input);
        const HostText key(input);
        const bool loaded = presets->from_location(plugin, kind, noLocation ? nullptr : location.get(), key.get());
        FUZZ_TRACE("preset kind %u key \"%s\": %d", kind, key.get(), loaded);
        expectValuesInRange("a preset");
    }

    void queryPorts(FuzzInput& input)
    {
        const bool isInput = input.flag();
        const std::uint32_t index = input.below(4);
        switch (input.byte() % 5) {
        case 0: {
            clap_audio_port_info info;
            if (audioPorts->get(plugin, index, isInput, &info)) {
                FUZZ_EXPECT(index < audioPorts->count(plugin, isInput), "audio port %u answered", index);
                FUZZ_EXPECT(std::memchr(info.name, '\0', sizeof info.name) != nullptr, "a port name unterminated");
            }
            break;
        }
        case 1: {
            clap_note_port_info info;
            if (notePorts->get(plugin, index, isInput, &info)) {
                FUZZ_EXPECT(index < notePorts->count(plugin, isInput), "note port %u answered", index);
            }
            break;
        }
        case 2: {
            clap_voice_info info{};
            FUZZ_EXPECT(!voices->get(plugin, &info) || info.voice_count == 1, "voices: %u", info.voice_count);
            break;
        }
        case 3: tail->get(plugin); break;
        default: {
            const HostText id(input);
            plugin->get_extension(plugin, id.get());
            plugin->on_main_thread(plugin);
            break;
        }
        }
    }

    void expectValuesInRange(const char* after)
    {
        for (clap_id id = 0; id < kNumParameters; ++id) {
            double value = -1.0;
            FUZZ_EXPECT(params->get_value(plugin, id, &value), "no value for parameter %u", id);
            FUZZ_EXPECT(value >= 0.0 && value <= 1.0, "parameter %u at %g after %s", id, value, after);
        }
    }

    const clap_plugin* plugin;
    const clap_plugin_params* params = nullptr;
    const clap_plugin_state* state = nullptr;
    const clap_plugin_preset_load* presets = nullptr;
    const clap_plugin_audio_ports* audioPorts = nullptr;
    const clap_plugin_note_ports* notePorts = nullptr;
    const clap_plugin_tail* tail = nullptr;
    const clap_plugin_voice_info* voices = nullptr;
    bool active = false;
    bool processing = false;
    std::uint32_t maxFrames = 0;
    std::uint32_t framesUsed = 0;
    std::int64_t steadyTime = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool initialised = clap_entry.init("/fuzz/Zephyrant.clap");
    FUZZ_EXPECT(initialised, "the entry refused to start");
    const auto* factory = static_cast<const clap_plugin_factory*>(clap_entry.get_factory(CLAP_PLUGIN_FACTORY_ID));
    FUZZ_EXPECT(factory != nullptr && factory->get_plugin_count(factory) == 1, "no plug-in factory");

    FuzzInput input(data, size);
    Host host;
    host.offerExtensions = input.byte() < 224;
    const bool ownId = input.byte() < 248;
    const HostText otherId(input);
    const clap_plugin* plugin = factory->create_plugin(factory, &host.record, ownId ? "com.korvantis.zephyrant"
                                                                                   : otherId.get());
    if (!ownId) {
        FUZZ_EXPECT(plugin == nullptr || std::strcmp(otherId.get(), "com.korvantis.zephyrant") == 0,
                    "a plug-in made for the id \"%s\"", otherId.get());
    }
    if (plugin == nullptr) {
        return 0;
    }
    if (plugin->init(plugin)) {
        Session session(plugin);
        session.run(input);
    }
    plugin->destroy(plugin);
    return 0;
}
