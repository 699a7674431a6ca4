// Command dispatch: sorting, longest match, unknown words, rights.

#include "fwtest.h"

using namespace fwtest;

namespace {

struct Call {
    const char* handler = nullptr;
    int32_t argc = 0;
    char** argv = nullptr;
};
Call g_call;

template <const char* Name>
CLPSResponse* recordingHandler(int32_t argc, char** argv) {
    g_call = {Name, argc, argv};
    return CLPSNVSetupMsgRespObj(1, 0, 0, 0, 0, 0, Name);
}

constexpr char kStorage[] = "storage";
constexpr char kVdisk[] = "vdisk";
constexpr char kVersion[] = "version";
constexpr char kConfigVdisk[] = "config-vdisk";

// Deliberately out of order: the framework sorts it.
CCDTEntry g_table[] = {
    {"rkreport storage", "vdisk",   recordingHandler<kVdisk>,       1, 0},
    {"rkconfig storage", "vdisk",   recordingHandler<kConfigVdisk>, 7, 0},
    {"rkreport system",  "version", recordingHandler<kVersion>,     1, 0},
    {"rkreport",         "storage", recordingHandler<kStorage>,     1, 0},
    {"rkreport storage", "battery", nullptr,                        1, 0},
};
constexpr uint32_t kRows = sizeof(g_table) / sizeof(g_table[0]);
uint16_t g_sorted = 0;

class DispatchTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        g_call = {};
        ASSERT_EQ(CLPSSortCCDT(g_table, kRows, &g_sorted), 0);
    }
    Record send(Argv& line) { return Record(CLPSSendRequest(line.argc(), line.argv(), g_table, kRows, &g_sorted)); }
};

TEST_F(DispatchTest, SortOrdersByWordsKeepingEqualRowsInPlaceAndMarksTheTable) {
    CCDTEntry rows[] = {
        {"rkreport storage", "vdisk", nullptr, 1, 1},
        {"RKREPORT", "storage", nullptr, 1, 2},
        {"rkreport storage", "VDISK", nullptr, 1, 3},
        {"rkconfig storage", "vdisk", nullptr, 7, 4},
    };
    uint16_t sorted = 0;
    ASSERT_EQ(CLPSSortCCDT(rows, 4, &sorted), 0);
    EXPECT_EQ(sorted, 1);
    std::vector<uint32_t> order;
    for (const auto& row : rows) order.push_back(row.reserved);
    EXPECT_EQ(order, (std::vector<uint32_t>{4, 2, 1, 3}));
    EXPECT_NE(CLPSSortCCDT(nullptr, 3, &sorted), 0);
}

TEST_F(DispatchTest, LongestMatchWinsIgnoringCaseAndTheHandlerGetsTheLineUnchanged) {
    Argv line("RKReport STORAGE VDisk controller=0 -?");
    Record r = send(line);
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(g_call.handler, kVdisk);
    EXPECT_EQ(g_call.argc, line.argc());
    EXPECT_EQ(g_call.argv, line.argv());

    Argv shorter("rkreport storage controller=0");
    r = send(shorter);
    EXPECT_STREQ(g_call.handler, kStorage);
}

TEST_F(DispatchTest, WordsThatReachNoHandlerAreNamedWithWhatWouldFit) {
    struct Case { const char* line; int32_t status; const char* arg1; const char* arg2; };
    const Case cases[] = {
        {"rkfoo storage", CLPS_ERR_UNKNOWN_COMMAND, "rkfoo", "rkconfig, rkreport"},
        {"rkreport storage bogus", CLPS_ERR_UNKNOWN_OBJECT, "bogus", "battery, vdisk"},
        {"rkreport bogus", CLPS_ERR_UNKNOWN_OBJECT, "bogus", "storage, system"},
        // The object word is missing: nothing to name, the choices listed.
        {"rkreport system", CLPS_ERR_UNKNOWN_OBJECT, "", "version"},
        {"rkreport system controller=0", CLPS_ERR_UNKNOWN_OBJECT, "", "version"},
        {"rkreport storage vdisk stray", CLPS_ERR_NOT_A_PARAMETER, "stray", "name=value"},
        {"rkreport storage vdisk controller=0 stray", CLPS_ERR_NOT_A_PARAMETER, "stray", "name=value"},
        {"rkreport storage vdisk =0", CLPS_ERR_NOT_A_PARAMETER, "=0", "name=value"},
        {"rkreport storage battery", CLPS_ERR_NOT_AVAILABLE, "rkreport storage battery", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        Argv line(c.line);
        Record r = send(line);
        expectMessage(r.get(), c.status, c.arg1, c.arg2);
        EXPECT_EQ(g_call.handler, nullptr);
    }
    Argv empty(std::vector<std::string>{});
    expectMessage(send(empty).get(), CLPS_ERR_UNKNOWN_COMMAND, "", "rkconfig, rkreport");
}

TEST_F(DispatchTest, UsageWordWhereTheObjectBelongsListsTheCommands) {
    Argv line("rkreport system -?");
    Record r = send(line);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, static_cast<uint32_t>(CLPS_RESP_USAGE));
    EXPECT_NE(std::string(r->text).find("rkreport system version"), std::string::npos) << r->text;
    EXPECT_EQ(g_call.handler, nullptr);
}

TEST_F(DispatchTest, RightsAreTheReachedRowsAndNoneForALineThatReachesNoRow) {
    struct Case { const char* line; uint32_t rights; };
    const Case cases[] = {
        {"rkconfig storage vdisk action=blink", 7},
        {"RKCONFIG storage VDISK", 7},
        {"rkreport storage vdisk", 1},
        {"rkreport storage", 1},
        {"rkconfig storage", 0},
        {"rkconfig storage vdisk stray", 0},
        {"rkfoo", 0},
    };
    for (const auto& c : cases) {
        Argv line(c.line);
        EXPECT_EQ(CLPSGetRequiredUserRights(line.argc(), line.argv(), g_table, kRows, &g_sorted), c.rights) << c.line;
    }
    EXPECT_EQ(g_call.handler, nullptr);
}

}  // namespace
