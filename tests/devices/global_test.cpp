// rkconfig storage connector and globalinfo (with the service requests)
// through their handlers.
#include "devices_fixture.h"

namespace devtest {
namespace {

using Connector = DevicesTest;
using GlobalInfo = DevicesTest;

TEST_F(Connector, RescanAndRejections) {
    Outcome out = run(CmdConfigConnectors, "connector", "action=rescan controller=0 connector=1");
    EXPECT_EQ(out.status, 1000);
    EXPECT_EQ(out.request, (Strings{"vexcmd=setChnlRescan", "GlobalNo=0", "Channel=1"}));

    script("getChannelsForController", {"GlobalNo=0"},
           reply({{{"Channel", "0"}, {"MasterMethodMask", "0"}, {"CurrentMethodMask", "0"}},
                  {{"Channel", "1"}, {"MasterMethodMask", "1"}, {"CurrentMethodMask", "0"}}}));
    const std::vector<Expected> cases = {
        {"controller=2 connector=0", 1600, "2", "0, 1"},
        {"controller=0 connector=2", 1601, "2", "0, 1"},
        {"controller=0 connector=0", 1614, "rescan", ""},
        {"controller=0 connector=1", 1615, "rescan", ""},
    };
    expectAll(cases, [&](const char* params) {
        return run(CmdConfigConnectors, "connector", std::string("action=rescan ") + params);
    });
    EXPECT_EQ(agent.requestsFor("setChnlRescan").size(), 1u);
}

TEST_F(GlobalInfo, GlobalActionsByTheStorageObjectsMasks) {
    script("sendPassThruCmdToDCSIF", {"param0=report"}, reply({{{"MasterMethodMask", "011"}, {"CurrentMethodMask", "001"}}}));
    Outcome out = run(CmdConfigGlobalInfo, "globalinfo", "action=GlobalRescan");
    EXPECT_EQ(out.status, 1000) << "routed to the global table whatever its case";
    EXPECT_EQ(out.request, (Strings{"vexcmd=setCntrlGlobalRescan"}));
    out = run(CmdConfigGlobalInfo, "globalinfo", "action=enablests");
    EXPECT_EQ(out.status, 1615);
    EXPECT_EQ(out.arg1, "enablests");
    out = run(CmdConfigGlobalInfo, "globalinfo", "action=disablests");
    EXPECT_EQ(out.status, 1614);
    EXPECT_EQ(out.arg1, "disablests");

    silence("sendPassThruCmdToDCSIF");
    out = run(CmdConfigGlobalInfo, "globalinfo", "action=globalrescan");
    EXPECT_EQ(out.status, 1614) << "masks that cannot be read support nothing";
    agent.unmute();
    script("sendPassThruCmdToDCSIF", {"param0=report"}, reply({{{"MasterMethodMask", "0"}, {"CurrentMethodMask", "0"}}}));
    out = run(CmdConfigGlobalInfo, "globalinfo", "action=debug state=on queue=2 hel=3");
    EXPECT_EQ(out.status, 1000) << "debug whatever the masks";
    EXPECT_EQ(out.request, (Strings{"vexcmd=setDebugMode", "state=on", "queue=2", "hel=3"}));
}

TEST_F(GlobalInfo, ServiceRequest) {
    const std::vector<Expected> cases = {
        {"controller=0 vdisk=1 writepolicy=wea", 1000, "", ""},
        {"controller=5 vdisk=1 writepolicy=wc", 1600, "5", "0, 1"},
        {"controller=0 vdisk=4 writepolicy=wc", 1604, "4", "0, 1"},
        {"controller=1 vdisk=0 writepolicy=wc", 1622, "0", "1"},
        {"controller=1 vdisk=0", 1650, "", ""},  // without a write policy nothing is checked
    };
    expectAll(cases, [&](const char* params) {
        return call(CmdConfigServiceRequestValidateFunc, std::string("action=servicerequest ") + params);
    });
    Outcome out = run(CmdConfigGlobalInfo, "globalinfo", "action=servicerequest controller=0 vdisk=1 writepolicy=wea");
    EXPECT_EQ(out.status, 1000);
    EXPECT_EQ(out.request, (Strings{"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=1", "WritePolicy=16"}));

    script("getController", {"GlobalNo=0"}, reply({{{"GlobalNo", "0"}, {"Name", "tolv sata 1.5/6CH"}}}));
    EXPECT_EQ(call(CmdConfigServiceRequestValidateFunc, "controller=0 vdisk=1 writepolicy=nwc").status, 1000)
        << "the model name is compared ignoring case";
    script("getController", {"GlobalNo=0"}, reply({{{"GlobalNo", "0"}, {"Name", "RK SAS 8"}}}));
    EXPECT_EQ(call(CmdConfigServiceRequestValidateFunc, "controller=0 vdisk=1 writepolicy=nwc").status, 1650);
    out = call(CmdConfigServiceRequestValidateFunc, "vdisk=1 writepolicy=nwc");
    EXPECT_EQ(out.status, 1600);
    EXPECT_EQ(out.arg2, "") << "no controller given, no list";
}

TEST_F(GlobalInfo, ReplaceMissingDisk) {
    const std::vector<Expected> cases = {
        {"controller=0 vdisk=0 newpdisk=1:4 oldpdisk=9:9", 1000, "", ""},
        {"controller=9 vdisk=0 newpdisk=1:4 oldpdisk=0:1", 1600, "9", "0, 1"},
        {"controller=0 vdisk=3 newpdisk=1:4 oldpdisk=0:1", 1604, "3", "0, 1"},
        {"controller=0 vdisk=0 newpdisk=1:5 oldpdisk=0:1", 1602, "1:5", "0:0:0, 0:0:1, 1:4"},
    };
    expectAll(cases, [&](const char* params) {
        return run(CmdConfigGlobalInfo, "globalinfo", std::string("action=service_replacemissingpdisk ") + params);
    });
    EXPECT_EQ(agent.requestsFor("setVDAddMissingDisk").back(),
              (Strings{"vexcmd=setVDAddMissingDisk", "GlobalNo=0", "LogicalDriveNum=0", "newadisk=1:4", "oldadisk=9:9"}))
        << "the disk to be replaced is not checked";
    EXPECT_EQ(call(CmdConfigServiceMissingDiskValidateFunc, "controller=9").status, 1000) << "no new disk, no checks";
    // A controller without disks names none.
    script("getVirtualDisksForController", {"GlobalNo=1"}, reply({{{"LogicalDriveNum", "0"}}}));
    Outcome out = call(CmdConfigServiceMissingDiskValidateFunc, "controller=1 vdisk=0 newpdisk=0:1");
    EXPECT_EQ(out.status, 1602);
    EXPECT_EQ(out.arg2, "None - There are no array disks on this controller.");
}

TEST_F(GlobalInfo, PatrolReadRateAndDumpStore) {
    Outcome out = run(CmdConfigGlobalInfo, "globalinfo", "action=service_patrolreadrate controller=0 rate=40");
    EXPECT_EQ(out.status, 1000);
    EXPECT_EQ(out.request, (Strings{"vexcmd=setCntrlPatrolReadRate", "GlobalNo=0", "Rate=40", "AttribType=2"}));
    out = run(CmdConfigGlobalInfo, "globalinfo", "action=service_patrolreadrate controller=0 rate=30");
    EXPECT_EQ(out.status, 1657);
    EXPECT_EQ(out.arg1, "");
    EXPECT_EQ(out.arg2, "");
    out = run(CmdConfigGlobalInfo, "globalinfo", "action=service_patrolreadrate controller=3 rate=30");
    EXPECT_EQ(out.status, 1600);
    EXPECT_EQ(out.arg2, "0, 1");
    out = run(CmdConfigGlobalInfo, "globalinfo", "action=service_patrolreadrate controller=1 rate=30");
    EXPECT_EQ(out.status, 1661) << "controller 1 states no patrol read rate";

    // Without a rate there is nothing to compare; the request still says what it sets.
    out = call(CmdConfigService_PatrolReadRate_ValidateFunc, "controller=0", {"GlobalNo=0"});
    EXPECT_EQ(out.status, 1000);
    EXPECT_EQ(out.request, (Strings{"GlobalNo=0", "AttribType=2"}));

    out = run(CmdConfigGlobalInfo, "globalinfo", "action=Service_DumpStore");
    EXPECT_EQ(out.status, 1000);
    EXPECT_EQ(out.request, (Strings{"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=1", "param0=dump2"}));
}

}  // namespace
}  // namespace devtest
