// How stored objects are answered: every element of the kind's vocabulary
// that is stated or derivable, in vocabulary order. Stated values always
// win; identifiers were fixed when the state was seeded; masks, states,
// space, hot-spare roles and task progress are derived from the live model
// here, so that they allow what the hardware would allow now.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "reply.h"
#include "store.h"

namespace kwda {

class View {
public:
    View(Store& store, double now) : store_(store), now_(now) {}

    // Loads the relations of one controller in bulk (for replies that list
    // many of its objects); single-object replies query what they need.
    void preload(const Object& controller);

    Elements render(const Object& object);

    uint32_t masterMask(const Object& object);
    uint32_t currentMask(const Object& object);
    uint32_t attributesMask(const Object& object);

    int64_t usedBytes(const Object& disk);
    std::vector<Member> memberships(const Object& disk);
    std::vector<Member> members(const Object& vd);
    std::optional<HotSpare> hotSpare(const Object& disk);
    std::optional<Task> task(const Object& object);
    const Object* byId(int64_t id);

private:
    std::optional<std::string> derived(const Object& object, const std::string& name);
    std::optional<std::string> stateOf(const Object& object);

    uint32_t controllerCurrent(const Object& controller);
    uint32_t virtualDiskMaster(const Object& vd);
    uint32_t virtualDiskCurrent(const Object& vd);
    uint32_t diskCurrent(const Object& disk);
    uint32_t enclosureMaster(const Object& enclosure);
    uint32_t enclosureCurrent(const Object& enclosure);
    uint32_t batteryCurrent(const Object& battery);
    uint32_t storageCurrent(const Object& storage);

    // The worst condition among what a controller (or the whole storage
    // system) holds: "Ok", "Non-Critical" or "Critical", and one line per
    // object that is not Ok ("Virtual Disk 1 on Controller 0: Degraded").
    struct Rollup {
        std::string status;
        std::string attention;
    };
    const Rollup& rollup(const Object& holder);

    std::string disksOf(const Object& vd);
    std::string memberOf(const Object& disk);
    std::string hotSpareFor(const Object& disk);
    bool hasReadyDisk(const Object& controller);

    Store& store_;
    double now_;
    std::set<int64_t> preloaded_;
    std::map<int64_t, std::vector<Member>> byDisk_;
    std::map<int64_t, std::vector<Member>> byVd_;
    std::map<int64_t, std::optional<HotSpare>> spares_;
    std::map<int64_t, std::optional<Task>> tasks_;
    std::map<int64_t, std::optional<Object>> objects_;
    std::map<int64_t, Rollup> rollups_;
};

// Action bits of the method masks.
namespace bits {
// Controller.
inline constexpr uint32_t CtrlRescan = 0x1, CtrlEnableAlarm = 0x4, CtrlDisableAlarm = 0x8, CtrlQuietAlarm = 0x10,
                          CtrlRebuildRate = 0x20, CtrlCreateVD = 0x40, CtrlResetConfig = 0x80,
                          CtrlExportLog = 0x100, CtrlTestAlarm = 0x800, CtrlBGIRate = 0x2000,
                          CtrlCCRate = 0x4000, CtrlPatrolRate = 0x8000, CtrlReconstructRate = 0x10000,
                          CtrlDumpEvents = 0x80000, CtrlPatrolMode = 0x100000, CtrlStartPatrol = 0x200000,
                          CtrlStopPatrol = 0x400000, CtrlClearForeign = 0x800000, CtrlImportForeign = 0x1000000,
                          CtrlRecoverForeign = 0x2000000;
// Virtual disk.
inline constexpr uint32_t VdReconfigure = 0x1, VdDelete = 0x10, VdCheckConsistency = 0x20, VdInitialize = 0x40,
                          VdAssignSpare = 0x80, VdBlink = 0x100, VdUnblink = 0x200, VdRename = 0x400,
                          VdCancelCC = 0x800, VdCancelInit = 0x1000, VdSplitMirror = 0x2000,
                          VdUnmirror = 0x4000, VdPauseCC = 0x10000, VdResumeCC = 0x20000,
                          VdChangePolicy = 0x80000, VdCancelBGI = 0x100000, VdSlowInit = 0x400000,
                          VdFastInit = 0x800000;
// Physical disk.
inline constexpr uint32_t PdBlink = 0x1, PdUnblink = 0x2, PdAssignGlobal = 0x10, PdUnassignGlobal = 0x20,
                          PdOnline = 0x40, PdOffline = 0x80, PdRemove = 0x100, PdRebuild = 0x400,
                          PdCancelRebuild = 0x800, PdInitialize = 0x1000, PdRemoveDeadSegments = 0x8000,
                          PdClear = 0x10000, PdCancelClear = 0x20000;
// Attributes.
inline constexpr uint32_t AttrGlobalSpare = 0x80, AttrDedicatedSpare = 0x100, AttrInEnclosure = 0x400,
                          AttrResizable = 0x8000;
// Enclosure.
inline constexpr uint32_t EnclEnableAlarm = 0x1, EnclDisableAlarm = 0x2, EnclTags = 0x4, EnclProbes = 0x8,
                          EnclBlink = 0x40, EnclAllProbes = 0x80, EnclUnblink = 0x100;
// Battery, connector, storage object.
inline constexpr uint32_t BattRecondition = 0x1, BattStartLearn = 0x2, BattDelayLearn = 0x4;
inline constexpr uint32_t ConnRescan = 0x1;
inline constexpr uint32_t StorGlobalRescan = 0x1, StorEnableSTS = 0x2, StorDisableSTS = 0x4;
}  // namespace bits

// The version the storage object reports.
inline constexpr const char* kAgentVersion = "1.0.0";

}  // namespace kwda
