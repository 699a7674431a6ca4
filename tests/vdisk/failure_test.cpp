// Injected failures over the three actions that ask the agent most: each
// counted call of each kind is made to fail in turn (n = 1, 2, ... until a
// run sees no failure). A silent agent is rejected as the object whose
// check it answers; every failure ends in a documented outcome, and nothing
// obtained is left live.
#include <stdlib.h>

#include <algorithm>
#include <set>

#include "vdisk_fixture.h"

namespace vdtest {
namespace {

struct Scenario {
    const char* name;
    std::vector<std::string> line;
    // The status when the n-th request to the agent gets no reply.
    std::vector<int32_t> silentAgentAt;
    // Every status any injected failure may end in.
    std::set<int32_t> outcomes;
};

const Scenario kScenarios[] = {
    {"reconfigure",
     {"action=reconfigure", "controller=0", "vdisk=0", "raid=r5", "adisk=0:0:5", "stripesize=64kb", "size=20"},
     {1600,   // controller list
      1622,   // virtual disks of the controller
      1614,   // method masks
      1609,   // RAID capability
      1602,   // disk check: controller,
      1602,   //   connectors,
      1602,   //   disks of the connector (none found: "None - ...")
      1613,   // stripe sizes
      1665,   // size change
      2101},  // the request itself
     {1600, 1604, 1622, 1614, 1609, 1602, 1627, 1613, 1665, 1655, 2101, 2102}},
    {"changepolicy",
     {"action=changepolicy", "controller=0", "vdisk=0", "readpolicy=nrc", "writepolicy=wt"},
     {1600, 1622, 1614,
      1610,   // read policy capability
      1611,   // write policy capability
      1652,   // read policy in force
      1653,   // write policy in force
      2101},
     {1600, 1604, 1622, 1614, 1610, 1611, 1652, 1653, 2101, 2102}},
    {"assigndedicatedhotspare",
     {"action=assigndedicatedhotspare", "controller=0", "vdisk=0", "adisk=0:0:5", "assign=yes"},
     {1600, 1622, 1614,
      1615,   // the virtual disk's disks
      1615,   // the vendor
      1629,   // candidates
      2101},
     // An admission check that cannot get a buffer lets the disk check decide.
     {1600, 1604, 1622, 1614, 1615, 1629, 2101, 2102, 1000}},
    {"release dedicatedhotspare",
     {"action=assigndedicatedhotspare", "controller=0", "vdisk=0", "adisk=0:0:3", "assign=no"},
     {1600, 1622, 1614,
      1602,   // virtual disks (ObjID)
      1602,   // association
      2101},
     {1600, 1604, 1622, 1614, 1602, 2101, 2102}},
};

const struct {
    const char* name;
    KWTestKind kind;
} kKinds[] = {
    {"reply", KWTEST_REPLY}, {"mem", KWTEST_MEM}, {"xbuf", KWTEST_XBUF}, {"resp", KWTEST_RESP}, {"dom", KWTEST_DOM},
};

class Failures : public VdiskTest {
protected:
    // Runs the line with the n-th call of the kind failing. Returns false
    // once a run makes fewer than n calls of that kind (nothing failed).
    bool runFailing(const Scenario& s, const char* kind, KWTestKind counted, long n, Outcome& out) {
        setenv("KWTEST_FAIL", (std::string(kind) + ":" + std::to_string(n)).c_str(), 1);
        KWTestReset();
        out = runCommand(s.line);
        expectNothingLive();
        return KWTestCallCount(counted) >= n;
    }
};

TEST_F(Failures, SilentAgentRejectsAsTheObjectAsked) {
    for (const auto& s : kScenarios) {
        long n = 1;
        Outcome out;
        for (; runFailing(s, "reply", KWTEST_REPLY, n, out); ++n) {
            ASSERT_LE(n, static_cast<long>(s.silentAgentAt.size())) << s.name << ": more requests than expected";
            ASSERT_TRUE(out.answered) << s.name << " n=" << n;
            EXPECT_EQ(out.status, s.silentAgentAt[n - 1]) << s.name << " n=" << n;
        }
        EXPECT_EQ(n - 1, static_cast<long>(s.silentAgentAt.size())) << s.name;
        EXPECT_EQ(out.status, 1000) << s.name << ": the run without failure";
    }
}

TEST_F(Failures, EveryFailureEndsInADocumentedOutcome) {
    for (const auto& s : kScenarios) {
        for (const auto& k : kKinds) {
            Outcome out;
            long n = 1;
            for (; runFailing(s, k.name, k.kind, n, out); ++n) {
                ASSERT_LT(n, 500) << s.name << " " << k.name;
                // A record that could not be had is no answer; anything else is documented.
                if (!out.answered) continue;
                // A lookup that cannot parse its reply reads as an absent element:
                // after the virtual disk was found, the optional ParentVDID of
                // an object, or a further object, going missing changes nothing.
                if (k.kind == KWTEST_DOM && out.status == 1000) continue;
                EXPECT_TRUE(s.outcomes.count(out.status)) << s.name << " " << k.name << ":" << n << " gave "
                                                          << out.status;
            }
            EXPECT_TRUE(out.answered) << s.name << " " << k.name;
            EXPECT_EQ(out.status, 1000) << s.name << " " << k.name << ": the run without failure";
        }
    }
}

TEST_F(Failures, SizeBlockFailureIsOutOfMemory) {
    // Exactly one block of a reconfigure with a size is the callback's: the
    // rewritten Length argument. Without it nothing is sent.
    const Scenario& s = kScenarios[0];
    int outOfMemory = 0;
    Outcome out;
    for (long n = 1; runFailing(s, "mem", KWTEST_MEM, n, out); ++n) {
        ASSERT_LT(n, 500);
        if (out.status != 1655) continue;
        ++outOfMemory;
        EXPECT_TRUE(out.arg1.empty() && out.arg2.empty());
        EXPECT_TRUE(writes().empty());
        agent.clearRequests();
    }
    EXPECT_EQ(outOfMemory, 1);
}

TEST_F(Failures, AdmissionWithoutBufferLetsTheDiskCheckDecide) {
    // The admission check answers 272 without a reply buffer; only -1 refuses,
    // so the candidate check decides and the assignment goes through.
    const Scenario& s = kScenarios[2];
    int sent = 0;
    Outcome out;
    for (long n = 1; runFailing(s, "xbuf", KWTEST_XBUF, n, out); ++n) {
        ASSERT_LT(n, 500);
        if (out.status == 1000) {
            ++sent;
            EXPECT_EQ(writes().back(), (Request{"vexcmd=setVDDedicatedHotSpare", "GlobalNo=0", "LogicalDriveNum=0",
                                                "adisk=0:0:5", "set=yes"}));
        }
    }
    EXPECT_EQ(sent, 2);  // the virtual disk's disks, then the vendor
}

}  // namespace
}  // namespace vdtest
