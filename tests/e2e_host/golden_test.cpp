// What users read: every report on the embedded default system in text and
// json, the answers of configuration commands, and every rejection message,
// compared with reviewed transcripts in golden/. Every line also runs in
// json (which must parse and carry what its kind of answer promises) and
// xml (which must be well-formed).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "host_runner.h"

namespace {

using hosttest::Cli;
using hosttest::expectGolden;
using hosttest::runChecked;
using hosttest::transcript;

const char* const kReports[] = {
    "rkreport storage controller",
    "rkreport storage controller controller=1",
    "rkreport storage pdisk controller=0",
    "rkreport storage pdisk controller=1",
    "rkreport storage adisk controller=0 adisk=0:0:3",
    "rkreport storage pdisk controller=0 vdisk=0",
    "rkreport storage pdisk controller=1 connector=2",
    "rkreport storage vdisk",
    "rkreport storage vdisk controller=0 vdisk=1",
    "rkreport storage connector controller=0",
    "rkreport storage connector controller=1 connector=4",
    "rkreport storage enclosure",
    "rkreport storage enclosure controller=0 enclosure=0:0",
    "rkreport storage enclosure controller=1",
    "rkreport storage enclosure controller=0 enclosure=0:0 info=temps",
    "rkreport storage enclosure controller=0 enclosure=0:0 info=temps index=1",
    "rkreport storage enclosure controller=0 enclosure=0:0 info=fans",
    "rkreport storage enclosure controller=0 enclosure=0:0 info=pwrsupplies",
    "rkreport storage enclosure controller=0 enclosure=0:0 info=emms",
    "rkreport storage battery",
    "rkreport storage battery controller=1",
    "rkreport storage globalinfo",
    "rkreport system summary",
    "rkreport system version",
    "rkreport servermodule version",
};

// Usage and help: generated from the tables, shown to everyone.
const char* const kUsage[] = {
    "rkreport storage -?",
    "rkconfig storage -?",
    "rkreport storage pdisk -?",
    "rkreport storage enclosure -?",
    "rkreport system summary -?",
    "rkconfig storage vdisk -?",
    "rkconfig storage controller action=createvdisk -?",
    "rkconfig storage battery action=delaylearn help",
};

// Rejections of the command line, of the checks and of the host.
const char* const kRejections[] = {
    // the command line
    "rkreport",
    "rkreport bogus",
    "rkreport storage disks",
    "rkreport storage vdisk stray",
    "rkreport storage vdisk controller=abc",
    "rkreport storage vdisk controller=0 bogus=1",
    "rkreport storage vdisk controller=0 controller=1",
    "rkreport storage enclosure info=temps",
    "rkconfig storage vdisk controller=0 vdisk=1",
    "rkconfig storage vdisk action=explode controller=0 vdisk=1",
    "rkconfig storage vdisk action=blink controller=0",
    "rkconfig storage controller action=setrebuildrate controller=0 rate=101",
    "rkconfig storage controller action=debug NumDCSIFArgs=2",
    "rkconfig storage vdisk action=rename controller=0 vdisk=1 name="
    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
    "rkreport --format=yaml storage controller",
    "rkreport --verbose storage controller",
    // identifiers
    "rkreport storage vdisk controller=7",
    "rkreport storage connector controller=0 connector=9",
    "rkreport storage pdisk controller=0 pdisk=0:0:99",
    "rkreport storage pdisk controller=0 pdisk=0:3",
    "rkreport storage vdisk controller=0 vdisk=9",
    "rkreport storage enclosure controller=0 enclosure=5",
    "rkreport storage enclosure controller=1 enclosure=0",
    "rkreport storage enclosure controller=0 enclosure=0:0 info=fans index=9",
    "rkreport storage enclosure controller=0 enclosure=0:0 info=temps index=9",
    "rkreport storage enclosure controller=0 enclosure=0:0 info=pwrsupplies index=9",
    "rkreport storage enclosure controller=0 enclosure=0:0 info=emms index=9",
    "rkreport storage battery controller=0 battery=3",
    "rkreport storage battery controller=1 battery=0",
    // configuration checks
    "rkconfig storage vdisk action=unblink controller=0 vdisk=1",
    "rkconfig storage vdisk action=rename controller=0 vdisk=1 name=Data",
    "rkconfig storage vdisk action=rename controller=0 vdisk=1 name=_bad!",
    "rkconfig storage vdisk action=rename controller=0 vdisk=1 name=AMuchTooLongName",
    "rkconfig storage vdisk action=changepolicy controller=0 vdisk=1 readpolicy=ra",
    "rkconfig storage vdisk action=changepolicy controller=0 vdisk=1 writepolicy=wb",
    "rkconfig storage vdisk action=changepolicy controller=0 vdisk=1 cachepolicy=d",
    "rkconfig storage vdisk action=changepolicy controller=0 vdisk=1 diskcachepolicy=disabled",
    "rkconfig storage vdisk action=changepolicy controller=1 vdisk=0 readpolicy=ra",
    "rkconfig storage vdisk action=assigndedicatedhotspare controller=0 vdisk=1 pdisk=0:0:0 assign=yes",
    "rkconfig storage vdisk action=assigndedicatedhotspare controller=0 vdisk=1 pdisk=0:0:7 assign=no",
    "rkconfig storage vdisk action=reconfigure controller=0 vdisk=1 raid=r5",
    "rkconfig storage vdisk action=reconfigure controller=0 vdisk=1 raid=r5 pdisk=0:0:2 adisk=0:0:3",
    "rkconfig storage controller action=createvdisk controller=0 raid=r5 size=10gb pdisk=0:0:7,0:0:8,0:0:9",
    "rkconfig storage controller action=createvdisk controller=0 raid=r5 size=10x pdisk=0:0:7,0:0:8,0:0:9",
    "rkconfig storage controller action=createvdisk controller=0 raid=r5 size=10 pdisk=0:0:7,0:0:8",
    "rkconfig storage controller action=createvdisk controller=0 raid=r1 size=10 pdisk=0:0:7,0:0:8,0:0:9",
    "rkconfig storage controller action=createvdisk controller=0 raid=r10 size=10 pdisk=0:0:7,0:0:8,0:0:9",
    "rkconfig storage controller action=createvdisk controller=0 raid=r5 size=10 pdisk=0:0:7,0:0:8,0:0:9 spanlength=3",
    "rkconfig storage controller action=createvdisk controller=0 raid=r5 size=99999 pdisk=0:0:7,0:0:8,0:0:9",
    "rkconfig storage controller action=createvdisk controller=0 raid=r5 size=10 pdisk=0:0:7,0:0:8,0:0:99",
    "rkconfig storage controller action=createvdisk controller=0 raid=r5 size=10 pdisk=0:0:7,0:0:8,0:0:9 name=bad!",
    "rkconfig storage controller action=createvdisk controller=1 raid=r60 size=10 pdisk=2:0,3:0",
    "rkconfig storage controller action=createvdisk controller=0 raid=r5 size=10",
    "rkconfig storage controller action=setrebuildrate controller=0 rate=30",
    "rkconfig storage controller action=setbgirate controller=0 rate=30",
    "rkconfig storage controller action=setreconstructrate controller=0 rate=30",
    "rkconfig storage controller action=setcheckconsistencyrate controller=0 rate=30",
    "rkconfig storage controller action=setpatrolreadmode controller=1 mode=auto",
    "rkconfig storage controller action=rescan controller=9",
    "rkconfig storage battery action=delaylearn controller=0 battery=0 days=7 hours=1",
    "rkconfig storage battery action=delaylearn controller=0 battery=0 days=0",
    "rkconfig storage enclosure action=setassettag controller=0 enclosure=0:0 assettag=RACK04-U12",
    "rkconfig storage enclosure action=setassettag controller=0 enclosure=0:0 assettag=bad!tag",
    "rkconfig storage enclosure action=setassettag controller=0 enclosure=0:0 assettag=ELEVENCHARS",
    "rkconfig storage enclosure action=setassetname controller=0 enclosure=0:0 assetname=Storage_backplane!",
    "rkconfig storage enclosure action=settempprobes controller=0 enclosure=0:0 index=0 minwarn=0 maxwarn=50",
    "rkconfig storage enclosure action=settempprobes controller=0 enclosure=0:0 index=0 minwarn=5 maxwarn=55",
    "rkconfig storage enclosure action=settempprobes controller=0 enclosure=0:0 index=7 minwarn=5 maxwarn=50",
    "rkconfig storage globalinfo action=servicerequest controller=0 vdisk=1 writepolicy=wc",
    "rkconfig storage globalinfo action=service_patrolreadrate controller=0 rate=30",
    "rkconfig storage pdisk action=online controller=0 pdisk=0:0:0",
};

// Configuration commands that go through, in order, on one state.
const char* const kConfiguration[] = {
    "rkconfig storage vdisk action=blink controller=0 vdisk=1",
    "rkconfig storage vdisk action=unblink controller=0 vdisk=1",
    "rkconfig storage controller action=setrebuildrate controller=0 rate=40",
    "rkconfig storage vdisk action=rename controller=0 vdisk=1 name=Archive",
    "rkconfig storage pdisk action=assignglobalhotspare controller=0 pdisk=0:0:9 assign=yes",
    "rkconfig storage enclosure action=setassettag controller=0 enclosure=0:0 assettag=RACK05",
    "rkconfig storage controller action=createvdisk controller=0 raid=r1 size=100g pdisk=0:0:7,0:0:8 name=Scratch",
    "rkconfig --dry-run storage vdisk action=deletevdisk controller=0 vdisk=2",
    "rkreport storage vdisk controller=0",
    "rkreport system alertlog",
};

std::string runAll(const Cli& cli, const char* const* lines, size_t count, bool allForms) {
    std::string out;
    for (size_t i = 0; i < count; ++i) out += transcript(cli, lines[i], runChecked(cli, lines[i], allForms));
    return out;
}

hosttest::RunResult runIn(const Cli& cli, const std::string& line, const char* format) {
    auto words = hosttest::split(line);
    std::string program = words.front();
    words.erase(words.begin());
    words.insert(words.begin(), format);
    return cli.run(program, words);
}

// The json form of a list of lines, one answer per line; each must parse
// and carry a status.
std::string jsonOf(const Cli& cli, const char* const* lines, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        auto r = runIn(cli, lines[i], "--format=json");
        auto value = hosttest::parsedJson(lines[i], r);
        EXPECT_TRUE(value.has("status")) << lines[i];
        out += "$ " + std::string(lines[i]) + " --format=json\n" + hosttest::stable(r.out, cli) + "\n";
    }
    return out;
}

TEST(Golden, ReportsOfTheDefaultSystem) {
    Cli cli;
    expectGolden("reports.txt", runAll(cli, kReports, std::size(kReports), true));
    expectGolden("reports.json", jsonOf(cli, kReports, std::size(kReports)));
}

// The table and csv views of every report: one transcript each, reviewed
// by eye. Every csv answer is also read by Python's csv module: one record
// per object (as json counts them) under a header, all of the header's width.
TEST(Golden, ReportsAsTableAndCsv) {
    Cli cli;
    std::string table, csv;
    for (const char* line : kReports) {
        auto t = runIn(cli, line, "--format=table");
        auto c = runIn(cli, line, "--format=csv");
        EXPECT_EQ(t.exitCode, 0) << line << t.err;
        EXPECT_EQ(c.exitCode, 0) << line << c.err;
        table += "$ " + std::string(line) + " --format=table\n" + hosttest::stable(t.out, cli) + "\n";
        csv += "$ " + std::string(line) + " --format=csv\n" + hosttest::stable(c.out, cli) + "\n";
        const auto json = hosttest::parsedJson(line, runIn(cli, line, "--format=json"));
        const auto* objects = json.member("objects");
        if (!objects || objects->items.empty() || c.out.find(',') == std::string::npos) continue;
        const std::string script =
            "import csv, sys\nrows = list(csv.reader(open(sys.argv[1], newline='')))\n"
            "print(len(rows), *sorted({len(r) for r in rows}))";
        kwtest::TempDir dir;
        std::ofstream(dir.file("out.csv")) << c.out;
        auto counted = kwtest::runProgram("/usr/bin/python3", {"-c", script, dir.file("out.csv")});
        if (counted.exitCode != 0) {  // no python3 here: the transcripts are still compared
            std::cerr << "csv not read back: " << counted.err << "\n";
            continue;
        }
        std::istringstream in(counted.out);
        size_t rows = 0, width = 0, widths = 0;
        in >> rows >> width;  // the records' widths, each once
        for (size_t more; in >> more;) ++widths;
        EXPECT_EQ(rows, objects->items.size() + 1) << line << "\n" << c.out;
        EXPECT_EQ(widths, 0u) << line << ": records of different widths\n" << c.out;
    }
    expectGolden("reports.table.txt", table);
    expectGolden("reports.csv.txt", csv);
}

TEST(Golden, UsageOfEveryLevel) {
    Cli cli;
    expectGolden("usage.txt", runAll(cli, kUsage, std::size(kUsage), true));
}

TEST(Golden, UsageNeedsNoRights) {
    Cli cli;
    auto r = cli.run("rkconfig", {"storage", "vdisk", "action=blink", "-?"}, {{"KW_RIGHTS", "1"}});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("controller="), std::string::npos);
}

// The agent has the last word: a disk whose masks claim every action lets
// each request through the plug-in's checks, and the agent refuses what the
// disk cannot do.
std::string agentRefusals() {
    std::ifstream in(std::string(RK_SOURCE_DIR) + "/agent/default-profile.xml");
    std::ostringstream profile;
    profile << in.rdbuf();
    std::string text = profile.str();
    const std::string disk = "SerialNumber=\"HLD1B2D455\"";
    size_t at = text.find(disk);
    EXPECT_NE(at, std::string::npos) << "the default system has changed: pick another disk";
    if (at == std::string::npos) return {};
    text.insert(at, "MasterMethodMask=\"11111111111111111111\" CurrentMethodMask=\"11111111111111111111\" ");
    kwtest::TempDir dir;
    std::ofstream(dir.file("pinned.xml")) << text;
    Cli cli(dir.file("pinned.xml"));
    std::string out = "# refused by the storage agent (disk 0:0:7 claims to allow every action)\n";
    for (const char* line : {"rkconfig storage pdisk action=online controller=0 pdisk=0:0:7",
                             "rkconfig storage pdisk action=rebuild controller=0 pdisk=0:0:7"})
        out += transcript(cli, line, runChecked(cli, line));
    return out;
}

TEST(Golden, EveryRejectionMessage) {
    Cli cli;
    std::string text = runAll(cli, kRejections, std::size(kRejections), true);
    const std::string rights = "rkconfig storage vdisk action=blink controller=0 vdisk=1";
    text += "# with report rights only (KW_RIGHTS=1)\n" +
            transcript(cli, rights, runChecked(cli, rights, true, {{"KW_RIGHTS", "1"}}));
    text += agentRefusals();
    expectGolden("rejections.txt", text);
    // Nothing above changed the system.
    auto vdisks = cli.run("rkreport", {"storage", "vdisk", "controller=0", "vdisk=1"});
    EXPECT_NE(vdisks.out.find("Data"), std::string::npos) << vdisks.out;
}

TEST(Golden, ConfigurationAnswers) {
    Cli text;
    expectGolden("configuration.txt", runAll(text, kConfiguration, std::size(kConfiguration), false));
    Cli json;
    expectGolden("configuration.json", jsonOf(json, kConfiguration, std::size(kConfiguration)));
    Cli xml;
    for (const char* line : kConfiguration) hosttest::checkXml(line, runIn(xml, line, "--format=xml"));
}

}  // namespace
