// One command of each object run with the n-th call of each counted kind
// failing, n = 1, 2, ... until nothing fails any more: every run ends in one
// of the outcomes documented for that failure, never crashes, and leaves
// nothing live.
#include <set>

#include "devices_fixture.h"

namespace devtest {
namespace {

// Framework outcomes: no memory for its own work, no reply to the request it
// sends, and no response record at all (status 0 here).
constexpr int32_t kFrameworkNoMemory = 2102;
constexpr int32_t kFrameworkNoAgent = 2101;
constexpr int32_t kNoRecord = 0;

struct FaultCase {
    const char* name;
    Handler handler;
    const char* object;
    const char* params;
    // What a failing agent query ends in (no reply buffer, no reply, no
    // record, no parse), check by check in the command's order.
    std::set<int32_t> queryOutcomes;
    // What a failing 256-byte block ends in, besides the framework's own.
    std::set<int32_t> blockOutcomes;
};

const FaultCase kCases[] = {
    {"adisk clear", CmdConfigArrayDisks, "adisk", "action=clear controller=0 adisk=0:0:1", {1600, 1602, 1614}, {1655}},
    {"battery delaylearn", CmdConfigBattery, "battery", "action=delaylearn controller=0 battery=0 days=1",
     {1600, 1620, 1614, 1662}, {}},
    {"enclosure settempprobes", CmdConfigEnclosure, "enclosure",
     "action=settempprobes controller=0 enclosure=0:0 index=0 minwarn=10 maxwarn=45", {1600, 1605, 1634, 1655, 1624},
     {1655}},
    {"connector rescan", CmdConfigConnectors, "connector", "action=rescan controller=0 connector=1",
     {1600, 1601, 1614}, {}},
    {"globalinfo patrol read rate", CmdConfigGlobalInfo, "globalinfo",
     "action=service_patrolreadrate controller=0 rate=40", {1600, 1661}, {1655}},
    {"globalinfo rescan", CmdConfigGlobalInfo, "globalinfo", "action=globalrescan", {1614}, {}},
};

const char* const kKinds[] = {"mem", "xbuf", "resp", "reply", "dom"};

std::set<int32_t> allowedOutcomes(const FaultCase& c, const std::string& kind) {
    std::set<int32_t> allowed = {1000};
    if (kind == "mem") {
        allowed.insert(kFrameworkNoMemory);
        allowed.insert(c.blockOutcomes.begin(), c.blockOutcomes.end());
    } else {
        allowed.insert(c.queryOutcomes.begin(), c.queryOutcomes.end());
    }
    if (kind == "resp") allowed.insert(kNoRecord);
    if (kind == "resp" || kind == "reply") allowed.insert(kFrameworkNoAgent);
    return allowed;
}

class Faults : public DevicesTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(Faults, EveryFailureEndsInADocumentedOutcome) {
    const FaultCase& c = GetParam();
    for (int k = 0; k < KWTEST_KIND_COUNT; ++k) {
        const char* kind = kKinds[k];
        std::set<int32_t> allowed = allowedOutcomes(c, kind);
        std::set<int32_t> seen;
        bool finished = false;
        for (int n = 1; n < 400 && !finished; ++n) {
            failAt(kind, n);
            Outcome out = run(c.handler, c.object, c.params);
            bool failed = KWTestCallCount(static_cast<KWTestKind>(k)) >= n;
            // Once the n-th call is never reached the command runs as usual.
            finished = !failed;
            EXPECT_TRUE(allowed.count(out.status)) << c.name << " " << kind << ":" << n << " gave " << out.status
                                                   << " " << out.arg1 << " " << out.arg2;
            if (finished) {
                EXPECT_EQ(out.status, 1000) << c.name << " " << kind << ":" << n;
            }
            seen.insert(out.status);
            expectNothingLive();
        }
        EXPECT_TRUE(finished) << c.name << " " << kind;
        if (std::string(kind) == "mem") {
            for (int32_t code : c.blockOutcomes) EXPECT_TRUE(seen.count(code)) << c.name << " never gave " << code;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, Faults, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

// Which check a failing reply buffer stops, in the order the checks run.
TEST_F(DevicesTest, BufferFailuresStopTheChecksInOrder) {
    std::vector<int32_t> outcomes;
    for (int n = 1; n < 50; ++n) {
        failAt("xbuf", n);
        Outcome out = run(CmdConfigBattery, "battery", "action=delaylearn controller=0 battery=0 days=1");
        if (outcomes.empty() || outcomes.back() != out.status) outcomes.push_back(out.status);
        if (KWTestCallCount(KWTEST_XBUF) < n) break;
    }
    EXPECT_EQ(outcomes, (std::vector<int32_t>{1600, 1620, 1614, 1662, 1000}));
}

}  // namespace
}  // namespace devtest
