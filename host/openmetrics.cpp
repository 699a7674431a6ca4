#include "openmetrics.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <map>
#include <optional>
#include <set>
#include <string_view>

#include "cmdfw32.h"
#include "json.h"

namespace rkhost {
namespace {

// How an object's identifier is formed: the identifiers users type.
enum class Id : uint8_t {
    None,        // the storage object: one per system
    Controller,  // controller="0"
    Own,         // controller="0" and the kind's label from its own element (vdisk="1")
    Enclosure,   // controller="0", enclosure="0:0"
    Disk,        // controller="0", pdisk="0:0:3" or "0:3"
    Component,   // controller="0", enclosure="0:0" and the kind's label from Index (fan="1")
};

struct KindRow {
    const char* objType;  // ObjType in the reply
    Id id;
    const char* label;    // the object's own label (Own, Component)
    const char* element;  // the element that gives it (Own)
};

// Every kind that has metrics, in the order its families are written.
constexpr KindRow kKinds[] = {
    {"StorageObject", Id::None, "", ""},
    {"Controller", Id::Controller, "controller", "GlobalNo"},
    {"Connector", Id::Own, "connector", "Channel"},
    {"Enclosure", Id::Enclosure, "enclosure", ""},
    {"PhysicalDisk", Id::Disk, "pdisk", ""},
    {"VirtualDisk", Id::Own, "vdisk", "LogicalDriveNum"},
    {"Battery", Id::Own, "battery", "BatteryID"},
    {"Fan", Id::Component, "fan", "Index"},
    {"PowerSupply", Id::Component, "psu", "Index"},
    {"EMM", Id::Component, "emm", "Index"},
    {"TemperatureProbe", Id::Component, "probe", "Index"},
};

// How a family's value is read from its element.
enum class Conv : uint8_t {
    Info,     // 1; `element` lists the labels and their elements: "name=Name serial=SerialNumber"
    State,    // one series per state (`states`, and the object's own when it is not among them): 1 or 0
    Number,   // the element as it stands
    Percent,  // whole percent, as a ratio
    Time,     // an ISO-8601 UTC time, as seconds since the epoch
    Hours,    // hours, as seconds
    Flag,     // 1 when the element is `states` (any case), else 0
    InUse,    // 1 when the element says something uses the object, 0 when it says nothing does
    Present,  // 1 whenever the element is there (its text goes to the extra label)
};

// One metric family. All are gauges: every value here can go down as well as
// up. Help texts hold neither double quotes nor backslashes, which the two
// text formats would escape differently.
struct Family {
    const char* kind;    // ObjType of the objects it describes
    const char* name;
    const char* unit;    // "" or the name's last word
    Conv conv;
    const char* element;
    const char* label;      // an extra label ("state", "task"), or ""
    const char* labelFrom;  // the element that gives it; "" for the value's own element
    const char* states;     // State: the known values, '|' between them; Flag: the value that is 1
    const char* help;
};

constexpr const char* kGeneralStates = "Ready|Degraded|Warning|Critical|Failed|Missing";
constexpr const char* kRollup = "Ok|Non-Critical|Critical";

constexpr Family kFamilies[] = {
    {"StorageObject", "rk_storage_info", "", Conv::Info, "name=Name agent_version=AgentVersion", "", "", "", "The storage system."},
    {"StorageObject", "rk_storage_state", "", Conv::State, "State", "state", "", kGeneralStates, "State of the storage system: 1 for its state, 0 for the others."},
    {"StorageObject", "rk_storage_rollup_status", "", Conv::State, "RollupStatus", "status", "", kRollup, "Worst condition of everything the storage system holds."},
    {"StorageObject", "rk_storage_controllers", "", Conv::Number, "ControllerCount", "", "", "", "Number of controllers."},

    {"Controller", "rk_controller_info", "", Conv::Info, "name=Name serial=SerialNumber firmware=FirmwareVersion driver=DriverVersion slot=SlotID", "", "", "", "A storage controller."},
    {"Controller", "rk_controller_state", "", Conv::State, "State", "state", "", kGeneralStates, "State of the controller itself: 1 for its state, 0 for the others."},
    {"Controller", "rk_controller_rollup_status", "", Conv::State, "RollupStatus", "status", "", kRollup, "Worst condition of the controller and everything it holds."},
    {"Controller", "rk_controller_cache_bytes", "bytes", Conv::Number, "CacheSize", "", "", "", "Cache memory of the controller."},
    {"Controller", "rk_controller_foreign_config", "", Conv::Flag, "ForeignConfig", "", "", "Present", "1 when disks hold a foreign configuration."},
    {"Controller", "rk_controller_patrol_read_state", "", Conv::State, "PatrolReadState", "state", "", "Active|Stopped", "Patrol read: 1 for its state, 0 for the others."},
    {"Controller", "rk_controller_task_progress_ratio", "ratio", Conv::Percent, "Progress", "task", "Task", "", "Progress of the task running on the controller."},
    {"Controller", "rk_controller_task_start_timestamp_seconds", "seconds", Conv::Time, "TaskStart", "task", "Task", "", "When the task running on the controller started."},

    {"Connector", "rk_connector_info", "", Conv::Info, "name=Name", "", "", "", "A connector (channel or port) of a controller."},
    {"Connector", "rk_connector_state", "", Conv::State, "State", "state", "", kGeneralStates, "State of the connector: 1 for its state, 0 for the others."},

    {"Enclosure", "rk_enclosure_info", "", Conv::Info, "name=Name vendor=Vendor model=ProductID firmware=FirmwareVersion service_tag=ServiceTag asset_tag=AssetTag asset_name=AssetName", "", "", "", "An enclosure."},
    {"Enclosure", "rk_enclosure_state", "", Conv::State, "State", "state", "", kGeneralStates, "State of the enclosure: 1 for its state, 0 for the others."},
    {"Enclosure", "rk_enclosure_slots", "", Conv::Number, "SlotCount", "", "", "", "Disk slots of the enclosure."},

    {"PhysicalDisk", "rk_pdisk_info", "", Conv::Info, "name=Name vendor=Vendor model=ProductID serial=SerialNumber firmware=FirmwareVersion media=MediaType speed=NegotiatedSpeed", "", "", "", "A physical disk."},
    {"PhysicalDisk", "rk_pdisk_state", "", Conv::State, "State", "state", "", "Ready|Online|Offline|Failed|Foreign|Removed|Missing|Rebuilding", "State of the physical disk: 1 for its state, 0 for the others."},
    {"PhysicalDisk", "rk_pdisk_capacity_bytes", "bytes", Conv::Number, "Length", "", "", "", "Capacity of the physical disk."},
    {"PhysicalDisk", "rk_pdisk_used_bytes", "bytes", Conv::Number, "UsedLength", "", "", "", "Space of the physical disk used by virtual disks."},
    {"PhysicalDisk", "rk_pdisk_free_bytes", "bytes", Conv::Number, "FreeLength", "", "", "", "Space of the physical disk free for virtual disks."},
    {"PhysicalDisk", "rk_pdisk_hot_spare", "", Conv::Present, "HotSpareFor", "protects", "", "", "1 for a hot spare; protects is global or the number of the virtual disk it is dedicated to."},
    {"PhysicalDisk", "rk_pdisk_task_progress_ratio", "ratio", Conv::Percent, "Progress", "task", "Task", "", "Progress of the task running on the physical disk (a rebuild, a clear, ...)."},
    {"PhysicalDisk", "rk_pdisk_task_start_timestamp_seconds", "seconds", Conv::Time, "TaskStart", "task", "Task", "", "When the task running on the physical disk started."},

    {"VirtualDisk", "rk_vdisk_info", "", Conv::Info, "name=Name layout=Layout device=DeviceName", "", "", "", "A virtual disk."},
    {"VirtualDisk", "rk_vdisk_state", "", Conv::State, "State", "state", "", "Ready|Degraded|Failed|Foreign", "State of the virtual disk: 1 for its state, 0 for the others."},
    {"VirtualDisk", "rk_vdisk_size_bytes", "bytes", Conv::Number, "Length", "", "", "", "Size of the virtual disk."},
    {"VirtualDisk", "rk_vdisk_in_use", "", Conv::InUse, "InUse", "", "", "", "1 when something uses the virtual disk (a mounted file system, the running system)."},
    {"VirtualDisk", "rk_vdisk_task_progress_ratio", "ratio", Conv::Percent, "Progress", "task", "Task", "", "Progress of the task running on the virtual disk (an initialization, a check, ...)."},
    {"VirtualDisk", "rk_vdisk_task_start_timestamp_seconds", "seconds", Conv::Time, "TaskStart", "task", "Task", "", "When the task running on the virtual disk started."},

    {"Battery", "rk_battery_info", "", Conv::Info, "name=Name", "", "", "", "A controller battery."},
    {"Battery", "rk_battery_state", "", Conv::State, "State", "state", "", "Ready|Charging|Learning|Reconditioning|Degraded|Warning|Critical|Failed|Missing", "State of the battery: 1 for its state, 0 for the others."},
    {"Battery", "rk_battery_charge_ratio", "ratio", Conv::Percent, "ChargeLevel", "", "", "", "Charge of the battery."},
    {"Battery", "rk_battery_learn_state", "", Conv::State, "LearnState", "state", "", "Idle|Due", "Learn cycle: 1 for its state, 0 for the others."},
    {"Battery", "rk_battery_next_learn_timestamp_seconds", "seconds", Conv::Time, "NextLearnTime", "", "", "", "When the next learn cycle is due."},
    {"Battery", "rk_battery_max_learn_delay_seconds", "seconds", Conv::Hours, "MaxLearnDelay", "", "", "", "How far the learn cycle can be delayed."},
    {"Battery", "rk_battery_task_progress_ratio", "ratio", Conv::Percent, "Progress", "task", "Task", "", "Progress of the battery's learn cycle or recondition."},
    {"Battery", "rk_battery_task_start_timestamp_seconds", "seconds", Conv::Time, "TaskStart", "task", "Task", "", "When the battery's learn cycle or recondition started."},

    {"Fan", "rk_fan_info", "", Conv::Info, "name=Name", "", "", "", "A fan of an enclosure."},
    {"Fan", "rk_fan_state", "", Conv::State, "State", "state", "", kGeneralStates, "State of the fan: 1 for its state, 0 for the others."},
    {"Fan", "rk_fan_speed_rpm", "rpm", Conv::Number, "Speed", "", "", "", "Speed of the fan in revolutions per minute."},

    {"PowerSupply", "rk_psu_info", "", Conv::Info, "name=Name firmware=FirmwareVersion", "", "", "", "A power supply of an enclosure."},
    {"PowerSupply", "rk_psu_state", "", Conv::State, "State", "state", "", kGeneralStates, "State of the power supply: 1 for its state, 0 for the others."},
    {"PowerSupply", "rk_psu_rated_power_watts", "watts", Conv::Number, "Wattage", "", "", "", "Rated power of the power supply."},

    {"EMM", "rk_emm_info", "", Conv::Info, "name=Name firmware=FirmwareVersion part_number=PartNumber", "", "", "", "An enclosure management module."},
    {"EMM", "rk_emm_state", "", Conv::State, "State", "state", "", kGeneralStates, "State of the enclosure management module: 1 for its state, 0 for the others."},

    {"TemperatureProbe", "rk_probe_info", "", Conv::Info, "name=Name", "", "", "", "A temperature probe of an enclosure."},
    {"TemperatureProbe", "rk_probe_state", "", Conv::State, "State", "state", "", kGeneralStates, "State of the temperature probe: 1 for its state, 0 for the others."},
    {"TemperatureProbe", "rk_probe_temperature_celsius", "celsius", Conv::Number, "Reading", "", "", "", "Temperature the probe reads."},
    {"TemperatureProbe", "rk_probe_min_warning_celsius", "celsius", Conv::Number, "MinWarning", "", "", "", "Below this temperature the probe warns."},
    {"TemperatureProbe", "rk_probe_max_warning_celsius", "celsius", Conv::Number, "MaxWarning", "", "", "", "Above this temperature the probe warns."},
    {"TemperatureProbe", "rk_probe_min_failure_celsius", "celsius", Conv::Number, "MinFailure", "", "", "", "Below this temperature the probe reports a failure."},
    {"TemperatureProbe", "rk_probe_max_failure_celsius", "celsius", Conv::Number, "MaxFailure", "", "", "", "Above this temperature the probe reports a failure."},
};

// Layout bits as users type them (raid=r5).
constexpr std::pair<const char*, const char*> kLayouts[] = {
    {"1", "c"},     {"2", "r0"},     {"4", "r1"},      {"64", "r5"},     {"128", "r6"},
    {"512", "r10"}, {"2048", "r50"}, {"4096", "r1c"},  {"262144", "r60"},
};

const std::string* find(const Object& object, std::string_view name) {
    for (const auto& [element, value] : object)
        if (element == name) return &value;
    return nullptr;
}

std::string valueOf(const Object& object, std::string_view name) {
    const std::string* value = find(object, name);
    return value ? *value : std::string();
}

// A state or task as a label value: "Non-Critical" -> "non_critical",
// "Check Consistency" -> "check_consistency".
std::string word(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte)) out += static_cast<char>(std::tolower(byte));
        else if (!out.empty() && out.back() != '_') out += '_';
    }
    while (!out.empty() && out.back() == '_') out.pop_back();
    return out;
}

bool sameWord(std::string_view a, std::string_view b) { return word(a) == word(b); }

// A label value between double quotes: backslash, double quote and line
// feed escaped; other control characters dropped; bytes that are not UTF-8
// become U+FFFD.
void appendLabelValue(std::string& out, const std::string& text) {
    out += '"';
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') out += "\\\\";
        else if (c == '"') out += "\\\"";
        else if (c == '\n') out += "\\n";
        else if (byte >= 0x80) i += appendUtf8OrReplacement(out, text, i) - 1;
        else if (byte >= 0x20 && byte != 0x7f) out += c;
    }
    out += '"';
}

using Labels = std::vector<std::pair<std::string, std::string>>;

// connector:enclosure on a SAS connector, else the connector alone: the
// identifier users type for an enclosure.
std::string enclosureId(const Object& o) {
    const std::string enclosure = valueOf(o, "EnclosureID");
    if (valueOf(o, "BusProtocol") == "8" && !enclosure.empty()) return valueOf(o, "Channel") + ":" + enclosure;
    return valueOf(o, "Channel");
}

// connector:enclosure:target for a disk in an enclosure (AttributesMask bit
// 0x400) on a SAS connector, else connector:target.
std::string diskId(const Object& o) {
    const std::string mask = valueOf(o, "AttributesMask");
    const bool inEnclosure = mask.size() >= 11 && mask[mask.size() - 11] == '1';
    const std::string enclosure = valueOf(o, "EnclosureID");
    if (valueOf(o, "BusProtocol") == "8" && inEnclosure && !enclosure.empty())
        return valueOf(o, "Channel") + ":" + enclosure + ":" + valueOf(o, "TargetID");
    return valueOf(o, "Channel") + ":" + valueOf(o, "TargetID");
}

std::string componentKey(const Object& o) {
    return valueOf(o, "GlobalNo") + "/" + valueOf(o, "Channel") + "/" + valueOf(o, "EnclosureID");
}

// Components do not say which protocol their enclosure speaks: their
// enclosure's identifier comes from the enclosure itself when the reply
// holds it.
using EnclosureIds = std::map<std::string, std::string>;

Labels identity(const KindRow& kind, const Object& o, const EnclosureIds& enclosures) {
    Labels labels;
    if (kind.id == Id::None) return labels;
    labels.emplace_back("controller", valueOf(o, "GlobalNo"));
    switch (kind.id) {
        case Id::Own: labels.emplace_back(kind.label, valueOf(o, kind.element)); break;
        case Id::Enclosure: labels.emplace_back("enclosure", enclosureId(o)); break;
        case Id::Disk: labels.emplace_back("pdisk", diskId(o)); break;
        case Id::Component: {
            auto known = enclosures.find(componentKey(o));
            const std::string enclosure = valueOf(o, "EnclosureID");
            labels.emplace_back("enclosure", known != enclosures.end() ? known->second
                                             : enclosure.empty()        ? valueOf(o, "Channel")
                                                                        : valueOf(o, "Channel") + ":" + enclosure);
            labels.emplace_back(kind.label, valueOf(o, kind.element));
            break;
        }
        default: break;
    }
    return labels;
}

bool isNumber(const std::string& text) {
    size_t i = text.size() > 1 && text[0] == '-' ? 1 : 0;
    size_t digits = 0, dots = 0;
    for (; i < text.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(text[i]))) ++digits;
        else if (text[i] == '.' && ++dots == 1) continue;
        else return false;
    }
    return digits > 0;
}

std::optional<std::string> isoSeconds(const std::string& text) {
    std::tm tm{};
    int y, mo, d, h, mi, s;
    char z = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &z) != 7 || z != 'Z')
        return std::nullopt;
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    return std::to_string(static_cast<long long>(timegm(&tm)));
}

std::string formatDouble(double value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", value);
    return buf;
}

// The sample value of a family for one element's text, or nothing when the
// text cannot be read as one.
std::optional<std::string> sampleValue(Conv conv, const std::string& text, const char* on) {
    switch (conv) {
        case Conv::Number:
            if (isNumber(text)) return text;
            return std::nullopt;
        case Conv::Percent:
            if (isNumber(text)) return formatDouble(std::stod(text) / 100.0);
            return std::nullopt;
        case Conv::Hours:
            if (isNumber(text)) return formatDouble(std::stod(text) * 3600.0);
            return std::nullopt;
        case Conv::Time: return isoSeconds(text);
        case Conv::Flag: return sameWord(text, on) ? "1" : "0";
        case Conv::InUse: {
            const std::string w = word(text);
            return w.empty() || w == "no" || w == "none" || w == "false" || w == "0" ? "0" : "1";
        }
        default: return "1";
    }
}

void appendSample(std::string& out, const char* name, const Labels& labels, const std::string& value) {
    out += name;
    if (!labels.empty()) {
        out += '{';
        for (size_t i = 0; i < labels.size(); ++i) {
            if (i) out += ',';
            out += labels[i].first;
            out += '=';
            appendLabelValue(out, labels[i].second);
        }
        out += '}';
    }
    out += ' ';
    out += value;
    out += '\n';
}

void appendInfo(std::string& out, const Family& f, const Object& o, Labels labels) {
    std::string_view rest = f.element;
    while (!rest.empty()) {
        const size_t space = rest.find(' ');
        const std::string_view pair = rest.substr(0, space);
        rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
        const size_t eq = pair.find('=');
        const std::string* value = find(o, pair.substr(eq + 1));
        if (!value || value->empty()) continue;
        std::string text = *value;
        if (pair.substr(eq + 1) == "Layout")
            for (const auto& [bit, name] : kLayouts)
                if (text == bit) text = name;
        labels.emplace_back(std::string(pair.substr(0, eq)), std::move(text));
    }
    appendSample(out, f.name, labels, "1");
}

void appendStates(std::string& out, const Family& f, const std::string& state, Labels labels) {
    const std::string own = word(state);
    bool listed = false;
    labels.emplace_back(f.label, "");
    std::string_view states = f.states;
    while (!states.empty()) {
        const size_t bar = states.find('|');
        const std::string known = word(states.substr(0, bar));
        states = bar == std::string_view::npos ? std::string_view() : states.substr(bar + 1);
        listed = listed || known == own;
        labels.back().second = known;
        appendSample(out, f.name, labels, known == own ? "1" : "0");
    }
    if (!listed && !own.empty()) {
        labels.back().second = own;
        appendSample(out, f.name, labels, "1");
    }
}

// The samples of one family for one object.
void appendObject(std::string& out, const Family& f, const Object& o, const Labels& id) {
    if (f.conv == Conv::Info) {
        appendInfo(out, f, o, id);
        return;
    }
    const std::string* text = find(o, f.element);
    if (!text || text->empty()) return;
    if (f.conv == Conv::State) {
        appendStates(out, f, *text, id);
        return;
    }
    const std::optional<std::string> value = sampleValue(f.conv, *text, f.states);
    if (!value) return;
    if (!*f.label) {
        appendSample(out, f.name, id, *value);
        return;
    }
    Labels labels = id;
    labels.emplace_back(f.label, word(*f.labelFrom ? valueOf(o, f.labelFrom) : *text));
    appendSample(out, f.name, labels, *value);
}

void appendFamily(std::string& out, const char* name, const char* unit, const char* help, const std::string& samples) {
    if (samples.empty()) return;
    out += "# TYPE ";
    out += name;
    out += " gauge\n";
    if (*unit) {
        out += "# UNIT ";
        out += name;
        out += ' ';
        out += unit;
        out += '\n';
    }
    out += "# HELP ";
    out += name;
    out += ' ';
    out += help;
    out += '\n';
    out += samples;
}

struct Entry {
    const Object* object;
    Labels id;
};

}  // namespace

std::string openMetrics(const std::vector<Object>& objects, const std::vector<ScrapeStatus>& scrape) {
    EnclosureIds enclosures;
    for (const auto& o : objects)
        if (valueOf(o, "ObjType") == "Enclosure") enclosures.emplace(componentKey(o), enclosureId(o));

    // The objects of each kind, each once.
    std::map<std::string_view, std::vector<Entry>> byKind;
    std::set<std::pair<std::string_view, Labels>> seen;
    for (const auto& o : objects) {
        const std::string* type = find(o, "ObjType");
        if (!type) continue;
        for (const auto& kind : kKinds) {
            if (*type != kind.objType) continue;
            Labels id = identity(kind, o, enclosures);
            if (seen.emplace(kind.objType, id).second) byKind[kind.objType].push_back({&o, std::move(id)});
            break;
        }
    }

    std::string out, samples;
    for (const auto& f : kFamilies) {
        auto entries = byKind.find(f.kind);
        if (entries == byKind.end()) continue;
        samples.clear();
        for (const auto& e : entries->second) appendObject(samples, f, *e.object, e.id);
        appendFamily(out, f.name, f.unit, f.help, samples);
    }

    samples.clear();
    for (const auto& s : scrape) {
        Labels labels;
        if (!s.controller.empty()) labels.emplace_back("controller", s.controller);
        appendSample(samples, "rk_scrape_error", labels, s.failed ? "1" : "0");
    }
    appendFamily(out, "rk_scrape_error", "",
                 "1 when a controller (or, without the label, the system) could not be read in this scrape.", samples);
    return out + "# EOF\n";
}

std::string alertLogMetrics(const std::vector<Object>& events) {
    std::map<std::string, long> counts = {{"info", 0}, {"warning", 0}, {"critical", 0}};
    for (const auto& event : events) {
        const std::string severity = word(valueOf(event, "Severity"));
        ++counts[severity.empty() ? "unknown" : severity];
    }
    std::string samples;
    for (const auto& [severity, count] : counts)
        appendSample(samples, "rk_alert_log_events", {{"severity", severity}}, std::to_string(count));
    std::string out;
    appendFamily(out, "rk_alert_log_events", "", "Events in the alert log, by severity.", samples);
    return out + "# EOF\n";
}

namespace {

struct Gatherer {
    const Probe& report;
    Scrape& scrape;
    std::vector<Object> objects;

    // Runs one report line; its objects are kept. False when it failed.
    bool run(const std::string& controller, std::vector<std::string> words) {
        words.insert(words.begin(), "rkreport");
        ProbeAnswer answer = report(words);
        if (answer.status == CLPS_STATUS_OK) {
            if (answer.kind == CLPS_RESP_REPLY) {
                for (auto& o : replyObjects(answer.text)) objects.push_back(std::move(o));
            }
            return true;
        }
        std::string line;
        for (const auto& w : words) line += (line.empty() ? "" : " ") + w;
        scrape.problems.push_back({controller, line, std::move(answer)});
        return false;
    }

    // The identifiers of the objects of a kind added since `from`.
    std::vector<std::string> added(size_t from, const char* type, std::string (*idOf)(const Object&)) const {
        std::vector<std::string> ids;
        for (size_t i = from; i < objects.size(); ++i)
            if (valueOf(objects[i], "ObjType") == type) ids.push_back(idOf(objects[i]));
        return ids;
    }

    bool controller(const std::string& n) {
        const std::string c = "controller=" + n;
        bool ok = run(n, {"storage", "controller", c});  // the controller and its virtual disks
        for (const char* kind : {"connector", "pdisk", "enclosure", "battery"}) ok = run(n, {"storage", kind, c}) && ok;
        return ok;
    }
};

std::string globalNo(const Object& o) { return valueOf(o, "GlobalNo"); }

}  // namespace

Scrape scrapeSystem(const Probe& report) {
    Scrape scrape;
    Gatherer g{report, scrape, {}};
    std::vector<ScrapeStatus> statuses;
    // The summary holds the storage object and every enclosure's fans,
    // power supplies, EMMs and probes: one request, where a report per
    // enclosure and kind of component would cost one identifier check each.
    bool systemOk = g.run("", {"system", "summary"});
    const size_t before = g.objects.size();
    systemOk = g.run("", {"storage", "controller"}) && systemOk;
    for (const auto& n : g.added(before, "Controller", globalNo)) statuses.push_back({n, !g.controller(n)});
    statuses.insert(statuses.begin(), {"", !systemOk});
    scrape.text = openMetrics(g.objects, statuses);
    return scrape;
}

}  // namespace rkhost
