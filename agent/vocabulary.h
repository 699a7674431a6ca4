// What the agent knows about each kind of object: its profile element name,
// the elements it may carry (in the order replies answer them), which of
// them a profile may state and what their values must look like, and which
// kinds may nest inside it.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kwda {

enum class Kind {
    StorageObject,
    AlertLog,
    Controller,
    Connector,
    Enclosure,
    PhysicalDisk,
    Fan,
    PowerSupply,
    EMM,
    TemperatureProbe,
    VirtualDisk,
    Battery,
};

enum class ValueType {
    Text,       // anything
    Id,         // decimal digits, compared as text
    Number,     // a whole number >= 0
    Signed,     // a whole number, may be negative
    Mask,       // binary digits, most significant first
    Choice,     // one of a fixed list (matched ignoring case, stored as listed)
    Time,       // ISO-8601 UTC, YYYY-MM-DDTHH:MM:SSZ
    HotSpare,   // "global" or a virtual disk number
    DiskList,   // disk identifiers joined by ","
};

struct AttributeSpec {
    const char* name;
    ValueType type;
    bool statable;                 // false: only the agent derives it
    const char* const* choices;    // for ValueType::Choice, null-terminated
};

const char* kindName(Kind kind);
std::optional<Kind> kindFromName(std::string_view name);

// Every element of the kind, in reply order.
std::span<const AttributeSpec> attributesOf(Kind kind);
const AttributeSpec* findAttribute(Kind kind, std::string_view name);
// The statable names, joined by ", " (for "expected one of ..." messages).
std::string statableNames(Kind kind);

// Kinds that may appear directly inside a parent (StorageObject stands for
// the document root <StorageProfile> here).
std::span<const Kind> childKindsOf(std::optional<Kind> parent);
std::string childNames(std::optional<Kind> parent);

// The canonical spelling of a choice value, or nullopt when it is not one.
std::optional<std::string> canonicalChoice(const AttributeSpec& attribute, std::string_view value);
// Checks a stated value against its type; returns a description of what was
// expected when it does not fit.
std::optional<std::string> checkValue(const AttributeSpec& attribute, const std::string& value);

// Names of states the model works with.
namespace state {
inline constexpr const char* Ready = "Ready";
inline constexpr const char* Online = "Online";
inline constexpr const char* Offline = "Offline";
inline constexpr const char* Failed = "Failed";
inline constexpr const char* Foreign = "Foreign";
inline constexpr const char* Removed = "Removed";
inline constexpr const char* Missing = "Missing";
inline constexpr const char* Rebuilding = "Rebuilding";
inline constexpr const char* Degraded = "Degraded";
}  // namespace state

}  // namespace kwda
