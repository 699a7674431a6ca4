// The variant engine: selection, parameter checks, the request-argument
// vector, the callback's part, and what reaches the agent.

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "fwtest.h"
#include "tables.h"

using namespace fwtest;
using kwtest::TestAgent;

namespace {

const std::string kOkReply = TestAgent::reply({{{"Name", "x"}}});

struct Seen {
    void* fw[4] = {};
    uint32_t argc = 0;
    char** argv = nullptr;
    std::vector<std::string> request;
    bool buffersZeroed = false;
};
Seen g_seen;

int32_t observingCallback(void* fw1, void* fw2, uint32_t argc, char** argv, uint32_t* count, char** vector,
                          void* fw7, void* fw8, char* arg1, char* arg2) {
    g_seen = {{fw1, fw2, fw7, fw8}, argc, argv, {}, true};
    for (uint32_t i = 0; i < *count; ++i) g_seen.request.emplace_back(vector[i]);
    for (uint32_t i = 0; i < CLPS_MSG_ARG_SIZE; ++i) g_seen.buffersZeroed &= arg1[i] == 0 && arg2[i] == 0;
    if (g_callbackStatus != CLPS_STATUS_OK) {
        std::strcpy(arg1, "7");
        std::strcpy(arg2, "0, 1");
    }
    return g_callbackStatus;
}

class EngineTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        g_seen = {};
        agent.otherwise([](const kwtest::Request&) { return kOkReply; });
    }
    Record config(const std::string& params, NVValidateFunc callback = nullptr) {
        line = std::make_unique<Argv>("rkconfig storage widget " + params);
        return run(kWidget, kWidgetRows, callback);
    }
    Record report(const std::string& params, NVValidateFunc callback = nullptr) {
        line = std::make_unique<Argv>("rkreport storage gadget " + params);
        return run(kGadget, kGadgetRows, callback);
    }
    Record run(const NVCmdRow* table, uint32_t rows, NVValidateFunc callback) {
        return Record(CLPSNVCmdConfigFunc(line->argc(), line->argv(), 100, 101, table, rows, "kwclp.xsl", callback));
    }
    TestAgent agent;
    std::unique_ptr<Argv> line;
};

TEST_F(EngineTest, ConfigurationVariantIsChosenByActionIgnoringCaseAndItsReplyReturned) {
    Record r = config("action=PaInT controller=0 colour=RED");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, static_cast<uint32_t>(CLPS_RESP_REPLY));
    EXPECT_EQ(r->status, CLPS_STATUS_OK);
    EXPECT_EQ(r->messageId, 101u);
    EXPECT_STREQ(r->styleSheet, "kwclp.xsl");
    EXPECT_STREQ(r->agentPrefix, "kwda");
    EXPECT_EQ(str(r->text), kOkReply);
    EXPECT_EQ(r->length, kOkReply.size());
    std::vector<std::string> sent = {"vexcmd=setPaint", "GlobalNo=0", "Colour=1", "Source=CLI"};
    EXPECT_EQ(requestOf(r.get()), sent);
    ASSERT_EQ(agent.requests().size(), 1u);
    EXPECT_EQ(agent.requests()[0], sent);
}

TEST_F(EngineTest, ActionsAreRequiredAndMustBeKnownButServiceActionsAreAccepted) {
    const std::string listed = "paint, tune, place, vanish";
    expectMessage(config("controller=0").get(), CLPS_ERR_NO_ACTION, "action", listed);
    expectMessage(config("action=repaint controller=0").get(), CLPS_ERR_UNKNOWN_ACTION, "repaint", listed);
    EXPECT_TRUE(agent.requests().empty());

    Record r = config("action=DEBUG");
    ASSERT_EQ(r->status, CLPS_STATUS_OK);
    EXPECT_EQ(requestOf(r.get()),
              (std::vector<std::string>{"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=1", "param0=debug"}));
}

TEST_F(EngineTest, ReportVariantIsChosenByTheParametersGivenAndItsSelector) {
    struct Case { const char* params; std::vector<std::string> request; const char* sheet; };
    const Case cases[] = {
        {"", {"vexcmd=getList"}, "list.xsl"},
        {"Controller=3", {"vexcmd=getOne", "GlobalNo=3"}, "one.xsl"},
        {"DUMP=All", {"vexcmd=getDumpAll", "dump=All"}, "all.xsl"},
        {"controller=1 info=TEMPS index=2", {"vexcmd=getTemps", "GlobalNo=1", "info=TEMPS", "Index=2"}, "temps.xsl"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.params);
        Record r = report(c.params);
        ASSERT_EQ(r->status, CLPS_STATUS_OK);
        EXPECT_EQ(requestOf(r.get()), c.request);
        EXPECT_STREQ(r->styleSheet, c.sheet);
        EXPECT_EQ(r->messageId, 100u);
    }
    const std::string combinations =
        "dump=all; controller=<number> info=temps [index=<number>]; (no parameters); controller=<number>";
    expectMessage(report("dump=all controller=0").get(), CLPS_ERR_NO_VARIANT, "dump=all controller=0", combinations);
    expectMessage(report("dump=store").get(), CLPS_ERR_NO_VARIANT, "dump=store", combinations);
    expectMessage(report("info=temps").get(), CLPS_ERR_NO_VARIANT, "info=temps", combinations);
}

TEST_F(EngineTest, ParametersAreCheckedBeforeTheCallbackAndEachRejectionNamesWhatFits) {
    const std::string paintNames = "action, controller, colour, finish, label";
    struct Case { std::string params; int32_t status; std::string arg1; std::string arg2; };
    const Case cases[] = {
        {"action=paint controller=0 colour=red shade=dark", CLPS_ERR_UNKNOWN_PARAM, "shade", paintNames},
        {"action=paint controller=0 colour=red CONTROLLER=1", CLPS_ERR_REPEATED_PARAM, "CONTROLLER", ""},
        {"action=paint colour=red", CLPS_ERR_MISSING_PARAM, "controller", "a decimal integer"},
        {"action=paint controller=0", CLPS_ERR_MISSING_PARAM, "colour", "one of: red, blue"},
        {"action=paint controller=0 colour=green", CLPS_ERR_BAD_VALUE, "colour=green", "one of: red, blue"},
        {"action=paint controller=0 colour=red finish=satin", CLPS_ERR_BAD_VALUE, "finish=satin", "one of: gloss, matt"},
        {"action=paint controller=0 colour=red source=x", CLPS_ERR_FIXED_PARAM, "source", "Source=CLI"},
        {"action=debug numdcsifargs=2", CLPS_ERR_FIXED_PARAM, "numdcsifargs", "NumDCSIFArgs=1"},
        // "Label=" leaves 249 bytes of its block for the value.
        {"action=paint controller=0 colour=red label=" + std::string(250, 'a'), CLPS_ERR_VALUE_TOO_LONG, "label", "249"},
        {"action=paint controller=0 colour=" + std::string(256, 'r'), CLPS_ERR_VALUE_TOO_LONG, "colour", "255"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.params.substr(0, 60));
        Record r = config(c.params, observingCallback);
        expectMessage(r.get(), c.status, c.arg1, c.arg2);
        EXPECT_EQ(g_seen.argv, nullptr) << "the callback ran";
    }
    expectMessage(report("shade=1").get(), CLPS_ERR_UNKNOWN_PARAM, "shade", "dump, controller, info, index");
    EXPECT_TRUE(agent.requests().empty());
}

TEST_F(EngineTest, ValuesFollowTheirRulesAndArePassedOnExactlyAsTyped) {
    struct Case {
        const char* action;
        const char* other;  // another parameter the action needs, if any
        const char* name;
        const char* sentAs;
        std::vector<const char*> accepted, rejected;
    } cases[] = {
        {"tune", nullptr, "rate", "Rate=", {"0", "100", "007", "0100"}, {"101", "-1", "", "1.5"}},
        {"tune", "rate=5", "days", "Days=", {"0", "7", "07", "0000007"}, {"8", "-0"}},
        {"tune", "rate=5", "port", "Port=", {"-2", "01"}, {"+1", "1a"}},
        {"place", nullptr, "disk", "adisk=", {"3:15", "01:2:015"}, {"3", "3:", "1:2:3:4"}},
        {"place", nullptr, "disks", "adisks=", {"3:15, 1:2:15 ,0:1", "3:15"}, {"3:15,,1:2", "3:15,", "3:15 1:2"}},
        {"place", nullptr, "enclosure", "Enclosure=", {"3", "1:2"}, {"1:2:3", ":2"}},
    };
    for (const auto& c : cases) {
        for (bool accepted : {true, false}) {
            for (const char* value : accepted ? c.accepted : c.rejected) {
                const std::string param = std::string(c.name) + "=" + value;
                SCOPED_TRACE(param);
                std::vector<std::string> words = {"rkconfig", "storage", "widget", "controller=01",
                                                  std::string("action=") + c.action, param};
                if (c.other) words.push_back(c.other);
                line = std::make_unique<Argv>(words);
                agent.clearRequests();
                Record r = run(kWidget, kWidgetRows, nullptr);
                ASSERT_NE(r, nullptr);
                if (!accepted) {
                    EXPECT_EQ(r->status, CLPS_ERR_BAD_VALUE);
                    EXPECT_EQ(str(r->arg1), param);
                    EXPECT_TRUE(agent.requests().empty());
                    continue;
                }
                ASSERT_EQ(r->status, CLPS_STATUS_OK) << str(r->arg1) << " / " << str(r->arg2);
                const std::vector<std::string> sent = requestOf(r.get());
                EXPECT_EQ(sent[1], "GlobalNo=01");
                EXPECT_NE(std::find(sent.begin(), sent.end(), std::string(c.sentAs) + value), sent.end());
            }
        }
    }
}

TEST_F(EngineTest, CallbackSeesTheContributedArgumentsAndItsFrameworkWords) {
    Record r = config("action=paint controller=0 colour=Blue FINISH=GLOSS label=", observingCallback);
    ASSERT_EQ(r->status, CLPS_STATUS_OK);
    EXPECT_EQ(g_seen.fw[0], &kWidget[0]);
    EXPECT_EQ(g_seen.fw[1], kWidget);
    EXPECT_EQ(g_seen.fw[2], nullptr);
    EXPECT_EQ(g_seen.fw[3], nullptr);
    EXPECT_EQ(g_seen.argc, static_cast<uint32_t>(line->argc()));
    EXPECT_EQ(g_seen.argv, line->argv());
    EXPECT_TRUE(g_seen.buffersZeroed);
    EXPECT_EQ(g_seen.request, (std::vector<std::string>{"GlobalNo=0", "Colour=2", "Finish=gloss", "Label=", "Source=CLI"}));
}

TEST_F(EngineTest, ARejectionCarriesBothArgumentsAndNothingIsSent) {
    g_callbackStatus = 1604;
    for (NVValidateFunc callback : {observingCallback, rewritingCallback}) {
        Record r = config("action=tune controller=0 rate=5 days=3", callback);
        expectMessage(r.get(), 1604, callback == observingCallback ? "7" : "", callback == observingCallback ? "0, 1" : "");
        EXPECT_EQ(r->messageId, 0u);
        EXPECT_EQ(r->requestCount, 0u);
    }
    EXPECT_TRUE(agent.requests().empty());
}

TEST_F(EngineTest, AgentRefusalSilenceAndAbsenceAreReportedWithTheirOwnCodes) {
    agent.on("setPaint", "<?xml version=\"1.0\"?>\n<!-- note -->\n<Reply command=\"setPaint\" status=\"2\">"
                         "<Error>disk 0:0:3 is &lt;busy&gt; &amp; &#x41;</Error></Reply>");
    Record refused = config("action=paint controller=0 colour=red");
    expectMessage(refused.get(), CLPS_ERR_AGENT_REFUSED, "disk 0:0:3 is <busy> & A", "2");
    EXPECT_EQ(requestOf(refused.get())[0], "vexcmd=setPaint");

    agent.on("setPaint", "<Reply command=\"setPaint\" status=\"0\"/>");
    EXPECT_EQ(config("action=paint controller=0 colour=red")->status, CLPS_STATUS_OK);

    agent.silent("setTune");
    expectMessage(config("action=tune controller=0 rate=5").get(), CLPS_ERR_NO_AGENT, "kwda", "vexcmd=setTune");
    expectMessage(config("action=vanish").get(), CLPS_ERR_NO_AGENT, "noagent", "vexcmd=setNowhere");
}

TEST_F(EngineTest, WhatTheCallbackLeftIsSentOrOnADryRunOnlyRecorded) {
    const std::vector<std::string> sent = {"vexcmd=setTune", "GlobalNo=0", "Rate=50", "", "Property=13"};
    Record r = config("action=tune controller=0 rate=5 days=3", rewritingCallback);
    ASSERT_EQ(r->status, CLPS_STATUS_OK);
    EXPECT_EQ(requestOf(r.get()), sent);
    EXPECT_EQ(agent.requests(), std::vector<kwtest::Request>{sent});

    CLPSSetDryRun(1);
    agent.clearRequests();
    r = config("action=tune controller=0 rate=5 days=3", rewritingCallback);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, static_cast<uint32_t>(CLPS_RESP_DRYRUN));
    EXPECT_EQ(r->status, CLPS_STATUS_OK);
    EXPECT_EQ(r->messageId, 101u);
    EXPECT_EQ(requestOf(r.get()), sent);
    EXPECT_EQ(config("action=tune controller=0 rate=500")->status, CLPS_ERR_BAD_VALUE);
    EXPECT_TRUE(agent.requests().empty());
}

}  // namespace
