// The style sheets that render replies as text, run through the host's own
// XSLT call: every sheet on an empty reply, and each reply of sheets/ (named
// "<sheet>.<case>.xml") on its sheet, compared with the reviewed text in
// sheets/rendered.txt (RK_UPDATE_GOLDEN=1 rewrites it; review the change).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "render.h"

namespace {

namespace fs = std::filesystem;
const std::string kSheets = std::string(RK_SOURCE_DIR) + "/share/xsl/";
const fs::path kCases = fs::path(RK_SOURCE_DIR) / "tests/host/sheets";

std::string render(const std::string& sheet, const std::string& xml) {
    std::string out, error;
    EXPECT_TRUE(rkhost::applyStyleSheet(kSheets + sheet, xml, out, error)) << sheet << ": " << error;
    return out;
}

std::string readFile(const fs::path& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

TEST(ReportSheets, RenderAsReviewed) {
    std::vector<fs::path> cases;
    for (const auto& entry : fs::directory_iterator(kCases))
        if (entry.path().extension() == ".xml") cases.push_back(entry.path());
    for (const auto& entry : fs::directory_iterator(kSheets + "vw/cli"))
        if (entry.path().filename().string().rfind("Rpt", 0) == 0) cases.push_back(entry.path());
    cases.push_back(kSheets + "kwclp.xsl");
    std::sort(cases.begin(), cases.end());
    std::string out;
    for (const auto& c : cases) {
        const bool empty = c.extension() == ".xsl";
        const std::string sheet = empty ? fs::relative(c, kSheets).string()
                                        : "vw/cli/" + c.filename().string().substr(0, c.filename().string().find('.')) + ".xsl";
        const std::string reply = empty ? "<?xml version=\"1.0\"?>\n<Reply command=\"x\" status=\"0\"></Reply>" : readFile(c);
        out += "== " + (empty ? sheet + " on an empty reply" : c.filename().string()) + "\n" + render(sheet, reply);
    }
    const fs::path golden = kCases / "rendered.txt";
    if (const char* update = std::getenv("RK_UPDATE_GOLDEN"); update && *update) std::ofstream(golden) << out;
    EXPECT_EQ(out, readFile(golden));
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
    EXPECT_FALSE(rkhost::applyStyleSheet(kSheets + "vw/cli/NoSuch.xsl", "<Reply/>", out, error));
    EXPECT_NE(error.find("NoSuch.xsl"), std::string::npos);
    EXPECT_FALSE(rkhost::applyStyleSheet(kSheets + "vw/cli/RptCntrl.xsl", "<Reply><unclosed>", out, error));
}

}  // namespace
