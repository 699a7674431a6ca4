// Completion of a partial command line, for the shell: command words,
// object words, actions, parameter names and choice words, all learnt from
// the plug-in itself (its refusals name what would be accepted, and its
// usage text is generated from the command tables), so completion can never
// offer what the commands would refuse.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rkhost {

// What the plug-in answered to one probing line.
struct ProbeAnswer {
    uint32_t kind = 0;   // CLPS_RESP_*
    int32_t status = 0;  // 1000 or a refusal code
    std::string arg1, arg2, text;
};

// Sends a line (the command word first) to the plug-in and returns its answer.
using Probe = std::function<ProbeAnswer(const std::vector<std::string>& words)>;

// The words that may stand where the last of `typed` stands, each complete
// ("vdisk", "action=blink", "controller="), beginning with that last
// (partial) word. `typed` holds the words after the command word; its last
// element is the word being completed and may be empty.
std::vector<std::string> complete(const std::string& commandWord, const std::vector<std::string>& typed,
                                  const Probe& probe);

// What a usage text offers: parameter names and, per name, its choice words.
struct UsageOffer {
    std::vector<std::string> names;
    std::vector<std::pair<std::string, std::vector<std::string>>> choices;
};
// Reads the framework's usage text: an action list ("Actions:"), one
// action's parameter rows ("Parameters:"), or report synopsis lines.
UsageOffer readUsage(const std::string& usage);

}  // namespace rkhost
