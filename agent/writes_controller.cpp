// Controller and storage-wide write commands, virtual disk creation among
// them.
#include <algorithm>
#include <fstream>
#include <filesystem>

#include "derive.h"
#include "errors.h"
#include "handlers.h"
#include "identifiers.h"
#include "layouts.h"
#include "seed.h"
#include "tasks.h"
#include "write_support.h"

namespace kwda {

namespace {

constexpr uint32_t kPatrolAuto = 1, kPatrolManual = 2, kPatrolDisabled = 4;

std::string patrolModeWord(long long mode) {
    switch (mode) {
        case kPatrolAuto: return "auto";
        case kPatrolManual: return "manual";
        case kPatrolDisabled: return "disable";
        default: return std::to_string(mode);
    }
}

void setRate(Session& s, const Request& r, ReplyBuilder& out, const char* argument, const char* element,
             const char* what) {
    Object controller = requireController(s.store, r);
    long long rate = r.requireNumber(argument);
    if (rate < 0 || rate > 100) badRequest(std::string(argument) + "=" + std::to_string(rate) + " is outside 0 to 100");
    std::string before = controller.get(element, "unset");
    controller.attrs[element] = std::to_string(rate);
    s.store.update(controller);
    s.note(controller, std::string(what) + " changed from " + before + " to " + std::to_string(rate) + " %");
    answerWith(s, out, controller);
}

Object controllerWithAlarm(Session& s, const Request& r) {
    Object controller = requireController(s.store, r);
    if (!controller.has("AlarmState")) refuse("controller " + controller.key + " has no alarm");
    return controller;
}

void requireAlarmEnabled(const Object& controller, const char* action) {
    if (controller.get("AlarmState") != "Enabled")
        refuse("the alarm of controller " + controller.key + " is disabled; it cannot be " + action +
               " (enable it first)");
}

std::vector<Object> foreignVirtualDisks(Session& s, const Object& controller) {
    return s.store.ofControllerInState(controller.id, Kind::VirtualDisk, state::Foreign);
}

void requireForeignConfig(Session& s, const Object& controller) {
    if (!s.store.anyInState(controller.id, Kind::PhysicalDisk, state::Foreign))
        refuse("controller " + controller.key + " has no foreign configuration");
}

bool complete(Session& s, const Object& vd) {
    for (const auto& m : s.store.membersOf(vd.id)) {
        auto disk = s.store.object(m.disk);
        if (!disk || disk->state != state::Foreign) return false;
    }
    return true;
}

// Imports foreign virtual disks (all, or only complete ones) and makes the
// foreign disks that belong to none of them Ready.
void importForeign(Session& s, const Request& r, ReplyBuilder& out, bool incompleteToo) {
    Object controller = requireController(s.store, r);
    requireForeignConfig(s, controller);
    int imported = 0;
    std::string numbers, disks;
    for (auto& vd : foreignVirtualDisks(s, controller)) {
        if (!incompleteToo && !complete(s, vd)) continue;
        std::string number = vd.get("LogicalDriveNum");
        if (s.store.byKey(controller.id, Kind::VirtualDisk, number)) number = lowestFreeVirtualDiskNumber(s, controller);
        vd.attrs["LogicalDriveNum"] = number;
        vd.key = number;
        vd.state = state::Ready;
        s.store.update(vd);
        for (const auto& m : s.store.membersOf(vd.id)) {
            auto disk = s.store.object(m.disk);
            if (disk && disk->state == state::Foreign) {
                disk->state = state::Online;
                s.store.update(*disk);
            }
        }
        s.refreshVirtualDisk(vd.id);
        s.note(vd, "imported from a foreign configuration");
        numbers += (numbers.empty() ? "" : ",") + number;
        ++imported;
    }
    for (auto& disk : s.store.ofControllerInState(controller.id, Kind::PhysicalDisk, state::Foreign)) {
        bool inForeignVd = false;
        for (const auto& m : s.store.membershipsOf(disk.id))
            if (auto vd = s.store.object(m.vd); vd && vd->state == state::Foreign) inForeignVd = true;
        if (inForeignVd) continue;
        disk.state = state::Ready;
        s.store.update(disk);
        disks += (disks.empty() ? "" : ",") + diskLabel(disk);
    }
    s.note(controller, "foreign configuration imported (" + std::to_string(imported) + " virtual disks)");
    answerWith(s, out, controller);
    out.addResult({{"VirtualDisks", numbers}, {"Disks", disks}});
}

// The bytes a patrol read pass covers: the largest disk in use, read in
// parallel with the others.
int64_t patrolBytes(Session& s, const Object& controller) {
    int64_t largest = 0;
    for (const auto& disk : s.store.ofControllerInState(controller.id, Kind::PhysicalDisk, state::Online))
        largest = std::max<int64_t>(largest, disk.number("Length").value_or(0));
    return largest;
}

std::string exportControllerLog(Session& s, const Object& controller) {
    namespace fs = std::filesystem;
    std::string source = s.alertLogFile();
    fs::path target = fs::path(source).parent_path() / ("controller" + controller.key + "-log.txt");
    std::ifstream in(source);
    std::ofstream outFile(target, std::ios::trunc);
    if (!outFile) refuse("cannot write the controller log " + target.string());
    std::string suffix = "Controller " + controller.key;
    std::string line;
    while (std::getline(in, line)) {
        size_t third = line.find('\t', line.find('\t', line.find('\t') + 1) + 1);
        std::string object = third == std::string::npos ? "" : line.substr(0, third);
        if (object.size() >= suffix.size() && object.compare(object.size() - suffix.size(), suffix.size(), suffix) == 0)
            outFile << line << '\n';
    }
    return target.string();
}

}  // namespace

void rescanRemovedDisks(Session& s, const Object& controller, int64_t connector) {
    for (auto& disk : s.store.ofControllerInState(controller.id, Kind::PhysicalDisk, state::Removed)) {
        if (connector >= 0 && disk.conn != connector) continue;
        disk.state = s.isMember(disk) ? state::Offline : state::Ready;
        s.store.update(disk);
        s.note(disk, "found again by a rescan (" + disk.state + ")");
    }
}

void setCntrlRescan(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    rescanRemovedDisks(s, controller, -1);
    s.note(controller, "rescan completed");
    answerWith(s, out, controller);
}

void setCntrlResetConfig(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    for (const auto& vd : s.store.ofController(controller.id, Kind::VirtualDisk))
        if (vd.state != state::Foreign)
            requireForceWhenInUse(r, vd, "resetting the configuration of controller " + controller.key,
                                  "reset it");
    int deleted = 0;
    for (const auto& vd : s.store.ofController(controller.id, Kind::VirtualDisk)) {
        if (vd.state == state::Foreign) continue;
        deleteVirtualDisk(s, vd);
        ++deleted;
    }
    for (const auto& spare : s.store.hotSparesOnController(controller.id)) s.store.clearHotSpare(spare.disk);
    s.note(controller, "configuration reset: " + std::to_string(deleted) + " virtual disks deleted, hot spares released",
           "Warning");
    answerWith(s, out, controller);
}

void setCntrlEnableAlarm(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = controllerWithAlarm(s, r);
    setToggle(s, controller, "AlarmState", "Enabled", "the alarm of controller " + controller.key + " is already enabled",
              "alarm enabled");
    answerWith(s, out, controller);
}

void setCntrlDisableAlarm(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = controllerWithAlarm(s, r);
    setToggle(s, controller, "AlarmState", "Disabled",
              "the alarm of controller " + controller.key + " is already disabled", "alarm disabled");
    answerWith(s, out, controller);
}

void setCntrlQuietAlarm(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = controllerWithAlarm(s, r);
    requireAlarmEnabled(controller, "quieted");
    s.note(controller, "alarm quieted");
    answerWith(s, out, controller);
}

void setCntrlTestAlarm(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = controllerWithAlarm(s, r);
    requireAlarmEnabled(controller, "tested");
    s.note(controller, "alarm tested");
    answerWith(s, out, controller);
}

void setCntrlExportLog(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    std::string file = exportControllerLog(s, controller);
    s.note(controller, "log exported to " + file);
    answerWith(s, out, controller);
    out.addResult({{"File", file}});
}

void setCntrlRebuildRate(Session& s, const Request& r, ReplyBuilder& out) {
    setRate(s, r, out, "RebuildRate", "RebuildRate", "rebuild rate");
}
void setCntrlBGIRate(Session& s, const Request& r, ReplyBuilder& out) {
    setRate(s, r, out, "Rate", "BGIRate", "background initialization rate");
}
void setCntrlCheckConsistencyRate(Session& s, const Request& r, ReplyBuilder& out) {
    setRate(s, r, out, "Rate", "CheckConsistencyRate", "check consistency rate");
}
void setCntrlReconstructRate(Session& s, const Request& r, ReplyBuilder& out) {
    setRate(s, r, out, "Rate", "ReconstructRate", "reconstruct rate");
}
void setCntrlPatrolReadRate(Session& s, const Request& r, ReplyBuilder& out) {
    setRate(s, r, out, "Rate", "PatrolReadRate", "patrol read rate");
}

void setCntrlClearForeignConfig(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    requireForeignConfig(s, controller);
    for (const auto& vd : foreignVirtualDisks(s, controller)) {
        s.store.setMembers(vd.id, {});
        s.store.remove(vd.id);
    }
    for (auto& disk : s.store.ofControllerInState(controller.id, Kind::PhysicalDisk, state::Foreign)) {
        disk.state = state::Ready;
        s.store.update(disk);
    }
    s.note(controller, "foreign configuration cleared", "Warning");
    answerWith(s, out, controller);
}

void setCntrlImportForeignConfig(Session& s, const Request& r, ReplyBuilder& out) { importForeign(s, r, out, false); }
void setCntrlForcedImportForeignConfig(Session& s, const Request& r, ReplyBuilder& out) {
    importForeign(s, r, out, true);
}

void setCntrlPatrolReadStart(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    if (!(maskValue(controller.get("PatrolReadModeMask")) & kPatrolManual))
        refuse("controller " + controller.key +
               " cannot start a patrol read on request: its patrol read modes do not include manual");
    long long mode = controller.number("PatrolReadMode").value_or(0);
    if (mode != kPatrolManual)
        refuse("patrol read of controller " + controller.key + " is in " + patrolModeWord(mode) +
               " mode; it starts on request only in manual mode");
    if (auto running = s.store.task(controller.id); running && running->name == task::PatrolRead)
        refuse("a patrol read is already running on controller " + controller.key);
    controller.attrs["PatrolReadState"] = "Active";
    s.store.update(controller);
    s.note(controller, "patrol read started");
    startTask(s, controller, task::PatrolRead,
              taskSeconds(patrolBytes(s, controller), rateFor(controller, "PatrolReadRate")));
    answerWith(s, out, controller);
}

void setCntrlPatrolReadStop(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    auto running = s.store.task(controller.id);
    if (!running || running->name != task::PatrolRead)
        refuse("no patrol read is running on controller " + controller.key);
    cancelTask(s, controller);
    controller.attrs["PatrolReadState"] = "Stopped";
    s.store.update(controller);
    s.note(controller, "patrol read stopped");
    answerWith(s, out, controller);
}

void setCntrlPatrolReadMode(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    long long mode = r.requireNumber("PatrolReadMode");
    if (mode != kPatrolAuto && mode != kPatrolManual && mode != kPatrolDisabled)
        badRequest("PatrolReadMode=" + std::to_string(mode) + " is not 1 (auto), 2 (manual) or 4 (disable)");
    if (!(maskValue(controller.get("PatrolReadModeMask")) & static_cast<uint32_t>(mode)))
        refuse("patrol read mode " + patrolModeWord(mode) + " is not supported by controller " + controller.key);
    if (mode == kPatrolDisabled)
        if (auto running = s.store.task(controller.id); running && running->name == task::PatrolRead) {
            cancelTask(s, controller);
            controller.attrs["PatrolReadState"] = "Stopped";
        }
    controller.attrs["PatrolReadMode"] = std::to_string(mode);
    s.store.update(controller);
    s.note(controller, "patrol read mode set to " + patrolModeWord(mode));
    answerWith(s, out, controller);
}

void setCntrlCreateVD(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    long long bit = r.requireNumber("Layout");
    const LayoutRule* rule = layoutRule(static_cast<uint32_t>(bit));
    if (!rule) badRequest("Layout=" + std::to_string(bit) + " is not a RAID layout");
    if (!(maskValue(controller.get("RAIDLevelsMask")) & rule->bit))
        refuse(std::string("layout ") + rule->word + " is not supported by controller " + controller.key);
    std::vector<Object> disks = requireDisks(s.store, controller, r.require("adisk"));
    for (const auto& disk : disks) checkDiskForNewVirtualDisk(s, disk);
    int span = static_cast<int>(r.number("SpanLength").value_or(0));
    if (!rule->spanned && r.has("SpanLength"))
        refuse(std::string("a span length applies only to layouts r50 and r60, not to ") + rule->word);
    int count = static_cast<int>(disks.size());
    if (auto problem = diskCountProblem(*rule, count, span)) refuse(*problem);
    if (auto limit = controller.number("MaxVDAllowed")) {
        int64_t existing = 0;
        for (const auto& vd : s.store.ofController(controller.id, Kind::VirtualDisk))
            if (vd.state != state::Foreign) ++existing;
        if (existing >= *limit)
            refuse("controller " + controller.key + " already holds its maximum of " + std::to_string(*limit) +
                   " virtual disks; delete one first");
    }
    int64_t length = byteCount(r, "Length");
    if (length < kMinimumVirtualDiskBytes)
        refuse("size " + std::to_string(length) + " bytes is below the smallest virtual disk of " +
               std::to_string(kMinimumVirtualDiskBytes) + " bytes");
    checkCapacity(s, *rule, disks, span, length);

    std::string number = lowestFreeVirtualDiskNumber(s, controller);
    std::string name = r.get("Name").value_or("");
    if (r.get("Name")) checkVirtualDiskName(controller, name);
    else name = "Virtual Disk " + number;

    Object vd;
    vd.kind = Kind::VirtualDisk;
    vd.parent = controller.id;
    vd.ctrl = controller.id;
    vd.cord = controller.cord;
    vd.ord = s.store.nextOrder();
    vd.key = number;
    vd.objid = allocateObjId(s.store);
    vd.state = state::Ready;
    vd.attrs["GlobalNo"] = controller.key;
    vd.attrs["LogicalDriveNum"] = number;
    vd.attrs["Name"] = name;
    vd.attrs["Layout"] = std::to_string(rule->bit);
    vd.attrs["Length"] = std::to_string(length);
    if (rule->spanned) vd.attrs["SpanLength"] = std::to_string(span);
    struct Default {
        const char* element;
        const char* mask;
        uint32_t preferred;
    };
    for (const Default& d : {Default{"StripeSize", "StripeSizesMask", 128}, Default{"ReadPolicy", "ReadPolicyMask", 4},
                             Default{"WritePolicy", "WritePolicyMask", 4}, Default{"CachePolicy", "CachePolicyMask", 1},
                             Default{"DiskCachePolicy", "DiskCachePolicyMask", 2}}) {
        if (auto given = policyArgument(r, controller, d.element, d.mask)) {
            vd.attrs[d.element] = *given;
            continue;
        }
        // Unnamed settings take the controller's usual default when it has it,
        // else its first supported value.
        uint32_t mask = maskValue(controller.get(d.mask));
        if (mask & d.preferred) vd.attrs[d.element] = std::to_string(d.preferred);
        else if (mask) vd.attrs[d.element] = std::to_string(mask & (~mask + 1));
    }
    s.store.insert(vd);
    int64_t each = bytesPerMember(*rule, count, span, length);
    std::vector<Member> members;
    for (size_t i = 0; i < disks.size(); ++i) {
        members.push_back(Member{vd.id, disks[i].id, static_cast<int64_t>(i), each});
        if (disks[i].state == state::Ready) {
            disks[i].state = state::Online;
            s.store.update(disks[i]);
        }
    }
    s.store.setMembers(vd.id, members);
    std::string memberList;
    for (const auto& disk : disks) memberList += (memberList.empty() ? "" : ",") + diskLabel(disk);
    s.note(vd, std::string("created: ") + rule->word + " on " + memberList + ", " + std::to_string(length) + " bytes");
    if (rule->redundant && rule->bit != layout::Raid1 && rule->bit != layout::Raid10 &&
        rule->bit != layout::Raid1Concat)
        startTask(s, vd, task::BackgroundInit, taskSeconds(length, rateFor(controller, "BGIRate")));
    answerWith(s, out, vd);
    out.addResult({{"VirtualDisk", number}});
}

void setCntrlGlobalRescan(Session& s, const Request&, ReplyBuilder& out) {
    for (const auto& controller : s.store.ofKind(Kind::Controller)) rescanRemovedDisks(s, controller, -1);
    Object storage = storageObject(s.store);
    s.note(storage, "global rescan completed");
    answerWith(s, out, storage);
}

void setEnclosureEnableSTS(Session& s, const Request&, ReplyBuilder& out) {
    Object storage = storageObject(s.store);
    setToggle(s, storage, "SMARTThermalShutdown", "Enabled", "SMART thermal shutdown is already enabled",
              "SMART thermal shutdown enabled");
    answerWith(s, out, storage);
}

void setEnclosureDisableSTS(Session& s, const Request&, ReplyBuilder& out) {
    Object storage = storageObject(s.store);
    setToggle(s, storage, "SMARTThermalShutdown", "Disabled", "SMART thermal shutdown is already disabled",
              "SMART thermal shutdown disabled");
    answerWith(s, out, storage);
}

// Debug levels are kept with the state and change nothing else.
void setDebugMode(Session& s, const Request& r, ReplyBuilder& out) {
    std::string settings;
    for (const char* name : {"state", "queue", "ral", "val", "afavil", "lsivil", "nrsvil", "evil", "sasvil", "sasevil",
                             "hel"}) {
        auto value = r.get(name);
        if (!value || value->empty()) continue;
        if (std::string(name) != "state" && !parseInteger(*value))
            badRequest(std::string(name) + "='" + *value + "' is not a debug level");
        settings += (settings.empty() ? "" : " ") + std::string(name) + "=" + *value;
    }
    if (settings.empty()) badRequest("setDebugMode needs state= or a debug level");
    s.store.setMeta("debugmode", settings);
    Object storage = storageObject(s.store);
    s.note(storage, "debug mode set: " + settings);
    out.addObject({{"ObjType", "StorageObject"}, {"DebugMode", settings}});
}

}  // namespace kwda
