// Reading replies and the alert log for the json output and the sheets.
#include <gtest/gtest.h>

#include <fstream>

#include "e2e.h"
#include "render.h"

namespace {

TEST(ReplyObjects, KeepObjectsAndElementsInReplyOrder) {
    auto objects = rkhost::replyObjects(
        "<?xml version=\"1.0\"?><Reply status=\"0\"><DCStorageObject><B>2</B><A>1 &amp; 2</A><E/></DCStorageObject>"
        "<DCStorageObject/></Reply>");
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0], (rkhost::Object{{"B", "2"}, {"A", "1 & 2"}, {"E", ""}}));
    EXPECT_TRUE(objects[1].empty());
    EXPECT_TRUE(rkhost::replyObjects("not xml").empty());
    EXPECT_TRUE(rkhost::replyObjects("").empty());
}

TEST(AlertLog, ReadsTabSeparatedEventsAndWritesThemAsXml) {
    kwtest::TempDir dir;
    std::ofstream(dir.file("log")) << "t1\tInfo\tController 0\tRate set\n\nt2\tWarning\tonly three\n"
                                   << "t3\tCritical\tobj\ttext\twith tab\n";
    bool readable = false;
    auto events = rkhost::readAlertLog(dir.file("log"), readable);
    EXPECT_TRUE(readable);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], (rkhost::Object{{"Time", "t1"}, {"Severity", "Info"}, {"Object", "Controller 0"}, {"Text", "Rate set"}}));
    EXPECT_EQ(events[1][3], (std::pair<std::string, std::string>{"Text", ""}));
    EXPECT_EQ(events[2][3].second, "text\twith tab");

    std::string xml = rkhost::alertLogXml("/a&b", {{{"Time", "<1>"}, {"Text", std::string("bell\x07 \"q\"")}}});
    EXPECT_EQ(xml, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<AlertLog Path=\"/a&amp;b\"><Event><Time>&lt;1&gt;</Time>"
                   "<Text>bell &quot;q&quot;</Text></Event></AlertLog>\n");

    auto none = rkhost::readAlertLog(dir.file("missing"), readable);
    EXPECT_FALSE(readable);
    EXPECT_TRUE(none.empty());
}

}  // namespace
