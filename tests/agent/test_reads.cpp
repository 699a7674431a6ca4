// Reading the embedded default system through the agent's replies: every
// read command answers, identifiers and masks are derived the way the
// plug-in's checks need them, and malformed requests are named.
#include <filesystem>
#include <set>

#include "agent_harness.h"

namespace kwda_test {
namespace {

class ReadTest : public AgentTest {};

TEST_F(ReadTest, EveryReadCommandAnswersTheDefaultSystem) {
    struct Case {
        std::vector<std::string> request;
        size_t objects;
    };
    const Case cases[] = {
        {{"vexcmd=getControllerList"}, 2},
        {{"vexcmd=getController", "GlobalNo=1", "CLI=true"}, 1},
        {{"vexcmd=getSupportedRaidLevelsForController", "GlobalNo=0", "CLI=true"}, 7},
        {{"vexcmd=getSingleControllerArrayInfo", "GlobalNo=0", "CLI=true"}, 3},
        {{"vexcmd=getControllerListArrayInfo", "dump=all", "CLI=true"}, 39},
        {{"vexcmd=getStoreDump", "dump=store", "CLI=true"}, 40},
        {{"vexcmd=getGlobalInfo"}, 1},
        {{"vexcmd=getAlertLog"}, 1},
        {{"vexcmd=getChannelsForController", "GlobalNo=1", "CLI=true"}, 6},
        {{"vexcmd=getChannel", "GlobalNo=1", "Channel=5", "CLI=true"}, 1},
        {{"vexcmd=getEnclosureList"}, 1},
        {{"vexcmd=getEnclosureList", "includeComponents=TRUE", "ProductID=RKNT"}, 13},
        {{"vexcmd=getEnclosuresForController", "GlobalNo=0", "CLI=true"}, 1},
        {{"vexcmd=getEnclosuresForChannel", "GlobalNo=0", "Channel=1", "CLI=true"}, 0},
        {{"vexcmd=getEnclosure", "GlobalNo=0", "Enclosure=0:0", "CLI=true"}, 1},
        {{"vexcmd=getSingleEnclosureForController", "GlobalNo=0", "Enclosure=0", "CLI=true"}, 1},
        {{"vexcmd=getEnclosureFans", "GlobalNo=0", "Enclosure=0:0", "CLI=true"}, 2},
        {{"vexcmd=getEnclosurePowerSupplies", "GlobalNo=0", "Enclosure=0:0", "info=pwrsupplies"}, 2},
        {{"vexcmd=getEnclosureEMMs", "GlobalNo=0", "Enclosure=0:0", "CLI=true"}, 2},
        {{"vexcmd=getEnclosureTemperatureProbes", "GlobalNo=0", "Enclosure=0:0", "Index=1"}, 1},
        {{"vexcmd=getArrayDisksForController", "GlobalNo=0", "CLI=true"}, 12},
        {{"vexcmd=getArrayDisksForChannel", "GlobalNo=1", "Channel=2", "CLI=true"}, 1},
        {{"vexcmd=getArrayDisksForVirtualDisk", "GlobalNo=0", "LogicalDriveNum=1", "CLI=true"}, 5},
        {{"vexcmd=getArrayDisk", "GlobalNo=0", "adisk=0:0:7, 0:0:2", "CLI=true"}, 2},
        {{"vexcmd=getAllVirtualDisks"}, 3},
        {{"vexcmd=getVirtualDisksForController", "GlobalNo=1", "CLI=true"}, 1},
        {{"vexcmd=getVirtualDisk", "GlobalNo=0", "CLI=true"}, 2},
        {{"vexcmd=getCapsForDHS", "GlobalNo=0", "LogicalDriveNum=1", "CLI=true"}, 3},
        {{"vexcmd=getBatteryList"}, 1},
        {{"vexcmd=getBatteriesForController", "GlobalNo=1", "CLI=true"}, 0},
        {{"vexcmd=getBattery", "GlobalNo=0", "BatteryID=0", "CLI=true"}, 1},
        {{"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=2", "param0=report", "param1=storage"}, 1},
        {{"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=1", "param0=dump2"}, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request.front());
        Reply reply = send(c.request);
        EXPECT_EQ(reply.status, 0) << reply.error;
        EXPECT_EQ(reply.command, c.request.front().substr(7));
        EXPECT_EQ(reply.objects.size(), c.objects) << reply.raw;
    }
}

TEST_F(ReadTest, MalformedRequestsAndMissingObjectsAreNamed) {
    struct Case {
        std::vector<std::string> request;
        int status;
        const char* error;
    };
    const Case cases[] = {
        {{"vexcmd=getFoo"}, 1, "unknown command getFoo"},
        {{"GlobalNo=0"}, 1, "the first element must be vexcmd=<command>"},
        {{"vexcmd=getController", "CLI=true"}, 1, "missing argument GlobalNo"},
        {{"vexcmd=getController", "GlobalNo"}, 1, "malformed element 'GlobalNo'"},
        {{"vexcmd=getController", "GlobalNo=7"}, 2, "controller 7 does not exist"},
        {{"vexcmd=getController", "GlobalNo=01"}, 2, "controller 01 does not exist"},
        {{"vexcmd=getArrayDisk", "GlobalNo=0", "adisk=0:0:99"}, 2, "disk 0:0:99 does not exist on controller 0"},
        {{"vexcmd=getArrayDisk", "GlobalNo=0", "adisk=abc"}, 1, "'abc' is not a disk identifier"},
        {{"vexcmd=getVirtualDisk", "GlobalNo=1", "LogicalDriveNum=4"}, 2, "virtual disk 4 does not exist"},
        {{"vexcmd=getEnclosure", "GlobalNo=1", "Enclosure=0"}, 2, "enclosure 0 does not exist on controller 1"},
        {{"vexcmd=getChannel", "GlobalNo=0", "Channel=2"}, 2, "connector 2 does not exist on controller 0"},
        {{"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=2", "param0=report"}, 1, "NumDCSIFArgs=2 but 1"},
        {{"vexcmd=sendPassThruCmdToDCSIF", "param0=frobnicate"}, 1, "unknown pass-through operation frobnicate"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request.front());
        Reply reply = send(c.request);
        EXPECT_EQ(reply.status, c.status) << reply.raw;
        EXPECT_NE(reply.error.find(c.error), std::string::npos) << reply.error;
        EXPECT_TRUE(reply.objects.empty());
    }
}

TEST_F(ReadTest, CreationCapabilitiesAndHotSpareCandidatesFollowTheChosenDisks) {
    auto objid = [](const std::string& id) { return run("getArrayDisk GlobalNo=0 adisk=" + id).only().at("ObjID"); };
    const std::string caps = "sendPassThruCmdToDCSIF param0=getcaps param1=make param2=vdisk param3=ObjID param4=" +
                             run("getController GlobalNo=0").only().at("ObjID") + " param5=IDList param6=";
    Reply four = run(caps + objid("0:0:7") + ":" + objid("0:0:8") + ":" + objid("0:0:9") + ":" + objid("0:0:10") +
                     " param7=MinDrives param8=4 param9=Rules param10=2 NumDCSIFArgs=11");
    ASSERT_EQ(four.status, 0) << four.error;
    std::map<std::string, std::string> largest;
    for (const auto& o : four.objects) largest[o.at("Layout")] = o.at("Length");
    // Four disks, the smallest an SSD of 479559942144 bytes; no r1 (two disks exactly), no r50 (six disks
    // and a span), no concatenation (not offered by the controller).
    const long long ssd = 479559942144LL;
    EXPECT_EQ(largest, (std::map<std::string, std::string>{{"2", std::to_string(4 * ssd)},
                                                          {"64", std::to_string(3 * ssd)},
                                                          {"128", std::to_string(2 * ssd)},
                                                          {"512", std::to_string(2 * ssd)}}));
    Reply spare = run(caps + objid("0:0:6") + " param7=MinDrives param8=1 NumDCSIFArgs=9");
    EXPECT_EQ(spare.status, 2);
    EXPECT_EQ(spare.error, "disk 0:0:6 is a hot spare of virtual disk 1; release it first, or choose another disk");

    // Hot spare candidates: ready disks at least as large as the members; the SSDs are smaller.
    auto targets = [](const Reply& reply) {
        std::vector<std::string> out;
        for (const auto& o : reply.objects) out.push_back(o.at("TargetID"));
        return out;
    };
    EXPECT_EQ(targets(run("getCapsForDHS GlobalNo=0 LogicalDriveNum=1")), (std::vector<std::string>{"7", "8", "9"}));
    Reply assoc = run("sendPassThruCmdToDCSIF NumDCSIFArgs=3 param0=getassoc param1=adisks param2=" +
                      run("getVirtualDisk GlobalNo=0 LogicalDriveNum=1").only().at("ObjID"));
    EXPECT_EQ(targets(assoc), (std::vector<std::string>{"2", "3", "4", "5", "6"}));
    expectFields(assoc.objects.back(), "AttributesMask&100");
}

TEST_F(ReadTest, AControllersArrayInfoLeadsWithTheControllerAndHoldsItsVirtualDisks) {
    Reply info = run("getSingleControllerArrayInfo GlobalNo=0 CLI=true");
    ASSERT_FALSE(info.objects.empty());
    EXPECT_EQ(info.objects[0].at("MaxVDAllowed"), "64");
    EXPECT_EQ(info.ofType("VirtualDisk").size(), 2u);
}

TEST_F(ReadTest, TheAlertLogPathAndTheRequestLog) {
    std::string requests = dir + "/requests.log";
    ::setenv("KWDA_LOG", requests.c_str(), 1);
    Object log = send({"vexcmd=getAlertLog"}).only();
    EXPECT_EQ(log.at("Path"), alertLog());
    EXPECT_TRUE(std::filesystem::exists(alertLog()));
    send({"vexcmd=getController", "GlobalNo=0", "", "CLI=true"});
    EXPECT_EQ(lines(readFile(requests)),
              (std::vector<std::string>{"vexcmd=getAlertLog", "vexcmd=getController\tGlobalNo=0\t\tCLI=true"}));
}

TEST_F(ReadTest, ARelativeAlertLogPathIsTakenFromTheStateFolder) {
    useProfile("<StorageProfile><AlertLog Path=\"logs/events.log\"/><Controller/></StorageProfile>");
    EXPECT_EQ(send({"vexcmd=getAlertLog"}).only().at("Path"), dir + "/logs/events.log");
    EXPECT_TRUE(std::filesystem::exists(dir + "/logs/events.log"));
}

}  // namespace
}  // namespace kwda_test
