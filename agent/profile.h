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
    std::string hash;                 // of the text it was read from (contentHash)
    std::vector<ProfileNode> nodes;   // children of <StorageProfile>, in order
};

// Parses a profile text; throws AgentError(Unavailable) with
// "<source>:<line>: <what is wrong>" on any error.
Profile parseProfile(const std::string& text, const std::string& source);
// Reads and parses a profile file.
Profile loadProfileFile(const std::string& path);
// The text of a profile file; AgentError(Unavailable) naming it when it
// cannot be read.
std::string readProfileFile(const std::string& path);
// A short fingerprint of a profile's text (64-bit FNV-1a, 16 hex digits):
// equal texts, equal fingerprints, wherever the file lies.
std::string contentHash(const std::string& text);
// How messages name the embedded default system.
inline constexpr const char* kEmbeddedProfileSource = "embedded default profile";
// The embedded default system.
const char* defaultProfileText();
Profile defaultProfile();

// "<source>:<line>: <message>" as an AgentError(Unavailable).
[[noreturn]] void profileError(const std::string& source, int line, const std::string& message);

}  // namespace kwda
