// Physical disk write commands.
#include "derive.h"
#include "errors.h"
#include "handlers.h"
#include "identifiers.h"
#include "layouts.h"
#include "tasks.h"
#include "write_support.h"

namespace kwda {

namespace {

struct Target {
    Object controller;
    Object disk;
};

Target target(Session& s, const Request& r) {
    Object controller = requireController(s.store, r);
    Object disk = requireDisk(s.store, controller, r.require("adisk"));
    return {std::move(controller), std::move(disk)};
}

std::string virtualDiskOf(Session& s, const Object& disk) {
    auto memberships = s.memberships(disk);
    if (memberships.empty()) return {};
    auto vd = s.store.object(memberships.front().vd);
    return vd ? vd->get("LogicalDriveNum") : std::string();
}

void requireIdle(Session& s, const Object& disk) {
    if (auto running = s.store.task(disk.id))
        refuse("disk " + diskLabel(disk) + " is busy with " + taskTitle(running->name) +
               "; wait for it to end or cancel it");
}

// A Ready disk in no virtual disk and not a hot spare.
void requireFree(Session& s, const Object& disk, const char* forWhat) {
    requireIdle(s, disk);
    if (auto spare = s.store.hotSpare(disk.id))
        refuse("disk " + diskLabel(disk) + " is " + hotSpareRole(s, *spare) + "; it cannot be " + forWhat +
               " (release it first)");
    if (std::string vd = virtualDiskOf(s, disk); !vd.empty())
        refuse("disk " + diskLabel(disk) + " is a member of virtual disk " + vd + "; it cannot be " + forWhat);
    if (disk.state != state::Ready)
        refuse("disk " + diskLabel(disk) + " is " + disk.state + "; only a Ready disk can be " + forWhat);
}

void blink(Session& s, const Request& r, ReplyBuilder& out, bool on) {
    auto [controller, disk] = target(s, r);
    if ((disk.get("Blink", "Off") == "On") == on)
        refuse("disk " + diskLabel(disk) + (on ? " is already blinking" : " is not blinking"));
    disk.attrs["Blink"] = on ? "On" : "Off";
    s.store.update(disk);
    s.note(disk, on ? "blinking started" : "blinking stopped");
    answerWith(s, out, disk);
}

void setDiskState(Session& s, Object& disk, const std::string& state, const std::string& event,
                  const char* severity = "Info") {
    disk.state = state;
    s.store.update(disk);
    s.note(disk, event, severity);
    s.refreshVirtualDisksOf(disk);
}

}  // namespace

void setArrayDiskBlink(Session& s, const Request& r, ReplyBuilder& out) { blink(s, r, out, true); }
void setArrayDiskUnBlink(Session& s, const Request& r, ReplyBuilder& out) { blink(s, r, out, false); }

void setArrayDiskPrepareToRemove(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, disk] = target(s, r);
    requireIdle(s, disk);
    if (auto spare = s.store.hotSpare(disk.id))
        refuse("disk " + diskLabel(disk) + " is " + hotSpareRole(s, *spare) + "; release it before removing it");
    if (disk.state == state::Online)
        refuse("disk " + diskLabel(disk) + " is online in virtual disk " + virtualDiskOf(s, disk) +
               "; take it offline before removing it");
    if (disk.state == state::Removed) refuse("disk " + diskLabel(disk) + " is already prepared for removal");
    setDiskState(s, disk, state::Removed, "prepared for removal (spun down)");
    answerWith(s, out, disk);
}

void setArrayDiskInitialize(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, disk] = target(s, r);
    requireFree(s, disk, "initialized");
    s.note(disk, "initialization started");
    startTask(s, disk, task::DiskInitialize, taskSeconds(disk.number("Length").value_or(0), 100));
    answerWith(s, out, disk);
}

void setArrayDiskRebuild(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, disk] = target(s, r);
    requireIdle(s, disk);
    if (disk.state != state::Failed && disk.state != state::Offline)
        refuse("disk " + diskLabel(disk) + " is " + disk.state + "; only a failed or offline member is rebuilt");
    bool redundant = false;
    for (const auto& m : s.memberships(disk)) {
        auto vd = s.store.object(m.vd);
        if (!vd) continue;
        if (vd->state == state::Failed) refuse("virtual disk " + vd->get("LogicalDriveNum") + " has failed; disk " +
                                               diskLabel(disk) + " cannot be rebuilt from it");
        redundant = redundant || s.ruleOf(*vd).redundant;
    }
    if (!redundant)
        refuse("disk " + diskLabel(disk) + " is in no virtual disk with redundancy to rebuild it from");
    setDiskState(s, disk, state::Rebuilding, "rebuild started");
    startTask(s, disk, task::Rebuild, taskSeconds(s.usedBytes(disk), rateFor(controller, "RebuildRate")));
    answerWith(s, out, disk);
}

void setArrayDiskCancelRebuild(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, disk] = target(s, r);
    auto running = s.store.task(disk.id);
    if (!running || running->name != task::Rebuild) refuse("no rebuild is running on disk " + diskLabel(disk));
    cancelTask(s, disk);
    setDiskState(s, disk, state::Failed, "rebuild cancelled", "Warning");
    answerWith(s, out, disk);
}

void setArrayDiskOffline(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, disk] = target(s, r);
    requireIdle(s, disk);
    if (disk.state != state::Online) refuse("disk " + diskLabel(disk) + " is " + disk.state + ", not Online");
    if (virtualDiskOf(s, disk).empty()) refuse("disk " + diskLabel(disk) + " is in no virtual disk");
    setDiskState(s, disk, state::Offline, "taken offline", "Warning");
    answerWith(s, out, disk);
}

void setArrayDiskOnline(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, disk] = target(s, r);
    requireIdle(s, disk);
    if (disk.state != state::Offline) refuse("disk " + diskLabel(disk) + " is " + disk.state + ", not Offline");
    setDiskState(s, disk, s.isMember(disk) ? state::Online : state::Ready, "brought online");
    answerWith(s, out, disk);
}

void setArrayDiskRemoveDeadSegments(Session& s, const Request& r, ReplyBuilder&) {
    auto [controller, disk] = target(s, r);
    refuse("disk " + diskLabel(disk) + " has no dead segments");
}

void setArrayDiskGlobalHotSpare(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, disk] = target(s, r);
    std::string set = r.require("set");
    if (set == "yes") {
        requireFree(s, disk, "a hot spare");
        s.store.setHotSpare(HotSpare{disk.id, 0, controller.id});
        s.note(disk, "assigned as global hot spare");
    } else if (set == "no") {
        auto spare = s.store.hotSpare(disk.id);
        if (!spare || spare->vd != 0) refuse("disk " + diskLabel(disk) + " is not a global hot spare");
        s.store.clearHotSpare(disk.id);
        s.note(disk, "released as global hot spare");
    } else {
        badRequest("set='" + set + "' must be yes or no");
    }
    answerWith(s, out, disk);
}

void setArrayDiskClear(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, disk] = target(s, r);
    requireFree(s, disk, "cleared");
    s.note(disk, "clear started");
    startTask(s, disk, task::Clear, taskSeconds(disk.number("Length").value_or(0), 100));
    answerWith(s, out, disk);
}

void setArrayDiskCancelClear(Session& s, const Request& r, ReplyBuilder& out) {
    auto [controller, disk] = target(s, r);
    auto running = s.store.task(disk.id);
    if (!running || running->name != task::Clear) refuse("no clear is running on disk " + diskLabel(disk));
    cancelTask(s, disk);
    s.note(disk, "clear cancelled", "Warning");
    answerWith(s, out, disk);
}

}  // namespace kwda
