// XML support: a small DOM over libxml2 and a one-call element lookup over
// XML text.
//
// Node handles are libxml2 element nodes. Each parsed document carries, in its
// _private word, the Dom record that owns it together with the texts handed
// out by SXDOMGetValue, so those texts live exactly as long as the DOM.
//
// Parsing never touches the network, never loads external DTDs, never
// substitutes entities and never prints: parser diagnostics go to a silent
// structured handler installed on each parser context (not process-wide, so
// other libxml2 users in the process keep their own error reporting).

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "vexcs32.h"
#include "xdoc32.h"

namespace {

// ---- parsing ---------------------------------------------------------------

constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

struct DocDeleter {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocDeleter>;

struct ParserDeleter {
    void operator()(xmlParserCtxt* ctxt) const { xmlFreeParserCtxt(ctxt); }
};
using ParserPtr = std::unique_ptr<xmlParserCtxt, ParserDeleter>;

#if LIBXML_VERSION >= 21200
void ignoreParseError(void*, const xmlError*) {}
#else
void ignoreParseError(void*, xmlErrorPtr) {}
#endif

void initLibxmlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

// The text without trailing NULs: callers may count the terminator.
std::string_view documentBytes(const char* text, uint32_t length) {
    while (length > 0 && text[length - 1] == '\0') --length;
    return std::string_view(text, length);
}

// Parses a complete, well-formed document; null otherwise.
DocPtr parseWellFormed(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) return nullptr;
    initLibxmlOnce();
    ParserPtr ctxt(xmlNewParserCtxt());
    if (!ctxt || ctxt->sax == nullptr) return nullptr;
    ctxt->sax->serror = ignoreParseError;
    DocPtr doc(xmlCtxtReadMemory(ctxt.get(), bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                 nullptr, kParseOptions));
    if (!doc || !ctxt->wellFormed || xmlDocGetRootElement(doc.get()) == nullptr) return nullptr;
    return doc;
}

// ---- nodes -------------------------------------------------------------------

xmlNode* asXml(SXDOMNode* node) { return reinterpret_cast<xmlNode*>(node); }
SXDOMNode* asHandle(xmlNode* node) { return reinterpret_cast<SXDOMNode*>(node); }

bool isElement(const xmlNode* node) { return node->type == XML_ELEMENT_NODE; }

bool isElementNamed(const xmlNode* node, std::string_view name) {
    return isElement(node) && name == reinterpret_cast<const char*>(node->name);
}

// All text below the node, concatenated ("" for an empty element).
std::string textContent(const xmlNode* node) {
    xmlChar* content = xmlNodeGetContent(node);
    if (content == nullptr) throw std::bad_alloc();
    std::string text(reinterpret_cast<const char*>(content));
    xmlFree(content);
    return text;
}

// Visits every element below top (top excluded) in document order, without
// recursion so that deep documents cannot exhaust the stack.
template <typename Visit>
void forEachDescendantElement(xmlNode* top, Visit visit) {
    xmlNode* node = top->children;
    while (node != nullptr) {
        if (isElement(node)) {
            visit(node);
            if (node->children != nullptr) {
                node = node->children;
                continue;
            }
        }
        while (node->next == nullptr) {
            node = node->parent;
            if (node == top || node == nullptr) return;
        }
        node = node->next;
    }
}

// ---- DOM ---------------------------------------------------------------------

// Owns one parsed document and the value texts handed out for its nodes.
struct Dom {
    DocPtr doc;
    std::unordered_map<const xmlNode*, std::string> values;
};

Dom* domOf(const xmlNode* node) {
    if (node == nullptr || node->doc == nullptr) return nullptr;
    return static_cast<Dom*>(node->doc->_private);
}

SXDOMList* makeList(const std::vector<xmlNode*>& nodes) {
    size_t bytes = sizeof(SXDOMList) + nodes.size() * sizeof(SXDOMNode*);
    auto* list = static_cast<SXDOMList*>(std::malloc(bytes));
    if (list == nullptr) return nullptr;
    list->count = static_cast<uint32_t>(nodes.size());
    list->reserved = 0;
    for (size_t i = 0; i < nodes.size(); ++i) list->items[i] = asHandle(nodes[i]);
    KWTestAcquired(KWLIVE_DOMLIST);
    return list;
}

std::vector<xmlNode*> descendantsNamed(xmlNode* top, std::string_view name) {
    std::vector<xmlNode*> found;
    forEachDescendantElement(top, [&](xmlNode* node) {
        if (isElementNamed(node, name)) found.push_back(node);
    });
    return found;
}

std::vector<xmlNode*> elementChildren(xmlNode* parent) {
    std::vector<xmlNode*> children;
    for (xmlNode* child = parent->children; child != nullptr; child = child->next)
        if (isElement(child)) children.push_back(child);
    return children;
}

// ---- lookup over text ------------------------------------------------------------

struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};

// One parsed text: the exact bytes (every hit is verified against them) and,
// per element name, its elements in document order.
struct ParsedText {
    std::string bytes;
    DocPtr doc;
    std::unordered_map<std::string, std::vector<xmlNode*>, NameHash, std::equal_to<>> byName;
};

std::unique_ptr<ParsedText> parseAndIndex(std::string_view bytes) {
    DocPtr doc = parseWellFormed(bytes);
    if (!doc) return nullptr;
    auto parsed = std::make_unique<ParsedText>();
    parsed->bytes.assign(bytes);
    xmlNode* root = xmlDocGetRootElement(doc.get());
    auto index = [&](xmlNode* node) {
        std::string_view name(reinterpret_cast<const char*>(node->name));
        auto it = parsed->byName.find(name);
        if (it == parsed->byName.end()) it = parsed->byName.emplace(std::string(name), std::vector<xmlNode*>{}).first;
        it->second.push_back(node);
    };
    index(root);
    forEachDescendantElement(root, index);
    parsed->doc = std::move(doc);
    return parsed;
}

// The last few texts looked up, most recent first. Callers read one reply
// element by element, and nested queries alternate between an outer and an
// inner reply, so a handful of entries spares nearly every re-parse. An entry
// answers only for the very same bytes: a buffer reused for new text, even at
// the same address and length, is parsed afresh.
class ParseCache {
public:
    // The parse of bytes, or null when they are not well-formed XML.
    ParsedText* find(std::string_view bytes) {
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (holds(*entries_[i], bytes)) {
                moveToFront(i);
                return entries_.front().get();
            }
        }
        std::unique_ptr<ParsedText> parsed = parseAndIndex(bytes);
        if (!parsed) return nullptr;
        if (entries_.size() == kEntries) entries_.pop_back();
        entries_.insert(entries_.begin(), std::move(parsed));
        return entries_.front().get();
    }

    std::mutex& mutex() { return mutex_; }

private:
    static constexpr size_t kEntries = 4;

    static bool holds(const ParsedText& entry, std::string_view bytes) {
        return entry.bytes.size() == bytes.size() && std::memcmp(entry.bytes.data(), bytes.data(), bytes.size()) == 0;
    }

    void moveToFront(size_t i) {
        if (i == 0) return;
        std::unique_ptr<ParsedText> hit = std::move(entries_[i]);
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
        entries_.insert(entries_.begin(), std::move(hit));
    }

    std::mutex mutex_;
    std::vector<std::unique_ptr<ParsedText>> entries_;
};

// Never destroyed: lookups may come from other libraries' exit handlers, and
// the documents it holds need libxml2, whose own teardown order we do not own.
ParseCache& parseCache() {
    static ParseCache* cache = new ParseCache();
    return *cache;
}

// Copies value into out, cut to capacity - 1 bytes and terminated.
void copyBounded(const std::string& value, char* out, uint32_t capacity) {
    size_t n = value.size() < capacity ? value.size() : capacity - 1;
    std::memcpy(out, value.data(), n);
    out[n] = '\0';
}

constexpr int32_t kFound = 0;
constexpr int32_t kNotFound = 1;
constexpr int32_t kBadInput = -1;

int32_t lookupElement(std::string_view bytes, const char* name, uint32_t index, char* out, uint32_t capacity) {
    ParseCache& cache = parseCache();
    std::lock_guard<std::mutex> lock(cache.mutex());
    ParsedText* parsed = cache.find(bytes);
    if (parsed == nullptr) return kBadInput;
    auto it = parsed->byName.find(std::string_view(name));
    if (it == parsed->byName.end() || index >= it->second.size()) return kNotFound;
    copyBounded(textContent(it->second[index]), out, capacity);
    return kFound;
}

}  // namespace

extern "C" {

SXDOMNode* SXDOMCreate(const char* text, uint32_t length, uint32_t flags) {
    if (KWTestShouldFail(KWTEST_DOM)) return nullptr;
    if (text == nullptr) return nullptr;
    try {
        DocPtr doc = parseWellFormed(documentBytes(text, length));
        if (!doc) return nullptr;
        auto dom = std::make_unique<Dom>();
        xmlNode* root = xmlDocGetRootElement(doc.get());
        doc->_private = dom.get();
        dom->doc = std::move(doc);
        dom.release();
        KWTestAcquired(KWLIVE_DOM);
        return asHandle(root);
    } catch (...) {
        return nullptr;
    }
}

void SXDOMDestroy(SXDOMNode* root) {
    Dom* dom = domOf(asXml(root));
    if (dom == nullptr) return;
    delete dom;
    KWTestReleased(KWLIVE_DOM);
}

SXDOMList* SXDOMSelect(SXDOMNode* node, const char* name, uint32_t a, uint32_t b, uint32_t deep) {
    if (node == nullptr || name == nullptr) return nullptr;
    try {
        return makeList(descendantsNamed(asXml(node), name));
    } catch (...) {
        return nullptr;
    }
}

SXDOMList* SXDOMGetChildList(SXDOMNode* node) {
    if (node == nullptr) return nullptr;
    try {
        return makeList(elementChildren(asXml(node)));
    } catch (...) {
        return nullptr;
    }
}

const char* SXDOMGetName(SXDOMNode* node) {
    if (node == nullptr) return nullptr;
    return reinterpret_cast<const char*>(asXml(node)->name);
}

const char* SXDOMGetValue(SXDOMNode* node) {
    xmlNode* xml = asXml(node);
    Dom* dom = domOf(xml);
    if (dom == nullptr) return nullptr;
    try {
        auto cached = dom->values.find(xml);
        if (cached == dom->values.end()) cached = dom->values.emplace(xml, textContent(xml)).first;
        return cached->second.c_str();
    } catch (...) {
        return nullptr;
    }
}

void SXDOMFreeGenericList(SXDOMList* list) {
    if (list == nullptr) return;
    std::free(list);
    KWTestReleased(KWLIVE_DOMLIST);
}

int32_t XMLSupGetXMLMemData(uint32_t a0, const char* name, uint32_t a2, uint32_t index, uint32_t a4,
                            uint32_t* capacity, char* out, uint32_t altCapacity, char* altOut,
                            const char* text, uint32_t length) {
    // A zero capacity cannot hold even the terminator: refused like a null.
    if (name == nullptr || capacity == nullptr || *capacity == 0 || out == nullptr || text == nullptr)
        return kBadInput;
    try {
        return lookupElement(documentBytes(text, length), name, index, out, *capacity);
    } catch (...) {
        return kBadInput;
    }
}

}  // extern "C"
