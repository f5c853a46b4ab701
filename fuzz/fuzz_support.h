#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class Velk;

// Helpers shared by the fuzz targets: a private scratch directory per process
// and file writes without a sync, so that a target runs thousands of inputs a
// second without wearing the disk.

// The scratch directory of this process, made at the first call and removed
// when the process ends.
const std::string& fuzzScratchDir();

// Writes the bytes to the file, replacing it. Aborts when that fails: a
// harness that cannot set up its input would report nothing.
void fuzzWriteFile(const std::string& path, const uint8_t* data, std::size_t size);

// The whole content of a file; empty when it cannot be read.
std::string fuzzReadFile(const std::string& path);

// Makes every sync of FileTools a no-op that succeeds. Writes, renames and
// their failures stay real.
void fuzzSkipSyncs();

// Stops the run with a finding: a reader broke a promise it makes (for
// instance, what was written cannot be read back).
[[noreturn]] void fuzzFinding(const char* what);

// Loads a small organizer from a fixed data file (current group "Inbox"),
// writes the input to the scratch file named name and calls insert with the
// organizer and that file's path. Then checks what every insertion must keep:
// the tree is written and read back, and the journal the insertion wrote
// replays onto the old data file to the same tree.
void fuzzCheckInsertion(const uint8_t* data, std::size_t size, const char* name,
                        const std::function<void(Velk&, const std::string&)>& insert);
