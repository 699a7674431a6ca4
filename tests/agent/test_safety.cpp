// What administrators rely on: a refusal names the object at fault and why,
// what is in use needs force, health rolls up to the controller and the
// storage system, a state says what seeded it, and the alert log stays
// within its bound.
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "agent_harness.h"
#include "environment.h"

namespace kwda_test {
namespace {

class SafetyTest : public AgentTest {
protected:
    // A fresh built-in system for each case of a table.
    void freshState(int n) { ::setenv("KWDA_STATE", (dir + "/case" + std::to_string(n) + ".db").c_str(), 1); }
    // Runs "setVDBlink GlobalNo=0 LogicalDriveNum=1; ..." (commands apart by ';').
    void steps(const std::string& text) {
        for (const auto& command : split(text, ';')) {
            Reply done = send(request(command));
            ASSERT_EQ(done.status, 0) << done.raw;
        }
    }
    static std::vector<std::string> split(const std::string& text, char by) {
        std::vector<std::string> out;
        std::string item;
        for (std::istringstream in(text); std::getline(in, item, by);)
            if (size_t start = item.find_first_not_of(' '); start != std::string::npos)
                out.push_back(item.substr(start));
        return out;
    }
    static std::vector<std::string> request(const std::string& command) {
        std::vector<std::string> words = split(command, ' ');
        words.front() = "vexcmd=" + words.front();
        return words;
    }
};

// Built-in system, controller 0: virtual disk 0 (r1 on 0:0:0,0:0:1, in use),
// 1 (r5 on 0:0:2 to 0:0:5) with hot spare 0:0:6, disks 0:0:7 to 0:0:11 free.
// Controller 1: no alarm, patrol read only "disable", no r6.
struct RefusalCase {
    const char* before;   // writes that set the scene
    const char* request;
    const char* names;    // parts of the refusal, apart by '|'
};
const RefusalCase kRefusals[] = {
    {"", "setCntrlEnableAlarm GlobalNo=1", "controller 1|no alarm"},
    {"", "setCntrlEnableAlarm GlobalNo=0", "controller 0|already enabled"},
    {"setCntrlDisableAlarm GlobalNo=0", "setCntrlTestAlarm GlobalNo=0", "controller 0|disabled|enable it"},
    {"", "setCntrlImportForeignConfig GlobalNo=0", "controller 0|no foreign"},
    {"", "setCntrlPatrolReadStart GlobalNo=1", "controller 1|manual"},
    {"", "setCntrlPatrolReadStart GlobalNo=0", "controller 0|auto mode"},
    {"", "setCntrlPatrolReadStop GlobalNo=0", "controller 0|no patrol read"},
    {"", "setCntrlPatrolReadMode GlobalNo=1 PatrolReadMode=2", "manual|controller 1"},
    {"", "setCntrlCreateVD GlobalNo=1 adisk=2:0,3:0 Layout=128 Length=1073741824", "r6|controller 1"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:6,0:0:7,0:0:8 Layout=64 Length=1073741824",
     "0:0:6 is a hot spare of virtual disk 1|release it"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:0,0:0:7 Layout=4 Length=1073741824",
     "0:0:0 is a member of virtual disk 0|no free space"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8 Layout=64 Length=1073741824",
     "RAID-5 (r5) needs at least 3 disks, 2 given"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:7 Layout=4 Length=1073741824", "0:0:7 is given twice"},
    {"setCntrlCreateVD GlobalNo=0 adisk=0:0:9 Layout=2 Length=1099511627776",
     "setCntrlCreateVD GlobalNo=0 adisk=0:0:8,0:0:9 Layout=4 Length=536870912000", "RAID-1 (r1)|disk 0:0:9 has"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7 Layout=2 Length=1000", "size 1000 bytes|smallest"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7,0:0:8,0:0:9 Layout=64 Length=1073741824 SpanLength=3",
     "span length|r5"},
    {"", "setCntrlCreateVD GlobalNo=0 adisk=0:0:7 Layout=2 Length=1073741824 Name=bad!", "'bad!'|'!'"},
    {"setArrayDiskOffline GlobalNo=0 adisk=0:0:2", "setVDCheckConsistency GlobalNo=0 LogicalDriveNum=1",
     "virtual disk 1 is Degraded"},
    {"setVDCheckConsistency GlobalNo=0 LogicalDriveNum=1", "setVDSlowInitialize GlobalNo=0 LogicalDriveNum=1",
     "virtual disk 1 is busy with Check Consistency|cancel"},
    {"", "setVDCancelCheckConsistency GlobalNo=0 LogicalDriveNum=1", "no consistency check|virtual disk 1"},
    {"setVDCheckConsistency GlobalNo=0 LogicalDriveNum=1", "setVDResumeCheckConsistency GlobalNo=0 LogicalDriveNum=1",
     "virtual disk 1|not paused"},
    {"setVDBlink GlobalNo=0 LogicalDriveNum=1", "setVDBlink GlobalNo=0 LogicalDriveNum=1",
     "virtual disk 1 is already blinking"},
    {"", "setVDdelete GlobalNo=0 LogicalDriveNum=0 Force=no", "virtual disk 0 is in use (running system|force=yes"},
    {"", "setVDFormat GlobalNo=0 LogicalDriveNum=1", "virtual disk 1|formatting"},
    {"", "setVDUnMirror GlobalNo=0 LogicalDriveNum=1", "virtual disk 1 is not a mirror"},
    {"", "setVDDedicatedHotSpare GlobalNo=0 LogicalDriveNum=1 adisk=0:0:0 set=yes",
     "0:0:0 is a member of virtual disk 0"},
    {"", "setVDDedicatedHotSpare GlobalNo=0 LogicalDriveNum=0 adisk=0:0:6 set=yes",
     "0:0:6 is already a hot spare of virtual disk 1"},
    {"", "setVDDedicatedHotSpare GlobalNo=0 LogicalDriveNum=1 adisk=0:0:7 set=no",
     "0:0:7 is not a dedicated hot spare of virtual disk 1"},
    {"", "setVDReconfigure GlobalNo=0 LogicalDriveNum=1 adisk=0:0:2,0:0:3,0:0:4",
     "0:0:5 is a member of virtual disk 1"},
    {"", "setVDReconfigure GlobalNo=0 LogicalDriveNum=1 Length=1073741824", "virtual disk 1 cannot shrink"},
    {"", "setVDAddMissingDisk GlobalNo=0 LogicalDriveNum=1 newadisk=0:0:7", "virtual disk 1 has no failed or missing"},
    {"", "setArrayDiskPrepareToRemove GlobalNo=0 adisk=0:0:2", "0:0:2 is online in virtual disk 1|offline"},
    {"", "setArrayDiskPrepareToRemove GlobalNo=0 adisk=0:0:6", "0:0:6 is a hot spare of virtual disk 1"},
    {"", "setArrayDiskClear GlobalNo=0 adisk=0:0:3", "0:0:3 is a member of virtual disk 1"},
    {"", "setArrayDiskInitialize GlobalNo=0 adisk=0:0:6", "0:0:6 is a hot spare of virtual disk 1"},
    {"", "setArrayDiskRebuild GlobalNo=0 adisk=0:0:2", "disk 0:0:2 is Online"},
    {"", "setArrayDiskRebuild GlobalNo=0 adisk=0:0:7", "disk 0:0:7 is Ready"},
    {"", "setArrayDiskCancelRebuild GlobalNo=0 adisk=0:0:7", "no rebuild|0:0:7"},
    {"", "setArrayDiskOffline GlobalNo=0 adisk=0:0:7", "disk 0:0:7 is Ready, not Online"},
    {"", "setArrayDiskOnline GlobalNo=0 adisk=0:0:2", "disk 0:0:2 is Online, not Offline"},
    {"", "setArrayDiskRemoveDeadSegments GlobalNo=0 adisk=0:0:7", "disk 0:0:7 has no dead segments"},
    {"", "setArrayDiskGlobalHotSpare GlobalNo=0 adisk=0:0:6 set=yes", "0:0:6 is a hot spare of virtual disk 1"},
    {"", "setArrayDiskGlobalHotSpare GlobalNo=0 adisk=0:0:7 set=no", "0:0:7 is not a global hot spare"},
    {"", "setArrayDiskCancelClear GlobalNo=0 adisk=0:0:7", "no clear|0:0:7"},
    {"", "setEnclosureDisableAlarm GlobalNo=0 Enclosure=0:0", "enclosure 0:0"},
    {"", "setEnclosureServiceTag GlobalNo=0 Enclosure=0:0 ServiceTag=ABCDEFGHIJKL", "'ABCDEFGHIJKL'|enclosure 0:0"},
    {"", "setEnclosureAssetTag GlobalNo=0 Enclosure=0:0 AssetTag=a/b", "'a/b'|'/'"},
    {"", "setEnclosureTempProbes GlobalNo=0 Enclosure=0:0 Index=1 MinWarning=5 MaxWarning=50",
     "temperature probe 1|50"},
    {"setBatteryStartLearn GlobalNo=0 BatteryID=0", "setBatteryRecondition GlobalNo=0 BatteryID=0",
     "battery 0 is busy"},
    {"", "setBatteryDelayLearn GlobalNo=0 BatteryID=0 Days=0 Hours=0", "battery 0"},
    {"", "setBatteryDelayLearn GlobalNo=0 BatteryID=0 Days=8 Hours=0", "battery 0|168"},
    {"", "setCntrlRescan GlobalNo=7", "controller 7 does not exist"},
    {"", "setVDBlink GlobalNo=0 LogicalDriveNum=9", "virtual disk 9 does not exist"},
    {"", "setArrayDiskBlink GlobalNo=0 adisk=0:0:99", "disk 0:0:99 does not exist"},
};

TEST_F(SafetyTest, EveryRefusalNamesTheObjectAndWhy) {
    int n = 0;
    for (const auto& c : kRefusals) {
        SCOPED_TRACE(c.request);
        freshState(n++);
        steps(c.before);
        Reply reply = send(request(c.request));
        EXPECT_EQ(reply.status, 2) << reply.raw;
        for (const auto& part : split(c.names, '|'))
            EXPECT_NE(reply.error.find(part), std::string::npos) << reply.error;
    }
}

// What is not well, on the storage system and on controller 0 alike.
struct RollupCase {
    const char* writes;
    const char* status;
    const char* names;  // a line of Attention, "" when none
};
const RollupCase kRollups[] = {
    {"", "Ok", ""},
    {"setArrayDiskOffline GlobalNo=0 adisk=0:0:2", "Non-Critical", "Virtual Disk 1 on Controller 0: Degraded"},
    {"setArrayDiskOffline GlobalNo=0 adisk=0:0:2; setArrayDiskOffline GlobalNo=0 adisk=0:0:3", "Critical",
     "Virtual Disk 1 on Controller 0: Failed"},
    {"setArrayDiskOffline GlobalNo=0 adisk=0:0:0; setArrayDiskRebuild GlobalNo=0 adisk=0:0:0", "Non-Critical",
     "Physical Disk 0:0:0 on Controller 0: Rebuilding"},
    {"setBatteryStartLearn GlobalNo=0 BatteryID=0", "Non-Critical", "Battery 0 on Controller 0: Learning"},
};

TEST_F(SafetyTest, HealthRollsUpToTheControllerAndTheStorageSystem) {
    int n = 0;
    for (const auto& c : kRollups) {
        SCOPED_TRACE(c.writes);
        freshState(n++);
        steps(c.writes);
        for (const Object& holder :
             {send({"vexcmd=getGlobalInfo"}).only(), send({"vexcmd=getController", "GlobalNo=0"}).only()}) {
            EXPECT_EQ(holder.at("RollupStatus"), c.status);
            std::string attention = holder.count("Attention") ? holder.at("Attention") : "";
            EXPECT_NE(attention.find(c.names), std::string::npos) << attention;
            EXPECT_EQ(attention.empty(), *c.names == '\0') << attention;
        }
        // What another controller holds is not its worry.
        EXPECT_EQ(send({"vexcmd=getController", "GlobalNo=1"}).only().at("RollupStatus"), "Ok");
    }
}

TEST_F(SafetyTest, AProbePastItsThresholdCountsAndMembershipsShow) {
    useProfile(
        "<StorageProfile><Controller><Connector BusProtocol=\"8\"><Enclosure>"
        "<PhysicalDisk Length=\"107374182400\"/><PhysicalDisk Length=\"107374182400\"/>"
        "<TemperatureProbe Reading=\"47\" MaxWarning=\"45\" MaxFailure=\"50\"/>"
        "</Enclosure></Connector><VirtualDisk Layout=\"2\" Disks=\"0:0:0\"/></Controller></StorageProfile>");
    EXPECT_EQ(send({"vexcmd=getArrayDisk", "GlobalNo=0", "adisk=0:0:0"}).only().at("MemberOf"), "0");
    EXPECT_EQ(send({"vexcmd=getArrayDisk", "GlobalNo=0", "adisk=0:0:1"}).only().count("MemberOf"), 0u);
    Object controller = send({"vexcmd=getController", "GlobalNo=0"}).only();
    EXPECT_EQ(controller.at("RollupStatus"), "Non-Critical");
    EXPECT_EQ(controller.at("Attention"), "Temperature Probe 0 of Enclosure 0:0 on Controller 0: Warning");
}

TEST_F(SafetyTest, AVirtualDiskWithoutDisksIsFailedWithNoMembers) {
    for (const char* disks : {" Disks=\"\"", ""}) {
        SCOPED_TRACE(disks);
        useProfile(smallProfile(2, std::string("<VirtualDisk Layout=\"4\"") + disks + " Name=\"Gone\"/>"));
        Object vd = send({"vexcmd=getVirtualDisk", "GlobalNo=0", "LogicalDriveNum=0"}).only();
        EXPECT_EQ(vd.at("State"), "Failed");
        EXPECT_EQ(vd.at("Disks"), "");
        EXPECT_TRUE(send({"vexcmd=getArrayDisksForVirtualDisk", "GlobalNo=0", "LogicalDriveNum=0"}).objects.empty());
        EXPECT_EQ(send({"vexcmd=getGlobalInfo"}).only().at("RollupStatus"), "Critical");
        for (const char* suffix : {"-wal", "-shm", ""}) ::unlink((state + suffix).c_str());
    }
}

TEST_F(SafetyTest, AProfileForAStateAnotherProfileSeededIsRefused) {
    std::string first = useProfile(smallProfile(2), "first.xml");
    ASSERT_EQ(send({"vexcmd=getControllerList"}).status, 0);
    // The same text elsewhere is the same profile.
    useProfile(smallProfile(2), "copy.xml");
    EXPECT_EQ(send({"vexcmd=getControllerList"}).status, 0);
    std::string other = useProfile(smallProfile(3), "other.xml");
    Reply refused = send({"vexcmd=getControllerList"});
    EXPECT_EQ(refused.status, 4);
    for (const std::string& part : {state, first, other})
        EXPECT_NE(refused.error.find(part), std::string::npos) << refused.error;
    // Without a profile the state is used as it is.
    ::unsetenv("KWDA_PROFILE");
    EXPECT_EQ(send({"vexcmd=getControllerList"}).status, 0);
    // A state of the built-in system refuses any other profile.
    ::setenv("KWDA_STATE", (dir + "/builtin.db").c_str(), 1);
    ASSERT_EQ(send({"vexcmd=getControllerList"}).status, 0);
    ::setenv("KWDA_PROFILE", other.c_str(), 1);
    Reply builtIn = send({"vexcmd=getControllerList"});
    EXPECT_EQ(builtIn.status, 4);
    EXPECT_NE(builtIn.error.find("built-in system"), std::string::npos) << builtIn.error;
}

TEST_F(SafetyTest, TheAlertLogKeepsItsNewestEventsWithinItsBound) {
    const int limit = 4096;
    ::setenv("KWDA_ALERT_LOG_LIMIT", std::to_string(limit).c_str(), 1);
    for (int i = 0; i < 150; ++i) {
        ASSERT_EQ(send({"vexcmd=setVDBlink", "GlobalNo=0", "LogicalDriveNum=1"}).status, 0);
        ASSERT_EQ(send({"vexcmd=setVDUnBlink", "GlobalNo=0", "LogicalDriveNum=1"}).status, 0);
        ASSERT_LE(std::filesystem::file_size(alertLog()), static_cast<uintmax_t>(limit));
    }
    std::vector<std::string> events = lines(readFile(alertLog()));
    ASSERT_GT(events.size(), 10u);
    EXPECT_NE(events.front().find("older events were dropped"), std::string::npos) << events.front();
    // The newest events, in order: blink and unblink alternate, unblink last.
    EXPECT_NE(events.back().find("blinking stopped"), std::string::npos);
    for (size_t i = 1; i + 1 < events.size(); ++i) {
        bool started = events[i].find("blinking started") != std::string::npos;
        EXPECT_NE(events[i + 1].find(started ? "blinking stopped" : "blinking started"), std::string::npos)
            << events[i] << "\n" << events[i + 1];
    }
    ::setenv("KWDA_ALERT_LOG_LIMIT", "12", 1);
    EXPECT_EQ(send({"vexcmd=getGlobalInfo"}).status, 1);
}

TEST(StateLocation, TheSystemStateServesEveryUserWhileItExists) {
    std::string system = (std::filesystem::temp_directory_path() / ("kwda-system-" + std::to_string(::getpid()))).string();
    ::setenv("XDG_STATE_HOME", "/home/someone/.state", 1);
    EXPECT_EQ(kwda::defaultStatePath(true, system), system);
    EXPECT_EQ(kwda::defaultStatePath(false, system), "/home/someone/.state/kwda/state.db");
    writeFile(system, "");
    EXPECT_EQ(kwda::defaultStatePath(false, system), system);
    ::unlink(system.c_str());
    ::unsetenv("XDG_STATE_HOME");
}

}  // namespace
}  // namespace kwda_test
