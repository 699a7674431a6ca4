// Command lines through the framework and the plug-in against a scripted
// agent whose replies are the fuzzer's: every agent query and the final
// request get the next reply of the input, and once they run out the agent
// stays silent. Input: the command line (words separated by blanks), then
// the replies, each introduced by a NUL byte.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "testagent.h"

namespace {

struct Script {
    std::vector<std::string> replies;
    size_t next = 0;
};

Script& script() {
    static Script s;
    return s;
}

kwtest::TestAgent& agent() {
    static auto* a = [] {
        auto* created = new kwtest::TestAgent("kwda");
        created->otherwise([](const kwtest::Request&) -> std::optional<std::string> {
            Script& s = script();
            if (s.next >= s.replies.size()) return std::nullopt;
            return s.replies[s.next++];
        });
        return created;
    }();
    return *a;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    rkfuzz::plugin();
    agent();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 65536) return -1;
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        const size_t end = input.find('\0', start);
        pieces.push_back(input.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    const auto words = rkfuzz::split(pieces[0], " \t\n");
    if (words.empty()) return 0;
    Script& s = script();
    s.replies.assign(pieces.begin() + 1, pieces.end());
    s.next = 0;
    agent().clearRequests();
    CLPSSetDryRun(0);
    rkfuzz::runLine(words);
    return 0;
}
