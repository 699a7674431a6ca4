// The storage and system reports: the request each line of lines.txt sends or
// its refusal with both message arguments, and the alert log's record.
#include <algorithm>

#include "plugin_fixture.h"

namespace kwtest {
namespace {

class ReportTest : public PluginTest {
protected:
    // Controllers 0 and 1. Controller 0: one connector (protocol 8) with an
    // enclosure and two disks in it, virtual disks 0 and 1, battery 0.
    // Controller 1 has nothing attached.
    void SetUp() override {
        PluginTest::SetUp();
        agent.on("getControllerList", TestAgent::reply({{{"GlobalNo", "0"}}, {{"GlobalNo", "1"}}}));
        agent.on("getController", TestAgent::reply({{{"GlobalNo", "0"}}}));
        agent.on("getChannelsForController", {"GlobalNo=0"},
                 TestAgent::reply({{{"ObjID", "10"}, {"Channel", "0"}, {"BusProtocol", "8"}}}));
        agent.on("getEnclosuresForChannel", {"GlobalNo=0", "Channel=0"},
                 TestAgent::reply({{{"ObjID", "20"}, {"Channel", "0"}, {"EnclosureID", "0"}}}));
        agent.on("getArrayDisksForChannel", {"GlobalNo=0", "Channel=0"}, TestAgent::reply({disk("0"), disk("1")}));
        agent.on("getVirtualDisksForController", {"GlobalNo=0"},
                 TestAgent::reply({{{"LogicalDriveNum", "0"}}, {{"LogicalDriveNum", "1"}}}));
        agent.on("getBatteriesForController", {"GlobalNo=0"}, TestAgent::reply({{{"BatteryID", "0"}}}));
        agent.on("getEnclosureTemperatureProbes", TestAgent::reply({{{"Index", "0"}}, {{"Index", "1"}}}));
        for (const char* command : {"getEnclosureFans", "getEnclosurePowerSupplies", "getEnclosureEMMs"})
            agent.on(command, TestAgent::reply({{{"Index", "0"}}}));
        for (const char* command : {"getChannelsForController", "getVirtualDisksForController",
                                    "getBatteriesForController"})
            agent.on(command, {"GlobalNo=1"}, TestAgent::reply({}));
        agent.otherwise([](const Request&) { return TestAgent::reply({}); });
    }

    static TestAgent::Object disk(const char* target) {
        return {{"ObjID", std::string("3") + target}, {"Channel", "0"}, {"EnclosureID", "0"},
                {"TargetID", target}, {"AttributesMask", "10000000000"}};
    }
};

TEST_F(ReportTest, EachLineSendsItsRequestOrIsRefused) {
    for (const auto& row : rowsOf("reports", 5)) {
        SCOPED_TRACE(row[0]);
        agent.clearRequests();
        Response r = run(row[0]);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, std::stoi(row[1]));
        EXPECT_EQ(str(r->arg1), row[2]);
        EXPECT_EQ(str(r->arg2), row[3]);
        std::vector<std::string> sent, wanted = words(row[4]);
        for (uint32_t i = 0; i < r->requestCount; ++i) sent.push_back(str(r->request[i]));
        if (!sent.empty() && !wanted.empty()) {
            std::sort(sent.begin() + 1, sent.end());
            std::sort(wanted.begin() + 1, wanted.end());
        }
        EXPECT_EQ(sent, wanted);
        if (r->status == 1000) continue;
        for (const auto& req : agent.requests())
            EXPECT_EQ(req[0].rfind("vexcmd=get", 0), 0u) << "only queries go out before a refusal: " << req[0];
    }
}

TEST_F(ReportTest, SilentAgentRefusesWithTheObjectsCode) {
    agent.silent("getControllerList");
    Response r = run("rkreport storage controller controller=0");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 1600);
    EXPECT_EQ(str(r->arg2), "");
}

TEST_F(PluginTest, AlertLogIsThePathWithItsTerminatorCountedOrNothing) {
    agent.on("getAlertLog", "<Reply status=\"0\"><Path>/var/x/alerts.log</Path></Reply>");
    Response r = run("rkreport system alertlog");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->kind, 22u);
    EXPECT_STREQ(r->text, "/var/x/alerts.log");
    EXPECT_EQ(r->length, 18u);
    EXPECT_EQ(r->word6, 32u);
    EXPECT_EQ(r->word9, 41u);
    EXPECT_EQ(agent.requests(), std::vector<Request>{Request{"vexcmd=getAlertLog"}});
    agent.on("getAlertLog", "<Reply status=\"0\"><Other>x</Other></Reply>");
    EXPECT_FALSE(run("rkreport system alertlog"));
    agent.silent("getAlertLog");
    EXPECT_FALSE(run("rkreport servermodule alertlog"));
}

}  // namespace
}  // namespace kwtest
