// Virtual disk write commands.
#include <algorithm>
#include <set>

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

struct Target {
    Object controller;
    Object vd;
};

Target target(Session& s, const Request& r) {
    Object controller = requireController(s.store, r);
    Object vd = requireVirtualDisk(s.store, controller, r.require("LogicalDriveNum"));
    return {std::move(controller), std::move(vd)};
}

std::optional<Task> runningTask(Session& s, const Object& vd) { return s.store.task(vd.id); }

void requireIdle(Session& s, const Object& vd, bool backgroundInitOk = false) {
    auto running = runningTask(s, vd);
    if (!running) return;
    if (backgroundInitOk && running->name == task::BackgroundInit) return;
    refuse(shortName(vd) + " is busy with " + taskTitle(running->name) + "; wait for it to end or cancel it");
}

void requireState(const Object& vd, const char* wanted, const char* forWhat) {
    if (vd.state != wanted)
        refuse(shortName(vd) + " is " + vd.state + "; " + forWhat + " needs a " + wanted + " virtual disk");
}

void requireTask(Session& s, const Object& vd, const char* name, const char* what) {
    auto running = runningTask(s, vd);
    if (!running || running->name != name) refuse("no " + std::string(what) + " is running on " + shortName(vd));
}

void blink(Session& s, const Request& r, ReplyBuilder& out, bool on) {
    auto [controller, vd] = target(s, r);
    std::string now = vd.get("Blink", "Off");
    if ((now == "On") == on) refuse(shortName(vd) + (on ? " is already blinking" : " is not blinking"));
    vd.attrs["Blink"] = on ? "On" : "Off";
    s.store.update(vd);
    s.note(vd, on ? "blinking started" : "blinking stopped");
    answerWith(s, out, vd);
}

void startInitialization(Session& s, const Request& r, ReplyBuilder& out, bool fast, bool forcible) {
    auto [controller, vd] = target(s, r);
    requireIdle(s, vd, true);
    if (vd.state == state::Failed) refuse(shortName(vd) + " has failed and cannot be initialized");
    if (forcible) requireForceWhenInUse(r, vd, "initializing it", "initialize it");
    cancelTask(s, vd);
    if (fast) {
        s.note(vd, "fast initialization completed");
    } else {
        s.note(vd, "initialization started");
        startTask(s, vd, task::Initialize, taskSeconds(vd.number("Length").value_or(0), 100));
    }
    answerWith(s, out, vd);
}

void unsupported(Session& s, const Request& r, const char* action) {
    auto [controller, vd] = target(s, r);
    refuse(shortName(vd) + " does not support " + action + " on controller " + controller.key);
}

void becomeSingleDisk(Session& s, Object& vd, const Member& kept) {
    int64_t length = vd.number("Length").value_or(0);
    vd.attrs["Layout"] = std::to_string(layout::Raid0);
    s.store.update(vd);
    s.store.setMembers(vd.id, {Member{vd.id, kept.disk, 0, length}});
    for (const auto& spare : s.store.hotSparesOf(vd.id)) {
        s.store.clearHotSpare(spare.disk);
        if (auto disk = s.store.object(spare.disk)) s.note(*disk, "dedicated hot spare released");
    }
    s.refreshVirtualDisk(vd.id);
}

std::pair<Object, std::vector<Member>> mirrorToSplit(Session& s, const Request& r, Target& t, const char* action) {
    if (s.ruleOf(t.vd).bit != layout::Raid1) refuse(shortName(t.vd) + " is not a mirror (r1); it cannot be " + action);
    requireState(t.vd, state::Ready, action);
    requireIdle(s, t.vd);
    return {t.vd, s.store.membersOf(t.vd.id)};
}

void assignDedicatedSpare(Session& s, const Object& controller, const Object& vd, const Object& disk) {
    const LayoutRule& rule = s.ruleOf(vd);
    if (!rule.redundant) refuse(shortName(vd) + " (" + rule.word + ") has no redundancy a hot spare could restore");
    if (vd.state == state::Failed) refuse(shortName(vd) + " has failed; a hot spare cannot restore it");
    if (auto spare = s.store.hotSpare(disk.id))
        refuse("disk " + diskLabel(disk) + " is already " + hotSpareRole(s, *spare));
    if (auto memberships = s.memberships(disk); !memberships.empty()) {
        auto of = s.store.object(memberships.front().vd);
        refuse("disk " + diskLabel(disk) + " is a member of virtual disk " +
               (of ? of->get("LogicalDriveNum") : std::string("?")) + "; a hot spare must be a free disk");
    }
    if (disk.state != state::Ready) refuse("disk " + diskLabel(disk) + " is " + disk.state + ", not Ready");
    if (s.store.task(disk.id)) refuse("disk " + diskLabel(disk) + " is busy with " + taskTitle(s.store.task(disk.id)->name));
    int64_t smallest = INT64_MAX;
    for (const auto& m : s.store.membersOf(vd.id))
        if (auto member = s.store.object(m.disk)) smallest = std::min<int64_t>(smallest, member->number("Length").value_or(0));
    int64_t size = disk.number("Length").value_or(0);
    if (size < smallest)
        refuse("disk " + diskLabel(disk) + " (" + std::to_string(size) + " bytes) is smaller than the smallest member of " +
               shortName(vd) + " (" + std::to_string(smallest) + " bytes)");
    if (!s.store.hotSparesOf(vd.id).empty() && controller.number("VendorID").value_or(0) == 0)
        refuse("controller " + controller.key + " allows one dedicated hot spare per virtual disk, and " + shortName(vd) +
               " has one");
    s.store.setHotSpare(HotSpare{disk.id, vd.id, controller.id});
    s.note(disk, "assigned as dedicated hot spare of virtual disk " + vd.get("LogicalDriveNum"));
}

struct Reshape {
    const LayoutRule* rule;
    std::vector<Object> disks;
    int span;
    int64_t length;
};

// The reconfiguration a request asks for, checked against the model.
Reshape plannedReshape(Session& s, const Request& r, const Object& controller, const Object& vd) {
    requireState(vd, state::Ready, "a reconfiguration");
    requireIdle(s, vd);
    const LayoutRule& current = s.ruleOf(vd);
    const LayoutRule* rule = &current;
    if (auto bit = r.number("Layout")) {
        rule = layoutRule(static_cast<uint32_t>(*bit));
        if (!rule) badRequest("Layout=" + std::to_string(*bit) + " is not a RAID layout");
        if (!(maskValue(controller.get("RAIDLevelsMask")) & rule->bit))
            refuse(std::string("layout ") + rule->word + " is not supported by controller " + controller.key);
    }
    auto members = s.store.membersOf(vd.id);
    std::map<int64_t, int64_t> given;  // disk -> bytes it gives this virtual disk now
    std::vector<Object> disks;
    for (const auto& m : members) {
        given[m.disk] = m.bytes;
        if (auto disk = s.store.object(m.disk)) disks.push_back(*disk);
    }
    if (r.has("adisk")) {
        std::vector<Object> named = requireDisks(s.store, controller, *r.get("adisk"));
        for (const auto& disk : disks)
            if (std::none_of(named.begin(), named.end(), [&](const Object& n) { return n.id == disk.id; }))
                refuse("disk " + diskLabel(disk) + " is a member of " + shortName(vd) + " and must stay in it");
        for (const auto& disk : named)
            if (!given.count(disk.id)) checkDiskForNewVirtualDisk(s, disk);
        disks = std::move(named);
    }
    int span = static_cast<int>(r.number("SpanLength").value_or(s.spanOf(vd)));
    int count = static_cast<int>(disks.size());
    if (auto problem = diskCountProblem(*rule, count, span)) refuse(*problem);
    int64_t before = vd.number("Length").value_or(0);
    int64_t length = r.has("Length") ? byteCount(r, "Length") : before;
    if (length < before)
        refuse(shortName(vd) + " cannot shrink (from " + std::to_string(before) + " to " + std::to_string(length) +
               " bytes)");
    if (length != before && !current.resizable)
        refuse(shortName(vd) + " (" + current.word + ") cannot change its size");
    checkCapacity(s, *rule, disks, span, length, given);
    return {rule, std::move(disks), span, length};
}

void applyReshape(Session& s, const Object& controller, Object& vd, const Reshape& plan) {
    std::string from = layoutWord(static_cast<uint32_t>(vd.number("Layout").value_or(0)));
    vd.attrs["Layout"] = std::to_string(plan.rule->bit);
    vd.attrs["Length"] = std::to_string(plan.length);
    if (plan.rule->spanned) vd.attrs["SpanLength"] = std::to_string(plan.span);
    else vd.attrs.erase("SpanLength");
    s.store.update(vd);
    int count = static_cast<int>(plan.disks.size());
    int64_t each = bytesPerMember(*plan.rule, count, plan.span, plan.length);
    std::vector<Member> members;
    std::string list;
    for (size_t i = 0; i < plan.disks.size(); ++i) {
        Object disk = s.reload(plan.disks[i]);
        members.push_back(Member{vd.id, disk.id, static_cast<int64_t>(i), each});
        if (disk.state == state::Ready) {
            disk.state = state::Online;
            s.store.update(disk);
        }
        list += (list.empty() ? "" : ",") + diskLabel(disk);
    }
    s.store.setMembers(vd.id, members);
    if (!plan.rule->redundant)
        for (const auto& spare : s.store.hotSparesOf(vd.id)) s.store.clearHotSpare(spare.disk);
    s.note(vd, "reconfiguration started: " + from + " to " + plan.rule->word + " on " + list + ", " +
                   std::to_string(plan.length) + " bytes");
    startTask(s, vd, task::Reconstruct, taskSeconds(plan.length, rateFor(controller, "ReconstructRate")));
}

}  // namespace

void setVDCheckConsistency(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, vd] = target(s, r);
    const LayoutRule& rule = s.ruleOf(vd);
    if (!rule.redundant) refuse(shortName(vd) + " (" + rule.word + ") has no redundancy to check");
    requireState(vd, state::Ready, "a consistency check");
    requireIdle(s, vd, true);
    cancelTask(s, vd);
    s.note(vd, "check consistency started");
    startTask(s, vd, task::CheckConsistency,
              taskSeconds(vd.number("Length").value_or(0), rateFor(controller, "CheckConsistencyRate")));
    answerWith(s, out, vd);
}

void setVDCancelCheckConsistency(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, vd] = target(s, r);
    requireTask(s, vd, task::CheckConsistency, "consistency check");
    cancelTask(s, vd);
    s.note(vd, "check consistency cancelled");
    answerWith(s, out, vd);
}

void setVDPauseCheckConsistency(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, vd] = target(s, r);
    requireTask(s, vd, task::CheckConsistency, "consistency check");
    if (runningTask(s, vd)->paused) refuse("the consistency check of " + shortName(vd) + " is already paused");
    pauseTask(s, vd);
    s.note(vd, "check consistency paused");
    answerWith(s, out, vd);
}

void setVDResumeCheckConsistency(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, vd] = target(s, r);
    requireTask(s, vd, task::CheckConsistency, "consistency check");
    if (!runningTask(s, vd)->paused) refuse("the consistency check of " + shortName(vd) + " is not paused");
    resumeTask(s, vd);
    s.note(vd, "check consistency resumed");
    answerWith(s, out, vd);
}

void setVDBlink(Session& s, const Request& r, ReplyBuilder& out) { blink(s, r, out, true); }
void setVDUnBlink(Session& s, const Request& r, ReplyBuilder& out) { blink(s, r, out, false); }

void setVDInitialize(Session& s, const Request& r, ReplyBuilder& out) { startInitialization(s, r, out, false, false); }
void setVDSlowInitialize(Session& s, const Request& r, ReplyBuilder& out) {
    startInitialization(s, r, out, false, true);
}
void setVDFastInitialize(Session& s, const Request& r, ReplyBuilder& out) {
    startInitialization(s, r, out, true, true);
}

void setVDCancelInitialize(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, vd] = target(s, r);
    requireTask(s, vd, task::Initialize, "initialization");
    cancelTask(s, vd);
    s.note(vd, "initialization cancelled", "Warning");
    answerWith(s, out, vd);
}

void setVDCancelBGInitialize(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, vd] = target(s, r);
    requireTask(s, vd, task::BackgroundInit, "background initialization");
    cancelTask(s, vd);
    s.note(vd, "background initialization cancelled");
    answerWith(s, out, vd);
}

void setVDRecover(Session& s, const Request& r, ReplyBuilder&) { unsupported(s, r, "restoring dead segments"); }
void setVDFormat(Session& s, const Request& r, ReplyBuilder&) { unsupported(s, r, "formatting"); }

// A mirror becomes two single-disk virtual disks, each with a copy.
void setVDSplitMirrorSet(Session& s, const Request& r, ReplyBuilder& out) {
    Target t = target(s, r);
    auto [vd, members] = mirrorToSplit(s, r, t, "split");
    std::string number = lowestFreeVirtualDiskNumber(s, t.controller);
    Object copy;
    copy.kind = Kind::VirtualDisk;
    copy.parent = t.controller.id;
    copy.ctrl = t.controller.id;
    copy.cord = t.controller.cord;
    copy.ord = s.store.nextOrder();
    copy.key = number;
    copy.objid = allocateObjId(s.store);
    copy.state = state::Ready;
    copy.attrs = vd.attrs;
    copy.attrs.erase("Blink");
    copy.attrs["LogicalDriveNum"] = number;
    copy.attrs["Layout"] = std::to_string(layout::Raid0);
    std::string name = vd.get("Name", "Virtual Disk") + "-split";
    if (auto limit = t.controller.number("MaxNameLength"); limit && static_cast<long long>(name.size()) > *limit)
        name = "Virtual Disk " + number;
    copy.attrs["Name"] = name;
    copy.attrs.erase("DeviceName");
    copy.attrs.erase("InUse");
    copy.attrs.erase("ParentVDID");
    s.store.insert(copy);
    s.store.setMembers(copy.id, {Member{copy.id, members[1].disk, 0, members[1].bytes}});
    becomeSingleDisk(s, vd, members[0]);
    s.note(vd, "mirror split; the second copy is virtual disk " + number);
    answerWith(s, out, vd);
    answerWith(s, out, copy);
    out.addResult({{"VirtualDisk", number}});
}

// A mirror gives up its second disk and keeps one copy.
void setVDUnMirror(Session& s, const Request& r, ReplyBuilder& out) {
    Target t = target(s, r);
    auto [vd, members] = mirrorToSplit(s, r, t, "unmirrored");
    becomeSingleDisk(s, vd, members[0]);
    s.releaseIfUnused(members[1].disk);
    s.note(vd, "unmirrored");
    answerWith(s, out, vd);
}

void setVDDedicatedHotSpare(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, vd] = target(s, r);
    Object disk = requireDisk(s.store, controller, r.require("adisk"));
    std::string set = r.require("set");
    if (set == "yes") {
        assignDedicatedSpare(s, controller, vd, disk);
    } else if (set == "no") {
        auto spare = s.store.hotSpare(disk.id);
        if (!spare || spare->vd != vd.id)
            refuse("disk " + diskLabel(disk) + " is not a dedicated hot spare of " + shortName(vd));
        s.store.clearHotSpare(disk.id);
        s.note(disk, "released as dedicated hot spare of virtual disk " + vd.get("LogicalDriveNum"));
    } else {
        badRequest("set='" + set + "' must be yes or no");
    }
    answerWith(s, out, disk);
}

void setVDdelete(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, vd] = target(s, r);
    if (auto running = runningTask(s, vd); running && running->name == task::Reconstruct)
        refuse(shortName(vd) + " is being reconfigured and cannot be deleted now; wait for the reconfiguration to end");
    requireForceWhenInUse(r, vd, "deleting it", "delete it");
    deleteVirtualDisk(s, vd);
    s.note(vd, "deleted", "Warning");
    answerWith(s, out, controller);
}

// One command for three requests: a reconfiguration (Layout, adisk,
// StripeSize, Length), a policy change (ReadPolicy, WritePolicy,
// CachePolicy, DiskCachePolicy) and a rename (Name); a request may combine
// them.
void setVDReconfigure(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, vd] = target(s, r);
    bool reshape = r.has("Layout") || r.has("adisk") || r.has("Length") || r.has("SpanLength");
    std::optional<std::string> stripe = policyArgument(r, controller, "StripeSize", "StripeSizesMask");
    std::vector<std::pair<const char*, std::string>> settings;
    for (auto [element, mask] : {std::pair{"ReadPolicy", "ReadPolicyMask"}, std::pair{"WritePolicy", "WritePolicyMask"},
                                 std::pair{"CachePolicy", "CachePolicyMask"},
                                 std::pair{"DiskCachePolicy", "DiskCachePolicyMask"}})
        if (auto value = policyArgument(r, controller, element, mask)) settings.emplace_back(element, *value);
    std::optional<std::string> name = r.get("Name");
    if (name) checkVirtualDiskName(controller, *name);
    if (!reshape && !stripe && settings.empty() && !name)
        badRequest("setVDReconfigure names nothing to change (Layout, adisk, Length, StripeSize, a policy or Name)");

    if (reshape || stripe) {
        Reshape plan = plannedReshape(s, r, controller, vd);
        if (stripe) vd.attrs["StripeSize"] = *stripe;
        applyReshape(s, controller, vd, plan);
        vd = s.reload(vd);
    }
    for (const auto& [element, value] : settings) {
        std::string before = vd.get(element);
        vd.attrs[element] = value;
        s.note(vd, std::string(element) + " changed from " +
                       (before.empty() ? std::string("none") : policyWord(element, static_cast<uint32_t>(
                                                                                   parseInteger(before).value_or(0)))) +
                       " to " + policyWord(element, static_cast<uint32_t>(parseInteger(value).value_or(0))));
    }
    if (name) {
        s.note(vd, "renamed from '" + vd.get("Name") + "' to '" + *name + "'");
        vd.attrs["Name"] = *name;
    }
    s.store.update(vd);
    answerWith(s, out, vd);
}

// Puts a new disk in place of a failed or missing member and rebuilds it.
void setVDAddMissingDisk(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, vd] = target(s, r);
    const LayoutRule& rule = s.ruleOf(vd);
    if (!rule.redundant) refuse(shortName(vd) + " (" + rule.word + ") cannot rebuild a member");
    if (vd.state == state::Failed) refuse(shortName(vd) + " has failed and cannot be rebuilt");
    Object fresh = requireDisk(s.store, controller, r.require("newadisk"));
    auto members = s.store.membersOf(vd.id);
    std::optional<Member> replaced;
    if (r.has("oldadisk")) {
        Object old = requireDisk(s.store, controller, *r.get("oldadisk"));
        for (const auto& m : members)
            if (m.disk == old.id) replaced = m;
        if (!replaced) refuse("disk " + diskLabel(old) + " is not a member of " + shortName(vd));
        if (old.state == state::Online || old.state == state::Rebuilding)
            refuse("disk " + diskLabel(old) + " is " + old.state + " in " + shortName(vd) +
                   "; only a failed or missing member can be replaced");
    } else {
        for (const auto& m : members) {
            auto disk = s.store.object(m.disk);
            if (disk && disk->state != state::Online && disk->state != state::Rebuilding) {
                replaced = m;
                break;
            }
        }
        if (!replaced) refuse(shortName(vd) + " has no failed or missing member");
    }
    for (const auto& m : members)
        if (m.disk == fresh.id) refuse("disk " + diskLabel(fresh) + " is already a member of " + shortName(vd));
    checkDiskForNewVirtualDisk(s, fresh);
    if (s.freeBytes(fresh) < replaced->bytes)
        refuse("disk " + diskLabel(fresh) + " has " + std::to_string(s.freeBytes(fresh)) + " bytes free; " +
               shortName(vd) + " needs " + std::to_string(replaced->bytes) + " on each member");
    for (auto& m : members)
        if (m.pos == replaced->pos) m.disk = fresh.id;
    s.store.setMembers(vd.id, members);
    fresh.state = state::Rebuilding;
    s.store.update(fresh);
    s.releaseIfUnused(replaced->disk);
    s.refreshVirtualDisk(vd.id);
    if (auto old = s.store.object(replaced->disk))
        s.note(vd, "disk " + diskLabel(fresh) + " replaces member " + diskLabel(*old));
    startTask(s, fresh, task::Rebuild, taskSeconds(replaced->bytes, rateFor(controller, "RebuildRate")));
    answerWith(s, out, vd);
}

}  // namespace kwda
