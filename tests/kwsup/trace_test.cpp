// The trace log: its configuration lines, the file created when missing, the
// destinations, the hex dump layout and the fixed line formats.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "kwsup_fixture.h"
#include "trace/sysdbg.h"

namespace kwsuptest {
namespace {

namespace fs = std::filesystem;

class Trace : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir_);
        setenv("KWCLP_TRACE_DIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        __sysDebugLevel = 0;
        __sysDbgTarget = -1;
        setenv("KWCLP_TRACE_DIR", savedDir_.c_str(), 1);
        fs::remove_all(dir_);
    }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    std::string read(const std::string& name) const {
        std::ifstream in(path(name));
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void write(const std::string& name, const std::string& text) const { std::ofstream(path(name)) << text; }
    void traceToFile(const std::string& name, int32_t target = 1) const {
        snprintf(__sysDbgPathFileName, sizeof __sysDbgPathFileName, "%s", path(name).c_str());
        __sysDbgTarget = target;
    }

    const std::string savedDir_ = getenv("KWCLP_TRACE_DIR") ? getenv("KWCLP_TRACE_DIR") : "/tmp";
    const std::string dir_ = savedDir_ + "/kwsup-" + std::to_string(getpid());
};

TEST_F(Trace, InitCreatesTheMissingFileWithTheSettingsInForce) {
    EXPECT_EQ(__SysDbgInit(1, "kwclp.log"), 0);
    EXPECT_STREQ(__sysDbgPathFileName, path("kwclp.log").c_str());
    LogFunctionEntry("Anything");  // level 0: no trace line follows
    EXPECT_EQ(read("kwclp.log"), "loglevel=0\nlogtarget=1\nlogpathfile=" + path("kwclp.log") + "\n");
    // A logpathfile naming a missing file creates it; an existing one is kept.
    const std::string config = "loglevel=2\nlogpathfile=" + path("other.log") + "\n";
    write("kwclp.log", config);
    __SysDbgInit(1, "kwclp.log");
    EXPECT_EQ(read("other.log"), "loglevel=2\nlogtarget=1\nlogpathfile=" + path("other.log") + "\n");
    EXPECT_EQ(read("kwclp.log"), config);
    write("other.log", "kept\n");
    __SysDbgInit(1, "kwclp.log");
    EXPECT_EQ(read("other.log"), "kept\n");
    // A folder that is missing changes nothing and creates nothing.
    setenv("KWCLP_TRACE_DIR", path("missing").c_str(), 1);
    EXPECT_EQ(__SysDbgInit(4, "kwclp.log"), 0);
    EXPECT_EQ(__sysDebugLevel, 2);
    EXPECT_EQ(__SysDbgClearLog(), -1);
    EXPECT_FALSE(fs::exists(path("missing")));
}

TEST_F(Trace, ConfigurationLines) {
    const std::string filler = "x=1\nnot a setting\nlogpathfile=\nx=2\nx=3\n";
    struct Case { const char* what; std::string text; int32_t startLevel; int32_t level; int32_t target; };
    const Case cases[] = {
        {"capitals", "LOGLEVEL=3\n", 0, 3, 1},
        {"negative level ignored", "loglevel=-1\n", 2, 2, 1},
        {"negative target taken", "logtarget=-5\n", 0, 0, -5},
        {"both, any order", "LogTarget=6\nloglevel=4\n", 0, 4, 6},
        {"seventh line never read", filler + "x=4\nloglevel=4\n", 0, 0, 1},
        {"sixth line read", filler + "loglevel=4\n", 0, 4, 1},
        {"no final newline", "loglevel=3", 0, 3, 1},
        {"later line wins", "loglevel=2\nloglevel=3=4\n", 0, 3, 1},
        {"key must be whole", "loglevelx=3\nloglevel\nlog=3\n loglevel=3\n", 0, 0, 1},
    };
    for (const Case& c : cases) {
        write("kwclp.log", c.text);
        __sysDebugLevel = c.startLevel;
        __SysDbgInit(1, "kwclp.log");
        EXPECT_EQ(__sysDebugLevel, c.level) << c.what;
        EXPECT_EQ(__sysDbgTarget, c.target) << c.what;
        EXPECT_EQ(read("kwclp.log"), c.text) << c.what << ": an existing file is not rewritten";
    }
}

TEST_F(Trace, LevelThreeLines) {
    write("kwclp.log", "loglevel=3\n");
    __SysDbgInit(1, "kwclp.log");
    EXPECT_EQ(__SysDbgIsLevelEnabled(3) + __SysDbgIsLevelEnabled(4), 1);
    char command[] = "rkconfig";
    char object[] = "storage";
    char* argv[] = {command, object};
    LogCLIArgs(argv, 2);
    LogFunctionEntry("CmdConfigBattery");
    LogFunctionExit("CmdConfigBattery");
    EXPECT_EQ(read("kwclp.log"), "loglevel=3\nKWCLP:CLI_ARGS: rkconfig storage \n"
                                 "KWCLP:ENTRY----------->CmdConfigBattery\nKWCLP:EXIT------------>CmdConfigBattery\n");
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
        const std::string line = "line " + std::to_string(c.target) + "\n";
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out ? line : "") << c.target;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err ? line : "") << c.target;
        EXPECT_EQ(written, c.target < 0 ? 0 : static_cast<int32_t>(line.size())) << c.target;
        EXPECT_EQ(read(name), c.file ? line : "") << c.target;
    }
}

TEST_F(Trace, HexDumpsAtAnyLevel) {
    traceToFile("five.log");
    const unsigned char five[] = {'K', 'W', 0x00, 0x7B, 'z'};
    EXPECT_EQ(__SysDbgDumpBuffer(five, sizeof five), 5);
    EXPECT_EQ(read("five.log"), "4B 57 00 7B:7A" + std::string(40, ' ') + "KW..z" + std::string(19, ' ') + "\n");
    traceToFile("dump.log");
    unsigned char bytes[17];
    for (unsigned i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<unsigned char>(i);
    EXPECT_EQ(__SysDbgDumpBuffer(bytes, sizeof bytes), 17);
    EXPECT_EQ(read("dump.log"), "00 01 02 03:04 05 06 07:08 09 0A 0B:0C 0D 0E 0F" + std::string(7, ' ') +
                                    std::string(16, '.') + std::string(8, ' ') + "\n10" + std::string(52, ' ') + "." +
                                    std::string(23, ' ') + "\n");
}

}  // namespace
}  // namespace kwsuptest
