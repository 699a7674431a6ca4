#include "identifiers.h"

#include <algorithm>
#include <set>

#include "errors.h"

namespace kwda {

std::string trim(std::string_view text) {
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos) return {};
    size_t end = text.find_last_not_of(" \t");
    return std::string(text.substr(begin, end - begin + 1));
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        std::string item = trim(std::string_view(text).substr(start, comma == std::string::npos ? std::string::npos
                                                                                                   : comma - start));
        if (!item.empty()) items.push_back(item);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return items;
}

std::string diskLabel(const Object& disk) {
    // The plug-in names a disk in an enclosure with three parts only behind
    // a protocol-8 connector; everywhere else the connector form is used.
    if (disk.encl != 0 && disk.get("BusProtocol") == "8") return disk.key;
    return disk.key2;
}

std::string enclosureLabel(const Object& enclosure) {
    if (enclosure.get("BusProtocol") == "8") return enclosure.key;
    return enclosure.get("Channel");
}

std::string shortName(const Object& o) {
    switch (o.kind) {
        case Kind::Controller: return "controller " + o.key;
        case Kind::Connector: return "connector " + o.key;
        case Kind::Enclosure: return "enclosure " + enclosureLabel(o);
        case Kind::PhysicalDisk: return "disk " + diskLabel(o);
        case Kind::VirtualDisk: return "virtual disk " + o.get("LogicalDriveNum");
        case Kind::Battery: return "battery " + o.key;
        case Kind::Fan: return "fan " + o.key;
        case Kind::PowerSupply: return "power supply " + o.key;
        case Kind::EMM: return "EMM " + o.key;
        case Kind::TemperatureProbe: return "temperature probe " + o.key;
        case Kind::StorageObject:
        case Kind::AlertLog: break;
    }
    return "storage";
}

std::string eventName(const Object& o) {
    std::string controller = " on Controller " + o.get("GlobalNo");
    std::string enclosure = " of Enclosure " + o.get("Channel") + ":" + o.get("EnclosureID");
    switch (o.kind) {
        case Kind::Controller: return "Controller " + o.key;
        case Kind::Connector: return "Connector " + o.key + controller;
        case Kind::Enclosure: return "Enclosure " + enclosureLabel(o) + controller;
        case Kind::PhysicalDisk: return "Physical Disk " + diskLabel(o) + controller;
        case Kind::VirtualDisk: return "Virtual Disk " + o.get("LogicalDriveNum") + controller;
        case Kind::Battery: return "Battery " + o.key + controller;
        case Kind::Fan: return "Fan " + o.key + enclosure + controller;
        case Kind::PowerSupply: return "Power Supply " + o.key + enclosure + controller;
        case Kind::EMM: return "EMM " + o.key + enclosure + controller;
        case Kind::TemperatureProbe: return "Temperature Probe " + o.key + enclosure + controller;
        case Kind::StorageObject:
        case Kind::AlertLog: break;
    }
    return "Storage";
}

Object requireController(Store& store, const Request& request) {
    std::string number = request.require("GlobalNo");
    for (auto& controller : store.ofKind(Kind::Controller))
        if (controller.key == number) return controller;
    refuse("controller " + number + " does not exist");
}

Object requireConnector(Store& store, const Object& controller, const std::string& channel) {
    auto connector = store.byKey(controller.id, Kind::Connector, channel);
    if (!connector) refuse("connector " + channel + " does not exist on controller " + controller.key);
    return *connector;
}

Object requireEnclosure(Store& store, const Object& controller, const std::string& text) {
    if (text.find(':') != std::string::npos) {
        if (auto enclosure = store.byKey(controller.id, Kind::Enclosure, text)) return *enclosure;
    } else if (auto connector = store.byKey(controller.id, Kind::Connector, text)) {
        auto enclosures = store.children(connector->id, Kind::Enclosure);
        if (!enclosures.empty()) return enclosures.front();
    }
    refuse("enclosure " + text + " does not exist on controller " + controller.key);
}

Object requireDisk(Store& store, const Object& controller, const std::string& typed) {
    std::string text = trim(typed);
    size_t colons = static_cast<size_t>(std::count(text.begin(), text.end(), ':'));
    if (colons == 2) {
        if (auto disk = store.byKey(controller.id, Kind::PhysicalDisk, text)) return *disk;
    } else if (colons == 1) {
        auto disks = store.byKey2(controller.id, text);
        std::erase_if(disks, [](const Object& o) { return o.kind != Kind::PhysicalDisk; });
        if (disks.size() == 1) return disks.front();
        for (auto& disk : disks)
            if (disk.encl == 0) return disk;
        if (disks.size() > 1)
            refuse("disk " + text + " is ambiguous on controller " + controller.key + "; name it as " +
                   disks.front().key + " or " + disks[1].key);
    } else {
        badRequest("'" + text + "' is not a disk identifier (connector:target or connector:enclosure:target)");
    }
    refuse("disk " + text + " does not exist on controller " + controller.key);
}

std::vector<Object> requireDisks(Store& store, const Object& controller, const std::string& list) {
    std::vector<Object> disks;
    std::set<int64_t> seen;
    for (const auto& item : splitList(list)) {
        Object disk = requireDisk(store, controller, item);
        if (!seen.insert(disk.id).second) refuse("disk " + diskLabel(disk) + " is given twice");
        disks.push_back(std::move(disk));
    }
    if (disks.empty()) badRequest("no disk named (adisk is empty)");
    return disks;
}

Object requireVirtualDisk(Store& store, const Object& controller, const std::string& number) {
    auto vd = store.byKey(controller.id, Kind::VirtualDisk, number);
    if (!vd) refuse("virtual disk " + number + " does not exist on controller " + controller.key);
    return *vd;
}

Object requireBattery(Store& store, const Object& controller, const std::string& id) {
    auto battery = store.byKey(controller.id, Kind::Battery, id);
    if (!battery) refuse("battery " + id + " does not exist on controller " + controller.key);
    return *battery;
}

Object requireComponent(Store& store, const Object& enclosure, Kind kind, const std::string& index) {
    for (auto& component : store.children(enclosure.id, kind))
        if (component.key == index) return component;
    refuse(std::string(kind == Kind::TemperatureProbe ? "temperature probe " : "component ") + index +
           " does not exist in enclosure " + enclosureLabel(enclosure));
}

Object storageObject(Store& store) {
    auto objects = store.ofKind(Kind::StorageObject);
    if (objects.empty()) unavailable("state file " + store.path() + " holds no storage object");
    return objects.front();
}

}  // namespace kwda
