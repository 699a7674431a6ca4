// rkconfig storage adisk, pdisk, battery, enclosure, connector and globalinfo:
// the lines of lines.txt, each with its status, message arguments and request.
#include "case_file.h"
#include "devices_fixture.h"

namespace devtest {
namespace {

class Handlers : public DevicesTest {
protected:
    // Runs every row of one "== section" of lines.txt.
    void runSection(const std::string& section) {
        for (const kwtest::CaseLine& c : kwtest::readCases("devices", "lines.txt", 6, {section, true})) {
            const Strings& f = c.fields;
            Strings request;
            for (const std::string& word : kwtest::words(f[5])) request.push_back(word == "\"\"" ? "" : word);
            Outcome out = run(f[0], f[1]);
            EXPECT_EQ(out.status, std::stoi(f[2])) << c.where;
            EXPECT_EQ(out.arg1, f[3]) << c.where;
            EXPECT_EQ(out.arg2, f[4]) << c.where;
            EXPECT_EQ(out.request, request) << c.where;
        }
    }
};

TEST_F(Handlers, Accepted) {
    runSection("accepted");
    // Without a rate there is nothing to compare; the request still says what it sets.
    EXPECT_EQ(run("patrolreadrate?", "controller=0", {"GlobalNo=0"}).request, (Strings{"GlobalNo=0", "AttribType=2"}));
}

TEST_F(Handlers, Refused) {
    runSection("refused");
    for (const char* command : {"setArrayDiskBlink", "setBatteryDelayLearn", "setEnclosureBlink", "setChnlRescan",
                                "setEnclosureAssetTag", "setEnclosureAssetName", "setVDAddMissingDisk"})
        EXPECT_TRUE(agent.requestsFor(command).empty()) << "a refusal sends nothing: " << command;
}

TEST_F(Handlers, RefusedByTheObjectsMasks) {
    script("getArrayDisksForController", {"GlobalNo=0"},
           reply({disk("0", "0", "0", 0x1, 0x0), disk("0", "0", "1", 0x30, 0x10), disk("1", "", "4", 0x10, 0x00)}));
    script("getBatteriesForController", {"GlobalNo=0"},
           reply({{{"BatteryID", "0"}, {"MasterMethodMask", "011"}, {"CurrentMethodMask", "001"}},
                  {{"BatteryID", "1"}}}));
    script("getEnclosuresForController", {"GlobalNo=0"},
           reply({{{"Channel", "0"}, {"BusProtocol", "8"}, {"EnclosureID", "0"}, {"MasterMethodMask", "1000001"},
                   {"CurrentMethodMask", "0000001"}}}));
    channels("0", "0", "1", "0");
    storageMasks("011", "001");
    runSection("masks");
}

TEST_F(Handlers, RecordsWithoutWhatACheckNeeds) {
    script("getEnclosure", reply({{{"AssetTag", "TAG1"}, {"MaxAssetTagLength", "0"}, {"MaxAssetNameLength", "6"}}}));
    script("getBattery", reply({{{"BatteryID", "0"}}}));
    script("getEnclosureTemperatureProbes", reply({}));
    script("getVirtualDisksForController", {"GlobalNo=1"}, reply({{{"LogicalDriveNum", "0"}}}));
    runSection("unreadable");
    for (const char* command : {"getEnclosure", "getEnclosuresForController", "sendPassThruCmdToDCSIF"})
        silence(command);
    runSection("silenced");
}

TEST_F(Handlers, LimitsAndModels) {
    for (const char* limit : {"30", "20"}) {
        script("getBattery", reply({{{"BatteryID", "0"}, {"MaxLearnDelay", limit}}}));
        runSection(std::string("limit") + limit);
    }
    script("getController", {"GlobalNo=0"}, reply({{{"GlobalNo", "0"}, {"Name", "tolv sata 1.5/6CH"}}}));
    runSection("model-lowercase");
    script("getController", {"GlobalNo=0"}, reply({{{"GlobalNo", "0"}, {"Name", "RK SAS 8"}}}));
    runSection("model-other");
}

// A failing reply buffer stops the checks one after the other, in order.
TEST_F(Handlers, BufferFailuresStopTheChecksInOrder) {
    std::vector<int32_t> outcomes;
    for (int n = 1; n < 50; ++n) {
        failAt("xbuf", n);
        Outcome out = run("battery", "action=delaylearn controller=0 battery=0 days=1");
        if (outcomes.empty() || outcomes.back() != out.status) outcomes.push_back(out.status);
        if (KWTestCallCount(KWTEST_XBUF) < n) break;
    }
    EXPECT_EQ(outcomes, (std::vector<int32_t>{1600, 1620, 1614, 1662, 1000}));
}

}  // namespace
}  // namespace devtest
