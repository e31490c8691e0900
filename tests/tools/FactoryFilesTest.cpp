// The factory sounds as the build writes them for VST 2.x hosts and as the
// renderer plays them: every file holds the table's values for the module's
// identity, byte for byte where the interface puts them, and a program loaded
// from a file or by name sounds exactly like the same values given one by one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "AudioContents.h"
#include "ScratchDirectory.h"
#include "ToolProcess.h"
#include "presets/FactorySounds.h"
#include "tools/hostkit/ModuleLoader.h"
#include "tools/hostkit/OfflineHost.h"
#include "tools/hostkit/ProgramFile.h"

namespace {

const std::string kFactoryDir = ZEPHYRANT_FACTORY_DIR;
const std::string kBankPath = kFactoryDir + "/Zephyrant Factory.fxb";

// What the module tells a host about itself, and its first program's values.
struct ModuleFacts {
    ProgramFileIdentity identity;
    std::int32_t numPrograms = 0;
    std::vector<float> basicValues;
    std::vector<std::string> parameterNames;
};

ModuleFacts moduleFacts()
{
    ModuleFacts facts;
    ModuleLoader loader;
    std::string error;
    EXPECT_TRUE(loader.load(ZEPHYRANT_MODULE_PATH, error)) << error;
    OfflineHost host(HostSettings{});
    EXPECT_TRUE(host.open([&loader](HostCallback audioMaster, std::string& reason) {
        return loader.createInstance(audioMaster, reason);
    }, error)) << error;
    if (host.effect() != nullptr) {
        const AEffect& effect = *host.effect();
        facts.identity = {effect.uniqueID, effect.version, effect.numParams};
        facts.numPrograms = effect.numPrograms;
        for (std::int32_t index = 0; index < effect.numParams; ++index) {
            facts.basicValues.push_back(host.instance().getParameter(index));
        }
        facts.parameterNames = host.parameterNames();
    }
    return facts;
}

std::vector<std::uint8_t> fileBytes(const std::string& path)
{
    const std::string text = slurp(path);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::uint32_t bigEndianWord(const std::vector<std::uint8_t>& image, std::size_t offset)
{
    return (std::uint32_t{image[offset]} << 24) | (std::uint32_t{image[offset + 1]} << 16) |
           (std::uint32_t{image[offset + 2]} << 8) | std::uint32_t{image[offset + 3]};
}

std::uint32_t bitsOf(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The program record at offset, read byte by byte against the interface's layout.
void expectProgramRecord(const std::vector<std::uint8_t>& image, std::size_t offset, const ModuleFacts& module,
                         const std::string& name, const float* values)
{
    const std::size_t size = 56 + 4 * static_cast<std::size_t>(module.identity.numParams);
    ASSERT_GE(image.size(), offset + size);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[offset]), 4), "CcnK");
    EXPECT_EQ(bigEndianWord(image, offset + 4), size - 8);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[offset + 8]), 4), "FxCk");
    EXPECT_EQ(bigEndianWord(image, offset + 12), 1u);
    EXPECT_EQ(bigEndianWord(image, offset + 16), static_cast<std::uint32_t>(module.identity.uniqueId));
    EXPECT_EQ(bigEndianWord(image, offset + 20), static_cast<std::uint32_t>(module.identity.version));
    EXPECT_EQ(bigEndianWord(image, offset + 24), static_cast<std::uint32_t>(module.identity.numParams));
    std::string padded = name;
    padded.resize(28, '\0');
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[offset + 28]), 28), padded);
    for (std::int32_t index = 0; index < module.identity.numParams; ++index) {
        EXPECT_EQ(bigEndianWord(image, offset + 56 + 4 * index), bitsOf(values[index])) << name << " parameter " << index;
    }
}

TEST(FactoryFiles, EachSoundHasAProgramFileWithTheTablesValues)
{
    const ModuleFacts module = moduleFacts();
    ASSERT_EQ(module.identity.numParams, kNumParameters);
    std::vector<std::string> expected{"Zephyrant Factory.fxb"};
    for (std::size_t n = 0; n < kFactorySoundCount; ++n) {
        const FactorySound& sound = kFactorySounds[n];
        SCOPED_TRACE(sound.name);
        const std::string path = kFactoryDir + "/" + sound.name + ".fxp";
        expected.push_back(std::string(sound.name) + ".fxp");
        const std::vector<std::uint8_t> image = fileBytes(path);
        EXPECT_EQ(image.size(), 132u);
        expectProgramRecord(image, 0, module, sound.name, sound.values);

        StoredProgram program;
        std::string error;
        ASSERT_TRUE(loadProgramFile(path, module.identity, program, error)) << error;
        EXPECT_EQ(program.name, sound.name);
        EXPECT_EQ(program.values, std::vector<float>(sound.values, sound.values + kNumParameters));
    }
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(kFactoryDir)) {
        found.push_back(entry.path().filename().string());
    }
    std::sort(expected.begin(), expected.end());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, expected) << "one program file per sound and the bank, nothing else";
}

TEST(FactoryFiles, BankFillsEveryProgramOfTheModuleSoundsFirstThenBasic)
{
    const ModuleFacts module = moduleFacts();
    const std::vector<std::uint8_t> image = fileBytes(kBankPath);
    const std::size_t record = 56 + 4 * static_cast<std::size_t>(module.identity.numParams);
    ASSERT_EQ(image.size(), 156 + record * static_cast<std::size_t>(module.numPrograms));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[0]), 4), "CcnK");
    EXPECT_EQ(bigEndianWord(image, 4), image.size() - 8);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[8]), 4), "FxBk");
    EXPECT_EQ(bigEndianWord(image, 12), 1u);
    EXPECT_EQ(bigEndianWord(image, 16), static_cast<std::uint32_t>(module.identity.uniqueId));
    EXPECT_EQ(bigEndianWord(image, 20), static_cast<std::uint32_t>(module.identity.version));
    EXPECT_EQ(bigEndianWord(image, 24), static_cast<std::uint32_t>(module.numPrograms));
    EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 28, image.begin() + 156), std::vector<std::uint8_t>(128, 0));
    for (std::size_t n = 0; n < static_cast<std::size_t>(module.numPrograms); ++n) {
        SCOPED_TRACE("program " + std::to_string(n));
        if (n < kFactorySoundCount) {
            expectProgramRecord(image, 156 + n * record, module, kFactorySounds[n].name, kFactorySounds[n].values);
        } else {
            expectProgramRecord(image, 156 + n * record, module, "Basic", module.basicValues.data());
        }
    }
}

// Renders the reference phrase through zephyrant-render with the arguments, at half the
// usual rate to keep the suite quick; the samples, empty on failure.
std::vector<float> renderPhrase(const ScratchDirectory& directory, const std::string& arguments)
{
    const std::string output = directory.file("render.wav");
    std::remove(output.c_str());
    const ToolRun run = runCommand(::quoted(ZEPHYRANT_RENDER_PATH) + " -m " + ::quoted(ZEPHYRANT_MODULE_PATH) + " " +
                                   ::quoted(ZEPHYRANT_REFERENCE_PHRASE) + " -r 22050 -t 0 -q -o " + ::quoted(output) + " " +
                                   arguments);
    EXPECT_EQ(run.status, 0) << arguments << ": " << run.errors;
    AudioContents contents;
    return run.status == 0 && readAudio(output, contents) ? contents.samples : std::vector<float>{};
}

std::string parameterArguments(const ModuleFacts& module, const float* values, std::int32_t changedIndex = -1,
                               float changedValue = 0.0f)
{
    std::string arguments;
    for (std::int32_t index = 0; index < module.identity.numParams; ++index) {
        char value[32];
        std::snprintf(value, sizeof value, "%.9g", static_cast<double>(index == changedIndex ? changedValue : values[index]));
        arguments += " --param " + ::quoted(module.parameterNames[static_cast<std::size_t>(index)] + "=" + value);
    }
    return arguments;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && !a.empty() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

TEST(FactoryFiles, APresetFromAnywhereSoundsLikeItsValuesSetOneByOne)
{
    const ModuleFacts module = moduleFacts();
    ScratchDirectory directory;
    // Two sounds far apart in the table and in sound; the bank's program numbers follow the table.
    for (const std::size_t n : {std::size_t{3}, kFactorySoundCount - 1}) {
        const FactorySound& sound = kFactorySounds[n];
        SCOPED_TRACE(sound.name);
        const std::vector<float> bySettings = renderPhrase(directory, parameterArguments(module, sound.values));
        std::string shouted = sound.name;
        for (char& c : shouted) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        EXPECT_TRUE(sameBits(renderPhrase(directory, "--preset " + ::quoted(shouted)), bySettings));
        EXPECT_TRUE(sameBits(renderPhrase(directory, "--preset-file " +
                                                         ::quoted(kFactoryDir + "/" + sound.name + ".fxp")),
                             bySettings));
        EXPECT_TRUE(sameBits(renderPhrase(directory, "--bank-file " + ::quoted(kBankPath) + " --program " +
                                                         std::to_string(n)),
                             bySettings));
        // --param changes the preset's values after it is loaded.
        EXPECT_TRUE(sameBits(renderPhrase(directory, "--preset " + ::quoted(sound.name) + " --param Volume=0.25"),
                             renderPhrase(directory, parameterArguments(module, sound.values, kVolume, 0.25f))));
    }
    // Without --program the bank plays the program it selects, its first.
    EXPECT_TRUE(sameBits(renderPhrase(directory, "--bank-file " + ::quoted(kBankPath)),
                         renderPhrase(directory, "--preset " + ::quoted(kFactorySounds[0].name))));
}

TEST(FactoryFiles, RendererListsTheSoundsOneALine)
{
    const ToolRun run = runCommand(::quoted(ZEPHYRANT_RENDER_PATH) + " --list-presets");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors, "");
    std::string expected;
    for (std::size_t n = 0; n < kFactorySoundCount; ++n) {
        expected += std::string(kFactorySounds[n].name) + "\t" + kFactorySounds[n].description + "\n";
    }
    EXPECT_EQ(run.output, expected);
}

// The image with the bytes of text written at offset.
std::vector<std::uint8_t> withBytes(std::vector<std::uint8_t> image, std::size_t offset, const std::string& text)
{
    for (std::size_t n = 0; n < text.size(); ++n) {
        image.at(offset + n) = static_cast<std::uint8_t>(text[n]);
    }
    return image;
}

TEST(FactoryFiles, RendererRefusesFilesItCannotUseOnOneLine)
{
    ScratchDirectory directory;
    const std::string soundFile = kFactoryDir + "/" + kFactorySounds[0].name + ".fxp";
    const std::vector<std::uint8_t> program = fileBytes(soundFile);
    ASSERT_EQ(program.size(), 132u);
    const auto write = [&directory](const std::string& name, std::vector<std::uint8_t> bytes) {
        std::ofstream(directory.file(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return ::quoted(directory.file(name));
    };
    const std::vector<std::uint8_t> foreign = withBytes(program, 16, "abcd");
    const std::vector<std::uint8_t> opaque = withBytes(program, 8, "FPCh");
    const std::vector<std::uint8_t> loud = withBytes(program, 56 + 4 * kVolume, "\x40"); // 2.0 and more
    struct Case {
        std::string arguments;
        std::string reason;
    };
    const Case cases[] = {
        {"--preset 'No Such Sound'", "unknown preset 'No Such Sound'; --list-presets lists the factory sounds"},
        {"--preset ''", "--preset: an empty name names no preset"},
        {"--bank-file ''", "--bank-file: an empty name names no preset"},
        {"--preset-file " + write("foreign.fxp", foreign), "made for the plug-in \"abcd\", not \"zphr\""},
        {"--preset-file " + write("opaque.fxp", opaque), "not a program file: it is an opaque chunk (\"FPCh\")"},
        {"--preset-file " + write("short.fxp", {program.begin(), program.begin() + 100}),
         "its size field says 124 bytes follow it, but 92 do"},
        {"--preset-file " + write("loud.fxp", loud), "Volume is "},
        {"--preset-file " + ::quoted(directory.file("missing.fxp")), "cannot open "},
        {"--preset-file " + ::quoted(kBankPath), "not a program file: it is a bank file"},
        {"--bank-file " + ::quoted(soundFile), "not a bank file: it is a program file"},
        {"--bank-file " + ::quoted(kBankPath) + " --program 128", "the bank has programs 0 to 127, not 128"},
    };
    const std::string output = directory.file("kept.wav");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        std::ofstream(output) << "earlier take";
        const ToolRun run = runCommand(::quoted(ZEPHYRANT_RENDER_PATH) + " -m " + ::quoted(ZEPHYRANT_MODULE_PATH) +
                                       " -t 0 -o " + ::quoted(output) + " " + c.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.output, "");
        EXPECT_EQ(run.errors.rfind("zephyrant-render: ", 0), 0u) << run.errors;
        EXPECT_NE(run.errors.find(c.reason), std::string::npos) << run.errors;
        EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
        EXPECT_EQ(slurp(output), "earlier take") << "the output is left as it was";
    }
}

} // namespace
