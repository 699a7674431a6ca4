// The host's own options: taken out of the line wherever they stand; the
// rest reaches the plug-in in order, after the command word.
#include <gtest/gtest.h>

#include "options.h"

namespace {

using rkhost::Format;
using rkhost::parseOptions;

TEST(Options, HostOptionsAreTakenOutWhereverTheyStand) {
    auto r = parseOptions("rkconfig", {"--format=json", "storage", "--state=/tmp/s.db", "vdisk", "action=blink",
                                       "--dry-run", "controller=0", "--profile=p.xml"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.words, (std::vector<std::string>{"rkconfig", "storage", "vdisk", "action=blink", "controller=0"}));
    EXPECT_EQ(r.options.format, Format::Json);
    EXPECT_EQ(r.options.state.value_or(""), "/tmp/s.db");
    EXPECT_EQ(r.options.profile.value_or(""), "p.xml");
    EXPECT_TRUE(r.options.dryRun);
    EXPECT_FALSE(r.options.help);
}

TEST(Options, FormatsAndFlags) {
    const struct {
        std::vector<std::string> args;
        Format format;
    } cases[] = {
        {{}, Format::Text},
        {{"--format=xml"}, Format::Xml},
        {{"--format", "json"}, Format::Json},
        {{"--format=TABLE"}, Format::Table},
        {{"--format=Csv"}, Format::Csv},
        {{"--format", "openmetrics"}, Format::OpenMetrics},
        {{"--format=xml", "--format=json"}, Format::Json},  // the last one given wins
    };
    for (const auto& c : cases) EXPECT_EQ(parseOptions("rkreport", c.args).options.format, c.format) << c.args.size();
    EXPECT_TRUE(parseOptions("rkconfig", {"--wait"}).options.wait);
    EXPECT_EQ(parseOptions("rkreport", {"--system", "LOCAL"}).options.system.value_or(""), "local");
    EXPECT_TRUE(parseOptions("rkreport", {"--help"}).options.help);
    EXPECT_TRUE(parseOptions("rkreport", {"--version"}).options.version);
    // Words that only look like options belong to the command.
    auto r = parseOptions("rkreport", {"storage", "-?", "-h", "name=--x"});
    EXPECT_EQ(r.options.words, (std::vector<std::string>{"rkreport", "storage", "-?", "-h", "name=--x"}));
    // "--" ends the options: later words reach the command as typed.
    r = parseOptions("rkconfig", {"storage", "--dry-run", "--", "vdisk", "--wait", "-h"});
    ASSERT_EQ(r.error, "");
    EXPECT_TRUE(r.options.dryRun);
    EXPECT_FALSE(r.options.wait);
    EXPECT_EQ(r.options.words, (std::vector<std::string>{"rkconfig", "storage", "vdisk", "--wait", "-h"}));
}

TEST(Options, WrongOptionsAreRefusedWithAReason) {
    const std::vector<std::string> wrong[] = {
        {"--format=yaml"}, {"--format="}, {"--format"}, {"--state="}, {"--profile="}, {"--verbose"},
        {"storage", "--dry-run=yes"}, {"--system=remote"},
    };
    for (const auto& args : wrong) {
        auto r = parseOptions("rkreport", args);
        EXPECT_FALSE(r.error.empty()) << args.back();
        EXPECT_EQ(r.word, args.back());
    }
    EXPECT_NE(parseOptions("rkreport", {"--format=yaml"}).error.find("yaml"), std::string::npos);
    // An unknown option is named, and so are the known ones.
    const auto unknown = parseOptions("rkreport", {"--verbose"}).error;
    EXPECT_NE(unknown.find("--verbose"), std::string::npos);
    EXPECT_NE(unknown.find("--dry-run"), std::string::npos);
    EXPECT_NE(parseOptions("rkreport", {"--dry-run=yes"}).error.find("takes no value"), std::string::npos);
}

TEST(Options, CompleteTakesEveryLaterWordAsTyped) {
    auto r = parseOptions("rkconfig", {"--complete", "--format=j"});
    ASSERT_EQ(r.error, "");
    EXPECT_TRUE(r.options.complete);
    EXPECT_EQ(r.options.completeWords, (std::vector<std::string>{"--format=j"}));

    r = parseOptions("rkconfig", {"--state=s.db", "--complete", "storage", "--bogus", "vdisk", ""});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.state.value_or(""), "s.db");
    EXPECT_EQ(r.options.completeWords, (std::vector<std::string>{"storage", "--bogus", "vdisk", ""}));
}

}  // namespace
