// Every counted call of every kind made to fail in turn, over creation and
// the rate actions: no crash, an outcome the failing place is documented to
// give, a request that is either the normal one or not sent, and nothing
// left live.
#include <set>

#include "ctrl_fixture.h"

namespace ctrltest {
namespace {

using Faults = ControllerTest;

constexpr int32_t kNoRecord = -1;  // the command produced no response record

struct FaultCase {
    std::vector<std::string> line;
    // What each kind of failure may lead to besides the normal outcome.
    std::set<int32_t> mem, xbuf, resp, reply, dom;
};

int32_t statusOf(const Outcome& out) { return out.answered ? out.status : kNoRecord; }

void sweep(const FaultCase& c, void (*expectNothingLive)()) {
    unsetenv("KWTEST_FAIL");
    KWTestReset();
    const Outcome normal = runCommand(c.line);
    ASSERT_EQ(normal.status, 1000) << c.line[0] << " " << normal.arg1;

    const std::pair<const char*, const std::set<int32_t>*> kinds[] = {
        {"mem", &c.mem}, {"xbuf", &c.xbuf}, {"resp", &c.resp}, {"reply", &c.reply}, {"dom", &c.dom}};
    const KWTestKind ids[] = {KWTEST_MEM, KWTEST_XBUF, KWTEST_RESP, KWTEST_REPLY, KWTEST_DOM};
    for (size_t k = 0; k < 5; ++k) {
        int n = 1;
        for (; n < 1000; ++n) {
            setenv("KWTEST_FAIL", (std::string(kinds[k].first) + ":" + std::to_string(n)).c_str(), 1);
            KWTestReset();
            Outcome out = runCommand(c.line);
            bool failed = KWTestCallCount(ids[k]) >= n;
            std::string where = c.line[0] + " " + kinds[k].first + ":" + std::to_string(n);
            expectNothingLive();
            if (!failed) {
                EXPECT_EQ(out.status, 1000) << where;
                EXPECT_EQ(out.request, normal.request) << where;
                break;
            }
            int32_t status = statusOf(out);
            if (status == 1000)
                EXPECT_EQ(out.request, normal.request) << where;  // a tolerated failure changes nothing
            else
                EXPECT_TRUE(kinds[k].second->count(status)) << where << " gave " << status;
        }
        EXPECT_GT(n, 1) << c.line[0] << " never made a call of kind " << kinds[k].first;
    }
}

TEST_F(Faults, CreationSurvivesEveryFailure) {
    // Each check that cannot ask surfaces as its own object's rejection; the
    // framework's own failures as no record, 2101 (no answer to the request)
    // or 2102 (no memory).
    const std::set<int32_t> checks = {1600, 1602, 1609, 1610, 1614, 1621, 1623};
    FaultCase c;
    c.line = {"action=createvdisk", "controller=0", "raid=r5", "size=1g", "adisk=0:0:1,0:0:2,0:0:3", "name=Fresh",
              "readpolicy=ra"};
    c.mem = {2102, 1655};
    c.xbuf = {1600, 1602, 1609, 1610, 1621, 1623};
    c.resp = checks;
    c.resp.insert({kNoRecord, 2101, 2102});
    c.reply = checks;
    c.reply.insert(2101);
    c.dom = checks;
    c.dom.insert({2101, 2102});
    sweep(c, expectNothingLive);
}

TEST_F(Faults, RateActionsSurviveEveryFailure) {
    for (const char* action : {"setbgirate", "setrebuildrate", "setcheckconsistencyrate", "setreconstructrate"}) {
        FaultCase c;
        c.line = {std::string("action=") + action, "controller=0", "rate=40"};
        c.mem = {2102, 1655};
        c.xbuf = {1600, 1655};  // no buffer for the current rate: 1655
        c.resp = {kNoRecord, 1600, 1614, 2101, 2102};
        c.reply = {1600, 1614, 2101};
        c.dom = {1600, 1614, 1655, 2101, 2102};
        sweep(c, expectNothingLive);
    }
}

}  // namespace
}  // namespace ctrltest
