// One stored object of the model. Identity and placement are columns (so
// queries by controller, parent or identifier use indexes); everything else
// the object carries lives in attrs.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "vocabulary.h"

namespace kwda {

// Attribute values by name: stated ones, identifiers fixed when the state
// was seeded, and the model's own working values (names starting with "_",
// never answered).
using Attributes = std::map<std::string, std::string>;

struct Object {
    int64_t id = 0;         // row id
    Kind kind = Kind::StorageObject;
    int64_t parent = 0;     // parent row id, 0 at the top
    int64_t ctrl = 0;       // owning controller's row id (its own id for a controller), 0 when none
    int64_t conn = -1;      // connector position for connectors and what they hold
    int64_t encl = 0;       // enclosure row id for what an enclosure holds
    int64_t ord = 0;        // document order
    int64_t cord = 0;       // document order of the owning controller (or own)
    std::string key;        // identifier within (ctrl, kind): see identifiers.h
    std::string key2;       // disks: "channel:target" (connector form)
    std::string objid;
    std::string state;      // live state of disks and virtual disks
    Attributes attrs;

    const std::string* find(const std::string& name) const {
        auto it = attrs.find(name);
        return it == attrs.end() ? nullptr : &it->second;
    }
    std::string get(const std::string& name, const std::string& fallback = "") const {
        auto value = find(name);
        return value ? *value : fallback;
    }
    bool has(const std::string& name) const { return attrs.count(name) != 0; }
    // A stated number, or nullopt when absent or not a number.
    std::optional<long long> number(const std::string& name) const;
};

std::string encodeAttributes(const Attributes& attrs);
Attributes decodeAttributes(const std::string& text);

}  // namespace kwda
