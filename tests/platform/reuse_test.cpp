// Reuse of work done on a text: element lookups and DOMs made from the same
// bytes share one parse, and a text that changed is never answered from an
// older one. The lookup's own index must give exactly the values the DOM
// gives for every element, whatever the document holds.
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform_fixture.h"
#include "vexcs32.h"
#include "xdoc32.h"

namespace {

using platformtest::PlatformTest;
using platformtest::ScopedEnv;

class Reuse : public PlatformTest {};

std::string lookupIn(const char* text, uint32_t length, const char* name, uint32_t index) {
    char out[128] = "";
    uint32_t cap = sizeof out;
    int32_t rc = XMLSupGetXMLMemData(0, name, 1, index, 1, &cap, out, 0, nullptr, text, length);
    return rc == 0 ? std::string(out) : "rc=" + std::to_string(rc);
}

std::string lookupIn(const ZCSXBuf* buf, const char* name, uint32_t index) {
    return lookupIn(buf->text, buf->length, name, index);
}

ZCSXBuf* bufferWith(const char* reply) {
    ZCSXBuf* buf = ZCSXAllocBuf(0, 0);
    if (buf != nullptr) ZCSXBufCatNode(buf, "ROOT", nullptr, 1, reply);
    return buf;
}

TEST_F(Reuse, BufferTextsHaveAVersionThatFollowsEveryChange) {
    ZCSXBuf* buf = ZCSXAllocBuf(0, 0);
    ASSERT_NE(buf, nullptr);
    uint64_t empty = 0, first = 0, second = 0, again = 0;
    ASSERT_EQ(ZCSXBufTextVersion(buf->text, buf->length, &empty), 1);
    ASSERT_EQ(ZCSXBufCatNode(buf, "A", nullptr, 0, "1"), 0);
    ASSERT_EQ(ZCSXBufTextVersion(buf->text, buf->length, &first), 1);
    ASSERT_EQ(ZCSXBufCatNode(buf, "B", nullptr, 0, std::string(1000, 'x').c_str()), 0);  // grows: may move
    ASSERT_EQ(ZCSXBufTextVersion(buf->text, buf->length, &second), 1);
    ASSERT_EQ(ZCSXBufTextVersion(buf->text, buf->length, &again), 1);
    EXPECT_NE(empty, first);
    EXPECT_NE(first, second);
    EXPECT_EQ(second, again) << "unchanged text, same version";

    uint64_t unused = 0;
    EXPECT_EQ(ZCSXBufTextVersion(buf->text, buf->length - 1, &unused), 0) << "another length is another text";
    EXPECT_EQ(ZCSXBufTextVersion(buf->text + 1, buf->length - 1, &unused), 0) << "only the text's start";
    const std::string copy(buf->text);
    EXPECT_EQ(ZCSXBufTextVersion(copy.c_str(), static_cast<uint32_t>(copy.size()), &unused), 0);
    EXPECT_EQ(ZCSXBufTextVersion(nullptr, 0, &unused), 0);

    char* content = ZCSXFreeBufGetContent(buf);
    EXPECT_EQ(ZCSXBufTextVersion(content, static_cast<uint32_t>(std::strlen(content)), &unused), 0)
        << "a text handed to the caller is no buffer's any more";
    ZCSXFreeBufContent(content);
}

TEST_F(Reuse, LookupFollowsABufferThatChangesOrIsReplaced) {
    ZCSXBuf* buf = bufferWith("<R><V>1</V></R>");
    ASSERT_NE(buf, nullptr);
    EXPECT_EQ(lookupIn(buf, "V", 0), "1");
    // A second top-level node makes the text ill-formed: the earlier
    // parse must not answer for it.
    ASSERT_EQ(ZCSXBufCatNode(buf, "V", nullptr, 0, "2"), 0);
    EXPECT_EQ(lookupIn(buf, "V", 0), "rc=-1");
    ZCSXFreeBuf(buf);

    // Same length, quite possibly the same address: never the old answer.
    for (const char* value : {"3", "4", "5"}) {
        ZCSXBuf* next = bufferWith((std::string("<R><V>") + value + "</V></R>").c_str());
        ASSERT_NE(next, nullptr);
        EXPECT_EQ(lookupIn(next, "V", 0), value);
        ZCSXFreeBuf(next);
    }
}

TEST_F(Reuse, NestedQueriesReadOuterAndInnerBuffersAlternately) {
    ZCSXBuf* outer = bufferWith("<R><O><ObjID>10</ObjID></O><O><ObjID>11</ObjID></O><O><ObjID>12</ObjID></O></R>");
    ASSERT_NE(outer, nullptr);
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(lookupIn(outer, "ObjID", i), std::to_string(10 + i));
        const std::string inner = "<R><D>" + std::to_string(i) + ":0</D><D>" + std::to_string(i) + ":1</D></R>";
        ZCSXBuf* disks = bufferWith(inner.c_str());
        ASSERT_NE(disks, nullptr);
        EXPECT_EQ(lookupIn(disks, "D", 1), std::to_string(i) + ":1");
        EXPECT_EQ(lookupIn(disks, "D", 2), "rc=1");
        ZCSXFreeBuf(disks);
    }
    EXPECT_EQ(lookupIn(outer, "ObjID", 3), "rc=1");
    ZCSXFreeBuf(outer);
}

// Every element of the document, root first, in document order, as the DOM
// sees them: what the lookup by name and position must agree with.
void collect(SXDOMNode* node, std::vector<std::pair<std::string, std::string>>& out) {
    out.emplace_back(SXDOMGetName(node), SXDOMGetValue(node));
    SXDOMList* children = SXDOMGetChildList(node);
    for (uint32_t i = 0; children && i < children->count; ++i) collect(children->items[i], out);
    SXDOMFreeGenericList(children);
}

class LookupMatchesDom : public Reuse, public ::testing::WithParamInterface<const char*> {};

TEST_P(LookupMatchesDom, ForEveryElement) {
    const std::string doc = GetParam();
    const auto length = static_cast<uint32_t>(doc.size());
    SXDOMNode* root = SXDOMCreate(doc.c_str(), length, 1);
    ASSERT_NE(root, nullptr);
    std::vector<std::pair<std::string, std::string>> elements;
    collect(root, elements);
    std::map<std::string, uint32_t> seen;
    for (const auto& [name, value] : elements) {
        uint32_t& index = seen[name];
        EXPECT_EQ(lookupIn(doc.c_str(), length, name.c_str(), index), value.substr(0, 127)) << name << " #" << index;
        ++index;
    }
    for (const auto& [name, count] : seen) EXPECT_EQ(lookupIn(doc.c_str(), length, name.c_str(), count), "rc=1");
    SXDOMDestroy(root);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, LookupMatchesDom,
    ::testing::Values(
        "<R><O><A>1</A><B>2</B></O><O><A>3</A><C/></O></R>",
        "<?xml version=\"1.0\"?>\n<!-- head --><R>\n  <O><A>a &amp; b &#65;</A><?pi x?><A><![CDATA[<raw>]]>!</A></O>\n</R>",
        "<R xmlns:p=\"urn:p\"><p:A>ns</p:A><A>plain</A><p:B><A>deep</A></p:B></R>",
        "<R><A>x<!-- inside -->y</A><A></A><A/></R>",
        "<!DOCTYPE R [<!ENTITY e \"xy\"><!ENTITY n \"<A>in</A>\">]><R><A>a&e;b</A><B>&n;</B></R>",
        "<!DOCTYPE R [<!ENTITY ext SYSTEM \"file:///etc/hostname\">]><R><A>[&ext;]</A></R>"));

TEST_F(Reuse, DomsOfTheSameTextShareOneParse) {
    const std::string doc = "<R><DCStorageObject><N>0</N></DCStorageObject><DCStorageObject><N>1</N></DCStorageObject></R>";
    const auto length = static_cast<uint32_t>(doc.size());
    SXDOMNode* first = SXDOMCreate(doc.c_str(), length, 1);
    SXDOMNode* second = SXDOMCreate(doc.c_str(), length, 1);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(KWTestLiveCount(KWLIVE_DOM), 2) << "every creation is counted and must be destroyed";
    SXDOMList* objects = SXDOMSelect(first, "DCStorageObject", 0, 0, 1);
    ASSERT_NE(objects, nullptr);
    ASSERT_EQ(objects->count, 2u);
    SXDOMNode* object = objects->items[1];
    SXDOMFreeGenericList(objects);
    SXDOMDestroy(first);
    EXPECT_STREQ(SXDOMGetValue(object), "1") << "the other handle keeps the DOM";
    SXDOMList* again = SXDOMSelect(second, "DCStorageObject", 0, 0, 1);
    EXPECT_EQ(again->count, 2u);
    SXDOMList* inner = SXDOMSelect(again->items[0], "N", 0, 0, 1);
    EXPECT_EQ(inner->count, 1u);
    SXDOMFreeGenericList(inner);
    SXDOMFreeGenericList(again);
    SXDOMDestroy(second);
    EXPECT_EQ(KWTestLiveCount(KWLIVE_DOM), 0);

    // A new text in a buffer, quite possibly at the same address and of
    // the same length, gives a new DOM.
    for (const char* value : {"1", "2"}) {
        ZCSXBuf* buf = bufferWith((std::string("<V>") + value + "</V>").c_str());
        ASSERT_NE(buf, nullptr);
        SXDOMNode* dom = SXDOMCreate(buf->text, buf->length, 1);
        ASSERT_NE(dom, nullptr);
        EXPECT_STREQ(SXDOMGetValue(dom), value);
        SXDOMDestroy(dom);
        ZCSXFreeBuf(buf);
    }
}

TEST_F(Reuse, EveryDomCreationCanStillBeMadeToFail) {
    ScopedEnv fail("KWTEST_FAIL", "dom:2");
    KWTestReset();
    SXDOMNode* first = SXDOMCreate("<A>x</A>", 8, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(SXDOMCreate("<A>x</A>", 8, 1), nullptr) << "even when the parse is at hand";
    SXDOMNode* third = SXDOMCreate("<A>x</A>", 8, 1);
    EXPECT_NE(third, nullptr);
    SXDOMDestroy(third);
    SXDOMDestroy(first);
}

}  // namespace
