// The trace log: configuration lines, the file created when missing,
// destinations, the hex dump layout and the fixed line formats. Every test
// works in a temporary folder and restores the trace state afterwards.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "kwsup/kwsup.h"
#include "testagent.h"
#include "trace/sysdbg.h"
#include "vexcs32.h"

namespace kwsuptest {
namespace {

namespace fs = std::filesystem;

class Trace : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kwsup-trace-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        setenv("KWCLP_TRACE_DIR", dir_.c_str(), 1);
        __sysDebugLevel = 0;
        __sysDbgTarget = -1;
    }
    // Tracing off again; the suite's own folder back for the other tests.
    void TearDown() override {
        __sysDebugLevel = 0;
        __sysDbgTarget = -1;
        savedDir_.empty() ? unsetenv("KWCLP_TRACE_DIR") : setenv("KWCLP_TRACE_DIR", savedDir_.c_str(), 1);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    static std::string settings(int level, int target, const std::string& path) {
        return "loglevel=" + std::to_string(level) + "\nlogtarget=" + std::to_string(target) +
               "\nlogpathfile=" + path + "\n";
    }
    static std::string read(const std::string& file) {
        std::ostringstream text;
        text << std::ifstream(file, std::ios::binary).rdbuf();
        return text.str();
    }
    static void write(const std::string& file, const std::string& text) { std::ofstream(file) << text; }
    // Sends trace output to a file of the temporary folder.
    void traceToFile(const std::string& name, int32_t target = 1) {
        snprintf(__sysDbgPathFileName, sizeof __sysDbgPathFileName, "%s", path(name).c_str());
        __sysDbgTarget = target;
    }

    std::string dir_;
    const std::string savedDir_ = getenv("KWCLP_TRACE_DIR") ? getenv("KWCLP_TRACE_DIR") : "";
};

TEST_F(Trace, InitCreatesTheMissingFileWithTheSettingsInForce) {
    EXPECT_EQ(__SysDbgInit(1, "kwclp.log"), 0);
    EXPECT_STREQ(__sysDbgPathFileName, path("kwclp.log").c_str());
    EXPECT_STREQ(__sysDbgFileName, "kwclp.log");
    LogFunctionEntry("Anything");  // level 0: no trace line follows
    EXPECT_EQ(read(path("kwclp.log")), settings(0, 1, path("kwclp.log")));
    // A folder with its final slash; the file name is cut to 15 characters.
    setenv("KWCLP_TRACE_DIR", (dir_ + "/").c_str(), 1);
    __SysDbgInit(1, "a-very-long-name.log");
    EXPECT_STREQ(__sysDbgFileName, "a-very-long-nam");
    EXPECT_STREQ(__sysDbgPathFileName, path("a-very-long-nam").c_str());
}

TEST_F(Trace, ConfigurationLines) {
    const std::string filler = "x=1\nnot a setting\nlogpathfile=\nx=2\nx=3\nx=4\n";
    struct Case { const char* what; std::string text; int32_t startLevel; int32_t level; int32_t target; };
    const Case cases[] = {
        {"capitals", "LOGLEVEL=3\n", 0, 3, 1},
        {"negative level ignored", "loglevel=-1\n", 2, 2, 1},
        {"negative target taken", "logtarget=-5\n", 0, 0, -5},
        {"both, any order", "LogTarget=6\nloglevel=4\n", 0, 4, 6},
        {"seventh line never read", filler + "loglevel=4\n", 0, 0, 1},
        {"sixth line read", filler.substr(0, filler.rfind("x=4")) + "loglevel=4\n", 0, 4, 1},
        {"no final newline", "loglevel=3", 0, 3, 1},
        {"later line wins", "loglevel=2\nloglevel=3\n", 0, 3, 1},
        {"key must be whole", "loglevelx=3\nloglevel\nlog=3\n", 0, 0, 1},
    };
    for (const Case& c : cases) {
        write(path("kwclp.log"), c.text);
        __sysDebugLevel = c.startLevel;
        __SysDbgInit(1, "kwclp.log");
        EXPECT_EQ(__sysDebugLevel, c.level) << c.what;
        EXPECT_EQ(__sysDbgTarget, c.target) << c.what;
        EXPECT_EQ(read(path("kwclp.log")), c.text) << c.what << ": an existing file is not rewritten";
    }
}

TEST_F(Trace, LevelThreeLinesFollowTheConfiguration) {
    write(path("kwclp.log"), "loglevel=3\n");
    __SysDbgInit(1, "kwclp.log");
    EXPECT_EQ(__SysDbgGetLevel(), 3);
    EXPECT_EQ(__SysDbgIsLevelEnabled(3), 1);
    EXPECT_EQ(__SysDbgIsLevelEnabled(4), 0);
    char command[] = "rkconfig";
    char object[] = "storage";
    char* argv[] = {command, object};
    LogCLIArgs(argv, 2);
    LogFunctionEntry("CmdConfigBattery");
    LogFunctionExit("CmdConfigBattery");
    EXPECT_EQ(read(path("kwclp.log")),
              "loglevel=3\n"
              "KWCLP:CLI_ARGS: rkconfig storage \n"
              "KWCLP:ENTRY----------->CmdConfigBattery\n"
              "KWCLP:EXIT------------>CmdConfigBattery\n");
}

TEST_F(Trace, LogPathFileNamingAMissingFileCreatesIt) {
    const std::string config = "loglevel=2\nlogpathfile=" + path("other.log") + "\n";
    write(path("kwclp.log"), config);
    __SysDbgInit(1, "kwclp.log");
    EXPECT_STREQ(__sysDbgPathFileName, path("other.log").c_str());
    EXPECT_EQ(read(path("other.log")), settings(2, 1, path("other.log")));
    EXPECT_EQ(read(path("kwclp.log")), config);

    // An existing file is left as it is.
    write(path("other.log"), "kept\n");
    __SysDbgInit(1, "kwclp.log");
    EXPECT_EQ(read(path("other.log")), "kept\n");
}

TEST_F(Trace, FileThatCannotBeWrittenChangesNothing) {
    setenv("KWCLP_TRACE_DIR", (dir_ + "/missing").c_str(), 1);
    __sysDebugLevel = 2;
    EXPECT_EQ(__SysDbgInit(4, "kwclp.log"), 0);
    EXPECT_EQ(__sysDebugLevel, 2);
    EXPECT_EQ(__sysDbgTarget, 4);
    EXPECT_EQ(__SysDbgClearLog(), -1);
    EXPECT_FALSE(fs::exists(dir_ + "/missing"));
}

TEST_F(Trace, Destinations) {
    struct Case { int32_t target; bool file; bool out; bool err; };
    const Case cases[] = {
        {-1, false, false, false}, {0, true, false, false}, {1, true, false, false}, {2, false, true, false},
        {4, false, false, true},   {6, false, true, true},  {7, true, true, true},
    };
    for (const Case& c : cases) {
        const std::string name = "target" + std::to_string(c.target + 1) + ".log";
        traceToFile(name, c.target);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int32_t written = __SysDbgPrint("line %d\n", c.target);
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        const std::string line = "line " + std::to_string(c.target) + "\n";
        EXPECT_EQ(written, c.target < 0 ? 0 : static_cast<int32_t>(line.size())) << c.target;
        EXPECT_EQ(read(path(name)), c.file ? line : "") << c.target;
        EXPECT_EQ(out, c.out ? line : "") << c.target;
        EXPECT_EQ(err, c.err ? line : "") << c.target;
    }
}

TEST_F(Trace, HexDumps) {
    // Level 0: the dump does not test the level.
    traceToFile("five.log");
    const unsigned char five[] = {'K', 'W', 0x00, 0x7B, 'z'};
    EXPECT_EQ(__SysDbgDumpBuffer(five, sizeof five), 5);
    EXPECT_EQ(read(path("five.log")), "4B 57 00 7B:7A" + std::string(40, ' ') + "KW..z" + std::string(19, ' ') + "\n");
    traceToFile("dump.log");
    unsigned char bytes[17];
    for (unsigned i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<unsigned char>(i);
    EXPECT_EQ(__SysDbgDumpBuffer(bytes, sizeof bytes), 17);
    EXPECT_EQ(read(path("dump.log")),
              "00 01 02 03:04 05 06 07:08 09 0A 0B:0C 0D 0E 0F" + std::string(7, ' ') + std::string(16, '.') +
                  std::string(8, ' ') + "\n" + "10" + std::string(52, ' ') + "." + std::string(23, ' ') + "\n");
}

TEST_F(Trace, NameValuePairs) {
    struct Case { const char* line; const char* value; };
    const Case cases[] = {
        {"LOGLEVEL=3", "3"},      {"loglevel=3=4", "3=4"},  {"loglevel=", ""},   {"loglevel", nullptr},
        {"loglevelx=3", nullptr}, {"log=3", nullptr},       {" loglevel=3", nullptr},
    };
    for (const Case& c : cases) {
        char line[64];
        snprintf(line, sizeof line, "%s", c.line);
        const char* value = __SysDbgGetNVPair(line, "loglevel");
        if (c.value == nullptr) {
            EXPECT_EQ(value, nullptr) << c.line;
        } else {
            ASSERT_NE(value, nullptr) << c.line;
            EXPECT_STREQ(value, c.value);
            EXPECT_EQ(value, line + strlen("loglevel="));
        }
        EXPECT_STREQ(line, c.line) << "the line is left unchanged";
    }
}

TEST_F(Trace, BufferFailureNamesTheCheck) {
    traceToFile("failure.log");
    __sysDebugLevel = 3;
    kwtest::TestAgent agent;
    setenv("KWTEST_FAIL", "xbuf:1", 1);
    KWTestReset();
    char list[64] = "";
    EXPECT_EQ(IsUserBatteryIdValidWithSize("0", "0", list, sizeof list, nullptr), KWSUP_NO_BUFFER);
    unsetenv("KWTEST_FAIL");
    KWTestReset();
    EXPECT_NE(read(path("failure.log")).find("IsUserBatteryIdValidWithSize"), std::string::npos);
}

}  // namespace
}  // namespace kwsuptest
