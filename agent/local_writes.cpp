// Which system the agent serves, and the writes the machine takes: the
// locate LED of an enclosure slot (blink, unblink) and a rescan of SCSI
// hosts or NVMe controllers. The model's own handlers decide whether a write
// may happen; this only carries the outcome to the kernel.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "errors.h"
#include "environment.h"
#include "identifiers.h"
#include "local_system.h"
#include "request.h"

namespace kwda {

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) out.push_back(line);
    return out;
}

// Writes `value` into an existing kernel file; refuses naming the file
// when the kernel does not take it (not root, no such slot any more, ...).
void writeKernelFile(const std::string& path, const std::string& value) {
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) refuse("cannot write '" + value + "' to " + path + ": " + std::strerror(errno));
    std::string text = value + "\n";
    ssize_t written = ::write(fd, text.data(), text.size());
    int error = errno;
    bool closed = ::close(fd) == 0;
    if (written != static_cast<ssize_t>(text.size()) || !closed)
        refuse("cannot write '" + value + "' to " + path + ": " +
               std::strerror(written < 0 ? error : closed ? EIO : errno));
}

// "value<TAB>file" lines, as the model keeps them in "_Scan".
void rescan(const Object& object) {
    for (const auto& entry : linesOf(object.get("_Scan"))) {
        size_t tab = entry.find('\t');
        if (tab != std::string::npos) writeKernelFile(entry.substr(tab + 1), entry.substr(0, tab));
    }
}

using Target = Object (*)(Store&, const Request&);

Object controllerTarget(Store& store, const Request& r) { return requireController(store, r); }
Object connectorTarget(Store& store, const Request& r) {
    return requireConnector(store, requireController(store, r), r.require("Channel"));
}
Object storageTarget(Store& store, const Request&) { return storageObject(store); }

struct Rescan {
    const char* command;
    Target target;
};
constexpr Rescan kRescans[] = {
    {"setCntrlRescan", controllerTarget},
    {"setChnlRescan", connectorTarget},
    {"setCntrlGlobalRescan", storageTarget},
};

}  // namespace

std::optional<LocalPaths> localSystemFromEnvironment() {
    auto system = variable("KWDA_SYSTEM");
    if (!system || *system == "simulated") return std::nullopt;
    if (*system != "local")
        badRequest("KWDA_SYSTEM='" + *system + "' is not a system: use 'local' for this machine's storage, or "
                   "leave it unset for the simulated one");
    LocalPaths paths;
    if (auto sysfs = variable("KWDA_SYSFS")) paths.sysfs = *sysfs;
    if (auto proc = variable("KWDA_PROC")) paths.proc = *proc;
    paths.pciIds = variable("KWDA_PCI_IDS");
    return paths;
}

MachineWrite::MachineWrite(Store& store) {
    for (const auto& object : store.all())
        if (object.has("_Locate")) blink_.emplace_back(object.id, object.get("Blink", "Off"));
}

void MachineWrite::apply(Store& store, const Request& request) {
    for (const auto& [id, before] : blink_) {
        auto object = store.object(id);
        if (!object || object->get("Blink", "Off") == before) continue;
        std::string value = object->get("Blink") == "On" ? "1" : "0";
        for (const auto& file : linesOf(object->get("_Locate"))) writeKernelFile(file, value);
    }
    for (const auto& entry : kRescans)
        if (request.command() == entry.command) rescan(entry.target(store, request));
}

}  // namespace kwda
