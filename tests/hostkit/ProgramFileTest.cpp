// Program and bank files: the bytes written where the interface puts them, read
// back unchanged, and every kind of malformed or foreign file refused with a reason.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "ScratchDirectory.h"
#include "tools/hostkit/ProgramFile.h"

namespace {

const ProgramFileIdentity kIdentity{fourCharacterCode("zphr"), 1, 3};

std::uint32_t bigEndianWord(const std::vector<std::uint8_t>& image, std::size_t offset)
{
    return (std::uint32_t{image[offset]} << 24) | (std::uint32_t{image[offset + 1]} << 16) |
           (std::uint32_t{image[offset + 2]} << 8) | std::uint32_t{image[offset + 3]};
}

void putBigEndianWord(std::vector<std::uint8_t>& image, std::size_t offset, std::uint32_t word)
{
    for (int n = 0; n < 4; ++n) {
        image[offset + n] = static_cast<std::uint8_t>(word >> (24 - 8 * n));
    }
}

std::string text(const std::vector<std::uint8_t>& image, std::size_t offset, std::size_t length)
{
    return std::string(reinterpret_cast<const char*>(image.data() + offset), length);
}

// The fields both headers share: chunk magic, size, kind, version 1, identifier, version, count.
void expectHeader(const std::vector<std::uint8_t>& image, const char* kind, std::uint32_t count)
{
    EXPECT_EQ(text(image, 0, 4), "CcnK");
    EXPECT_EQ(bigEndianWord(image, 4), image.size() - 8);
    EXPECT_EQ(text(image, 8, 4), kind);
    EXPECT_EQ(bigEndianWord(image, 12), 1u);
    EXPECT_EQ(text(image, 16, 4), "zphr");
    EXPECT_EQ(bigEndianWord(image, 20), 1u);
    EXPECT_EQ(bigEndianWord(image, 24), count);
}

TEST(ProgramFile, ProgramFileHasTheInterfacesLayout)
{
    const std::vector<std::uint8_t> image = programFileImage(kIdentity, {"Twang", {0.25f, 1.0f, -0.5f}});
    ASSERT_EQ(image.size(), 56u + 4 * 3);
    expectHeader(image, "FxCk", 3);
    EXPECT_EQ(text(image, 28, 28), std::string("Twang") + std::string(23, '\0'));
    EXPECT_EQ(bigEndianWord(image, 56), 0x3E800000u);
    EXPECT_EQ(bigEndianWord(image, 60), 0x3F800000u);
    EXPECT_EQ(bigEndianWord(image, 64), 0xBF000000u);
}

TEST(ProgramFile, BankHoldsWholeProgramFilesAfterItsHeader)
{
    const std::vector<StoredProgram> programs = {{"One", {0.1f, 0.2f, 0.3f}}, {"Two", {0.4f, 0.5f, 0.6f}}};
    const std::vector<std::uint8_t> image = bankFileImage(kIdentity, programs);
    ASSERT_EQ(image.size(), 156u + 2 * 68);
    expectHeader(image, "FxBk", 2);
    EXPECT_EQ(text(image, 28, 128), std::string(128, '\0'));
    for (std::size_t n = 0; n < programs.size(); ++n) {
        const std::vector<std::uint8_t> record = programFileImage(kIdentity, programs[n]);
        EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 156 + 68 * n, image.begin() + 156 + 68 * (n + 1)), record)
            << "program " << n;
    }
}

TEST(ProgramFile, ReadsBackWhatItWrites)
{
    const StoredProgram longName{"A name far longer than any program holds", {0.0f, 1.0f, 0.123456789f}};
    StoredProgram program;
    std::string error;
    const std::vector<std::uint8_t> image = programFileImage(kIdentity, longName);
    ASSERT_TRUE(parseProgramFile(image.data(), image.size(), kIdentity, program, error)) << error;
    EXPECT_EQ(program.name, longName.name.substr(0, 27));
    EXPECT_EQ(program.values, longName.values);

    // A name filling all 28 bytes of its field, without a terminator, reads as the
    // 27 bytes that writing it back keeps.
    std::vector<std::uint8_t> fullName = programFileImage(kIdentity, longName);
    std::memset(fullName.data() + 28, 'N', 28);
    ASSERT_TRUE(parseProgramFile(fullName.data(), fullName.size(), kIdentity, program, error)) << error;
    EXPECT_EQ(program.name, std::string(27, 'N'));
    EXPECT_EQ(programFileImage(kIdentity, program), programFileImage(kIdentity, {std::string(27, 'N'), longName.values}));

    // A version 2 bank names its current program at offset 28; one out of range selects program 0.
    std::vector<std::uint8_t> bankImage = bankFileImage(kIdentity, {{"One", {0.1f, 0.2f, 0.3f}}, longName});
    StoredBank bank;
    ASSERT_TRUE(parseBankFile(bankImage.data(), bankImage.size(), kIdentity, bank, error)) << error;
    ASSERT_EQ(bank.programs.size(), 2u);
    EXPECT_EQ(bank.programs[0].name, "One");
    EXPECT_EQ(bank.programs[1].values, longName.values);
    EXPECT_EQ(bank.currentProgram, 0);
    putBigEndianWord(bankImage, 12, 2);
    for (const auto& [current, expected] : {std::pair<std::uint32_t, std::int32_t>{1, 1}, {2, 0}, {0xFFFFFFFF, 0}}) {
        putBigEndianWord(bankImage, 28, current);
        ASSERT_TRUE(parseBankFile(bankImage.data(), bankImage.size(), kIdentity, bank, error)) << error;
        EXPECT_EQ(bank.currentProgram, expected) << current;
    }
}

TEST(ProgramFile, RefusesMalformedAndForeignFiles)
{
    using Change = std::function<void(std::vector<std::uint8_t>&)>;
    struct Case {
        const char* what;
        bool bank;
        Change change;
        const char* reason;
    };
    const auto setWord = [](std::size_t offset, std::uint32_t word) {
        return [=](std::vector<std::uint8_t>& image) { putBigEndianWord(image, offset, word); };
    };
    const auto setCode = [](std::size_t offset, const char (&code)[5]) {
        const std::uint32_t word = static_cast<std::uint32_t>(fourCharacterCode(code));
        return [=](std::vector<std::uint8_t>& image) { putBigEndianWord(image, offset, word); };
    };
    const auto cutTo = [](std::size_t size) { return [=](std::vector<std::uint8_t>& image) { image.resize(size); }; };
    const Case cases[] = {
        {"a MIDI file", false, setCode(0, "MThd"), "not a program file: it starts with \"MThd\", not \"CcnK\""},
        {"little-endian magic", false, setCode(0, "KncC"), "it starts with \"KncC\""},
        {"opaque program", false, setCode(8, "FPCh"), "an opaque chunk (\"FPCh\")"},
        {"a bank as a program", false, setCode(8, "FxBk"), "not a program file: it is a bank file"},
        {"unknown kind", false, setWord(8, 0x01020304), "the unknown kind 0x01020304"},
        {"another plug-in", false, setCode(16, "abcd"), "made for the plug-in \"abcd\", not \"zphr\""},
        {"more parameters", false, setWord(24, 4), "holds 4 parameters; the instrument has 3"},
        {"negative count", false, setWord(24, 0xFFFFFFFF), "holds -1 parameters"},
        {"size field", false, setWord(4, 1000), "its size field says 1000 bytes follow it, but 60 do"},
        {"empty file", false, cutTo(0), "0 bytes, too short for a program file"},
        {"short header", false, cutTo(40), "40 bytes, too short for a program file"},
        {"a value missing",
         false,
         [](std::vector<std::uint8_t>& image) {
             image.resize(image.size() - 4);
             putBigEndianWord(image, 4, static_cast<std::uint32_t>(image.size() - 8));
         },
         "64 bytes; a program of 3 parameters takes 68"},
        {"not a number", false, setWord(60, 0x7FC00000), "the value of parameter 1 is not a number"},
        {"opaque bank", true, setCode(8, "FBCh"), "not a bank file: it is an opaque chunk (\"FBCh\")"},
        {"a program as a bank", true, setCode(8, "FxCk"), "not a bank file: it is a program file"},
        {"bank version", true, setWord(12, 3), "a bank of version 3"},
        {"no programs", true,
         [](std::vector<std::uint8_t>& image) {
             image.resize(156);
             putBigEndianWord(image, 4, 148);
             putBigEndianWord(image, 24, 0);
         },
         "holds 0 programs"},
        {"program count beyond the file", true, setWord(24, 3), "292 bytes; a bank of 3 programs of 3 parameters takes 360"},
        {"huge program count", true, setWord(24, 0x7FFFFFFF), "a bank of 2147483647 programs"},
        {"bank for another plug-in", true, setCode(16, "abcd"), "made for the plug-in \"abcd\""},
        {"short bank", true, cutTo(100), "100 bytes, too short for a bank file"},
        {"a program record for another plug-in", true, setCode(156 + 68 + 16, "abcd"),
         "program 1 of the bank: made for the plug-in \"abcd\""},
        {"a record's size field", true, setWord(156 + 4, 5), "program 0 of the bank: its size field says 5"},
        {"a record's parameter count", true, setWord(156 + 24, 2), "program 0 of the bank: holds 2 parameters"},
    };
    const StoredProgram kept{"Kept", {0.5f, 0.5f, 0.5f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> image =
            c.bank ? bankFileImage(kIdentity, {{"One", {0.1f, 0.2f, 0.3f}}, {"Two", {0.4f, 0.5f, 0.6f}}})
                   : programFileImage(kIdentity, {"One", {0.1f, 0.2f, 0.3f}});
        c.change(image);
        std::string error;
        if (c.bank) {
            StoredBank bank{{kept}, 0};
            EXPECT_FALSE(parseBankFile(image.data(), image.size(), kIdentity, bank, error));
            EXPECT_EQ(bank.programs.size(), 1u) << "the bank is left as it was";
        } else {
            StoredProgram program = kept;
            EXPECT_FALSE(parseProgramFile(image.data(), image.size(), kIdentity, program, error));
            EXPECT_EQ(program.name, "Kept") << "the program is left as it was";
        }
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

TEST(ProgramFile, FilesAreReadAndWrittenByPath)
{
    ScratchDirectory directory;
    const std::string path = directory.file("sound.fxp");
    std::string error;
    const StoredProgram written{"Sound", {0.1f, 0.2f, 0.3f}};
    ASSERT_TRUE(saveProgramFileImage(path, programFileImage(kIdentity, written), error)) << error;
    EXPECT_EQ(directory.names(), std::vector<std::string>{"sound.fxp"}) << "no temporary file is left";
    StoredProgram read;
    ASSERT_TRUE(loadProgramFile(path, kIdentity, read, error)) << error;
    EXPECT_EQ(read.values, written.values);

    StoredBank bank;
    EXPECT_FALSE(loadBankFile(path, kIdentity, bank, error));
    EXPECT_EQ(error.rfind(path + ": not a bank file", 0), 0u) << error;
    EXPECT_FALSE(loadProgramFile(directory.file("missing.fxp"), kIdentity, read, error));
    EXPECT_EQ(error, "cannot open " + directory.file("missing.fxp") + ": No such file or directory");
    EXPECT_FALSE(saveProgramFileImage(directory.file("no/such/folder.fxp"), {1, 2, 3}, error));
    EXPECT_EQ(directory.names(), std::vector<std::string>{"sound.fxp"});
}

} // namespace
