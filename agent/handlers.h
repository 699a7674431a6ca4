// Command handlers. Each reads its arguments from the request, acts on the
// state through the session (reads inside a read transaction, writes inside
// one write transaction) and adds the objects of its answer to the reply.
// Refusals throw AgentError naming the value (errors.h).
#pragma once

#include "reply.h"
#include "request.h"
#include "session.h"

namespace kwda {

using Handler = void (*)(Session&, const Request&, ReplyBuilder&);

// Adds the object as it stands now (after a write) to the reply.
void answerWith(Session& session, ReplyBuilder& out, const Object& object);

// ---- reads (reads.cpp)
void getControllerList(Session&, const Request&, ReplyBuilder&);
void getController(Session&, const Request&, ReplyBuilder&);
void getSupportedRaidLevelsForController(Session&, const Request&, ReplyBuilder&);
void getSingleControllerArrayInfo(Session&, const Request&, ReplyBuilder&);
void getControllerListArrayInfo(Session&, const Request&, ReplyBuilder&);
void getStoreDump(Session&, const Request&, ReplyBuilder&);
void getGlobalInfo(Session&, const Request&, ReplyBuilder&);
void getAlertLog(Session&, const Request&, ReplyBuilder&);
void getChannelsForController(Session&, const Request&, ReplyBuilder&);
void getChannel(Session&, const Request&, ReplyBuilder&);
void getEnclosureList(Session&, const Request&, ReplyBuilder&);
void getEnclosuresForController(Session&, const Request&, ReplyBuilder&);
void getEnclosuresForChannel(Session&, const Request&, ReplyBuilder&);
void getEnclosure(Session&, const Request&, ReplyBuilder&);
void getEnclosureFans(Session&, const Request&, ReplyBuilder&);
void getEnclosurePowerSupplies(Session&, const Request&, ReplyBuilder&);
void getEnclosureEMMs(Session&, const Request&, ReplyBuilder&);
void getEnclosureTemperatureProbes(Session&, const Request&, ReplyBuilder&);
void getArrayDisksForController(Session&, const Request&, ReplyBuilder&);
void getArrayDisksForChannel(Session&, const Request&, ReplyBuilder&);
void getArrayDisksForVirtualDisk(Session&, const Request&, ReplyBuilder&);
void getArrayDisk(Session&, const Request&, ReplyBuilder&);
void getAllVirtualDisks(Session&, const Request&, ReplyBuilder&);
void getVirtualDisksForController(Session&, const Request&, ReplyBuilder&);
void getVirtualDisk(Session&, const Request&, ReplyBuilder&);
void getCapsForDHS(Session&, const Request&, ReplyBuilder&);
void getBatteryList(Session&, const Request&, ReplyBuilder&);
void getBatteriesForController(Session&, const Request&, ReplyBuilder&);
void getBattery(Session&, const Request&, ReplyBuilder&);

// ---- pass-through (passthru.cpp): getcaps, getassoc, report storage, dump2, debug
void sendPassThruCmdToDCSIF(Session&, const Request&, ReplyBuilder&);
bool passThroughWrites(const Request& request);

// ---- controller and storage-wide writes (writes_controller.cpp)
void setCntrlRescan(Session&, const Request&, ReplyBuilder&);
void setCntrlResetConfig(Session&, const Request&, ReplyBuilder&);
void setCntrlEnableAlarm(Session&, const Request&, ReplyBuilder&);
void setCntrlDisableAlarm(Session&, const Request&, ReplyBuilder&);
void setCntrlQuietAlarm(Session&, const Request&, ReplyBuilder&);
void setCntrlTestAlarm(Session&, const Request&, ReplyBuilder&);
void setCntrlExportLog(Session&, const Request&, ReplyBuilder&);
void setCntrlRebuildRate(Session&, const Request&, ReplyBuilder&);
void setCntrlBGIRate(Session&, const Request&, ReplyBuilder&);
void setCntrlCheckConsistencyRate(Session&, const Request&, ReplyBuilder&);
void setCntrlReconstructRate(Session&, const Request&, ReplyBuilder&);
void setCntrlPatrolReadRate(Session&, const Request&, ReplyBuilder&);
void setCntrlClearForeignConfig(Session&, const Request&, ReplyBuilder&);
void setCntrlImportForeignConfig(Session&, const Request&, ReplyBuilder&);
void setCntrlForcedImportForeignConfig(Session&, const Request&, ReplyBuilder&);
void setCntrlPatrolReadStart(Session&, const Request&, ReplyBuilder&);
void setCntrlPatrolReadStop(Session&, const Request&, ReplyBuilder&);
void setCntrlPatrolReadMode(Session&, const Request&, ReplyBuilder&);
void setCntrlCreateVD(Session&, const Request&, ReplyBuilder&);
void setCntrlGlobalRescan(Session&, const Request&, ReplyBuilder&);
void setEnclosureEnableSTS(Session&, const Request&, ReplyBuilder&);
void setEnclosureDisableSTS(Session&, const Request&, ReplyBuilder&);
void setDebugMode(Session&, const Request&, ReplyBuilder&);

// ---- virtual disk writes (writes_vdisk.cpp)
void setVDCheckConsistency(Session&, const Request&, ReplyBuilder&);
void setVDCancelCheckConsistency(Session&, const Request&, ReplyBuilder&);
void setVDPauseCheckConsistency(Session&, const Request&, ReplyBuilder&);
void setVDResumeCheckConsistency(Session&, const Request&, ReplyBuilder&);
void setVDBlink(Session&, const Request&, ReplyBuilder&);
void setVDUnBlink(Session&, const Request&, ReplyBuilder&);
void setVDInitialize(Session&, const Request&, ReplyBuilder&);
void setVDFastInitialize(Session&, const Request&, ReplyBuilder&);
void setVDSlowInitialize(Session&, const Request&, ReplyBuilder&);
void setVDCancelInitialize(Session&, const Request&, ReplyBuilder&);
void setVDCancelBGInitialize(Session&, const Request&, ReplyBuilder&);
void setVDRecover(Session&, const Request&, ReplyBuilder&);
void setVDFormat(Session&, const Request&, ReplyBuilder&);
void setVDSplitMirrorSet(Session&, const Request&, ReplyBuilder&);
void setVDUnMirror(Session&, const Request&, ReplyBuilder&);
void setVDDedicatedHotSpare(Session&, const Request&, ReplyBuilder&);
void setVDdelete(Session&, const Request&, ReplyBuilder&);
void setVDReconfigure(Session&, const Request&, ReplyBuilder&);
void setVDAddMissingDisk(Session&, const Request&, ReplyBuilder&);

// ---- physical disk writes (writes_disk.cpp)
void setArrayDiskBlink(Session&, const Request&, ReplyBuilder&);
void setArrayDiskUnBlink(Session&, const Request&, ReplyBuilder&);
void setArrayDiskPrepareToRemove(Session&, const Request&, ReplyBuilder&);
void setArrayDiskInitialize(Session&, const Request&, ReplyBuilder&);
void setArrayDiskRebuild(Session&, const Request&, ReplyBuilder&);
void setArrayDiskCancelRebuild(Session&, const Request&, ReplyBuilder&);
void setArrayDiskOffline(Session&, const Request&, ReplyBuilder&);
void setArrayDiskOnline(Session&, const Request&, ReplyBuilder&);
void setArrayDiskRemoveDeadSegments(Session&, const Request&, ReplyBuilder&);
void setArrayDiskGlobalHotSpare(Session&, const Request&, ReplyBuilder&);
void setArrayDiskClear(Session&, const Request&, ReplyBuilder&);
void setArrayDiskCancelClear(Session&, const Request&, ReplyBuilder&);

// ---- enclosure, battery and connector writes (writes_devices.cpp)
void setEnclosureEnableAlarm(Session&, const Request&, ReplyBuilder&);
void setEnclosureDisableAlarm(Session&, const Request&, ReplyBuilder&);
void setEnclosureServiceTag(Session&, const Request&, ReplyBuilder&);
void setEnclosureAssetTag(Session&, const Request&, ReplyBuilder&);
void setEnclosureAssetName(Session&, const Request&, ReplyBuilder&);
void setEnclosureTempProbes(Session&, const Request&, ReplyBuilder&);
void setEnclosureResetTempProbes(Session&, const Request&, ReplyBuilder&);
void setEnclosureBlink(Session&, const Request&, ReplyBuilder&);
void setEnclosureUnBlink(Session&, const Request&, ReplyBuilder&);
void setBatteryRecondition(Session&, const Request&, ReplyBuilder&);
void setBatteryStartLearn(Session&, const Request&, ReplyBuilder&);
void setBatteryDelayLearn(Session&, const Request&, ReplyBuilder&);
void setChnlRescan(Session&, const Request&, ReplyBuilder&);

// Disks set aside with "prepare to remove" come back on a rescan of their
// connector (or of every connector of the controller when connector < 0).
void rescanRemovedDisks(Session& session, const Object& controller, int64_t connector);

}  // namespace kwda
