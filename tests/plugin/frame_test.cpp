// The plug-in's shell: the dispatch table, the host entry points and the
// usage-only handlers.
#include <dlfcn.h>

#include "plugin_fixture.h"

extern "C" {
extern CCDTEntry CCDT[];
extern uint32_t ccdtCount;
extern uint16_t ccdtSorted;
CCDTEntry* CLDBIntfGetCCDT(uint32_t* count);
int32_t ModuleAttach(void);
}

namespace kwtest {
namespace {

using FrameTest = PluginTest;

TEST_F(FrameTest, TableHandsItselfOutSortedOnce) {
    EXPECT_EQ(CLDBIntfGetCCDT(nullptr), CCDT);
    uint32_t count = 0;
    EXPECT_EQ(CLDBIntfGetCCDT(&count), CCDT);
    EXPECT_EQ(count, 24u);
    EXPECT_EQ(ccdtSorted, 1u);
    EXPECT_EQ(ModuleAttach(), 1);
}

// Every path of lines.txt reaches its handler with its rights, and its usage
// request gets the handler's own usage answer without a word to the agent.
TEST_F(FrameTest, EveryPathReachesItsHandlerWithItsRights) {
    agent.on("getAlertLog", "<Reply status=\"0\"><Path>/tmp/alert.log</Path></Reply>");
    const auto rows = rowsOf("paths", 4);
    EXPECT_EQ(rows.size(), 24u);
    for (const auto& row : rows) {
        SCOPED_TRACE(row[0]);
        const CCDTEntry* found = nullptr;
        for (uint32_t i = 0; i < ccdtCount; ++i)
            if (row[0] == std::string(CCDT[i].commandWords) + " " + CCDT[i].objectWord) found = &CCDT[i];
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(reinterpret_cast<void*>(found->handler), dlsym(RTLD_DEFAULT, row[1].c_str()));
        EXPECT_EQ(found->rights, std::stoul(row[2]));
        EXPECT_EQ(found->reserved, 0u);
        Argv argv(row[0]);
        EXPECT_EQ(kwclp32_getRequiredUserRights(argv.argc(), argv.argv()), std::stoul(row[2]));
        Response r = run(row[0] + " -?");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 1000);
        EXPECT_EQ(r->messageId, std::stoul(row[3]));
    }
    EXPECT_TRUE(agent.requests().empty());
}

TEST_F(FrameTest, StorageUsageIsAMessageWithTheCommonSheetAndTheBareWordsNothing) {
    for (const char* word : {"-?", "-h", "help"}) {
        Response r = run(std::string("rkreport storage ") + word);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->kind, static_cast<uint32_t>(CLPS_RESP_MESSAGE));
        EXPECT_EQ(r->messageId, 6000u);
        EXPECT_STREQ(r->styleSheet, "kwclp.xsl");
    }
    EXPECT_FALSE(run("rkreport storage"));
    EXPECT_FALSE(run("rkconfig storage"));
}

}  // namespace
}  // namespace kwtest
