// rkconfig storage vdisk through the real programs on the embedded default
// system: each action changes what the reports show afterwards, and the
// checks refuse what the new state no longer allows. Every run also checks
// that the plug-in left nothing live (KWTEST_LEAKS).
//
// Default system, controller 0: virtual disk 0 "System" (r1 on 0:0:0,0:0:1,
// in use by the running system),
// virtual disk 1 "Data" (r5 on 0:0:2 to 0:0:5) with dedicated hot spare
// 0:0:6; disks 0:0:7 to 0:0:11 are ready.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "../e2e_host/json_check.h"
#include "e2e.h"

namespace {

using jsoncheck::Value;
using kwtest::Cli;
using kwtest::RunResult;

Value parse(const RunResult& r) {
    Value v;
    std::string error;
    EXPECT_TRUE(jsoncheck::Reader(r.out).read(v, error)) << error << "\n" << r.out << r.err;
    return v;
}

struct Answer {
    int exitCode;
    int status;
    std::vector<std::string> args;
    std::vector<std::string> request;
};

class VdiskEndToEnd : public ::testing::Test {
protected:
    RunResult run(const std::string& command, const std::vector<std::string>& words) {
        std::vector<std::string> args = {"--format=json"};
        args.insert(args.end(), words.begin(), words.end());
        RunResult r = cli.run(command, args, {{"KWTEST_LEAKS", "1"}});
        EXPECT_NE(r.exitCode, 70) << "objects left live: " << r.err;
        return r;
    }

    Answer config(const std::vector<std::string>& parameters) {
        std::vector<std::string> words = {"storage", "vdisk"};
        words.insert(words.end(), parameters.begin(), parameters.end());
        RunResult r = run("rkconfig", words);
        Value v = parse(r);
        Answer a{r.exitCode, static_cast<int>(v.member("status") ? v.member("status")->number : 0), {}, {}};
        if (const Value* args = v.member("args"))
            for (const auto& item : args->items) a.args.push_back(item.string);
        if (const Value* request = v.member("request"))
            for (const auto& item : request->items) a.request.push_back(item.string);
        return a;
    }

    // The elements of one report's objects, each object as a name-value map.
    std::vector<std::map<std::string, std::string>> report(const std::vector<std::string>& words) {
        RunResult r = run("rkreport", words);
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        std::vector<std::map<std::string, std::string>> out;
        Value v = parse(r);
        if (const Value* objects = v.member("objects"))
            for (const auto& o : objects->items) {
                std::map<std::string, std::string> m;
                for (const auto& [name, value] : o.members) m[name] = value.string;
                out.push_back(m);
            }
        return out;
    }

    std::map<std::string, std::string> vdisk(const std::string& number) {
        auto objects = report({"storage", "vdisk", "controller=0", "vdisk=" + number});
        return objects.empty() ? std::map<std::string, std::string>{} : objects[0];
    }

    // HotSpareFor of the physical disk 0:0:target ("" when it is none).
    std::string hotSpareFor(const std::string& target) {
        for (auto& d : report({"storage", "pdisk", "controller=0"}))
            if (d["Channel"] == "0" && d["EnclosureID"] == "0" && d["TargetID"] == target) return d["HotSpareFor"];
        ADD_FAILURE() << "no disk 0:0:" << target;
        return "";
    }

    Cli cli;
};

TEST_F(VdiskEndToEnd, RenameShowsTheNewNameAndRefusesItAgain) {
    Answer a = config({"action=rename", "controller=0", "vdisk=1", "name=Archive"});
    EXPECT_EQ(a.status, 1000);
    EXPECT_EQ(a.request, (std::vector<std::string>{"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=1", "Name=Archive"}));
    EXPECT_EQ(vdisk("1")["Name"], "Archive");

    a = config({"action=rename", "controller=0", "vdisk=1", "name=Archive"});
    EXPECT_EQ(a.exitCode, 1);
    EXPECT_EQ(a.status, 1639);
    EXPECT_EQ(a.args, (std::vector<std::string>{"Archive", ""}));
    a = config({"action=rename", "controller=0", "vdisk=1", "name=ThisNameIsTooLong"});
    EXPECT_EQ(a.status, 1630);
    EXPECT_EQ(a.args, (std::vector<std::string>{"ThisNameIsTooLong", "15"}));
}

TEST_F(VdiskEndToEnd, ChangePolicyShowsTheNewPoliciesAndRefusesThemAgain) {
    Answer a = config({"action=changepolicy", "controller=0", "vdisk=1", "readpolicy=nra", "writepolicy=wt"});
    EXPECT_EQ(a.status, 1000);
    EXPECT_EQ(a.request, (std::vector<std::string>{"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=1",
                                                   "ReadPolicy=16", "WritePolicy=8"}));
    auto v = vdisk("1");
    EXPECT_EQ(v["ReadPolicy"], "16");
    EXPECT_EQ(v["WritePolicy"], "8");

    a = config({"action=changepolicy", "controller=0", "vdisk=1", "writepolicy=wt"});
    EXPECT_EQ(a.status, 1653);
    EXPECT_EQ(a.args, (std::vector<std::string>{"wt", ""}));
}

TEST_F(VdiskEndToEnd, DedicatedHotSpareAssignAndRelease) {
    ASSERT_EQ(hotSpareFor("6"), "1");
    Answer a = config({"action=assigndedicatedhotspare", "controller=0", "vdisk=0", "adisk=0:0:7", "assign=yes"});
    EXPECT_EQ(a.status, 1000);
    EXPECT_EQ(a.request, (std::vector<std::string>{"vexcmd=setVDDedicatedHotSpare", "GlobalNo=0", "LogicalDriveNum=0",
                                                   "adisk=0:0:7", "set=yes"}));
    EXPECT_EQ(hotSpareFor("7"), "0");

    a = config({"action=assigndedicatedhotspare", "controller=0", "vdisk=1", "pdisk=0:0:6", "assign=no"});
    EXPECT_EQ(a.status, 1000);
    EXPECT_EQ(hotSpareFor("6"), "");

    // Released: no longer a dedicated hot spare of virtual disk 1, which has none left.
    a = config({"action=assigndedicatedhotspare", "controller=0", "vdisk=1", "adisk=0:0:6", "assign=no"});
    EXPECT_EQ(a.status, 1602);
    EXPECT_EQ(a.args, (std::vector<std::string>{"0:0:6", ""}));
    // A disk in use cannot protect a virtual disk.
    a = config({"action=assigndedicatedhotspare", "controller=0", "vdisk=0", "adisk=0:0:2", "assign=yes"});
    EXPECT_EQ(a.status, 1629);
    EXPECT_EQ(a.args[0], "0:0:2");
}

TEST_F(VdiskEndToEnd, BlinkAndUnblink) {
    EXPECT_EQ(config({"action=blink", "controller=0", "vdisk=0"}).status, 1000);
    EXPECT_EQ(vdisk("0")["Blink"], "On");
    EXPECT_EQ(config({"action=unblink", "controller=0", "vdisk=0"}).status, 1000);
    EXPECT_EQ(vdisk("0")["Blink"], "Off");
}

TEST_F(VdiskEndToEnd, DeleteRemovesTheVirtualDisk) {
    Answer a = config({"action=deletevdisk", "controller=0", "vdisk=0", "force=yes"});
    EXPECT_EQ(a.status, 1000);
    EXPECT_EQ(a.request,
              (std::vector<std::string>{"vexcmd=setVDdelete", "GlobalNo=0", "LogicalDriveNum=0", "Force=yes"}));
    auto all = report({"storage", "vdisk", "controller=0"});
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0]["LogicalDriveNum"], "1");

    a = config({"action=blink", "controller=0", "vdisk=0"});
    EXPECT_EQ(a.status, 1604);
    EXPECT_EQ(a.args, (std::vector<std::string>{"0", "1"}));
}

TEST_F(VdiskEndToEnd, InitializeAndCheckConsistencyStartTasks) {
    EXPECT_EQ(config({"action=initialize", "controller=0", "vdisk=1"}).status, 1000);
    EXPECT_EQ(vdisk("1")["Task"], "Initialization");
    EXPECT_EQ(config({"action=checkconsistency", "controller=0", "vdisk=0"}).status, 1000);
    EXPECT_EQ(vdisk("0")["Task"], "Check Consistency");

    // A virtual disk busy with a task cannot be reconfigured now.
    Answer a = config({"action=reconfigure", "controller=0", "vdisk=0", "raid=r1", "adisk=0:0:0,0:0:1"});
    EXPECT_EQ(a.status, 1615);
    EXPECT_EQ(a.args, (std::vector<std::string>{"reconfigure", ""}));
}

TEST_F(VdiskEndToEnd, ReconfigureWithNewSizeAndDisk) {
    Answer a = config({"action=reconfigure", "controller=0", "vdisk=1", "raid=r5",
                       "adisk=0:0:2,0:0:3,0:0:4,0:0:5,0:0:8", "size=3000"});
    EXPECT_EQ(a.status, 1000);
    EXPECT_EQ(a.request, (std::vector<std::string>{"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=1",
                                                   "Layout=64", "Length=3221225472000",
                                                   "adisk=0:0:2,0:0:3,0:0:4,0:0:5,0:0:8"}));
    auto v = vdisk("1");
    EXPECT_EQ(v["Length"], "3221225472000");
    EXPECT_EQ(v["Disks"], "0:0:2,0:0:3,0:0:4,0:0:5,0:0:8");
}

TEST_F(VdiskEndToEnd, ReconfigureRefusesDisksThatCannotJoin) {
    Answer a = config({"action=reconfigure", "controller=0", "vdisk=1", "raid=r5", "adisk=0:0:2,0:0:6"});
    EXPECT_EQ(a.status, 1627);  // 0:0:6 is a dedicated hot spare
    EXPECT_EQ(a.args, (std::vector<std::string>{"0:0:6", ""}));
    a = config({"action=reconfigure", "controller=0", "vdisk=1", "raid=r5", "adisk=0:0:2,0:0:99"});
    EXPECT_EQ(a.status, 1602);
    ASSERT_EQ(a.args.size(), 2u);
    EXPECT_EQ(a.args[0], "0:0:99");
    EXPECT_EQ(a.args[1].rfind("0:0:0, 0:0:1, 0:0:2", 0), 0u) << a.args[1];
    a = config({"action=reconfigure", "controller=0", "vdisk=1", "raid=r5", "adisk=0:0:2", "size=3t"});
    EXPECT_EQ(a.status, 1607);
    EXPECT_EQ(vdisk("1")["Disks"], "0:0:2,0:0:3,0:0:4,0:0:5");  // nothing changed
}

// What destroys the data of the virtual disk that holds the running system
// is refused, naming it, what uses it and how to force it; force=yes does it.
TEST(InUseEndToEnd, DestroyingAnInUseVirtualDiskNeedsForce) {
    const std::vector<std::string> lines = {
        "rkconfig storage vdisk action=deletevdisk controller=0 vdisk=0",
        "rkconfig storage vdisk action=fastinit controller=0 vdisk=0",
        "rkconfig storage vdisk action=slowinit controller=0 vdisk=0",
        "rkconfig storage controller action=resetconfig controller=0",
    };
    for (const auto& line : lines) {
        SCOPED_TRACE(line);
        Cli cli;
        RunResult refused = cli.line(line);
        EXPECT_EQ(refused.exitCode, 1);
        for (const char* part : {"virtual disk 0 is in use", "running system", "force=yes"})
            EXPECT_NE(refused.err.find(part), std::string::npos) << part << " in: " << refused.err;
        EXPECT_EQ(cli.line(line + " force=yes").exitCode, 0);
    }
    Cli cli;
    RunResult report = cli.line("rkreport storage vdisk controller=0 vdisk=0");
    EXPECT_NE(report.out.find("In Use"), std::string::npos) << report.out;
}

}  // namespace
