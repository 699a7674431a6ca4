// Response records and the calls that make them outside the variant engine.

#include <cstring>

#include "fwtest.h"

using namespace fwtest;
using kwtest::TestAgent;

namespace {

class RecordTest : public FrameworkTest {};

TEST_F(RecordTest, ARecordLivesUntilFreedAndAPathRecordReturnsItsBlock) {
    CLPSResponse* r = CLPSAllocResponse();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->signature, CLPS_RESP_SIGNATURE);
    EXPECT_EQ(r->kind, static_cast<uint32_t>(CLPS_RESP_EMPTY));
    EXPECT_EQ(KWTestLiveCount(KWLIVE_RESP), 1);
    r->kind = CLPS_RESP_PATH;
    r->text = static_cast<char*>(ZCSAllocMem(CLPS_BLOCK_SIZE));
    ASSERT_NE(r->text, nullptr);
    std::strcpy(r->text, "/var/log/kw.log");
    EXPECT_EQ(CLPSFreeResponse(r), 0);
    EXPECT_EQ(KWTestLiveCount(KWLIVE_RESP), 0);
    EXPECT_EQ(KWTestLiveCount(KWLIVE_BLOCK), 0);
    EXPECT_EQ(CLPSFreeResponse(nullptr), 0);
}

TEST_F(RecordTest, MessageRecordCarriesItsIdAndSheet) {
    Record r(CLPSNVSetupMsgRespObj(6000, 0, 0, 0, 0, 0, "kwclp.xsl"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, static_cast<uint32_t>(CLPS_RESP_MESSAGE));
    EXPECT_EQ(r->status, CLPS_STATUS_OK);
    EXPECT_EQ(r->messageId, 6000u);
    EXPECT_STREQ(r->styleSheet, "kwclp.xsl");
    EXPECT_EQ(CLPSDestroyCLIP(CLPSDefaultDestroyCLIPFunc), 0);
    EXPECT_EQ(CLPSDestroyCLIP(nullptr), 0);
}

TEST_F(RecordTest, ExtraParametersAreNamedAndTheirAbsenceGivesNoRecord) {
    Argv bare("rkreport system alertlog -?");
    EXPECT_EQ(CLPSNVCheckExtraParams(bare.argc(), bare.argv(), "sysrep.xsl"), nullptr);
    Argv extra("rkreport system alertlog verbose=1 more=2");
    Record r(CLPSNVCheckExtraParams(extra.argc(), extra.argv(), "sysrep.xsl"));
    expectMessage(r.get(), CLPS_ERR_UNKNOWN_PARAM, "verbose", "none");
    EXPECT_STREQ(r->styleSheet, "sysrep.xsl");
}

TEST_F(RecordTest, CapabilityQueryHandsBackACopyOfTheReplyOrNoText) {
    TestAgent agent;
    const std::string reply = TestAgent::reply({{{"GlobalNo", "0"}}, {{"GlobalNo", "1"}}});
    agent.on("getControllerList", reply);
    agent.silent("getController");
    const char* request[] = {"vexcmd=getControllerList"};
    Record r(CLPSNVReportCapabilitesXML("kwda", 1, const_cast<char**>(request), "RESPONSE", "kwclp.xsl"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, static_cast<uint32_t>(CLPS_RESP_REPLY));
    EXPECT_EQ(str(r->text), reply);
    EXPECT_EQ(r->length, reply.size());
    EXPECT_EQ(KWTestLiveCount(KWLIVE_REPLY), 0) << "the agent's reply is released at once";

    const char* silent[] = {"vexcmd=getController", "GlobalNo=0", "CLI=true"};
    Record none(CLPSNVReportCapabilitesXML("kwda", 3, const_cast<char**>(silent), "RESPONSE", "kwclp.xsl"));
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->text, nullptr);
    EXPECT_EQ(none->length, 0u);
    Record absent(CLPSNVReportCapabilitesXML("noagent", 1, const_cast<char**>(request), "RESPONSE", "kwclp.xsl"));
    ASSERT_NE(absent, nullptr);
    EXPECT_EQ(absent->text, nullptr);
    ASSERT_EQ(agent.requests().size(), 2u);
    EXPECT_EQ(agent.requests()[1], (kwtest::Request{"vexcmd=getController", "GlobalNo=0", "CLI=true"}));
}

}  // namespace
