// The device and global configuration commands through the real binaries on
// the embedded default system, each change checked afterwards in a report or
// in the alert log.
#include <gtest/gtest.h>

#include <string>

#include "e2e.h"

namespace {

using kwtest::Cli;
using kwtest::RunResult;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class DevicesE2E : public ::testing::Test {
protected:
    // A configuration line that must go through.
    RunResult config(const std::string& line) {
        RunResult r = cli.line("rkconfig --format=json storage " + line);
        EXPECT_EQ(r.exitCode, 0) << line << "\n" << r.out << r.err;
        return r;
    }
    // A configuration line that a check must refuse with status.
    RunResult refused(const std::string& line, int status) {
        RunResult r = cli.line("rkconfig --format=json storage " + line);
        EXPECT_EQ(r.exitCode, 1) << line << "\n" << r.out << r.err;
        EXPECT_TRUE(contains(r.out, "\"status\": " + std::to_string(status))) << line << "\n" << r.out;
        return r;
    }
    std::string report(const std::string& line) {
        RunResult r = cli.line("rkreport --format=json storage " + line);
        EXPECT_EQ(r.exitCode, 0) << line << "\n" << r.out << r.err;
        return r.out;
    }
    std::string alertLog() { return cli.line("rkreport --format=json system alertlog").out; }

    Cli cli;
};

TEST_F(DevicesE2E, GlobalHotSpareAssignAndUnassign) {
    config("adisk action=assignglobalhotspare controller=0 adisk=0:0:7 assign=yes");
    EXPECT_TRUE(contains(report("pdisk controller=0 pdisk=0:0:7"), "\"HotSpareFor\": \"global\""));
    refused("pdisk action=assignglobalhotspare controller=0 pdisk=0:0:7 assign=yes", 1615);
    config("pdisk action=assignglobalhotspare controller=0 pdisk=0:0:7 assign=no");
    EXPECT_FALSE(contains(report("pdisk controller=0 pdisk=0:0:7"), "\"HotSpareFor\": \"global\""));
}

TEST_F(DevicesE2E, BlinkAndUnblink) {
    config("pdisk action=blink controller=0 pdisk=0:0:8");
    EXPECT_TRUE(contains(report("pdisk controller=0 pdisk=0:0:8"), "\"Blink\": \"On\""));
    config("pdisk action=unblink controller=0 pdisk=0:0:8");
    EXPECT_TRUE(contains(report("pdisk controller=0 pdisk=0:0:8"), "\"Blink\": \"Off\""));
}

TEST_F(DevicesE2E, ClearRunsWithProgressAndCanBeCancelled) {
    RunResult r = config("adisk action=clear controller=0 adisk=0:0:9");
    EXPECT_TRUE(contains(r.out, "\"Property=13\"")) << r.out;
    std::string disk = report("pdisk controller=0 pdisk=0:0:9");
    EXPECT_TRUE(contains(disk, "\"Progress\": \"")) << disk;
    EXPECT_FALSE(contains(disk, "\"Progress\": \"\"")) << disk;
    r = config("adisk action=cancelclear controller=0 adisk=0:0:9");
    EXPECT_TRUE(contains(r.out, "\"Property=14\"")) << r.out;
    refused("adisk action=cancelclear controller=0 adisk=0:0:9", 1615);
}

TEST_F(DevicesE2E, OfflineOnlineAndRebuildAfterAFailure) {
    config("pdisk action=offline controller=0 pdisk=0:0:0");
    EXPECT_TRUE(contains(report("pdisk controller=0 pdisk=0:0:0"), "\"State\": \"Offline\""));
    config("pdisk action=online controller=0 pdisk=0:0:0");
    EXPECT_TRUE(contains(report("pdisk controller=0 pdisk=0:0:0"), "\"State\": \"Online\""));

    // A member of the RAID 5 virtual disk drops out and is rebuilt.
    config("pdisk action=offline controller=0 pdisk=0:0:3");
    config("pdisk action=rebuild controller=0 pdisk=0:0:3");
    EXPECT_TRUE(contains(report("pdisk controller=0 pdisk=0:0:3"), "\"State\": \"Rebuilding\""));
    EXPECT_TRUE(contains(alertLog(), "rebuild started"));
}

TEST_F(DevicesE2E, BatteryLearnDelayWithinItsLimit) {
    RunResult r = refused("battery action=delaylearn controller=0 battery=0 days=7 hours=1", 1662);
    EXPECT_TRUE(contains(r.out, "\"7 days 1 hours\", \"7 days\"")) << r.out;
    r = config("battery action=delaylearn controller=0 battery=0 days=2 hours=3");
    EXPECT_TRUE(contains(r.out, "\"Days=2\", \"Hours=3\"")) << r.out;
    std::string log = alertLog();
    EXPECT_TRUE(contains(log, "\"Object\": \"Battery 0 on Controller 0\", \"Text\": \"learn cycle delayed by 51 hours"))
        << log;
}

TEST_F(DevicesE2E, EnclosureAssetTagAndName) {
    config("enclosure action=setassettag controller=0 enclosure=0:0 assettag=RACK05-U1");
    config("enclosure action=setassetname controller=0 enclosure=0:0 assetname=Backplane_B");
    std::string enclosure = report("enclosure controller=0 enclosure=0:0");
    EXPECT_TRUE(contains(enclosure, "\"AssetTag\": \"RACK05-U1\"")) << enclosure;
    EXPECT_TRUE(contains(enclosure, "\"AssetName\": \"Backplane_B\"")) << enclosure;
    refused("enclosure action=setassettag controller=0 enclosure=0:0 assettag=RACK05-U1", 1640);
    refused("enclosure action=setassettag controller=0 enclosure=0:0 assettag=RACK05-U123", 1663);
}

TEST_F(DevicesE2E, TemperatureThresholds) {
    // The lower threshold stays 5 and is blanked; only the upper one changes.
    RunResult r = config("enclosure action=settempprobes controller=0 enclosure=0:0 index=0 minwarn=5 maxwarn=50");
    EXPECT_TRUE(contains(r.out, "\"Index=0\", \"\", \"MaxWarning=50\"")) << r.out;
    std::string probes = report("enclosure controller=0 enclosure=0:0 info=temps index=0");
    EXPECT_TRUE(contains(probes, "\"MinWarning\": \"5\"")) << probes;
    EXPECT_TRUE(contains(probes, "\"MaxWarning\": \"50\"")) << probes;
    r = refused("enclosure action=settempprobes controller=0 enclosure=0:0 index=0 minwarn=0 maxwarn=50", 1624);
    EXPECT_TRUE(contains(r.out, "\"(1, 30)\", \"(35, 59)\"")) << r.out;
    refused("enclosure action=settempprobes controller=0 enclosure=0:0 index=0 minwarn=5 maxwarn=50", 1647);
}

TEST_F(DevicesE2E, ConnectorAndGlobalRescan) {
    config("connector action=rescan controller=0 connector=0");
    config("globalinfo action=globalrescan");
    std::string log = alertLog();
    EXPECT_TRUE(contains(log, "\"Object\": \"Connector 0 on Controller 0\", \"Text\": \"rescan completed\"")) << log;
    EXPECT_TRUE(contains(log, "\"Text\": \"global rescan completed\"")) << log;
}

}  // namespace
