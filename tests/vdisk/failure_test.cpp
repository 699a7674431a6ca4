// A silent agent is rejected as the object whose check it answers (the cases
// of silent.txt), and an admission check without a buffer does not refuse.
#include <stdlib.h>

#include <algorithm>

#include "vdisk_fixture.h"

namespace vdtest {
namespace {

using Failures = VdiskTest;

TEST_F(Failures, SilentAgentRejectsAsTheObjectAsked) {
    for (const CaseLine& c : readCases("silent.txt", 2)) {
        std::vector<std::string> statuses = split(c.fields[1], ';');
        statuses.push_back("1000");  // n past the last request: nothing fails
        for (size_t n = 1; n <= statuses.size(); ++n) {
            failAt("reply", static_cast<int>(n));
            Outcome out = runCommand(split(c.fields[0], ';'));
            EXPECT_EQ(out.status, std::stoi(statuses[n - 1])) << c.where << " n=" << n;
            // Each silent request ends the run; the last run asks every one.
            const size_t asked = std::min(n, statuses.size() - 1);
            EXPECT_EQ(KWTestCallCount(KWTEST_REPLY), static_cast<int>(asked)) << c.where << " n=" << n;
            expectNothingLive();
        }
    }
}

TEST_F(Failures, AdmissionWithoutBufferLetsTheDiskCheckDecide) {
    // The admission check answers 272 without a reply buffer; only -1 refuses,
    // so the candidate check decides and the assignment goes through.
    const std::vector<std::string> line = {"action=assigndedicatedhotspare", "controller=0", "vdisk=0", "adisk=0:0:5",
                                           "assign=yes"};
    int sent = 0;
    for (int n = 1; n < 50; ++n) {
        failAt("xbuf", n);
        agent.clearRequests();
        Outcome out = runCommand(line);
        if (KWTestCallCount(KWTEST_XBUF) < n) break;
        if (out.status != 1000) continue;
        ++sent;
        EXPECT_EQ(writes().back(), (Request{"vexcmd=setVDDedicatedHotSpare", "GlobalNo=0", "LogicalDriveNum=0",
                                            "adisk=0:0:5", "set=yes"}));
    }
    EXPECT_EQ(sent, 2);  // the virtual disk's disks, then the vendor
}

}  // namespace
}  // namespace vdtest
