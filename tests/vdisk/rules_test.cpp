// The virtual disk rules against exact agent replies: which virtual disk's
// method masks decide, how dedicated hot spares are admitted and listed, and
// when a name or policy counts as unchanged.
#include <string.h>

#include "kwsup/kwsup.h"
#include "vdisk_fixture.h"

namespace vdtest {
namespace {

using Rules = VdiskTest;

// ---- Operation availability ------------------------------------------------

struct AvailabilityCase {
    const char* action;
    const char* vdisk;
    uint32_t supported;
    uint32_t allowed;
};

TEST_F(Rules, OperationFlagsComeFromTheNamedVirtualDisk) {
    const AvailabilityCase cases[] = {
        {"blink", "0", 0x100, 0x100},
        {"Blink", "0", 0x100, 0x100},          // action words ignore case
        {"format", "1", 0, 0x2},               // vdisk 1 lacks the supported bit
        {"initialize", "1", 0x40, 0},          // ... and the allowed-now bit
        {"changepolicy", "3", 0x80000, 0x80000},
        {"fastinit", "0", 0x800000, 0x800000},
        {"cancelreconfigure", "0", 0x40000, 0x40000},  // has a bit, no variant row
        {"debug", "0", 0, 0},                  // not an action of a virtual disk
        {"blink", "7", 0, 0},                  // no such virtual disk
        {"blink", "00", 0, 0},                 // identifiers are texts, not numbers
    };
    for (const auto& c : cases) {
        uint32_t supported = 0xDEAD, allowed = 0xBEEF;
        EXPECT_EQ(IsUserOperationValidForVirtualDisk(c.action, "0", c.vdisk, &supported, &allowed), 0);
        EXPECT_EQ(supported, c.supported) << c.action << " on " << c.vdisk;
        EXPECT_EQ(allowed, c.allowed) << c.action << " on " << c.vdisk;
    }
    EXPECT_EQ(agent.requestsFor("getVirtualDisksForController")[0],
              (Request{"vexcmd=getVirtualDisksForController", "GlobalNo=0", "CLI=true"}));
}

TEST_F(Rules, OperationFlagsMatchLogicalDriveNumbersOnTenCharacters) {
    agent.on("getVirtualDisksForController", {"GlobalNo=0"},
             reply({{{"LogicalDriveNum", "123456789012"}, {"MasterMethodMask", "1"}, {"CurrentMethodMask", "1"}}}));
    uint32_t supported = 0, allowed = 0;
    IsUserOperationValidForVirtualDisk("reconfigure", "0", "1234567890", &supported, &allowed);
    EXPECT_EQ(supported, 1u);
    EXPECT_EQ(allowed, 1u);
}

TEST_F(Rules, OperationCheckWithoutAReplyLeavesTheFlagsAlone) {
    silenceRequest(1);
    uint32_t supported = 7, allowed = 9;
    EXPECT_EQ(IsUserOperationValidForVirtualDisk("blink", "0", "0", &supported, &allowed), 272);
    EXPECT_EQ(supported, 7u);
    EXPECT_EQ(allowed, 9u);

    agent.on("getVirtualDisksForController", {"GlobalNo=0"}, "<Reply><DCStorageObject>");  // not well-formed
    EXPECT_EQ(IsUserOperationValidForVirtualDisk("blink", "0", "0", &supported, &allowed), 272);
    EXPECT_EQ(supported, 7u);
}

// ---- Dedicated hot spare admission -------------------------------------------

TEST_F(Rules, VirtualDiskWithoutDedicatedHotSpareMayAlwaysReceiveOne) {
    agent.on("getArrayDisksForVirtualDisk", {"GlobalNo=2", "LogicalDriveNum=0"},
             reply({{{"AttributesMask", bits(kInEnclosure)}}, {{"AttributesMask", bits(kGlobalHotSpare)}}}));
    EXPECT_EQ(IsDedicateHotSpareAllowed("2", "0"), 0);
    // The vendor is not asked when there is nothing to decide.
    EXPECT_TRUE(agent.requestsFor("getController").empty());
    EXPECT_EQ(agent.requestsFor("getArrayDisksForVirtualDisk")[0],
              (Request{"vexcmd=getArrayDisksForVirtualDisk", "GlobalNo=2", "LogicalDriveNum=0", "CLI=true"}));
}

TEST_F(Rules, FurtherDedicatedHotSpareDependsOnVendorId) {
    const struct {
        const char* vendor;  // null: element absent
        int32_t result;
    } cases[] = {{"0", -1}, {"1", 0}, {"12", 0}, {nullptr, -1}};
    for (const auto& c : cases) {
        Object controller = {{"GlobalNo", "2"}};
        if (c.vendor) controller.push_back({"VendorID", c.vendor});
        agent.on("getController", {"GlobalNo=2"}, reply({controller}));
        EXPECT_EQ(IsDedicateHotSpareAllowed("2", "0"), c.result) << (c.vendor ? c.vendor : "absent");
    }
    EXPECT_EQ(agent.requestsFor("getController")[0], (Request{"vexcmd=getController", "GlobalNo=2", "CLI=true"}));
}

TEST_F(Rules, DedicatedHotSpareAdmissionRefusesWithoutReplies) {
    // Virtual disk 3 has a dedicated hot spare, so the vendor is asked second.
    silenceRequest(2);
    EXPECT_EQ(IsDedicateHotSpareAllowed("0", "3"), -1);
    silenceRequest(1);
    EXPECT_EQ(IsDedicateHotSpareAllowed("0", "3"), -1);
}

// ---- Dedicated hot spare membership ------------------------------------------

TEST_F(Rules, DedicatedHotSparesAreListedFromTheAssociationReply) {
    // Spares at positions 2 and 5, among members and a global hot spare; the
    // identifier form follows each disk's protocol and enclosure bit.
    auto disk = [](const char* channel, const char* protocol, const char* enclosure, const char* target,
                   uint32_t attributes) {
        Object o = {{"Channel", channel}, {"TargetID", target}, {"AttributesMask", bits(attributes)}};
        if (protocol) o.push_back({"BusProtocol", protocol});
        if (enclosure) o.push_back({"EnclosureID", enclosure});
        return o;
    };
    agent.on("sendPassThruCmdToDCSIF", {"param2=200"},
             reply({disk("0", "8", "0", "0", kInEnclosure),
                    disk("1", "0", nullptr, "9", kGlobalHotSpare),
                    disk("0", "8", "1", "4", kInEnclosure | kDedicatedHotSpare),
                    disk("2", "7", nullptr, "3", 0),
                    disk("2", "8", "0", "1", kInEnclosure),
                    disk("2", "7", "3", "15", kInEnclosure | kDedicatedHotSpare)}));
    char list[KWSUP_LIST_SIZE] = {0};
    EXPECT_EQ(IsUserDHSValid("2:3:15", "0", "0", list), 0);
    EXPECT_STREQ(list, "0:1:4, 2:3:15");
    EXPECT_EQ(agent.requestsFor("sendPassThruCmdToDCSIF")[0],
              (Request{"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=3", "param0=getassoc", "param1=adisks",
                       "param2=200"}));
    EXPECT_EQ(agent.requestsFor("getVirtualDisksForController")[0],
              (Request{"vexcmd=getVirtualDisksForController", "GlobalNo=0", "CLI=true"}));

    memset(list, 0, sizeof list);
    EXPECT_EQ(IsUserDHSValid("2:15", "0", "0", list), -1);  // the enclosure form is the only one
    EXPECT_STREQ(list, "0:1:4, 2:3:15");
}

TEST_F(Rules, DedicatedHotSpareIdentifierForm) {
    const struct {
        const char* protocol;  // null: element absent
        uint32_t attributes;
        const char* id;
    } cases[] = {
        {"8", kInEnclosure | kDedicatedHotSpare, "1:2:15"},
        {"7", kInEnclosure | kDedicatedHotSpare, "1:2:15"},
        {"6", kInEnclosure | kDedicatedHotSpare, "1:15"},
        {nullptr, kInEnclosure | kDedicatedHotSpare, "1:15"},
        {"8", kDedicatedHotSpare, "1:15"},
    };
    for (const auto& c : cases) {
        Object o = {{"Channel", "1"}, {"EnclosureID", "2"}, {"TargetID", "15"}, {"AttributesMask", bits(c.attributes)}};
        if (c.protocol) o.push_back({"BusProtocol", c.protocol});
        agent.on("sendPassThruCmdToDCSIF", {"param2=200"}, reply({o}));
        char list[KWSUP_LIST_SIZE] = {0};
        EXPECT_EQ(IsUserDHSValid(c.id, "0", "0", list), 0) << (c.protocol ? c.protocol : "absent");
        EXPECT_STREQ(list, c.id);
    }
}

TEST_F(Rules, DedicatedHotSpareMembershipUsesTheVirtualDiskWithoutParent) {
    // Virtual disk 0 appears first as a child of another; its own ObjID is 77.
    agent.on("getVirtualDisksForController", {"GlobalNo=0"},
             reply({{{"LogicalDriveNum", "0"}, {"ParentVDID", "5"}, {"ObjID", "66"}},
                    {{"LogicalDriveNum", "0"}, {"ObjID", "77"}}}));
    agent.on("sendPassThruCmdToDCSIF", reply({}));
    char list[KWSUP_LIST_SIZE] = {0};
    EXPECT_EQ(IsUserDHSValid("0:0:3", "0", "0", list), -1);
    EXPECT_STREQ(list, "");
    EXPECT_EQ(agent.requestsFor("sendPassThruCmdToDCSIF")[0].back(), "param2=77");

    // No such virtual disk: the association is asked with an empty ObjID.
    EXPECT_EQ(IsUserDHSValid("0:0:3", "0", "9", list), -1);
    EXPECT_EQ(agent.requestsFor("sendPassThruCmdToDCSIF")[1].back(), "param2=");
}

TEST_F(Rules, DedicatedHotSpareMembershipWithoutRepliesRejects) {
    char list[KWSUP_LIST_SIZE] = {0};
    silenceRequest(2);  // the association
    EXPECT_EQ(IsUserDHSValid("0:0:3", "0", "0", list), -1);
    EXPECT_STREQ(list, "");
    silenceRequest(1);  // the virtual disks
    EXPECT_EQ(IsUserDHSValid("0:0:3", "0", "0", list), -1);
    EXPECT_STREQ(list, "");
}

// ---- Unchanged name and policies ---------------------------------------------

TEST_F(Rules, NameCountsAsUnchangedOnlyAgainstTheDisksOwnName) {
    EXPECT_EQ(IsVDNameDuplicate("Data", "0", "0"), 1);
    EXPECT_EQ(IsVDNameDuplicate("data", "0", "0"), 0);  // names compare case-sensitively
    EXPECT_EQ(IsVDNameDuplicate("Logs", "0", "0"), 0);  // another disk's name is free to take
    EXPECT_EQ(IsVDNameDuplicate("Fresh", "0", "1"), 1); // current name empty
    agent.on("getVirtualDisk", {"GlobalNo=0", "LogicalDriveNum=3"}, reply({{{"LogicalDriveNum", "3"}}}));
    EXPECT_EQ(IsVDNameDuplicate("Fresh", "0", "3"), 1); // current name missing
    EXPECT_EQ(agent.requestsFor("getVirtualDisk")[0],
              (Request{"vexcmd=getVirtualDisk", "GlobalNo=0", "LogicalDriveNum=0", "CLI=true"}));
    silenceRequest(1);
    EXPECT_EQ(IsVDNameDuplicate("Fresh", "0", "0"), 1);
}

TEST_F(Rules, PolicyCountsAsUnchangedWhenItsWordIsInForce) {
    // Virtual disk 0: ReadPolicy 4, WritePolicy 4, CachePolicy 1, DiskCachePolicy 1.
    const struct {
        const char* word;
        uint32_t kind;
        int32_t result;
    } cases[] = {
        {"ra", 1, 1},      {"rc", 1, 0},       {"RA", 1, 0},  // exact words
        {"wb", 2, 1},      {"wt", 2, 0},
        {"d", 3, 1},       {"c", 3, 0},
        {"enabled", 4, 1}, {"disabled", 4, 0},
        {"ra", 5, 0},      // no such kind
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsPolicyInfoDuplicate("0", c.word, "0", c.kind), c.result) << c.word << " kind " << c.kind;

    // Virtual disk 1 reports no write policy: nothing is in force.
    EXPECT_EQ(IsPolicyInfoDuplicate("0", "wc", "1", 2), 0);
    silenceRequest(1);
    EXPECT_EQ(IsPolicyInfoDuplicate("0", "rc", "0", 1), 1);
    silenceRequest(1);
    EXPECT_EQ(IsPolicyInfoDuplicate("0", "ra", "0", 5), 1) << "the agent is asked before the kind is judged";
}

// ---- Size change -------------------------------------------------------------

TEST_F(Rules, SizeMayChangeOnlyWithAttributeBit) {
    EXPECT_EQ(IsUserSizeParameterValidForReconfigure("0", "0"), 0);
    EXPECT_EQ(IsUserSizeParameterValidForReconfigure("0", "1"), -1);
    EXPECT_EQ(IsUserSizeParameterValidForReconfigure("0", "3"), 0);
    EXPECT_EQ(IsUserSizeParameterValidForReconfigure("0", "9"), -1);
    agent.on("getVirtualDisksForController", {"GlobalNo=0"}, reply({{{"LogicalDriveNum", "0"}}}));
    EXPECT_EQ(IsUserSizeParameterValidForReconfigure("0", "0"), -1);  // attributes missing
    silenceRequest(1);
    EXPECT_EQ(IsUserSizeParameterValidForReconfigure("0", "0"), 272);
}

TEST_F(Rules, BufferFailuresAnswer272) {
    setenv("KWTEST_FAIL", "xbuf:1:persistent", 1);
    KWTestReset();
    EXPECT_EQ(IsUserSizeParameterValidForReconfigure("0", "0"), 272);
    EXPECT_TRUE(agent.requests().empty());  // the buffer comes first
    EXPECT_EQ(IsVDNameDuplicate("New", "0", "0"), 272);
    EXPECT_EQ(IsPolicyInfoDuplicate("0", "ra", "0", 1), 272);
    EXPECT_EQ(IsDedicateHotSpareAllowed("0", "0"), 272);
}

}  // namespace
}  // namespace vdtest
