// The virtual disk rules against exact agent replies: which virtual disk's
// method masks decide, how dedicated hot spares are admitted and listed, and
// when a name or policy counts as unchanged.
#include <string.h>

#include "kwsup/kwsup.h"
#include "vdisk_fixture.h"

namespace vdtest {
namespace {

using Rules = VdiskTest;

TEST_F(Rules, OperationFlagsComeFromTheNamedVirtualDisk) {
    const struct {
        const char* action;
        const char* vdisk;
        uint32_t supported;
        uint32_t allowed;
    } cases[] = {
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
    EXPECT_EQ(agent.requests()[0], (Request{"vexcmd=getVirtualDisksForController", "GlobalNo=0", "CLI=true"}));

    // Logical drive numbers match on ten characters.
    agent.on("getVirtualDisksForController", {"GlobalNo=0"},
             reply({{{"LogicalDriveNum", "123456789012"}, {"MasterMethodMask", "1"}, {"CurrentMethodMask", "1"}}}));
    uint32_t supported = 0, allowed = 0;
    IsUserOperationValidForVirtualDisk("reconfigure", "0", "1234567890", &supported, &allowed);
    EXPECT_EQ(supported + allowed, 2u);

    // Without a reply, or with one not well-formed, the flags are left.
    silenceRequest(1);
    EXPECT_EQ(IsUserOperationValidForVirtualDisk("blink", "0", "0", &supported, &allowed), 272);
    agent.on("getVirtualDisksForController", {"GlobalNo=0"}, "<Reply><DCStorageObject>");
    EXPECT_EQ(IsUserOperationValidForVirtualDisk("blink", "0", "0", &supported, &allowed), 272);
    EXPECT_EQ(supported + allowed, 2u);
}

TEST_F(Rules, FurtherDedicatedHotSpareDependsOnVendorId) {
    // Without a dedicated hot spare yet, the vendor is not asked.
    agent.on("getArrayDisksForVirtualDisk", {"GlobalNo=2", "LogicalDriveNum=0"},
             reply({{{"AttributesMask", bits(kInEnclosure)}}, {{"AttributesMask", bits(kGlobalHotSpare)}}}));
    EXPECT_EQ(IsDedicateHotSpareAllowed("2", "0"), 0);
    EXPECT_EQ(agent.requests(), (std::vector<Request>{
        {"vexcmd=getArrayDisksForVirtualDisk", "GlobalNo=2", "LogicalDriveNum=0", "CLI=true"}}));
    scriptSystem(agent);
    const std::pair<const char*, int32_t> cases[] = {{"0", -1}, {"1", 0}, {"12", 0}, {nullptr, -1}};
    for (const auto& [vendor, result] : cases) {
        Object controller = {{"GlobalNo", "2"}};
        if (vendor) controller.push_back({"VendorID", vendor});
        agent.on("getController", {"GlobalNo=2"}, reply({controller}));
        EXPECT_EQ(IsDedicateHotSpareAllowed("2", "0"), result) << (vendor ? vendor : "absent");
    }
    EXPECT_EQ(agent.requests().back(), (Request{"vexcmd=getController", "GlobalNo=2", "CLI=true"}));
    // Virtual disk 3 has a dedicated hot spare: no reply to either question refuses.
    for (int n : {1, 2}) {
        silenceRequest(n);
        EXPECT_EQ(IsDedicateHotSpareAllowed("0", "3"), -1) << n;
    }
}

Object disk(const char* channel, const char* protocol, const char* enclosure, const char* target, uint32_t attributes) {
    Object o = {{"Channel", channel}, {"TargetID", target}, {"AttributesMask", bits(attributes)}};
    if (protocol) o.push_back({"BusProtocol", protocol});
    if (enclosure) o.push_back({"EnclosureID", enclosure});
    return o;
}

TEST_F(Rules, DedicatedHotSparesAreListedFromTheAssociationReply) {
    // Spares at positions 2 and 5, among members and a global hot spare.
    agent.on("sendPassThruCmdToDCSIF", {"param2=200"},
             reply({disk("0", "8", "0", "0", kInEnclosure), disk("1", "0", nullptr, "9", kGlobalHotSpare),
                    disk("0", "8", "1", "4", kInEnclosure | kDedicatedHotSpare), disk("2", "7", nullptr, "3", 0),
                    disk("2", "8", "0", "1", kInEnclosure),
                    disk("2", "7", "3", "15", kInEnclosure | kDedicatedHotSpare)}));
    char list[KWSUP_LIST_SIZE] = {0};
    EXPECT_EQ(IsUserDHSValid("2:3:15", "0", "0", list), 0);
    EXPECT_STREQ(list, "0:1:4, 2:3:15");
    EXPECT_EQ(agent.requests(), (std::vector<Request>{
        {"vexcmd=getVirtualDisksForController", "GlobalNo=0", "CLI=true"},
        {"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=3", "param0=getassoc", "param1=adisks", "param2=200"}}));
    memset(list, 0, sizeof list);
    EXPECT_EQ(IsUserDHSValid("2:15", "0", "0", list), -1);  // the enclosure form is the only one
    EXPECT_STREQ(list, "0:1:4, 2:3:15");

    // The identifier form follows each disk's protocol and enclosure bit; an
    // element the disk lacks leaves its part empty.
    const std::tuple<const char*, uint32_t, const char*, const char*> forms[] = {
        {"8", kInEnclosure, "2", "1:2:15"}, {"7", kInEnclosure, "2", "1:2:15"}, {"6", kInEnclosure, "2", "1:15"},
        {nullptr, kInEnclosure, "2", "1:15"}, {"8", 0, "2", "1:15"}, {"8", kInEnclosure, nullptr, "1::15"},
    };
    for (const auto& [protocol, attributes, enclosure, id] : forms) {
        agent.on("sendPassThruCmdToDCSIF", {"param2=200"},
                 reply({disk("1", protocol, enclosure, "15", attributes | kDedicatedHotSpare)}));
        memset(list, 0, sizeof list);
        EXPECT_EQ(IsUserDHSValid(id, "0", "0", list), 0) << id;
        EXPECT_STREQ(list, id);
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
    EXPECT_EQ(IsUserDHSValid("0:0:3", "0", "9", list), -1);  // no such virtual disk: an empty ObjID
    EXPECT_STREQ(list, "");
    const auto asked = agent.requestsFor("sendPassThruCmdToDCSIF");
    EXPECT_EQ(asked[0].back() + " " + asked[1].back(), "param2=77 param2=");

    scriptSystem(agent);
    for (int n : {1, 2}) {  // no reply for the virtual disks, or the association
        silenceRequest(n);
        EXPECT_EQ(IsUserDHSValid("0:0:3", "0", "0", list), -1) << n;
        EXPECT_STREQ(list, "");
    }
}

TEST_F(Rules, NameAndPolicyCountAsUnchangedWhenInForce) {
    EXPECT_EQ(IsVDNameDuplicate("Data", "0", "0"), 1);
    EXPECT_EQ(IsVDNameDuplicate("data", "0", "0"), 0);  // names compare case-sensitively
    EXPECT_EQ(IsVDNameDuplicate("Logs", "0", "0"), 0);  // another disk's name is free to take
    EXPECT_EQ(IsVDNameDuplicate("Fresh", "0", "1"), 1); // current name empty
    EXPECT_EQ(agent.requests()[0], (Request{"vexcmd=getVirtualDisk", "GlobalNo=0", "LogicalDriveNum=0", "CLI=true"}));
    silenceRequest(1);
    EXPECT_EQ(IsVDNameDuplicate("Fresh", "0", "0"), 1);

    // Virtual disk 0: ReadPolicy 4, WritePolicy 4, CachePolicy 1, DiskCachePolicy 1.
    const std::tuple<const char*, uint32_t, int32_t> cases[] = {
        {"ra", 1, 1}, {"rc", 1, 0}, {"RA", 1, 0}, {"wb", 2, 1}, {"wt", 2, 0}, {"d", 3, 1}, {"c", 3, 0},
        {"enabled", 4, 1}, {"disabled", 4, 0}, {"ra", 5, 0},  // no such kind
    };
    for (const auto& [word, kind, result] : cases)
        EXPECT_EQ(IsPolicyInfoDuplicate("0", word, "0", kind), result) << word << " kind " << kind;
    EXPECT_EQ(IsPolicyInfoDuplicate("0", "wc", "1", 2), 0);  // no write policy: nothing in force
    silenceRequest(1);
    EXPECT_EQ(IsPolicyInfoDuplicate("0", "ra", "0", 5), 1) << "the agent is asked before the kind is judged";
}

TEST_F(Rules, SizeMayChangeOnlyWithAttributeBit) {
    const std::pair<const char*, int32_t> cases[] = {{"0", 0}, {"1", -1}, {"3", 0}, {"9", -1}};
    for (const auto& [vdisk, result] : cases) EXPECT_EQ(IsUserSizeParameterValidForReconfigure("0", vdisk), result);
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
