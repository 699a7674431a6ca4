// Read commands. Each answers DCStorageObject elements in document order and
// loads only what its reply holds: one controller's objects by index, a
// single object by its key.
#include <algorithm>
#include <set>

#include "derive.h"
#include "errors.h"
#include "handlers.h"
#include "identifiers.h"
#include "layouts.h"

namespace kwda {

namespace {

void emit(View& view, ReplyBuilder& out, const std::vector<Object>& objects) {
    for (const auto& o : objects) out.addObject(view.render(o));
}

bool visible(const Object& o) { return !(o.kind == Kind::VirtualDisk && o.state == state::Foreign); }

std::vector<Object> visibleOnly(std::vector<Object> objects) {
    std::erase_if(objects, [](const Object& o) { return !visible(o); });
    return objects;
}

std::vector<Object> inDocumentOrder(std::vector<Object> objects) {
    std::sort(objects.begin(), objects.end(),
              [](const Object& a, const Object& b) { return std::tie(a.cord, a.ord) < std::tie(b.cord, b.ord); });
    return objects;
}

// Every object of a controller, kinds mixed, in document order.
std::vector<Object> everythingOf(Store& store, const Object& controller) {
    std::vector<Object> objects{controller};
    for (Kind kind : {Kind::Connector, Kind::Enclosure, Kind::PhysicalDisk, Kind::Fan, Kind::PowerSupply, Kind::EMM,
                      Kind::TemperatureProbe, Kind::VirtualDisk, Kind::Battery})
        for (auto& o : store.ofController(controller.id, kind)) objects.push_back(std::move(o));
    return inDocumentOrder(std::move(objects));
}

void components(Session& s, const Request& r, ReplyBuilder& out, Kind kind) {
    Object controller = requireController(s.store, r);
    Object enclosure = requireEnclosure(s.store, controller, r.require("Enclosure"));
    View view(s.store, s.now);
    if (auto index = r.get("Index"); index && !index->empty()) {
        out.addObject(view.render(requireComponent(s.store, enclosure, kind, *index)));
        return;
    }
    emit(view, out, s.store.children(enclosure.id, kind));
}

}  // namespace

void answerWith(Session& session, ReplyBuilder& out, const Object& object) {
    View view(session.store, session.now);
    out.addObject(view.render(session.reload(object)));
}

void getControllerList(Session& s, const Request&, ReplyBuilder& out) {
    View view(s.store, s.now);
    emit(view, out, s.store.ofKind(Kind::Controller));
}

void getController(Session& s, const Request& r, ReplyBuilder& out) {
    View view(s.store, s.now);
    out.addObject(view.render(requireController(s.store, r)));
}

void getSupportedRaidLevelsForController(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    uint32_t mask = maskValue(controller.get("RAIDLevelsMask"));
    for (const auto& rule : layoutRules())
        if (mask & rule.bit)
            out.addObject({{"GlobalNo", controller.key}, {"Layout", std::to_string(rule.bit)}, {"Name", rule.word}});
}

void getSingleControllerArrayInfo(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    View view(s.store, s.now);
    view.preload(controller);
    out.addObject(view.render(controller));
    emit(view, out, visibleOnly(s.store.ofController(controller.id, Kind::VirtualDisk)));
}

void getControllerListArrayInfo(Session& s, const Request&, ReplyBuilder& out) {
    View view(s.store, s.now);
    for (const auto& controller : s.store.ofKind(Kind::Controller)) {
        view.preload(controller);
        emit(view, out, visibleOnly(everythingOf(s.store, controller)));
    }
}

void getStoreDump(Session& s, const Request&, ReplyBuilder& out) {
    View view(s.store, s.now);
    for (const auto& controller : s.store.ofKind(Kind::Controller)) view.preload(controller);
    emit(view, out, s.store.all());
}

void getGlobalInfo(Session& s, const Request&, ReplyBuilder& out) {
    View view(s.store, s.now);
    out.addObject(view.render(storageObject(s.store)));
}

void getAlertLog(Session& s, const Request&, ReplyBuilder& out) {
    out.addObject({{"ObjType", "AlertLog"}, {"Path", s.alertLogFile()}});
}

void getChannelsForController(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    View view(s.store, s.now);
    emit(view, out, s.store.children(controller.id, Kind::Connector));
}

void getChannel(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    View view(s.store, s.now);
    out.addObject(view.render(requireConnector(s.store, controller, r.require("Channel"))));
}

// Without includeComponents: every enclosure. With includeComponents=TRUE
// (the system summary): the storage object, every controller, every
// enclosure with its fans, power supplies, EMMs and probes, and every
// battery, in document order.
void getEnclosureList(Session& s, const Request& r, ReplyBuilder& out) {
    View view(s.store, s.now);
    std::string include = r.get("includeComponents").value_or("");
    bool withComponents = include == "TRUE" || include == "true" || include == "True";
    if (!withComponents) {
        emit(view, out, s.store.ofKind(Kind::Enclosure));
        return;
    }
    out.addObject(view.render(storageObject(s.store)));
    std::vector<Object> objects;
    for (Kind kind : {Kind::Controller, Kind::Enclosure, Kind::Fan, Kind::PowerSupply, Kind::EMM,
                      Kind::TemperatureProbe, Kind::Battery})
        for (auto& o : s.store.ofKind(kind)) objects.push_back(std::move(o));
    emit(view, out, inDocumentOrder(std::move(objects)));
}

void getEnclosuresForController(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    View view(s.store, s.now);
    emit(view, out, s.store.ofController(controller.id, Kind::Enclosure));
}

void getEnclosuresForChannel(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    Object connector = requireConnector(s.store, controller, r.require("Channel"));
    View view(s.store, s.now);
    emit(view, out, s.store.children(connector.id, Kind::Enclosure));
}

void getEnclosure(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    View view(s.store, s.now);
    out.addObject(view.render(requireEnclosure(s.store, controller, r.require("Enclosure"))));
}

void getEnclosureFans(Session& s, const Request& r, ReplyBuilder& out) { components(s, r, out, Kind::Fan); }
void getEnclosurePowerSupplies(Session& s, const Request& r, ReplyBuilder& out) {
    components(s, r, out, Kind::PowerSupply);
}
void getEnclosureEMMs(Session& s, const Request& r, ReplyBuilder& out) { components(s, r, out, Kind::EMM); }
void getEnclosureTemperatureProbes(Session& s, const Request& r, ReplyBuilder& out) {
    components(s, r, out, Kind::TemperatureProbe);
}

void getArrayDisksForController(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    View view(s.store, s.now);
    view.preload(controller);
    emit(view, out, s.store.ofController(controller.id, Kind::PhysicalDisk));
}

void getArrayDisksForChannel(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    Object connector = requireConnector(s.store, controller, r.require("Channel"));
    View view(s.store, s.now);
    view.preload(controller);
    std::vector<Object> disks = s.store.children(connector.id, Kind::PhysicalDisk);
    for (const auto& enclosure : s.store.children(connector.id, Kind::Enclosure))
        for (auto& disk : s.store.children(enclosure.id, Kind::PhysicalDisk)) disks.push_back(std::move(disk));
    emit(view, out, inDocumentOrder(std::move(disks)));
}

// The member disks and the dedicated hot spares of the virtual disk.
void getArrayDisksForVirtualDisk(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    Object vd = requireVirtualDisk(s.store, controller, r.require("LogicalDriveNum"));
    std::set<int64_t> ids;
    for (const auto& m : s.store.membersOf(vd.id)) ids.insert(m.disk);
    for (const auto& spare : s.store.hotSparesOf(vd.id)) ids.insert(spare.disk);
    std::vector<Object> disks;
    for (int64_t id : ids)
        if (auto disk = s.store.object(id)) disks.push_back(std::move(*disk));
    View view(s.store, s.now);
    emit(view, out, inDocumentOrder(std::move(disks)));
}

// One disk, or a comma-separated list of them.
void getArrayDisk(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    View view(s.store, s.now);
    emit(view, out, inDocumentOrder(requireDisks(s.store, controller, r.require("adisk"))));
}

void getAllVirtualDisks(Session& s, const Request&, ReplyBuilder& out) {
    View view(s.store, s.now);
    for (const auto& controller : s.store.ofKind(Kind::Controller)) {
        view.preload(controller);
        emit(view, out, visibleOnly(s.store.ofController(controller.id, Kind::VirtualDisk)));
    }
}

void getVirtualDisksForController(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    View view(s.store, s.now);
    view.preload(controller);
    emit(view, out, visibleOnly(s.store.ofController(controller.id, Kind::VirtualDisk)));
}

// With LogicalDriveNum one virtual disk, without it all of the controller's.
void getVirtualDisk(Session& s, const Request& r, ReplyBuilder& out) {
    if (!r.has("LogicalDriveNum")) return getVirtualDisksForController(s, r, out);
    Object controller = requireController(s.store, r);
    View view(s.store, s.now);
    out.addObject(view.render(requireVirtualDisk(s.store, controller, r.require("LogicalDriveNum"))));
}

// Disks that could protect the virtual disk as a dedicated hot spare: ready
// disks (in no virtual disk, not a hot spare) at least as large as its
// smallest member.
void getCapsForDHS(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    Object vd = requireVirtualDisk(s.store, controller, r.require("LogicalDriveNum"));
    const LayoutRule& rule = s.ruleOf(vd);
    if (!rule.redundant) return;
    int64_t smallest = INT64_MAX;
    for (const auto& m : s.store.membersOf(vd.id))
        if (auto disk = s.store.object(m.disk)) smallest = std::min<int64_t>(smallest, disk->number("Length").value_or(0));
    View view(s.store, s.now);
    view.preload(controller);
    for (const auto& disk : s.store.ofControllerInState(controller.id, Kind::PhysicalDisk, state::Ready)) {
        if (!view.memberships(disk).empty() || view.hotSpare(disk)) continue;
        if (disk.number("Length").value_or(0) < smallest) continue;
        out.addObject(view.render(disk));
    }
}

void getBatteryList(Session& s, const Request&, ReplyBuilder& out) {
    View view(s.store, s.now);
    emit(view, out, s.store.ofKind(Kind::Battery));
}

void getBatteriesForController(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    View view(s.store, s.now);
    emit(view, out, s.store.children(controller.id, Kind::Battery));
}

void getBattery(Session& s, const Request& r, ReplyBuilder& out) {
    Object controller = requireController(s.store, r);
    View view(s.store, s.now);
    out.addObject(view.render(requireBattery(s.store, controller, r.require("BatteryID"))));
}

}  // namespace kwda
