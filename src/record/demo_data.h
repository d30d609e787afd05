// Generates a planes.dat of our own for the demo folder and the tests: 4-byte lead-in and 30
// slot blocks of 216 bytes, with plausible figures for each aircraft and a recognisable
// pattern in every byte that the editor never touches.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "record/record_file.h"

namespace tolvane::record {

// The byte that the generator puts at a file position (counted from 1) outside every record.
std::uint8_t untouchedPattern(std::int64_t position);

// The generated record of one slot.
RecordBytes demoRecord(int slot);

// The whole generated file, kFullFileBytes long.
std::vector<std::uint8_t> demoFile();

// Writes demoFile() to a path; returns an empty string or the reason it failed.
std::string writeDemoFile(const std::filesystem::path& path);

}  // namespace tolvane::record
