// Program files (.fxp) and bank files (.fxb) of the VST 2.x interface in the form
// that stores parameter values, as hosts save and load them: big-endian numbers,
// four-character codes with the first character in the most significant byte,
// names zero-padded to 28 bytes. A program file is a 56-byte header and its
// values; a bank file is a 156-byte header and whole program files one after
// another. Nothing here touches a module; the caller says which instrument a
// file must be for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One program: its name (at most 27 bytes fit the file) and its parameter values.
struct StoredProgram {
    std::string name;
    std::vector<float> values;
};

// The programs of a bank, and the program it selects (0 unless a version 2 bank says otherwise).
struct StoredBank {
    std::vector<StoredProgram> programs;
    std::int32_t currentProgram = 0;
};

// What a file says it is for: the plug-in's unique identifier, its version and
// its parameter count. Readers hold a file to the identifier and the count; the
// version is written but not checked, since hosts store different numbers there.
struct ProgramFileIdentity {
    std::int32_t uniqueId = 0;
    std::int32_t version = 0;
    std::int32_t numParams = 0;
};

constexpr std::size_t kProgramNameBytes = 28;
constexpr std::size_t kProgramHeaderBytes = 56;
constexpr std::size_t kBankHeaderBytes = 156;

// The four-character code as the interface stores it: "CcnK" is 0x43636E4B.
constexpr std::int32_t fourCharacterCode(const char (&text)[5])
{
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
                                     static_cast<std::uint32_t>(static_cast<unsigned char>(text[3])));
}

// The bytes of a program file; the values are written as given (as many as the identity's count,
// zeros for missing ones) and the name is cut to 27 bytes.
std::vector<std::uint8_t> programFileImage(const ProgramFileIdentity& identity, const StoredProgram& program);

// The bytes of a version 1 bank file holding the programs in order.
std::vector<std::uint8_t> bankFileImage(const ProgramFileIdentity& identity, const std::vector<StoredProgram>& programs);

// Reads a program file image meant for the identity's plug-in. Answers false with
// a one-line reason (wrong magic, an opaque chunk, another plug-in's identifier, a
// different parameter count, a short file, a size that disagrees with the counts,
// a value that is not a number) and leaves program unchanged.
bool parseProgramFile(const std::uint8_t* data, std::size_t size, const ProgramFileIdentity& identity,
                      StoredProgram& program, std::string& error);

// The same for a bank file image, version 1 or 2; each program record is held to
// the program file's rules, and the reason names the program.
bool parseBankFile(const std::uint8_t* data, std::size_t size, const ProgramFileIdentity& identity, StoredBank& bank,
                   std::string& error);

// Reads and parses the file at path; the reason starts with the path.
bool loadProgramFile(const std::string& path, const ProgramFileIdentity& identity, StoredProgram& program,
                     std::string& error);
bool loadBankFile(const std::string& path, const ProgramFileIdentity& identity, StoredBank& bank, std::string& error);

// Writes the image to path through a temporary file beside it, renamed into place
// only when complete, so a failed write leaves what was there. Answers false with a reason.
bool saveProgramFileImage(const std::string& path, const std::vector<std::uint8_t>& image, std::string& error);
