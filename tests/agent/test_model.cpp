// What the transcripts under cases/ cannot say: times, the event and request
// logs, and requests that name disks by their object ids.
#include <map>

#include "agent_harness.h"

namespace kwda_test {
namespace {

class ModelTest : public AgentTest {};

TEST_F(ModelTest, TimesMoveOnAndABlankedElementChangesNothing) {
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

    steps("setEnclosureTempProbes GlobalNo=0 Enclosure=0:0 Index=1 MinWarning=10 MaxWarning=30");
    Reply kept = send({"vexcmd=setEnclosureTempProbes", "GlobalNo=0", "Enclosure=0:0", "Index=1", "", "MaxWarning=26"});
    EXPECT_EQ(kept.only().at("MinWarning"), "10");
}

TEST_F(ModelTest, EveryWriteLogsOneEventAndEveryRequestIsLogged) {
    ::setenv("KWDA_TIME_SCALE", "1000000000000", 1);
    ::setenv("KWDA_LOG", (dir + "/requests.log").c_str(), 1);
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

    send({"vexcmd=getController", "GlobalNo=0", "", "CLI=true"});
    EXPECT_EQ(lines(readFile(dir + "/requests.log")).back(), "vexcmd=getController\tGlobalNo=0\t\tCLI=true");
    steps("setArrayDiskBlink GlobalNo=1 adisk=2:0; setCntrlExportLog GlobalNo=1");
    std::vector<std::string> exported = lines(readFile(dir + "/controller1-log.txt"));
    ASSERT_EQ(exported.size(), 2u) << "the export holds its controller's events only";
    EXPECT_NE(exported[1].find("Physical Disk 2:0 on Controller 1\tblinking started"), std::string::npos);
}

// The largest virtual disk per layout that the chosen disks allow.
std::map<std::string, std::string> largest(const Reply& reply) {
    std::map<std::string, std::string> out;
    for (const auto& o : reply.objects) out[o.at("Layout")] = o.at("Length");
    return out;
}

std::string capsRequest(const std::vector<std::string>& disks, int minDrives) {
    std::string ids;
    for (const auto& d : disks)
        ids += (ids.empty() ? "" : ":") + run("getArrayDisk GlobalNo=0 adisk=" + d).only().at("ObjID");
    return "sendPassThruCmdToDCSIF param0=getcaps param1=make param2=vdisk param3=ObjID param4=" +
           run("getController GlobalNo=0").only().at("ObjID") + " param5=IDList param6=" + ids +
           " param7=MinDrives param8=" + std::to_string(minDrives);
}

TEST_F(ModelTest, CreationCapabilitiesFollowTheChosenDisks) {
    // The smallest of the four is an SSD; no r1 (two disks exactly), no r50 (six disks and a span), no
    // concatenation (not offered by the controller).
    const long long ssd = 479559942144LL;
    EXPECT_EQ(largest(run(capsRequest({"0:0:7", "0:0:8", "0:0:9", "0:0:10"}, 4) + " param9=Rules param10=2")),
              (std::map<std::string, std::string>{{"2", std::to_string(4 * ssd)}, {"64", std::to_string(3 * ssd)},
                                                  {"128", std::to_string(2 * ssd)}, {"512", std::to_string(2 * ssd)}}));
    EXPECT_EQ(run(capsRequest({"0:0:6"}, 1)).error,
              "disk 0:0:6 is a hot spare of virtual disk 1; release it first, or choose another disk");
    Reply assoc = run("sendPassThruCmdToDCSIF NumDCSIFArgs=3 param0=getassoc param1=adisks param2=" +
                      run("getVirtualDisk GlobalNo=0 LogicalDriveNum=1").only().at("ObjID"));
    ASSERT_EQ(assoc.objects.size(), 5u);
    expectFields(assoc.objects.back(), "TargetID=6|AttributesMask&100");
}

TEST_F(ModelTest, SpannedLayoutsNeedASpanLength) {
    ::setenv("KWDA_TIME_SCALE", "0", 1);
    std::string disks;
    for (int i = 0; i < 6; ++i) disks += "<PhysicalDisk Length=\"107374182400\"/>";
    useProfile("<StorageProfile><Controller RAIDLevelsMask=\"1000000101011000111\"><Connector BusProtocol=\"8\">"
               "<Enclosure>" + disks + "</Enclosure></Connector></Controller></StorageProfile>");
    const std::string caps = capsRequest({"0:0:0", "0:0:1", "0:0:2", "0:0:3", "0:0:4", "0:0:5"}, 6);
    EXPECT_EQ(largest(run(caps)).count("2048"), 0u);
    auto spanned = largest(run(caps + " param9=Rules param10=2 param11=SpanLength param12=3"));
    EXPECT_EQ(spanned.at("2048"), std::to_string(4 * 107374182400LL)) << "two r5 spans of three disks";
    EXPECT_EQ(spanned.at("1"), std::to_string(6 * 107374182400LL));
    const std::string all = "setCntrlCreateVD GlobalNo=0 adisk=0:0:0,0:0:1,0:0:2,0:0:3,0:0:4,0:0:5 Layout=2048";
    EXPECT_EQ(run(all + " SpanLength=3 Length=429496729600").only().at("SpanLength"), "3");
    EXPECT_EQ(run(all + " Length=1073741824").error,
              "disk 0:0:0 is a member of virtual disk 0 and has no free space left");
}

}  // namespace
}  // namespace kwda_test
