// What administrators rely on: a refusal names the object at fault and why,
// what is in use needs force, health rolls up to the controller and the
// storage system, a state says what seeded it, and the alert log stays
// within its bound.
#include <unistd.h>

#include <filesystem>

#include "agent_harness.h"
#include "environment.h"

namespace kwda_test {
namespace {

using Request = std::vector<std::string>;

class SafetyTest : public AgentTest {};

struct RefusalCase {
    const char* what;
    std::vector<Request> before;  // writes that set the scene
    Request request;
    std::vector<const char*> names;  // each must appear in the refusal
};

// Built-in system, controller 0: virtual disk 0 (r1 on 0:0:0,0:0:1, in use),
// 1 (r5 on 0:0:2 to 0:0:5) with hot spare 0:0:6, disks 0:0:7 to 0:0:11 free.
// Controller 1: no alarm, patrol read only "disable", no r6.
const std::vector<RefusalCase>& refusalCases() {
    static const std::vector<RefusalCase> cases = {
        {"no alarm", {}, {"vexcmd=setCntrlEnableAlarm", "GlobalNo=1"}, {"controller 1", "no alarm"}},
        {"alarm already on", {}, {"vexcmd=setCntrlEnableAlarm", "GlobalNo=0"}, {"controller 0", "already enabled"}},
        {"alarm off", {{"vexcmd=setCntrlDisableAlarm", "GlobalNo=0"}}, {"vexcmd=setCntrlTestAlarm", "GlobalNo=0"},
         {"controller 0", "disabled", "enable it"}},
        {"no foreign", {}, {"vexcmd=setCntrlImportForeignConfig", "GlobalNo=0"}, {"controller 0", "no foreign"}},
        {"no manual patrol", {}, {"vexcmd=setCntrlPatrolReadStart", "GlobalNo=1"}, {"controller 1", "manual"}},
        {"patrol auto", {}, {"vexcmd=setCntrlPatrolReadStart", "GlobalNo=0"}, {"controller 0", "auto mode"}},
        {"patrol idle", {}, {"vexcmd=setCntrlPatrolReadStop", "GlobalNo=0"}, {"controller 0", "no patrol read"}},
        {"patrol mode", {}, {"vexcmd=setCntrlPatrolReadMode", "GlobalNo=1", "PatrolReadMode=2"},
         {"manual", "controller 1"}},
        {"layout", {}, {"vexcmd=setCntrlCreateVD", "GlobalNo=1", "adisk=2:0,3:0", "Layout=128", "Length=1073741824"},
         {"r6", "controller 1"}},
        {"hot spare", {}, {"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:6,0:0:7,0:0:8", "Layout=64",
                           "Length=1073741824"},
         {"0:0:6 is a hot spare of virtual disk 1", "release it"}},
        {"member", {}, {"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:0,0:0:7", "Layout=4", "Length=1073741824"},
         {"0:0:0 is a member of virtual disk 0", "no free space"}},
        {"count", {}, {"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:7,0:0:8", "Layout=64", "Length=1073741824"},
         {"RAID-5 (r5) needs at least 3 disks, 2 given"}},
        {"twice", {}, {"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:7,0:0:7", "Layout=4", "Length=1073741824"},
         {"0:0:7 is given twice"}},
        {"too large", {{"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:9", "Layout=2", "Length=1099511627776"}},
         {"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:8,0:0:9", "Layout=4", "Length=536870912000"},
         {"RAID-1 (r1)", "disk 0:0:9 has", "bytes free"}},
        {"too small", {}, {"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:7", "Layout=2", "Length=1000"},
         {"size 1000 bytes", "smallest"}},
        {"span", {}, {"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:7,0:0:8,0:0:9", "Layout=64",
                      "Length=1073741824", "SpanLength=3"},
         {"span length", "r5"}},
        {"name", {}, {"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:7", "Layout=2", "Length=1073741824",
                      "Name=bad!"},
         {"'bad!'", "'!'"}},
        {"check degraded", {{"vexcmd=setArrayDiskOffline", "GlobalNo=0", "adisk=0:0:2"}},
         {"vexcmd=setVDCheckConsistency", "GlobalNo=0", "LogicalDriveNum=1"}, {"virtual disk 1 is Degraded"}},
        {"check busy", {{"vexcmd=setVDCheckConsistency", "GlobalNo=0", "LogicalDriveNum=1"}},
         {"vexcmd=setVDSlowInitialize", "GlobalNo=0", "LogicalDriveNum=1"},
         {"virtual disk 1 is busy with Check Consistency", "cancel"}},
        {"no check", {}, {"vexcmd=setVDCancelCheckConsistency", "GlobalNo=0", "LogicalDriveNum=1"},
         {"no consistency check", "virtual disk 1"}},
        {"paused", {{"vexcmd=setVDCheckConsistency", "GlobalNo=0", "LogicalDriveNum=1"}},
         {"vexcmd=setVDResumeCheckConsistency", "GlobalNo=0", "LogicalDriveNum=1"}, {"virtual disk 1", "not paused"}},
        {"blinking", {{"vexcmd=setVDBlink", "GlobalNo=0", "LogicalDriveNum=1"}},
         {"vexcmd=setVDBlink", "GlobalNo=0", "LogicalDriveNum=1"}, {"virtual disk 1 is already blinking"}},
        {"in use", {}, {"vexcmd=setVDdelete", "GlobalNo=0", "LogicalDriveNum=0"},
         {"virtual disk 0 is in use (running system", "force=yes"}},
        {"format", {}, {"vexcmd=setVDFormat", "GlobalNo=0", "LogicalDriveNum=1"}, {"virtual disk 1", "formatting"}},
        {"not a mirror", {}, {"vexcmd=setVDUnMirror", "GlobalNo=0", "LogicalDriveNum=1"},
         {"virtual disk 1 is not a mirror"}},
        {"spare member", {}, {"vexcmd=setVDDedicatedHotSpare", "GlobalNo=0", "LogicalDriveNum=1", "adisk=0:0:0",
                              "set=yes"},
         {"0:0:0 is a member of virtual disk 0"}},
        {"spare twice", {}, {"vexcmd=setVDDedicatedHotSpare", "GlobalNo=0", "LogicalDriveNum=0", "adisk=0:0:6",
                             "set=yes"},
         {"0:0:6 is already a hot spare of virtual disk 1"}},
        {"not its spare", {}, {"vexcmd=setVDDedicatedHotSpare", "GlobalNo=0", "LogicalDriveNum=1", "adisk=0:0:7",
                               "set=no"},
         {"0:0:7 is not a dedicated hot spare of virtual disk 1"}},
        {"member stays", {}, {"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=1",
                              "adisk=0:0:2,0:0:3,0:0:4"},
         {"0:0:5 is a member of virtual disk 1"}},
        {"shrink", {}, {"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=1", "Length=1073741824"},
         {"virtual disk 1 cannot shrink"}},
        {"nothing missing", {}, {"vexcmd=setVDAddMissingDisk", "GlobalNo=0", "LogicalDriveNum=1", "newadisk=0:0:7"},
         {"virtual disk 1 has no failed or missing member"}},
        {"remove online", {}, {"vexcmd=setArrayDiskPrepareToRemove", "GlobalNo=0", "adisk=0:0:2"},
         {"0:0:2 is online in virtual disk 1", "offline"}},
        {"remove spare", {}, {"vexcmd=setArrayDiskPrepareToRemove", "GlobalNo=0", "adisk=0:0:6"},
         {"0:0:6 is a hot spare of virtual disk 1"}},
        {"clear member", {}, {"vexcmd=setArrayDiskClear", "GlobalNo=0", "adisk=0:0:3"},
         {"0:0:3 is a member of virtual disk 1"}},
        {"initialize spare", {}, {"vexcmd=setArrayDiskInitialize", "GlobalNo=0", "adisk=0:0:6"},
         {"0:0:6 is a hot spare of virtual disk 1"}},
        {"rebuild online", {}, {"vexcmd=setArrayDiskRebuild", "GlobalNo=0", "adisk=0:0:2"}, {"disk 0:0:2 is Online"}},
        {"rebuild free", {}, {"vexcmd=setArrayDiskRebuild", "GlobalNo=0", "adisk=0:0:7"}, {"disk 0:0:7 is Ready"}},
        {"no rebuild", {}, {"vexcmd=setArrayDiskCancelRebuild", "GlobalNo=0", "adisk=0:0:7"},
         {"no rebuild", "0:0:7"}},
        {"offline free", {}, {"vexcmd=setArrayDiskOffline", "GlobalNo=0", "adisk=0:0:7"},
         {"disk 0:0:7 is Ready, not Online"}},
        {"online online", {}, {"vexcmd=setArrayDiskOnline", "GlobalNo=0", "adisk=0:0:2"},
         {"disk 0:0:2 is Online, not Offline"}},
        {"dead segments", {}, {"vexcmd=setArrayDiskRemoveDeadSegments", "GlobalNo=0", "adisk=0:0:7"},
         {"disk 0:0:7 has no dead segments"}},
        {"global spare", {}, {"vexcmd=setArrayDiskGlobalHotSpare", "GlobalNo=0", "adisk=0:0:6", "set=yes"},
         {"0:0:6 is a hot spare of virtual disk 1"}},
        {"not global", {}, {"vexcmd=setArrayDiskGlobalHotSpare", "GlobalNo=0", "adisk=0:0:7", "set=no"},
         {"0:0:7 is not a global hot spare"}},
        {"no clear", {}, {"vexcmd=setArrayDiskCancelClear", "GlobalNo=0", "adisk=0:0:7"}, {"no clear", "0:0:7"}},
        {"enclosure alarm", {}, {"vexcmd=setEnclosureDisableAlarm", "GlobalNo=0", "Enclosure=0:0"},
         {"enclosure 0:0"}},
        {"service tag", {}, {"vexcmd=setEnclosureServiceTag", "GlobalNo=0", "Enclosure=0:0",
                             "ServiceTag=ABCDEFGHIJKL"},
         {"'ABCDEFGHIJKL'", "enclosure 0:0"}},
        {"asset tag", {}, {"vexcmd=setEnclosureAssetTag", "GlobalNo=0", "Enclosure=0:0", "AssetTag=a/b"},
         {"'a/b'", "'/'"}},
        {"probe range", {}, {"vexcmd=setEnclosureTempProbes", "GlobalNo=0", "Enclosure=0:0", "Index=1",
                             "MinWarning=5", "MaxWarning=50"},
         {"temperature probe 1", "50"}},
        {"learning", {{"vexcmd=setBatteryStartLearn", "GlobalNo=0", "BatteryID=0"}},
         {"vexcmd=setBatteryRecondition", "GlobalNo=0", "BatteryID=0"}, {"battery 0 is busy"}},
        {"no delay", {}, {"vexcmd=setBatteryDelayLearn", "GlobalNo=0", "BatteryID=0", "Days=0", "Hours=0"},
         {"battery 0"}},
        {"long delay", {}, {"vexcmd=setBatteryDelayLearn", "GlobalNo=0", "BatteryID=0", "Days=8", "Hours=0"},
         {"battery 0", "168"}},
        {"no controller", {}, {"vexcmd=setCntrlRescan", "GlobalNo=7"}, {"controller 7 does not exist"}},
        {"no vdisk", {}, {"vexcmd=setVDBlink", "GlobalNo=0", "LogicalDriveNum=9"}, {"virtual disk 9 does not exist"}},
        {"no disk", {}, {"vexcmd=setArrayDiskBlink", "GlobalNo=0", "adisk=0:0:99"}, {"disk 0:0:99 does not exist"}},
    };
    return cases;
}

TEST_F(SafetyTest, EveryRefusalNamesTheObjectAndWhy) {
    int n = 0;
    for (const auto& c : refusalCases()) {
        SCOPED_TRACE(c.what);
        // A fresh built-in system for each case.
        ::setenv("KWDA_STATE", (dir + "/case" + std::to_string(n++) + ".db").c_str(), 1);
        for (const auto& step : c.before) {
            Reply done = send(step);
            ASSERT_EQ(done.status, 0) << done.raw;
        }
        Reply reply = send(c.request);
        EXPECT_EQ(reply.status, 2) << reply.raw;
        for (const char* part : c.names) EXPECT_NE(reply.error.find(part), std::string::npos) << reply.error;
    }
}

TEST_F(SafetyTest, ForceLetsDestructiveActionsThroughOnlyWhereAsked) {
    for (const char* command : {"vexcmd=setVDFastInitialize", "vexcmd=setVDSlowInitialize", "vexcmd=setVDdelete"}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(send({command, "GlobalNo=0", "LogicalDriveNum=0"}).status, 2);
        EXPECT_EQ(send({command, "GlobalNo=0", "LogicalDriveNum=0", "Force=no"}).status, 2);
        EXPECT_EQ(send({command, "GlobalNo=0", "LogicalDriveNum=0", "Force=yes"}).status, 0);
    }
    // The same on a virtual disk nothing uses needs no force.
    EXPECT_EQ(send({"vexcmd=setVDFastInitialize", "GlobalNo=0", "LogicalDriveNum=1"}).status, 0);
    // Controller 1 holds nothing in use; controller 0 does until forced.
    ::setenv("KWDA_STATE", (dir + "/fresh.db").c_str(), 1);
    EXPECT_EQ(send({"vexcmd=setCntrlResetConfig", "GlobalNo=1"}).status, 0);
    EXPECT_EQ(send({"vexcmd=setCntrlResetConfig", "GlobalNo=0"}).status, 2);
    EXPECT_EQ(send({"vexcmd=getVirtualDisksForController", "GlobalNo=0"}).objects.size(), 2u);
    EXPECT_EQ(send({"vexcmd=setCntrlResetConfig", "GlobalNo=0", "Force=yes"}).status, 0);
    EXPECT_TRUE(send({"vexcmd=getVirtualDisksForController", "GlobalNo=0"}).objects.empty());
}

struct RollupCase {
    const char* what;
    std::vector<Request> writes;
    const char* status;
    const char* names;  // a line of Attention, "" when none
};

TEST_F(SafetyTest, HealthRollsUpToTheControllerAndTheStorageSystem) {
    const std::vector<RollupCase> cases = {
        {"all well", {}, "Ok", ""},
        {"degraded", {{"vexcmd=setArrayDiskOffline", "GlobalNo=0", "adisk=0:0:2"}}, "Non-Critical",
         "Virtual Disk 1 on Controller 0: Degraded"},
        {"failed",
         {{"vexcmd=setArrayDiskOffline", "GlobalNo=0", "adisk=0:0:2"},
          {"vexcmd=setArrayDiskOffline", "GlobalNo=0", "adisk=0:0:3"}},
         "Critical", "Virtual Disk 1 on Controller 0: Failed"},
        {"rebuilding",
         {{"vexcmd=setArrayDiskOffline", "GlobalNo=0", "adisk=0:0:0"},
          {"vexcmd=setArrayDiskRebuild", "GlobalNo=0", "adisk=0:0:0"}},
         "Non-Critical", "Physical Disk 0:0:0 on Controller 0: Rebuilding"},
        {"learning", {{"vexcmd=setBatteryStartLearn", "GlobalNo=0", "BatteryID=0"}}, "Non-Critical",
         "Battery 0 on Controller 0: Learning"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ::setenv("KWDA_STATE", (dir + "/case" + std::to_string(n++) + ".db").c_str(), 1);
        for (const auto& step : c.writes) ASSERT_EQ(send(step).status, 0) << step.front();
        Object storage = send({"vexcmd=getGlobalInfo"}).only();
        Object sas = send({"vexcmd=getController", "GlobalNo=0"}).only();
        Object sata = send({"vexcmd=getController", "GlobalNo=1"}).only();
        for (const Object* holder : {&storage, &sas}) {
            EXPECT_EQ(holder->at("RollupStatus"), c.status);
            std::string attention = holder->count("Attention") ? holder->at("Attention") : "";
            EXPECT_NE(attention.find(c.names), std::string::npos) << attention;
            EXPECT_EQ(attention.empty(), *c.names == '\0') << attention;
        }
        EXPECT_EQ(sata.at("RollupStatus"), "Ok");  // what another controller holds is not its worry
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
        ::unlink(state.c_str());
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
    std::string copy = useProfile(smallProfile(2), "copy.xml");
    EXPECT_EQ(send({"vexcmd=getControllerList"}).status, 0);
    std::string other = useProfile(smallProfile(3), "other.xml");
    Reply refused = send({"vexcmd=getControllerList"});
    EXPECT_EQ(refused.status, 4);
    for (const std::string& part : {state, first, other}) EXPECT_NE(refused.error.find(part), std::string::npos) << refused.error;
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
