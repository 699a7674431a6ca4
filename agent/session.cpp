#include "session.h"

#include "errors.h"
#include "identifiers.h"

namespace kwda {

void Session::note(const Object& object, const std::string& text, const char* severity) {
    events.push_back(Event{severity, eventName(object), text});
}

std::string Session::alertLogFile() { return alertLogPath(store.path(), store.meta("alertlog")); }

int64_t Session::usedBytes(const Object& disk) {
    int64_t used = 0;
    for (const auto& m : memberships(disk)) used += m.bytes;
    return used;
}

int64_t Session::freeBytes(const Object& disk) {
    int64_t length = disk.number("Length").value_or(0);
    int64_t left = length - usedBytes(disk);
    return left > 0 ? left : 0;
}

const LayoutRule& Session::ruleOf(const Object& vd) {
    auto bit = vd.number("Layout");
    const LayoutRule* rule = bit ? layoutRule(static_cast<uint32_t>(*bit)) : nullptr;
    if (!rule) refuse(shortName(vd) + " has an unknown layout " + vd.get("Layout"));
    return *rule;
}

int Session::spanOf(const Object& vd) { return static_cast<int>(vd.number("SpanLength").value_or(0)); }

void Session::refreshVirtualDisk(int64_t vdId) {
    auto vd = store.object(vdId);
    if (!vd || vd->state == state::Foreign) return;
    std::vector<bool> working;
    for (const auto& m : store.membersOf(vdId)) {
        auto disk = store.object(m.disk);
        working.push_back(disk && disk->state == state::Online);
    }
    const LayoutRule* rule = layoutRule(static_cast<uint32_t>(vd->number("Layout").value_or(0)));
    std::string health = rule ? virtualDiskHealth(*rule, spanOf(*vd), working) : state::Failed;
    if (health == vd->state) return;
    std::string before = vd->state;
    vd->state = health;
    store.update(*vd);
    const char* severity = health == state::Ready ? "Info" : health == state::Degraded ? "Warning" : "Critical";
    note(*vd, "state changed from " + before + " to " + health, severity);
}

void Session::refreshVirtualDisksOf(const Object& disk) {
    for (const auto& m : store.membershipsOf(disk.id)) refreshVirtualDisk(m.vd);
}

void Session::releaseIfUnused(int64_t diskId) {
    auto disk = store.object(diskId);
    if (!disk || !store.membershipsOf(diskId).empty()) return;
    if (disk->state == state::Online || disk->state == state::Rebuilding) {
        disk->state = state::Ready;
        store.update(*disk);
        store.removeTask(diskId);
    }
}

Object Session::reload(const Object& object) {
    auto fresh = store.object(object.id);
    if (!fresh) unavailable("state file " + store.path() + " lost " + shortName(object) + " during the request");
    return *fresh;
}

}  // namespace kwda
