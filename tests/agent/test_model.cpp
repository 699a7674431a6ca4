// What the transcripts under cases/ cannot say: times, and the event and
// request logs, and how long a task is planned to take.
#include <sqlite3.h>

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

// A rebuild of 47,185,920,000 bytes at full speed (150 MiB/s) takes 300 s;
// at the controller's rate it takes 300 s * 100 / rate, and a controller
// that names no rate rebuilds at 30 %.
TEST_F(ModelTest, ATaskIsPlannedAtItsControllersRate) {
    for (const auto& [rate, seconds] : {std::pair<std::string, double>{"", 1000}, {"60", 500}, {"100", 300}}) {
        const std::string attribute = rate.empty() ? "" : " RebuildRate=\"" + rate + "\"";
        useProfile("<StorageProfile><Controller" + attribute + "><Connector BusProtocol=\"7\">"
                   "<PhysicalDisk Length=\"47185920000\"/><PhysicalDisk Length=\"47185920000\" State=\"Rebuilding\"/>"
                   "</Connector><VirtualDisk Layout=\"4\" Disks=\"0:0,0:1\"/></Controller></StorageProfile>",
                   "rate" + rate + ".xml");
        ::setenv("KWDA_STATE", (dir + "/rate" + rate + ".db").c_str(), 1);
        steps("getGlobalInfo");
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((dir + "/rate" + rate + ".db").c_str(), &db), SQLITE_OK);
        sqlite3_stmt* query = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT due - started FROM task", -1, &query, nullptr), SQLITE_OK);
        ASSERT_EQ(sqlite3_step(query), SQLITE_ROW) << "rate '" << rate << "'";
        EXPECT_NEAR(sqlite3_column_double(query, 0), seconds, 1e-6) << "rate '" << rate << "'";
        sqlite3_finalize(query);
        sqlite3_close(db);
    }
}

}  // namespace
}  // namespace kwda_test
