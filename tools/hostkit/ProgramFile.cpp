#include "tools/hostkit/ProgramFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tools/hostkit/FileImage.h"

namespace {

constexpr std::int32_t kChunkMagic = fourCharacterCode("CcnK");
constexpr std::int32_t kProgramMagic = fourCharacterCode("FxCk");
constexpr std::int32_t kBankMagic = fourCharacterCode("FxBk");
constexpr std::int32_t kOpaqueProgramMagic = fourCharacterCode("FPCh");
constexpr std::int32_t kOpaqueBankMagic = fourCharacterCode("FBCh");

// Field offsets, shared by both headers up to the counts.
constexpr std::size_t kByteSizeOffset = 4;
constexpr std::size_t kFxMagicOffset = 8;
constexpr std::size_t kVersionOffset = 12;
constexpr std::size_t kFxIdOffset = 16;
constexpr std::size_t kFxVersionOffset = 20;
constexpr std::size_t kCountOffset = 24; // numParams of a program, numPrograms of a bank
constexpr std::size_t kNameOffset = 28;
constexpr std::size_t kCurrentProgramOffset = 28;

// Far more than any bank of an instrument holds; keeps every size inside 32 bits.
constexpr std::size_t kLargestFileBytes = 16 * 1024 * 1024;

void putWord(std::vector<std::uint8_t>& image, std::size_t offset, std::uint32_t word)
{
    image[offset] = static_cast<std::uint8_t>(word >> 24);
    image[offset + 1] = static_cast<std::uint8_t>(word >> 16);
    image[offset + 2] = static_cast<std::uint8_t>(word >> 8);
    image[offset + 3] = static_cast<std::uint8_t>(word);
}

std::uint32_t word(const std::uint8_t* data, std::size_t offset)
{
    return (static_cast<std::uint32_t>(data[offset]) << 24) | (static_cast<std::uint32_t>(data[offset + 1]) << 16) |
           (static_cast<std::uint32_t>(data[offset + 2]) << 8) | static_cast<std::uint32_t>(data[offset + 3]);
}

std::int32_t integer(const std::uint8_t* data, std::size_t offset)
{
    return static_cast<std::int32_t>(word(data, offset));
}

std::uint32_t floatBits(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float floatOfBits(std::uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// A four-character code as a user reads it: "FxCk" when printable, else its hexadecimal value.
std::string codeText(std::int32_t code)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<unsigned char>(static_cast<std::uint32_t>(code) >> shift);
        if (c < 0x20 || c > 0x7E) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%08X", static_cast<std::uint32_t>(code));
            return hex;
        }
        text += static_cast<char>(c);
    }
    return "\"" + text + "\"";
}

// What the kind field of a file says it holds.
std::string kindText(std::int32_t magic)
{
    switch (magic) {
    case kProgramMagic:
        return "a program file (\"FxCk\")";
    case kBankMagic:
        return "a bank file (\"FxBk\")";
    case kOpaqueProgramMagic:
    case kOpaqueBankMagic:
        return "an opaque chunk (" + codeText(magic) +
               ") that only the plug-in that wrote it reads; this instrument's files hold parameter values";
    default:
        return "of the unknown kind " + codeText(magic);
    }
}

std::size_t programBytes(std::int32_t numParams)
{
    return kProgramHeaderBytes + 4 * static_cast<std::size_t>(numParams > 0 ? numParams : 0);
}

// A zeroed image of size bytes with the header both file kinds start with.
std::vector<std::uint8_t> header(std::size_t size, std::int32_t fxMagic, std::int32_t version,
                                 const ProgramFileIdentity& identity, std::int32_t count)
{
    std::vector<std::uint8_t> image(size, 0);
    putWord(image, 0, static_cast<std::uint32_t>(kChunkMagic));
    putWord(image, kByteSizeOffset, static_cast<std::uint32_t>(size - 8));
    putWord(image, kFxMagicOffset, static_cast<std::uint32_t>(fxMagic));
    putWord(image, kVersionOffset, static_cast<std::uint32_t>(version));
    putWord(image, kFxIdOffset, static_cast<std::uint32_t>(identity.uniqueId));
    putWord(image, kFxVersionOffset, static_cast<std::uint32_t>(identity.version));
    putWord(image, kCountOffset, static_cast<std::uint32_t>(count));
    return image;
}

// Checks what both headers share: the chunk magic, the kind, the identifier and
// the stated size against the size there is. kind is "program" or "bank".
bool checkHeader(const std::uint8_t* data, std::size_t size, std::size_t headerBytes, std::int32_t fxMagic,
                 const char* kind, const ProgramFileIdentity& identity, std::string& error)
{
    if (size >= 4 && integer(data, 0) != kChunkMagic) {
        error = std::string("not a ") + kind + " file: it starts with " + codeText(integer(data, 0)) +
                ", not \"CcnK\"";
        return false;
    }
    if (size >= kFxMagicOffset + 4 && integer(data, kFxMagicOffset) != fxMagic) {
        error = std::string("not a ") + kind + " file: it is " + kindText(integer(data, kFxMagicOffset));
        return false;
    }
    if (size < headerBytes) {
        error = std::to_string(size) + " bytes, too short for a " + kind + " file (its header alone takes " +
                std::to_string(headerBytes) + ")";
        return false;
    }
    if (word(data, kByteSizeOffset) != size - 8) {
        error = "its size field says " + std::to_string(word(data, kByteSizeOffset)) + " bytes follow it, but " +
                std::to_string(size - 8) + " do";
        return false;
    }
    if (integer(data, kFxIdOffset) != identity.uniqueId) {
        error = "made for the plug-in " + codeText(integer(data, kFxIdOffset)) + ", not " + codeText(identity.uniqueId);
        return false;
    }
    return true;
}

// The program record at data (size bytes up to the end of the image): header and values.
bool parseProgramRecord(const std::uint8_t* data, std::size_t size, const ProgramFileIdentity& identity,
                        StoredProgram& program, std::string& error)
{
    if (!checkHeader(data, size, kProgramHeaderBytes, kProgramMagic, "program", identity, error)) {
        return false;
    }
    const std::int32_t numParams = integer(data, kCountOffset);
    if (numParams != identity.numParams) {
        error = "holds " + std::to_string(numParams) + " parameters; the instrument has " +
                std::to_string(identity.numParams);
        return false;
    }
    if (size != programBytes(numParams)) {
        error = std::to_string(size) + " bytes; a program of " + std::to_string(numParams) + " parameters takes " +
                std::to_string(programBytes(numParams));
        return false;
    }
    StoredProgram read;
    const char* name = reinterpret_cast<const char*>(data + kNameOffset);
    // The name ends at its terminator or after 27 bytes, as it is written: a name
    // filling the field reads as what writing it back keeps.
    read.name.assign(name, strnlen(name, kProgramNameBytes - 1));
    for (std::int32_t index = 0; index < numParams; ++index) {
        const float value = floatOfBits(word(data, kProgramHeaderBytes + 4 * static_cast<std::size_t>(index)));
        if (!std::isfinite(value)) {
            error = "the value of parameter " + std::to_string(index) + " is not a number";
            return false;
        }
        read.values.push_back(value);
    }
    program = std::move(read);
    return true;
}

// Reads the file at path and parses it; the reason starts with the path.
template <typename Stored>
bool loadFile(const std::string& path, const char* what, const ProgramFileIdentity& identity, Stored& stored,
              bool (*parse)(const std::uint8_t*, std::size_t, const ProgramFileIdentity&, Stored&, std::string&),
              std::string& error)
{
    std::vector<std::uint8_t> image;
    if (!readFileImage(path, kLargestFileBytes, what, image, error)) {
        return false;
    }
    if (!parse(image.data(), image.size(), identity, stored, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

} // namespace

std::vector<std::uint8_t> programFileImage(const ProgramFileIdentity& identity, const StoredProgram& program)
{
    const std::int32_t numParams = std::max(identity.numParams, 0);
    std::vector<std::uint8_t> image = header(programBytes(numParams), kProgramMagic, 1, identity, numParams);
    std::memcpy(image.data() + kNameOffset, program.name.data(), std::min(program.name.size(), kProgramNameBytes - 1));
    for (std::size_t index = 0; index < static_cast<std::size_t>(numParams) && index < program.values.size(); ++index) {
        putWord(image, kProgramHeaderBytes + 4 * index, floatBits(program.values[index]));
    }
    return image;
}

std::vector<std::uint8_t> bankFileImage(const ProgramFileIdentity& identity, const std::vector<StoredProgram>& programs)
{
    const std::size_t recordBytes = programBytes(identity.numParams);
    std::vector<std::uint8_t> image = header(kBankHeaderBytes + recordBytes * programs.size(), kBankMagic, 1, identity,
                                             static_cast<std::int32_t>(programs.size()));
    for (std::size_t n = 0; n < programs.size(); ++n) {
        const std::vector<std::uint8_t> record = programFileImage(identity, programs[n]);
        std::memcpy(image.data() + kBankHeaderBytes + n * recordBytes, record.data(), record.size());
    }
    return image;
}

bool parseProgramFile(const std::uint8_t* data, std::size_t size, const ProgramFileIdentity& identity,
                      StoredProgram& program, std::string& error)
{
    return parseProgramRecord(data, size, identity, program, error);
}

bool parseBankFile(const std::uint8_t* data, std::size_t size, const ProgramFileIdentity& identity, StoredBank& bank,
                   std::string& error)
{
    if (!checkHeader(data, size, kBankHeaderBytes, kBankMagic, "bank", identity, error)) {
        return false;
    }
    const std::int32_t version = integer(data, kVersionOffset);
    if (version != 1 && version != 2) {
        error = "a bank of version " + std::to_string(version) + "; versions 1 and 2 are known";
        return false;
    }
    const std::int32_t numPrograms = integer(data, kCountOffset);
    if (numPrograms <= 0) {
        error = "holds " + std::to_string(numPrograms) + " programs";
        return false;
    }
    // Each record must be a whole program file of the instrument's size.
    const std::size_t recordBytes = programBytes(identity.numParams);
    const std::size_t available = size - kBankHeaderBytes;
    const std::uint64_t needed = std::uint64_t{kBankHeaderBytes} + std::uint64_t{recordBytes} * std::uint64_t(numPrograms);
    if (available / recordBytes != static_cast<std::size_t>(numPrograms) || available % recordBytes != 0) {
        error = std::to_string(size) + " bytes; a bank of " + std::to_string(numPrograms) + " programs of " +
                std::to_string(identity.numParams) + " parameters takes " +
                std::to_string(needed);
        return false;
    }
    StoredBank read;
    read.programs.resize(static_cast<std::size_t>(numPrograms));
    for (std::size_t n = 0; n < read.programs.size(); ++n) {
        if (!parseProgramRecord(data + kBankHeaderBytes + n * recordBytes, recordBytes, identity, read.programs[n],
                                error)) {
            error = "program " + std::to_string(n) + " of the bank: " + error;
            return false;
        }
    }
    const std::int32_t current = version == 2 ? integer(data, kCurrentProgramOffset) : 0;
    read.currentProgram = current >= 0 && current < numPrograms ? current : 0;
    bank = std::move(read);
    return true;
}

bool loadProgramFile(const std::string& path, const ProgramFileIdentity& identity, StoredProgram& program,
                     std::string& error)
{
    return loadFile(path, "a program file", identity, program, parseProgramFile, error);
}

bool loadBankFile(const std::string& path, const ProgramFileIdentity& identity, StoredBank& bank, std::string& error)
{
    return loadFile(path, "a bank file", identity, bank, parseBankFile, error);
}

bool saveProgramFileImage(const std::string& path, const std::vector<std::uint8_t>& image, std::string& error)
{
    const std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot write " + temporary + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(image.data(), 1, image.size(), file) == image.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path;
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
