// The test machine of tests/sysfs/make-machine.sh, laid out in a folder of
// the caller's, and the environment that points the agent at it.
#pragma once

#include <cstdlib>
#include <map>
#include <string>

namespace kwtest {

// Makes the tree under root (replacing it); false when the script failed.
inline bool makeMachine(const std::string& root) {
    std::string command = "bash '" RK_SOURCE_DIR "/tests/sysfs/make-machine.sh' '" + root + "' >/dev/null";
    return std::system(command.c_str()) == 0;
}

inline std::map<std::string, std::string> machineEnvironment(const std::string& root) {
    return {{"KWDA_SYSTEM", "local"},
            {"KWDA_SYSFS", root + "/sys"},
            {"KWDA_PROC", root + "/proc"},
            {"KWDA_PCI_IDS", root + "/pci.ids"}};
}

// Where the SAS adapter's enclosure keeps the slots of the test machine.
inline std::string machineSlot(const std::string& root, int slot) {
    return root + "/sys/class/enclosure/4:0:8:0/Slot 0" + std::to_string(slot);
}

}  // namespace kwtest
