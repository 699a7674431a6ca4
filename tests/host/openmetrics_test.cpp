// The metrics form of replies: identifiers as users type them, states as one
// series each, what an object lacks left out, every object once.
#include <gtest/gtest.h>

#include <cctype>

#include "openmetrics.h"

namespace {

using rkhost::Object;
using rkhost::openMetrics;

const Object kSasDisk = {{"GlobalNo", "0"}, {"Channel", "1"}, {"EnclosureID", "2"}, {"TargetID", "3"},
                         {"ObjType", "PhysicalDisk"}, {"State", "Online"}, {"BusProtocol", "8"},
                         {"AttributesMask", "10000000000"}};

Object with(Object o, const std::string& name, const std::string& value) {
    for (auto& [element, text] : o)
        if (element == name) {
            text = value;
            return o;
        }
    o.emplace_back(name, value);
    return o;
}

struct Case {
    const char* what;
    std::vector<Object> objects;
    std::vector<const char*> present;  // whole lines the output holds once
    std::vector<const char*> absent;   // texts it must not hold
};

class Lines : public ::testing::TestWithParam<Case> {};

TEST_P(Lines, AreAsUsersReadThem) {
    const std::string out = openMetrics(GetParam().objects);
    for (const char* line : GetParam().present) {
        const std::string whole = std::string("\n") + line + "\n";
        const size_t at = out.find(whole);
        EXPECT_NE(at, std::string::npos) << line << "\n" << out;
        EXPECT_EQ(out.find(whole, at + 1), std::string::npos) << "twice: " << line;
    }
    for (const char* text : GetParam().absent) EXPECT_EQ(out.find(text), std::string::npos) << text << "\n" << out;
    EXPECT_EQ(out.substr(out.size() - 6), "# EOF\n");
}

const Object kProbe = {{"GlobalNo", "0"}, {"Channel", "2"}, {"EnclosureID", "0"}, {"Index", "1"},
                       {"ObjType", "TemperatureProbe"}, {"Reading", "-4"}};
const Object kSataEnclosure = {{"GlobalNo", "0"}, {"Channel", "2"}, {"EnclosureID", "0"},
                               {"ObjType", "Enclosure"}, {"BusProtocol", "7"}};

INSTANTIATE_TEST_SUITE_P(
    OpenMetrics, Lines,
    ::testing::Values(
        Case{"disk identifiers, each disk once",
             {kSasDisk, kSasDisk, with(kSasDisk, "BusProtocol", "7"), with(with(kSasDisk, "TargetID", "5"), "AttributesMask", "0")},
             {"rk_pdisk_state{controller=\"0\",pdisk=\"1:2:3\",state=\"online\"} 1",
              "rk_pdisk_state{controller=\"0\",pdisk=\"1:3\",state=\"online\"} 1",
              "rk_pdisk_state{controller=\"0\",pdisk=\"1:5\",state=\"online\"} 1"},
             {"pdisk=\"1:2:5\""}},
        Case{"a state outside the known ones", {with(kSasDisk, "State", "Predictive Failure")},
             {"rk_pdisk_state{controller=\"0\",pdisk=\"1:2:3\",state=\"online\"} 0",
              "rk_pdisk_state{controller=\"0\",pdisk=\"1:2:3\",state=\"predictive_failure\"} 1"},
             {}},
        Case{"rollup status where the reply carries it",
             {{{"ObjType", "StorageObject"}, {"RollupStatus", "Non-Critical"}},
              {{"GlobalNo", "1"}, {"ObjType", "Controller"}, {"State", "Ready"}}},
             {"rk_storage_rollup_status{status=\"non_critical\"} 1", "rk_storage_rollup_status{status=\"ok\"} 0"},
             {"rk_controller_rollup_status", "rk_storage_state"}},
        Case{"tasks, ratios and times",
             {with(with(with(kSasDisk, "Task", "Check Consistency"), "Progress", "45"), "TaskStart", "2024-05-01T12:00:00Z"),
              {{"GlobalNo", "0"}, {"BatteryID", "0"}, {"ObjType", "Battery"}, {"ChargeLevel", "7"}, {"MaxLearnDelay", "168"}}},
             {"rk_pdisk_task_progress_ratio{controller=\"0\",pdisk=\"1:2:3\",task=\"check_consistency\"} 0.45",
              "rk_pdisk_task_start_timestamp_seconds{controller=\"0\",pdisk=\"1:2:3\",task=\"check_consistency\"} 1714564800",
              "rk_battery_charge_ratio{controller=\"0\",battery=\"0\"} 0.07",
              "rk_battery_max_learn_delay_seconds{controller=\"0\",battery=\"0\"} 604800"},
             {}},
        Case{"a component's enclosure as its enclosure is named", {kProbe, kSataEnclosure},
             {"rk_probe_temperature_celsius{controller=\"0\",enclosure=\"2\",probe=\"1\"} -4"}, {"enclosure=\"2:0\""}},
        Case{"label values escaped",
             {{{"GlobalNo", "0"}, {"ObjType", "Controller"}, {"Name", "a\"b\\c\nd\x01\xff"}}},
             {"rk_controller_info{controller=\"0\",name=\"a\\\"b\\\\c\\nd\xEF\xBF\xBD\"} 1"}, {}},
        Case{"in use", {{{"GlobalNo", "0"}, {"LogicalDriveNum", "1"}, {"ObjType", "VirtualDisk"}, {"InUse", "Mounted on /"}},
                        {{"GlobalNo", "0"}, {"LogicalDriveNum", "2"}, {"ObjType", "VirtualDisk"}, {"InUse", "No"}}},
             {"rk_vdisk_in_use{controller=\"0\",vdisk=\"1\"} 1", "rk_vdisk_in_use{controller=\"0\",vdisk=\"2\"} 0"}, {}}),
    [](const auto& info) {
        std::string name;
        for (char c : std::string(info.param.what)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

}  // namespace
