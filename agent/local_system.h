// The machine's own storage ("local" system): the model is built from the
// kernel's view in sysfs and /proc on every request instead of a stored
// state, and the few writes the machine can take go to sysfs files.
// Replies, masks and tasks come from the same code as for a simulated
// system; only the source of the model and the effect of a write differ.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "environment.h"
#include "profile.h"
#include "store.h"

namespace kwda {

class Request;

// Where the kernel's view is read from: KWDA_SYSFS (default /sys),
// KWDA_PROC (default /proc) and the PCI ID database (KWDA_PCI_IDS, else
// the usual installed places; absent: adapters are named by class and ID).
struct LocalPaths {
    std::string sysfs = "/sys";
    std::string proc = "/proc";
    std::optional<std::string> pciIds;
};

// KWDA_SYSTEM: "local" gives the paths; unset, empty or "simulated" gives
// nullopt. Any other name is a bad request naming it.
std::optional<LocalPaths> localSystemFromEnvironment();

// The machine as a profile: the same vocabulary a simulated system is
// described in, plus working values ("_Locate", "_Scan", "_Task",
// "_Progress") that tell where writes go and what the kernel is doing.
// `alertLog` becomes the AlertLog path. Never throws for odd sysfs
// contents: what cannot be read is left out.
Profile localProfile(const LocalPaths& paths, const std::string& alertLog);

// A model of the machine, seeded in memory from localProfile; nothing
// persists. The model is kept for the next request as long as the kernel
// shows the same (and no write happened: see forgetLocalModel). The alert
// log lies beside where the state file would be: "<folder of KWDA_STATE or
// the default state>/local.alert.log".
Store& openLocalModel(const LocalPaths& paths, const Environment& env, double now);
// Drops the kept model: after a write it may hold what the kernel does not.
void forgetLocalModel();

// Carries a write of the model out on the machine. Constructed inside the
// write transaction before the handler runs (it notes what the kernel
// shows now); apply() after the handler writes the sysfs files the
// changed objects name, and refuses, naming the file, when the kernel
// does not take a write (so the transaction is rolled back).
class MachineWrite {
public:
    explicit MachineWrite(Store& store);
    void apply(Store& store, const Request& request);

private:
    std::vector<std::pair<int64_t, std::string>> blink_;  // object id, Blink before
};

}  // namespace kwda
