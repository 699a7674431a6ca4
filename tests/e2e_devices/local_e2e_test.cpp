// The machine's own storage through the real programs: this machine's disks
// as the kernel shows them, and the test machine of tests/sysfs where every
// action but locate and rescan is refused by the plug-in's ordinary check.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "e2e.h"
#include "machine.h"

namespace {

using kwtest::Cli;
using kwtest::RunResult;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string firstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// Whole disks the kernel lists (what lsblk shows as disks, without
// loop, RAM, device-mapper, md and optical devices).
std::vector<std::string> wholeDisks() {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it("/sys/block", error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        bool other = false;
        for (const char* prefix : {"loop", "ram", "zram", "dm-", "md", "sr", "nbd", "fd"})
            other = other || name.rfind(prefix, 0) == 0;
        if (!other && std::filesystem::exists(it->path() / "device")) names.push_back(name);
    }
    return names;
}

TEST(LocalMachineE2E, ThisMachinesDisksAreListed) {
    if (wholeDisks().empty()) GTEST_SKIP() << "this machine has no disk";
    Cli cli;
    for (const char* line : {"rkreport --system=local storage controller",
                             "rkreport --system=local storage pdisk controller=0"}) {
        RunResult text = cli.line(line);
        EXPECT_EQ(text.exitCode, 0) << line << "\n" << text.out << text.err;
        RunResult json = cli.line(std::string(line) + " --format=json");
        EXPECT_EQ(json.exitCode, 0) << line << "\n" << json.err;
        EXPECT_TRUE(contains(json.out, "\"status\": 1000")) << json.out;
    }
    // Every disk of controller 0 is a disk of this machine, of the size the kernel gives it.
    RunResult disks = cli.line("rkreport --system=local storage pdisk controller=0 --format=json");
    std::regex pair("\"Name\": \"([^\"]+)\".*?\"Length\": \"([0-9]+)\"");
    int seen = 0;
    for (std::sregex_iterator it(disks.out.begin(), disks.out.end(), pair), end; it != end; ++it, ++seen) {
        std::string name = (*it)[1];
        EXPECT_EQ((*it)[2], std::to_string(std::stoll(firstLine("/sys/block/" + name + "/size")) * 512)) << name;
    }
    EXPECT_GT(seen, 0) << disks.out;
}

class TestMachineE2E : public ::testing::Test {
protected:
    void SetUp() override {
        root = cli.dir().file("machine");
        ASSERT_TRUE(kwtest::makeMachine(root));
        env = kwtest::machineEnvironment(root);
    }
    RunResult json(const std::string& line) { return cli.line(line + " --format=json", env); }

    Cli cli;
    std::string root;
    std::map<std::string, std::string> env;
};

TEST_F(TestMachineE2E, TheMdArrayShowsDegradedWithItsRecovery) {
    RunResult r = cli.line("rkreport storage vdisk controller=2", env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "Degraded")) << r.out;
    EXPECT_TRUE(contains(r.out, "37%")) << r.out;
    EXPECT_TRUE(contains(r.out, "0:0:0, 0:0:1, 0:0:2, 0:0:3")) << r.out;
    RunResult sata = json("rkreport storage pdisk controller=0 pdisk=0:0");
    EXPECT_TRUE(contains(sata.out, "\"InUse\": \"mounted on / (sda1); swap (sda2)\"")) << sata.out;
}

TEST_F(TestMachineE2E, OnlyLocateAndRescanGoThrough) {
    const struct {
        const char* line;
        int status;
    } cases[] = {
        {"rkconfig storage vdisk action=deletevdisk controller=2 vdisk=0", 1614},
        {"rkconfig storage pdisk action=offline controller=2 pdisk=0:0:0", 1614},
        {"rkconfig storage pdisk action=blink controller=0 pdisk=0:0", 1614},  // no slot to light
        {"rkconfig storage controller action=rescan controller=1", 1614},
        {"rkconfig storage controller action=rescan controller=2", 1000},
        {"rkconfig storage pdisk action=blink controller=2 pdisk=0:0:3", 1000},
    };
    for (const auto& c : cases) {
        RunResult r = json(c.line);
        EXPECT_TRUE(contains(r.out, "\"status\": " + std::to_string(c.status))) << c.line << "\n" << r.out << r.err;
        EXPECT_EQ(r.exitCode, c.status == 1000 ? 0 : 1) << c.line;
    }
    EXPECT_EQ(firstLine(kwtest::machineSlot(root, 3) + "/locate"), "1");
    EXPECT_EQ(json("rkconfig storage pdisk action=unblink controller=2 pdisk=0:0:3").exitCode, 0);
    EXPECT_EQ(firstLine(kwtest::machineSlot(root, 3) + "/locate"), "0");
}

}  // namespace
