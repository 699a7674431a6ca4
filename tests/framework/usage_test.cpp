// Usage generated from the tables: actions, one action's parameters, report
// combinations; and the usage-word test the handlers rely on.

#include "fwtest.h"
#include "tables.h"

using namespace fwtest;

namespace {

class UsageTest : public FrameworkTest {
protected:
    Record usage(const std::string& text, const NVCmdRow* table, uint32_t rows) {
        Argv line(text);
        return Record(CLPSNVCmdConfigFunc(line.argc(), line.argv(), 100, 101, table, rows, "kwclp.xsl", nullptr));
    }
    static std::string usageText(const Record& r) {
        if (!r || !r->text) {
            ADD_FAILURE() << "no usage text";
            return {};
        }
        EXPECT_EQ(r->kind, static_cast<uint32_t>(CLPS_RESP_USAGE));
        EXPECT_EQ(r->messageId, 100u);
        EXPECT_STREQ(r->styleSheet, "kwclp.xsl");
        EXPECT_EQ(r->length, std::string(r->text).size());
        return r->text;
    }
    kwtest::TestAgent agent;
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(UsageTest, ConfigurationUsageListsTheActionsButNotTheServiceOnes) {
    for (const char* word : {"-?", "-h", "HELP"}) {
        Record r = usage(std::string("rkconfig storage widget ") + word, kWidget, kWidgetRows);
        std::string text = usageText(r);
        EXPECT_TRUE(has(text, "rkconfig storage widget action=<action>")) << text;
        for (const char* action : {"paint", "tune", "place", "vanish"}) EXPECT_TRUE(has(text, action)) << action;
        EXPECT_FALSE(has(text, "debug")) << text;
        EXPECT_TRUE(has(text, "controller=<number> colour=<red|blue> [finish=<gloss|matt>] [label=<text>]")) << text;
    }
    EXPECT_TRUE(agent.requests().empty());
}

TEST_F(UsageTest, ActionUsageDescribesEachParameter) {
    std::string paint = usageText(usage("rkconfig storage widget action=Paint -?", kWidget, kWidgetRows));
    EXPECT_TRUE(has(paint, "colour=<red|blue>")) << paint;
    EXPECT_TRUE(has(paint, "required   one of: red, blue")) << paint;
    EXPECT_TRUE(has(paint, "optional   any text, at most 12 characters")) << paint;
    EXPECT_FALSE(has(paint, "Source")) << paint;

    std::string tune = usageText(usage("rkconfig storage widget -? action=tune", kWidget, kWidgetRows));
    EXPECT_TRUE(has(tune, "rate=<0-100>")) << tune;
    EXPECT_TRUE(has(tune, "optional   an integer from 0 to 7")) << tune;

    std::string place = usageText(usage("rkconfig storage widget action=place -?", kWidget, kWidgetRows));
    EXPECT_TRUE(has(place, "a disk identifier such as 3:15 or 1:2:15")) << place;
    EXPECT_TRUE(has(place, "an enclosure identifier such as 3 or 1:2")) << place;

    // A service action is described when asked for by name; it has nothing to type.
    std::string debug = usageText(usage("rkconfig storage widget action=debug -?", kWidget, kWidgetRows));
    EXPECT_TRUE(has(debug, "takes no parameters")) << debug;

    expectMessage(usage("rkconfig storage widget action=bogus -?", kWidget, kWidgetRows).get(),
                  CLPS_ERR_UNKNOWN_ACTION, "bogus", "paint, tune, place, vanish");
}

TEST_F(UsageTest, ReportUsageShowsTheParameterCombinations) {
    std::string text = usageText(usage("rkreport storage gadget help", kGadget, kGadgetRows));
    for (const char* combination : {"rkreport storage gadget dump=all\n",
                                    "rkreport storage gadget controller=<number> info=temps [index=<number>]\n",
                                    "rkreport storage gadget\n", "rkreport storage gadget controller=<number>\n"})
        EXPECT_TRUE(has(text, combination)) << combination << "\n" << text;
}

TEST_F(UsageTest, UsageWordsAreRecognisedOnlyAfterTheCommandWord) {
    struct Case { const char* line; uint32_t usage; };
    const Case cases[] = {
        {"rkreport storage -?", 1}, {"rkreport storage controller=0 -h", 1}, {"rkreport storage Help", 1},
        {"rkreport storage", 0},    {"rkreport storage -x", 0},              {"rkreport storage name=-?", 0},
        {"-? storage", 0},
    };
    for (const auto& c : cases) {
        Argv line(c.line);
        EXPECT_EQ(CLPSIsUsageHelp(line.argc(), line.argv()) & 0xFFFF, c.usage) << c.line;
    }
}

TEST_F(UsageTest, ACommandWithoutATableGetsPlainUsage) {
    Argv line("rkreport system alertlog -?");
    Record r(CLPSSetRespObjUsageXML(line.argc(), line.argv(), 0, 0, "sysrep.xsl"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, static_cast<uint32_t>(CLPS_RESP_USAGE));
    EXPECT_STREQ(r->styleSheet, "sysrep.xsl");
    EXPECT_TRUE(has(r->text, "rkreport system alertlog")) << r->text;
}

}  // namespace
