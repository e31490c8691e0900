#include "lv2/BundleDescription.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/presets/presets.h>
#include <lv2/units/units.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <set>

#include "lv2/PluginIdentity.h"
#include "lv2/PortTable.h"
#include "lv2/TurtleText.h"

namespace {

const std::string kDoapPrefix = "http://usefulinc.com/ns/doap#";
const std::string kFoafPrefix = "http://xmlns.com/foaf/0.1/";
const std::string kRdfsPrefix = "http://www.w3.org/2000/01/rdf-schema#";

std::string prefix(const std::string& name, const std::string& uri)
{
    return "@prefix " + name + ": <" + uri + "> .\n";
}

std::string uriRef(const std::string& uri)
{
    return "<" + uri + ">";
}

std::string streamPort(const char* classes, std::uint32_t index, const StreamPortInfo& info, const std::string& extra)
{
    return "\t\t[\n\t\t\ta " + std::string(classes) + " ;\n" + extra + "\t\t\tlv2:index " + std::to_string(index) +
           " ;\n\t\t\tlv2:symbol " + turtleString(info.symbol) + " ;\n\t\t\tlv2:name " + turtleString(info.name) +
           "\n\t\t]";
}

std::string controlPort(std::int32_t parameter)
{
    const ControlPortInfo& info = kControlPortInfo[parameter];
    std::string text = "\t\t[\n\t\t\ta lv2:InputPort , lv2:ControlPort ;\n";
    text += "\t\t\tlv2:index " + std::to_string(kFirstParameterPort + parameter) + " ;\n";
    text += "\t\t\tlv2:symbol " + turtleString(info.symbol) + " ;\n";
    text += "\t\t\tlv2:name " + turtleString(info.name) + " ;\n";
    text += "\t\t\trdfs:comment " + turtleString(info.comment) + " ;\n";
    text += "\t\t\tlv2:default " + turtleNumber(kParameterDefaults[parameter]) + " ;\n";
    text += "\t\t\tlv2:minimum 0.0 ;\n\t\t\tlv2:maximum 1.0";
    if (info.toggled) {
        text += std::string(" ;\n\t\t\tlv2:portProperty lv2:toggled") + (info.integer ? " , lv2:integer" : "");
    }
    if (info.unit != nullptr) {
        text += " ;\n\t\t\tunits:unit units:" + std::string(info.unit);
    }
    return text + "\n\t\t]";
}

} // namespace

std::string manifestTurtle(const std::string& binaryName, BundleVersion version, const std::vector<Lv2Preset>& presets)
{
    std::string text = prefix("lv2", LV2_CORE_PREFIX) + prefix("pset", LV2_PRESETS_PREFIX) + prefix("rdfs", kRdfsPrefix);
    text += "\n" + uriRef(kLv2PluginUri) + "\n\ta lv2:Plugin ;\n";
    text += "\tlv2:binary " + uriRef(binaryName) + " ;\n";
    text += "\tlv2:minorVersion " + std::to_string(version.minor) + " ;\n";
    text += "\tlv2:microVersion " + std::to_string(version.micro) + " ;\n";
    text += "\trdfs:seeAlso " + uriRef(kPluginFile) + " .\n";
    for (const Lv2Preset& preset : presets) {
        text += "\n" + uriRef(presetUri(preset.name)) + "\n\ta pset:Preset ;\n";
        text += "\tlv2:appliesTo " + uriRef(kLv2PluginUri) + " ;\n";
        text += "\trdfs:seeAlso " + uriRef(kPresetsFile) + " .\n";
    }
    return text;
}

std::string pluginTurtle()
{
    std::string text = prefix("atom", LV2_ATOM_PREFIX) + prefix("bufsz", LV2_BUF_SIZE_PREFIX) +
                       prefix("doap", kDoapPrefix) + prefix("foaf", kFoafPrefix) + prefix("lv2", LV2_CORE_PREFIX) +
                       prefix("midi", LV2_MIDI_PREFIX) + prefix("opts", LV2_OPTIONS_PREFIX) +
                       prefix("rdfs", kRdfsPrefix) + prefix("units", LV2_UNITS_PREFIX) + prefix("urid", LV2_URID_PREFIX);
    text += "\n" + uriRef(kLv2PluginUri) + "\n\ta lv2:Plugin , lv2:InstrumentPlugin , doap:Project ;\n";
    text += "\tdoap:name " + turtleString(kLv2PluginName) + " ;\n";
    text += "\tdoap:maintainer [\n\t\ta foaf:Organization ;\n\t\tfoaf:name " + turtleString(kLv2Maker) + "\n\t] ;\n";
    // Any run length works, so the block-length options size nothing; a host may offer them.
    text += "\tlv2:requiredFeature urid:map ;\n";
    text += "\tlv2:optionalFeature lv2:hardRTCapable , opts:options , bufsz:boundedBlockLength ;\n";
    text += "\tlv2:port\n";
    text += streamPort("lv2:InputPort , atom:AtomPort", kMidiInputPort, kMidiInputPortInfo,
                       "\t\t\tatom:bufferType atom:Sequence ;\n\t\t\tatom:supports midi:MidiEvent ;\n"
                       "\t\t\tlv2:designation lv2:control ;\n");
    text += " ,\n" + streamPort("lv2:OutputPort , lv2:AudioPort", kLeftOutputPort, kOutputPortInfo[0], "");
    text += " ,\n" + streamPort("lv2:OutputPort , lv2:AudioPort", kRightOutputPort, kOutputPortInfo[1], "");
    for (std::int32_t parameter = 0; parameter < kNumParameters; ++parameter) {
        text += " ,\n" + controlPort(parameter);
    }
    return text + " .\n";
}

std::string presetsTurtle(const std::vector<Lv2Preset>& presets)
{
    std::string text = prefix("lv2", LV2_CORE_PREFIX) + prefix("pset", LV2_PRESETS_PREFIX) + prefix("rdfs", kRdfsPrefix);
    for (const Lv2Preset& preset : presets) {
        text += "\n" + uriRef(presetUri(preset.name)) + "\n\ta pset:Preset ;\n";
        text += "\tlv2:appliesTo " + uriRef(kLv2PluginUri) + " ;\n";
        text += "\trdfs:label " + turtleString(preset.name) + " ;\n";
        text += "\trdfs:comment " + turtleString(preset.description) + " ;\n";
        text += "\tlv2:port";
        for (std::int32_t parameter = 0; parameter < kNumParameters; ++parameter) {
            text += std::string(parameter == 0 ? "" : " ,") + "\n\t\t[\n\t\t\tlv2:symbol " +
                    turtleString(kControlPortInfo[parameter].symbol) + " ;\n\t\t\tpset:value " +
                    turtleNumber(preset.values[parameter]) + "\n\t\t]";
        }
        text += " .\n";
    }
    return text;
}

std::string presetListProblem(const std::vector<Lv2Preset>& presets)
{
    std::set<std::string> uris;
    for (const Lv2Preset& preset : presets) {
        const std::string uri = presetUri(preset.name);
        if (uri.empty()) {
            return "preset \"" + preset.name + "\": the name needs a letter or digit";
        }
        if (!uris.insert(uri).second) {
            return "preset \"" + preset.name + "\": another preset has the URI " + uri;
        }
        for (float value : preset.values) {
            if (!std::isfinite(value)) {
                return "preset \"" + preset.name + "\": a value is not finite";
            }
        }
    }
    return {};
}
