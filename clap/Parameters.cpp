#include "clap/Parameters.h"

#include <cstring>

#include "clap/PluginInstance.h"
#include "engine/SynthEngine.h"
#include "texts/ParameterText.h"
#include "texts/ParameterValueText.h"

namespace {

bool isParameterId(clap_id id)
{
    return id < static_cast<clap_id>(kNumParameters);
}

std::uint32_t CLAP_ABI count(const clap_plugin*)
{
    return kNumParameters;
}

bool CLAP_ABI getInfo(const clap_plugin*, std::uint32_t index, clap_param_info* info)
{
    if (!isParameterId(index) || info == nullptr) {
        return false;
    }
    std::memset(info, 0, sizeof *info);
    info->id = index;
    info->flags = CLAP_PARAM_IS_AUTOMATABLE | (isSwitchParameter(static_cast<std::int32_t>(index)) ? CLAP_PARAM_IS_STEPPED : 0u);
    info->cookie = nullptr;
    copyParameterName(static_cast<std::int32_t>(index), info->name, CLAP_NAME_SIZE);
    info->min_value = 0.0;
    info->max_value = 1.0;
    info->default_value = kParameterDefaults[index];
    return true;
}

bool CLAP_ABI getValue(const clap_plugin* plugin, clap_id id, double* value)
{
    if (!isParameterId(id) || value == nullptr) {
        return false;
    }
    *value = instanceOf(plugin).engine.getParameter(static_cast<std::int32_t>(id));
    return true;
}

bool CLAP_ABI valueToText(const clap_plugin*, clap_id id, double plain, char* buffer, std::uint32_t capacity)
{
    float value = 0.0f;
    char text[kParameterValueTextSize];
    if (buffer == nullptr || capacity == 0 || !engineValue(id, plain, value) ||
        !formatParameterValueText(static_cast<std::int32_t>(id), value, text)) {
        return false;
    }
    const std::size_t length = std::strlen(text);
    if (length >= capacity) {
        buffer[0] = '\0';
        return false;
    }
    std::memcpy(buffer, text, length + 1);
    return true;
}

bool CLAP_ABI textToValue(const clap_plugin*, clap_id id, const char* text, double* plain)
{
    float value = 0.0f;
    if (plain == nullptr || !isParameterId(id) || !parseParameterValueText(static_cast<std::int32_t>(id), text, value) ||
        !engineValue(id, value, value)) {
        return false;
    }
    *plain = value;
    return true;
}

// Only while the host is not processing: the same values process would take.
void CLAP_ABI flush(const clap_plugin* plugin, const clap_input_events* in, const clap_output_events*)
{
    if (in == nullptr || in->size == nullptr || in->get == nullptr) {
        return;
    }
    SynthEngine& engine = instanceOf(plugin).engine;
    const std::uint32_t size = in->size(in);
    for (std::uint32_t n = 0; n < size; ++n) {
        const clap_event_header* event = in->get(in, n);
        clap_id id = 0;
        float value = 0.0f;
        if (event != nullptr && readValueEvent(*event, id, value)) {
            engine.setParameter(static_cast<std::int32_t>(id), value);
        }
    }
}

} // namespace

bool engineValue(clap_id id, double plain, float& value)
{
    if (!isParameterId(id) || plain != plain) {
        return false;
    }
    const double held = plain > 1.0 ? 1.0 : (plain > 0.0 ? plain : 0.0);
    value = isSwitchParameter(static_cast<std::int32_t>(id)) ? (held >= 1.0 ? 1.0f : 0.0f) : static_cast<float>(held);
    return true;
}

bool applyHostValue(SynthEngine& engine, clap_id id, double plain)
{
    float value = 0.0f;
    if (!engineValue(id, plain, value)) {
        return false;
    }
    engine.setParameter(static_cast<std::int32_t>(id), value);
    return true;
}

// Every value event is taken as the parameter's one value, whatever note, key,
// channel or port it names: no parameter is declared per note.
bool readValueEvent(const clap_event_header& event, clap_id& id, float& value)
{
    if (event.space_id != CLAP_CORE_EVENT_SPACE_ID || event.type != CLAP_EVENT_PARAM_VALUE ||
        event.size < sizeof(clap_event_param_value)) {
        return false;
    }
    const auto& change = reinterpret_cast<const clap_event_param_value&>(event);
    id = change.param_id;
    return engineValue(change.param_id, change.value, value);
}

const clap_plugin_params kClapParams = {count, getInfo, getValue, valueToText, textToValue, flush};
