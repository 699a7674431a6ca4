// The system description a new state is seeded from: an XML file (or the
// embedded default) read with libxml2 into a tree of kinds and attributes.
// Every error names the source, the line and what was expected.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "vocabulary.h"

namespace kwda {

struct ProfileNode {
    Kind kind;
    int line = 0;
    // Stated attributes in document order; choice values in canonical spelling.
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<ProfileNode> children;

    const std::string* find(const std::string& name) const;
    bool has(const std::string& name) const { return find(name) != nullptr; }
};

struct Profile {
    std::string source;               // as named in messages
    std::vector<ProfileNode> nodes;   // children of <StorageProfile>, in order
};

// Parses a profile text; throws AgentError(Unavailable) with
// "<source>:<line>: <what is wrong>" on any error.
Profile parseProfile(const std::string& text, const std::string& source);
// Reads and parses a profile file.
Profile loadProfileFile(const std::string& path);
// The embedded default system.
const char* defaultProfileText();
Profile defaultProfile();

// "<source>:<line>: <message>" as an AgentError(Unavailable).
[[noreturn]] void profileError(const std::string& source, int line, const std::string& message);

}  // namespace kwda
