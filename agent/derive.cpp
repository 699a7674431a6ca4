#include "derive.h"

#include <algorithm>
#include <map>

#include "environment.h"
#include "identifiers.h"
#include "layouts.h"
#include "tasks.h"

namespace kwda {

namespace {

constexpr uint32_t kPatrolAuto = 1, kPatrolManual = 2;

bool blinking(const Object& o) { return o.get("Blink") == "On"; }

// Rate settings, patrol read mode and virtual disk creation count as
// supported even when the controller states no rate, mode mask or layout
// mask: the plug-in answers those gaps with rules of its own (a rate that
// cannot be read, no supported mode, no supported layout).
uint32_t controllerMaster(const Object& c) {
    using namespace bits;
    uint32_t m = CtrlRescan | CtrlExportLog | CtrlDumpEvents | CtrlResetConfig | CtrlClearForeign |
                 CtrlImportForeign | CtrlRecoverForeign | CtrlRebuildRate | CtrlBGIRate | CtrlCCRate |
                 CtrlPatrolRate | CtrlReconstructRate | CtrlCreateVD | CtrlPatrolMode;
    if (c.has("AlarmState")) m |= CtrlEnableAlarm | CtrlDisableAlarm | CtrlQuietAlarm | CtrlTestAlarm;
    uint32_t patrol = maskValue(c.get("PatrolReadModeMask"));
    if (patrol & (kPatrolAuto | kPatrolManual)) m |= CtrlStopPatrol;
    if (patrol & kPatrolManual) m |= CtrlStartPatrol;
    return m;
}

uint32_t virtualDiskMasterOf(const Object& vd) {
    using namespace bits;
    uint32_t m = VdDelete | VdBlink | VdUnblink | VdRename | VdChangePolicy | VdInitialize | VdFastInit |
                 VdSlowInit | VdCancelInit;
    const LayoutRule* rule = layoutRule(static_cast<uint32_t>(vd.number("Layout").value_or(0)));
    if (!rule) return m;
    if (rule->bit != layout::Concat) m |= VdReconfigure;
    if (rule->redundant) m |= VdCheckConsistency | VdCancelCC | VdPauseCC | VdResumeCC | VdAssignSpare | VdCancelBGI;
    if (rule->bit == layout::Raid1) m |= VdSplitMirror | VdUnmirror;
    return m;
}

constexpr uint32_t kDiskMaster = bits::PdBlink | bits::PdUnblink | bits::PdAssignGlobal | bits::PdUnassignGlobal |
                                 bits::PdOnline | bits::PdOffline | bits::PdRemove | bits::PdRebuild |
                                 bits::PdCancelRebuild | bits::PdInitialize | bits::PdRemoveDeadSegments |
                                 bits::PdClear | bits::PdCancelClear;
constexpr uint32_t kBatteryMaster = bits::BattRecondition | bits::BattStartLearn | bits::BattDelayLearn;
constexpr uint32_t kStorageMaster = bits::StorGlobalRescan | bits::StorEnableSTS | bits::StorDisableSTS;

bool hasMasks(Kind kind) {
    switch (kind) {
        case Kind::StorageObject:
        case Kind::Controller:
        case Kind::Connector:
        case Kind::Enclosure:
        case Kind::PhysicalDisk:
        case Kind::VirtualDisk:
        case Kind::Battery: return true;
        default: return false;
    }
}

std::string probeState(const Object& probe) {
    auto reading = probe.number("Reading");
    if (!reading) return {};
    auto below = [&](const char* name) { auto v = probe.number(name); return v && *reading < *v; };
    auto above = [&](const char* name) { auto v = probe.number(name); return v && *reading > *v; };
    if (below("MinFailure") || above("MaxFailure")) return "Critical";
    if (below("MinWarning") || above("MaxWarning")) return "Warning";
    return state::Ready;
}

// How much a state of an object matters to the health of what holds it:
// 1 Non-Critical, 2 Critical; states not listed are Ok.
struct Condition {
    const char* state;
    int severity;
};
constexpr Condition kConditions[] = {
    {"Degraded", 1}, {"Warning", 1}, {"Offline", 1}, {"Rebuilding", 1}, {"Learning", 1}, {"Reconditioning", 1},
    {"Failed", 2},   {"Critical", 2}, {"Missing", 2},
};
constexpr const char* kRollupWords[] = {"Ok", "Non-Critical", "Critical"};

int severityOf(const std::string& state) {
    for (const auto& c : kConditions)
        if (state == c.state) return c.severity;
    return 0;
}

}  // namespace

const View::Rollup& View::rollup(const Object& holder) {
    if (auto it = rollups_.find(holder.id); it != rollups_.end()) return it->second;
    std::vector<Object> held;
    if (holder.kind == Kind::Controller) {
        preload(holder);
        held.push_back(holder);
        for (auto& o : store_.inController(holder.id))
            if (o.id != holder.id) held.push_back(std::move(o));
    } else {
        for (const auto& controller : store_.ofKind(Kind::Controller)) preload(controller);
        held = store_.all();
    }
    int worst = 0;
    std::string lines;
    for (const auto& o : held) {
        auto state = stateOf(o);
        int severity = state ? severityOf(*state) : 0;
        if (severity == 0) continue;
        worst = std::max(worst, severity);
        lines += (lines.empty() ? "" : "\n") + eventName(o) + ": " + *state;
    }
    return rollups_[holder.id] = Rollup{kRollupWords[worst], lines};
}

void View::preload(const Object& controller) {
    if (!preloaded_.insert(controller.id).second) return;
    for (const auto& m : store_.membersOnController(controller.id)) {
        byDisk_[m.disk].push_back(m);
        byVd_[m.vd].push_back(m);
    }
    for (const auto& s : store_.hotSparesOnController(controller.id)) spares_[s.disk] = s;
    for (const auto& t : store_.tasksOnController(controller.id)) tasks_[t.object] = t;
    for (auto& vd : store_.ofController(controller.id, Kind::VirtualDisk)) objects_[vd.id] = vd;
}

std::vector<Member> View::memberships(const Object& disk) {
    if (preloaded_.count(disk.ctrl)) {
        auto it = byDisk_.find(disk.id);
        return it == byDisk_.end() ? std::vector<Member>{} : it->second;
    }
    auto [it, inserted] = byDisk_.try_emplace(disk.id);
    if (inserted) it->second = store_.membershipsOf(disk.id);
    return it->second;
}

std::vector<Member> View::members(const Object& vd) {
    if (preloaded_.count(vd.ctrl)) {
        auto it = byVd_.find(vd.id);
        return it == byVd_.end() ? std::vector<Member>{} : it->second;
    }
    auto [it, inserted] = byVd_.try_emplace(vd.id);
    if (inserted) it->second = store_.membersOf(vd.id);
    return it->second;
}

std::optional<HotSpare> View::hotSpare(const Object& disk) {
    auto it = spares_.find(disk.id);
    if (it != spares_.end()) return it->second;
    if (preloaded_.count(disk.ctrl)) return std::nullopt;
    return spares_[disk.id] = store_.hotSpare(disk.id);
}

std::optional<Task> View::task(const Object& object) {
    auto it = tasks_.find(object.id);
    if (it != tasks_.end()) return it->second;
    if (object.ctrl != 0 && preloaded_.count(object.ctrl)) return std::nullopt;
    return tasks_[object.id] = store_.task(object.id);
}

const Object* View::byId(int64_t id) {
    auto it = objects_.find(id);
    if (it == objects_.end()) it = objects_.emplace(id, store_.object(id)).first;
    return it->second ? &*it->second : nullptr;
}

int64_t View::usedBytes(const Object& disk) {
    int64_t used = 0;
    for (const auto& m : memberships(disk)) used += m.bytes;
    return used;
}

std::string View::disksOf(const Object& vd) {
    std::string out;
    for (const auto& m : members(vd))
        if (const Object* disk = byId(m.disk)) out += (out.empty() ? "" : ",") + diskLabel(*disk);
    return out;
}

std::string View::memberOf(const Object& disk) {
    std::string out;
    for (const auto& m : memberships(disk))
        if (const Object* vd = byId(m.vd)) out += (out.empty() ? "" : ",") + vd->get("LogicalDriveNum");
    return out;
}

std::string View::hotSpareFor(const Object& disk) {
    auto spare = hotSpare(disk);
    if (!spare) return {};
    if (spare->vd == 0) return "global";
    const Object* vd = byId(spare->vd);
    return vd ? vd->get("LogicalDriveNum") : std::string();
}

// A new virtual disk needs room: an unused ready disk, or, failing that, an
// online member disk with space left beyond what its virtual disks use.
bool View::hasReadyDisk(const Object& controller) {
    if (store_.anyUnusedReadyDisk(controller.id)) return true;
    std::map<int64_t, long long> used;
    for (const auto& m : store_.membersOnController(controller.id)) used[m.disk] += m.bytes;
    for (const auto& [diskId, bytes] : used) {
        auto disk = store_.object(diskId);
        if (disk && disk->state == state::Online && !store_.hotSpare(diskId) &&
            disk->number("Length").value_or(0) > bytes)
            return true;
    }
    return false;
}

uint32_t View::masterMask(const Object& o) {
    switch (o.kind) {
        case Kind::StorageObject: return kStorageMaster;
        case Kind::Controller: return controllerMaster(o);
        case Kind::Connector: return bits::ConnRescan;
        case Kind::Enclosure: return enclosureMaster(o);
        case Kind::PhysicalDisk: return kDiskMaster;
        case Kind::VirtualDisk: return virtualDiskMaster(o);
        case Kind::Battery: return kBatteryMaster;
        default: return 0;
    }
}

uint32_t View::currentMask(const Object& o) {
    uint32_t current = 0;
    switch (o.kind) {
        case Kind::StorageObject: current = storageCurrent(o); break;
        case Kind::Controller: current = controllerCurrent(o); break;
        case Kind::Connector: current = bits::ConnRescan; break;
        case Kind::Enclosure: current = enclosureCurrent(o); break;
        case Kind::PhysicalDisk: current = diskCurrent(o); break;
        case Kind::VirtualDisk: current = virtualDiskCurrent(o); break;
        case Kind::Battery: current = batteryCurrent(o); break;
        default: break;
    }
    // What the object does not support it cannot allow either; a stated
    // MasterMethodMask narrows it the same way.
    uint32_t master = o.has("MasterMethodMask") ? maskValue(o.get("MasterMethodMask")) : masterMask(o);
    return current & master;
}

uint32_t View::attributesMask(const Object& o) {
    uint32_t mask = 0;
    if (o.kind == Kind::PhysicalDisk) {
        if (o.encl != 0) mask |= bits::AttrInEnclosure;
        if (auto spare = hotSpare(o)) mask |= spare->vd == 0 ? bits::AttrGlobalSpare : bits::AttrDedicatedSpare;
    } else if (o.kind == Kind::VirtualDisk) {
        const LayoutRule* rule = layoutRule(static_cast<uint32_t>(o.number("Layout").value_or(0)));
        if (rule && rule->resizable) mask |= bits::AttrResizable;
    }
    return mask;
}

uint32_t View::controllerCurrent(const Object& c) {
    using namespace bits;
    uint32_t m = CtrlRescan | CtrlExportLog | CtrlDumpEvents | CtrlRebuildRate | CtrlBGIRate | CtrlCCRate |
                 CtrlPatrolRate | CtrlReconstructRate | CtrlPatrolMode;
    int64_t visible = 0;
    for (const auto& vd : store_.ofController(c.id, Kind::VirtualDisk))
        if (vd.state != state::Foreign) ++visible;
    if (visible > 0) m |= CtrlResetConfig;
    std::string alarm = c.get("AlarmState");
    if (alarm == "Enabled") m |= CtrlDisableAlarm | CtrlQuietAlarm | CtrlTestAlarm;
    if (alarm == "Disabled") m |= CtrlEnableAlarm;
    auto limit = c.number("MaxVDAllowed");
    if ((!limit || visible < *limit) && hasReadyDisk(c)) m |= CtrlCreateVD;
    auto running = task(c);
    if (running && running->name == task::PatrolRead) m |= CtrlStopPatrol;
    else if (c.number("PatrolReadMode").value_or(0) == kPatrolManual) m |= CtrlStartPatrol;
    if (store_.anyInState(c.id, Kind::PhysicalDisk, state::Foreign))
        m |= CtrlClearForeign | CtrlImportForeign | CtrlRecoverForeign;
    return m;
}

uint32_t View::virtualDiskMaster(const Object& vd) { return virtualDiskMasterOf(vd); }

uint32_t View::virtualDiskCurrent(const Object& vd) {
    using namespace bits;
    uint32_t m = VdRename | VdChangePolicy | (blinking(vd) ? VdUnblink : VdBlink);
    const LayoutRule* rule = layoutRule(static_cast<uint32_t>(vd.number("Layout").value_or(0)));
    bool redundant = rule && rule->redundant;
    bool ready = vd.state == state::Ready;
    if (redundant && vd.state != state::Failed) m |= VdAssignSpare;
    auto running = task(vd);
    if (!running) {
        m |= VdDelete | VdInitialize | VdFastInit | VdSlowInit;
        if (ready) m |= VdReconfigure;
        if (ready && redundant) m |= VdCheckConsistency;
        if (ready && rule && rule->bit == layout::Raid1) m |= VdSplitMirror | VdUnmirror;
        return m;
    }
    if (running->name == task::CheckConsistency)
        m |= VdCancelCC | (running->paused ? VdResumeCC : VdPauseCC);
    else if (running->name == task::Initialize)
        m |= VdCancelInit;
    else if (running->name == task::BackgroundInit)
        m |= VdCancelBGI | VdDelete | VdInitialize | VdFastInit | VdSlowInit |
             (ready && redundant ? VdCheckConsistency : 0);
    return m;
}

uint32_t View::diskCurrent(const Object& disk) {
    using namespace bits;
    uint32_t m = blinking(disk) ? PdUnblink : PdBlink;
    auto running = task(disk);
    auto spare = hotSpare(disk);
    auto memberOf = memberships(disk);
    bool member = !memberOf.empty();
    bool inRedundant = false;
    for (const auto& membership : memberOf)
        if (const Object* vd = byId(membership.vd)) {
            const LayoutRule* rule = layoutRule(static_cast<uint32_t>(vd->number("Layout").value_or(0)));
            inRedundant = inRedundant || (rule && rule->redundant);
        }
    if (running) {
        if (running->name == task::Rebuild) m |= PdCancelRebuild;
        if (running->name == task::Clear) m |= PdCancelClear;
        return m;
    }
    const std::string& s = disk.state;
    if (spare) {
        if (spare->vd == 0) m |= PdUnassignGlobal;
    } else if (s == state::Ready && !member) {
        m |= PdAssignGlobal | PdRemove | PdInitialize | PdClear;
    } else if (s == state::Online || (s == state::Ready && member)) {
        m |= PdOffline;
    } else if (s == state::Offline) {
        m |= PdOnline | PdRemove | (member && inRedundant ? PdRebuild : 0);
    } else if (s == state::Failed) {
        m |= PdRemove | (member && inRedundant ? PdRebuild : 0);
    }
    return m;
}

uint32_t View::enclosureMaster(const Object& e) {
    using namespace bits;
    uint32_t m = EnclTags | EnclBlink | EnclUnblink;
    if (e.has("AlarmState")) m |= EnclEnableAlarm | EnclDisableAlarm;
    if (!store_.children(e.id, Kind::TemperatureProbe).empty()) m |= EnclProbes | EnclAllProbes;
    return m;
}

uint32_t View::enclosureCurrent(const Object& e) {
    using namespace bits;
    uint32_t m = EnclTags | EnclProbes | EnclAllProbes | (blinking(e) ? EnclUnblink : EnclBlink);
    std::string alarm = e.get("AlarmState");
    if (alarm == "Enabled") m |= EnclDisableAlarm;
    if (alarm == "Disabled") m |= EnclEnableAlarm;
    return m;
}

uint32_t View::batteryCurrent(const Object& battery) { return task(battery) ? 0 : kBatteryMaster; }

uint32_t View::storageCurrent(const Object& storage) {
    using namespace bits;
    return StorGlobalRescan | (storage.get("SMARTThermalShutdown") == "Enabled" ? StorDisableSTS : StorEnableSTS);
}

std::optional<std::string> View::stateOf(const Object& o) {
    if (o.kind == Kind::PhysicalDisk || o.kind == Kind::VirtualDisk) {
        if (o.state.empty()) return std::nullopt;
        return o.state;
    }
    if (o.kind == Kind::Battery)
        if (auto running = task(o)) return running->name == task::Learn ? "Learning" : "Reconditioning";
    if (auto stated = o.find("State")) return *stated;
    if (o.kind == Kind::TemperatureProbe) {
        std::string derivedState = probeState(o);
        if (!derivedState.empty()) return derivedState;
    }
    return std::nullopt;
}

std::optional<std::string> View::derived(const Object& o, const std::string& name) {
    if (name == "ObjID") return o.objid;
    if (name == "ObjType") return std::string(kindName(o.kind));
    if (name == "Task" || name == "TaskStart" || name == "Progress") {
        auto running = task(o);
        if (!running) return std::nullopt;
        if (name == "Task") return taskTitle(running->name) + (running->paused ? " (paused)" : "");
        if (name == "TaskStart") return isoTime(running->started);
        return std::to_string(taskProgress(*running, now_));
    }
    if (name == "MasterMethodMask" || name == "CurrentMethodMask") {
        if (!hasMasks(o.kind)) return std::nullopt;
        return maskText(name == "MasterMethodMask" ? masterMask(o) : currentMask(o));
    }
    if (name == "AttributesMask") {
        if (o.kind != Kind::PhysicalDisk && o.kind != Kind::VirtualDisk) return std::nullopt;
        return maskText(attributesMask(o));
    }
    if (name == "RollupStatus") return rollup(o).status;
    if (name == "Attention") {
        const std::string& lines = rollup(o).attention;
        if (lines.empty()) return std::nullopt;
        return lines;
    }
    switch (o.kind) {
        case Kind::PhysicalDisk:
            if (name == "MemberOf") {
                std::string vds = memberOf(o);
                if (vds.empty()) return std::nullopt;
                return vds;
            }
            if (name == "UsedLength") return std::to_string(usedBytes(o));
            if (name == "FreeLength") {
                int64_t left = o.number("Length").value_or(0) - usedBytes(o);
                return std::to_string(left > 0 ? left : 0);
            }
            if (name == "HotSpareFor") {
                std::string role = hotSpareFor(o);
                if (role.empty()) return std::nullopt;
                return role;
            }
            if (name == "Blink") return std::string("Off");
            // Directly attached disks answer an empty EnclosureID so that the
            // n-th EnclosureID of a list reply belongs to the n-th disk.
            if (name == "EnclosureID") return std::string();
            break;
        case Kind::VirtualDisk:
            if (name == "Disks") return disksOf(o);
            if (name == "Blink") return std::string("Off");
            break;
        case Kind::Enclosure:
            if (name == "Blink") return std::string("Off");
            break;
        case Kind::Controller:
            if (name == "ForeignConfig")
                return std::string(store_.anyInState(o.id, Kind::PhysicalDisk, state::Foreign) ? "Present" : "None");
            if (name == "PatrolReadState") {
                auto running = task(o);
                if (running && running->name == task::PatrolRead) return std::string("Active");
            }
            break;
        case Kind::StorageObject:
            if (name == "AgentVersion") return std::string(kAgentVersion);
            if (name == "ControllerCount") return std::to_string(store_.ofKind(Kind::Controller).size());
            break;
        case Kind::Battery:
            if (name == "LearnState") {
                auto running = task(o);
                if (running && running->name == task::Learn) return std::string("Learning");
            }
            break;
        default: break;
    }
    return std::nullopt;
}

Elements View::render(const Object& o) {
    Elements elements;
    for (const auto& attribute : attributesOf(o.kind)) {
        std::string name = attribute.name;
        std::optional<std::string> value;
        if (name == "State") {
            value = stateOf(o);
        } else if (name == "PatrolReadState" || name == "LearnState") {
            value = derived(o, name);
            if (!value) {
                if (auto stated = o.find(name)) value = *stated;
            }
        } else if (auto stated = o.find(name)) {
            value = *stated;
        } else {
            value = derived(o, name);
        }
        if (value) elements.emplace_back(std::move(name), std::move(*value));
    }
    return elements;
}

}  // namespace kwda
