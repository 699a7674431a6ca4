// Describes the machine read from sysfs as a profile in the vocabulary of a
// simulated system, and seeds an in-memory model from it. Identifiers
// follow the same rules: connectors are numbered in order within their
// controller, a disk in an enclosure slot is connector:enclosure:slot and
// any other disk connector:position. md arrays become virtual disks
// numbered as the kernel numbers them (md0 is virtual disk 0).
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
#include <set>

#include "derive.h"
#include "errors.h"
#include "layouts.h"
#include "local_machine.h"
#include "reply.h"
#include "seed.h"
#include "tasks.h"

namespace kwda {

namespace {

constexpr double kNever = std::numeric_limits<double>::max();

struct Placement {
    size_t adapter = 0;
    std::string label;  // "0:0:3" or "1:0"
};

// What an md array adds to its disks and to the controller that shows it.
struct ArrayPlan {
    const LocalArray* array = nullptr;
    const LayoutRule* rule = nullptr;
    size_t adapter = 0;
    std::vector<std::string> members;  // disk paths in member order
    std::vector<std::string> spares;
    int64_t length = 0;
    std::string state;
    std::string task;
};

struct SyncTask {
    const char* action;
    const char* task;
};
constexpr SyncTask kSyncTasks[] = {
    {"recover", task::Rebuild},   {"resync", task::BackgroundInit}, {"check", task::CheckConsistency},
    {"repair", task::CheckConsistency}, {"reshape", task::Reconstruct},
};

struct Level {
    const char* word;
    uint32_t bit;
};
// raid4 keeps its parity on one disk, but counts and survives like raid5.
constexpr Level kLevels[] = {
    {"linear", layout::Concat}, {"raid0", layout::Raid0}, {"raid1", layout::Raid1}, {"raid4", layout::Raid5},
    {"raid5", layout::Raid5},   {"raid6", layout::Raid6}, {"raid10", layout::Raid10},
};

void set(ProfileNode& node, const char* name, const std::string& value) {
    if (!value.empty()) node.attributes.emplace_back(name, value);
}

std::string joined(const std::vector<std::string>& items, const char* separator) {
    std::string out;
    for (const auto& item : items) out += (out.empty() ? "" : separator) + item;
    return out;
}

// The stripe-size bit of a chunk: 64 KiB -> 128 (bit n is 512 << n bytes).
std::string stripeBit(int64_t chunk) {
    if (chunk < 512 || (chunk & (chunk - 1)) != 0) return {};
    return std::to_string(chunk / 512);
}

class Describer {
public:
    Describer(const LocalMachine& machine, const LocalPaths& paths, std::string alertLog)
        : m_(machine), paths_(paths), alertLog_(std::move(alertLog)) {}

    Profile build() {
        place();
        for (const auto& array : m_.arrays) plan(array);
        Profile profile{"local system (" + paths_.sysfs + ")", {}};
        ProfileNode storage = node(Kind::StorageObject);
        set(storage, "Name", "Storage");
        set(storage, "State", "Ready");
        std::vector<std::string> scans;
        for (const auto& c : m_.connectors)
            if (!c.scan.empty()) scans.push_back(scanEntry(c));
        set(storage, "MasterMethodMask", maskText(scans.empty() ? 0 : bits::StorGlobalRescan));
        set(storage, "_Scan", joined(scans, "\n"));
        profile.nodes.push_back(std::move(storage));
        ProfileNode log = node(Kind::AlertLog);
        set(log, "Path", alertLog_);
        profile.nodes.push_back(std::move(log));
        for (size_t i = 0; i < m_.adapters.size(); ++i) profile.nodes.push_back(controller(i));
        return profile;
    }

private:
    ProfileNode node(Kind kind) { return ProfileNode{kind, ++line_, {}, {}}; }

    static std::string scanEntry(const LocalConnector& c) { return c.scanValue + "\t" + c.scan; }

    std::vector<const LocalConnector*> connectorsOf(size_t adapter) const {
        std::vector<const LocalConnector*> out;
        for (const auto& c : m_.connectors)
            if (c.adapter == m_.adapters[adapter].key) out.push_back(&c);
        return out;
    }

    const LocalDisk* diskAt(const std::string& device) const {
        if (device.empty()) return nullptr;
        for (const auto& d : m_.disks)
            if (d.device == device) return &d;
        return nullptr;
    }

    // Identifiers of every disk: slot disks first (they belong to their
    // enclosure's connector), then the rest by position on their connector.
    void place() {
        for (size_t a = 0; a < m_.adapters.size(); ++a) {
            auto connectors = connectorsOf(a);
            for (size_t p = 0; p < connectors.size(); ++p) {
                int enclosure = 0;
                std::set<long long> targets;
                for (const auto& e : m_.enclosures) {
                    if (e.connector != connectors[p]->key) continue;
                    for (const auto& slot : e.slots)
                        if (const LocalDisk* d = diskAt(slot.device); d && !placed_.count(d->path)) {
                            placed_[d->path] = {a, std::to_string(p) + ":" + std::to_string(enclosure) + ":" +
                                                       std::to_string(slot.number)};
                            slotOf_[d->path] = &slot;
                            targets.insert(slot.number);
                        }
                    ++enclosure;
                }
                targets_[connectors[p]->key] = targets;
            }
        }
        for (size_t a = 0; a < m_.adapters.size(); ++a) {
            auto connectors = connectorsOf(a);
            for (size_t p = 0; p < connectors.size(); ++p) {
                long long target = 0;
                auto& taken = targets_[connectors[p]->key];
                for (const auto& d : m_.disks) {
                    if (d.connector != connectors[p]->key || placed_.count(d.path)) continue;
                    while (taken.count(target)) ++target;
                    directTarget_[d.path] = target;
                    placed_[d.path] = {a, std::to_string(p) + ":" + std::to_string(target++)};
                }
            }
        }
    }

    // How an md array stands in the model. The members are its slots in
    // order; a slot being recovered stays with the failed disk it replaces
    // while that is still listed, the recovering disk then being the
    // array's dedicated spare. Disks on another controller are left out; an
    // array the model cannot hold (an odd disk count for its layout) is not
    // shown as a virtual disk, its disks still say they are its members.
    void plan(const LocalArray& a) {
        ArrayPlan p;
        p.array = &a;
        for (const auto& level : kLevels)
            if (a.level == level.word) p.rule = layoutRule(level.bit);
        if (!p.rule) return;
        const LocalMember* first = nullptr;
        for (const auto& member : a.members)
            if (!first && placed_.count(member.disk)) first = &member;
        if (!first) return;
        p.adapter = placed_[first->disk].adapter;
        auto here = [&](const LocalMember* member) {
            return member && placed_.count(member->disk) && placed_[member->disk].adapter == p.adapter;
        };
        std::vector<const LocalMember*> slots(static_cast<size_t>(std::max(0LL, a.raidDisks)), nullptr);
        std::vector<const LocalMember*> failed, spares;
        for (const auto& member : a.members) {
            if (member.slot >= 0 && member.slot < a.raidDisks) slots[static_cast<size_t>(member.slot)] = &member;
            else if (member.has("faulty")) failed.push_back(&member);
            else spares.push_back(&member);
        }
        std::map<std::string, std::string> states;
        const LocalMember* recovering = nullptr;
        for (auto* slot : slots) {
            bool rebuilding = slot && !slot->has("in_sync") && !slot->has("faulty");
            if ((!slot || rebuilding) && !failed.empty()) {
                if (rebuilding) {
                    recovering = slot;
                    spares.insert(spares.begin(), slot);
                }
                slot = failed.front();
                failed.erase(failed.begin());
            } else if (rebuilding) {
                recovering = slot;
            }
            if (!here(slot)) continue;
            p.members.push_back(slot->disk);
            if (slot->has("faulty")) states[slot->disk] = state::Failed;
            else if (slot == recovering) states[slot->disk] = state::Rebuilding;
        }
        for (auto* spare : spares)
            if (here(spare) && p.rule->redundant) p.spares.push_back(spare->disk);
        if (recovering && here(recovering)) states[recovering->disk] = state::Rebuilding;
        if (!fits(p)) return;
        std::vector<bool> health;
        for (const auto& disk : p.members) health.push_back(!states.count(disk));
        bool inactive = a.arrayState == "inactive" || a.arrayState == "clear";
        if (inactive) p.state = state::Failed;
        else if (a.degraded > 0) p.state = virtualDiskHealth(*p.rule, 0, health) == std::string(state::Failed)
                                               ? state::Failed : state::Degraded;
        else p.state = state::Ready;
        for (const auto& sync : kSyncTasks)
            if (a.syncAction == sync.action && a.progress >= 0) p.task = sync.task;
        for (const auto& [disk, value] : states) diskStates_[disk] = value;
        if (recovering && here(recovering))
            diskTasks_[recovering->disk] = p.task == task::Rebuild ? std::make_pair(std::max(a.progress, 0), a.runningSeconds)
                                                                   : std::make_pair(0, 0.0);
        for (const auto& spare : p.spares) spareOf_[spare] = std::to_string(a.number);
        plans_.push_back(p);
    }

    // Whether the seeding rules take the array as planned (and its length,
    // at most what its members can hold).
    bool fits(ArrayPlan& p) {
        std::set<std::string> distinct(p.members.begin(), p.members.end());
        if (distinct.size() != p.members.size()) return false;
        int n = static_cast<int>(p.members.size());
        if (diskCountProblem(*p.rule, n, 0)) return false;
        auto usedOf = [&](const std::string& disk) {
            auto it = used_.find(disk);
            return it == used_.end() ? int64_t{0} : it->second;
        };
        int64_t smallest = std::numeric_limits<int64_t>::max();
        for (const auto& disk : p.members) smallest = std::min(smallest, bytesOf(disk) - usedOf(disk));
        int64_t capacity = dataDisks(*p.rule, n, 0) * std::max<int64_t>(smallest, 0);
        p.length = std::min(p.array->bytes > 0 ? p.array->bytes : capacity, capacity);
        if (p.length <= 0) return false;
        for (const auto& disk : p.members) used_[disk] += bytesPerMember(*p.rule, n, 0, p.length);
        std::erase_if(p.spares, [&](const std::string& disk) { return used_.count(disk) || spareOf_.count(disk); });
        return true;
    }

    int64_t bytesOf(const std::string& path) const {
        for (const auto& d : m_.disks)
            if (d.path == path) return d.bytes;
        return 0;
    }

    ProfileNode controller(size_t a) {
        const LocalAdapter& adapter = m_.adapters[a];
        ProfileNode c = node(Kind::Controller);
        set(c, "Name", adapter.name);
        set(c, "State", "Ready");
        set(c, "SlotID", adapter.address.empty() ? std::string() : "PCI " + adapter.address);
        set(c, "DriverVersion", adapter.driver);
        std::vector<std::string> scans;
        auto connectors = connectorsOf(a);
        for (const auto* connector : connectors)
            if (!connector->scan.empty()) scans.push_back(scanEntry(*connector));
        set(c, "MasterMethodMask", maskText(scans.empty() ? 0 : bits::CtrlRescan));
        set(c, "_Scan", joined(scans, "\n"));
        for (const auto* connector : connectors) c.children.push_back(connectorNode(*connector));
        for (const auto& p : plans_)
            if (p.adapter == a) c.children.push_back(virtualDisk(p));
        return c;
    }

    ProfileNode connectorNode(const LocalConnector& connector) {
        ProfileNode c = node(Kind::Connector);
        set(c, "Name", connector.name);
        set(c, "State", "Ready");
        set(c, "BusProtocol", std::to_string(connector.protocol));
        set(c, "MasterMethodMask", maskText(connector.scan.empty() ? 0 : bits::ConnRescan));
        if (!connector.scan.empty()) set(c, "_Scan", scanEntry(connector));
        for (const auto& e : m_.enclosures)
            if (e.connector == connector.key) c.children.push_back(enclosure(e));
        std::vector<std::pair<long long, const LocalDisk*>> direct;
        for (const auto& d : m_.disks)
            if (auto it = directTarget_.find(d.path); it != directTarget_.end() && d.connector == connector.key)
                direct.emplace_back(it->second, &d);
        for (const auto& [target, d] : direct) c.children.push_back(disk(*d, target, nullptr));
        return c;
    }

    ProfileNode enclosure(const LocalEnclosure& e) {
        ProfileNode n = node(Kind::Enclosure);
        set(n, "Name", "Enclosure " + e.address);
        set(n, "State", "Ready");
        set(n, "Vendor", e.vendor);
        set(n, "ProductID", e.model);
        set(n, "FirmwareVersion", e.firmware);
        set(n, "SlotCount", std::to_string(e.slots.size()));
        std::vector<std::string> locates;
        bool all = true;
        for (const auto& slot : e.slots)
            if (!slot.locate.empty()) {
                locates.push_back(slot.locate);
                all = all && slot.locating;
            }
        // The enclosure blinks when every slot does: that is what blinking it does.
        if (!locates.empty()) set(n, "Blink", all ? "On" : "Off");
        set(n, "MasterMethodMask", maskText(locates.empty() ? 0 : bits::EnclBlink | bits::EnclUnblink));
        set(n, "_Locate", joined(locates, "\n"));
        for (const auto& slot : e.slots)
            if (const LocalDisk* d = diskAt(slot.device); d && slotOf_[d->path] == &slot)
                n.children.push_back(disk(*d, slot.number, &slot));
        return n;
    }

    ProfileNode disk(const LocalDisk& d, long long target, const LocalSlot* slot) {
        ProfileNode n = node(Kind::PhysicalDisk);
        set(n, "TargetID", std::to_string(target));
        set(n, "Name", d.name);
        std::string diskState = !d.state.empty() ? d.state : diskStates_.count(d.path) ? diskStates_[d.path] : "";
        set(n, "State", diskState);
        set(n, "MediaType", d.rotational ? "HDD" : "SSD");
        set(n, "Length", std::to_string(d.bytes));
        set(n, "Vendor", d.vendor);
        set(n, "ProductID", d.model);
        set(n, "SerialNumber", d.serial);
        set(n, "FirmwareVersion", d.firmware);
        if (auto spare = spareOf_.find(d.path); spare != spareOf_.end()) set(n, "HotSpareFor", spare->second);
        bool locatable = slot && !slot->locate.empty();
        if (locatable) set(n, "Blink", slot->locating ? "On" : "Off");
        set(n, "InUse", joined(d.uses, "; "));
        set(n, "MasterMethodMask", maskText(locatable ? bits::PdBlink | bits::PdUnblink : 0));
        if (locatable) set(n, "_Locate", slot->locate);
        if (auto progress = diskTasks_.find(d.path); progress != diskTasks_.end()) {
            set(n, "_Task", task::Rebuild);
            set(n, "_Progress", std::to_string(progress->second.first));
            set(n, "_Running", std::to_string(static_cast<long long>(progress->second.second)));
        }
        return n;
    }

    ProfileNode virtualDisk(const ArrayPlan& p) {
        const LocalArray& a = *p.array;
        ProfileNode n = node(Kind::VirtualDisk);
        set(n, "LogicalDriveNum", std::to_string(a.number));
        set(n, "Name", a.name);
        set(n, "State", p.state);
        set(n, "Layout", std::to_string(p.rule->bit));
        set(n, "Length", std::to_string(p.length));
        if (p.rule->bit != layout::Raid1 && p.rule->bit != layout::Concat) set(n, "StripeSize", stripeBit(a.chunk));
        std::vector<std::string> labels;
        for (const auto& disk : p.members) labels.push_back(placed_[disk].label);
        set(n, "Disks", joined(labels, ","));
        set(n, "DeviceName", "/dev/" + a.name);
        set(n, "InUse", joined(a.uses, "; "));
        set(n, "MasterMethodMask", "0");
        if (!p.task.empty()) {
            set(n, "_Task", p.task);
            set(n, "_Progress", std::to_string(a.progress));
            set(n, "_Running", std::to_string(static_cast<long long>(a.runningSeconds)));
        }
        return n;
    }

    const LocalMachine& m_;
    const LocalPaths& paths_;
    std::string alertLog_;
    int line_ = 0;
    std::map<std::string, Placement> placed_;
    std::map<std::string, const LocalSlot*> slotOf_;
    std::map<std::string, std::set<long long>> targets_;
    std::map<std::string, long long> directTarget_;
    std::vector<ArrayPlan> plans_;
    std::map<std::string, int64_t> used_;
    std::map<std::string, std::string> diskStates_;
    std::map<std::string, std::pair<int, double>> diskTasks_;  // progress, seconds running
    std::map<std::string, std::string> spareOf_;
};

// Tasks the kernel runs, at the progress it reports: they never finish by
// themselves in the model (the next request reads the kernel again).
void startKernelTasks(Store& store, double now) {
    for (const auto& object : store.all()) {
        auto name = object.find("_Task");
        if (!name) continue;
        Task t;
        t.object = object.id;
        t.name = *name;
        t.started = now - static_cast<double>(object.number("_Running").value_or(0));
        t.rate = 0;
        t.done = static_cast<double>(object.number("_Progress").value_or(0));
        t.due = kNever;
        t.ctrl = object.ctrl;
        store.putTask(t);
    }
}

// The model of the last request, kept while the kernel shows the same: the
// requests of one command come within milliseconds of each other, and
// seeding costs more than reading sysfs. A child process made by fork()
// never touches its parent's model (SQLite connections must not cross fork).
struct LocalModel {
    pid_t owner = 0;
    std::string print;
    std::unique_ptr<Store> store;

    void forget() {
        if (owner != ::getpid()) (void)store.release();
        store.reset();
        print.clear();
    }
    ~LocalModel() {
        if (owner != ::getpid()) (void)store.release();
    }
};

LocalModel& localModel() {
    static LocalModel model;
    return model;
}

// Everything a profile states, in order: equal texts seed equal models.
void appendPrint(std::string& out, const std::vector<ProfileNode>& nodes) {
    for (const auto& node : nodes) {
        out += kindName(node.kind);
        out += '{';
        for (const auto& [name, value] : node.attributes) {
            out += name;
            out += '\x1f';
            out += value;
            out += '\x1e';
        }
        appendPrint(out, node.children);
        out += '}';
    }
}

std::string fingerprint(const Profile& profile) {
    std::string out = profile.source + '\n';
    appendPrint(out, profile.nodes);
    return out;
}

std::string localAlertLog(const Environment& env) {
    std::filesystem::path state = std::filesystem::absolute(std::filesystem::path(env.statePath));
    return (state.parent_path() / "local.alert.log").string();
}

}  // namespace

Profile localProfile(const LocalPaths& paths, const std::string& alertLog) {
    LocalMachine machine = readMachine(paths);
    return Describer(machine, paths, alertLog).build();
}

Store& openLocalModel(const LocalPaths& paths, const Environment& env, double now) {
    LocalModel& model = localModel();
    Profile profile = localProfile(paths, localAlertLog(env));
    std::string print = fingerprint(profile);
    if (model.store && model.owner == ::getpid() && model.print == print) return *model.store;
    model.forget();
    // The kernel's tasks run at its own speed, whatever the time scale.
    Environment seeding = env;
    seeding.timeScale = 1.0;
    auto seed = [&](Store& store) {
        std::vector<Event> ignored;  // nothing is created, so nothing to log
        seedState(store, profile, seeding, now, ignored);
        startKernelTasks(store, now);
    };
    model.store = Store::inMemory(profile.source, seed);
    model.owner = ::getpid();
    model.print = std::move(print);
    return *model.store;
}

void forgetLocalModel() { localModel().forget(); }

}  // namespace kwda
