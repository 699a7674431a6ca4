// What every fuzz target shares: a private folder for the trace log and the
// agent's state, the plug-in loaded by hand after the environment is set,
// and the check that an input left no counted object behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cmdfw32.h"

namespace rkfuzz {

// Creates the private folder (once) and points KWCLP_TRACE_DIR, KWDA_STATE
// and RKDB_PLUGIN_PATH into it and the build tree; clears KWTEST_FAIL.
const std::string& workFolder();
// The build tree's lib folder, next to this program's bin folder.
std::string libFolder();

struct Plugin {
    CLPSResponse* (*send)(int32_t, char**) = nullptr;
    void (*release)(CLPSResponse*) = nullptr;
    void* handle = nullptr;
    void* symbol(const char* name) const;
};
// libkwclp32.so, loaded once after workFolder() (its attach sets up the
// trace log from the environment).
const Plugin& plugin();

// Aborts when a counted object (block, buffer, response, DOM, list, reply)
// outlived the input: every path must release what it obtained.
void requireNothingLive(const char* after);

// Keeps the optimiser from dropping reads whose only point is to touch memory.
void keep(size_t value);

// Splits at any of the separators; empty pieces are kept out.
std::vector<std::string> split(const std::string& text, const std::string& separators);

// Runs one command line through the plug-in, reads the whole answer and
// releases it.
void runLine(const std::vector<std::string>& words);

}  // namespace rkfuzz
