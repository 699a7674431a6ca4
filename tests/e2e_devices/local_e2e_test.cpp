// This machine's own storage through the real programs: its disks as the kernel shows them. (The
// test machine of tests/sysfs: the scenarios.)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "e2e.h"

namespace {

// Whole disks the kernel lists (without loop, RAM, device-mapper, md and optical devices).
bool machineHasADisk() {
    std::error_code error;
    for (std::filesystem::directory_iterator it("/sys/block", error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        bool other = false;
        for (const char* prefix : {"loop", "ram", "zram", "dm-", "md", "sr", "nbd", "fd"})
            other = other || name.rfind(prefix, 0) == 0;
        if (!other && std::filesystem::exists(it->path() / "device")) return true;
    }
    return false;
}

TEST(LocalMachineE2E, ThisMachinesDisksAreListed) {
    if (!machineHasADisk()) GTEST_SKIP() << "this machine has no disk";
    kwtest::Cli cli;
    EXPECT_EQ(cli.line("rkreport --system=local storage controller").exitCode, 0);
    // Every disk of controller 0 is a disk of this machine, of the size the kernel gives it.
    const auto disks = cli.line("rkreport --system=local storage pdisk controller=0 --format=json").out;
    EXPECT_NE(disks.find("\"status\": 1000"), std::string::npos) << disks;
    const std::regex pair("\"Name\": \"([^\"]+)\".*?\"Length\": \"([0-9]+)\"");
    int seen = 0;
    for (std::sregex_iterator it(disks.begin(), disks.end(), pair), end; it != end; ++it, ++seen) {
        long long sectors = -1;
        std::ifstream("/sys/block/" + (*it)[1].str() + "/size") >> sectors;
        EXPECT_EQ((*it)[2], std::to_string(sectors * 512)) << (*it)[1];
    }
    EXPECT_GT(seen, 0) << disks;
}

}  // namespace
