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
    EXPECT_EQ(parseOptions("rkreport", {}).options.format, Format::Text);
    EXPECT_EQ(parseOptions("rkreport", {"--format=xml"}).options.format, Format::Xml);
    EXPECT_EQ(parseOptions("rkreport", {"--format=text"}).options.format, Format::Text);
    // The last one given wins.
    EXPECT_EQ(parseOptions("rkreport", {"--format=xml", "--format=json"}).options.format, Format::Json);
    EXPECT_TRUE(parseOptions("rkreport", {"--help"}).options.help);
    EXPECT_TRUE(parseOptions("rkreport", {"--version"}).options.version);
    // Words that only look like options belong to the command.
    auto r = parseOptions("rkreport", {"storage", "-?", "-h", "name=--x"});
    EXPECT_EQ(r.options.words, (std::vector<std::string>{"rkreport", "storage", "-?", "-h", "name=--x"}));
}

TEST(Options, WrongOptionsAreRefusedWithAReason) {
    const std::vector<std::string> wrong[] = {
        {"--format=yaml"}, {"--format="}, {"--format"}, {"--state="}, {"--profile="}, {"--verbose"}, {"--"},
        {"storage", "--dry-run=yes"},
    };
    for (const auto& args : wrong) {
        auto r = parseOptions("rkreport", args);
        EXPECT_FALSE(r.error.empty()) << args.back();
    }
    EXPECT_NE(parseOptions("rkreport", {"--format=yaml"}).error.find("yaml"), std::string::npos);
    EXPECT_NE(parseOptions("rkreport", {"--verbose"}).error.find("--verbose"), std::string::npos);
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
