// The model behind every write: each change lands on the objects it touches
// (states, sizes, masks, tasks), each refusal names the object at fault and
// why, and health rolls up to the controller and the storage system.
//
// Built-in system, controller 0: virtual disk 0 (r1 on 0:0:0,0:0:1, in use),
// 1 (r5 on 0:0:2 to 0:0:5) with hot spare 0:0:6, disks 0:0:7 to 0:0:11 free
// (0:0:10 and 0:0:11 are small SSDs). Controller 1: SATA, r1 on 0:0,1:0, no
// alarm, patrol read only "disable", no r6.
#include "agent_harness.h"

namespace kwda_test {
namespace {

class ModelTest : public AgentTest {
protected:
    // A fresh built-in system for each case of a table, tasks at real speed.
    void freshState(int n) {
        ::unsetenv("KWDA_TIME_SCALE");
        ::setenv("KWDA_STATE", (dir + "/case" + std::to_string(n) + ".db").c_str(), 1);
    }
};

// After `steps`, the reply to `query` (a read or a last write) holds `fields`
// on its last object; "#n" counts its objects. A row whose steps begin with
// '+' goes on with the system the row before left. "@KWDA_TIME_SCALE" steers
// tasks: 0 finishes what runs, 0.000001 keeps it running.
struct Effect {
    const char* steps;
    const char* query;
    const char* fields;
};
const Effect kEffects[] = {
    // What the built-in system allows as it is.
    {"", "getArrayDisk GlobalNo=0 adisk=0:0:2",
     "State=Online|MemberOf=1|AttributesMask&400|CurrentMethodMask&80|CurrentMethodMask!400|CurrentMethodMask!10"},
    {"+", "getArrayDisk GlobalNo=0 adisk=0:0:6",
     "HotSpareFor=1|AttributesMask&100|CurrentMethodMask!10|CurrentMethodMask!20|MasterMethodMask&10"},
    {"+", "getArrayDisk GlobalNo=0 adisk=0:0:7",
     "State=Ready|-MemberOf|FreeLength=1199638052864|CurrentMethodMask&10|CurrentMethodMask&10000|"
     "CurrentMethodMask&100|CurrentMethodMask!80"},
    {"+", "getArrayDisk GlobalNo=1 adisk=2:0", "AttributesMask!400|EnclosureID=|BusProtocol=7"},
    {"+", "getVirtualDisk GlobalNo=0 LogicalDriveNum=0", "Disks=0:0:0,0:0:1|CurrentMethodMask&2000"},
    {"+", "getVirtualDisk GlobalNo=0 LogicalDriveNum=1",
     "State=Ready|MasterMethodMask!2000|CurrentMethodMask&20|CurrentMethodMask!800|CurrentMethodMask&80|"
     "CurrentMethodMask&1|CurrentMethodMask&100|CurrentMethodMask!200|AttributesMask&8000"},
    {"+", "getController GlobalNo=0",
     "ForeignConfig=None|CurrentMethodMask&40|CurrentMethodMask&8|CurrentMethodMask!4|MasterMethodMask&200000|"
     "CurrentMethodMask!200000|CurrentMethodMask!400000|CurrentMethodMask!1000000|CurrentMethodMask&80"},
    {"+", "getController GlobalNo=1", "MasterMethodMask!4|MasterMethodMask!200000"},
    {"+", "getSingleControllerArrayInfo GlobalNo=0", "#3"},
    {"+", "getGlobalInfo", "CurrentMethodMask=101"},
    {"+", "getCapsForDHS GlobalNo=1 LogicalDriveNum=0", "#2"},
    {"+setVDBlink GlobalNo=0 LogicalDriveNum=1", "getVirtualDisk GlobalNo=0 LogicalDriveNum=1",
     "CurrentMethodMask&200|CurrentMethodMask!100"},
    // Virtual disks made, deleted, grown, changed.
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8,0:0:9 Length=214748364800 Layout=64 Name=Scratch StripeSize=64",
     "LogicalDriveNum=2|Name=Scratch|Disks=0:0:7,0:0:8,0:0:9|StripeSize=64|ReadPolicy=4"},
    {"+", "getArrayDisk GlobalNo=0 adisk=0:0:7", "State=Online|UsedLength=107374182400|FreeLength=1092263870464"},
    {"+setVDdelete GlobalNo=0 LogicalDriveNum=2 Force=yes", "getArrayDisk GlobalNo=0 adisk=0:0:7",
     "State=Ready|FreeLength=1199638052864"},
    {"@KWDA_TIME_SCALE=0; setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8,0:0:9 Length=1073741824 Layout=64",
     "setVDReconfigure GlobalNo=0 LogicalDriveNum=2 adisk=0:0:7,0:0:8,0:0:9,0:0:10 Layout=128 Length=2147483648",
     "Layout=128|Disks=0:0:7,0:0:8,0:0:9,0:0:10|Length=2147483648"},
    {"+", "getArrayDisk GlobalNo=0 adisk=0:0:10", "UsedLength=1073741824|State=Online"},
    {"", "setVDReconfigure GlobalNo=0 LogicalDriveNum=1 Name=Archive", "Name=Archive"},
    {"+", "setVDReconfigure GlobalNo=0 LogicalDriveNum=1 ReadPolicy=16 WritePolicy=8 DiskCachePolicy=1",
     "ReadPolicy=16|WritePolicy=8|DiskCachePolicy=1"},
    {"+", "setVDReconfigure GlobalNo=1 LogicalDriveNum=0 WritePolicy=16", "WritePolicy=16"},
    {"+", "setVDSplitMirrorSet GlobalNo=0 LogicalDriveNum=0", "#2|Disks=0:0:1|Name=System-split"},
    {"+", "getVirtualDisk GlobalNo=0 LogicalDriveNum=0", "Layout=2|Disks=0:0:0"},
    {"+", "setVDUnMirror GlobalNo=1 LogicalDriveNum=0", "Layout=2|Disks=0:0|MasterMethodMask!80"},
    {"+", "getArrayDisk GlobalNo=1 adisk=1:0", "State=Ready|-MemberOf|FreeLength=1000204886016"},
    // Hot spares.
    {"setArrayDiskGlobalHotSpare GlobalNo=0 adisk=0:0:7 set=yes", "getArrayDisk GlobalNo=0 adisk=0:0:7",
     "HotSpareFor=global|AttributesMask&80|CurrentMethodMask!10|CurrentMethodMask&20"},
    {"+setArrayDiskGlobalHotSpare GlobalNo=0 adisk=0:0:7 set=no", "getArrayDisk GlobalNo=0 adisk=0:0:7",
     "-HotSpareFor"},
    {"+setVDDedicatedHotSpare GlobalNo=0 LogicalDriveNum=1 adisk=0:0:8 set=yes",
     "getArrayDisk GlobalNo=0 adisk=0:0:8", "AttributesMask&100"},
    {"+", "getArrayDisksForVirtualDisk GlobalNo=0 LogicalDriveNum=1", "#6"},
    {"+setVDDedicatedHotSpare GlobalNo=1 LogicalDriveNum=0 adisk=2:0 set=yes; setVDdelete GlobalNo=1 LogicalDriveNum=0",
     "getArrayDisk GlobalNo=1 adisk=2:0", "-HotSpareFor"},
    // Members failing, rebuilt, set aside, replaced.
    {"@KWDA_TIME_SCALE=0; setArrayDiskOffline GlobalNo=0 adisk=0:0:3", "getVirtualDisk GlobalNo=0 LogicalDriveNum=1",
     "State=Degraded"},
    {"+", "getArrayDisk GlobalNo=0 adisk=0:0:3", "CurrentMethodMask&400"},
    {"+setArrayDiskRebuild GlobalNo=0 adisk=0:0:3", "getVirtualDisk GlobalNo=0 LogicalDriveNum=1", "State=Ready"},
    {"+setArrayDiskOffline GlobalNo=1 adisk=0:0; setArrayDiskOffline GlobalNo=1 adisk=1:0",
     "getVirtualDisk GlobalNo=1 LogicalDriveNum=0", "State=Failed"},
    {"@KWDA_TIME_SCALE=0.000001; setArrayDiskOffline GlobalNo=0 adisk=0:0:2;"
     "setArrayDiskRebuild GlobalNo=0 adisk=0:0:2",
     "getArrayDisk GlobalNo=0 adisk=0:0:2", "State=Rebuilding|Task=Rebuild|CurrentMethodMask&800"},
    {"+", "getVirtualDisk GlobalNo=0 LogicalDriveNum=1", "State=Degraded"},
    {"+@KWDA_TIME_SCALE=0", "getArrayDisk GlobalNo=0 adisk=0:0:2", "State=Online|-Task"},
    {"+setArrayDiskOffline GlobalNo=0 adisk=0:0:4; setArrayDiskPrepareToRemove GlobalNo=0 adisk=0:0:4",
     "getArrayDisk GlobalNo=0 adisk=0:0:4", "State=Removed"},
    {"+", "setVDAddMissingDisk GlobalNo=0 LogicalDriveNum=1 newadisk=0:0:9 oldadisk=0:0:4",
     "Disks=0:0:2,0:0:3,0:0:9,0:0:5|State=Ready"},
    {"+setCntrlRescan GlobalNo=0", "getArrayDisk GlobalNo=0 adisk=0:0:4", "State=Ready"},
    {"+setArrayDiskPrepareToRemove GlobalNo=1 adisk=3:0", "getArrayDisk GlobalNo=1 adisk=3:0",
     "State=Removed|CurrentMethodMask!10"},
    {"+setChnlRescan GlobalNo=1 Channel=2", "getArrayDisk GlobalNo=1 adisk=3:0", "State=Removed"},
    {"+setCntrlGlobalRescan", "getArrayDisk GlobalNo=1 adisk=3:0", "State=Ready"},
    // Tasks: running, paused, cancelled, finished.
    {"@KWDA_TIME_SCALE=0.000001; setVDCheckConsistency GlobalNo=0 LogicalDriveNum=1",
     "getVirtualDisk GlobalNo=0 LogicalDriveNum=1",
     "Task=Check Consistency|CurrentMethodMask&10000|CurrentMethodMask!20"},
    {"+setVDPauseCheckConsistency GlobalNo=0 LogicalDriveNum=1; @KWDA_TIME_SCALE=0",
     "getVirtualDisk GlobalNo=0 LogicalDriveNum=1", "Task=Check Consistency (paused)|CurrentMethodMask&20000"},
    {"+@KWDA_TIME_SCALE=0.000001; setVDResumeCheckConsistency GlobalNo=0 LogicalDriveNum=1;"
     "setVDCancelCheckConsistency GlobalNo=0 LogicalDriveNum=1",
     "getVirtualDisk GlobalNo=0 LogicalDriveNum=1", "-Task"},
    {"+", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8,0:0:9 Length=1073741824 Layout=64",
     "Task=Background Initialization|CurrentMethodMask&100000"},
    {"+setVDCancelBGInitialize GlobalNo=0 LogicalDriveNum=2", "getVirtualDisk GlobalNo=0 LogicalDriveNum=2", "-Task"},
    {"+setBatteryStartLearn GlobalNo=0 BatteryID=0", "getBattery GlobalNo=0 BatteryID=0",
     "State=Learning|LearnState=Learning|CurrentMethodMask=0"},
    {"+setArrayDiskClear GlobalNo=0 adisk=0:0:10 Property=13", "getArrayDisk GlobalNo=0 adisk=0:0:10", "Task=Clear"},
    {"+@KWDA_TIME_SCALE=0", "getBattery GlobalNo=0 BatteryID=0", "State=Ready|LearnState=Idle"},
    {"+@KWDA_TIME_SCALE=0.000001; setArrayDiskClear GlobalNo=0 adisk=0:0:11 Property=13;"
     "setArrayDiskCancelClear GlobalNo=0 adisk=0:0:11 Property=14",
     "getArrayDisk GlobalNo=0 adisk=0:0:11", "-Task"},
    {"+@KWDA_TIME_SCALE=1000000000000; setVDCheckConsistency GlobalNo=0 LogicalDriveNum=2",
     "getVirtualDisk GlobalNo=0 LogicalDriveNum=2", "-Task"},
    // Controller, enclosure and storage-wide settings.
    {"", "setCntrlBGIRate GlobalNo=0 Rate=55 AttribType=1", "BGIRate=55"},
    {"+", "setCntrlRebuildRate GlobalNo=0 RebuildRate=70", "RebuildRate=70"},
    {"+setCntrlPatrolReadMode GlobalNo=0 PatrolReadMode=2; @KWDA_TIME_SCALE=0.000001",
     "setCntrlPatrolReadStart GlobalNo=0 Property=11",
     "PatrolReadState=Active|Task=Patrol Read|CurrentMethodMask&400000"},
    {"+setCntrlResetConfig GlobalNo=0 Force=yes", "getVirtualDisksForController GlobalNo=0", "#0"},
    {"+", "getArrayDisk GlobalNo=0 adisk=0:0:6", "-HotSpareFor"},
    {"+", "getArrayDisk GlobalNo=0 adisk=0:0:0", "State=Ready"},
    {"+setCntrlResetConfig GlobalNo=1 Force=yes", "getController GlobalNo=1",
     "CurrentMethodMask!80|CurrentMethodMask&40"},
    {"+", "getSingleControllerArrayInfo GlobalNo=1", "#1"},
    {"+", "setEnclosureAssetTag GlobalNo=0 Enclosure=0:0 AssetTag=RACK07", "AssetTag=RACK07"},
    {"+", "setEnclosureEnableAlarm GlobalNo=0 Enclosure=0:0", "AlarmState=Enabled"},
    {"+", "setEnclosureTempProbes GlobalNo=0 Enclosure=0:0 Index=1 MinWarning=10 MaxWarning=30",
     "MinWarning=10|MaxWarning=30|State=Ready"},
    {"+setEnclosureTempProbes GlobalNo=0 Enclosure=0:0 Index=0 MaxWarning=35",
     "setEnclosureResetTempProbes GlobalNo=0 Enclosure=0:0", "#2|MinWarning=5|MaxWarning=40"},
    {"+", "setEnclosureDisableSTS", "SMARTThermalShutdown=Disabled|CurrentMethodMask=11"},
    {"+", "sendPassThruCmdToDCSIF NumDCSIFArgs=1 param0=debug", "Debug=Enabled"},
    {"+", "setDebugMode state=on queue=3 hel=2", "DebugMode=state=on queue=3 hel=2"},
};

TEST_F(ModelTest, EachChangeLandsOnTheObjectsItTouches) {
    int n = 0;
    for (const auto& c : kEffects) {
        SCOPED_TRACE(std::string(c.steps) + " => " + c.query);
        if (*c.steps != '+') freshState(n++);
        steps(c.steps + (*c.steps == '+'));
        Reply reply = run(c.query);
        ASSERT_EQ(reply.status, 0) << reply.raw;
        std::string fields = c.fields;
        if (fields[0] == '#') {
            const size_t bar = fields.find('|');
            EXPECT_EQ(reply.objects.size(), std::stoul(fields.substr(1, bar - 1)));
            fields = bar == std::string::npos ? "" : fields.substr(bar + 1);
        }
        if (!fields.empty()) expectFields(reply.objects.back(), fields);
    }
}

// After `before`, `request` is refused with `status` and an error holding
// each part of `names` (apart by '|').
struct Refusal {
    const char* before;
    const char* request;
    int status;
    const char* names;
};
const Refusal kRefusals[] = {
    {"", "setCntrlEnableAlarm GlobalNo=1", 2, "controller 1 has no alarm"},
    {"", "setCntrlEnableAlarm GlobalNo=0", 2, "the alarm of controller 0 is already enabled"},
    {"setCntrlDisableAlarm GlobalNo=0", "setCntrlTestAlarm GlobalNo=0", 2, "controller 0|disabled|enable it"},
    {"setCntrlDisableAlarm GlobalNo=0", "setCntrlQuietAlarm GlobalNo=0", 2,
     "the alarm of controller 0 is disabled; it cannot be quieted (enable it first)"},
    {"", "setCntrlImportForeignConfig GlobalNo=0", 2, "controller 0|no foreign"},
    {"", "setCntrlPatrolReadStart GlobalNo=1", 2, "controller 1|manual"},
    {"", "setCntrlPatrolReadStart GlobalNo=0 Property=11", 2,
     "patrol read of controller 0 is in auto mode; it starts on request only in manual mode"},
    {"", "setCntrlPatrolReadStop GlobalNo=0", 2, "no patrol read is running on controller 0"},
    {"setCntrlPatrolReadMode GlobalNo=0 PatrolReadMode=2; @KWDA_TIME_SCALE=0.000001;"
     "setCntrlPatrolReadStart GlobalNo=0 Property=11; setCntrlPatrolReadStop GlobalNo=0 Property=12",
     "setCntrlPatrolReadStop GlobalNo=0", 2, "no patrol read is running on controller 0"},
    {"", "setCntrlPatrolReadMode GlobalNo=1 PatrolReadMode=2",
     2, "patrol read mode manual is not supported by controller 1"},
    {"", "setCntrlRebuildRate GlobalNo=0 RebuildRate=101", 1, "RebuildRate=101 is outside 0 to 100"},
    {"", "setCntrlCreateVD GlobalNo=1 adisk=2:0,3:0 Layout=128 Length=1073741824", 2, "r6|controller 1"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:6,0:0:8 Layout=64 Length=1073741824", 2,
     "disk 0:0:6 is a hot spare of virtual disk 1; release it first, or choose another disk"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:0,0:0:8 Layout=64 Length=1073741824", 2,
     "disk 0:0:0 is a member of virtual disk 0 and has no free space left"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8 Layout=64 Length=1073741824", 2,
     "RAID-5 (r5) needs at least 3 disks, 2 given"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8,0:0:9 Layout=1 Length=1073741824", 2,
     "layout c is not supported by controller 0"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:7 Layout=4 Length=1073741824", 2, "disk 0:0:7 is given twice"},
    {"setCntrlCreateVD GlobalNo=0 adisk=0:0:9 Layout=2 Length=1099511627776",
     "setCntrlCreateVD GlobalNo=0 adisk=0:0:8,0:0:9 Layout=4 Length=536870912000", 2, "RAID-1 (r1)|disk 0:0:9 has"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8 Layout=4 Length=1199638052865", 2,
     "size 1199638052865 bytes is more than RAID-1 (r1) can hold on 2 disks: at most 1199638052864 bytes, as "
     "disk 0:0:7 has 1199638052864 bytes free; give a smaller size or disks with more free space"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8 Layout=4 Length=1000", 2,
     "size 1000 bytes is below the smallest virtual disk of 104857600 bytes"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8,0:0:9 Layout=64 Length=1073741824 SpanLength=3", 2,
     "span length|r5"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8 Layout=4 Length=1073741824 SpanLength=2", 2,
     "a span length applies only to layouts r50 and r60, not to r1"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7 Layout=2 Length=1073741824 Name=bad!", 2, "'bad!'|'!'"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8 Layout=4 Length=1073741824 Name=Fartoolonganamex", 2,
     "virtual disk name 'Fartoolonganamex' is longer than the 15 characters controller 0 allows"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8 Layout=4 Length=1073741824 WritePolicy=1", 2,
     "WritePolicy wc is not supported by controller 0"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8 Layout=4 Length=12x",
     1, "Length='12x' is not a number of bytes"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8 Layout=4", 1, "missing argument Length"},
    {"setArrayDiskOffline GlobalNo=0 adisk=0:0:2", "setVDCheckConsistency GlobalNo=0 LogicalDriveNum=1", 2,
     "virtual disk 1 is Degraded"},
    {"setVDCheckConsistency GlobalNo=0 LogicalDriveNum=1", "setVDSlowInitialize GlobalNo=0 LogicalDriveNum=1", 2,
     "virtual disk 1 is busy with Check Consistency|cancel"},
    {"@KWDA_TIME_SCALE=0.000001; setVDCheckConsistency GlobalNo=0 LogicalDriveNum=1",
     "setVDCheckConsistency GlobalNo=0 LogicalDriveNum=1", 2,
     "virtual disk 1 is busy with Check Consistency; wait for it to end or cancel it"},
    {"", "setVDCancelCheckConsistency GlobalNo=0 LogicalDriveNum=1", 2, "no consistency check|virtual disk 1"},
    {"setVDCheckConsistency GlobalNo=0 LogicalDriveNum=1", "setVDResumeCheckConsistency GlobalNo=0 LogicalDriveNum=1",
     2,
     "virtual disk 1|not paused"},
    {"setVDBlink GlobalNo=0 LogicalDriveNum=1", "setVDBlink GlobalNo=0 LogicalDriveNum=1", 2,
     "virtual disk 1 is already blinking"},
    {"setArrayDiskBlink GlobalNo=0 adisk=0:0:4", "setArrayDiskBlink GlobalNo=0 adisk=0:0:4", 2,
     "disk 0:0:4 is already blinking"},
    {"", "setVDdelete GlobalNo=0 LogicalDriveNum=0 Force=no", 2, "virtual disk 0 is in use (running system|force=yes"},
    {"", "setVDFormat GlobalNo=0 LogicalDriveNum=1", 2, "virtual disk 1|formatting"},
    {"", "setVDUnMirror GlobalNo=0 LogicalDriveNum=1", 2, "virtual disk 1 is not a mirror"},
    {"setVDSplitMirrorSet GlobalNo=0 LogicalDriveNum=0", "setVDSplitMirrorSet GlobalNo=0 LogicalDriveNum=0", 2,
     "virtual disk 0 is not a mirror (r1); it cannot be split"},
    {"", "setVDDedicatedHotSpare GlobalNo=0 LogicalDriveNum=1 adisk=0:0:0 set=yes", 2,
     "0:0:0 is a member of virtual disk 0"},
    {"", "setVDDedicatedHotSpare GlobalNo=0 LogicalDriveNum=0 adisk=0:0:6 set=yes", 2,
     "0:0:6 is already a hot spare of virtual disk 1"},
    {"", "setVDDedicatedHotSpare GlobalNo=0 LogicalDriveNum=1 adisk=0:0:7 set=no", 2,
     "0:0:7 is not a dedicated hot spare of virtual disk 1"},
    {"setVDDedicatedHotSpare GlobalNo=0 LogicalDriveNum=1 adisk=0:0:8 set=yes",
     "setVDDedicatedHotSpare GlobalNo=0 LogicalDriveNum=0 adisk=0:0:8 set=no", 2,
     "disk 0:0:8 is not a dedicated hot spare of virtual disk 0"},
    {"", "setVDDedicatedHotSpare GlobalNo=0 LogicalDriveNum=1 adisk=0:0:10 set=yes", 2,
     "disk 0:0:10 (479559942144 bytes) is smaller than the smallest member of virtual disk 1 (1199638052864 bytes)"},
    {"setArrayDiskGlobalHotSpare GlobalNo=0 adisk=0:0:7 set=yes",
     "setVDDedicatedHotSpare GlobalNo=0 LogicalDriveNum=1 adisk=0:0:7 set=yes", 2,
     "disk 0:0:7 is already a global hot spare"},
    {"setVDDedicatedHotSpare GlobalNo=1 LogicalDriveNum=0 adisk=2:0 set=yes",
     "setVDDedicatedHotSpare GlobalNo=1 LogicalDriveNum=0 adisk=3:0 set=yes", 2,
     "controller 1 allows one dedicated hot spare per virtual disk, and virtual disk 0 has one"},
    {"", "setVDReconfigure GlobalNo=0 LogicalDriveNum=1 adisk=0:0:2,0:0:3,0:0:4", 2,
     "0:0:5 is a member of virtual disk 1"},
    {"", "setVDReconfigure GlobalNo=0 LogicalDriveNum=1 Length=1073741824", 2, "virtual disk 1 cannot shrink"},
    {"@KWDA_TIME_SCALE=0; setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8,0:0:9 Length=1073741824 Layout=64",
     "setVDReconfigure GlobalNo=0 LogicalDriveNum=2 adisk=0:0:7,0:0:8 Layout=4", 2,
     "disk 0:0:9 is a member of virtual disk 2 and must stay in it"},
    {"@KWDA_TIME_SCALE=0; setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8,0:0:9 Length=1073741824 Layout=64",
     "setVDReconfigure GlobalNo=0 LogicalDriveNum=2 Length=1", 2,
     "virtual disk 2 cannot shrink (from 1073741824 to 1 bytes)"},
    {"@KWDA_TIME_SCALE=0; setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8,0:0:9 Length=1073741824 Layout=64",
     "setVDReconfigure GlobalNo=0 LogicalDriveNum=2 adisk=0:0:7,0:0:8,0:0:9,0:0:6", 2,
     "disk 0:0:6 is a hot spare of virtual disk 1; release it first, or choose another disk"},
    {"", "setVDReconfigure GlobalNo=0 LogicalDriveNum=0 Length=400000000000", 2,
     "size 400000000000 bytes is more than RAID-1 (r1) can hold on 2 disks: at most 299439751168 bytes, as "
     "disk 0:0:0 has 299439751168 bytes free; give a smaller size or disks with more free space"},
    {"", "setVDReconfigure GlobalNo=0 LogicalDriveNum=1 ReadPolicy=1",
     2, "ReadPolicy rc is not supported by controller 0"},
    {"", "setVDAddMissingDisk GlobalNo=0 LogicalDriveNum=1 newadisk=0:0:7",
     2, "virtual disk 1 has no failed or missing"},
    {"", "setArrayDiskPrepareToRemove GlobalNo=0 adisk=0:0:2", 2, "0:0:2 is online in virtual disk 1|offline"},
    {"", "setArrayDiskPrepareToRemove GlobalNo=1 adisk=0:0", 2,
     "disk 0:0 is online in virtual disk 0; take it offline before removing it"},
    {"", "setArrayDiskPrepareToRemove GlobalNo=0 adisk=0:0:6", 2, "0:0:6 is a hot spare of virtual disk 1"},
    {"", "setArrayDiskClear GlobalNo=0 adisk=0:0:3 Property=13", 2,
     "disk 0:0:3 is a member of virtual disk 1; it cannot be cleared"},
    {"@KWDA_TIME_SCALE=0.000001; setArrayDiskClear GlobalNo=0 adisk=0:0:7 Property=13",
     "setArrayDiskInitialize GlobalNo=0 adisk=0:0:7",
     2, "disk 0:0:7 is busy with Clear; wait for it to end or cancel it"},
    {"", "setArrayDiskInitialize GlobalNo=0 adisk=0:0:6", 2, "0:0:6 is a hot spare of virtual disk 1"},
    {"", "setArrayDiskRebuild GlobalNo=0 adisk=0:0:4", 2,
     "disk 0:0:4 is Online; only a failed or offline member is rebuilt"},
    {"", "setArrayDiskRebuild GlobalNo=0 adisk=0:0:7", 2, "disk 0:0:7 is Ready"},
    {"setArrayDiskOffline GlobalNo=1 adisk=0:0; setArrayDiskOffline GlobalNo=1 adisk=1:0",
     "setArrayDiskRebuild GlobalNo=1 adisk=1:0", 2, "virtual disk 0 has failed; disk 1:0 cannot be rebuilt from it"},
    {"", "setArrayDiskCancelRebuild GlobalNo=0 adisk=0:0:7", 2, "no rebuild|0:0:7"},
    {"", "setArrayDiskOffline GlobalNo=0 adisk=0:0:7", 2, "disk 0:0:7 is Ready, not Online"},
    {"setArrayDiskOffline GlobalNo=0 adisk=0:0:3", "setArrayDiskOffline GlobalNo=0 adisk=0:0:3", 2,
     "disk 0:0:3 is Offline, not Online"},
    {"", "setArrayDiskOnline GlobalNo=0 adisk=0:0:2", 2, "disk 0:0:2 is Online, not Offline"},
    {"", "setArrayDiskRemoveDeadSegments GlobalNo=0 adisk=0:0:7", 2, "disk 0:0:7 has no dead segments"},
    {"", "setArrayDiskGlobalHotSpare GlobalNo=0 adisk=0:0:6 set=yes", 2, "0:0:6 is a hot spare of virtual disk 1"},
    {"", "setArrayDiskGlobalHotSpare GlobalNo=0 adisk=0:0:2 set=yes", 2,
     "disk 0:0:2 is a member of virtual disk 1; it cannot be a hot spare"},
    {"setArrayDiskGlobalHotSpare GlobalNo=0 adisk=0:0:7 set=yes",
     "setArrayDiskGlobalHotSpare GlobalNo=0 adisk=0:0:7 set=yes",
     2, "disk 0:0:7 is a global hot spare; it cannot be a hot spare (release it first)"},
    {"", "setArrayDiskGlobalHotSpare GlobalNo=0 adisk=0:0:7 set=no", 2, "0:0:7 is not a global hot spare"},
    {"", "setArrayDiskCancelClear GlobalNo=0 adisk=0:0:7", 2, "no clear|0:0:7"},
    {"", "setEnclosureDisableAlarm GlobalNo=0 Enclosure=0:0", 2, "enclosure 0:0"},
    {"", "setEnclosureServiceTag GlobalNo=0 Enclosure=0:0 ServiceTag=ABCDEFGHIJKL", 2, "'ABCDEFGHIJKL'|enclosure 0:0"},
    {"", "setEnclosureAssetTag GlobalNo=0 Enclosure=0:0 AssetTag=ELEVENCHARS", 2,
     "asset tag 'ELEVENCHARS' is longer than the 10 characters enclosure 0:0 takes"},
    {"", "setEnclosureAssetName GlobalNo=0 Enclosure=0:0 AssetName=a/b", 2,
     "asset name 'a/b' has the character '/'; use A-Z, a-z, 0-9, '-' and '_'"},
    {"", "setEnclosureTempProbes GlobalNo=0 Enclosure=0:0 Index=1 MinWarning=5 MaxWarning=50", 2,
     "temperature probe 1|50"},
    {"", "setEnclosureTempProbes GlobalNo=0 Enclosure=0:0 Index=1 MinWarning=21", 2,
     "minimum warning threshold 21 of temperature probe 1 is outside (1, 20)"},
    {"", "setEnclosureTempProbes GlobalNo=0 Enclosure=0:0 Index=7 MaxWarning=35", 2,
     "temperature probe 7 does not exist in enclosure 0:0"},
    {"setEnclosureDisableSTS", "setEnclosureDisableSTS", 2, "SMART thermal shutdown is already disabled"},
    {"", "setDebugMode queue=x", 1, "queue='x' is not a debug level"},
    {"setBatteryStartLearn GlobalNo=0 BatteryID=0", "setBatteryRecondition GlobalNo=0 BatteryID=0", 2,
     "battery 0 is busy"},
    {"", "setBatteryDelayLearn GlobalNo=0 BatteryID=0 Days=0 Hours=0", 2,
     "a learn cycle delay of 0 hours changes nothing for battery 0"},
    {"", "setBatteryDelayLearn GlobalNo=0 BatteryID=0 Days=8 Hours=0", 2, "battery 0|168"},
    {"", "setBatteryDelayLearn GlobalNo=0 BatteryID=0 Days=7 Hours=1", 2,
     "a delay of 169 hours is more than the 168 hours battery 0 allows"},
    {"", "setCntrlRescan GlobalNo=7", 2, "controller 7 does not exist"},
    {"", "setVDBlink GlobalNo=0 LogicalDriveNum=9", 2, "virtual disk 9 does not exist"},
    {"", "setArrayDiskBlink GlobalNo=0 adisk=0:0:99", 2, "disk 0:0:99 does not exist"},
    {"setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8,0:0:9 Length=214748364800 Layout=64;"
     "setVDdelete GlobalNo=0 LogicalDriveNum=2 Force=yes",
     "getVirtualDisk GlobalNo=0 LogicalDriveNum=2", 2, "virtual disk 2 does not exist on controller 0"},
};

TEST_F(ModelTest, EveryRefusalNamesTheObjectAndWhyAndLogsNothing) {
    int n = 0;
    for (const auto& c : kRefusals) {
        SCOPED_TRACE(c.request);
        freshState(n++);
        steps(c.before);
        const size_t events = lines(readFile(alertLog())).size();
        Reply reply = run(c.request);
        EXPECT_EQ(reply.status, c.status) << reply.raw;
        for (const auto& part : split(c.names, '|'))
            EXPECT_NE(reply.error.find(part), std::string::npos) << reply.error;
        EXPECT_EQ(lines(readFile(alertLog())).size(), events) << "a refusal logged an event";
    }
}

// What is not well, on the storage system and on controller 0 alike.
struct Rollup {
    const char* writes;
    const char* status;
    const char* names;  // a line of Attention, "" when none
};
const Rollup kRollups[] = {
    {"", "Ok", ""},
    {"setArrayDiskOffline GlobalNo=0 adisk=0:0:2", "Non-Critical", "Virtual Disk 1 on Controller 0: Degraded"},
    {"setArrayDiskOffline GlobalNo=0 adisk=0:0:2; setArrayDiskOffline GlobalNo=0 adisk=0:0:3", "Critical",
     "Virtual Disk 1 on Controller 0: Failed"},
    {"setArrayDiskOffline GlobalNo=0 adisk=0:0:0; setArrayDiskRebuild GlobalNo=0 adisk=0:0:0", "Non-Critical",
     "Physical Disk 0:0:0 on Controller 0: Rebuilding"},
    {"setBatteryStartLearn GlobalNo=0 BatteryID=0", "Non-Critical", "Battery 0 on Controller 0: Learning"},
};

TEST_F(ModelTest, HealthRollsUpToTheControllerAndTheStorageSystem) {
    int n = 0;
    for (const auto& c : kRollups) {
        SCOPED_TRACE(c.writes);
        freshState(n++);
        steps(c.writes);
        for (const Object& holder : {run("getGlobalInfo").only(), run("getController GlobalNo=0").only()}) {
            EXPECT_EQ(holder.at("RollupStatus"), c.status);
            std::string attention = holder.count("Attention") ? holder.at("Attention") : "";
            EXPECT_NE(attention.find(c.names), std::string::npos) << attention;
            EXPECT_EQ(attention.empty(), *c.names == '\0') << attention;
        }
        // What another controller holds is not its worry.
        EXPECT_EQ(run("getController GlobalNo=1").only().at("RollupStatus"), "Ok");
    }
}

TEST_F(ModelTest, ElementsWithBlanksAndTimes) {
    ::setenv("KWDA_TIME_SCALE", "0.000001", 1);
    const std::string first = run("getBattery GlobalNo=0 BatteryID=0").only().at("NextLearnTime");
    const std::string delayed =
        run("setBatteryDelayLearn GlobalNo=0 BatteryID=0 Days=1 Hours=2").only().at("NextLearnTime");
    EXPECT_GT(delayed, first);
    steps("setBatteryStartLearn GlobalNo=0 BatteryID=0; @KWDA_TIME_SCALE=0");
    EXPECT_GT(run("getBattery GlobalNo=0 BatteryID=0").only().at("NextLearnTime"), delayed) << "a learn reschedules";

    ::setenv("KWDA_TIME_SCALE", "0.000001", 1);
    steps("setVDCheckConsistency GlobalNo=0 LogicalDriveNum=1");
    const Object checking = run("getVirtualDisk GlobalNo=0 LogicalDriveNum=1").only();
    EXPECT_EQ(checking.at("TaskStart").size(), 20u);
    EXPECT_GE(std::stoi(checking.at("Progress")), 0);
    EXPECT_LT(std::stoi(checking.at("Progress")), 100);

    Reply blank = send({"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=1", "Name= lead"});
    EXPECT_EQ(blank.error, "virtual disk name ' lead' cannot start or end with a blank");
    steps("setEnclosureTempProbes GlobalNo=0 Enclosure=0:0 Index=1 MinWarning=10 MaxWarning=30");
    Reply kept = send({"vexcmd=setEnclosureTempProbes", "GlobalNo=0", "Enclosure=0:0", "Index=1", "", "MaxWarning=26"});
    EXPECT_EQ(kept.only().at("MinWarning"), "10") << "a blanked threshold stays as it is";
}

TEST_F(ModelTest, EveryWriteLogsOneEvent) {
    ::setenv("KWDA_TIME_SCALE", "1000000000000", 1);
    steps("getGlobalInfo");
    EXPECT_EQ(lines(readFile(alertLog())).size(), 1u) << "the state's creation";
    steps("setArrayDiskBlink GlobalNo=0 adisk=0:0:4; setEnclosureDisableSTS; setChnlRescan GlobalNo=1 Channel=4;"
          "setVDCheckConsistency GlobalNo=0 LogicalDriveNum=1; getGlobalInfo");
    const std::vector<std::string> log = lines(readFile(alertLog()));
    const std::vector<std::string> expected = {"Info\tPhysical Disk 0:0:4 on Controller 0\tblinking started",
                                               "Info\tStorage\tSMART thermal shutdown disabled",
                                               "Info\tConnector 4 on Controller 1\trescan completed"};
    ASSERT_GE(log.size(), 5u);
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_GT(log[i + 1].size(), 21u);
        EXPECT_EQ(log[i + 1][10], 'T');
        EXPECT_EQ(log[i + 1][19], 'Z');
        EXPECT_EQ(log[i + 1].substr(21), expected[i]);
    }
    EXPECT_NE(log.back().find("Virtual Disk 1 on Controller 0\tCheck Consistency completed"), std::string::npos);
}

TEST_F(ModelTest, TheControllerLogExportHoldsItsOwnEvents) {
    steps("setArrayDiskBlink GlobalNo=1 adisk=2:0; setArrayDiskBlink GlobalNo=0 adisk=0:0:2; "
          "setCntrlExportLog GlobalNo=1");
    std::vector<std::string> exported = lines(readFile(dir + "/controller1-log.txt"));
    ASSERT_EQ(exported.size(), 1u);
    EXPECT_NE(exported[0].find("Physical Disk 2:0 on Controller 1\tblinking started"), std::string::npos);
}

}  // namespace
}  // namespace kwda_test
