// Reads this machine's storage from sysfs and /proc. Below the two roots
// every file is small and optional: what is missing or unreadable is left
// out, never an error, so a report works on any kernel and for any user who
// may read /sys.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>

#include "errors.h"
#include "local_machine.h"

namespace kwda {

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxAttribute = 4096;

std::string trimmed(std::string text) {
    auto blank = [](unsigned char c) { return std::isspace(c) || c == 0; };
    while (!text.empty() && blank(static_cast<unsigned char>(text.back()))) text.pop_back();
    size_t start = 0;
    while (start < text.size() && blank(static_cast<unsigned char>(text[start]))) ++start;
    return text.substr(start);
}

// The raw bytes of a small file, "" when it cannot be read.
std::string rawFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    char buffer[kMaxAttribute];
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    return got > 0 ? std::string(buffer, static_cast<size_t>(got)) : std::string();
}

std::string attribute(const std::string& path) { return trimmed(rawFile(path)); }

long long numberIn(const std::string& path, long long fallback = 0) {
    std::string text = attribute(path);
    if (text.empty()) return fallback;
    char* end = nullptr;
    // Decimal, or hexadecimal with 0x (PCI IDs and classes); never octal.
    long long value = std::strtoll(text.c_str(), &end, text.rfind("0x", 0) == 0 ? 16 : 10);
    return end == text.c_str() ? fallback : value;
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// Where an entry of a real folder leads: the target of a symlink, the entry
// itself when it is a file or folder, "" when it does not exist. Sysfs links
// point at real folders with relative paths, so one readlink and a lexical
// join resolve them (a full canonicalisation looks at every component and
// costs a system call each).
std::string canonical(const std::string& path) {
    char target[PATH_MAX];
    ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
    if (length < 0) return errno == EINVAL ? path : std::string();
    std::string_view link(target, static_cast<size_t>(length));
    std::string out = link.front() == '/' ? std::string() : path.substr(0, path.rfind('/'));
    for (size_t at = 0; at <= link.size();) {
        size_t slash = std::min(link.find('/', at), link.size());
        std::string_view part = link.substr(at, slash - at);
        if (part == "..") out.resize(std::min(out.size(), out.rfind('/')));
        else if (!part.empty() && part != ".") out.append("/").append(part);
        at = slash + 1;
    }
    return out;
}

// The real path of a folder that may itself be reached through symlinks.
std::string realFolder(const std::string& path) {
    std::error_code error;
    fs::path resolved = fs::canonical(path, error);
    return error ? path : resolved.string();
}

// Paths here are absolute and plain ("/a/b", no trailing slash).
std::string parentOf(const std::string& path) { return path.substr(0, path.rfind('/')); }
std::string baseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// The path up to and including the last component that satisfies `match`.
template <typename Match>
std::string prefixThrough(const std::string& path, Match match) {
    size_t found = 0;
    for (size_t at = 0; at < path.size();) {
        size_t slash = std::min(path.find('/', at), path.size());
        if (slash > at && match(path.substr(at, slash - at))) found = slash;
        at = slash + 1;
    }
    return path.substr(0, found);
}

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// "host12" with prefix "host" -> 12; -1 when the rest is not a number.
long long suffixNumber(const std::string& name, const std::string& prefix) {
    if (!startsWith(name, prefix) || name.size() == prefix.size()) return -1;
    std::string rest = name.substr(prefix.size());
    if (rest.size() > 9 || !std::all_of(rest.begin(), rest.end(), [](unsigned char c) { return std::isdigit(c); }))
        return -1;
    return std::stoll(rest);
}

bool isPciAddress(const std::string& part) {
    // dddd:bb:dd.f in hexadecimal.
    if (part.size() != 12 || part[4] != ':' || part[7] != ':' || part[10] != '.') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9, 11})
        if (!std::isxdigit(static_cast<unsigned char>(part[i]))) return false;
    return true;
}

bool isScsiAddress(const std::string& part) {
    int colons = 0;
    for (char c : part) {
        if (c == ':') ++colons;
        else if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return colons == 3;
}

// A sort key that orders "2:0:10:0" after "2:0:9:0".
std::string numericKey(const std::string& text) {
    std::string key;
    std::string digits;
    auto flush = [&] {
        if (digits.empty()) return;
        key += std::string(12 - std::min<size_t>(12, digits.size()), '0') + digits;
        digits.clear();
    };
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digits += c;
        } else {
            flush();
            key += c;
        }
    }
    flush();
    return key;
}

// The adapter a device hangs off: its nearest PCI function, else the first
// device below the devices folder.
std::string adapterOf(const std::string& sysfs, const std::string& path) {
    std::string pci = prefixThrough(path, isPciAddress);
    if (!pci.empty()) return pci;
    std::string devices = sysfs + "/devices/";
    if (!startsWith(path, devices)) return parentOf(path);
    std::string rest = path.substr(devices.size());
    size_t slash = rest.find('/');
    size_t second = slash == std::string::npos ? std::string::npos : rest.find('/', slash + 1);
    return devices + rest.substr(0, second);
}

// The vendor's word is the first of an ATA or NVMe model text.
void splitVendor(LocalDisk& disk) {
    size_t blank = disk.model.find(' ');
    if (blank == std::string::npos) return;
    disk.vendor = disk.model.substr(0, blank);
    disk.model = trimmed(disk.model.substr(blank + 1));
}

// The unit serial number page: 4 bytes of header, then the number.
std::string serialFromPage(const std::string& page) {
    if (page.size() < 4) return {};
    size_t length = static_cast<unsigned char>(page[3]);
    std::string serial = page.substr(4, std::min(length, page.size() - 4));
    std::string printable;
    for (char c : serial)
        if (std::isprint(static_cast<unsigned char>(c))) printable += c;
    return trimmed(printable);
}

class Reader {
public:
    explicit Reader(const LocalPaths& paths) : root_(realFolder(paths.sysfs)), paths_(paths) {}

    LocalMachine read() {
        readConnectors();
        readDisks();
        readEnclosures();
        readArrays();
        readUses();
        finish();
        return std::move(machine_);
    }

private:
    // ------------------------------------------------------------ connectors

    void addConnector(LocalConnector connector) {
        if (connector.key.empty() || connectors_.count(connector.key)) return;
        connector.adapter = adapterOf(root_, connector.key);
        connectors_[connector.key] = machine_.connectors.size();
        machine_.connectors.push_back(std::move(connector));
    }

    void readConnectors() {
        for (const auto& name : entries(root_ + "/class/scsi_host")) {
            std::string classDir = canonical(root_ + "/class/scsi_host/" + name);
            if (classDir.empty()) continue;
            // .../hostN/scsi_host/hostN
            std::string host = parentOf(parentOf(classDir));
            if (suffixNumber(baseName(host), "host") < 0) continue;
            LocalConnector c;
            c.key = host;
            c.number = suffixNumber(baseName(host), "host");
            bool ata = !prefixThrough(host, [](const std::string& p) { return suffixNumber(p, "ata") >= 0; }).empty();
            c.protocol = ata ? 7 : exists(host + "/sas_host") ? 8 : 1;
            c.name = "SCSI host " + std::to_string(c.number);
            c.scan = classDir + "/scan";
            c.scanValue = "- - -";
            if (!exists(c.scan)) c.scan.clear();
            addConnector(std::move(c));
        }
        for (const auto& name : entries(root_ + "/class/nvme")) {
            std::string controller = canonical(root_ + "/class/nvme/" + name);
            if (controller.empty()) continue;
            addConnector(nvmeConnector(controller));
        }
    }

    LocalConnector nvmeConnector(const std::string& controller) {
        LocalConnector c;
        c.key = controller;
        c.number = suffixNumber(baseName(controller), "nvme");
        c.protocol = 9;
        c.name = "NVMe controller " + baseName(controller);
        if (exists(controller + "/rescan_controller")) {
            c.scan = controller + "/rescan_controller";
            c.scanValue = "1";
        }
        return c;
    }

    // ----------------------------------------------------------------- disks

    static bool notADisk(const std::string& name) {
        // nvme0c0n1: one path of a multipath namespace (nvme0n1 stands for it).
        if (startsWith(name, "nvme") && name.find('c') != std::string::npos) return true;
        for (const char* prefix : {"loop", "ram", "zram", "dm-", "md", "sr", "nbd", "fd"})
            if (startsWith(name, prefix)) return true;
        return false;
    }

    void readDisks() {
        for (const auto& name : entries(root_ + "/block")) {
            if (notADisk(name)) continue;
            std::string path = canonical(root_ + "/block/" + name);
            if (path.empty()) continue;
            LocalDisk disk;
            disk.name = name;
            disk.path = path;
            disk.bytes = numberIn(path + "/size") * 512;
            disk.rotational = numberIn(path + "/queue/rotational", 1) != 0;
            bool known = suffixNumber(name, "nvme") < 0 && startsWith(name, "nvme") ? nvmeDisk(disk)
                         : !prefixThrough(path, [](const std::string& p) { return suffixNumber(p, "virtio") >= 0; }).empty()
                             ? virtioDisk(disk)
                             : scsiDisk(disk);
            if (!known && !otherDisk(disk)) continue;
            if (disk.bytes == 0 && numberIn(path + "/removable") == 1) continue;  // an empty card reader
            machine_.disks.push_back(std::move(disk));
        }
    }

    bool nvmeDisk(LocalDisk& disk) {
        std::string controller = canonical(disk.path + "/device");
        if (suffixNumber(baseName(controller), "nvme") < 0) {
            // A multipath namespace: its device is the subsystem, which
            // links the controllers that reach it.
            std::string subsystem = controller;
            controller.clear();
            for (const auto& entry : entries(subsystem))
                if (suffixNumber(entry, "nvme") >= 0) {
                    controller = canonical(subsystem + "/" + entry);
                    break;
                }
        }
        if (controller.empty()) return false;
        if (!connectors_.count(controller)) addConnector(nvmeConnector(controller));
        disk.connector = controller;
        disk.device = controller;
        disk.order = numericKey(disk.name);
        disk.model = attribute(controller + "/model");
        disk.serial = attribute(controller + "/serial");
        disk.firmware = attribute(controller + "/firmware_rev");
        std::string state = attribute(controller + "/state");
        if (state == "dead") disk.state = "Failed";
        splitVendor(disk);
        return true;
    }

    bool virtioDisk(LocalDisk& disk) {
        std::string device = prefixThrough(disk.path, [](const std::string& p) { return suffixNumber(p, "virtio") >= 0; });
        LocalConnector c;
        c.key = device;
        c.number = suffixNumber(baseName(device), "virtio");
        c.protocol = 10;
        c.name = "virtio device " + std::to_string(c.number);
        addConnector(std::move(c));
        disk.connector = device;
        disk.device = device;
        disk.order = numericKey(disk.name);
        disk.serial = attribute(disk.path + "/serial");
        disk.model = "virtio block device";
        return true;
    }

    bool scsiDisk(LocalDisk& disk) {
        std::string device = prefixThrough(disk.path, isScsiAddress);
        std::string host = prefixThrough(disk.path, [](const std::string& p) { return suffixNumber(p, "host") >= 0; });
        if (device.empty() || host.empty()) return false;
        long long type = numberIn(device + "/type", 0);
        if (type != 0 && type != 7 && type != 14) return false;  // disks only: no tapes or optical drives
        disk.device = device;
        disk.connector = host;
        disk.order = numericKey(baseName(device));
        disk.vendor = attribute(device + "/vendor");
        disk.model = attribute(device + "/model");
        disk.firmware = attribute(device + "/rev");
        disk.serial = serialFromPage(rawFile(device + "/vpd_pg80"));
        if (disk.vendor == "ATA") splitVendor(disk);
        std::string state = attribute(device + "/state");
        if (state == "offline") disk.state = "Offline";
        return true;
    }

    // Anything else with a device of its own (an SD card, a paravirtual disk).
    bool otherDisk(LocalDisk& disk) {
        if (startsWith(disk.path, root_ + "/devices/virtual/")) return false;
        std::string device = canonical(disk.path + "/device");
        if (device.empty()) return false;
        LocalConnector c;
        c.key = device;
        c.name = baseName(device);
        addConnector(std::move(c));
        disk.connector = device;
        disk.device = device;
        disk.order = numericKey(disk.name);
        disk.serial = attribute(disk.path + "/serial");
        disk.model = attribute(device + "/name");
        return true;
    }

    // ------------------------------------------------------------ enclosures

    void readEnclosures() {
        for (const auto& name : entries(root_ + "/class/enclosure")) {
            std::string path = canonical(root_ + "/class/enclosure/" + name);
            if (path.empty()) continue;
            // .../hostN/targetH:C:T/H:C:T:L/enclosure/H:C:T:L
            std::string device = parentOf(parentOf(path));
            std::string host = prefixThrough(device, [](const std::string& p) { return suffixNumber(p, "host") >= 0; });
            if (!isScsiAddress(baseName(device)) || !connectors_.count(host)) continue;
            LocalEnclosure e;
            e.path = path;
            e.connector = host;
            e.address = baseName(device);
            e.vendor = attribute(device + "/vendor");
            e.model = attribute(device + "/model");
            e.firmware = attribute(device + "/rev");
            long long position = 0;
            for (const auto& component : entries(path)) {
                std::string folder = path + "/" + component;
                // A component is a slot when it has a number or a locate LED.
                std::string number = attribute(folder + "/slot");
                std::string led = rawFile(folder + "/locate");
                bool hasLed = !led.empty() || exists(folder + "/locate");  // one that cannot be read counts
                if (number.empty() && !hasLed) continue;
                LocalSlot slot;
                slot.number = number.empty() ? position : numberIn(folder + "/slot", position);
                ++position;
                if (hasLed) {
                    slot.locate = folder + "/locate";
                    slot.locating = trimmed(led) == "1";
                }
                slot.device = canonical(folder + "/device");
                e.slots.push_back(slot);
            }
            std::sort(e.slots.begin(), e.slots.end(),
                      [](const LocalSlot& a, const LocalSlot& b) { return a.number < b.number; });
            machine_.enclosures.push_back(std::move(e));
        }
        std::sort(machine_.enclosures.begin(), machine_.enclosures.end(),
                  [](const LocalEnclosure& a, const LocalEnclosure& b) {
                      return numericKey(a.address) < numericKey(b.address);
                  });
    }

    // ---------------------------------------------------------------- arrays

    // The whole disk a block device (a disk or one of its partitions) is on.
    static std::string wholeDisk(const std::string& block) {
        return exists(block + "/partition") ? parentOf(block) : block;
    }

    void readArrays() {
        for (const auto& name : entries(root_ + "/block")) {
            if (!startsWith(name, "md")) continue;
            std::string path = canonical(root_ + "/block/" + name);
            if (path.empty() || !exists(path + "/md")) continue;
            LocalArray a;
            a.name = name;
            a.number = std::max(0LL, suffixNumber(name, "md"));
            a.path = path;
            a.level = attribute(path + "/md/level");
            a.raidDisks = numberIn(path + "/md/raid_disks");
            a.chunk = numberIn(path + "/md/chunk_size");
            a.bytes = numberIn(path + "/size") * 512;
            a.arrayState = attribute(path + "/md/array_state");
            a.degraded = numberIn(path + "/md/degraded");
            a.syncAction = attribute(path + "/md/sync_action");
            readSync(a);
            for (const auto& entry : entries(path + "/md")) {
                if (!startsWith(entry, "dev-")) continue;
                std::string folder = path + "/md/" + entry;
                std::string block = canonical(folder + "/block");
                if (block.empty()) continue;
                LocalMember m;
                m.disk = wholeDisk(block);
                m.state = attribute(folder + "/state");
                m.slot = numberIn(folder + "/slot", -1);
                a.members.push_back(m);
            }
            std::sort(a.members.begin(), a.members.end(), [](const LocalMember& x, const LocalMember& y) {
                auto rank = [](long long slot) { return slot < 0 ? LLONG_MAX : slot; };
                return rank(x.slot) < rank(y.slot);
            });
            machine_.arrays.push_back(std::move(a));
        }
        std::sort(machine_.arrays.begin(), machine_.arrays.end(),
                  [](const LocalArray& x, const LocalArray& y) { return x.number < y.number; });
    }

    // sync_completed "12345 / 67890" (sectors done of all; "none" when
    // idle) gives the progress; with the current speed (KiB/s) it also
    // gives roughly how long the action has been running.
    static void readSync(LocalArray& a) {
        long long done = 0, all = 0;
        std::string completed = attribute(a.path + "/md/sync_completed");
        if (std::sscanf(completed.c_str(), "%lld / %lld", &done, &all) != 2 || all <= 0) return;
        a.progress = static_cast<int>(std::clamp(done * 100 / all, 0LL, 99LL));
        long long speed = numberIn(a.path + "/md/sync_speed");
        if (speed > 0) a.runningSeconds = static_cast<double>(done) / (2.0 * static_cast<double>(speed));
    }

    // ------------------------------------------------------------------ uses

    // Notes `use` on every array and whole disk beneath a block device
    // (through partitions, device-mapper and md layers).
    void noteUse(const std::string& block, const std::string& use, const std::string& via, int depth = 0) {
        if (block.empty() || depth > 8) return;
        // An array shows its own uses; its disks say they are its members.
        if (auto it = arraysByPath_.find(block); it != arraysByPath_.end()) {
            machine_.arrays[it->second].uses.push_back(use);
            return;
        }
        std::string disk = wholeDisk(block);
        if (auto it = disksByPath_.find(disk); it != disksByPath_.end()) {
            std::string how = use;
            std::string through = via.empty() ? baseName(block) : via;
            if (through != baseName(disk)) how += " (" + through + ")";
            machine_.disks[it->second].uses.push_back(how);
            return;
        }
        for (const auto& slave : entries(block + "/slaves"))
            noteUse(canonical(block + "/slaves/" + slave), use, via.empty() ? baseName(block) : via, depth + 1);
    }

    // "/srv/my\040data" -> "/srv/my data".
    static std::string unescapeMount(const std::string& text) {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\\' && i + 3 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1]))) {
                out += static_cast<char>(std::stoi(text.substr(i + 1, 3), nullptr, 8));
                i += 3;
            } else {
                out += text[i];
            }
        }
        return out;
    }

    std::string blockNamed(const std::string& device) {
        const std::string mapper = "/dev/mapper/";
        if (startsWith(device, mapper)) {
            std::string wanted = device.substr(mapper.size());
            for (const auto& name : entries(root_ + "/block"))
                if (startsWith(name, "dm-") && attribute(root_ + "/block/" + name + "/dm/name") == wanted)
                    return canonical(root_ + "/block/" + name);
            return {};
        }
        if (!startsWith(device, "/dev/")) return {};
        return canonical(root_ + "/class/block/" + baseName(device));
    }

    void readUses() {
        for (size_t i = 0; i < machine_.disks.size(); ++i) disksByPath_[machine_.disks[i].path] = i;
        for (size_t i = 0; i < machine_.arrays.size(); ++i) arraysByPath_[machine_.arrays[i].path] = i;
        std::ifstream mounts(paths_.proc + "/self/mountinfo");
        for (std::string line; std::getline(mounts, line);) {
            std::istringstream fields(line);
            std::string id, parent, device, root, point;
            if (!(fields >> id >> parent >> device >> root >> point)) continue;
            if (startsWith(device, "0:")) continue;  // no block device under it (proc, tmpfs, ...)
            noteUse(canonical(root_ + "/dev/block/" + device), "mounted on " + unescapeMount(point), "");
        }
        std::ifstream swaps(paths_.proc + "/swaps");
        std::string header;
        std::getline(swaps, header);
        for (std::string line; std::getline(swaps, line);) {
            std::istringstream fields(line);
            std::string file;
            if (fields >> file) noteUse(blockNamed(unescapeMount(file)), "swap", "");
        }
        for (const auto& array : machine_.arrays)
            for (const auto& member : array.members) {
                auto it = disksByPath_.find(member.disk);
                if (it == disksByPath_.end()) continue;
                const char* role = member.has("faulty")    ? "failed member of "
                                   : member.slot < 0        ? "spare of "
                                   : member.has("in_sync")  ? "member of "
                                                            : "rebuilding into ";
                machine_.disks[it->second].uses.push_back(role + array.name);
            }
    }

    // --------------------------------------------------------------- finish

    void finish() {
        std::set<std::string> used;
        for (const auto& disk : machine_.disks) used.insert(adapterOf(root_, disk.connector));
        for (const auto& e : machine_.enclosures) used.insert(adapterOf(root_, e.connector));
        for (const auto& c : machine_.connectors)
            if (used.count(c.adapter)) adapterKeys_.insert(c.adapter);
        for (const auto& key : adapterKeys_) machine_.adapters.push_back(describeAdapter(key));
        // PCI functions in address order, then the others by path.
        std::stable_sort(machine_.adapters.begin(), machine_.adapters.end(),
                         [](const LocalAdapter& a, const LocalAdapter& b) {
                             if (a.address.empty() != b.address.empty()) return !a.address.empty();
                             return a.address.empty() ? a.key < b.key : a.address < b.address;
                         });
        std::map<std::string, size_t> adapterRank;
        for (size_t i = 0; i < machine_.adapters.size(); ++i) adapterRank[machine_.adapters[i].key] = i;
        auto& connectors = machine_.connectors;
        std::erase_if(connectors, [&](const LocalConnector& c) { return !adapterRank.count(c.adapter); });
        std::stable_sort(connectors.begin(), connectors.end(), [&](const LocalConnector& a, const LocalConnector& b) {
            return std::make_tuple(adapterRank[a.adapter], a.number, a.key) <
                   std::make_tuple(adapterRank[b.adapter], b.number, b.key);
        });
        std::map<std::string, size_t> connectorRank;
        for (size_t i = 0; i < connectors.size(); ++i) connectorRank[connectors[i].key] = i;
        // SATA ports are numbered within their adapter.
        std::map<std::string, int> ports;
        for (auto& c : connectors)
            if (c.protocol == 7) c.name = "Port " + std::to_string(ports[c.adapter]++);
        std::stable_sort(machine_.disks.begin(), machine_.disks.end(), [&](const LocalDisk& a, const LocalDisk& b) {
            return std::make_tuple(connectorRank[a.connector], a.order) < std::make_tuple(connectorRank[b.connector], b.order);
        });
        for (auto& disk : machine_.disks) {
            std::sort(disk.uses.begin(), disk.uses.end());
            disk.uses.erase(std::unique(disk.uses.begin(), disk.uses.end()), disk.uses.end());
        }
    }

    LocalAdapter describeAdapter(const std::string& key) {
        LocalAdapter a;
        a.key = key;
        if (isPciAddress(baseName(key))) a.address = baseName(key);
        std::string driver = canonical(key + "/driver");
        if (!driver.empty()) {
            a.driver = baseName(driver);
            std::string version = attribute(driver + "/module/version");
            if (!version.empty()) a.driver += " " + version;
        }
        a.name = a.address.empty() ? baseName(key) : pciName(key);
        return a;
    }

    std::string pciName(const std::string& key) {
        auto hex4 = [](long long v) {
            char text[8];
            std::snprintf(text, sizeof text, "%04llx", v & 0xffff);
            return std::string(text);
        };
        std::string vendor = hex4(numberIn(key + "/vendor"));
        std::string device = hex4(numberIn(key + "/device"));
        if (auto known = pciDatabaseName(vendor, device)) return *known;
        static const std::map<long long, const char*> classes = {
            {0x0100, "SCSI storage controller"},  {0x0101, "IDE interface"},
            {0x0104, "RAID bus controller"},      {0x0105, "ATA controller"},
            {0x0106, "SATA controller"},          {0x0107, "Serial Attached SCSI controller"},
            {0x0108, "Non-Volatile memory controller"}, {0x0180, "Mass storage controller"},
        };
        auto it = classes.find(numberIn(key + "/class") >> 8);
        std::string kind = it == classes.end() ? "Storage adapter" : it->second;
        return kind + " " + vendor + ":" + device;
    }

    // "<vendor> <device>" from the PCI ID database, when it is installed.
    // The database is large and never changes while a process runs: each
    // name is looked up once.
    std::optional<std::string> pciDatabaseName(const std::string& vendor, const std::string& device) {
        static std::map<std::string, std::optional<std::string>> known;
        std::string key = paths_.pciIds.value_or("") + "\n" + vendor + ":" + device;
        auto [entry, fresh] = known.try_emplace(key);
        if (fresh) entry->second = lookUpPciName(vendor, device);
        return entry->second;
    }

    std::optional<std::string> lookUpPciName(const std::string& vendor, const std::string& device) {
        std::vector<std::string> places;
        if (paths_.pciIds) places = {*paths_.pciIds};
        else places = {"/usr/share/misc/pci.ids", "/usr/share/hwdata/pci.ids", "/usr/share/pci.ids"};
        for (const auto& place : places) {
            std::ifstream db(place);
            if (!db) continue;
            std::string vendorName;
            for (std::string line; std::getline(db, line);) {
                if (line.empty() || line[0] == '#') continue;
                if (line[0] != '\t') {
                    if (!vendorName.empty()) break;
                    if (startsWith(line, vendor + "  ")) vendorName = trimmed(line.substr(6));
                } else if (!vendorName.empty() && line.size() > 7 && line[1] != '\t' &&
                           startsWith(line.substr(1), device + "  ")) {
                    return vendorName + " " + trimmed(line.substr(7));
                }
            }
            if (!vendorName.empty()) return vendorName + " " + device;
            return std::nullopt;
        }
        return std::nullopt;
    }

    std::string root_;
    const LocalPaths& paths_;
    LocalMachine machine_;
    std::map<std::string, size_t> connectors_;
    std::set<std::string> adapterKeys_;
    std::map<std::string, size_t> disksByPath_;
    std::map<std::string, size_t> arraysByPath_;
};

}  // namespace

bool LocalMember::has(const char* word) const {
    std::istringstream words(state);
    for (std::string item; std::getline(words, item, ',');)
        if (trimmed(item) == word) return true;
    return false;
}

LocalMachine readMachine(const LocalPaths& paths) {
    // A root that is not what it should be is a mistake to name, not a
    // machine without disks.
    if (!exists(paths.sysfs + "/block"))
        unavailable("cannot read the machine's storage: " + paths.sysfs + "/block does not exist" +
                    (paths.sysfs == "/sys" ? " (is sysfs mounted?)" : " (KWDA_SYSFS names no sysfs tree)"));
    if (!exists(paths.proc + "/self/mountinfo"))
        unavailable("cannot read the machine's storage: " + paths.proc + "/self/mountinfo does not exist" +
                    (paths.proc == "/proc" ? " (is /proc mounted?)" : " (KWDA_PROC names no /proc tree)"));
    return Reader(paths).read();
}

}  // namespace kwda
