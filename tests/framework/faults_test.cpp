// Injected failures (KWTEST_FAIL): each failing record, block or reply ends
// the command with its own outcome, sends nothing it should not, and leaks
// nothing.

#include "fwtest.h"
#include "tables.h"

using namespace fwtest;
using kwtest::TestAgent;

namespace {

class FaultTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        agent.otherwise([](const kwtest::Request&) { return TestAgent::reply({}); });
    }
    Record tune() {
        Argv line("rkconfig storage widget action=tune controller=0 rate=5 days=3");
        return Record(CLPSNVCmdConfigFunc(line.argc(), line.argv(), 100, 101, kWidget, kWidgetRows, "kwclp.xsl",
                                          rewritingCallback));
    }
    // True while the rule still made a call of that kind fail.
    static bool injected(KWTestKind kind, long n) { return KWTestCallCount(kind) >= n; }
    static void expectNothingLive() {
        EXPECT_EQ(KWTestLiveCount(KWLIVE_RESP), 0);
        EXPECT_EQ(KWTestLiveCount(KWLIVE_BLOCK), 0);
        EXPECT_EQ(KWTestLiveCount(KWLIVE_REPLY), 0);
    }
    TestAgent agent;
};

TEST_F(FaultTest, AFailingBlockEndsTheCommandBeforeAnythingIsSent) {
    // Blocks 1-3 are the framework's (GlobalNo, Rate, Days); 4-6 the callback's.
    long n = 1;
    for (;; ++n) {
        SCOPED_TRACE("mem:" + std::to_string(n));
        failCall("mem:" + std::to_string(n));
        agent.clearRequests();
        {
            Record r = tune();
            ASSERT_NE(r, nullptr);
            if (!injected(KWTEST_MEM, n)) {
                EXPECT_EQ(r->status, CLPS_STATUS_OK);
                EXPECT_EQ(agent.requests().size(), 1u);
                break;
            }
            expectMessage(r.get(), n <= 3 ? CLPS_ERR_NO_MEMORY : 1655, "", "");
            EXPECT_TRUE(agent.requests().empty());
        }
        expectNothingLive();
    }
    EXPECT_EQ(n, 7);
}

TEST_F(FaultTest, NoRecordMeansNoResponseAndNothingSent) {
    failCall("resp:1");
    EXPECT_EQ(tune(), nullptr);
    failCall("resp:1");
    const char* query[] = {"vexcmd=getControllerList"};
    EXPECT_EQ(CLPSNVReportCapabilitesXML("kwda", 1, const_cast<char**>(query), "RESPONSE", "kwclp.xsl"), nullptr);
    EXPECT_TRUE(agent.requests().empty());

    CCDTEntry table[] = {{"rkreport storage", "vdisk", nullptr, 1, 0}};
    uint16_t sorted = 0;
    Argv line("rkfoo");
    failCall("resp:1");
    EXPECT_EQ(CLPSSendRequest(line.argc(), line.argv(), table, 1, &sorted), nullptr);
    failCall("resp:1:persistent");
    EXPECT_EQ(CLPSNVSetupMsgRespObj(6000, 0, 0, 0, 0, 0, nullptr), nullptr);
    EXPECT_EQ(CLPSAllocResponse(), nullptr);
    expectNothingLive();
}

TEST_F(FaultTest, AFailedReplyIsReportedAsAMissingAgentAndNothingLeaks) {
    failCall("reply:1");
    expectMessage(tune().get(), CLPS_ERR_NO_AGENT, "kwda", "vexcmd=setTune");
    EXPECT_TRUE(agent.requests().empty());

    failCall("reply:1");
    const char* query[] = {"vexcmd=getControllerList"};
    Record none(CLPSNVReportCapabilitesXML("kwda", 1, const_cast<char**>(query), "RESPONSE", "kwclp.xsl"));
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->text, nullptr);
}

}  // namespace
