// What the kernel shows of this machine's storage, read from sysfs and
// /proc into plain values (paths are canonical, inside the sysfs root).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "local_system.h"

namespace kwda {

struct LocalConnector {
    std::string key;        // its folder: a SCSI host, an NVMe controller, a virtio device
    std::string adapter;    // key of its adapter
    std::string name;
    int protocol = 0;       // BusProtocol
    long long number = 0;   // kernel number (host2 -> 2): the order within the adapter
    std::string scan;       // file a rescan writes, "" when none
    std::string scanValue;  // what a rescan writes into it
};

struct LocalAdapter {
    std::string key;  // its folder (a PCI function, else the top device)
    std::string address;  // PCI address, "" when not a PCI function
    std::string name;
    std::string driver;
};

struct LocalDisk {
    std::string name;       // "sda"
    std::string path;       // its block folder
    std::string device;     // its device folder (what an enclosure slot points at)
    std::string connector;  // key of its connector
    std::string order;      // sort key within the connector
    std::string vendor, model, serial, firmware;
    int64_t bytes = 0;
    bool rotational = true;
    std::string state;  // "" (working), "Offline" or "Failed"
    std::vector<std::string> uses;
};

struct LocalSlot {
    long long number = 0;
    std::string locate;  // its locate file, "" when none
    std::string device;  // device folder of the disk in it, "" when empty
    bool locating = false;
};

struct LocalEnclosure {
    std::string path;
    std::string connector;
    std::string address;  // SCSI address of the enclosure device
    std::string vendor, model, firmware;
    std::vector<LocalSlot> slots;
};

struct LocalMember {
    std::string disk;   // block folder of the whole disk holding the member
    std::string state;  // md's words: "in_sync", "faulty", "spare", ...
    long long slot = -1;
    bool has(const char* word) const;
};

struct LocalArray {
    std::string name;  // "md0"
    long long number = 0;
    std::string path;
    std::string level;  // "raid5"
    long long raidDisks = 0;
    int64_t chunk = 0;
    int64_t bytes = 0;
    std::string arrayState;
    long long degraded = 0;
    std::string syncAction;  // "idle", "recover", "resync", "check", ...
    int progress = -1;       // percent of the running sync action, -1 when none
    double runningSeconds = 0;  // how long it has been running, as far as its speed tells
    std::vector<LocalMember> members;
    std::vector<std::string> uses;
};

struct LocalMachine {
    std::vector<LocalAdapter> adapters;      // in address order
    std::vector<LocalConnector> connectors;  // by adapter, then number
    std::vector<LocalDisk> disks;            // by connector, then order
    std::vector<LocalEnclosure> enclosures;  // by address
    std::vector<LocalArray> arrays;          // by number
};

LocalMachine readMachine(const LocalPaths& paths);

}  // namespace kwda
