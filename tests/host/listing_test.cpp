// Listings written without the sheet must be the sheet's text, byte for
// byte: each reply below is rendered both ways. Replies the fast writer was
// not made for must be left to the sheet.
#include <gtest/gtest.h>

#include "listing.h"
#include "render.h"

namespace {

const std::string kSheets = std::string(RK_SOURCE_DIR) + "/share/xsl/vw/cli/";

std::string reply(const std::vector<std::string>& objects) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Reply command=\"x\" status=\"0\">";
    for (const auto& o : objects) xml += "<DCStorageObject>" + o + "</DCStorageObject>";
    return xml + "</Reply>";
}

std::string disk(const std::string& target, const std::string& extra = "", const std::string& controller = "0") {
    return "<GlobalNo>" + controller + "</GlobalNo><Channel>0</Channel><EnclosureID>1</EnclosureID><TargetID>" + target +
           "</TargetID><ObjID>9</ObjID><ObjType>PhysicalDisk</ObjType><BusProtocol>8</BusProtocol>"
           "<MediaType>HDD</MediaType><AttributesMask>10000000000</AttributesMask>"
           "<MasterMethodMask>1</MasterMethodMask>" + extra;
}

std::string vdisk(const std::string& number, const std::string& extra) {
    return "<GlobalNo>0</GlobalNo><LogicalDriveNum>" + number + "</LogicalDriveNum><ObjType>VirtualDisk</ObjType>" + extra;
}

struct Case {
    const char* what;
    const char* sheet;
    std::vector<std::string> objects;
    bool fast;  // written without the sheet
};

TEST(Listing, WritesWhatTheSheetWrites) {
    std::vector<std::string> sizes;
    for (long long bytes : {0LL, 1023LL, 1024LL, 1536LL, 1048575LL, 299439751168LL, 1199638052864LL,
                            2147483648000LL, 1125899906842624LL * 3, 483810170197LL, 10737418240LL,
                            1152LL /* 1.125 KB: a half, rounded up */, 1664LL, 1073741824LL * 1023 + 1073741823LL})
        sizes.push_back(disk("1", "<Length>" + std::to_string(bytes) + "</Length><FreeLength> 12x </FreeLength>"));
    for (long long i = 1, bytes = 1; i < 60; ++i, bytes = (bytes * 7 + i * 104729) % 4000000000000000LL)
        sizes.push_back(disk("2", "<Length>" + std::to_string(bytes) + "</Length>"));
    const Case cases[] = {
        {"states, tasks and spares", "RptADisk.xsl",
         {disk("0", "<State>Online</State><Length>1199638052864</Length><UsedLength>0</UsedLength>"),
          disk("1", "<State>Rebuilding</State><Task>Rebuild</Task><Progress>45</Progress>"
                    "<TaskStart>2026-12-05T14:56:02Z</TaskStart>"),
          disk("2", "<State>Ready</State><Task>Clear  (paused)</Task><Progress>3</Progress><HotSpareFor>Global</HotSpareFor>"),
          disk("3", "<State></State><HotSpareFor>1</HotSpareFor><Vendor>  </Vendor><Name>two\nlines</Name>"),
          disk("4", "<State/><Task>Initialization</Task>")},
         true},
        {"sizes", "RptADisk.xsl", sizes, true},
        {"disks of several controllers, not in enclosures", "RptADisk.xsl",
         {disk("0", "<State>Online</State>", "0"), disk("0", "<AttributesMask>0</AttributesMask>", "1")}, true},
        {"virtual disks with maps and member lists", "RptVDisk.xsl",
         {vdisk("0", "<Name>System</Name><State>Ready</State><Layout>4</Layout><Length>299439751168</Length>"
                     "<Disks>0:0:0,0:0:1</Disks><ReadPolicy>4</ReadPolicy><WritePolicy>77</WritePolicy>"),
          vdisk("1", "<Name>Data</Name><State>Ready</State><Task>Check Consistency (paused)</Task>"
                     "<Progress>12</Progress><StripeSize>128</StripeSize><ObjID>27</ObjID><Progress>13</Progress>")},
         true},
        {"an element without a label", "RptADisk.xsl", {disk("0", "<Firmware2>x</Firmware2>")}, false},
        {"kinds whose types are the sheet's own", "RptCntrl.xsl",
         {"<GlobalNo>0</GlobalNo><ObjType>Controller</ObjType><RAIDLevelsMask>110</RAIDLevelsMask>"}, false},
        {"a sheet with a heading", "RptSumm.xsl", {disk("0")}, false},
        {"objects of no known kind", "RptADisk.xsl", {"<ObjType>Gadget</ObjType><Name>x</Name>"}, false},
    };
    for (const auto& c : cases) {
        const std::string xml = reply(c.objects);
        std::string slow, error;
        ASSERT_TRUE(rkhost::applyStyleSheet(kSheets + c.sheet, xml, slow, error)) << error;
        auto tables = rkhost::readSheetTables(kSheets + c.sheet);
        auto fast = tables ? rkhost::listingText(*tables, rkhost::replyObjects(xml)) : std::nullopt;
        EXPECT_EQ(fast.has_value(), c.fast) << c.what << "\n" << slow;
        if (fast) EXPECT_EQ(*fast, slow) << c.what;
    }
}

TEST(Listing, OnlySheetsThatNameTheirKind) {
    EXPECT_NE(rkhost::readSheetTables(kSheets + "RptADisk.xsl"), nullptr);
    EXPECT_EQ(rkhost::readSheetTables(kSheets + "RptSumm.xsl"), nullptr);  // a heading, a choice of elements
    EXPECT_EQ(rkhost::readSheetTables(kSheets + "common.xsl"), nullptr);
    EXPECT_EQ(rkhost::readSheetTables(kSheets + "missing.xsl"), nullptr);
}

}  // namespace
