// A host for the LV2 plug-in built on lilv: one world that loads the bundle from
// the build tree through LV2_PATH, a URID map, an atom sequence writer and an
// instance with its port buffers, driven as a host drives it.
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace lv2_host {

constexpr const char* kPluginUri = "urn:korvantis:zephyrant";
constexpr std::uint32_t kMidiPort = 0;
constexpr std::uint32_t kLeftPort = 1;
constexpr std::uint32_t kRightPort = 2;
constexpr std::uint32_t kFirstControlPort = 3;
constexpr std::uint32_t kControlCount = 19;
constexpr std::uint32_t kPortCount = kFirstControlPort + kControlCount;

class UridMap {
public:
    UridMap()
    {
        map.handle = this;
        map.map = &UridMap::mapUri;
        feature.URI = LV2_URID__map;
        feature.data = &map;
    }
    UridMap(const UridMap&) = delete;
    UridMap& operator=(const UridMap&) = delete;

    LV2_URID operator()(const char* uri) { return mapUri(this, uri); }

    LV2_URID_Map map;
    LV2_Feature feature;

private:
    static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri)
    {
        auto& ids = static_cast<UridMap*>(handle)->ids;
        return ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
    }
    std::map<std::string, LV2_URID> ids;
};

// The lilv world with the build tree's bundle, shared by every test.
class World {
public:
    static World& get()
    {
        static World world;
        return world;
    }

    LilvWorld* world() const { return lilvWorld; }
    const LilvPlugin* plugin() const { return lilvPlugin; }
    UridMap& urids() { return map; }
    LilvNode* uri(const char* text) { return keep(lilv_new_uri(lilvWorld, text)); }

private:
    World()
    {
        setenv("LV2_PATH", ZEPHYRANT_LV2_PATH, 1);
        lilvWorld = lilv_world_new();
        lilv_world_load_all(lilvWorld);
        lilvPlugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(lilvWorld), uri(kPluginUri));
    }
    ~World()
    {
        for (LilvNode* node : nodes) {
            lilv_node_free(node);
        }
        lilv_world_free(lilvWorld);
    }
    LilvNode* keep(LilvNode* node)
    {
        nodes.push_back(node);
        return node;
    }

    LilvWorld* lilvWorld = nullptr;
    const LilvPlugin* lilvPlugin = nullptr;
    UridMap map;
    std::vector<LilvNode*> nodes;
};

// One event of an atom sequence: a frame stamp, an atom type and its body.
struct AtomEvent {
    std::int64_t frames;
    LV2_URID type;
    std::vector<std::uint8_t> body;
};

// Writes a sequence into a fixed, 8-byte aligned buffer, as a host fills the
// MIDI port before each run. unit 0 stamps in frames.
class SequenceBuffer {
public:
    explicit SequenceBuffer(LV2_URID sequenceType) : type(sequenceType), words(8192, 0) { write({}); }

    void write(const std::vector<AtomEvent>& events, LV2_URID unit = 0)
    {
        auto* sequence = get();
        sequence->atom.type = type;
        sequence->body.unit = unit;
        sequence->body.pad = 0;
        std::size_t offset = sizeof(LV2_Atom_Sequence);
        for (const AtomEvent& event : events) {
            lastEvent = offset;
            LV2_Atom_Event header{};
            header.time.frames = event.frames;
            header.body.size = static_cast<std::uint32_t>(event.body.size());
            header.body.type = event.type;
            auto* bytes = reinterpret_cast<std::uint8_t*>(words.data());
            std::memcpy(bytes + offset, &header, sizeof header);
            if (!event.body.empty()) {
                std::memcpy(bytes + offset + sizeof header, event.body.data(), event.body.size());
            }
            offset += sizeof header + ((event.body.size() + 7) & ~std::size_t{7});
        }
        sequence->atom.size = static_cast<std::uint32_t>(offset - sizeof(LV2_Atom));
    }

    // Makes the last event written claim a body of size bytes, past the sequence's end.
    void overstateLastEvent(std::uint32_t size)
    {
        auto* header = reinterpret_cast<LV2_Atom_Event*>(reinterpret_cast<std::uint8_t*>(words.data()) + lastEvent);
        header->body.size = size;
    }

    LV2_Atom_Sequence* get() { return reinterpret_cast<LV2_Atom_Sequence*>(words.data()); }

private:
    LV2_URID type;
    std::vector<std::uint64_t> words;
    std::size_t lastEvent = 0;
};

// One plug-in instance with output buffers of a fixed capacity, a control value
// per parameter port and the MIDI sequence, all connected at construction unless
// the test connects them itself.
class Instance {
public:
    static constexpr std::uint32_t kCapacity = 8193;

    explicit Instance(double rate, bool connect = true, const LV2_Feature* const* features = nullptr)
        : sequence(World::get().urids()(LV2_ATOM__Sequence)), left(kCapacity), right(kCapacity)
    {
        World& world = World::get();
        const LV2_Feature* const withMap[] = {&world.urids().feature, nullptr};
        instance = lilv_plugin_instantiate(world.plugin(), rate, features != nullptr ? features : withMap);
        if (instance != nullptr && connect) {
            connectAll();
        }
    }
    ~Instance()
    {
        if (instance != nullptr) {
            if (active) {
                lilv_instance_deactivate(instance);
            }
            lilv_instance_free(instance);
        }
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool valid() const { return instance != nullptr; }
    LilvInstance* get() const { return instance; }

    void connectAll()
    {
        lilv_instance_connect_port(instance, kMidiPort, sequence.get());
        lilv_instance_connect_port(instance, kLeftPort, left.data());
        lilv_instance_connect_port(instance, kRightPort, right.data());
        for (std::uint32_t n = 0; n < kControlCount; ++n) {
            lilv_instance_connect_port(instance, kFirstControlPort + n, &controls[n]);
        }
    }
    void activate()
    {
        lilv_instance_activate(instance);
        active = true;
    }

    // One run of frames samples (below kCapacity) with these events; the samples
    // it may write, and the one after, first hold a value no rendering writes by chance.
    void run(std::uint32_t frames, const std::vector<AtomEvent>& events = {}, LV2_URID unit = 0)
    {
        sequence.write(events, unit);
        std::fill(left.begin(), left.begin() + frames + 1, kUnwritten);
        std::fill(right.begin(), right.begin() + frames + 1, kUnwritten);
        lilv_instance_run(instance, frames);
    }

    static constexpr float kUnwritten = -12345.678f;
    float controls[kControlCount] = {};
    SequenceBuffer sequence;
    std::vector<float> left;
    std::vector<float> right;

private:
    LilvInstance* instance = nullptr;
    bool active = false;
};

} // namespace lv2_host
