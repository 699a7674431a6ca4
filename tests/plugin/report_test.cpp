// The storage and system reports: which request each line sends, and every
// rejection with its code and both message arguments.
#include <algorithm>
#include <fstream>

#include "plugin_fixture.h"

namespace kwtest {
namespace {

using Obj = TestAgent::Object;

class ReportTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        agent.on("getControllerList", TestAgent::reply({{{"GlobalNo", "0"}}, {{"GlobalNo", "1"}}}));
        agent.on("getController", TestAgent::reply({{{"GlobalNo", "0"}}}));
        // Controller 0: one SAS connector (protocol 8) with an enclosure and two disks in it.
        agent.on("getChannelsForController", {"GlobalNo=0"},
                 TestAgent::reply({{{"ObjID", "10"}, {"Channel", "0"}, {"BusProtocol", "8"}}}));
        agent.on("getEnclosuresForChannel", {"GlobalNo=0", "Channel=0"},
                 TestAgent::reply({{{"ObjID", "20"}, {"Channel", "0"}, {"EnclosureID", "0"}}}));
        agent.on("getArrayDisksForChannel", {"GlobalNo=0", "Channel=0"},
                 TestAgent::reply({disk("0", "0", "0"), disk("0", "0", "1")}));
        agent.on("getVirtualDisksForController", {"GlobalNo=0"},
                 TestAgent::reply({{{"LogicalDriveNum", "0"}}, {{"LogicalDriveNum", "1"}}}));
        agent.on("getBatteriesForController", {"GlobalNo=0"}, TestAgent::reply({{{"BatteryID", "0"}}}));
        agent.on("getEnclosureTemperatureProbes", TestAgent::reply({{{"Index", "0"}}, {{"Index", "1"}}}));
        agent.on("getEnclosureFans", TestAgent::reply({{{"Index", "0"}}}));
        agent.on("getEnclosurePowerSupplies", TestAgent::reply({{{"Index", "0"}}}));
        agent.on("getEnclosureEMMs", TestAgent::reply({{{"Index", "0"}}}));
        // Controller 1 has nothing attached.
        for (const char* command : {"getChannelsForController", "getVirtualDisksForController",
                                    "getBatteriesForController"})
            agent.on(command, {"GlobalNo=1"}, TestAgent::reply({}));
        agent.otherwise([](const Request&) { return TestAgent::reply({}); });
    }

    static Obj disk(const char* channel, const char* enclosure, const char* target) {
        return {{"ObjID", std::string("3") + target}, {"Channel", channel}, {"EnclosureID", enclosure},
                {"TargetID", target}, {"AttributesMask", "10000000000"}};
    }

    // Runs a line that must be rejected and returns the record.
    Response rejected(const std::string& line, int32_t code) {
        agent.clearRequests();
        Response r = run(line);
        EXPECT_TRUE(r) << line;
        if (r) {
            EXPECT_EQ(r->status, code) << line;
        }
        for (const auto& req : agent.requests())
            EXPECT_EQ(req[0].rfind("vexcmd=get", 0), 0u) << "only queries go out before a rejection: " << req[0];
        return r;
    }

    // Runs a line that must go through and returns the request it sent.
    std::vector<std::string> sent(const std::string& line) {
        Response r = run(line);
        EXPECT_TRUE(r) << line;
        if (!r) return {};
        EXPECT_EQ(r->status, 1000) << line << ": " << str(r->arg1) << " / " << str(r->arg2);
        return request(r.get());
    }
};

TEST_F(ReportTest, EachLineSelectsItsVariant) {
    const struct {
        const char* line;
        std::vector<std::string> request;
    } cases[] = {
        {"rkreport storage controller", {"vexcmd=getControllerList"}},
        {"rkreport storage controller controller=0", {"vexcmd=getSingleControllerArrayInfo", "GlobalNo=0"}},
        {"rkreport storage controller dump=all", {"vexcmd=getControllerListArrayInfo", "dump=all"}},
        {"rkreport storage controller dump=store", {"vexcmd=getStoreDump", "dump=store"}},
        {"rkreport storage adisk controller=0", {"vexcmd=getArrayDisksForController", "GlobalNo=0"}},
        {"rkreport storage adisk controller=0 vdisk=1",
         {"vexcmd=getArrayDisksForVirtualDisk", "GlobalNo=0", "LogicalDriveNum=1"}},
        {"rkreport storage adisk controller=0 connector=0",
         {"vexcmd=getArrayDisksForChannel", "GlobalNo=0", "Channel=0"}},
        {"rkreport storage pdisk controller=0 pdisk=0:0:1",
         {"vexcmd=getArrayDisk", "GlobalNo=0", "adisk=0:0:1"}},
        {"rkreport storage vdisk", {"vexcmd=getAllVirtualDisks"}},
        {"rkreport storage vdisk controller=0 vdisk=1",
         {"vexcmd=getVirtualDisk", "GlobalNo=0", "LogicalDriveNum=1"}},
        {"rkreport storage connector controller=0 connector=0",
         {"vexcmd=getChannel", "GlobalNo=0", "Channel=0"}},
        {"rkreport storage enclosure", {"vexcmd=getEnclosureList"}},
        {"rkreport storage enclosure controller=0", {"vexcmd=getEnclosuresForController", "GlobalNo=0"}},
        {"rkreport storage enclosure controller=0 enclosure=0:0",
         {"vexcmd=getSingleEnclosureForController", "GlobalNo=0", "Enclosure=0:0"}},
        {"rkreport storage enclosure controller=0 enclosure=0:0 info=temps",
         {"vexcmd=getEnclosureTemperatureProbes", "GlobalNo=0", "Enclosure=0:0", "info=temps"}},
        {"rkreport storage enclosure controller=0 enclosure=0:0 info=fans index=0",
         {"vexcmd=getEnclosureFans", "GlobalNo=0", "Enclosure=0:0", "info=fans", "Index=0"}},
        {"rkreport storage battery", {"vexcmd=getBatteryList"}},
        {"rkreport storage battery controller=0 battery=0",
         {"vexcmd=getBattery", "GlobalNo=0", "BatteryID=0"}},
        {"rkreport storage globalinfo", {"vexcmd=getGlobalInfo"}},
        {"rkreport system summary", {"vexcmd=getEnclosureList", "includeComponents=TRUE", "ProductID=RKNT"}},
        {"rkreport servermodule version", {"vexcmd=getControllerList"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        auto req = sent(c.line);
        // Request elements may come in any order after the command; compare as sets.
        ASSERT_FALSE(req.empty());
        EXPECT_EQ(req[0], c.request[0]);
        std::vector<std::string> got(req.begin() + 1, req.end()), want(c.request.begin() + 1, c.request.end());
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);
    }
}

// Every rejection: its code and both message arguments (null: not checked).
TEST_F(ReportTest, RejectionsNameTheValueAndTheValidOnes) {
    const char* const kEnc = "rkreport storage enclosure controller=0 enclosure=0:0 info=";
    const struct {
        std::string line;
        int32_t code;
        const char* arg1;
        const char* arg2;
    } cases[] = {
        {"rkreport storage controller dump=all controller=0", CLPS_ERR_NO_VARIANT, nullptr, nullptr},
        {"rkreport storage controller controller=7", 1600, "7", "0, 1"},
        {"rkreport storage vdisk controller=7", 1600, "7", "0, 1"},
        {"rkreport storage adisk controller=7", 1600, "7", "0, 1"},
        {"rkreport storage connector controller=7", 1600, "7", "0, 1"},
        {"rkreport storage enclosure controller=7", 1600, "7", "0, 1"},
        {"rkreport storage battery controller=7", 1600, "7", "0, 1"},
        {"rkreport storage vdisk controller=01", 1600, "01", nullptr},  // identifiers are texts
        {"rkreport storage pdisk controller=0 pdisk=0:1", 1602, "0:1", "0:0:0, 0:0:1"},
        {"rkreport storage adisk controller=1 adisk=0:1", 1602, nullptr,
         "None - There are no physical disks on this controller."},
        {"rkreport storage vdisk controller=0 vdisk=7", 1604, "7", "0, 1"},
        {"rkreport storage vdisk controller=1 vdisk=0", 1622, "0", "1"},
        {"rkreport storage adisk controller=0 vdisk=9", 1604, nullptr, "0, 1"},
        {"rkreport storage connector controller=0 connector=3", 1601, "3", "0"},
        // A protocol-8 connector names its enclosures connector:enclosure.
        {"rkreport storage enclosure controller=0 enclosure=0", 1605, "0", "0:0"},
        {"rkreport storage enclosure controller=1 enclosure=0", 1605, nullptr,
         "None - There are no enclosures on this controller."},
        {std::string(kEnc) + "fans index=5", 1616, "5", "0"},
        {std::string(kEnc) + "temps index=5", 1617, "5", "0, 1"},
        {std::string(kEnc) + "pwrsupplies index=5", 1618, "5", "0"},
        {std::string(kEnc) + "EMMs index=5", 1619, "5", "0"},
        {"rkreport storage battery controller=0 battery=2", 1620, "2", "0"},
        {"rkreport storage battery controller=1 battery=0", 1628, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        Response r = rejected(c.line, c.code);
        ASSERT_TRUE(r);
        if (c.arg1) EXPECT_EQ(str(r->arg1), c.arg1);
        if (c.arg2) EXPECT_EQ(str(r->arg2), c.arg2);
    }
}

TEST_F(ReportTest, SilentAgentRejectsWithTheObjectsCode) {
    agent.silent("getControllerList");
    Response r = rejected("rkreport storage controller controller=0", 1600);
    EXPECT_EQ(str(r->arg2), "");
}

class AlertLogTest : public PluginTest {};

TEST_F(AlertLogTest, ReturnsThePathWithItsTerminatorCounted) {
    agent.on("getAlertLog", "<Reply status=\"0\"><Path>/var/x/alerts.log</Path></Reply>");
    Response r = run("rkreport system alertlog");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->kind, 22u);
    EXPECT_STREQ(r->text, "/var/x/alerts.log");
    EXPECT_EQ(r->length, 18u);
    EXPECT_EQ(r->word6, 32u);
    EXPECT_EQ(r->word9, 41u);
    EXPECT_EQ(agent.requests().size(), 1u);
    EXPECT_EQ(agent.requests()[0], Request{"vexcmd=getAlertLog"});
}

TEST_F(AlertLogTest, NoPathOrNoReplyGivesNoResponse) {
    agent.on("getAlertLog", "<Reply status=\"0\"><Other>x</Other></Reply>");
    EXPECT_FALSE(run("rkreport system alertlog"));
    agent.silent("getAlertLog");
    EXPECT_FALSE(run("rkreport servermodule alertlog"));
}

TEST_F(AlertLogTest, ExtraParametersAreTheFrameworksToReport) {
    agent.on("getAlertLog", "<Reply status=\"0\"><Path>/p</Path></Reply>");
    Response r = run("rkreport system alertlog controller=0");
    ASSERT_TRUE(r);
    EXPECT_NE(r->status, 1000);
    EXPECT_TRUE(agent.requests().empty());
}

TEST_F(AlertLogTest, EveryFailurePointGivesNoResponseAndLeaksNothing) {
    agent.on("getAlertLog", "<Reply status=\"0\"><Path>/p</Path></Reply>");
    for (const char* kind : {"mem", "xbuf", "resp", "reply"}) {
        for (int n = 1; n <= 3; ++n) {
            SCOPED_TRACE(std::string(kind) + ":" + std::to_string(n));
            failAt(kind, n);
            Response r = run("rkreport system alertlog");
            if (r) {
                EXPECT_STREQ(r->text, "/p") << "a record only when every step succeeded";
            }
            r.reset();
            expectNothingLive();
        }
    }
    clearFailures();
}

}  // namespace
}  // namespace kwtest
