// The program (.fxp) and bank (.fxb) file reader on the input as the contents of
// well-formed files and as a file's bytes, read as both kinds, for this instrument
// and for the plug-in and parameter count the file itself names. A refused file
// must leave what the reader was given as it was, with a one-line reason; a file
// that is read must hold finite values and names that fit, and write back to an
// image that reads to the same names and values, bit for bit, and writes again to
// the same bytes.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "tools/hostkit/ProgramFile.h"

namespace {

constexpr ProgramFileIdentity kInstrument{fourCharacterCode("zphr"), 1, 19};

std::int32_t bigEndianAt(const std::uint8_t* data, std::size_t size, std::size_t offset)
{
    if (offset + 4 > size) {
        return 0;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(data[offset]) << 24 |
                                     static_cast<std::uint32_t>(data[offset + 1]) << 16 |
                                     static_cast<std::uint32_t>(data[offset + 2]) << 8 | data[offset + 3]);
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

bool samePrograms(const std::vector<StoredProgram>& a, const std::vector<StoredProgram>& b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t n = 0; n < a.size(); ++n) {
        if (a[n].name != b[n].name || !sameBits(a[n].values, b[n].values)) {
            return false;
        }
    }
    return true;
}

void expectOneLineReason(const std::string& error)
{
    FUZZ_EXPECT(!error.empty() && error.find('\n') == std::string::npos, "the reason is not one line: '%s'",
                error.c_str());
}

void checkProgram(const StoredProgram& program, const ProgramFileIdentity& identity)
{
    FUZZ_EXPECT(program.values.size() == static_cast<std::size_t>(identity.numParams), "%zu values of %d read",
                program.values.size(), identity.numParams);
    for (float value : program.values) {
        FUZZ_EXPECT(std::isfinite(value), "a value that is not a number was read");
    }
    FUZZ_EXPECT(program.name.size() < kProgramNameBytes, "a name of %zu bytes was read", program.name.size());
    FUZZ_EXPECT(program.name.find('\0') == std::string::npos, "a name holding a zero byte was read");
}

void fuzzProgram(const std::uint8_t* data, std::size_t size, const ProgramFileIdentity& identity)
{
    const StoredProgram kept{"Kept", {0.25f, -0.0f}};
    StoredProgram program = kept;
    std::string error;
    if (!parseProgramFile(data, size, identity, program, error)) {
        expectOneLineReason(error);
        FUZZ_EXPECT(program.name == kept.name && sameBits(program.values, kept.values),
                    "a refused program file changed the program");
        return;
    }
    checkProgram(program, identity);
    const std::vector<std::uint8_t> image = programFileImage(identity, program);
    FUZZ_EXPECT(image.size() == size, "a program file of %zu bytes writes back as %zu", size, image.size());
    StoredProgram again;
    FUZZ_EXPECT(parseProgramFile(image.data(), image.size(), identity, again, error),
                "a program written back is refused: %s", error.c_str());
    FUZZ_EXPECT(again.name == program.name && sameBits(again.values, program.values),
                "a program written back reads as another one");
    FUZZ_EXPECT(programFileImage(identity, again) == image, "a program written twice gives other bytes");
}

void fuzzBank(const std::uint8_t* data, std::size_t size, const ProgramFileIdentity& identity)
{
    const StoredBank kept{{{"Kept", {0.25f}}}, 0};
    StoredBank bank = kept;
    std::string error;
    if (!parseBankFile(data, size, identity, bank, error)) {
        expectOneLineReason(error);
        FUZZ_EXPECT(samePrograms(bank.programs, kept.programs) && bank.currentProgram == kept.currentProgram,
                    "a refused bank file changed the bank");
        return;
    }
    FUZZ_EXPECT(!bank.programs.empty(), "a bank without programs was read");
    FUZZ_EXPECT(bank.currentProgram >= 0 && static_cast<std::size_t>(bank.currentProgram) < bank.programs.size(),
                "the bank selects program %d of %zu", bank.currentProgram, bank.programs.size());
    for (const StoredProgram& program : bank.programs) {
        checkProgram(program, identity);
    }
    const std::vector<std::uint8_t> image = bankFileImage(identity, bank.programs);
    FUZZ_EXPECT(image.size() == size, "a bank file of %zu bytes writes back as %zu", size, image.size());
    StoredBank again;
    FUZZ_EXPECT(parseBankFile(image.data(), image.size(), identity, again, error), "a bank written back is refused: %s",
                error.c_str());
    FUZZ_EXPECT(samePrograms(again.programs, bank.programs), "a bank written back reads as another one");
    FUZZ_EXPECT(bankFileImage(identity, again.programs) == image, "a bank written twice gives other bytes");
}

void putBigEndian(std::vector<std::uint8_t>& image, std::size_t offset, std::uint32_t word)
{
    for (int n = 0; n < 4; ++n) {
        image[offset + static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(word >> (24 - 8 * n));
    }
}

// The input as the contents of well-formed files of the instrument: a program's
// name and values, then a bank's version, program count, current program (mostly
// small, edges included) and its programs' names and values. Every input so
// reaches what the reader makes of a file whose framing is right.
void fuzzFramed(const std::uint8_t* data, std::size_t size)
{
    constexpr std::size_t kContentBytes = kProgramNameBytes + 4 * 19;
    FuzzInput in(data, size);
    std::vector<std::uint8_t> program = programFileImage(kInstrument, {"", std::vector<float>(19)});
    in.read(program.data() + kProgramHeaderBytes - kProgramNameBytes, kContentBytes);
    fuzzProgram(program.data(), program.size(), kInstrument);

    const std::uint8_t shape = in.byte();
    const std::size_t count = 1 + shape % 8;
    std::vector<std::uint8_t> bank =
        bankFileImage(kInstrument, std::vector<StoredProgram>(count, {"", std::vector<float>(19)}));
    putBigEndian(bank, 12, 1 + (shape >> 3) % 2);
    const std::uint8_t current = in.byte();
    putBigEndian(bank, 28, current < 200 ? static_cast<std::uint32_t>(current % 10) - 1 : in.word32());
    for (std::size_t n = 0; n < count; ++n) {
        in.read(bank.data() + kBankHeaderBytes + n * program.size() + kProgramHeaderBytes - kProgramNameBytes,
                kContentBytes);
    }
    fuzzBank(bank.data(), bank.size(), kInstrument);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzFramed(data, size);
    fuzzProgram(data, size, kInstrument);
    fuzzBank(data, size, kInstrument);
    // The plug-in and the parameter count the file names, as a reader for another
    // module meets it (the renderer takes them from the module it loaded).
    const std::int32_t fileId = bigEndianAt(data, size, 16);
    const std::int32_t programParams = bigEndianAt(data, size, 24);
    if (programParams >= 0) {
        fuzzProgram(data, size, {fileId, 1, programParams});
    }
    const std::int32_t bankParams = bigEndianAt(data, size, kBankHeaderBytes + 24);
    if (bankParams >= 0) {
        fuzzBank(data, size, {fileId, 1, bankParams});
    }
    return 0;
}
