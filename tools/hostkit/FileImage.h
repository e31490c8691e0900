// Reads a whole file into memory for the parsers of the host kit, refusing files
// too large to be what the caller expects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads the file at path into image. Answers false with a one-line reason that
// names the path: it cannot be opened or read, or it is larger than largestBytes
// (then the reason says it is too large for `what`, such as "a MIDI file").
bool readFileImage(const std::string& path, std::size_t largestBytes, const char* what, std::vector<std::uint8_t>& image,
                   std::string& error);
