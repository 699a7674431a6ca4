// The validation callback called directly: the cases of calls.txt, and a
// size that gets no block for its Length.
#include "vdisk_fixture.h"

namespace vdtest {
namespace {

using Callback = VdiskTest;

TEST_F(Callback, CasesOfTheCallFile) { runCallCases(CmdConfigVirtualDisksValidateFunc, "vdisk", agent); }

TEST_F(Callback, NoBlockForTheSizeLeavesTheRequestAsItWas) {
    // The four blocks of the request come first; every block after them fails.
    setenv("KWTEST_FAIL", "mem:5:persistent", 1);
    KWTestReset();
    const std::vector<std::string> request = {"GlobalNo=0", "LogicalDriveNum=0", "Length=5", "adisk=0:0:5"};
    CallbackCall call(CmdConfigVirtualDisksValidateFunc,
                      {"action=reconfigure", "controller=0", "vdisk=0", "adisk=0:0:5", "size=5"}, request, "untouched");
    EXPECT_EQ(call.run(), 1655);
    EXPECT_EQ(call.request(), request);
    EXPECT_EQ(call.first() + call.second(), "untoucheduntouched");
}

}  // namespace
}  // namespace vdtest
