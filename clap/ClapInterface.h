// The binary interface between a CLAP host and the plug-in, the part the
// instrument uses: the entry record, the plug-in and preset discovery factories,
// the plug-in and host records, processing and its events, and the extensions'
// tables on both sides. Plain C records with natural alignment; every function of
// the interface uses the cdecl convention on 32-bit Windows and the platform's
// default elsewhere. The static_asserts below hold the records to the published
// sizes and offsets on 64-bit targets, 32-bit Windows and 32-bit Linux.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define CLAP_ABI __cdecl
#else
#define CLAP_ABI
#endif

using clap_id = std::uint32_t;
constexpr clap_id CLAP_INVALID_ID = 0xFFFFFFFFu;
constexpr std::size_t CLAP_NAME_SIZE = 256;
constexpr std::size_t CLAP_PATH_SIZE = 1024;

struct clap_version {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t revision;
};

// The interface version this plug-in was written against; any 1.x is compatible.
constexpr clap_version CLAP_VERSION = {1, 2, 10};
constexpr bool clapVersionIsCompatible(const clap_version& version)
{
    return version.major >= 1;
}

// ---- Entry and plug-in factory
struct clap_plugin_entry {
    struct clap_version clap_version;
    bool(CLAP_ABI* init)(const char* plugin_path);
    void(CLAP_ABI* deinit)();
    const void*(CLAP_ABI* get_factory)(const char* factory_id);
};

constexpr const char* CLAP_PLUGIN_FACTORY_ID = "clap.plugin-factory";
constexpr const char* CLAP_PRESET_DISCOVERY_FACTORY_ID = "clap.preset-discovery-factory/2";
constexpr const char* CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT = "clap.preset-discovery-factory/draft-2";

struct clap_plugin_descriptor {
    struct clap_version clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features;
};

struct clap_host {
    struct clap_version clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void*(CLAP_ABI* get_extension)(const clap_host* host, const char* extension_id);
    void(CLAP_ABI* request_restart)(const clap_host* host);
    void(CLAP_ABI* request_process)(const clap_host* host);
    void(CLAP_ABI* request_callback)(const clap_host* host);
};

struct clap_process;

struct clap_plugin {
    const clap_plugin_descriptor* desc;
    void* plugin_data;
    bool(CLAP_ABI* init)(const clap_plugin* plugin);
    void(CLAP_ABI* destroy)(const clap_plugin* plugin);
    bool(CLAP_ABI* activate)(const clap_plugin* plugin, double sample_rate, std::uint32_t min_frames_count,
                             std::uint32_t max_frames_count);
    void(CLAP_ABI* deactivate)(const clap_plugin* plugin);
    bool(CLAP_ABI* start_processing)(const clap_plugin* plugin);
    void(CLAP_ABI* stop_processing)(const clap_plugin* plugin);
    void(CLAP_ABI* reset)(const clap_plugin* plugin);
    std::int32_t(CLAP_ABI* process)(const clap_plugin* plugin, const clap_process* process);
    const void*(CLAP_ABI* get_extension)(const clap_plugin* plugin, const char* id);
    void(CLAP_ABI* on_main_thread)(const clap_plugin* plugin);
};

struct clap_plugin_factory {
    std::uint32_t(CLAP_ABI* get_plugin_count)(const clap_plugin_factory* factory);
    const clap_plugin_descriptor*(CLAP_ABI* get_plugin_descriptor)(const clap_plugin_factory* factory,
                                                                   std::uint32_t index);
    const clap_plugin*(CLAP_ABI* create_plugin)(const clap_plugin_factory* factory, const clap_host* host,
                                                const char* plugin_id);
};

// ---- Processing and events
enum : std::int32_t {
    CLAP_PROCESS_ERROR = 0,
    CLAP_PROCESS_CONTINUE = 1,
    CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
    CLAP_PROCESS_TAIL = 3,
    CLAP_PROCESS_SLEEP = 4,
};

struct clap_event_header {
    std::uint32_t size;
    std::uint32_t time;
    std::uint16_t space_id;
    std::uint16_t type;
    std::uint32_t flags;
};

constexpr std::uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;
enum : std::uint16_t {
    CLAP_EVENT_NOTE_ON = 0,
    CLAP_EVENT_NOTE_OFF = 1,
    CLAP_EVENT_NOTE_CHOKE = 2,
    CLAP_EVENT_NOTE_END = 3,
    CLAP_EVENT_NOTE_EXPRESSION = 4,
    CLAP_EVENT_PARAM_VALUE = 5,
    CLAP_EVENT_PARAM_MOD = 6,
    CLAP_EVENT_PARAM_GESTURE_BEGIN = 7,
    CLAP_EVENT_PARAM_GESTURE_END = 8,
    CLAP_EVENT_TRANSPORT = 9,
    CLAP_EVENT_MIDI = 10,
    CLAP_EVENT_MIDI_SYSEX = 11,
    CLAP_EVENT_MIDI2 = 12,
};
enum : std::uint32_t {
    CLAP_EVENT_IS_LIVE = 1,
    CLAP_EVENT_DONT_RECORD = 2,
};

struct clap_event_note {
    clap_event_header header;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double velocity;
};

struct clap_event_note_expression {
    clap_event_header header;
    std::int32_t expression_id;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double value;
};

struct clap_event_param_value {
    clap_event_header header;
    clap_id param_id;
    void* cookie;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double value;
};

struct clap_event_param_mod {
    clap_event_header header;
    clap_id param_id;
    void* cookie;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double amount;
};

struct clap_event_transport {
    clap_event_header header;
    std::uint32_t flags;
    std::int64_t song_pos_beats;
    std::int64_t song_pos_seconds;
    double tempo;
    double tempo_inc;
    std::int64_t loop_start_beats;
    std::int64_t loop_end_beats;
    std::int64_t loop_start_seconds;
    std::int64_t loop_end_seconds;
    std::int64_t bar_start;
    std::int32_t bar_number;
    std::uint16_t tsig_num;
    std::uint16_t tsig_denom;
};

struct clap_event_midi {
    clap_event_header header;
    std::uint16_t port_index;
    std::uint8_t data[3];
};

struct clap_event_midi_sysex {
    clap_event_header header;
    std::uint16_t port_index;
    const std::uint8_t* buffer;
    std::uint32_t size;
};

struct clap_event_midi2 {
    clap_event_header header;
    std::uint16_t port_index;
    std::uint32_t data[4];
};

struct clap_input_events {
    void* ctx;
    std::uint32_t(CLAP_ABI* size)(const clap_input_events* list);
    const clap_event_header*(CLAP_ABI* get)(const clap_input_events* list, std::uint32_t index);
};

struct clap_output_events {
    void* ctx;
    bool(CLAP_ABI* try_push)(const clap_output_events* list, const clap_event_header* event);
};

struct clap_audio_buffer {
    float** data32;
    double** data64;
    std::uint32_t channel_count;
    std::uint32_t latency;
    std::uint64_t constant_mask;
};

struct clap_process {
    std::int64_t steady_time;
    std::uint32_t frames_count;
    const clap_event_transport* transport;
    const clap_audio_buffer* audio_inputs;
    clap_audio_buffer* audio_outputs;
    std::uint32_t audio_inputs_count;
    std::uint32_t audio_outputs_count;
    const clap_input_events* in_events;
    const clap_output_events* out_events;
};

// ---- Parameters
constexpr const char* CLAP_EXT_PARAMS = "clap.params";
enum : std::uint32_t {
    CLAP_PARAM_IS_STEPPED = 1u << 0,
    CLAP_PARAM_IS_PERIODIC = 1u << 1,
    CLAP_PARAM_IS_HIDDEN = 1u << 2,
    CLAP_PARAM_IS_READONLY = 1u << 3,
    CLAP_PARAM_IS_BYPASS = 1u << 4,
    CLAP_PARAM_IS_AUTOMATABLE = 1u << 5,
    CLAP_PARAM_IS_MODULATABLE = 1u << 10,
    CLAP_PARAM_REQUIRES_PROCESS = 1u << 15,
    CLAP_PARAM_IS_ENUM = 1u << 16,
};
enum : std::uint32_t {
    CLAP_PARAM_RESCAN_VALUES = 1u << 0,
    CLAP_PARAM_RESCAN_TEXT = 1u << 1,
    CLAP_PARAM_RESCAN_INFO = 1u << 2,
    CLAP_PARAM_RESCAN_ALL = 1u << 3,
};

struct clap_param_info {
    clap_id id;
    std::uint32_t flags;
    void* cookie;
    char name[CLAP_NAME_SIZE];
    char module[CLAP_PATH_SIZE];
    double min_value;
    double max_value;
    double default_value;
};

struct clap_plugin_params {
    std::uint32_t(CLAP_ABI* count)(const clap_plugin* plugin);
    bool(CLAP_ABI* get_info)(const clap_plugin* plugin, std::uint32_t param_index, clap_param_info* param_info);
    bool(CLAP_ABI* get_value)(const clap_plugin* plugin, clap_id param_id, double* out_value);
    bool(CLAP_ABI* value_to_text)(const clap_plugin* plugin, clap_id param_id, double value, char* out_buffer,
                                  std::uint32_t out_buffer_capacity);
    bool(CLAP_ABI* text_to_value)(const clap_plugin* plugin, clap_id param_id, const char* param_value_text,
                                  double* out_value);
    void(CLAP_ABI* flush)(const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out);
};

struct clap_host_params {
    void(CLAP_ABI* rescan)(const clap_host* host, std::uint32_t flags);
    void(CLAP_ABI* clear)(const clap_host* host, clap_id param_id, std::uint32_t flags);
    void(CLAP_ABI* request_flush)(const clap_host* host);
};

// ---- Audio and note ports
constexpr const char* CLAP_EXT_AUDIO_PORTS = "clap.audio-ports";
constexpr const char* CLAP_PORT_MONO = "mono";
constexpr const char* CLAP_PORT_STEREO = "stereo";
enum : std::uint32_t {
    CLAP_AUDIO_PORT_IS_MAIN = 1u << 0,
    CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1u << 1,
    CLAP_AUDIO_PORT_PREFERS_64BITS = 1u << 2,
    CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 1u << 3,
};

struct clap_audio_port_info {
    clap_id id;
    char name[CLAP_NAME_SIZE];
    std::uint32_t flags;
    std::uint32_t channel_count;
    const char* port_type;
    clap_id in_place_pair;
};

struct clap_plugin_audio_ports {
    std::uint32_t(CLAP_ABI* count)(const clap_plugin* plugin, bool is_input);
    bool(CLAP_ABI* get)(const clap_plugin* plugin, std::uint32_t index, bool is_input, clap_audio_port_info* info);
};

constexpr const char* CLAP_EXT_NOTE_PORTS = "clap.note-ports";
enum : std::uint32_t {
    CLAP_NOTE_DIALECT_CLAP = 1u << 0,
    CLAP_NOTE_DIALECT_MIDI = 1u << 1,
    CLAP_NOTE_DIALECT_MIDI_MPE = 1u << 2,
    CLAP_NOTE_DIALECT_MIDI2 = 1u << 3,
};

struct clap_note_port_info {
    clap_id id;
    std::uint32_t supported_dialects;
    std::uint32_t preferred_dialect;
    char name[CLAP_NAME_SIZE];
};

struct clap_plugin_note_ports {
    std::uint32_t(CLAP_ABI* count)(const clap_plugin* plugin, bool is_input);
    bool(CLAP_ABI* get)(const clap_plugin* plugin, std::uint32_t index, bool is_input, clap_note_port_info* info);
};

// ---- State
constexpr const char* CLAP_EXT_STATE = "clap.state";

struct clap_istream {
    void* ctx;
    std::int64_t(CLAP_ABI* read)(const clap_istream* stream, void* buffer, std::uint64_t size);
};

struct clap_ostream {
    void* ctx;
    std::int64_t(CLAP_ABI* write)(const clap_ostream* stream, const void* buffer, std::uint64_t size);
};

struct clap_plugin_state {
    bool(CLAP_ABI* save)(const clap_plugin* plugin, const clap_ostream* stream);
    bool(CLAP_ABI* load)(const clap_plugin* plugin, const clap_istream* stream);
};

struct clap_host_state {
    void(CLAP_ABI* mark_dirty)(const clap_host* host);
};

// ---- Tail and voice info
constexpr const char* CLAP_EXT_TAIL = "clap.tail";

struct clap_plugin_tail {
    std::uint32_t(CLAP_ABI* get)(const clap_plugin* plugin);
};

constexpr const char* CLAP_EXT_VOICE_INFO = "clap.voice-info";
constexpr std::uint64_t CLAP_VOICE_INFO_SUPPORTS_OVERLAPPING_NOTES = 1u << 0;

struct clap_voice_info {
    std::uint32_t voice_count;
    std::uint32_t voice_capacity;
    std::uint64_t flags;
};

struct clap_plugin_voice_info {
    bool(CLAP_ABI* get)(const clap_plugin* plugin, clap_voice_info* info);
};

// ---- Log (host side)
constexpr const char* CLAP_EXT_LOG = "clap.log";

struct clap_host_log {
    void(CLAP_ABI* log)(const clap_host* host, std::int32_t severity, const char* msg);
};

// ---- Preset-load and preset discovery
constexpr const char* CLAP_EXT_PRESET_LOAD = "clap.preset-load/2";
constexpr const char* CLAP_EXT_PRESET_LOAD_COMPAT = "clap.preset-load.draft/2";
enum : std::uint32_t {
    CLAP_PRESET_DISCOVERY_LOCATION_FILE = 0,
    CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN = 1,
};
enum : std::uint32_t {
    CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT = 1u << 0,
    CLAP_PRESET_DISCOVERY_IS_USER_CONTENT = 1u << 1,
    CLAP_PRESET_DISCOVERY_IS_DEMO_CONTENT = 1u << 2,
    CLAP_PRESET_DISCOVERY_IS_FAVORITE = 1u << 3,
};

struct clap_plugin_preset_load {
    bool(CLAP_ABI* from_location)(const clap_plugin* plugin, std::uint32_t location_kind, const char* location,
                                  const char* load_key);
};

struct clap_host_preset_load {
    void(CLAP_ABI* on_error)(const clap_host* host, std::uint32_t location_kind, const char* location,
                             const char* load_key, std::int32_t os_error, const char* msg);
    void(CLAP_ABI* loaded)(const clap_host* host, std::uint32_t location_kind, const char* location,
                           const char* load_key);
};

struct clap_universal_plugin_id {
    const char* abi;
    const char* id;
};

struct clap_preset_discovery_metadata_receiver {
    void* receiver_data;
    void(CLAP_ABI* on_error)(const clap_preset_discovery_metadata_receiver* receiver, std::int32_t os_error,
                             const char* error_message);
    bool(CLAP_ABI* begin_preset)(const clap_preset_discovery_metadata_receiver* receiver, const char* name,
                                 const char* load_key);
    void(CLAP_ABI* add_plugin_id)(const clap_preset_discovery_metadata_receiver* receiver,
                                  const clap_universal_plugin_id* plugin_id);
    void(CLAP_ABI* set_soundpack_id)(const clap_preset_discovery_metadata_receiver* receiver,
                                     const char* soundpack_id);
    void(CLAP_ABI* set_flags)(const clap_preset_discovery_metadata_receiver* receiver, std::uint32_t flags);
    void(CLAP_ABI* add_creator)(const clap_preset_discovery_metadata_receiver* receiver, const char* creator);
    void(CLAP_ABI* set_description)(const clap_preset_discovery_metadata_receiver* receiver,
                                    const char* description);
    void(CLAP_ABI* set_timestamps)(const clap_preset_discovery_metadata_receiver* receiver,
                                   std::uint64_t creation_time, std::uint64_t modification_time);
    void(CLAP_ABI* add_feature)(const clap_preset_discovery_metadata_receiver* receiver, const char* feature);
    void(CLAP_ABI* add_extra_info)(const clap_preset_discovery_metadata_receiver* receiver, const char* key,
                                   const char* value);
};

struct clap_preset_discovery_filetype {
    const char* name;
    const char* description;
    const char* file_extension;
};

struct clap_preset_discovery_location {
    std::uint32_t flags;
    const char* name;
    std::uint32_t kind;
    const char* location;
};

struct clap_preset_discovery_soundpack {
    std::uint32_t flags;
    const char* id;
    const char* name;
    const char* description;
    const char* homepage_url;
    const char* vendor;
    const char* image_path;
    std::uint64_t release_timestamp;
};

struct clap_preset_discovery_provider_descriptor {
    struct clap_version clap_version;
    const char* id;
    const char* name;
    const char* vendor;
};

struct clap_preset_discovery_provider {
    const clap_preset_discovery_provider_descriptor* desc;
    void* provider_data;
    bool(CLAP_ABI* init)(const clap_preset_discovery_provider* provider);
    void(CLAP_ABI* destroy)(const clap_preset_discovery_provider* provider);
    bool(CLAP_ABI* get_metadata)(const clap_preset_discovery_provider* provider, std::uint32_t location_kind,
                                 const char* location, const clap_preset_discovery_metadata_receiver* receiver);
    const void*(CLAP_ABI* get_extension)(const clap_preset_discovery_provider* provider, const char* extension_id);
};

struct clap_preset_discovery_indexer {
    struct clap_version clap_version;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    void* indexer_data;
    bool(CLAP_ABI* declare_filetype)(const clap_preset_discovery_indexer* indexer,
                                     const clap_preset_discovery_filetype* filetype);
    bool(CLAP_ABI* declare_location)(const clap_preset_discovery_indexer* indexer,
                                     const clap_preset_discovery_location* location);
    bool(CLAP_ABI* declare_soundpack)(const clap_preset_discovery_indexer* indexer,
                                      const clap_preset_discovery_soundpack* soundpack);
    const void*(CLAP_ABI* get_extension)(const clap_preset_discovery_indexer* indexer, const char* extension_id);
};

struct clap_preset_discovery_factory {
    std::uint32_t(CLAP_ABI* count)(const clap_preset_discovery_factory* factory);
    const clap_preset_discovery_provider_descriptor*(CLAP_ABI* get_descriptor)(
        const clap_preset_discovery_factory* factory, std::uint32_t index);
    const clap_preset_discovery_provider*(CLAP_ABI* create)(const clap_preset_discovery_factory* factory,
                                                            const clap_preset_discovery_indexer* indexer,
                                                            const char* provider_id);
};

// ---- Layout checks: (64-bit, 32-bit Windows, 32-bit Linux). The 32-bit targets
// differ in where 8-byte numbers sit inside records: 8-byte aligned on Windows,
// 4-byte aligned on Linux.
#if UINTPTR_MAX == UINT64_MAX
#define CLAP_LAYOUT(on64, onWin32, onLinux32) (on64)
#elif defined(_WIN32)
#define CLAP_LAYOUT(on64, onWin32, onLinux32) (onWin32)
#else
#define CLAP_LAYOUT(on64, onWin32, onLinux32) (onLinux32)
#endif
#define CLAP_CHECK_SIZE(record, on64, onWin32, onLinux32)                                                         \
    static_assert(sizeof(record) == CLAP_LAYOUT(on64, onWin32, onLinux32), #record " size")
#define CLAP_CHECK_FIELD(record, field, on64, onWin32, onLinux32)                                                 \
    static_assert(offsetof(record, field) == CLAP_LAYOUT(on64, onWin32, onLinux32), #record "." #field " offset")

static_assert(sizeof(bool) == 1, "the interface's bool is one byte");

CLAP_CHECK_SIZE(clap_version, 12, 12, 12);
CLAP_CHECK_FIELD(clap_version, revision, 8, 8, 8);

CLAP_CHECK_SIZE(clap_plugin_entry, 40, 24, 24);
CLAP_CHECK_FIELD(clap_plugin_entry, init, 16, 12, 12);
CLAP_CHECK_FIELD(clap_plugin_entry, deinit, 24, 16, 16);
CLAP_CHECK_FIELD(clap_plugin_entry, get_factory, 32, 20, 20);

CLAP_CHECK_SIZE(clap_plugin_factory, 24, 12, 12);
CLAP_CHECK_FIELD(clap_plugin_factory, get_plugin_descriptor, 8, 4, 4);
CLAP_CHECK_FIELD(clap_plugin_factory, create_plugin, 16, 8, 8);

CLAP_CHECK_SIZE(clap_plugin_descriptor, 88, 48, 48);
CLAP_CHECK_FIELD(clap_plugin_descriptor, id, 16, 12, 12);
CLAP_CHECK_FIELD(clap_plugin_descriptor, name, 24, 16, 16);
CLAP_CHECK_FIELD(clap_plugin_descriptor, vendor, 32, 20, 20);
CLAP_CHECK_FIELD(clap_plugin_descriptor, url, 40, 24, 24);
CLAP_CHECK_FIELD(clap_plugin_descriptor, manual_url, 48, 28, 28);
CLAP_CHECK_FIELD(clap_plugin_descriptor, support_url, 56, 32, 32);
CLAP_CHECK_FIELD(clap_plugin_descriptor, version, 64, 36, 36);
CLAP_CHECK_FIELD(clap_plugin_descriptor, description, 72, 40, 40);
CLAP_CHECK_FIELD(clap_plugin_descriptor, features, 80, 44, 44);

CLAP_CHECK_SIZE(clap_host, 88, 48, 48);
CLAP_CHECK_FIELD(clap_host, host_data, 16, 12, 12);
CLAP_CHECK_FIELD(clap_host, name, 24, 16, 16);
CLAP_CHECK_FIELD(clap_host, vendor, 32, 20, 20);
CLAP_CHECK_FIELD(clap_host, url, 40, 24, 24);
CLAP_CHECK_FIELD(clap_host, version, 48, 28, 28);
CLAP_CHECK_FIELD(clap_host, get_extension, 56, 32, 32);
CLAP_CHECK_FIELD(clap_host, request_restart, 64, 36, 36);
CLAP_CHECK_FIELD(clap_host, request_process, 72, 40, 40);
CLAP_CHECK_FIELD(clap_host, request_callback, 80, 44, 44);

CLAP_CHECK_SIZE(clap_plugin, 96, 48, 48);
CLAP_CHECK_FIELD(clap_plugin, plugin_data, 8, 4, 4);
CLAP_CHECK_FIELD(clap_plugin, init, 16, 8, 8);
CLAP_CHECK_FIELD(clap_plugin, destroy, 24, 12, 12);
CLAP_CHECK_FIELD(clap_plugin, activate, 32, 16, 16);
CLAP_CHECK_FIELD(clap_plugin, deactivate, 40, 20, 20);
CLAP_CHECK_FIELD(clap_plugin, start_processing, 48, 24, 24);
CLAP_CHECK_FIELD(clap_plugin, stop_processing, 56, 28, 28);
CLAP_CHECK_FIELD(clap_plugin, reset, 64, 32, 32);
CLAP_CHECK_FIELD(clap_plugin, process, 72, 36, 36);
CLAP_CHECK_FIELD(clap_plugin, get_extension, 80, 40, 40);
CLAP_CHECK_FIELD(clap_plugin, on_main_thread, 88, 44, 44);

CLAP_CHECK_SIZE(clap_audio_buffer, 32, 24, 24);
CLAP_CHECK_FIELD(clap_audio_buffer, data64, 8, 4, 4);
CLAP_CHECK_FIELD(clap_audio_buffer, channel_count, 16, 8, 8);
CLAP_CHECK_FIELD(clap_audio_buffer, latency, 20, 12, 12);
CLAP_CHECK_FIELD(clap_audio_buffer, constant_mask, 24, 16, 16);

CLAP_CHECK_SIZE(clap_process, 64, 40, 40);
CLAP_CHECK_FIELD(clap_process, frames_count, 8, 8, 8);
CLAP_CHECK_FIELD(clap_process, transport, 16, 12, 12);
CLAP_CHECK_FIELD(clap_process, audio_inputs, 24, 16, 16);
CLAP_CHECK_FIELD(clap_process, audio_outputs, 32, 20, 20);
CLAP_CHECK_FIELD(clap_process, audio_inputs_count, 40, 24, 24);
CLAP_CHECK_FIELD(clap_process, audio_outputs_count, 44, 28, 28);
CLAP_CHECK_FIELD(clap_process, in_events, 48, 32, 32);
CLAP_CHECK_FIELD(clap_process, out_events, 56, 36, 36);

CLAP_CHECK_SIZE(clap_event_header, 16, 16, 16);
CLAP_CHECK_FIELD(clap_event_header, time, 4, 4, 4);
CLAP_CHECK_FIELD(clap_event_header, space_id, 8, 8, 8);
CLAP_CHECK_FIELD(clap_event_header, type, 10, 10, 10);
CLAP_CHECK_FIELD(clap_event_header, flags, 12, 12, 12);

CLAP_CHECK_SIZE(clap_event_note, 40, 40, 36);
CLAP_CHECK_FIELD(clap_event_note, note_id, 16, 16, 16);
CLAP_CHECK_FIELD(clap_event_note, port_index, 20, 20, 20);
CLAP_CHECK_FIELD(clap_event_note, channel, 22, 22, 22);
CLAP_CHECK_FIELD(clap_event_note, key, 24, 24, 24);
CLAP_CHECK_FIELD(clap_event_note, velocity, 32, 32, 28);

CLAP_CHECK_SIZE(clap_event_note_expression, 40, 40, 40);
CLAP_CHECK_FIELD(clap_event_note_expression, note_id, 20, 20, 20);
CLAP_CHECK_FIELD(clap_event_note_expression, key, 28, 28, 28);
CLAP_CHECK_FIELD(clap_event_note_expression, value, 32, 32, 32);

CLAP_CHECK_SIZE(clap_event_param_value, 56, 48, 44);
CLAP_CHECK_FIELD(clap_event_param_value, param_id, 16, 16, 16);
CLAP_CHECK_FIELD(clap_event_param_value, cookie, 24, 20, 20);
CLAP_CHECK_FIELD(clap_event_param_value, note_id, 32, 24, 24);
CLAP_CHECK_FIELD(clap_event_param_value, port_index, 36, 28, 28);
CLAP_CHECK_FIELD(clap_event_param_value, channel, 38, 30, 30);
CLAP_CHECK_FIELD(clap_event_param_value, key, 40, 32, 32);
CLAP_CHECK_FIELD(clap_event_param_value, value, 48, 40, 36);

CLAP_CHECK_SIZE(clap_event_param_mod, 56, 48, 44);
CLAP_CHECK_FIELD(clap_event_param_mod, amount, 48, 40, 36);

CLAP_CHECK_SIZE(clap_event_transport, 104, 104, 100);
CLAP_CHECK_FIELD(clap_event_transport, flags, 16, 16, 16);
CLAP_CHECK_FIELD(clap_event_transport, song_pos_beats, 24, 24, 20);
CLAP_CHECK_FIELD(clap_event_transport, song_pos_seconds, 32, 32, 28);
CLAP_CHECK_FIELD(clap_event_transport, tempo, 40, 40, 36);
CLAP_CHECK_FIELD(clap_event_transport, tempo_inc, 48, 48, 44);
CLAP_CHECK_FIELD(clap_event_transport, loop_start_beats, 56, 56, 52);
CLAP_CHECK_FIELD(clap_event_transport, loop_end_beats, 64, 64, 60);
CLAP_CHECK_FIELD(clap_event_transport, loop_start_seconds, 72, 72, 68);
CLAP_CHECK_FIELD(clap_event_transport, loop_end_seconds, 80, 80, 76);
CLAP_CHECK_FIELD(clap_event_transport, bar_start, 88, 88, 84);
CLAP_CHECK_FIELD(clap_event_transport, bar_number, 96, 96, 92);
CLAP_CHECK_FIELD(clap_event_transport, tsig_num, 100, 100, 96);
CLAP_CHECK_FIELD(clap_event_transport, tsig_denom, 102, 102, 98);

CLAP_CHECK_SIZE(clap_event_midi, 24, 24, 24);
CLAP_CHECK_FIELD(clap_event_midi, port_index, 16, 16, 16);
CLAP_CHECK_FIELD(clap_event_midi, data, 18, 18, 18);

CLAP_CHECK_SIZE(clap_event_midi_sysex, 40, 28, 28);
CLAP_CHECK_FIELD(clap_event_midi_sysex, buffer, 24, 20, 20);
CLAP_CHECK_FIELD(clap_event_midi_sysex, size, 32, 24, 24);

CLAP_CHECK_SIZE(clap_event_midi2, 36, 36, 36);
CLAP_CHECK_FIELD(clap_event_midi2, data, 20, 20, 20);

CLAP_CHECK_SIZE(clap_input_events, 24, 12, 12);
CLAP_CHECK_FIELD(clap_input_events, size, 8, 4, 4);
CLAP_CHECK_FIELD(clap_input_events, get, 16, 8, 8);
CLAP_CHECK_SIZE(clap_output_events, 16, 8, 8);
CLAP_CHECK_FIELD(clap_output_events, try_push, 8, 4, 4);

CLAP_CHECK_SIZE(clap_param_info, 1320, 1320, 1316);
CLAP_CHECK_FIELD(clap_param_info, flags, 4, 4, 4);
CLAP_CHECK_FIELD(clap_param_info, cookie, 8, 8, 8);
CLAP_CHECK_FIELD(clap_param_info, name, 16, 12, 12);
CLAP_CHECK_FIELD(clap_param_info, module, 272, 268, 268);
CLAP_CHECK_FIELD(clap_param_info, min_value, 1296, 1296, 1292);
CLAP_CHECK_FIELD(clap_param_info, max_value, 1304, 1304, 1300);
CLAP_CHECK_FIELD(clap_param_info, default_value, 1312, 1312, 1308);

CLAP_CHECK_SIZE(clap_plugin_params, 48, 24, 24);
CLAP_CHECK_FIELD(clap_plugin_params, get_info, 8, 4, 4);
CLAP_CHECK_FIELD(clap_plugin_params, get_value, 16, 8, 8);
CLAP_CHECK_FIELD(clap_plugin_params, value_to_text, 24, 12, 12);
CLAP_CHECK_FIELD(clap_plugin_params, text_to_value, 32, 16, 16);
CLAP_CHECK_FIELD(clap_plugin_params, flush, 40, 20, 20);
CLAP_CHECK_SIZE(clap_host_params, 24, 12, 12);
CLAP_CHECK_FIELD(clap_host_params, clear, 8, 4, 4);
CLAP_CHECK_FIELD(clap_host_params, request_flush, 16, 8, 8);

CLAP_CHECK_SIZE(clap_audio_port_info, 288, 276, 276);
CLAP_CHECK_FIELD(clap_audio_port_info, name, 4, 4, 4);
CLAP_CHECK_FIELD(clap_audio_port_info, flags, 260, 260, 260);
CLAP_CHECK_FIELD(clap_audio_port_info, channel_count, 264, 264, 264);
CLAP_CHECK_FIELD(clap_audio_port_info, port_type, 272, 268, 268);
CLAP_CHECK_FIELD(clap_audio_port_info, in_place_pair, 280, 272, 272);
CLAP_CHECK_SIZE(clap_plugin_audio_ports, 16, 8, 8);
CLAP_CHECK_FIELD(clap_plugin_audio_ports, get, 8, 4, 4);

CLAP_CHECK_SIZE(clap_note_port_info, 268, 268, 268);
CLAP_CHECK_FIELD(clap_note_port_info, supported_dialects, 4, 4, 4);
CLAP_CHECK_FIELD(clap_note_port_info, preferred_dialect, 8, 8, 8);
CLAP_CHECK_FIELD(clap_note_port_info, name, 12, 12, 12);
CLAP_CHECK_SIZE(clap_plugin_note_ports, 16, 8, 8);
CLAP_CHECK_FIELD(clap_plugin_note_ports, get, 8, 4, 4);

CLAP_CHECK_SIZE(clap_istream, 16, 8, 8);
CLAP_CHECK_FIELD(clap_istream, read, 8, 4, 4);
CLAP_CHECK_SIZE(clap_ostream, 16, 8, 8);
CLAP_CHECK_FIELD(clap_ostream, write, 8, 4, 4);
CLAP_CHECK_SIZE(clap_plugin_state, 16, 8, 8);
CLAP_CHECK_FIELD(clap_plugin_state, load, 8, 4, 4);
CLAP_CHECK_SIZE(clap_host_state, 8, 4, 4);

CLAP_CHECK_SIZE(clap_plugin_tail, 8, 4, 4);
CLAP_CHECK_SIZE(clap_voice_info, 16, 16, 16);
CLAP_CHECK_FIELD(clap_voice_info, voice_capacity, 4, 4, 4);
CLAP_CHECK_FIELD(clap_voice_info, flags, 8, 8, 8);
CLAP_CHECK_SIZE(clap_plugin_voice_info, 8, 4, 4);
CLAP_CHECK_SIZE(clap_host_log, 8, 4, 4);

CLAP_CHECK_SIZE(clap_plugin_preset_load, 8, 4, 4);
CLAP_CHECK_SIZE(clap_host_preset_load, 16, 8, 8);
CLAP_CHECK_FIELD(clap_host_preset_load, loaded, 8, 4, 4);

CLAP_CHECK_SIZE(clap_preset_discovery_factory, 24, 12, 12);
CLAP_CHECK_FIELD(clap_preset_discovery_factory, get_descriptor, 8, 4, 4);
CLAP_CHECK_FIELD(clap_preset_discovery_factory, create, 16, 8, 8);
CLAP_CHECK_SIZE(clap_preset_discovery_provider_descriptor, 40, 24, 24);
CLAP_CHECK_FIELD(clap_preset_discovery_provider_descriptor, id, 16, 12, 12);
CLAP_CHECK_FIELD(clap_preset_discovery_provider_descriptor, name, 24, 16, 16);
CLAP_CHECK_FIELD(clap_preset_discovery_provider_descriptor, vendor, 32, 20, 20);
CLAP_CHECK_SIZE(clap_preset_discovery_provider, 48, 24, 24);
CLAP_CHECK_FIELD(clap_preset_discovery_provider, provider_data, 8, 4, 4);
CLAP_CHECK_FIELD(clap_preset_discovery_provider, init, 16, 8, 8);
CLAP_CHECK_FIELD(clap_preset_discovery_provider, destroy, 24, 12, 12);
CLAP_CHECK_FIELD(clap_preset_discovery_provider, get_metadata, 32, 16, 16);
CLAP_CHECK_FIELD(clap_preset_discovery_provider, get_extension, 40, 20, 20);
CLAP_CHECK_SIZE(clap_preset_discovery_indexer, 88, 48, 48);
CLAP_CHECK_FIELD(clap_preset_discovery_indexer, name, 16, 12, 12);
CLAP_CHECK_FIELD(clap_preset_discovery_indexer, vendor, 24, 16, 16);
CLAP_CHECK_FIELD(clap_preset_discovery_indexer, url, 32, 20, 20);
CLAP_CHECK_FIELD(clap_preset_discovery_indexer, version, 40, 24, 24);
CLAP_CHECK_FIELD(clap_preset_discovery_indexer, indexer_data, 48, 28, 28);
CLAP_CHECK_FIELD(clap_preset_discovery_indexer, declare_filetype, 56, 32, 32);
CLAP_CHECK_FIELD(clap_preset_discovery_indexer, declare_location, 64, 36, 36);
CLAP_CHECK_FIELD(clap_preset_discovery_indexer, declare_soundpack, 72, 40, 40);
CLAP_CHECK_FIELD(clap_preset_discovery_indexer, get_extension, 80, 44, 44);
CLAP_CHECK_SIZE(clap_preset_discovery_filetype, 24, 12, 12);
CLAP_CHECK_FIELD(clap_preset_discovery_filetype, description, 8, 4, 4);
CLAP_CHECK_FIELD(clap_preset_discovery_filetype, file_extension, 16, 8, 8);
CLAP_CHECK_SIZE(clap_preset_discovery_location, 32, 16, 16);
CLAP_CHECK_FIELD(clap_preset_discovery_location, name, 8, 4, 4);
CLAP_CHECK_FIELD(clap_preset_discovery_location, kind, 16, 8, 8);
CLAP_CHECK_FIELD(clap_preset_discovery_location, location, 24, 12, 12);
CLAP_CHECK_SIZE(clap_preset_discovery_soundpack, 64, 40, 36);
CLAP_CHECK_FIELD(clap_preset_discovery_soundpack, id, 8, 4, 4);
CLAP_CHECK_FIELD(clap_preset_discovery_soundpack, image_path, 48, 24, 24);
CLAP_CHECK_FIELD(clap_preset_discovery_soundpack, release_timestamp, 56, 32, 28);
CLAP_CHECK_SIZE(clap_preset_discovery_metadata_receiver, 88, 44, 44);
CLAP_CHECK_FIELD(clap_preset_discovery_metadata_receiver, on_error, 8, 4, 4);
CLAP_CHECK_FIELD(clap_preset_discovery_metadata_receiver, begin_preset, 16, 8, 8);
CLAP_CHECK_FIELD(clap_preset_discovery_metadata_receiver, add_plugin_id, 24, 12, 12);
CLAP_CHECK_FIELD(clap_preset_discovery_metadata_receiver, set_soundpack_id, 32, 16, 16);
CLAP_CHECK_FIELD(clap_preset_discovery_metadata_receiver, set_flags, 40, 20, 20);
CLAP_CHECK_FIELD(clap_preset_discovery_metadata_receiver, add_creator, 48, 24, 24);
CLAP_CHECK_FIELD(clap_preset_discovery_metadata_receiver, set_description, 56, 28, 28);
CLAP_CHECK_FIELD(clap_preset_discovery_metadata_receiver, set_timestamps, 64, 32, 32);
CLAP_CHECK_FIELD(clap_preset_discovery_metadata_receiver, add_feature, 72, 36, 36);
CLAP_CHECK_FIELD(clap_preset_discovery_metadata_receiver, add_extra_info, 80, 40, 40);
CLAP_CHECK_SIZE(clap_universal_plugin_id, 16, 8, 8);
CLAP_CHECK_FIELD(clap_universal_plugin_id, id, 8, 4, 4);

#undef CLAP_CHECK_SIZE
#undef CLAP_CHECK_FIELD
#undef CLAP_LAYOUT
