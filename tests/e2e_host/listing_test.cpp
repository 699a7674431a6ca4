// Listings long enough to be written without their style sheet: the text
// must be what the sheet writes for the same reply, through the real
// programs, with a task running and controllers that differ.
#include <gtest/gtest.h>

#include "host_runner.h"
#include "render.h"

namespace {

TEST(LongListings, ReadAsTheirSheetsWriteThem) {
    kwtest::TempDir dir;
    auto made = kwtest::runProgram("/usr/bin/python3",
                                   {std::string(RK_SOURCE_DIR) + "/bench/genprofile.py", "--controllers", "2",
                                    "--connectors", "2", "--enclosures", "1", "--disks", "40", "--vdisks", "40",
                                    "-o", dir.file("many.xml")});
    if (made.exitCode != 0) GTEST_SKIP() << "python3 cannot write the profile here: " << made.err;
    hosttest::Cli cli(dir.file("many.xml"));
    auto started = cli.run("rkconfig", {"storage", "vdisk", "action=checkconsistency", "controller=0", "vdisk=3"});
    ASSERT_EQ(started.exitCode, 0) << started.err;
    const std::string sheets = kwtest::buildPath("share/rk/xsl/vw/cli/");
    const std::pair<std::vector<std::string>, const char*> reports[] = {
        {{"storage", "pdisk", "controller=0"}, "RptADisk.xsl"},
        {{"storage", "pdisk", "controller=1"}, "RptADisk.xsl"},
        {{"storage", "vdisk"}, "RptVDisk.xsl"},
    };
    for (const auto& [words, sheet] : reports) {
        auto text = cli.run("rkreport", words);
        auto xml = cli.run("rkreport", [&] { auto w = words; w.push_back("--format=xml"); return w; }());
        ASSERT_EQ(text.exitCode, 0) << text.err;
        std::string expected, error;
        ASSERT_TRUE(rkhost::applyStyleSheet(sheets + sheet, xml.out, expected, error)) << error;
        EXPECT_EQ(text.out, expected) << words[1];
        EXPECT_GE(std::count(text.out.begin(), text.out.end(), '\n'), 64 * 10) << words[1];
    }
}

}  // namespace
