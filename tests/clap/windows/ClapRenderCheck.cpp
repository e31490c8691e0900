// A minimal CLAP host that builds for Linux and Windows alike, so that a Windows
// Zephyrant.clap can be held to the Linux one: it loads the plug-in as hosts do,
// prints what a host reads of it (descriptor, parameter names, default texts,
// ports) and renders a fixed phrase into a file of raw floats.
// Usage: clap-render-check PATH/Zephyrant.clap TEXTS.txt RENDER.raw
#include <cstdio>
#include <cstring>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "clap/ClapInterface.h"

namespace {

const void* loadEntry(const char* path)
{
#if defined(_WIN32)
    HMODULE library = LoadLibraryA(path);
    return library != nullptr ? reinterpret_cast<const void*>(GetProcAddress(library, "clap_entry")) : nullptr;
#else
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    return library != nullptr ? dlsym(library, "clap_entry") : nullptr;
#endif
}

const void* CLAP_ABI noExtension(const clap_host*, const char*)
{
    return nullptr;
}

void CLAP_ABI noRequest(const clap_host*) {}

struct EventList {
    std::vector<clap_event_note> notes;
    std::vector<clap_event_param_value> values;
    std::vector<const clap_event_header*> order;
};

std::uint32_t CLAP_ABI listSize(const clap_input_events* list)
{
    return static_cast<std::uint32_t>(static_cast<const EventList*>(list->ctx)->order.size());
}

const clap_event_header* CLAP_ABI listGet(const clap_input_events* list, std::uint32_t index)
{
    return static_cast<const EventList*>(list->ctx)->order[index];
}

clap_event_note note(std::uint16_t type, std::uint32_t time, int key, double velocity)
{
    clap_event_note event{};
    event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
    event.note_id = -1;
    event.key = static_cast<std::int16_t>(key);
    event.velocity = velocity;
    return event;
}

clap_event_param_value value(std::uint32_t time, clap_id id, double plain)
{
    clap_event_param_value event{};
    event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    event.param_id = id;
    event.note_id = -1;
    event.port_index = event.channel = event.key = -1;
    event.value = plain;
    return event;
}

int fail(const char* what)
{
    std::fprintf(stderr, "clap-render-check: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        return fail("usage: clap-render-check PATH/Zephyrant.clap TEXTS.txt RENDER.raw");
    }
    const auto* entry = static_cast<const clap_plugin_entry*>(loadEntry(argv[1]));
    if (entry == nullptr || !clapVersionIsCompatible(entry->clap_version) || !entry->init(argv[1])) {
        return fail("no usable clap_entry");
    }
    const auto* factory = static_cast<const clap_plugin_factory*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
    if (factory == nullptr || factory->get_plugin_count(factory) != 1) {
        return fail("no plug-in factory with one plug-in");
    }
    const clap_plugin_descriptor* descriptor = factory->get_plugin_descriptor(factory, 0);
    clap_host host{};
    host.clap_version = CLAP_VERSION;
    host.name = "clap-render-check";
    host.version = "1";
    host.get_extension = noExtension;
    host.request_restart = host.request_process = host.request_callback = noRequest;
    const clap_plugin* plugin = factory->create_plugin(factory, &host, descriptor->id);
    if (plugin == nullptr || !plugin->init(plugin)) {
        return fail("the plug-in was not created");
    }
    const auto* params = static_cast<const clap_plugin_params*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
    const auto* ports = static_cast<const clap_plugin_audio_ports*>(plugin->get_extension(plugin, CLAP_EXT_AUDIO_PORTS));
    if (params == nullptr || ports == nullptr) {
        return fail("no parameters or audio ports");
    }

    std::FILE* texts = std::fopen(argv[2], "w");
    if (texts == nullptr) {
        return fail("cannot write the texts");
    }
    std::fprintf(texts, "%s %s %s %s\n", descriptor->id, descriptor->name, descriptor->vendor, descriptor->version);
    clap_audio_port_info port{};
    ports->get(plugin, 0, false, &port);
    std::fprintf(texts, "outputs %u, channels %u, %s\n", ports->count(plugin, false), port.channel_count,
                 port.port_type);
    for (std::uint32_t index = 0; index < params->count(plugin); ++index) {
        clap_param_info info{};
        params->get_info(plugin, index, &info);
        char text[64] = "";
        params->value_to_text(plugin, info.id, info.default_value, text, sizeof text);
        std::fprintf(texts, "%u %s %.9g \"%s\"\n", info.id, info.name, info.default_value, text);
    }
    std::fclose(texts);

    constexpr std::uint32_t kBlock = 512;
    if (!plugin->activate(plugin, 44100.0, 1, kBlock) || !plugin->start_processing(plugin)) {
        return fail("activation failed");
    }
    std::vector<float> left(kBlock);
    std::vector<float> right(kBlock);
    float* channels[2] = {left.data(), right.data()};
    clap_audio_buffer output{};
    output.data32 = channels;
    output.channel_count = 2;
    std::vector<float> render;
    for (std::uint32_t block = 0; block < 172; ++block) {
        EventList events;
        if (block % 20 == 0) {
            events.notes.push_back(note(CLAP_EVENT_NOTE_ON, 100, 40 + static_cast<int>(block / 20) * 5, 0.8));
        }
        if (block % 20 == 15) {
            events.notes.push_back(note(CLAP_EVENT_NOTE_OFF, 300, -1, 0.0));
        }
        if (block == 60) {
            events.values.push_back(value(200, 14, 0.7)); // chorus, mid-block
            events.values.push_back(value(201, 11, 0.5)); // DynaTone
        }
        for (const clap_event_note& event : events.notes) {
            events.order.push_back(&event.header);
        }
        for (const clap_event_param_value& event : events.values) {
            events.order.push_back(&event.header);
        }
        const clap_input_events list = {&events, listSize, listGet};
        clap_process process{};
        process.frames_count = kBlock;
        process.audio_outputs = &output;
        process.audio_outputs_count = 1;
        process.in_events = &list;
        if (plugin->process(plugin, &process) == CLAP_PROCESS_ERROR) {
            return fail("process failed");
        }
        for (std::uint32_t n = 0; n < kBlock; ++n) {
            render.push_back(left[n]);
            render.push_back(right[n]);
        }
    }
    plugin->stop_processing(plugin);
    plugin->deactivate(plugin);
    plugin->destroy(plugin);
    entry->deinit();

    std::FILE* out = std::fopen(argv[3], "wb");
    if (out == nullptr || std::fwrite(render.data(), sizeof(float), render.size(), out) != render.size()) {
        return fail("cannot write the render");
    }
    std::fclose(out);
    return 0;
}
