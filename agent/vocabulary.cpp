#include "vocabulary.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "request.h"

namespace kwda {

namespace {

constexpr const char* kGeneralStates[] = {"Ready", "Degraded", "Warning", "Critical", "Failed", "Missing",
                                          "Charging", nullptr};
constexpr const char* kDiskStates[] = {"Ready", "Online", "Offline", "Failed", "Foreign", "Removed", "Missing",
                                       "Rebuilding", nullptr};
constexpr const char* kVirtualDiskStates[] = {"Ready", "Degraded", "Failed", "Foreign", nullptr};
constexpr const char* kEnabled[] = {"Enabled", "Disabled", nullptr};
constexpr const char* kPatrolStates[] = {"Active", "Stopped", nullptr};
constexpr const char* kBlink[] = {"On", "Off", nullptr};
constexpr const char* kMedia[] = {"HDD", "SSD", nullptr};
constexpr const char* kLearnStates[] = {"Idle", "Due", nullptr};

using T = ValueType;

constexpr AttributeSpec stated(const char* name, ValueType type, const char* const* choices = nullptr) {
    return AttributeSpec{name, type, true, choices};
}
constexpr AttributeSpec derived(const char* name) { return AttributeSpec{name, T::Text, false, nullptr}; }

constexpr AttributeSpec kStorageObject[] = {
    stated("ObjID", T::Id), derived("ObjType"), stated("Name", T::Text), stated("State", T::Choice, kGeneralStates),
    derived("RollupStatus"), derived("Attention"), stated("SMARTThermalShutdown", T::Choice, kEnabled),
    derived("AgentVersion"), derived("ControllerCount"),
    stated("MasterMethodMask", T::Mask), stated("CurrentMethodMask", T::Mask),
};

constexpr AttributeSpec kAlertLog[] = {stated("Path", T::Text)};

constexpr AttributeSpec kController[] = {
    stated("GlobalNo", T::Id), stated("ObjID", T::Id), derived("ObjType"), stated("Name", T::Text),
    stated("State", T::Choice, kGeneralStates), derived("RollupStatus"), derived("Attention"),
    stated("VendorID", T::Number), stated("SlotID", T::Text),
    stated("SerialNumber", T::Text), stated("FirmwareVersion", T::Text), stated("DriverVersion", T::Text),
    stated("CacheSize", T::Number), stated("RAIDLevelsMask", T::Mask), stated("StripeSizesMask", T::Mask),
    stated("ReadPolicyMask", T::Mask), stated("WritePolicyMask", T::Mask), stated("CachePolicyMask", T::Mask),
    stated("DiskCachePolicyMask", T::Mask), stated("PatrolReadModeMask", T::Mask),
    stated("PatrolReadMode", T::Number), stated("PatrolReadState", T::Choice, kPatrolStates),
    stated("PatrolReadIterations", T::Number), stated("RebuildRate", T::Number), stated("BGIRate", T::Number),
    stated("CheckConsistencyRate", T::Number), stated("ReconstructRate", T::Number),
    stated("PatrolReadRate", T::Number), stated("MaxVDAllowed", T::Number), stated("MaxNameLength", T::Number),
    stated("AlarmState", T::Choice, kEnabled), derived("ForeignConfig"), derived("Task"), derived("TaskStart"),
    derived("Progress"), stated("MasterMethodMask", T::Mask), stated("CurrentMethodMask", T::Mask),
};

constexpr AttributeSpec kConnector[] = {
    stated("GlobalNo", T::Id), stated("Channel", T::Id), stated("ObjID", T::Id), derived("ObjType"),
    stated("Name", T::Text), stated("State", T::Choice, kGeneralStates), stated("BusProtocol", T::Number),
    stated("MasterMethodMask", T::Mask), stated("CurrentMethodMask", T::Mask),
};

constexpr AttributeSpec kEnclosure[] = {
    stated("GlobalNo", T::Id), stated("Channel", T::Id), stated("EnclosureID", T::Id), stated("ObjID", T::Id),
    derived("ObjType"), stated("Name", T::Text), stated("State", T::Choice, kGeneralStates),
    stated("BusProtocol", T::Number), stated("Vendor", T::Text), stated("ProductID", T::Text),
    stated("FirmwareVersion", T::Text), stated("ServiceTag", T::Text), stated("AssetTag", T::Text),
    stated("AssetName", T::Text), stated("MaxAssetTagLength", T::Number), stated("MaxAssetNameLength", T::Number),
    stated("SlotCount", T::Number), stated("AlarmState", T::Choice, kEnabled), stated("Blink", T::Choice, kBlink),
    stated("MasterMethodMask", T::Mask), stated("CurrentMethodMask", T::Mask),
};

constexpr AttributeSpec kPhysicalDisk[] = {
    stated("GlobalNo", T::Id), stated("Channel", T::Id), stated("EnclosureID", T::Id), stated("TargetID", T::Id),
    stated("ObjID", T::Id), derived("ObjType"), stated("Name", T::Text), stated("State", T::Choice, kDiskStates),
    stated("BusProtocol", T::Number), stated("MediaType", T::Choice, kMedia), stated("Length", T::Number),
    derived("UsedLength"), derived("FreeLength"), stated("Vendor", T::Text), stated("ProductID", T::Text),
    stated("SerialNumber", T::Text), stated("FirmwareVersion", T::Text), stated("NegotiatedSpeed", T::Text),
    stated("HotSpareFor", T::HotSpare), derived("MemberOf"), stated("Blink", T::Choice, kBlink),
    stated("InUse", T::Text), stated("AttributesMask", T::Mask),
    derived("Task"), derived("TaskStart"), derived("Progress"), stated("MasterMethodMask", T::Mask),
    stated("CurrentMethodMask", T::Mask),
};

constexpr AttributeSpec kVirtualDisk[] = {
    stated("GlobalNo", T::Id), stated("LogicalDriveNum", T::Id), stated("ObjID", T::Id), derived("ObjType"),
    stated("Name", T::Text), stated("State", T::Choice, kVirtualDiskStates), stated("Layout", T::Number),
    stated("Length", T::Number), stated("StripeSize", T::Number), stated("ReadPolicy", T::Number),
    stated("WritePolicy", T::Number), stated("CachePolicy", T::Number), stated("DiskCachePolicy", T::Number),
    stated("SpanLength", T::Number), stated("Disks", T::DiskList), stated("DeviceName", T::Text),
    stated("InUse", T::Text),
    stated("Blink", T::Choice, kBlink), stated("ParentVDID", T::Id), stated("AttributesMask", T::Mask),
    derived("Task"), derived("TaskStart"), derived("Progress"), stated("MasterMethodMask", T::Mask),
    stated("CurrentMethodMask", T::Mask),
};

constexpr AttributeSpec kBattery[] = {
    stated("GlobalNo", T::Id), stated("BatteryID", T::Id), stated("ObjID", T::Id), derived("ObjType"),
    stated("Name", T::Text), stated("State", T::Choice, kGeneralStates), stated("ChargeLevel", T::Number),
    stated("LearnState", T::Choice, kLearnStates), stated("NextLearnTime", T::Time),
    stated("MaxLearnDelay", T::Number), derived("Task"), derived("TaskStart"), derived("Progress"),
    stated("MasterMethodMask", T::Mask), stated("CurrentMethodMask", T::Mask),
};

#define KWDA_COMPONENT_HEAD                                                                              \
    stated("GlobalNo", T::Id), stated("Channel", T::Id), stated("EnclosureID", T::Id), stated("Index", T::Id), \
        stated("ObjID", T::Id), derived("ObjType"), stated("Name", T::Text),                               \
        stated("State", T::Choice, kGeneralStates)

constexpr AttributeSpec kFan[] = {KWDA_COMPONENT_HEAD, stated("Speed", T::Number)};
constexpr AttributeSpec kPowerSupply[] = {KWDA_COMPONENT_HEAD, stated("Wattage", T::Number),
                                          stated("FirmwareVersion", T::Text)};
constexpr AttributeSpec kEMM[] = {KWDA_COMPONENT_HEAD, stated("FirmwareVersion", T::Text),
                                  stated("PartNumber", T::Text)};
constexpr AttributeSpec kTemperatureProbe[] = {
    KWDA_COMPONENT_HEAD,
    stated("Reading", T::Signed),
    stated("MinFailure", T::Signed),
    stated("MinWarning", T::Signed),
    stated("MaxWarning", T::Signed),
    stated("MaxFailure", T::Signed),
    stated("LowEndMinWarning", T::Signed),
    stated("HighEndMinWarning", T::Signed),
    stated("LowEndMaxWarning", T::Signed),
    stated("HighEndMaxWarning", T::Signed),
};
#undef KWDA_COMPONENT_HEAD

struct KindInfo {
    Kind kind;
    const char* name;
    std::span<const AttributeSpec> attributes;
};

constexpr KindInfo kKinds[] = {
    {Kind::StorageObject, "StorageObject", kStorageObject},
    {Kind::AlertLog, "AlertLog", kAlertLog},
    {Kind::Controller, "Controller", kController},
    {Kind::Connector, "Connector", kConnector},
    {Kind::Enclosure, "Enclosure", kEnclosure},
    {Kind::PhysicalDisk, "PhysicalDisk", kPhysicalDisk},
    {Kind::Fan, "Fan", kFan},
    {Kind::PowerSupply, "PowerSupply", kPowerSupply},
    {Kind::EMM, "EMM", kEMM},
    {Kind::TemperatureProbe, "TemperatureProbe", kTemperatureProbe},
    {Kind::VirtualDisk, "VirtualDisk", kVirtualDisk},
    {Kind::Battery, "Battery", kBattery},
};

constexpr Kind kRootChildren[] = {Kind::StorageObject, Kind::AlertLog, Kind::Controller};
constexpr Kind kControllerChildren[] = {Kind::Connector, Kind::VirtualDisk, Kind::Battery};
constexpr Kind kConnectorChildren[] = {Kind::Enclosure, Kind::PhysicalDisk};
constexpr Kind kEnclosureChildren[] = {Kind::PhysicalDisk, Kind::Fan, Kind::PowerSupply, Kind::EMM,
                                       Kind::TemperatureProbe};

const KindInfo& infoOf(Kind kind) {
    for (const auto& info : kKinds)
        if (info.kind == kind) return info;
    return kKinds[0];
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool allDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string choiceList(const char* const* choices) {
    std::string out;
    for (const char* const* c = choices; *c; ++c) out += std::string(out.empty() ? "" : ", ") + *c;
    return out;
}

bool isIsoTime(const std::string& text) {
    int y, mo, d, h, mi, s;
    char z = 0;
    if (text.size() != 20 || std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &z) != 7)
        return false;
    return z == 'Z' && mo >= 1 && mo <= 12 && d >= 1 && d <= 31 && h <= 23 && mi <= 59 && s <= 60;
}

}  // namespace

const char* kindName(Kind kind) { return infoOf(kind).name; }

std::optional<Kind> kindFromName(std::string_view name) {
    for (const auto& info : kKinds)
        if (name == info.name) return info.kind;
    return std::nullopt;
}

std::span<const AttributeSpec> attributesOf(Kind kind) { return infoOf(kind).attributes; }

const AttributeSpec* findAttribute(Kind kind, std::string_view name) {
    for (const auto& attribute : attributesOf(kind))
        if (name == attribute.name) return &attribute;
    return nullptr;
}

std::string statableNames(Kind kind) {
    std::string out;
    for (const auto& attribute : attributesOf(kind))
        if (attribute.statable) out += std::string(out.empty() ? "" : ", ") + attribute.name;
    return out;
}

std::span<const Kind> childKindsOf(std::optional<Kind> parent) {
    if (!parent) return kRootChildren;
    switch (*parent) {
        case Kind::Controller: return kControllerChildren;
        case Kind::Connector: return kConnectorChildren;
        case Kind::Enclosure: return kEnclosureChildren;
        default: return {};
    }
}

std::string childNames(std::optional<Kind> parent) {
    std::string out;
    for (Kind kind : childKindsOf(parent)) out += std::string(out.empty() ? "" : ", ") + kindName(kind);
    return out.empty() ? "nothing" : out;
}

std::optional<std::string> canonicalChoice(const AttributeSpec& attribute, std::string_view value) {
    if (!attribute.choices) return std::nullopt;
    for (const char* const* c = attribute.choices; *c; ++c)
        if (equalsIgnoringCase(*c, value)) return std::string(*c);
    return std::nullopt;
}

std::optional<std::string> checkValue(const AttributeSpec& attribute, const std::string& value) {
    switch (attribute.type) {
        case ValueType::Text:
        case ValueType::DiskList:
            return std::nullopt;
        case ValueType::Id:
            if (!allDigits(value) || value.size() > 10) return "an identifier of at most 10 decimal digits";
            return std::nullopt;
        case ValueType::Number:
            if (!allDigits(value) || !parseInteger(value)) return "a whole number";
            return std::nullopt;
        case ValueType::Signed:
            if (!parseInteger(value)) return "a whole number (a leading minus sign is allowed)";
            return std::nullopt;
        case ValueType::Mask:
            if (value.empty() || value.find_first_not_of("01") != std::string::npos)
                return "binary digits (0 and 1), most significant first";
            return std::nullopt;
        case ValueType::Choice:
            if (!canonicalChoice(attribute, value)) return "one of " + choiceList(attribute.choices);
            return std::nullopt;
        case ValueType::Time:
            if (!isIsoTime(value)) return "a UTC time written YYYY-MM-DDTHH:MM:SSZ";
            return std::nullopt;
        case ValueType::HotSpare:
            if (!equalsIgnoringCase(value, "global") && !allDigits(value))
                return "\"global\" or the number of a virtual disk";
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace kwda
