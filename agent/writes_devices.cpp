// Enclosure, battery and connector write commands.
#include <cctype>
#include <climits>

#include "derive.h"
#include "errors.h"
#include "handlers.h"
#include "identifiers.h"
#include "tasks.h"
#include "write_support.h"

namespace kwda {

namespace {

constexpr long long kDefaultMaxAssetTag = 10;
constexpr long long kDefaultMaxAssetName = 32;
constexpr size_t kMaxServiceTag = 10;

struct Target {
    Object controller;
    Object enclosure;
};

Target target(Session& s, const Request& r) {
    Object controller = requireController(s.store, r);
    Object enclosure = requireEnclosure(s.store, controller, r.require("Enclosure"));
    return {std::move(controller), std::move(enclosure)};
}

void enclosureAlarm(Session& s, const Request& r, ReplyBuilder& out, bool on) {
    auto [controller, enclosure] = target(s, r);
    if (!enclosure.has("AlarmState")) refuse(shortName(enclosure) + " has no alarm");
    setToggle(s, enclosure, "AlarmState", on ? "Enabled" : "Disabled",
              "the alarm of " + shortName(enclosure) + " is already " + (on ? "enabled" : "disabled"),
              on ? "alarm enabled" : "alarm disabled");
    answerWith(s, out, enclosure);
}

void enclosureBlink(Session& s, const Request& r, ReplyBuilder& out, bool on) {
    auto [controller, enclosure] = target(s, r);
    if ((enclosure.get("Blink", "Off") == "On") == on)
        refuse(shortName(enclosure) + (on ? " is already blinking" : " is not blinking"));
    enclosure.attrs["Blink"] = on ? "On" : "Off";
    s.store.update(enclosure);
    s.note(enclosure, on ? "blinking started" : "blinking stopped");
    answerWith(s, out, enclosure);
}

// Asset tags and names: letters, digits, '-', '_' and blanks, not empty,
// within the enclosure's limit.
void setAsset(Session& s, const Request& r, ReplyBuilder& out, const char* element, const char* limitElement,
              long long defaultLimit, const char* what) {
    auto [controller, enclosure] = target(s, r);
    std::string value = r.get(element).value_or("");
    if (value.empty()) badRequest(std::string("missing argument ") + element);
    for (unsigned char c : value)
        if (!std::isalnum(c) && c != '-' && c != '_' && c != ' ')
            refuse(std::string(what) + " '" + value + "' has the character '" + std::string(1, static_cast<char>(c)) +
                   "'; use A-Z, a-z, 0-9, '-' and '_'");
    long long limit = enclosure.number(limitElement).value_or(defaultLimit);
    if (limit > 0 && static_cast<long long>(value.size()) > limit)
        refuse(std::string(what) + " '" + value + "' is longer than the " + std::to_string(limit) + " characters " +
               shortName(enclosure) + " takes");
    std::string before = enclosure.get(element);
    enclosure.attrs[element] = value;
    s.store.update(enclosure);
    s.note(enclosure, std::string(what) + " changed from '" + before + "' to '" + value + "'");
    answerWith(s, out, enclosure);
}

std::vector<Object> probesNamed(Session& s, const Request& r, const Object& enclosure) {
    if (auto index = r.get("Index"); index && !index->empty())
        return {requireComponent(s.store, enclosure, Kind::TemperatureProbe, *index)};
    auto probes = s.store.children(enclosure.id, Kind::TemperatureProbe);
    if (probes.empty()) refuse(shortName(enclosure) + " has no temperature probes");
    return probes;
}

void checkWithin(const Object& probe, const char* what, long long value, const char* low, const char* high) {
    auto lo = probe.number(low);
    auto hi = probe.number(high);
    if ((lo && value < *lo) || (hi && value > *hi))
        refuse(std::string(what) + " " + std::to_string(value) + " of " + shortName(probe) + " is outside (" +
               (lo ? std::to_string(*lo) : std::string("-")) + ", " + (hi ? std::to_string(*hi) : std::string("-")) +
               ")");
}

}  // namespace

void setEnclosureEnableAlarm(Session& s, const Request& r, ReplyBuilder& out) { enclosureAlarm(s, r, out, true); }
void setEnclosureDisableAlarm(Session& s, const Request& r, ReplyBuilder& out) { enclosureAlarm(s, r, out, false); }
void setEnclosureBlink(Session& s, const Request& r, ReplyBuilder& out) { enclosureBlink(s, r, out, true); }
void setEnclosureUnBlink(Session& s, const Request& r, ReplyBuilder& out) { enclosureBlink(s, r, out, false); }

void setEnclosureServiceTag(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, enclosure] = target(s, r);
    std::string tag = r.require("ServiceTag");
    if (tag.size() > kMaxServiceTag)
        refuse("service tag '" + tag + "' is longer than the " + std::to_string(kMaxServiceTag) + " characters " +
               shortName(enclosure) + " takes");
    enclosure.attrs["ServiceTag"] = tag;
    s.store.update(enclosure);
    s.note(enclosure, "service tag set to '" + tag + "'");
    answerWith(s, out, enclosure);
}

void setEnclosureAssetTag(Session& s, const Request& r, ReplyBuilder& out) {
    setAsset(s, r, out, "AssetTag", "MaxAssetTagLength", kDefaultMaxAssetTag, "asset tag");
}

void setEnclosureAssetName(Session& s, const Request& r, ReplyBuilder& out) {
    setAsset(s, r, out, "AssetName", "MaxAssetNameLength", kDefaultMaxAssetName, "asset name");
}

// Warning thresholds of one probe (Index) or of all; a threshold left empty
// stays as it is.
void setEnclosureTempProbes(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, enclosure] = target(s, r);
    auto minimum = r.number("MinWarning");
    auto maximum = r.number("MaxWarning");
    if (!minimum && !maximum) badRequest("missing argument MinWarning or MaxWarning");
    for (auto& probe : probesNamed(s, r, enclosure)) {
        if (minimum) checkWithin(probe, "minimum warning threshold", *minimum, "LowEndMinWarning", "HighEndMinWarning");
        if (maximum) checkWithin(probe, "maximum warning threshold", *maximum, "LowEndMaxWarning", "HighEndMaxWarning");
        long long low = minimum.value_or(probe.number("MinWarning").value_or(LLONG_MIN));
        long long high = maximum.value_or(probe.number("MaxWarning").value_or(LLONG_MAX));
        if (low >= high)
            refuse("minimum warning threshold " + std::to_string(low) + " of " + shortName(probe) +
                   " must lie below the maximum " + std::to_string(high));
        if (minimum) probe.attrs["MinWarning"] = std::to_string(*minimum);
        if (maximum) probe.attrs["MaxWarning"] = std::to_string(*maximum);
        s.store.update(probe);
        s.note(probe, "warning thresholds set to " + probe.get("MinWarning", "-") + " / " + probe.get("MaxWarning", "-"));
        answerWith(s, out, probe);
    }
}

void setEnclosureResetTempProbes(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, enclosure] = target(s, r);
    for (auto& probe : probesNamed(s, r, enclosure)) {
        for (const char* element : {"MinWarning", "MaxWarning"}) {
            std::string saved = probe.get(std::string("_Default") + element);
            if (saved.empty()) probe.attrs.erase(element);
            else probe.attrs[element] = saved;
        }
        s.store.update(probe);
        s.note(probe, "warning thresholds reset to " + probe.get("MinWarning", "-") + " / " +
                          probe.get("MaxWarning", "-"));
        answerWith(s, out, probe);
    }
}

void setBatteryRecondition(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    Object battery = requireBattery(s.store, controller, r.require("BatteryID"));
    if (auto running = s.store.task(battery.id))
        refuse(shortName(battery) + " is busy with " + taskTitle(running->name) + "; wait for it to end");
    s.note(battery, "recondition started");
    startTask(s, battery, task::Recondition, 0);
    answerWith(s, out, battery);
}

void setBatteryStartLearn(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    Object battery = requireBattery(s.store, controller, r.require("BatteryID"));
    if (auto running = s.store.task(battery.id))
        refuse(shortName(battery) + " is busy with " + taskTitle(running->name) + "; wait for it to end");
    s.note(battery, "learn cycle started");
    startTask(s, battery, task::Learn, 0);
    answerWith(s, out, battery);
}

// Moves the next learn cycle later by Days and Hours, within MaxLearnDelay.
void setBatteryDelayLearn(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    Object battery = requireBattery(s.store, controller, r.require("BatteryID"));
    long long days = r.number("Days").value_or(0);
    long long hours = r.number("Hours").value_or(0);
    if (days < 0 || hours < 0) badRequest("Days and Hours cannot be negative");
    long long delay = days * 24 + hours;
    auto limit = battery.number("MaxLearnDelay");
    if (!limit) refuse(shortName(battery) + " does not allow delaying its learn cycle");
    if (delay == 0) refuse("a learn cycle delay of 0 hours changes nothing for " + shortName(battery));
    if (delay > *limit)
        refuse("a delay of " + std::to_string(delay) + " hours is more than the " + std::to_string(*limit) +
               " hours " + shortName(battery) + " allows");
    if (auto running = s.store.task(battery.id))
        refuse(shortName(battery) + " is busy with " + taskTitle(running->name) + "; wait for it to end");
    double next = parseIsoTime(battery.get("NextLearnTime")).value_or(s.now);
    battery.attrs["NextLearnTime"] = isoTime(next + static_cast<double>(delay) * 3600.0);
    s.store.update(battery);
    s.note(battery, "learn cycle delayed by " + std::to_string(delay) + " hours to " + battery.get("NextLearnTime"));
    answerWith(s, out, battery);
}

void setChnlRescan(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    Object connector = requireConnector(s.store, controller, r.require("Channel"));
    rescanRemovedDisks(s, controller, connector.conn);
    s.note(connector, "rescan completed");
    answerWith(s, out, connector);
}

}  // namespace kwda
