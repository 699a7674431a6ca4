// No silent outcomes: a line without its object word, a missing data agent
// and an answer that cannot be written are errors with their own exit
// status; what a configuration made and why a refused one was refused are
// shown.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "host_runner.h"

namespace {

namespace fs = std::filesystem;
using hosttest::RunResult;

jsoncheck::Value json(const RunResult& r) {
    jsoncheck::Value value;
    std::string error;
    EXPECT_TRUE(jsoncheck::parse(r.out, value, error)) << error << "\n" << r.out;
    return value;
}

std::vector<std::string> strings(const jsoncheck::Value* list) {
    std::vector<std::string> out;
    if (list)
        for (const auto& item : list->items) out.push_back(item.string);
    return out;
}

std::vector<std::string> withJson(std::vector<std::string> words) {
    words.insert(words.begin() + 1, "--format=json");
    return words;
}

RunResult runWords(const kwtest::Cli& cli, const std::vector<std::string>& words,
                   const std::map<std::string, std::string>& env = {}) {
    return cli.run(words.front(), {words.begin() + 1, words.end()}, env);
}

// Lines that the plug-in answers with nothing: exit 2, naming the object
// words, in every format (runChecked holds json and xml to the text).
TEST(Outcome, ALineWithoutItsObjectWordIsACommandLineError) {
    kwtest::Cli cli;
    for (const char* line : {"rkreport storage", "rkconfig storage", "rkconfig storage action=blink controller=0 vdisk=1",
                             "rkreport storage controller=0", "rkreport --dry-run storage controller=0"}) {
        const RunResult text = hosttest::runChecked(cli, line);
        EXPECT_EQ(text.exitCode, 2) << line;
        EXPECT_NE(text.err.find("Expected one of: adisk, battery, connector, controller,"), std::string::npos) << text.err;
    }
}

// A copy of the build's programs and libraries without the data agent.
std::string treeWithoutAgent(const kwtest::TempDir& dir) {
    const fs::path root = fs::path(dir.path()) / "tree";
    fs::create_directories(root / "bin");
    fs::copy(kwtest::buildPath("bin/rkreport"), root / "bin/rkreport");
    fs::create_symlink("rkreport", root / "bin/rkconfig");
    fs::copy(kwtest::buildPath("share"), root / "share", fs::copy_options::recursive);
    fs::create_directories(root / "lib");
    for (const auto& entry : fs::directory_iterator(kwtest::buildPath("lib")))
        if (entry.path().extension() == ".so" && entry.path().filename() != "libkwda.so")
            fs::copy(entry.path(), root / "lib" / entry.path().filename());
    return root.string();
}

// Reports and configurations, with and without parameters, name the agent
// and the file looked for instead of concluding that objects are missing;
// usage still answers.
TEST(Outcome, AMissingAgentIsNamedBeforeAnyCheck) {
    kwtest::TempDir dir;
    const std::string tree = treeWithoutAgent(dir);
    const std::map<std::string, std::string> env{{"KWDA_STATE", dir.file("state.db")}};
    for (const char* line : {"rkconfig storage vdisk action=blink controller=0 vdisk=1", "rkreport storage pdisk controller=0",
                             "rkreport storage controller", "rkconfig storage globalinfo action=globalrescan"}) {
        SCOPED_TRACE(line);
        const auto words = hosttest::split(line);
        for (const auto& args : {words, withJson(words)}) {
            const RunResult r = kwtest::runProgram(tree + "/bin/" + args.front(), {args.begin() + 1, args.end()}, env);
            EXPECT_EQ(r.exitCode, 4);
            EXPECT_NE(r.err.find("data agent 'kwda' cannot be loaded: looked for " + tree + "/lib/libkwda.so"),
                      std::string::npos) << r.err;
        }
    }
    const RunResult usage = kwtest::runProgram(tree + "/bin/rkreport", {"storage", "pdisk", "-?"}, env);
    EXPECT_EQ(usage.exitCode, 0) << usage.err;
}

// Standard output a full disk or closed: the answer is lost, which is said.
TEST(Outcome, AnAnswerThatCannotBeWrittenIsAnError) {
    kwtest::Cli cli;
    const std::string program = kwtest::buildPath("bin/rkreport") + " --state=" + cli.statePath();
    for (const char* redirect : {" > /dev/full", " >&-"}) {
        for (const char* args : {" storage pdisk controller=0", " --format=json storage vdisk", " storage bogus"}) {
            SCOPED_TRACE(std::string(args) + redirect);
            const RunResult r = kwtest::runProgram("/bin/sh", {"-c", program + args + redirect});
            EXPECT_EQ(r.exitCode, std::string(args) == " storage bogus" ? 2 : 4);
            EXPECT_NE(r.err.find("Error: "), std::string::npos);
        }
    }
}

// Standard output a pipe whose reader has gone: the answer is lost, which is
// said (exit 4), rather than ending silently by the signal.
TEST(Outcome, AnAnswerIntoAClosedPipeIsAnError) {
    kwtest::Cli cli;
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    close(pipeEnds[0]);
    const std::string errFile = cli.dir().file("err");
    const std::string program = kwtest::buildPath("bin/rkreport"), state = "--state=" + cli.statePath();
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(err, STDERR_FILENO);
        signal(SIGPIPE, SIG_DFL);
        execl(program.c_str(), program.c_str(), state.c_str(), "storage", "pdisk", "controller=0", nullptr);
        _exit(127);
    }
    close(pipeEnds[1]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 4);
    std::ifstream in(errFile);
    const std::string err((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(err.find("could not be written"), std::string::npos) << err;
}

// What a configuration made is named, in text and json, and is really there.
TEST(Outcome, ACreatingConfigurationNamesWhatItMade) {
    kwtest::Cli cli;
    RunResult r = cli.line("rkconfig storage controller action=createvdisk controller=0 raid=r1 size=100 pdisk=0:0:7,0:0:8");
    EXPECT_EQ(r.out, "Controller command completed successfully.\nNew virtual disk: 2\n");
    EXPECT_EQ(cli.line("rkreport storage vdisk controller=0 vdisk=2").exitCode, 0);

    r = cli.line("rkconfig --format=json storage vdisk action=splitmirror controller=0 vdisk=2");
    const auto answer = json(r);
    const auto* result = answer.member("result");
    ASSERT_TRUE(result) << r.out;
    const std::string split = result->member("VirtualDisk") ? result->member("VirtualDisk")->string : "";
    EXPECT_EQ(split, "3");
    EXPECT_EQ(cli.line("rkreport storage vdisk controller=0 vdisk=" + split).exitCode, 0);

    r = cli.line("rkconfig storage controller action=exportlog controller=0");
    const std::string prefix = "Log written to: ";
    const auto at = r.out.find(prefix);
    ASSERT_NE(at, std::string::npos) << r.out;
    const std::string file = r.out.substr(at + prefix.size(), r.out.find('\n', at) - at - prefix.size());
    EXPECT_TRUE(fs::exists(file)) << file;
}

// A refusal that turns on state keeps its status and arguments and is
// followed by the state of each named object, the same in text and json.
TEST(Outcome, AStateRefusalShowsTheNamedObjects) {
    kwtest::Cli cli;
    const auto words = hosttest::split(
        "rkconfig storage controller action=createvdisk controller=0 raid=r1 size=max pdisk=0:0:6,0:0:9");
    const RunResult text = runWords(cli, words);
    const RunResult j = runWords(cli, withJson(words));
    EXPECT_EQ(text.exitCode, 1);
    const auto value = json(j);
    EXPECT_EQ(value.member("status")->number, 1623);
    EXPECT_EQ(strings(value.member("args")), (std::vector<std::string>{"", ""}));
    const std::vector<std::string> expected{"Physical disk 0:0:6: Ready, hot spare of virtual disk 1",
                                            "Physical disk 0:0:9: Ready, free"};
    EXPECT_EQ(strings(value.member("state")), expected);
    EXPECT_NE(text.err.find("\n" + expected[0] + "\n" + expected[1] + "\n"), std::string::npos) << text.err;

    const RunResult member = cli.line("rkconfig storage pdisk action=online controller=0 pdisk=0:0:3");
    EXPECT_NE(member.err.find("Physical disk 0:0:3: Online, member of virtual disk 1"), std::string::npos) << member.err;
    const RunResult stopped = cli.line("rkconfig storage controller action=stoppatrolread controller=0");
    EXPECT_NE(stopped.err.find("\nController 0 ("), std::string::npos) << stopped.err;
    EXPECT_NE(stopped.err.find("patrol read Stopped"), std::string::npos) << stopped.err;
    // What uses a virtual disk is said with its state.
    const RunResult inUse = cli.line("rkconfig storage vdisk action=deletevdisk controller=0 vdisk=0");
    EXPECT_NE(inUse.err.find("Virtual disk 0 (System): Ready, disks 0:0:0,0:0:1, in use (running system"),
              std::string::npos) << inUse.err;
    // Other refusals are not followed by state lines.
    const RunResult missing = cli.line("rkconfig storage vdisk action=blink controller=0 vdisk=9");
    EXPECT_EQ(missing.err.find('\n'), missing.err.size() - 1) << missing.err;
}

}  // namespace
