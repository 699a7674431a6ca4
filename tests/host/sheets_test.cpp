// Replies shown every way the host shows them, compared with the reviewed
// text in sheets/rendered.txt (RK_UPDATE_GOLDEN=1 rewrites it): every sheet
// on an empty reply; each reply of sheets/ (named "<sheet>.<case>.xml") on its
// sheet, written without the sheet where the fast writer takes it (byte for
// byte the sheet's text), as csv and a 60-column table, and as metrics; and
// an alert log read from a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e.h"
#include "listing.h"
#include "openmetrics.h"
#include "render.h"
#include "table.h"

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

// The other forms of a reply; the virtual disks it holds give its disks their roles.
std::string otherForms(const std::string& sheet, const std::string& name, const std::string& text,
                       const std::vector<rkhost::Object>& objects) {
    auto tables = rkhost::readSheetTables(kSheets + sheet);
    auto fast = tables ? rkhost::listingText(*tables, objects) : std::nullopt;
    if (fast) {
        EXPECT_EQ(*fast, text) << name;
    }
    std::string out = fast ? "-- written without the sheet too\n" : "-- left to the sheet\n";
    std::vector<rkhost::Object> vdisks;
    std::copy_if(objects.begin(), objects.end(), std::back_inserter(vdisks), [](const rkhost::Object& o) {
        return std::find(o.begin(), o.end(), std::pair<std::string, std::string>{"ObjType", "VirtualDisk"}) != o.end();
    });
    const rkhost::VirtualDisks known = vdisks.empty() ? std::nullopt : rkhost::VirtualDisks(vdisks);
    if (rkhost::hasColumns(objects))
        out += "-- csv\n" + rkhost::renderCsv(objects, known) + "-- table\n" + rkhost::renderTable(objects, known, 60);
    return out + "-- metrics\n" + rkhost::openMetrics(objects);
}

// Lines of four tab-separated fields; a missing one is empty, a fifth belongs to the text.
std::string alertLog() {
    kwtest::TempDir dir;
    std::ofstream(dir.file("log")) << "2026-01-02T03:04:05Z\tInfo\tController 0\tRate set\n\nt2\tWarning\tonly three\n"
                                   << "t3\tCritical\t<obj>\ta & \"b\"\x07 \xff\twith tab\n";
    bool readable = false;
    const auto events = rkhost::readAlertLog(dir.file("log"), readable);
    EXPECT_TRUE(readable);
    rkhost::readAlertLog(dir.file("missing"), readable);
    EXPECT_FALSE(readable);
    return render("sysrep.xsl", rkhost::alertLogXml("/a&b", events)) +
           render("sysrep.xsl", rkhost::alertLogXml("/l", {}));
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
        const std::string name = c.filename().string();
        if (c.extension() == ".xsl") {
            const std::string sheet = fs::relative(c, kSheets).string();
            out += "== " + sheet + " on an empty reply\n" + render(sheet, "<Reply command=\"x\" status=\"0\"></Reply>");
            continue;
        }
        const std::string sheet = "vw/cli/" + name.substr(0, name.find('.')) + ".xsl", reply = readFile(c);
        const std::string text = render(sheet, reply);
        out += "== " + name + "\n" + text + otherForms(sheet, name, text, rkhost::replyObjects(reply));
    }
    out += "== an alert log, then an empty one\n" + alertLog();
    const fs::path golden = kCases / "rendered.txt";
    if (const char* update = std::getenv("RK_UPDATE_GOLDEN"); update && *update) std::ofstream(golden) << out;
    EXPECT_EQ(out, readFile(golden));
}

TEST(StyleSheets, FailuresAreReportedNotHidden) {
    std::string out, error;
    EXPECT_FALSE(rkhost::applyStyleSheet(kSheets + "vw/cli/NoSuch.xsl", "<Reply/>", out, error));
    EXPECT_NE(error.find("NoSuch.xsl"), std::string::npos);
    EXPECT_FALSE(rkhost::applyStyleSheet(kSheets + "vw/cli/RptCntrl.xsl", "<Reply><unclosed>", out, error));
    EXPECT_TRUE(rkhost::replyObjects("not xml").empty());
    EXPECT_EQ(rkhost::readSheetTables(kSheets + "common.xsl"), nullptr);
    EXPECT_EQ(rkhost::readSheetTables(kSheets + "missing.xsl"), nullptr);
}

}  // namespace
