// The style sheets that render replies as text, run through the host's own
// XSLT call on replies shaped like the agent's.
#include <gtest/gtest.h>

#include <regex>

#include "render.h"

namespace {

const std::string kSheets = std::string(RK_SOURCE_DIR) + "/share/xsl/";

std::string render(const std::string& sheet, const std::string& xml) {
    std::string out, error;
    EXPECT_TRUE(rkhost::applyStyleSheet(kSheets + sheet, xml, out, error)) << sheet << ": " << error;
    return out;
}

std::string reply(const std::string& objects) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Reply command=\"x\" status=\"0\">" + objects + "</Reply>";
}

std::string object(const std::string& elements) { return "<DCStorageObject>" + elements + "</DCStorageObject>"; }

// "  Label   : value" with any padding.
::testing::AssertionResult hasRow(const std::string& text, const std::string& label, const std::string& value) {
    std::regex row("(^|\n)  " + std::regex_replace(label, std::regex("[()]"), "\\$&") + " *: " +
                   std::regex_replace(value, std::regex("[()|.+*?\\[\\]]"), "\\$&") + "\n");
    if (std::regex_search(text, row)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no row '" << label << " : " << value << "' in:\n" << text;
}

TEST(ReportSheets, EachSaysPlainlyWhenThereIsNothing) {
    const std::pair<const char*, const char*> sheets[] = {
        {"vw/cli/RptCntrl.xsl", "No controllers found.\n"},
        {"vw/cli/RptADisk.xsl", "No physical disks found.\n"},
        {"vw/cli/RptVDisk.xsl", "No virtual disks found.\n"},
        {"vw/cli/RptChnl.xsl", "No connectors found.\n"},
        {"vw/cli/RptEncl.xsl", "No enclosures found.\n"},
        {"vw/cli/RptTemps.xsl", "No temperature probes found.\n"},
        {"vw/cli/RptFans.xsl", "No fans found.\n"},
        {"vw/cli/RptPS.xsl", "No power supplies found.\n"},
        {"vw/cli/RptEmms.xsl", "No EMMs found.\n"},
        {"vw/cli/RptBatry.xsl", "No batteries found.\n"},
        {"vw/cli/RptGlob.xsl", "No global storage information found.\n"},
        {"vw/cli/RptSumm.xsl", "System Summary\nNo enclosures found.\n"},
        {"vw/cli/RptVer.xsl", "Storage Controller Versions\nNo controllers found.\n"},
        {"kwclp.xsl", "No objects found.\n"},
    };
    for (const auto& [sheet, empty] : sheets) EXPECT_EQ(render(sheet, reply("")), empty) << sheet;
}

// Every block of a kind lines up alike, at the widest label the kind can
// show ("Maximum Learn Delay"), or wider for an element the kind does not know.
TEST(ReportSheets, AlignTheRowsOfEachBlock) {
    std::string out = render("vw/cli/RptBatry.xsl",
                             reply(object("<GlobalNo>0</GlobalNo><BatteryID>0</BatteryID><ObjType>Battery</ObjType>"
                                          "<ChargeLevel>87</ChargeLevel>") +
                                   object("<BatteryID>1</BatteryID>") +
                                   object("<BatteryID>2</BatteryID><AVeryLongElementNameIndeed>x</AVeryLongElementNameIndeed>")));
    EXPECT_EQ(out,
              "Battery 0\n"
              "  ID                  : 0\n"
              "  Controller          : 0\n"
              "  Charge              : 87%\n"
              "\n"
              "Battery 1\n"
              "  ID                  : 1\n"
              "\n"
              "Battery 2\n"
              "  ID                              : 2\n"
              "  A Very Long Element Name Indeed : x\n");
}

TEST(ReportSheets, ShowDisksTheWayUsersNameThem) {
    std::string out = render(
        "vw/cli/RptADisk.xsl",
        reply(object("<GlobalNo>0</GlobalNo><Channel>0</Channel><EnclosureID>0</EnclosureID><TargetID>3</TargetID>"
                     "<ObjType>PhysicalDisk</ObjType><State>Rebuilding</State><BusProtocol>8</BusProtocol>"
                     "<Length>299439751168</Length><AttributesMask>10000000000</AttributesMask>"
                     "<Task>Rebuild</Task><TaskStart>2026-01-02T03:04:05Z</TaskStart><Progress>45</Progress>"
                     "<MasterMethodMask>1011</MasterMethodMask>") +
              object("<Channel>1</Channel><EnclosureID>0</EnclosureID><TargetID>4</TargetID><State>Ready</State>"
                     "<BusProtocol>7</BusProtocol><Length>512</Length><HotSpareFor>global</HotSpareFor>") +
              object("<Channel>0</Channel><TargetID>5</TargetID><HotSpareFor>1</HotSpareFor>"
                     "<Length>1099511627776</Length>")));
    EXPECT_NE(out.find("Physical Disk 0:0:3\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Physical Disk 1:4\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Physical Disk 0:5\n"), std::string::npos) << out;
    EXPECT_TRUE(hasRow(out, "Status", "Rebuilding, 45%"));
    EXPECT_TRUE(hasRow(out, "Task Started", "2026-01-02 03:04:05 UTC"));
    EXPECT_TRUE(hasRow(out, "Capacity", "278.88 GB (299439751168 bytes)"));
    EXPECT_TRUE(hasRow(out, "Capacity", "512 bytes"));
    EXPECT_TRUE(hasRow(out, "Capacity", "1.00 TB (1099511627776 bytes)"));
    EXPECT_TRUE(hasRow(out, "Bus Protocol", "SAS"));
    EXPECT_TRUE(hasRow(out, "Hot Spare", "No"));
    EXPECT_TRUE(hasRow(out, "Hot Spare", "Global hot spare"));
    EXPECT_TRUE(hasRow(out, "Hot Spare", "Dedicated to virtual disk 1"));
    // Masks are for machines.
    EXPECT_EQ(out.find("Mask"), std::string::npos) << out;
    EXPECT_EQ(out.find("1011"), std::string::npos) << out;
}

TEST(ReportSheets, TurnCodesAndMasksIntoWords) {
    std::string out = render(
        "vw/cli/RptCntrl.xsl",
        reply(object("<GlobalNo>0</GlobalNo><Name>SAS 8i</Name><State>Ready</State><CacheSize>536870912</CacheSize>"
                     "<RAIDLevelsMask>1000001000110</RAIDLevelsMask><ReadPolicyMask>0</ReadPolicyMask>"
                     "<PatrolReadModeMask>100000000011</PatrolReadModeMask><PatrolReadMode>2</PatrolReadMode>"
                     "<RebuildRate>30</RebuildRate><Task>Patrol Read</Task><Progress>10</Progress>")));
    EXPECT_NE(out.find("Controller 0\n"), std::string::npos) << out;
    EXPECT_TRUE(hasRow(out, "Status", "Ready, Patrol Read 10%"));
    EXPECT_TRUE(hasRow(out, "Cache Memory Size", "512.00 MB (536870912 bytes)"));
    EXPECT_TRUE(hasRow(out, "Supported RAID Levels", "RAID-0, RAID-1, RAID-5, Concatenated RAID-1"));
    EXPECT_TRUE(hasRow(out, "Supported Read Policies", "None"));
    // A bit without a word is still shown.
    EXPECT_TRUE(hasRow(out, "Supported Patrol Read Modes", "Automatic, Manual, bit 2048"));
    EXPECT_TRUE(hasRow(out, "Patrol Read Mode", "Manual (manual)"));
    EXPECT_TRUE(hasRow(out, "Rebuild Rate", "30%"));
    out = render("vw/cli/RptVDisk.xsl",
                 reply(object("<LogicalDriveNum>1</LogicalDriveNum><State>Ready</State>"
                              "<Task>Check Consistency (paused)</Task><Progress>7</Progress>") +
                       object("<LogicalDriveNum>2</LogicalDriveNum><State>Degraded</State><Task>Rebuild</Task>")));
    EXPECT_TRUE(hasRow(out, "Status", "Ready, Check Consistency 7% (paused)"));
    EXPECT_TRUE(hasRow(out, "Status", "Degraded, Rebuild in progress"));
}

TEST(ReportSheets, ShowEveryElementTheyDoNotKnow) {
    std::string out = render("vw/cli/RptVDisk.xsl",
                             reply(object("<LogicalDriveNum>1</LogicalDriveNum><Layout>64</Layout><Layout2>x</Layout2>"
                                          "<MaxLearnDelay>5</MaxLearnDelay><BGIRate>3</BGIRate><ObjID>77</ObjID>"
                                          "<odd_name>a &amp; b &lt;c&gt; \xC3\xA9</odd_name><Empty/>"
                                          "<Note>two\nlines</Note><SomethingMask>1</SomethingMask>")));
    EXPECT_NE(out.find("Virtual Disk 1\n"), std::string::npos) << out;
    EXPECT_TRUE(hasRow(out, "Layout", "RAID-5 (r5)"));
    EXPECT_TRUE(hasRow(out, "Layout2", "x"));
    EXPECT_TRUE(hasRow(out, "Max Learn Delay", "5"));
    EXPECT_TRUE(hasRow(out, "BGI Rate", "3"));
    EXPECT_TRUE(hasRow(out, "Object ID", "77"));
    EXPECT_TRUE(hasRow(out, "odd name", "a & b <c> \xC3\xA9"));
    EXPECT_TRUE(hasRow(out, "Empty", ""));
    EXPECT_NE(out.find("  Note                : two\n                        lines\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("Something"), std::string::npos) << out;
}

TEST(ReportSheets, ValuesThatAreNotNumbersStayAsTheyCame) {
    std::string out = render("vw/cli/RptVDisk.xsl",
                             reply(object("<LogicalDriveNum>2</LogicalDriveNum><Length>big</Length><Layout>3</Layout>"
                                          "<StripeSize></StripeSize><ReadPolicy>-1</ReadPolicy>")));
    EXPECT_TRUE(hasRow(out, "Size", "big"));
    EXPECT_TRUE(hasRow(out, "Layout", "3"));
    // A known element without a value is left out.
    EXPECT_EQ(out.find("Stripe"), std::string::npos) << out;
    EXPECT_TRUE(hasRow(out, "Read Policy", "-1"));
}

TEST(ReportSheets, ObjectsOfSeveralKindsEachGetTheirOwnTitle) {
    std::string out = render(
        "vw/cli/RptCntrl.xsl",
        reply(object("<GlobalNo>0</GlobalNo><ObjType>Controller</ObjType>") +
              object("<Channel>0</Channel><EnclosureID>1</EnclosureID><BusProtocol>8</BusProtocol><ObjType>Enclosure</ObjType>") +
              object("<Index>2</Index><ObjType>TemperatureProbe</ObjType><Reading>31</Reading>"
                     "<LowEndMinWarning>5</LowEndMinWarning><HighEndMinWarning>40</HighEndMinWarning>") +
              object("<BatteryID>0</BatteryID><ObjType>Battery</ObjType><MaxLearnDelay>170</MaxLearnDelay>"
                     "<NextLearnTime>2026-02-03T04:05:06Z</NextLearnTime>") +
              object("<ObjType>Gadget</ObjType><Size>1</Size>") + object("<Whatever>1</Whatever>")));
    for (const char* title : {"Controller 0\n", "Enclosure 0:1\n", "Temperature Probe 2\n", "Battery 0\n", "Gadget\n"})
        EXPECT_NE(out.find(title), std::string::npos) << title << " in\n" << out;
    EXPECT_TRUE(hasRow(out, "Reading", "31 C"));
    EXPECT_TRUE(hasRow(out, "Minimum Warning Settable Range", "5 to 40 C"));
    EXPECT_TRUE(hasRow(out, "Maximum Learn Delay", "170 hours (7 days 2 hours)"));
    EXPECT_TRUE(hasRow(out, "Next Learn Cycle", "2026-02-03 04:05:06 UTC"));
    // An object of no known kind in a controller report is shown as a controller.
    EXPECT_TRUE(hasRow(out, "Whatever", "1"));
}

TEST(ReportSheets, NameTheControllerWhenAReplySpansSeveral) {
    std::string out = render("vw/cli/RptVDisk.xsl",
                             reply(object("<GlobalNo>0</GlobalNo><LogicalDriveNum>0</LogicalDriveNum>"
                                          "<Disks>0:0:0,0:0:1</Disks>") +
                                   object("<GlobalNo>1</GlobalNo><LogicalDriveNum>0</LogicalDriveNum>")));
    EXPECT_NE(out.find("Virtual Disk 0 on Controller 0\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Virtual Disk 0 on Controller 1\n"), std::string::npos) << out;
    EXPECT_TRUE(hasRow(out, "Physical Disks", "0:0:0, 0:0:1"));
    out = render("vw/cli/RptVDisk.xsl", reply(object("<GlobalNo>1</GlobalNo><LogicalDriveNum>3</LogicalDriveNum>")));
    EXPECT_NE(out.find("Virtual Disk 3\n"), std::string::npos) << out;
}

TEST(ReportSheets, TheVersionReportShowsVersionsOnly) {
    std::string out = render("vw/cli/RptVer.xsl",
                             reply(object("<GlobalNo>0</GlobalNo><Name>SAS 8i</Name><FirmwareVersion>2.1</FirmwareVersion>"
                                          "<DriverVersion>7.0</DriverVersion><RebuildRate>30</RebuildRate>")));
    EXPECT_EQ(out,
              "Storage Controller Versions\n\n"
              "Controller 0\n"
              "  ID               : 0\n"
              "  Name             : SAS 8i\n"
              "  Firmware Version : 2.1\n"
              "  Driver Version   : 7.0\n");
}

TEST(AlertLogSheet, ListsEventsInATable) {
    std::vector<rkhost::Object> events = {
        {{"Time", "2026-01-02T03:04:05Z"}, {"Severity", "Info"}, {"Object", "Virtual Disk 1"}, {"Text", "Blink on"}},
        {{"Time", "x"}, {"Severity", "Critical"}, {"Object", ""}, {"Text", "a <b> & c"}},
    };
    std::string out = render("sysrep.xsl", rkhost::alertLogXml("/var/log/alert.log", events));
    EXPECT_EQ(out,
              "Alert Log: /var/log/alert.log\n\n"
              "Time                     Severity  Object          Event\n"
              "2026-01-02 03:04:05 UTC  Info      Virtual Disk 1  Blink on\n"
              "x                        Critical                  a <b> & c\n"
              "\n2 events.\n");
    EXPECT_EQ(render("sysrep.xsl", rkhost::alertLogXml("/l", {})), "Alert Log: /l\n\nThe alert log is empty.\n");
}

TEST(StyleSheets, FailuresAreReportedNotHidden) {
    std::string out, error;
    EXPECT_FALSE(rkhost::applyStyleSheet(kSheets + "vw/cli/NoSuch.xsl", reply(""), out, error));
    EXPECT_NE(error.find("NoSuch.xsl"), std::string::npos);
    EXPECT_FALSE(rkhost::applyStyleSheet(kSheets + "vw/cli/RptCntrl.xsl", "<Reply><unclosed>", out, error));
}

}  // namespace
