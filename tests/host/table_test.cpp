// Tables on narrow terminals, and the progress of --wait: progress that
// jumps, bars on terminals of any width, outcomes from the alert log.
#include <gtest/gtest.h>

#include <sstream>

#include "table.h"
#include "wait.h"

namespace {

using rkhost::Object;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST(TableView, CutsTheWidestColumnsOnlyWhereTheTerminalIsNarrower) {
    std::vector<Object> vdisks;
    for (const char* name : {"Short", "A name \xC3\xA9" "crit far longer than the others"})
        vdisks.push_back({{"GlobalNo", "0"}, {"LogicalDriveNum", "1"}, {"ObjType", "VirtualDisk"}, {"Name", name},
                          {"State", "Ready"}, {"Layout", "64"}, {"Length", "1024"}, {"Disks", "0:0:1,0:0:2"}});
    size_t widest = 0;
    for (const auto& line : lines(rkhost::renderTable(vdisks, {}, 0)))
        widest = std::max(widest, rkhost::displayWidth(line));
    for (size_t width : {widest + 1, widest, widest - 1, size_t{60}}) {
        const std::string text = rkhost::renderTable(vdisks, {}, width);
        for (const auto& line : lines(text)) EXPECT_LE(rkhost::displayWidth(line), width) << line;
        EXPECT_EQ(text.find("\xE2\x80\xA6") != std::string::npos, width < widest) << text;
        EXPECT_NE(text.find("RAID-5"), std::string::npos) << "narrow columns stay whole\n" << text;
    }
    // Narrower than every column's floor: cut, never broken.
    for (const auto& line : lines(rkhost::renderTable(vdisks, {}, 10))) EXPECT_LE(rkhost::displayWidth(line), 44u);
    EXPECT_FALSE(rkhost::hasColumns({}));
}

TEST(WaitProgress, OneLinePerTenPercentStepWhenNotATerminalAndABarInPlaceOnOne) {
    rkhost::ProgressView view("Rebuild", false);
    std::string out;
    for (int p : {0, 3, 9, 10, 11, 35, 36, 99}) out += view.update(p, 1.0 + p);
    out += view.finish("completed", 120, true);
    const std::vector<std::string> expected = {"Rebuild: 0%", "Rebuild: 10%", "Rebuild: 35%", "Rebuild: 99%",
                                               "Rebuild: 100%", "Rebuild completed."};
    const auto shown = lines(out);
    ASSERT_EQ(shown.size(), expected.size()) << out;
    for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i].rfind(expected[i], 0), 0u) << shown[i];

    rkhost::ProgressView bar("Learn Cycle", true);
    EXPECT_EQ(bar.update(10, 10).rfind("\r\x1b[K", 0), 0u);
    // 10 % more in 20 s: the 80 % left take 2:40.
    EXPECT_NE(bar.update(20, 20).find("20%  0:20 elapsed, about 2:40 left"), std::string::npos);
    EXPECT_EQ(bar.finish("cancelled", 30, false), "\nLearn Cycle cancelled.\n");
    // A line wider than the terminal would wrap and could not be redrawn.
    for (size_t columns : {80u, 40u, 20u}) {
        const std::string line = rkhost::ProgressView("Background Initialization", true, columns).update(55, 3725);
        EXPECT_LT(rkhost::displayWidth(line) - 4, columns) << line;  // less "\r\x1b[K"
        EXPECT_EQ(line.find('\n'), std::string::npos);
    }
}

TEST(WaitProgress, OutcomeIsTheNewestEventAboutTheObject) {
    auto event = [](const char* object, const char* text) {
        return Object{{"Time", "t"}, {"Severity", "Info"}, {"Object", object}, {"Text", text}};
    };
    const Object done = event("Virtual Disk 1", "check consistency completed");
    const struct { std::vector<Object> events; bool completed; const char* outcome; } cases[] = {
        {{done}, true, "completed"},
        {{done, event("Virtual Disk 2", "rebuild failed")}, true, "completed"},
        {{event("Virtual Disk 1", "check consistency cancelled")}, false, "cancelled"},
        {{event("Virtual Disk 2", "check consistency completed")}, false, "ended without completing"},
        {{}, false, "ended without completing"},
    };
    for (const auto& c : cases) {
        std::string outcome;
        EXPECT_EQ(rkhost::taskCompleted(c.events, "Virtual Disk 1", outcome), c.completed);
        EXPECT_EQ(outcome, c.outcome);
    }
    EXPECT_EQ(rkhost::reportLineFor({"rkconfig", "storage", "vdisk", "action=reconfigure", "controller=0", "VDisk=1",
                                     "raid=r5", "pdisk=0:0:2,0:0:3"}),
              (std::vector<std::string>{"rkreport", "storage", "vdisk", "controller=0", "VDisk=1"}));
    EXPECT_EQ(rkhost::clockText(3725), "1:02:05");
}

}  // namespace
