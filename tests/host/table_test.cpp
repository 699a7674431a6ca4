// Table and csv views, and the progress of --wait: what the goldens of the
// default system cannot reach (narrow terminals, values that need quoting,
// roles of disks in every situation, progress that jumps).
#include <gtest/gtest.h>

#include <sstream>

#include "table.h"
#include "wait.h"

namespace {

using rkhost::Object;

Object disk(const std::string& target, const std::string& mask = "10000000000", const std::string& spareFor = "") {
    Object o = {{"GlobalNo", "0"}, {"Channel", "0"}, {"EnclosureID", "0"}, {"TargetID", target},
                {"ObjType", "PhysicalDisk"}, {"State", "Ready"}, {"BusProtocol", "8"},
                {"Length", "1199638052864"}, {"FreeLength", "0"}, {"AttributesMask", mask}};
    if (!spareFor.empty()) o.emplace_back("HotSpareFor", spareFor);
    return o;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST(TableView, RolesComeFromMemberListsAndSpareBits) {
    const std::vector<Object> vdisks = {
        {{"GlobalNo", "0"}, {"LogicalDriveNum", "3"}, {"ObjType", "VirtualDisk"}, {"Disks", "0:0:1, 0:0:2"}},
        {{"GlobalNo", "0"}, {"LogicalDriveNum", "4"}, {"ObjType", "VirtualDisk"}, {"Disks", "0:0:2"}},
        {{"GlobalNo", "1"}, {"LogicalDriveNum", "0"}, {"ObjType", "VirtualDisk"}, {"Disks", "0:0:5"}}};
    const std::vector<Object> disks = {disk("1"), disk("2"), disk("3", "10010000000"), disk("4", "10100000000", "3"),
                                       disk("5"), disk("6", "00000000000")};
    const auto rows = lines(rkhost::renderCsv(disks, vdisks));
    const char* const roles[] = {"vdisk 3", "\"vdisks 3, 4\"", "global hot spare", "hot spare of vdisk 3",
                                 "free" /* member on another controller */, "free"};
    ASSERT_EQ(rows.size(), std::size(roles) + 1);
    for (size_t i = 0; i < std::size(roles); ++i)
        EXPECT_NE(rows[i + 1].find(std::string(",") + roles[i] + ","), std::string::npos) << rows[i + 1];
    // A disk outside an enclosure is connector:target.
    EXPECT_EQ(rows[6].rfind("0:6,", 0), 0u) << rows[6];
    // Without the virtual disks, only spares know their role.
    const auto unknown = lines(rkhost::renderCsv(disks, std::nullopt));
    EXPECT_NE(unknown[1].find(",unknown,"), std::string::npos) << unknown[1];
    EXPECT_NE(unknown[3].find(",global hot spare,"), std::string::npos) << unknown[3];
}

TEST(TableView, CutsTheWidestColumnsOnlyWhereTheTerminalIsNarrower) {
    std::vector<Object> vdisks;
    for (const char* name : {"Short", "A name \xC3\xA9" "crit far longer than the others"})
        vdisks.push_back({{"GlobalNo", "0"}, {"LogicalDriveNum", "1"}, {"ObjType", "VirtualDisk"}, {"Name", name},
                          {"State", "Ready"}, {"Layout", "64"}, {"Length", "1024"}, {"Disks", "0:0:1,0:0:2"}});
    const std::string wide = rkhost::renderTable(vdisks, {}, 0);
    size_t widest = 0;
    for (const auto& line : lines(wide)) widest = std::max(widest, rkhost::displayWidth(line));
    EXPECT_EQ(wide.find("\xE2\x80\xA6"), std::string::npos);
    for (size_t width : {widest, widest - 1, size_t{60}}) {
        const std::string text = rkhost::renderTable(vdisks, {}, width);
        for (const auto& line : lines(text)) EXPECT_LE(rkhost::displayWidth(line), width) << line;
        EXPECT_EQ(text.find("\xE2\x80\xA6") != std::string::npos, width < widest) << text;
        EXPECT_NE(text.find("RAID-5"), std::string::npos) << "narrow columns stay whole\n" << text;
    }
    // Narrower than every column's floor: cut, never broken.
    for (const auto& line : lines(rkhost::renderTable(vdisks, {}, 10))) EXPECT_LE(rkhost::displayWidth(line), 44u);
}

TEST(CsvView, QuotesWhatWouldBreakARecordAndGivesBytes) {
    const std::vector<Object> objects = {
        {{"ObjType", "Connector"}, {"Channel", "0"}, {"Name", "a,b"}, {"State", "say \"hi\""}},
        {{"ObjType", "Connector"}, {"Channel", "1"}, {"Name", "two\nlines"}, {"State", "Ready"}},
        {{"ObjType", "Controller"}, {"GlobalNo", "0"}, {"CacheSize", "1073741824"}}};
    const std::string csv = rkhost::renderCsv(objects, {});
    EXPECT_NE(csv.find("Connector,0,\"a,b\",\"say \"\"hi\"\"\""), std::string::npos) << csv;
    EXPECT_NE(csv.find("\"two\nlines\""), std::string::npos) << csv;
    EXPECT_NE(csv.find(",1073741824,"), std::string::npos) << csv;
    EXPECT_EQ(csv.rfind("Kind,", 0), 0u) << "several kinds share one header with their kind\n" << csv;
}

TEST(TableView, UnknownKindsAndEmptyRepliesAreLeftToText) {
    EXPECT_FALSE(rkhost::hasColumns({}));
    EXPECT_FALSE(rkhost::hasColumns({disk("1"), {{"ObjType", "Gadget"}}}));
    EXPECT_TRUE(rkhost::hasColumns({disk("1")}));
}

TEST(WaitProgress, OneLinePerTenPercentStepWhenNotATerminal) {
    rkhost::ProgressView view("Rebuild", false);
    std::string out;
    for (int p : {0, 3, 9, 10, 11, 35, 36, 99}) out += view.update(p, 1.0 + p);
    out += view.finish("completed", 120, true);
    const auto shown = lines(out);
    const char* const expected[] = {"Rebuild: 0%", "Rebuild: 10%", "Rebuild: 35%", "Rebuild: 99%", "Rebuild: 100%",
                                    "Rebuild completed."};
    ASSERT_EQ(shown.size(), std::size(expected)) << out;
    for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i].rfind(expected[i], 0), 0u) << shown[i];
}

TEST(WaitProgress, TheBarIsRedrawnInPlaceOnATerminal) {
    rkhost::ProgressView view("Learn Cycle", true);
    const std::string first = view.update(10, 10), second = view.update(20, 20);
    EXPECT_EQ(first.rfind("\r\x1b[K", 0), 0u);
    EXPECT_EQ(second.find('\n'), std::string::npos);
    // 10 % more in 20 s: the 80 % left take 2:40.
    EXPECT_NE(second.find("20%  0:20 elapsed, about 2:40 left"), std::string::npos) << second;
    const std::string end = view.finish("cancelled", 30, false);
    EXPECT_EQ(end, "\nLearn Cycle cancelled.\n");
    // A line wider than the terminal would wrap and could not be redrawn.
    for (size_t columns : {80u, 60u, 40u, 20u}) {
        rkhost::ProgressView narrow("Background Initialization", true, columns);
        const std::string line = narrow.update(55, 3725);
        EXPECT_LT(rkhost::displayWidth(line) - 4, columns) << line;  // less "\r\x1b[K"
        EXPECT_EQ(line.find('\n'), std::string::npos);
    }
}

TEST(WaitProgress, OutcomeIsTheNewestEventAboutTheObject) {
    auto event = [](const char* object, const char* text) {
        return Object{{"Time", "t"}, {"Severity", "Info"}, {"Object", object}, {"Text", text}};
    };
    struct Case {
        std::vector<Object> events;
        bool completed;
        const char* outcome;
    } cases[] = {
        {{event("Virtual Disk 1", "check consistency completed")}, true, "completed"},
        {{event("Virtual Disk 1", "check consistency completed"), event("Virtual Disk 2", "rebuild failed")},
         true, "completed"},
        {{event("Virtual Disk 1", "check consistency cancelled")}, false, "cancelled"},
        {{event("Virtual Disk 2", "check consistency completed")}, false, "ended without completing"},
        {{}, false, "ended without completing"},
    };
    for (const auto& c : cases) {
        std::string outcome;
        EXPECT_EQ(rkhost::taskCompleted(c.events, "Virtual Disk 1", outcome), c.completed);
        EXPECT_EQ(outcome, c.outcome);
    }
}

TEST(WaitProgress, ReportLineKeepsOnlyWhatNamesTheObject) {
    EXPECT_EQ(rkhost::reportLineFor({"rkconfig", "storage", "vdisk", "action=reconfigure", "controller=0",
                                     "VDisk=1", "raid=r5", "pdisk=0:0:2,0:0:3"}),
              (std::vector<std::string>{"rkreport", "storage", "vdisk", "controller=0", "VDisk=1"}));
    EXPECT_EQ(rkhost::reportLineFor({"rkconfig", "storage", "battery", "action=startlearn", "controller=1",
                                     "battery=0"}),
              (std::vector<std::string>{"rkreport", "storage", "battery", "controller=1", "battery=0"}));
    EXPECT_EQ(rkhost::clockText(3725), "1:02:05");
}

}  // namespace
