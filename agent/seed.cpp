#include "seed.h"

#include <map>
#include <set>

#include "errors.h"
#include "identifiers.h"
#include "layouts.h"
#include "session.h"
#include "tasks.h"

namespace kwda {

namespace {

constexpr double kFirstLearnDelaySeconds = 30 * 24 * 3600.0;

struct PendingSpare {
    int64_t disk;
    std::string target;
    int line;
};

class Seeder {
public:
    Seeder(Store& store, const Profile& profile, const Environment& env, double now, std::vector<Event>& events)
        : store_(store), profile_(profile), env_(env), now_(now), events_(events) {}

    void run() {
        collectStatedObjIds(profile_.nodes);
        bool haveStorageObject = false;
        for (const auto& node : profile_.nodes) {
            if (node.kind == Kind::StorageObject) {
                seedStorageObject(&node);
                haveStorageObject = true;
            }
        }
        if (!haveStorageObject) seedStorageObject(nullptr);
        int controllers = 0;
        std::map<std::string, int> numbers;
        for (const auto& node : profile_.nodes) {
            if (node.kind == Kind::AlertLog) {
                if (auto path = node.find("Path")) store_.setMeta("alertlog", *path);
            } else if (node.kind == Kind::Controller) {
                seedController(node, controllers++, numbers);
            }
        }
        store_.setMeta("nextobjid", std::to_string(nextObjId_));
        store_.setMeta("source", profile_.source);
        store_.setMeta("sourcehash", profile_.hash);
        store_.setMeta("created", isoTime(now_));
        startSeededTasks();
    }

private:
    [[noreturn]] void error(const ProfileNode& node, const std::string& message) {
        profileError(profile_.source, node.line, message);
    }

    void collectStatedObjIds(const std::vector<ProfileNode>& nodes) {
        for (const auto& node : nodes) {
            if (auto objid = node.find("ObjID")) {
                auto [it, fresh] = statedObjIds_.emplace(*objid, node.line);
                if (!fresh)
                    error(node, "ObjID " + *objid + " is already used on line " + std::to_string(it->second));
            }
            collectStatedObjIds(node.children);
        }
    }

    std::string objIdFor(const ProfileNode* node) {
        if (node)
            if (auto objid = node->find("ObjID")) {
                nextObjId_ = std::max(nextObjId_, std::stoll(*objid) + 1);
                return *objid;
            }
        while (statedObjIds_.count(std::to_string(counter_))) ++counter_;
        std::string objid = std::to_string(counter_++);
        nextObjId_ = std::max(nextObjId_, counter_);
        return objid;
    }

    Object baseObject(const ProfileNode* node, Kind kind) {
        Object o;
        o.kind = kind;
        if (node)
            for (const auto& [name, value] : node->attributes) o.attrs[name] = value;
        o.attrs.erase("ObjID");
        o.objid = objIdFor(node);
        o.ord = order_++;
        return o;
    }

    std::string identifier(const ProfileNode& node, const char* name, int position) {
        if (auto stated = node.find(name)) return *stated;
        return std::to_string(position);
    }

    void seedStorageObject(const ProfileNode* node) {
        Object o = baseObject(node, Kind::StorageObject);
        o.cord = o.ord;
        store_.insert(o);
    }

    void seedController(const ProfileNode& node, int position, std::map<std::string, int>& numbers) {
        std::string number = identifier(node, "GlobalNo", position);
        if (auto [it, fresh] = numbers.emplace(number, node.line); !fresh)
            error(node, "controller " + number + " is already stated on line " + std::to_string(it->second));
        Object c = baseObject(&node, Kind::Controller);
        c.attrs["GlobalNo"] = number;
        c.key = number;
        c.cord = c.ord;
        store_.insert(c);
        c.ctrl = c.id;
        store_.update(c);
        controller_ = c;
        diskKeys_.clear();
        diskKeys2_.clear();
        used_.clear();
        diskNodes_.clear();
        pendingSpares_.clear();
        memberOf_.clear();

        int connectors = 0, vds = 0, batteries = 0;
        std::map<std::string, int> vdNumbers, batteryIds;
        for (const auto& child : node.children) {
            if (child.kind == Kind::Connector) seedConnector(child, connectors++);
        }
        for (const auto& child : node.children) {
            if (child.kind == Kind::VirtualDisk) seedVirtualDisk(child, vds++, vdNumbers);
            if (child.kind == Kind::Battery) seedBattery(child, batteries++, batteryIds);
        }
        resolveSpares();
        settleDiskStates();
    }

    void seedConnector(const ProfileNode& node, int position) {
        std::string channel = std::to_string(position);
        if (auto stated = node.find("Channel"); stated && *stated != channel)
            error(node, "Connector Channel=\"" + *stated + "\" must equal its position " + channel +
                            " (connectors are numbered 0, 1, ... in the order they stand)");
        Object connector = baseObject(&node, Kind::Connector);
        connector.attrs["GlobalNo"] = controller_.key;
        connector.attrs["Channel"] = channel;
        connector.parent = controller_.id;
        connector.ctrl = controller_.id;
        connector.cord = controller_.cord;
        connector.conn = position;
        connector.key = channel;
        store_.insert(connector);

        int enclosures = 0, directDisks = 0;
        std::map<std::string, int> enclosureIds;
        for (const auto& child : node.children) {
            if (child.kind == Kind::Enclosure) seedEnclosure(child, connector, enclosures++, enclosureIds);
            if (child.kind == Kind::PhysicalDisk) seedDisk(child, connector, nullptr, directDisks++);
        }
    }

    void inherit(Object& o, const Object& from, const char* name) {
        if (!o.has(name) && from.has(name)) o.attrs[name] = from.get(name);
    }

    void seedEnclosure(const ProfileNode& node, const Object& connector, int position,
                       std::map<std::string, int>& ids) {
        std::string id = identifier(node, "EnclosureID", position);
        if (auto [it, fresh] = ids.emplace(id, node.line); !fresh)
            error(node, "enclosure " + connector.key + ":" + id + " is already stated on line " +
                            std::to_string(it->second));
        Object e = baseObject(&node, Kind::Enclosure);
        e.attrs["GlobalNo"] = controller_.key;
        e.attrs["Channel"] = connector.key;
        e.attrs["EnclosureID"] = id;
        inherit(e, connector, "BusProtocol");
        e.parent = connector.id;
        e.ctrl = controller_.id;
        e.cord = controller_.cord;
        e.conn = connector.conn;
        e.key = connector.key + ":" + id;
        store_.insert(e);

        int disks = 0;
        std::map<Kind, int> positions;
        std::map<std::pair<Kind, std::string>, int> indexes;
        for (const auto& child : node.children) {
            if (child.kind == Kind::PhysicalDisk) {
                seedDisk(child, connector, &e, disks++);
                continue;
            }
            std::string index = identifier(child, "Index", positions[child.kind]++);
            if (auto [it, fresh] = indexes.emplace(std::make_pair(child.kind, index), child.line); !fresh)
                error(child, std::string(kindName(child.kind)) + " Index " + index + " is already stated on line " +
                                 std::to_string(it->second));
            Object component = baseObject(&child, child.kind);
            component.attrs["GlobalNo"] = controller_.key;
            component.attrs["Channel"] = connector.key;
            component.attrs["EnclosureID"] = id;
            component.attrs["Index"] = index;
            if (child.kind == Kind::TemperatureProbe) {
                // What "resettempprobes" restores.
                if (component.has("MinWarning")) component.attrs["_DefaultMinWarning"] = component.get("MinWarning");
                if (component.has("MaxWarning")) component.attrs["_DefaultMaxWarning"] = component.get("MaxWarning");
            }
            component.parent = e.id;
            component.ctrl = controller_.id;
            component.cord = controller_.cord;
            component.conn = connector.conn;
            component.encl = e.id;
            component.key = index;
            store_.insert(component);
        }
    }

    void seedDisk(const ProfileNode& node, const Object& connector, const Object* enclosure, int position) {
        std::string target = identifier(node, "TargetID", position);
        Object d = baseObject(&node, Kind::PhysicalDisk);
        d.attrs["GlobalNo"] = controller_.key;
        if (!d.has("Channel")) d.attrs["Channel"] = connector.key;
        if (enclosure && !d.has("EnclosureID")) d.attrs["EnclosureID"] = enclosure->get("EnclosureID");
        d.attrs["TargetID"] = target;
        inherit(d, connector, "BusProtocol");
        d.parent = enclosure ? enclosure->id : connector.id;
        d.ctrl = controller_.id;
        d.cord = controller_.cord;
        d.conn = connector.conn;
        d.encl = enclosure ? enclosure->id : 0;
        d.key2 = d.get("Channel") + ":" + target;
        d.key = enclosure ? d.get("Channel") + ":" + d.get("EnclosureID") + ":" + target : d.key2;
        d.state = d.get("State");
        d.attrs.erase("State");
        std::string spare = d.get("HotSpareFor");
        d.attrs.erase("HotSpareFor");
        checkDiskKeys(node, d, connector);
        store_.insert(d);
        diskKeys_[d.key] = d.id;
        diskKeys2_[d.key2].push_back(d.id);
        diskNodes_[d.id] = {&node, d};
        if (!spare.empty()) pendingSpares_.push_back(PendingSpare{d.id, spare, node.line});
    }

    void checkDiskKeys(const ProfileNode& node, const Object& d, const Object& connector) {
        if (auto it = diskKeys_.find(d.key); it != diskKeys_.end())
            error(node, "disk " + d.key + " is already stated on line " +
                            std::to_string(diskNodes_[it->second].first->line));
        // Behind a connector other than protocol 8 users name every disk as
        // connector:target, so those must be unique too.
        if (connector.get("BusProtocol") != "8")
            if (auto it = diskKeys2_.find(d.key2); it != diskKeys2_.end())
                error(node, "disk " + d.key2 + " is already stated on line " +
                                std::to_string(diskNodes_[it->second.front()].first->line));
    }

    int64_t resolveDisk(const ProfileNode& node, const std::string& text) {
        if (auto it = diskKeys_.find(text); it != diskKeys_.end()) return it->second;
        if (auto it = diskKeys2_.find(text); it != diskKeys2_.end() && it->second.size() == 1)
            return it->second.front();
        error(node, "disk " + text + " named in Disks does not exist on controller " + controller_.key);
    }

    int64_t freeOf(int64_t disk) {
        const Object& d = diskNodes_[disk].second;
        return d.number("Length").value_or(0) - used_[disk];
    }

    void seedVirtualDisk(const ProfileNode& node, int position, std::map<std::string, int>& numbers) {
        std::string number = identifier(node, "LogicalDriveNum", position);
        Object vd = baseObject(&node, Kind::VirtualDisk);
        bool foreign = vd.get("State") == state::Foreign;
        if (!foreign)
            if (auto [it, fresh] = numbers.emplace(number, node.line); !fresh)
                error(node, "virtual disk " + number + " is already stated on line " + std::to_string(it->second));
        auto bit = vd.number("Layout");
        if (!bit) error(node, "VirtualDisk needs a Layout (the layout's bit, e.g. Layout=\"64\" for r5)");
        const LayoutRule* rule = layoutRule(static_cast<uint32_t>(*bit));
        if (!rule) error(node, "Layout=\"" + vd.get("Layout") + "\" is not a RAID layout bit");
        std::vector<int64_t> disks;
        for (const auto& item : splitList(vd.get("Disks"))) {
            int64_t disk = resolveDisk(node, item);
            for (int64_t seen : disks)
                if (seen == disk) error(node, "disk " + item + " is named twice in Disks");
            disks.push_back(disk);
        }
        int span = static_cast<int>(vd.number("SpanLength").value_or(0));
        // A virtual disk whose member disks are all gone: failed, with no
        // members, and the size it had (when stated).
        bool orphan = disks.empty();
        if (!orphan)
            if (auto problem = diskCountProblem(*rule, static_cast<int>(disks.size()), span)) error(node, *problem);
        int64_t smallest = INT64_MAX;
        for (int64_t disk : disks) smallest = std::min(smallest, freeOf(disk));
        int64_t capacity =
            orphan ? 0 : dataDisks(*rule, static_cast<int>(disks.size()), span) * std::max<int64_t>(smallest, 0);
        int64_t length = vd.number("Length").value_or(orphan ? 0 : capacity);
        if (length <= 0 && !orphan) error(node, "the member disks of virtual disk " + number + " have no free space");
        if (length > capacity && !orphan)
            error(node, "Length=\"" + std::to_string(length) + "\" is more than layout " + rule->word +
                            " can hold on its disks (" + std::to_string(capacity) + " bytes)");
        vd.attrs["GlobalNo"] = controller_.key;
        vd.attrs["LogicalDriveNum"] = number;
        vd.attrs["Length"] = std::to_string(length);
        vd.attrs.erase("Disks");
        vd.state = orphan && !foreign ? std::string(state::Failed) : vd.get("State");
        vd.attrs.erase("State");
        vd.parent = controller_.id;
        vd.ctrl = controller_.id;
        vd.cord = controller_.cord;
        vd.key = foreign ? "foreign:" + number : number;
        store_.insert(vd);
        int64_t each = bytesPerMember(*rule, static_cast<int>(disks.size()), span, length);
        std::vector<Member> members;
        for (size_t i = 0; i < disks.size(); ++i) {
            members.push_back(Member{vd.id, disks[i], static_cast<int64_t>(i), each});
            used_[disks[i]] += each;
            memberOf_[disks[i]] = foreign ? state::Foreign : state::Online;
        }
        store_.setMembers(vd.id, members);
        virtualDisks_.push_back(vd.id);
    }

    void seedBattery(const ProfileNode& node, int position, std::map<std::string, int>& ids) {
        std::string id = identifier(node, "BatteryID", position);
        if (auto [it, fresh] = ids.emplace(id, node.line); !fresh)
            error(node, "battery " + id + " is already stated on line " + std::to_string(it->second));
        Object b = baseObject(&node, Kind::Battery);
        b.attrs["GlobalNo"] = controller_.key;
        b.attrs["BatteryID"] = id;
        if (b.has("MaxLearnDelay") && !b.has("NextLearnTime"))
            b.attrs["NextLearnTime"] = isoTime(now_ + kFirstLearnDelaySeconds);
        b.parent = controller_.id;
        b.ctrl = controller_.id;
        b.cord = controller_.cord;
        b.key = id;
        store_.insert(b);
    }

    void resolveSpares() {
        for (const auto& pending : pendingSpares_) {
            const ProfileNode& node = *diskNodes_[pending.disk].first;
            std::string label = diskNodes_[pending.disk].second.key;
            if (used_[pending.disk] > 0)
                error(node, "disk " + label + " cannot be a hot spare: it is a member of a virtual disk");
            int64_t vd = 0;
            if (pending.target != "global" && pending.target != "Global" && pending.target != "GLOBAL") {
                auto target = store_.byKey(controller_.id, Kind::VirtualDisk, pending.target);
                if (!target)
                    error(node, "HotSpareFor=\"" + pending.target + "\": controller " + controller_.key +
                                    " has no virtual disk " + pending.target);
                const LayoutRule* rule = layoutRule(static_cast<uint32_t>(target->number("Layout").value_or(0)));
                if (!rule || !rule->redundant)
                    error(node, "HotSpareFor=\"" + pending.target + "\": virtual disk " + pending.target +
                                    " has no redundancy to protect");
                vd = target->id;
            }
            store_.setHotSpare(HotSpare{pending.disk, vd, controller_.id});
        }
    }

    void settleDiskStates() {
        for (auto& [id, entry] : diskNodes_) {
            Object& d = entry.second;
            if (d.state.empty()) {
                auto member = memberOf_.find(id);
                d.state = member == memberOf_.end() ? state::Ready : member->second;
                store_.update(d);
            }
            if (d.state == state::Rebuilding) rebuilding_.push_back(id);
        }
        for (int64_t vdId : virtualDisks_) {
            auto vd = store_.object(vdId);
            if (!vd || !vd->state.empty()) continue;
            std::vector<bool> working;
            for (const auto& m : store_.membersOf(vdId)) working.push_back(store_.object(m.disk)->state == state::Online);
            const LayoutRule* rule = layoutRule(static_cast<uint32_t>(vd->number("Layout").value_or(0)));
            vd->state = virtualDiskHealth(*rule, static_cast<int>(vd->number("SpanLength").value_or(0)), working);
            store_.update(*vd);
        }
        virtualDisks_.clear();
    }

    void startSeededTasks() {
        Session session(store_, env_, now_);
        for (int64_t id : rebuilding_) {
            auto disk = store_.object(id);
            auto controller = store_.object(disk->ctrl);
            startTask(session, *disk, task::Rebuild,
                      taskSeconds(disk->number("Length").value_or(0), rateFor(*controller, "RebuildRate")));
        }
        events_.insert(events_.end(), session.events.begin(), session.events.end());
    }

    Store& store_;
    const Profile& profile_;
    const Environment& env_;
    double now_;
    std::vector<Event>& events_;

    std::map<std::string, int> statedObjIds_;
    long long counter_ = 1;
    long long nextObjId_ = 1;
    int64_t order_ = 1;

    Object controller_;
    std::map<std::string, int64_t> diskKeys_;
    std::map<std::string, std::vector<int64_t>> diskKeys2_;
    std::map<int64_t, std::pair<const ProfileNode*, Object>> diskNodes_;
    std::map<int64_t, int64_t> used_;
    std::map<int64_t, std::string> memberOf_;
    std::vector<PendingSpare> pendingSpares_;
    std::vector<int64_t> virtualDisks_;
    std::vector<int64_t> rebuilding_;
};

}  // namespace

void seedState(Store& store, const Profile& profile, const Environment& env, double now,
               std::vector<Event>& events) {
    Seeder(store, profile, env, now, events).run();
}

std::string allocateObjId(Store& store) {
    long long next = parseInteger(store.meta("nextobjid").value_or("1")).value_or(1);
    while (store.byObjId(std::to_string(next))) ++next;
    store.setMeta("nextobjid", std::to_string(next + 1));
    return std::to_string(next);
}

}  // namespace kwda
