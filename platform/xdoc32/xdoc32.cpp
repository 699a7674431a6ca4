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
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <cstdint>
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

// ---- identity of a text ---------------------------------------------------------

// Says whether two texts handed in are the same bytes. The text of a live
// common-services XML buffer is known by its address, length and version
// (the version changes whenever the buffer's text does), which costs nothing
// to compare; any other text is known by a copy of its bytes. So reading one
// buffer element by element never compares the whole reply per element.
class TextKey {
public:
    static TextKey of(std::string_view bytes) {
        TextKey key;
        key.address_ = bytes.data();
        key.length_ = bytes.size();
        uint64_t version = 0;
        if (bytes.size() <= UINT32_MAX &&
            ZCSXBufTextVersion(bytes.data(), static_cast<uint32_t>(bytes.size()), &version) == 1)
            key.version_ = version;
        return key;
    }

    // Keeps the bytes when the text has no version, for later comparisons.
    void keepBytes() {
        if (version_ == 0) copy_.assign(address_, length_);
    }

    bool answersFor(const TextKey& text) const {
        if (length_ != text.length_ || version_ != text.version_) return false;
        if (version_ != 0) return address_ == text.address_;
        return std::memcmp(copy_.data(), text.address_, length_) == 0;
    }

    size_t length() const { return length_; }
    bool versioned() const { return version_ != 0; }

private:
    const char* address_ = nullptr;
    size_t length_ = 0;
    uint64_t version_ = 0;  // 0: not a buffer's text
    std::string copy_;      // the bytes, for texts without a version
};

// ---- DOM ---------------------------------------------------------------------

// Owns one parsed document and the value texts handed out for its nodes.
// A DOM is read-only, so every SXDOMCreate of the same text shares one
// parse: callers that create and destroy a DOM per lookup (reading one reply
// object by object) parse it once. Whole-document selections are kept too,
// since such callers select the same objects again for every lookup.
struct Dom {
    DocPtr doc;
    TextKey key;
    bool shared = false;   // known to the DOM cache
    uint32_t handles = 0;  // SXDOMCreate results not yet destroyed
    std::unordered_map<const xmlNode*, std::string> values;
    std::unordered_map<std::string, std::vector<xmlNode*>> rootSelections;
};

Dom* domOf(const xmlNode* node) {
    if (node == nullptr || node->doc == nullptr) return nullptr;
    return static_cast<Dom*>(node->doc->_private);
}

// DOMs by text: every one with handles out, and the last one whose handles
// are all gone while its text is small (a big idle DOM is not worth its
// memory: its callers parse it once anyway). A big text that is no buffer's
// is not shared at all: knowing it again would take a copy of it.
class DomCache {
public:
    static constexpr size_t kIdleTextLimit = 256 * 1024;

    static bool worthSharing(const TextKey& key) { return key.versioned() || key.length() <= kIdleTextLimit; }

    Dom* find(const TextKey& key) {
        for (Dom* dom : doms_)
            if (dom->key.answersFor(key)) return dom;
        return nullptr;
    }

    void add(Dom* dom) { doms_.push_back(dom); }

    // The DOM lost its last handle.
    void idle(Dom* dom) {
        std::erase(doms_, dom);
        if (dom->key.length() > kIdleTextLimit) {
            delete dom;
            return;
        }
        if (idle_ != nullptr) {
            std::erase(doms_, idle_);
            delete idle_;
        }
        idle_ = dom;
        doms_.push_back(dom);
    }

    void wake(Dom* dom) {
        if (idle_ == dom) idle_ = nullptr;
    }

    std::mutex& mutex() { return mutex_; }

private:
    std::mutex mutex_;
    std::vector<Dom*> doms_;
    Dom* idle_ = nullptr;
};

// Never destroyed, like the lookup cache below.
DomCache& domCache() {
    static DomCache* cache = new DomCache();
    return *cache;
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

// Where an element's text lies in TextIndex::stream.
struct Span {
    uint32_t begin;
    uint32_t end;
};

// One text, indexed for lookups by name and position: all character data
// in document order as one stream, and per element name the spans of its
// elements, in document order. An element's text (all text below it,
// concatenated) is exactly the stream between its start and end tags, so
// no tree is kept.
struct TextIndex {
    TextKey key;
    std::string stream;
    std::unordered_map<std::string, std::vector<Span>, NameHash, std::equal_to<>> byName;

    std::vector<Span>& spansOf(std::string_view name) {
        auto it = byName.find(name);
        if (it == byName.end()) it = byName.emplace(std::string(name), std::vector<Span>{}).first;
        return it->second;
    }
};

// Builds a TextIndex from parser events. Element names come from the
// parser's dictionary, so one name arrives at one address; the address is
// remembered (and the name still compared) to spare hashing every name.
class IndexBuilder {
public:
    explicit IndexBuilder(TextIndex& index) : index_(index) {}

    void open(const char* name) {
        auto [known, fresh] = byAddress_.try_emplace(name);
        if (fresh || known->second.first != name) known->second = {std::string(name), &index_.spansOf(name)};
        std::vector<Span>* spans = known->second.second;
        spans->push_back(Span{position(), 0});
        open_.push_back({spans, spans->size() - 1});
        sawElement_ = true;
    }

    void close() {
        if (open_.empty()) return;
        auto [spans, at] = open_.back();
        open_.pop_back();
        (*spans)[at].end = position();
    }

    void text(const char* bytes, size_t length) {
        if (!open_.empty()) index_.stream.append(bytes, length);
    }

    bool sawElement() const { return sawElement_; }
    bool sawDoctype = false;
    bool failed = false;
    xmlParserCtxt* parser = nullptr;

private:
    uint32_t position() const { return static_cast<uint32_t>(index_.stream.size()); }

    TextIndex& index_;
    std::unordered_map<const char*, std::pair<std::string, std::vector<Span>*>> byAddress_;
    std::vector<std::pair<std::vector<Span>*, size_t>> open_;
    bool sawElement_ = false;
};

IndexBuilder& builderOf(void* context) { return *static_cast<IndexBuilder*>(context); }

// The parser calls back through C: nothing may be thrown through it, so a
// failure stops the parse and is reported afterwards.
template <typename Body>
void guarded(void* context, Body body) {
    IndexBuilder& builder = builderOf(context);
    if (builder.failed) return;
    try {
        body(builder);
    } catch (...) {
        builder.failed = true;
        xmlStopParser(builder.parser);
    }
}

void onStartElement(void* context, const xmlChar* localname, const xmlChar*, const xmlChar*, int, const xmlChar**,
                    int, int, const xmlChar**) {
    guarded(context, [&](IndexBuilder& b) { b.open(reinterpret_cast<const char*>(localname)); });
}

void onEndElement(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    guarded(context, [](IndexBuilder& b) { b.close(); });
}

void onCharacters(void* context, const xmlChar* bytes, int length) {
    guarded(context, [&](IndexBuilder& b) { b.text(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length)); });
}

void onDoctype(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    builderOf(context).sawDoctype = true;
}

// Entity references in a document with a DTD need the DTD's declarations,
// which only the tree builder keeps; such documents take the tree path.
xmlSAXHandler indexingHandler() {
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = onStartElement;
    sax.endElementNs = onEndElement;
    sax.characters = onCharacters;
    sax.ignorableWhitespace = onCharacters;
    sax.cdataBlock = onCharacters;
    sax.internalSubset = onDoctype;
    sax.serror = ignoreParseError;
    return sax;
}

enum class IndexResult { kIndexed, kMalformed, kNeedsTree };

IndexResult indexByEvents(std::string_view bytes, TextIndex& index) {
    initLibxmlOnce();
    ParserPtr ctxt(xmlCreateMemoryParserCtxt(bytes.data(), static_cast<int>(bytes.size())));
    if (!ctxt) throw std::bad_alloc();
    // The context owns its handler record and frees it with itself.
    auto* sax = static_cast<xmlSAXHandler*>(xmlMalloc(sizeof(xmlSAXHandler)));
    if (sax == nullptr) throw std::bad_alloc();
    *sax = indexingHandler();
    xmlFree(ctxt->sax);
    ctxt->sax = sax;
    IndexBuilder builder(index);
    builder.parser = ctxt.get();
    ctxt->userData = &builder;
    xmlCtxtUseOptions(ctxt.get(), kParseOptions);
    xmlParseDocument(ctxt.get());
    if (ctxt->myDoc != nullptr) {
        xmlFreeDoc(ctxt->myDoc);
        ctxt->myDoc = nullptr;
    }
    if (builder.failed) throw std::bad_alloc();
    if (builder.sawDoctype) return IndexResult::kNeedsTree;
    if (!ctxt->wellFormed || !builder.sawElement()) return IndexResult::kMalformed;
    return IndexResult::kIndexed;
}

// The same index from a parsed tree: text and CDATA nodes add their text,
// entity references the entity's text, exactly as an element's text content
// is made up.
void indexFromTree(xmlNode* root, TextIndex& index) {
    std::vector<std::pair<std::vector<Span>*, size_t>> open;
    auto position = [&] { return static_cast<uint32_t>(index.stream.size()); };
    auto finish = [&](xmlNode* node) {
        if (!isElement(node)) return;
        auto [spans, at] = open.back();
        open.pop_back();
        (*spans)[at].end = position();
    };
    xmlNode* node = root;
    while (true) {
        if (isElement(node)) {
            std::vector<Span>& spans = index.spansOf(reinterpret_cast<const char*>(node->name));
            spans.push_back(Span{position(), 0});
            open.push_back({&spans, spans.size() - 1});
            if (node->children != nullptr) {
                node = node->children;
                continue;
            }
        } else if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            if (node->content != nullptr) index.stream += reinterpret_cast<const char*>(node->content);
        } else if (node->type == XML_ENTITY_REF_NODE) {
            // An undeclared or unloaded entity adds nothing.
            if (xmlChar* content = xmlNodeGetContent(node)) {
                index.stream += reinterpret_cast<const char*>(content);
                xmlFree(content);
            }
        }
        // Leave the node, and every ancestor whose last child it was.
        while (true) {
            finish(node);
            if (node == root) return;
            if (node->next != nullptr) {
                node = node->next;
                break;
            }
            node = node->parent;
        }
    }
}

std::unique_ptr<TextIndex> parseAndIndex(std::string_view bytes, TextKey key) {
    if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) return nullptr;
    auto index = std::make_unique<TextIndex>();
    IndexResult result = indexByEvents(bytes, *index);
    if (result == IndexResult::kMalformed) return nullptr;
    if (result == IndexResult::kNeedsTree) {
        index = std::make_unique<TextIndex>();
        DocPtr doc = parseWellFormed(bytes);
        if (!doc) return nullptr;
        indexFromTree(xmlDocGetRootElement(doc.get()), *index);
    }
    key.keepBytes();
    index->key = std::move(key);
    return index;
}

// The last few texts looked up, most recent first. Callers read one reply
// element by element, and nested queries alternate between an outer and an
// inner reply, so a handful of entries spares nearly every re-parse. An entry
// answers only for the very same bytes: a buffer reused for new text, even at
// the same address and length, is parsed afresh.
class ParseCache {
public:
    // The index of bytes, or null when they are not well-formed XML.
    TextIndex* find(std::string_view bytes) {
        TextKey key = TextKey::of(bytes);
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i]->key.answersFor(key)) {
                moveToFront(i);
                return entries_.front().get();
            }
        }
        std::unique_ptr<TextIndex> parsed = parseAndIndex(bytes, std::move(key));
        if (!parsed) return nullptr;
        if (entries_.size() == kEntries) entries_.pop_back();
        entries_.insert(entries_.begin(), std::move(parsed));
        return entries_.front().get();
    }

    std::mutex& mutex() { return mutex_; }

private:
    static constexpr size_t kEntries = 4;

    void moveToFront(size_t i) {
        if (i == 0) return;
        std::unique_ptr<TextIndex> hit = std::move(entries_[i]);
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
        entries_.insert(entries_.begin(), std::move(hit));
    }

    std::mutex mutex_;
    std::vector<std::unique_ptr<TextIndex>> entries_;
};

// Never destroyed: lookups may come from other libraries' exit handlers, and
// the documents it holds need libxml2, whose own teardown order we do not own.
ParseCache& parseCache() {
    static ParseCache* cache = new ParseCache();
    return *cache;
}

// Copies value into out, cut to capacity - 1 bytes and terminated.
void copyBounded(std::string_view value, char* out, uint32_t capacity) {
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
    TextIndex* parsed = cache.find(bytes);
    if (parsed == nullptr) return kBadInput;
    auto it = parsed->byName.find(std::string_view(name));
    if (it == parsed->byName.end() || index >= it->second.size()) return kNotFound;
    const Span span = it->second[index];
    copyBounded(std::string_view(parsed->stream).substr(span.begin, span.end - span.begin), out, capacity);
    return kFound;
}

// A new DOM for the text, or the one already made from the same bytes.
SXDOMNode* createDom(std::string_view bytes) {
    DomCache& cache = domCache();
    std::lock_guard<std::mutex> lock(cache.mutex());
    TextKey key = TextKey::of(bytes);
    if (Dom* shared = cache.find(key)) {
        cache.wake(shared);
        ++shared->handles;
        return asHandle(xmlDocGetRootElement(shared->doc.get()));
    }
    DocPtr doc = parseWellFormed(bytes);
    if (!doc) return nullptr;
    auto dom = std::make_unique<Dom>();
    dom->shared = DomCache::worthSharing(key);
    if (dom->shared) key.keepBytes();
    dom->key = std::move(key);
    dom->handles = 1;
    xmlNode* root = xmlDocGetRootElement(doc.get());
    doc->_private = dom.get();
    dom->doc = std::move(doc);
    if (dom->shared) cache.add(dom.get());
    dom.release();
    return asHandle(root);
}

void destroyDom(Dom* dom) {
    DomCache& cache = domCache();
    std::lock_guard<std::mutex> lock(cache.mutex());
    if (dom->handles == 0 || --dom->handles > 0) return;
    if (dom->shared)
        cache.idle(dom);
    else
        delete dom;
}

}  // namespace

extern "C" {

SXDOMNode* SXDOMCreate(const char* text, uint32_t length, uint32_t flags) {
    if (KWTestShouldFail(KWTEST_DOM)) return nullptr;
    if (text == nullptr) return nullptr;
    try {
        SXDOMNode* root = createDom(documentBytes(text, length));
        if (root != nullptr) KWTestAcquired(KWLIVE_DOM);
        return root;
    } catch (...) {
        return nullptr;
    }
}

void SXDOMDestroy(SXDOMNode* root) {
    Dom* dom = domOf(asXml(root));
    if (dom == nullptr) return;
    destroyDom(dom);
    KWTestReleased(KWLIVE_DOM);
}

SXDOMList* SXDOMSelect(SXDOMNode* node, const char* name, uint32_t a, uint32_t b, uint32_t deep) {
    if (node == nullptr || name == nullptr) return nullptr;
    try {
        xmlNode* top = asXml(node);
        Dom* dom = domOf(top);
        if (dom == nullptr || top != xmlDocGetRootElement(dom->doc.get()))
            return makeList(descendantsNamed(top, name));
        auto it = dom->rootSelections.find(name);
        if (it == dom->rootSelections.end())
            it = dom->rootSelections.emplace(name, descendantsNamed(top, name)).first;
        return makeList(it->second);
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
