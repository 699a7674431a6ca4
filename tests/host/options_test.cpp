// The host's own options: taken out of the line wherever they stand; the
// rest reaches the plug-in in order, after the command word.
#include <gtest/gtest.h>

#include "options.h"

namespace {

using rkhost::Format;
using rkhost::parseOptions;
using Words = std::vector<std::string>;

TEST(Options, HostOptionsAreTakenOutWhereverTheyStand) {
    auto r = parseOptions("rkconfig", {"--format=json", "storage", "--state=/tmp/s.db", "vdisk", "action=blink",
                                       "--dry-run", "controller=0", "--profile=p.xml", "--system", "LOCAL"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.words, (Words{"rkconfig", "storage", "vdisk", "action=blink", "controller=0"}));
    EXPECT_EQ(r.options.format, Format::Json);
    EXPECT_EQ(r.options.state.value_or(""), "/tmp/s.db");
    EXPECT_EQ(r.options.profile.value_or(""), "p.xml");
    EXPECT_EQ(r.options.system.value_or(""), "local");
    EXPECT_TRUE(r.options.dryRun);
    EXPECT_FALSE(r.options.help);
    const std::pair<Words, Format> formats[] = {
        {{}, Format::Text}, {{"--format", "json"}, Format::Json}, {{"--format=TABLE"}, Format::Table},
        {{"--format=Csv"}, Format::Csv}, {{"--format", "openmetrics"}, Format::OpenMetrics},
        {{"--format=xml", "--format=json"}, Format::Json},  // the last one given wins
    };
    for (const auto& [args, format] : formats) EXPECT_EQ(parseOptions("rkreport", args).options.format, format);
}

TEST(Options, WordsThatOnlyLookLikeOptionsAndWordsAfterDashDashBelongToTheCommand) {
    auto r = parseOptions("rkreport", {"storage", "-?", "-h", "name=--x"});
    EXPECT_EQ(r.options.words, (Words{"rkreport", "storage", "-?", "-h", "name=--x"}));
    r = parseOptions("rkconfig", {"storage", "--dry-run", "--", "vdisk", "--wait", "-h"});
    ASSERT_EQ(r.error, "");
    EXPECT_TRUE(r.options.dryRun);
    EXPECT_FALSE(r.options.wait);
    EXPECT_EQ(r.options.words, (Words{"rkconfig", "storage", "vdisk", "--wait", "-h"}));
    // --complete takes every later word as typed.
    r = parseOptions("rkconfig", {"--state=s.db", "--complete", "storage", "--bogus", "vdisk", ""});
    ASSERT_EQ(r.error, "");
    EXPECT_TRUE(r.options.complete);
    EXPECT_EQ(r.options.state.value_or(""), "s.db");
    EXPECT_EQ(r.options.completeWords, (Words{"storage", "--bogus", "vdisk", ""}));
}

TEST(Options, WrongOptionsAreRefusedNamingTheWord) {
    const Words wrong[] = {{"--format=yaml"}, {"--format="}, {"--format"}, {"--state="}, {"--profile="},
                           {"--verbose"}, {"storage", "--dry-run=yes"}, {"--system=remote"}};
    for (const auto& args : wrong) {
        auto r = parseOptions("rkreport", args);
        EXPECT_FALSE(r.error.empty()) << args.back();
        EXPECT_EQ(r.word, args.back());
    }
}

}  // namespace
