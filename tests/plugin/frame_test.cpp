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

struct Path {
    const char* line;
    const char* handler;
    uint32_t rights;
    uint32_t usageId;  // the message id the handler's usage answer carries
};

// Every command path, the handler it must reach and what its usage shows.
const Path kPaths[] = {
    {"rkreport storage",                  "CmdReportStorage",       1, 6000},
    {"rkreport system version",           "CmdReportSystemVersion", 1, 0},
    {"rkreport servermodule version",     "CmdReportSystemVersion", 1, 0},
    {"rkreport storage adisk",            "CmdReportArrayDisks",    1, 6021},
    {"rkreport storage pdisk",            "CmdReportPhysicalDisks", 1, 6022},
    {"rkreport storage controller",       "CmdReportController",    1, 6011},
    {"rkreport storage vdisk",            "CmdReportVirtualDisks",  1, 6031},
    {"rkreport storage connector",        "CmdReportConnectors",    1, 6042},
    {"rkreport storage enclosure",        "CmdReportEnclosure",     1, 6051},
    {"rkreport storage battery",          "CmdReportBattery",       1, 6061},
    {"rkreport system alertlog",          "CmdReportAlertLog",      1, 0},
    {"rkreport system summary",           "CmdReportSystemSummary", 1, 6951},
    {"rkreport servermodule alertlog",    "CmdReportAlertLog",      1, 0},
    {"rkreport servermodule summary",     "CmdReportSystemSummary", 1, 6951},
    {"rkreport storage globalinfo",       "CmdReportGlobalInfo",    1, 6062},
    {"rkconfig storage",                  "CmdConfigStorage",       7, 6001},
    {"rkconfig storage controller",       "CmdConfigController",    7, 6971},
    {"rkconfig storage vdisk",            "CmdConfigVirtualDisks",  7, 6981},
    {"rkconfig storage adisk",            "CmdConfigArrayDisks",    7, 6991},
    {"rkconfig storage pdisk",            "CmdConfigPhysicalDisks", 7, 6997},
    {"rkconfig storage connector",        "CmdConfigConnectors",    7, 6963},
    {"rkconfig storage enclosure",        "CmdConfigEnclosure",     7, 6951},
    {"rkconfig storage globalinfo",       "CmdConfigGlobalInfo",    7, 6994},
    {"rkconfig storage battery",          "CmdConfigBattery",       7, 6941},
};

const CCDTEntry* rowFor(const std::string& line) {
    const CCDTEntry* best = nullptr;
    for (uint32_t i = 0; i < ccdtCount; ++i) {
        std::string path = std::string(CCDT[i].commandWords) + " " + CCDT[i].objectWord;
        if (line == path) best = &CCDT[i];
    }
    return best;
}

class FrameTest : public PluginTest {};

TEST_F(FrameTest, TableHandsItselfOutWithItsCount) {
    EXPECT_EQ(CLDBIntfGetCCDT(nullptr), CCDT);
    uint32_t count = 0;
    EXPECT_EQ(CLDBIntfGetCCDT(&count), CCDT);
    EXPECT_EQ(count, 24u);
    EXPECT_EQ(ccdtSorted, 1u) << "attach sorts the table once";
}

TEST_F(FrameTest, EveryPathReachesItsHandlerWithItsRights) {
    ASSERT_EQ(sizeof kPaths / sizeof kPaths[0], 24u);
    for (const auto& path : kPaths) {
        SCOPED_TRACE(path.line);
        const CCDTEntry* row = rowFor(path.line);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(reinterpret_cast<void*>(row->handler), dlsym(RTLD_DEFAULT, path.handler));
        EXPECT_EQ(row->rights, path.rights);
        EXPECT_EQ(row->reserved, 0u);
        EXPECT_EQ(rights(path.line), path.rights);
    }
}

TEST_F(FrameTest, UsageRequestsReachTheHandlersOwnUsage) {
    agent.on("getAlertLog", "<Reply status=\"0\"><Path>/tmp/alert.log</Path></Reply>");
    for (const auto& path : kPaths) {
        SCOPED_TRACE(path.line);
        Response r = run(std::string(path.line) + " -?");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 1000);
        EXPECT_EQ(r->messageId, path.usageId);
    }
    EXPECT_TRUE(agent.requests().empty()) << "a usage request sends nothing";
}

TEST_F(FrameTest, BareStorageCommandsAnswerNothing) {
    EXPECT_FALSE(run("rkreport storage"));
    EXPECT_FALSE(run("rkconfig storage"));
}

TEST_F(FrameTest, StorageUsageIsAMessageWithTheCommonSheet) {
    for (const char* word : {"-?", "-h", "help"}) {
        Response r = run(std::string("rkreport storage ") + word);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->kind, static_cast<uint32_t>(CLPS_RESP_MESSAGE));
        EXPECT_EQ(r->messageId, 6000u);
        EXPECT_STREQ(r->styleSheet, "kwclp.xsl");
    }
    Response config = run("rkconfig storage -?");
    ASSERT_TRUE(config);
    EXPECT_EQ(config->messageId, 6001u);
}

TEST_F(FrameTest, AttachSucceedsWhenTheTableSorts) { EXPECT_EQ(ModuleAttach(), 1); }

}  // namespace
}  // namespace kwtest
