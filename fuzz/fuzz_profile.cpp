// The agent's profile parser on arbitrary texts: it either gives a profile
// or refuses with the agent's error naming the source and the line; it never
// crashes, never throws anything else, and never leaks.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "errors.h"
#include "profile.h"

namespace {

// Every node it gives has a line within the text.
void walk(const kwda::ProfileNode& node, int lines) {
    if (node.line < 0 || node.line > lines) {
        std::fprintf(stderr, "node with line %d in a text of %d lines\n", node.line, lines);
        std::abort();
    }
    for (const auto& child : node.children) walk(child, lines);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return -1;
    const std::string text(reinterpret_cast<const char*>(data), size);
    int lines = 1;
    for (char c : text) lines += c == '\n';
    try {
        const kwda::Profile profile = kwda::parseProfile(text, "fuzz");
        for (const auto& node : profile.nodes) walk(node, lines);
    } catch (const kwda::AgentError& e) {
        if (std::string(e.what()).rfind("fuzz", 0) != 0) {
            std::fprintf(stderr, "an error that does not name its source: %s\n", e.what());
            std::abort();
        }
    }
    return 0;
}
