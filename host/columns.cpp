#include "columns.h"

#include <cstring>

namespace rkhost {
namespace {

using C = Cell;

// One row a column. A kind missing here is shown as text in every view.
const std::vector<Column> kColumns = {
    {"StorageObject",    "Name",        "Name",            C::Text},
    {"StorageObject",    "Status",      "State",           C::State},
    {"StorageObject",    "Health",      "RollupStatus",    C::Text},
    {"StorageObject",    "Controllers", "ControllerCount", C::Text},
    {"StorageObject",    "Agent",       "AgentVersion",    C::Text},

    {"Controller",       "ID",          "GlobalNo",        C::Text},
    {"Controller",       "Name",        "Name",            C::Text},
    {"Controller",       "Status",      "State",           C::State},
    {"Controller",       "Health",      "RollupStatus",    C::Text},
    {"Controller",       "Slot",        "SlotID",          C::Text},
    {"Controller",       "Firmware",    "FirmwareVersion", C::Text},
    {"Controller",       "Driver",      "DriverVersion",   C::Text},
    {"Controller",       "Cache",       "CacheSize",       C::Size},
    {"Controller",       "Foreign",     "ForeignConfig",   C::Text},

    {"Connector",        "ID",          "Channel",         C::Text},
    {"Connector",        "Name",        "Name",            C::Text},
    {"Connector",        "Status",      "State",           C::State},
    {"Connector",        "Protocol",    "BusProtocol",     C::Map, "protocol"},

    {"Enclosure",        "ID",          "",                C::EnclosureId},
    {"Enclosure",        "Name",        "Name",            C::Text},
    {"Enclosure",        "Status",      "State",           C::State},
    {"Enclosure",        "Product",     "ProductID",       C::Text},
    {"Enclosure",        "Firmware",    "FirmwareVersion", C::Text},
    {"Enclosure",        "Slots",       "SlotCount",       C::Text},
    {"Enclosure",        "Service Tag", "ServiceTag",      C::Text},
    {"Enclosure",        "Asset Tag",   "AssetTag",        C::Text},

    {"PhysicalDisk",     "ID",          "",                C::DiskId},
    {"PhysicalDisk",     "Status",      "State",           C::State},
    {"PhysicalDisk",     "Role",        "",                C::Role},
    {"PhysicalDisk",     "Media",       "MediaType",       C::Text},
    {"PhysicalDisk",     "Protocol",    "BusProtocol",     C::Map, "protocol"},
    {"PhysicalDisk",     "Capacity",    "Length",          C::Size},
    {"PhysicalDisk",     "Free",        "FreeLength",      C::Size},

    {"VirtualDisk",      "ID",          "LogicalDriveNum", C::Text},
    {"VirtualDisk",      "Name",        "Name",            C::Text},
    {"VirtualDisk",      "Status",      "State",           C::State},
    {"VirtualDisk",      "Layout",      "Layout",          C::Map, "raid"},
    {"VirtualDisk",      "Size",        "Length",          C::Size},
    {"VirtualDisk",      "Disks",       "Disks",           C::List},
    {"VirtualDisk",      "Read",        "ReadPolicy",      C::Map, "readpolicy"},
    {"VirtualDisk",      "Write",       "WritePolicy",     C::Map, "writepolicy"},

    {"Battery",          "ID",          "BatteryID",       C::Text},
    {"Battery",          "Name",        "Name",            C::Text},
    {"Battery",          "Status",      "State",           C::State},
    {"Battery",          "Charge",      "ChargeLevel",     C::Percent},
    {"Battery",          "Learn State", "LearnState",      C::Text},
    {"Battery",          "Next Learn",  "NextLearnTime",   C::Time},

    {"Fan",              "Enclosure",   "",                C::EnclosureId},
    {"Fan",              "Index",       "Index",           C::Text},
    {"Fan",              "Name",        "Name",            C::Text},
    {"Fan",              "Status",      "State",           C::State},
    {"Fan",              "Speed",       "Speed",           C::Rpm},

    {"PowerSupply",      "Enclosure",   "",                C::EnclosureId},
    {"PowerSupply",      "Index",       "Index",           C::Text},
    {"PowerSupply",      "Name",        "Name",            C::Text},
    {"PowerSupply",      "Status",      "State",           C::State},
    {"PowerSupply",      "Power",       "Wattage",         C::Watts},
    {"PowerSupply",      "Firmware",    "FirmwareVersion", C::Text},

    {"EMM",              "Enclosure",   "",                C::EnclosureId},
    {"EMM",              "Index",       "Index",           C::Text},
    {"EMM",              "Name",        "Name",            C::Text},
    {"EMM",              "Status",      "State",           C::State},
    {"EMM",              "Part Number", "PartNumber",      C::Text},
    {"EMM",              "Firmware",    "FirmwareVersion", C::Text},

    {"TemperatureProbe", "Enclosure",   "",                C::EnclosureId},
    {"TemperatureProbe", "Index",       "Index",           C::Text},
    {"TemperatureProbe", "Name",        "Name",            C::Text},
    {"TemperatureProbe", "Status",      "State",           C::State},
    {"TemperatureProbe", "Reading",     "Reading",         C::Celsius},
    {"TemperatureProbe", "Min Warning", "MinWarning",      C::Celsius},
    {"TemperatureProbe", "Max Warning", "MaxWarning",      C::Celsius},
};

const std::vector<KindTitle> kTitles = {
    {"StorageObject",    "Storage System"},
    {"Controller",       "Controllers"},
    {"Connector",        "Connectors"},
    {"Enclosure",        "Enclosures"},
    {"PhysicalDisk",     "Physical Disks"},
    {"VirtualDisk",      "Virtual Disks"},
    {"Battery",          "Batteries"},
    {"Fan",              "Fans"},
    {"PowerSupply",      "Power Supplies"},
    {"EMM",              "EMMs"},
    {"TemperatureProbe", "Temperature Probes"},
};

struct MapEntry {
    const char* map;
    const char* value;
    const char* name;
};

// Short names: a table column has no room for the typed word in brackets.
constexpr MapEntry kMaps[] = {
    {"protocol",    "0",      "Unknown"},
    {"protocol",    "1",      "SCSI"},
    {"protocol",    "7",      "SATA"},
    {"protocol",    "8",      "SAS"},
    {"raid",        "1",      "Concatenated"},
    {"raid",        "2",      "RAID-0"},
    {"raid",        "4",      "RAID-1"},
    {"raid",        "64",     "RAID-5"},
    {"raid",        "128",    "RAID-6"},
    {"raid",        "512",    "RAID-10"},
    {"raid",        "2048",   "RAID-50"},
    {"raid",        "4096",   "RAID-1 Concatenated"},
    {"raid",        "262144", "RAID-60"},
    {"readpolicy",  "1",      "Read Cache"},
    {"readpolicy",  "2",      "No Read Cache"},
    {"readpolicy",  "4",      "Read Ahead"},
    {"readpolicy",  "8",      "Adaptive Read Ahead"},
    {"readpolicy",  "16",     "No Read Ahead"},
    {"writepolicy", "1",      "Write Cache"},
    {"writepolicy", "2",      "No Write Cache"},
    {"writepolicy", "4",      "Write Back"},
    {"writepolicy", "8",      "Write Through"},
    {"writepolicy", "16",     "Write Cache Protected"},
    {"writepolicy", "32",     "Force Write Back"},
};

}  // namespace

const std::vector<Column>& columnTable() { return kColumns; }
const std::vector<KindTitle>& kindTitles() { return kTitles; }

std::string mappedValue(const std::string& map, const std::string& value) {
    for (const auto& e : kMaps)
        if (map == e.map && value == e.value) return e.name;
    return value;
}

}  // namespace rkhost
