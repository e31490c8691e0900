// A CLAP host for the tests, on the plug-in's own interface declarations: it loads
// Zephyrant.clap as hosts do (immediate binding, local symbols), offers the host
// tables the plug-in asks for and records what it is told through them, builds
// input event lists and state streams, and drives an instance through its life
// cycle with output buffers that show every sample written.
#pragma once

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "clap/ClapInterface.h"
#include "tests/Performance.h"

namespace clap_test_host {

constexpr const char* kPluginId = "com.korvantis.zephyrant";

// The library, initialised with its path; deinit and unloading on destruction.
class Library {
public:
    explicit Library(const char* path = ZEPHYRANT_CLAP_PATH)
    {
        handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (handle != nullptr) {
            entry = static_cast<const clap_plugin_entry*>(dlsym(handle, "clap_entry"));
        }
        initialised = entry != nullptr && entry->init(path);
    }
    ~Library()
    {
        if (initialised) {
            entry->deinit();
        }
        if (handle != nullptr) {
            dlclose(handle);
        }
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool valid() const { return initialised; }
    const clap_plugin_factory* factory() const
    {
        return static_cast<const clap_plugin_factory*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
    }

    void* handle = nullptr;
    const clap_plugin_entry* entry = nullptr;
    bool initialised = false;
};

// The host record and the host tables, counting and recording the calls.
class Host {
public:
    Host()
    {
        record.clap_version = CLAP_VERSION;
        record.host_data = this;
        record.name = "Zephyrant test host";
        record.vendor = "Korvantis";
        record.url = "";
        record.version = "1";
        record.get_extension = &Host::getExtension;
        record.request_restart = &Host::request;
        record.request_process = &Host::request;
        record.request_callback = &Host::request;
        params = {&Host::rescan, &Host::clear, &Host::request};
        presetLoad = {&Host::presetError, &Host::presetLoaded};
        log = {&Host::logMessage};
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    clap_host record{};
    bool offerExtensions = true;
    std::vector<std::uint32_t> rescans;
    std::vector<std::string> presetsLoaded;
    std::vector<std::string> presetErrors;
    int logCalls = 0;
    int requests = 0;

private:
    static Host& of(const clap_host* host) { return *static_cast<Host*>(host->host_data); }
    static const void* CLAP_ABI getExtension(const clap_host* host, const char* id)
    {
        Host& self = of(host);
        if (!self.offerExtensions) {
            return nullptr;
        }
        const std::string name(id);
        if (name == CLAP_EXT_PARAMS) {
            return &self.params;
        }
        if (name == CLAP_EXT_PRESET_LOAD) {
            return &self.presetLoad;
        }
        if (name == CLAP_EXT_LOG) {
            return &self.log;
        }
        return nullptr;
    }
    static void CLAP_ABI request(const clap_host* host) { ++of(host).requests; }
    static void CLAP_ABI rescan(const clap_host* host, std::uint32_t flags) { of(host).rescans.push_back(flags); }
    static void CLAP_ABI clear(const clap_host*, clap_id, std::uint32_t) {}
    static void CLAP_ABI presetError(const clap_host* host, std::uint32_t, const char*, const char* key,
                                     std::int32_t, const char* message)
    {
        of(host).presetErrors.push_back(std::string(key != nullptr ? key : "(null)") + ": " + message);
    }
    static void CLAP_ABI presetLoaded(const clap_host* host, std::uint32_t, const char*, const char* key)
    {
        of(host).presetsLoaded.push_back(key != nullptr ? key : "(null)");
    }
    static void CLAP_ABI logMessage(const clap_host* host, std::int32_t, const char*) { ++of(host).logCalls; }

    clap_host_params params{};
    clap_host_preset_load presetLoad{};
    clap_host_log log{};
};

// An input event list: each event kept in its own aligned storage, in the order added.
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
            return index < events.size() ? reinterpret_cast<const clap_event_header*>(events[index].data()) : nullptr;
        };
    }
    Events(const Events& other) : Events() { events = other.events; }
    Events& operator=(const Events& other)
    {
        events = other.events;
        return *this;
    }

    template <typename Record>
    Events& add(const Record& record)
    {
        std::vector<std::uint64_t> storage((sizeof(Record) + 7) / 8);
        std::memcpy(storage.data(), &record, sizeof(Record));
        events.push_back(std::move(storage));
        return *this;
    }

    Events& noteOn(std::uint32_t time, int key, double velocity, int channel = 0, int port = 0, int id = -1)
    {
        return add(note(CLAP_EVENT_NOTE_ON, time, key, velocity, channel, port, id));
    }
    Events& noteOff(std::uint32_t time, int key, int channel = 0, int port = 0, int id = -1)
    {
        return add(note(CLAP_EVENT_NOTE_OFF, time, key, 0.0, channel, port, id));
    }
    Events& choke(std::uint32_t time, int key = -1, int channel = -1, int port = -1)
    {
        return add(note(CLAP_EVENT_NOTE_CHOKE, time, key, 0.0, channel, port, -1));
    }
    Events& midi(std::uint32_t time, std::uint8_t status, std::uint8_t data1 = 0, std::uint8_t data2 = 0,
                 std::uint16_t port = 0)
    {
        clap_event_midi event{};
        event.header = header(CLAP_EVENT_MIDI, time, sizeof event);
        event.port_index = port;
        event.data[0] = status;
        event.data[1] = data1;
        event.data[2] = data2;
        return add(event);
    }
    Events& value(std::uint32_t time, clap_id id, double plain, std::uint16_t space = CLAP_CORE_EVENT_SPACE_ID)
    {
        clap_event_param_value event{};
        event.header = header(CLAP_EVENT_PARAM_VALUE, time, sizeof event);
        event.header.space_id = space;
        event.param_id = id;
        event.note_id = -1;
        event.port_index = -1;
        event.channel = -1;
        event.key = -1;
        event.value = plain;
        return add(event);
    }

    static clap_event_header header(std::uint16_t type, std::uint32_t time, std::size_t size)
    {
        return {static_cast<std::uint32_t>(size), time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
    }
    static clap_event_note note(std::uint16_t type, std::uint32_t time, int key, double velocity, int channel,
                                int port, int id)
    {
        clap_event_note event{};
        event.header = header(type, time, sizeof event);
        event.note_id = id;
        event.port_index = static_cast<std::int16_t>(port);
        event.channel = static_cast<std::int16_t>(channel);
        event.key = static_cast<std::int16_t>(key);
        event.velocity = velocity;
        return event;
    }

    // Orders the events by time as hosts send them, keeping the order of equal times.
    Events& sortByTime()
    {
        std::stable_sort(events.begin(), events.end(), [](const auto& a, const auto& b) {
            return reinterpret_cast<const clap_event_header*>(a.data())->time <
                   reinterpret_cast<const clap_event_header*>(b.data())->time;
        });
        return *this;
    }

    bool empty() const { return events.empty(); }
    const clap_input_events* get() const { return &list; }

private:
    clap_input_events list{};
    std::vector<std::vector<std::uint64_t>> events;
};

// A state stream over a byte vector that moves at most chunk bytes per call and
// can be made to fail.
struct Stream {
    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
    std::size_t chunk = 1 << 20;
    bool failing = false;

    clap_ostream output()
    {
        return {this, [](const clap_ostream* stream, const void* buffer, std::uint64_t size) -> std::int64_t {
                    auto& self = *static_cast<Stream*>(stream->ctx);
                    if (self.failing) {
                        return -1;
                    }
                    const std::size_t count = std::min<std::uint64_t>(size, self.chunk);
                    const auto* data = static_cast<const std::uint8_t*>(buffer);
                    self.bytes.insert(self.bytes.end(), data, data + count);
                    return static_cast<std::int64_t>(count);
                }};
    }
    clap_istream input()
    {
        return {this, [](const clap_istream* stream, void* buffer, std::uint64_t size) -> std::int64_t {
                    auto& self = *static_cast<Stream*>(stream->ctx);
                    if (self.failing) {
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

using test_performance::Stereo;

// The loudest sample of both channels from sample from on.
inline float peakFrom(const Stereo& out, std::size_t from)
{
    float level = 0.0f;
    for (std::size_t i = from; i < out.left.size(); ++i) {
        level = std::max({level, std::fabs(out.left[i]), std::fabs(out.right[i])});
    }
    return level;
}

// A value no rendering writes by chance.
constexpr float kUnwritten = -12345.678f;

// One instance of the plug-in for a host, with its extensions; deactivated and
// destroyed on destruction.
class Instance {
public:
    Instance(const Library& library, Host& host, const char* id = kPluginId)
    {
        plugin = library.factory()->create_plugin(library.factory(), &host.record, id);
        if (plugin != nullptr && plugin->init(plugin)) {
            params = extension<clap_plugin_params>(CLAP_EXT_PARAMS);
            state = extension<clap_plugin_state>(CLAP_EXT_STATE);
            presetLoad = extension<clap_plugin_preset_load>(CLAP_EXT_PRESET_LOAD);
        }
    }
    ~Instance()
    {
        if (plugin != nullptr) {
            if (active) {
                plugin->stop_processing(plugin);
                plugin->deactivate(plugin);
            }
            plugin->destroy(plugin);
        }
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool valid() const { return plugin != nullptr && params != nullptr; }

    template <typename Table>
    const Table* extension(const char* id) const
    {
        return static_cast<const Table*>(plugin->get_extension(plugin, id));
    }

    bool activate(double rate, std::uint32_t minFrames = 1, std::uint32_t maxFrames = 8192)
    {
        if (active) {
            plugin->stop_processing(plugin);
            plugin->deactivate(plugin);
        }
        active = plugin->activate(plugin, rate, minFrames, maxFrames) && plugin->start_processing(plugin);
        return active;
    }

    // One process call of frames samples with these events, into outputs that
    // first hold kUnwritten, one sample more than the block.
    Stereo process(std::uint32_t frames, const Events& events = Events(), std::int32_t* status = nullptr)
    {
        Stereo out;
        out.left.assign(frames + 1, kUnwritten);
        out.right.assign(frames + 1, kUnwritten);
        float* channels[2] = {out.left.data(), out.right.data()};
        clap_audio_buffer output{};
        output.data32 = channels;
        output.channel_count = 2;
        output.constant_mask = ~std::uint64_t{0};
        clap_process block{};
        block.steady_time = steadyTime;
        block.frames_count = frames;
        block.audio_outputs = &output;
        block.audio_outputs_count = 1;
        block.in_events = events.get();
        const std::int32_t result = plugin->process(plugin, &block);
        steadyTime += frames;
        if (status != nullptr) {
            *status = result;
        }
        lastConstantMask = output.constant_mask;
        guardLeft = out.left[frames];
        guardRight = out.right[frames];
        out.left.resize(frames);
        out.right.resize(frames);
        return out;
    }

    // frames samples in blocks of blockSize with no events.
    Stereo render(std::uint32_t frames, std::uint32_t blockSize = 256)
    {
        Stereo out;
        for (std::uint32_t done = 0; done < frames; done += blockSize) {
            out.append(process(std::min(blockSize, frames - done)));
        }
        return out;
    }

    double value(clap_id id) const
    {
        double plain = -1.0;
        params->get_value(plugin, id, &plain);
        return plain;
    }

    std::vector<std::uint8_t> save() const
    {
        Stream stream;
        const clap_ostream output = stream.output();
        return state->save(plugin, &output) ? stream.bytes : std::vector<std::uint8_t>{};
    }
    bool load(Stream& stream) const
    {
        const clap_istream input = stream.input();
        return state->load(plugin, &input);
    }

    const clap_plugin* plugin = nullptr;
    const clap_plugin_params* params = nullptr;
    const clap_plugin_state* state = nullptr;
    const clap_plugin_preset_load* presetLoad = nullptr;
    bool active = false;
    std::uint64_t lastConstantMask = 0;
    float guardLeft = 0.0f;
    float guardRight = 0.0f;

private:
    std::int64_t steadyTime = 0;
};

} // namespace clap_test_host
