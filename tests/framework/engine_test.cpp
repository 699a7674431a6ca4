// The callback's part in the variant engine: what it is handed, and that its
// rejection carries both arguments and sends nothing; and the capability query.
#include <cstring>

#include "fwtest.h"
#include "tables.h"

using namespace fwtest;

namespace {

struct Seen {
    void* fw[4] = {};
    char** argv = nullptr;
    std::vector<std::string> request;
    bool buffersZeroed = false;
};
Seen g_seen;

int32_t observingCallback(void* fw1, void* fw2, uint32_t, char** argv, uint32_t* count, char** vector, void* fw7,
                          void* fw8, char* arg1, char* arg2) {
    g_seen = {{fw1, fw2, fw7, fw8}, argv, {vector, vector + *count}, true};
    for (uint32_t i = 0; i < CLPS_MSG_ARG_SIZE; ++i) g_seen.buffersZeroed &= arg1[i] == 0 && arg2[i] == 0;
    if (g_callbackStatus != CLPS_STATUS_OK) {
        std::strcpy(arg1, "7");
        std::strcpy(arg2, "0, 1");
    }
    return g_callbackStatus;
}

class EngineTest : public FrameworkTest {
protected:
    Record config(const std::string& params, NVValidateFunc callback) {
        line = std::make_unique<Argv>("rkconfig storage widget " + params);
        return Record(CLPSNVCmdConfigFunc(line->argc(), line->argv(), 100, 101, kWidget, kWidgetRows, "kwclp.xsl",
                                          callback));
    }
    kwtest::TestAgent agent;
    std::unique_ptr<Argv> line;
};

TEST_F(EngineTest, TheCallbackSeesTheContributedArgumentsItsRowAndTheLine) {
    agent.otherwise([](const kwtest::Request&) { return kwtest::TestAgent::reply({}); });
    Record r = config("action=paint controller=0 colour=Blue FINISH=GLOSS label=", observingCallback);
    ASSERT_EQ(r->status, CLPS_STATUS_OK);
    EXPECT_EQ(g_seen.request,
              (std::vector<std::string>{"GlobalNo=0", "Colour=2", "Finish=gloss", "Label=", "Source=CLI"}));
    EXPECT_EQ(g_seen.argv, line->argv());
    EXPECT_TRUE(g_seen.buffersZeroed);
    // The chosen row, the table, then nothing.
    EXPECT_EQ(config("action=tune controller=0 rate=5", observingCallback)->status, CLPS_STATUS_OK);
    const std::vector<const void*> fw(g_seen.fw, g_seen.fw + 4);
    EXPECT_EQ(fw, (std::vector<const void*>{&kWidget[1], kWidget, nullptr, nullptr}));
}

TEST_F(EngineTest, ACallbackRejectionCarriesBothArgumentsAndNothingIsSent) {
    g_callbackStatus = 1604;
    for (NVValidateFunc callback : {observingCallback, rewritingCallback}) {
        Record r = config("action=tune controller=0 rate=5 days=3", callback);
        const bool observing = callback == observingCallback;
        expectMessage(r.get(), 1604, observing ? "7" : "", observing ? "0, 1" : "");
        EXPECT_EQ(r->messageId, 0u);
        EXPECT_EQ(r->requestCount, 0u);
    }
    EXPECT_TRUE(agent.requests().empty());
}

// Outside the engine: a query whose reply comes back as it is, or with no text.
TEST_F(EngineTest, ACapabilityQueryHandsBackTheReplyOrNoText) {
    const std::string reply = kwtest::TestAgent::reply({{{"GlobalNo", "0"}}});
    agent.on("getControllerList", reply);
    agent.silent("getController");
    const char* list[] = {"vexcmd=getControllerList"};
    const char* one[] = {"vexcmd=getController"};
    Record r(CLPSNVReportCapabilitesXML("kwda", 1, const_cast<char**>(list), "RESPONSE", "kwclp.xsl"));
    EXPECT_EQ(str(r->text), reply);
    for (auto [prefix, request] : {std::pair{"kwda", one}, std::pair{"noagent", list}}) {
        Record none(CLPSNVReportCapabilitesXML(prefix, 1, const_cast<char**>(request), "RESPONSE", "kwclp.xsl"));
        EXPECT_EQ(none->status, CLPS_ERR_NO_AGENT);
        EXPECT_EQ(none->text, nullptr);
    }
    // Without a vector the agent is sent an empty request, whatever the count says.
    Record empty(CLPSNVReportCapabilitesXML("kwda", 3, nullptr, "RESPONSE", "kwclp.xsl"));
    EXPECT_EQ(empty->status, CLPS_ERR_NO_AGENT);
    EXPECT_EQ(agent.requests().back(), kwtest::Request{});
}

}  // namespace
