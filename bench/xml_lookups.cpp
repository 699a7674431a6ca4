// Lookups over agent replies, the way the identifier checks make them: one
// reply per agent query, wrapped into a fresh reply buffer, then read element
// by element (XMLSupGetXMLMemData through QueryNodeNameValueWithSize) or
// object by object (QueryNthDCStorObjElement, one DOM per call).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "kwsup/kwsup.h"
#include "replies.h"

namespace {

using rkbench::kLarge;
using rkbench::kMedium;
using rkbench::kSmall;

ZCSXBuf* wrap(const std::string& reply) {
    ZCSXBuf* buffer = ZCSXAllocBuf(0, 0);
    if (buffer != nullptr) ZCSXBufCatNode(buffer, "ROOT", nullptr, 1, reply.c_str());
    return buffer;
}

// The physical disk check's reads of one connector's disks: ObjID until it
// runs out, then per disk the attribute mask, connector, target and
// enclosure.
int readDisks(ZCSXBuf* buffer) {
    static const char* const kPerDisk[] = {"AttributesMask", "Channel", "TargetID", "EnclosureID"};
    char value[64];
    int disks = 0;
    for (uint32_t i = 0; QueryNodeNameValueWithSize("ObjID", value, 11, i, buffer) == 0; ++i, ++disks)
        for (const char* name : kPerDisk) QueryNodeNameValueWithSize(name, value, 33, i, buffer);
    return disks;
}

// Replies that differ in one byte, taken in turn, more of them than any
// cache of parsed texts holds: every query brings a reply the lookups have
// not seen yet, as in a command.
struct Alternating {
    static constexpr size_t kVariants = 8;
    explicit Alternating(const std::string& reply) {
        for (size_t i = 0; i < kVariants; ++i) {
            replies[i] = reply;
            replies[i][replies[i].rfind("</GlobalNo>") - 1] = static_cast<char>('0' + i);
        }
    }
    const std::string& next() { return replies[turn++ % kVariants]; }
    std::string replies[kVariants];
    size_t turn = 0;
};

void BM_DiskCheckReadsOneReply(benchmark::State& state) {
    Alternating replies(rkbench::diskReply(static_cast<int>(state.range(0))));
    const std::string& reply = replies.replies[0];
    for (auto _ : state) {
        ZCSXBuf* buffer = wrap(replies.next());
        benchmark::DoNotOptimize(readDisks(buffer));
        ZCSXFreeBuf(buffer);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reply.size()));
}
BENCHMARK(BM_DiskCheckReadsOneReply)->Arg(kSmall)->Arg(kMedium)->Arg(kLarge)->Unit(benchmark::kMicrosecond);

// The same reads over one text that is no reply buffer's, again and again:
// the lookup must compare the text to know it (the cost a buffer's version
// spares), and never needs to parse it again.
void BM_DiskReadsOverPlainText(benchmark::State& state) {
    const std::string reply = rkbench::diskReply(static_cast<int>(state.range(0)));
    static const char* const kPerDisk[] = {"ObjID", "AttributesMask", "Channel", "TargetID", "EnclosureID"};
    for (auto _ : state) {
        const std::string text = "<ROOT>" + reply.substr(reply.find("<Reply")) + "</ROOT>";
        char value[64];
        for (uint32_t i = 0;; ++i) {
            uint32_t capacity = sizeof value;
            if (XMLSupGetXMLMemData(0, "ObjID", 1, i, 1, &capacity, value, 0, nullptr, text.c_str(),
                                    static_cast<uint32_t>(text.size())) != 0)
                break;
            for (const char* name : kPerDisk) {
                capacity = sizeof value;
                XMLSupGetXMLMemData(0, name, 1, i, 1, &capacity, value, 0, nullptr, text.c_str(),
                                    static_cast<uint32_t>(text.size()));
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DiskReadsOverPlainText)->Arg(kSmall)->Arg(kMedium)->Arg(kLarge)->Unit(benchmark::kMicrosecond);

// A lookup in a reply already read once: the steady cost of one element.
void BM_OneLookupInAKnownReply(benchmark::State& state) {
    ZCSXBuf* buffer = wrap(rkbench::diskReply(static_cast<int>(state.range(0))));
    const uint32_t last = static_cast<uint32_t>(state.range(0) - 1);
    char value[64];
    for (auto _ : state) benchmark::DoNotOptimize(QueryNodeNameValueWithSize("TargetID", value, 16, last, buffer));
    ZCSXFreeBuf(buffer);
}
BENCHMARK(BM_OneLookupInAKnownReply)->Arg(kSmall)->Arg(kMedium)->Arg(kLarge);

// The virtual disk check: per object its number and whether it has a
// parent, each read through QueryNthDCStorObjElement (one DOM per call).
void BM_VirtualDiskCheckReadsPerObject(benchmark::State& state) {
    Alternating replies(rkbench::virtualDiskReply(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        ZCSXBuf* buffer = wrap(replies.next());
        char number[256];
        char parent[256];
        uint32_t listed = 0;
        for (uint32_t i = 0; QueryNthDCStorObjElement("LogicalDriveNum", number, i, buffer) == 0; ++i)
            if (QueryNthDCStorObjElement("ParentVDID", parent, i, buffer) != 0) ++listed;
        benchmark::DoNotOptimize(listed);
        ZCSXFreeBuf(buffer);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_VirtualDiskCheckReadsPerObject)->Arg(kSmall)->Arg(64)->Arg(kMedium)->Unit(benchmark::kMicrosecond);

// Many values of one reply through one DOM, as the capability checks read.
// Replies taken in turn, so that every iteration parses (a DOM of the very
// same text would be shared).
void BM_ReadEveryObjectOfOneDom(benchmark::State& state) {
    Alternating replies(rkbench::virtualDiskReply(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        const std::string& reply = replies.next();
        SXDOMNode* root = SXDOMCreate(reply.c_str(), static_cast<uint32_t>(reply.size()), 1);
        const int32_t objects = GetDCStorObjElemNodeCount(root);
        char mask[101];
        for (int32_t i = 0; i < objects; ++i) {
            std::memset(mask, 0, sizeof mask);
            QueryNthDCStorObjElementGiveRootNode(root, "CurrentMethodMask", mask, 100, static_cast<uint32_t>(i));
        }
        SXDOMDestroy(root);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadEveryObjectOfOneDom)->Arg(kSmall)->Arg(kMedium)->Arg(kLarge)->Unit(benchmark::kMicrosecond);

}  // namespace
