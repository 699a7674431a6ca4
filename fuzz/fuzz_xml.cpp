// The XML lookups on arbitrary reply texts: the XML support library's
// element lookup and DOM, and the validation library's five lookups built on
// them. Input: one byte choosing the element name, one the index, one the
// capacity, then the reply text. Besides crashes and leaks it checks that no
// lookup writes past the capacity it was given, that a value is terminated
// where the lookup promises it, and that the text lookup and the DOM agree.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "vexcs32.h"
#include "xdoc32.h"

namespace {

const char* const kNames[] = {"GlobalNo",          "Name",          "LogicalDriveNum", "ParentVDID",
                              "Channel",           "TargetID",      "EnclosureID",     "MasterMethodMask",
                              "CurrentMethodMask", "DCStorageObject", "Reply",         "ROOT",
                              "Error",             "Path",          "a",               "x:y"};

using QueryFn = int32_t (*)(const char*, char*, uint32_t, ZCSXBuf*);
using QuerySizeFn = int32_t (*)(const char*, char*, uint32_t, uint32_t, ZCSXBuf*);
using RootQueryFn = int32_t (*)(SXDOMNode*, const char*, char*, uint32_t, uint32_t);
using CountFn = int32_t (*)(SXDOMNode*);

struct Lookups {
    QueryFn nodeValue;
    QuerySizeFn nodeValueWithSize;
    QueryFn nthObjectElement;
    RootQueryFn nthObjectElementOfRoot;
    CountFn objectCount;
};

const Lookups& lookups() {
    static const Lookups l = [] {
        const auto& p = rkfuzz::plugin();
        Lookups found{reinterpret_cast<QueryFn>(p.symbol("QueryNodeNameValue")),
                      reinterpret_cast<QuerySizeFn>(p.symbol("QueryNodeNameValueWithSize")),
                      reinterpret_cast<QueryFn>(p.symbol("QueryNthDCStorObjElement")),
                      reinterpret_cast<RootQueryFn>(p.symbol("QueryNthDCStorObjElementGiveRootNode")),
                      reinterpret_cast<CountFn>(p.symbol("GetDCStorObjElemNodeCount"))};
        if (!found.nodeValue || !found.nodeValueWithSize || !found.nthObjectElement ||
            !found.nthObjectElementOfRoot || !found.objectCount)
            std::abort();
        return found;
    }();
    return l;
}

[[noreturn]] void fail(const char* what, const char* name, uint32_t index, uint32_t capacity) {
    std::fprintf(stderr, "%s (name %s, index %u, capacity %u)\n", what, name, index, capacity);
    std::abort();
}

constexpr char kGuard = '\x5a';
constexpr size_t kSlack = 64;

// A destination of capacity bytes followed by guard bytes.
struct Destination {
    explicit Destination(size_t capacity) : bytes(capacity + kSlack, kGuard), capacity(capacity) {}
    char* data() { return bytes.data(); }
    bool guardIntact() const {
        for (size_t i = capacity; i < bytes.size(); ++i)
            if (bytes[i] != kGuard) return false;
        return true;
    }
    bool terminated() const { return std::memchr(bytes.data(), '\0', capacity) != nullptr; }
    std::vector<char> bytes;
    size_t capacity;
};

void textLookupAgainstDom(const std::string& text, const char* name, uint32_t index, uint32_t capacity) {
    Destination out(capacity);
    uint32_t cap = capacity;
    const int32_t found = XMLSupGetXMLMemData(0, name, 1, index, 1, &cap, out.data(), 0, nullptr, text.data(),
                                              static_cast<uint32_t>(text.size()));
    if (!out.guardIntact()) fail("XMLSupGetXMLMemData wrote past the capacity", name, index, capacity);
    if (found == 0 && !out.terminated()) fail("XMLSupGetXMLMemData left no terminator", name, index, capacity);

    SXDOMNode* root = SXDOMCreate(text.data(), static_cast<uint32_t>(text.size()), 1);
    if ((root == nullptr) != (found == -1)) fail("the text lookup and the DOM disagree on well-formedness", name,
                                                  index, capacity);
    if (root && std::strcmp(SXDOMGetName(root), name) != 0) {
        SXDOMList* all = SXDOMSelect(root, name, 0, 0, 1);
        if (all) {
            const bool inDom = index < all->count;
            if (inDom != (found == 0)) fail("the text lookup and the DOM disagree on presence", name, index, capacity);
            if (inDom) {
                const std::string whole = SXDOMGetValue(all->items[index]);
                if (whole.substr(0, capacity - 1) != out.data())
                    fail("the text lookup and the DOM disagree on the value", name, index, capacity);
            }
            SXDOMFreeGenericList(all);
        }
    }
    SXDOMDestroy(root);
}

void domWalk(const std::string& text, const char* name, uint32_t index, uint32_t capacity) {
    SXDOMNode* root = SXDOMCreate(text.data(), static_cast<uint32_t>(text.size()), 1);
    SXDOMNode* again = SXDOMCreate(text.data(), static_cast<uint32_t>(text.size()), 1);  // a shared parse
    lookups().objectCount(root);
    Destination value(capacity);
    std::memset(value.data(), 0, capacity);
    lookups().nthObjectElementOfRoot(root, name, value.data(), capacity, index);
    if (!value.guardIntact()) fail("QueryNthDCStorObjElementGiveRootNode wrote past the capacity", name, index,
                                   capacity);
    if (SXDOMList* objects = SXDOMSelect(root, "DCStorageObject", 0, 0, 1)) {
        for (uint32_t i = 0; i < objects->count; ++i) {
            if (SXDOMList* children = SXDOMGetChildList(objects->items[i])) {
                size_t read = 0;
                for (uint32_t c = 0; c < children->count; ++c)
                    read += std::strlen(SXDOMGetName(children->items[c])) +
                            std::strlen(SXDOMGetValue(children->items[c]));
                rkfuzz::keep(read);
                SXDOMFreeGenericList(children);
            }
        }
        SXDOMFreeGenericList(objects);
    }
    SXDOMDestroy(again);
    SXDOMDestroy(root);
}

void replyBufferLookups(const std::string& text, const char* name, uint32_t index, uint32_t capacity) {
    ZCSXBuf* buffer = ZCSXAllocBuf(0, 0);
    if (!buffer) std::abort();
    const std::string reply = text.c_str();  // the reply arrives as a C string
    if (ZCSXBufCatNode(buffer, "ROOT", nullptr, 1, reply.c_str()) == 0) {
        Destination fixed(256);
        lookups().nodeValue(name, fixed.data(), index, buffer);
        if (!fixed.guardIntact()) fail("QueryNodeNameValue wrote past 256 bytes", name, index, 256);
        Destination sized(capacity);
        lookups().nodeValueWithSize(name, sized.data(), capacity, index, buffer);
        if (!sized.guardIntact()) fail("QueryNodeNameValueWithSize wrote past the capacity", name, index, capacity);
        // The whole value is copied: a buffer as long as the reply holds any.
        std::vector<char> whole(buffer->length + 1, '\0');
        lookups().nthObjectElement(name, whole.data(), index, buffer);
    }
    ZCSXFreeBuf(buffer);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    lookups();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3 || size > 65536) return -1;
    const char* name = kNames[data[0] % (sizeof kNames / sizeof kNames[0])];
    const uint32_t index = data[1] % 8;
    const uint32_t capacity = 1 + data[2];
    const std::string text(reinterpret_cast<const char*>(data + 3), size - 3);
    textLookupAgainstDom(text, name, index, capacity);
    domWalk(text, name, index, capacity);
    replyBufferLookups(text, name, index, capacity);
    rkfuzz::requireNothingLive("the lookups");
    return 0;
}
