// The host's own options, taken out of the command line before the plug-in
// sees it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rkhost {

enum class Format { Text, Xml, Json };

struct Options {
    Format format = Format::Text;
    std::optional<std::string> state;    // --state=FILE
    std::optional<std::string> profile;  // --profile=FILE
    std::optional<std::string> system;   // --system=local: this machine's storage
    bool dryRun = false;
    bool help = false;
    bool version = false;
    bool complete = false;               // --complete: the words after it are to be completed
    std::vector<std::string> completeWords;
    std::vector<std::string> words;      // the command word first, then the words as typed
};

struct ParseResult {
    Options options;
    std::string error;  // non-empty: the line is wrong
    std::string word;   // the option that is wrong, as typed
};

// commandWord is "rkreport" or "rkconfig"; args are the words after it.
ParseResult parseOptions(const std::string& commandWord, const std::vector<std::string>& args);

}  // namespace rkhost
