// Identifiers as users type them and the plug-in sends them, and the
// lookups that turn them into stored objects. Identifiers are texts and are
// compared exactly ("01" is not "1").
//
// Keys (Object::key, unique within a controller and kind):
//   Controller "GlobalNo" (ctrl = its own id) | Connector "Channel"
//   Enclosure "Channel:EnclosureID" | VirtualDisk "LogicalDriveNum"
//   Battery "BatteryID" | Fan, PowerSupply, EMM, TemperatureProbe "Index"
//   (unique within the enclosure) | PhysicalDisk "Channel:EnclosureID:TargetID"
//   in an enclosure, "Channel:TargetID" directly attached; key2 is always
//   "Channel:TargetID" (the connector form).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model.h"
#include "request.h"
#include "store.h"

namespace kwda {

std::string trim(std::string_view text);
// Splits at "," and trims each item; empty items are dropped.
std::vector<std::string> splitList(const std::string& text);

// The identifier users type for the object: "0:0:3" / "1:4", "0:0" / "2".
std::string diskLabel(const Object& disk);
std::string enclosureLabel(const Object& enclosure);
// "disk 0:0:3", "virtual disk 1", "controller 0", ... for refusals.
std::string shortName(const Object& object);
// "Physical Disk 0:0:3 on Controller 0", ... for alert log events.
std::string eventName(const Object& object);

// Lookups; each throws AgentError naming what is missing (BadRequest for a
// missing argument, Refused for an object that does not exist).
Object requireController(Store& store, const Request& request);
Object requireConnector(Store& store, const Object& controller, const std::string& channel);
Object requireEnclosure(Store& store, const Object& controller, const std::string& text);
Object requireDisk(Store& store, const Object& controller, const std::string& text);
// A comma-separated list; a disk given twice is refused.
std::vector<Object> requireDisks(Store& store, const Object& controller, const std::string& list);
Object requireVirtualDisk(Store& store, const Object& controller, const std::string& number);
Object requireBattery(Store& store, const Object& controller, const std::string& id);
Object requireComponent(Store& store, const Object& enclosure, Kind kind, const std::string& index);

// The storage object (there is always exactly one).
Object storageObject(Store& store);

}  // namespace kwda
