// rkconfig storage controller through the real programs: creation changes
// what the reports show, sizes arrive in bytes, rates and patrol read mode
// are compared with the live controller, and the checks refuse with their
// codes and message arguments. Every run also checks that the plug-in left
// nothing live (KWTEST_LEAKS).
//
// Default system, controller 0: disks 0:0:0 to 0:0:11 behind connector 0;
// virtual disks 0 (r1 on 0:0:0,0:0:1) and 1 (r5 on 0:0:2 to 0:0:5); 0:0:6
// is a hot spare; 0:0:7 to 0:0:11 are free. Every rate is 30. Controller 1
// offers only the "disable" patrol read mode.
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

struct Answer {
    int exitCode = -1;
    int status = 0;
    std::vector<std::string> args;
    std::vector<std::string> request;
};

const char kDisks[] = "0:0:0, 0:0:1, 0:0:2, 0:0:3, 0:0:4, 0:0:5, 0:0:6, 0:0:7, 0:0:8, 0:0:9, 0:0:10, 0:0:11";

class ControllerEndToEnd : public ::testing::Test {
protected:
    explicit ControllerEndToEnd(std::string profile = "") : cli(std::move(profile)) {}

    Value run(const std::string& command, const std::vector<std::string>& words, int* exitCode) {
        std::vector<std::string> args = {"--format=json"};
        args.insert(args.end(), words.begin(), words.end());
        RunResult r = cli.run(command, args, {{"KWTEST_LEAKS", "1"}});
        EXPECT_NE(r.exitCode, 70) << "objects left live: " << r.err;
        *exitCode = r.exitCode;
        Value v;
        std::string error;
        EXPECT_TRUE(jsoncheck::Reader(r.out).read(v, error)) << error << "\n" << r.out << r.err;
        return v;
    }

    Answer config(const std::vector<std::string>& parameters) {
        std::vector<std::string> words = {"storage", "controller"};
        words.insert(words.end(), parameters.begin(), parameters.end());
        Answer a;
        Value v = run("rkconfig", words, &a.exitCode);
        if (const Value* status = v.member("status")) a.status = static_cast<int>(status->number);
        if (const Value* args = v.member("args"))
            for (const auto& item : args->items) a.args.push_back(item.string);
        if (const Value* request = v.member("request"))
            for (const auto& item : request->items) a.request.push_back(item.string);
        return a;
    }

    std::vector<std::map<std::string, std::string>> report(const std::vector<std::string>& words) {
        int exitCode = -1;
        Value v = run("rkreport", words, &exitCode);
        EXPECT_EQ(exitCode, 0);
        std::vector<std::map<std::string, std::string>> out;
        if (const Value* objects = v.member("objects"))
            for (const auto& o : objects->items) {
                std::map<std::string, std::string> m;
                for (const auto& [name, value] : o.members) m[name] = value.string;
                out.push_back(m);
            }
        return out;
    }

    std::map<std::string, std::string> controller(const std::string& number) {
        auto objects = report({"storage", "controller", "controller=" + number});
        return objects.empty() ? std::map<std::string, std::string>{} : objects[0];
    }

    Cli cli;
};

TEST_F(ControllerEndToEnd, CreatedVirtualDiskShowsInTheReport) {
    Answer made = config({"action=createvdisk", "controller=0", "raid=r5", "size=10g", "adisk=0:0:7,0:0:8,0:0:9",
                          "name=Fresh", "readpolicy=ra"});
    EXPECT_EQ(made.exitCode, 0);
    EXPECT_EQ(made.status, 1000);
    EXPECT_EQ(made.request, (std::vector<std::string>{"vexcmd=setCntrlCreateVD", "GlobalNo=0",
                                                      "adisk=0:0:7,0:0:8,0:0:9", "Length=10737418240", "Layout=64",
                                                      "Name=Fresh", "ReadPolicy=4"}));
    bool found = false;
    for (const auto& vd : report({"storage", "vdisk", "controller=0"})) {
        if (vd.count("Name") == 0 || vd.at("Name") != "Fresh") continue;
        found = true;
        EXPECT_EQ(vd.at("Layout"), "64");
        EXPECT_EQ(vd.at("Length"), "10737418240");
    }
    EXPECT_TRUE(found);
}

TEST_F(ControllerEndToEnd, CreationConsumesTheDisksSpace) {
    Answer made = config({"action=createvdisk", "controller=0", "raid=r1", "size=max", "adisk=0:0:10,0:0:11"});
    ASSERT_EQ(made.status, 1000);
    for (const auto& disk : report({"storage", "pdisk", "controller=0", "pdisk=0:0:10"}))
        EXPECT_EQ(disk.at("FreeLength"), "0");

    // Nothing is left on those disks: a second creation is refused and nothing is sent.
    Answer again = config({"action=createvdisk", "controller=0", "raid=r1", "size=1g", "adisk=0:0:10,0:0:11"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.status, 1623);
    EXPECT_TRUE(again.request.empty());

    // Deleting the virtual disk gives the space back.
    auto created = report({"storage", "vdisk", "controller=0"});
    ASSERT_FALSE(created.empty());
    const std::string number = created.back().at("LogicalDriveNum");
    std::vector<std::string> words = {"storage", "vdisk", "action=deletevdisk", "controller=0", "vdisk=" + number};
    int exitCode = -1;
    run("rkconfig", words, &exitCode);
    EXPECT_EQ(exitCode, 0);
    for (const auto& disk : report({"storage", "pdisk", "controller=0", "pdisk=0:0:10"}))
        EXPECT_EQ(disk.at("FreeLength"), disk.at("Length"));
}

TEST_F(ControllerEndToEnd, SizesArriveInBytes) {
    Answer big = config({"action=createvdisk", "controller=0", "raid=r1", "size=100000g", "pdisk=0:0:10,0:0:11"});
    EXPECT_EQ(big.status, 1646);
    ASSERT_EQ(big.args.size(), 2u);
    EXPECT_EQ(big.args[0], "104857600");
    const std::string maximum = big.args[1];
    EXPECT_FALSE(maximum.empty());

    Answer onePointFive = config({"action=createvdisk", "controller=0", "raid=r1", "size=1.5g", "pdisk=0:0:10,0:0:11"});
    EXPECT_EQ(onePointFive.status, 1000);
    EXPECT_EQ(onePointFive.request.at(3), "Length=1610612736");

    Answer rest = config({"action=createvdisk", "controller=0", "raid=r0", "size=MAX", "adisk=0:0:11"});
    EXPECT_EQ(rest.status, 1000);
    EXPECT_EQ(rest.request.at(3).rfind("Length=", 0), 0u);
    Answer tooSmall = config({"action=createvdisk", "controller=0", "raid=r0", "size=99m", "adisk=0:0:7"});
    EXPECT_EQ(tooSmall.status, 1646);
    Answer megabytes = config({"action=createvdisk", "controller=0", "raid=r0", "size=150.5m", "adisk=0:0:7"});
    EXPECT_EQ(megabytes.status, 1000);
    EXPECT_EQ(megabytes.request.at(3), "Length=157810688");
}

TEST_F(ControllerEndToEnd, CreationIsRefusedWithItsCodes) {
    struct Refused {
        std::vector<std::string> line;
        int status;
        std::vector<std::string> args;
    };
    const Refused cases[] = {
        {{"raid=r5", "size=1g", "adisk=0:0:7,0:0:8", "controller=9"}, 1600, {"9", "0, 1"}},
        {{"raid=c", "size=1g", "adisk=0:0:7,0:0:8,0:0:9"}, 1609, {"c", "r0, r1, r5, r6, r10, r50, r60"}},
        {{"raid=r5", "size=1g", "adisk=0:0:7,0:0:99,0:0:9"}, 1602, {"0:0:99", kDisks}},
        {{"raid=r5", "size=1g"}, 1667, {"", ""}},
        {{"raid=r5", "size=1g", "adisk=0:0:7", "pdisk=0:0:8"}, 1668, {"", ""}},
        {{"raid=r5", "size=1g", "adisk=0:0:7,0:0:8,0:0:9", "name=bad!name"}, 1621,
         {"bad!name", "[A-Z,a-z,0-9,-, ,_] and cannot start/end with spaces."}},
        {{"raid=r5", "size=1g", "adisk=0:0:7,0:0:8,0:0:9", "writepolicy=wc"}, 1611, {"wc", "wb, wt, fwb"}},
        {{"raid=r5", "size=1g", "adisk=0:0:7,0:0:8"}, 1636, {"", ""}},
        {{"raid=r5", "size=1g", "adisk=0:0:7,0:0:8,0:0:9", "spanlength=3"}, 1651, {"", ""}},
        {{"raid=r50", "size=1g", "adisk=0:0:6,0:0:7,0:0:8,0:0:9,0:0:10,0:0:11"}, 1631, {"", ""}},
        {{"raid=r5", "size=10gb", "adisk=0:0:7,0:0:8,0:0:9"}, 1606, {"", ""}},
        {{"raid=r5", "size=10x", "adisk=0:0:7,0:0:8,0:0:9"}, 1607, {"", ""}},
        {{"raid=r5", "size=1g", "adisk=0:0:6,0:0:7,0:0:8"}, 1623, {"", ""}},  // 0:0:6 is a hot spare
    };
    for (const Refused& c : cases) {
        std::vector<std::string> line = {"action=createvdisk"};
        bool hasController = false;
        for (const auto& word : c.line) hasController = hasController || word.rfind("controller=", 0) == 0;
        if (!hasController) line.push_back("controller=0");
        line.insert(line.end(), c.line.begin(), c.line.end());
        Answer a = config(line);
        EXPECT_EQ(a.exitCode, 1) << c.status;
        EXPECT_EQ(a.status, c.status);
        EXPECT_EQ(a.args, c.args) << c.status;
    }
    EXPECT_EQ(report({"storage", "vdisk", "controller=0"}).size(), 2u);  // nothing was created
}

TEST_F(ControllerEndToEnd, RatesAreComparedWithTheLiveController) {
    EXPECT_EQ(config({"action=setbgirate", "controller=0", "rate=30"}).status, 1656);
    EXPECT_EQ(config({"action=setrebuildrate", "controller=0", "rate=30"}).status, 1648);
    EXPECT_EQ(config({"action=setreconstructrate", "controller=0", "rate=30"}).status, 1658);
    EXPECT_EQ(config({"action=setcheckconsistencyrate", "controller=0", "rate=30"}).status, 1659);

    Answer changed = config({"action=setbgirate", "controller=0", "rate=45"});
    EXPECT_EQ(changed.status, 1000);
    EXPECT_EQ(changed.request,
              (std::vector<std::string>{"vexcmd=setCntrlBGIRate", "GlobalNo=0", "Rate=45", "AttribType=1"}));
    EXPECT_EQ(controller("0")["BGIRate"], "45");
    EXPECT_EQ(config({"action=setbgirate", "controller=0", "rate=45"}).status, 1656);

    EXPECT_EQ(config({"action=setrebuildrate", "controller=0", "rate=60"}).status, 1000);
    EXPECT_EQ(controller("0")["RebuildRate"], "60");
}

TEST_F(ControllerEndToEnd, PatrolReadModeMustBeOffered) {
    Answer refused = config({"action=setpatrolreadmode", "controller=1", "mode=auto"});
    EXPECT_EQ(refused.status, 1660);
    EXPECT_EQ(refused.args, (std::vector<std::string>{"auto", "disable"}));
    Answer manual = config({"action=setpatrolreadmode", "controller=0", "mode=manual"});
    EXPECT_EQ(manual.status, 1000);
    EXPECT_EQ(controller("0")["PatrolReadMode"], "2");
}

TEST_F(ControllerEndToEnd, DebugNeedsNoController) {
    Answer a = config({"action=debug"});
    EXPECT_EQ(a.status, 1000);
    EXPECT_EQ(a.request, (std::vector<std::string>{"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=1", "param0=debug"}));
}

class FullController : public ControllerEndToEnd {
protected:
    FullController() : ControllerEndToEnd(std::string(CTRL_E2E_PROFILES) + "/at-limit.xml") {}
};

TEST_F(FullController, CreationAtTheLimitSaysSo) {
    Answer a = config({"action=createvdisk", "controller=0", "raid=r5", "size=1g", "adisk=0:0:1,0:0:2,0:0:3"});
    EXPECT_EQ(a.exitCode, 1);
    EXPECT_EQ(a.status, 1642);
    EXPECT_EQ(a.args, (std::vector<std::string>{"1", ""}));
}

}  // namespace
