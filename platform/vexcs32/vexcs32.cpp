// Common services: zeroed memory blocks, growable XML text buffers,
// name=value lookup in argument vectors and the export context.

#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "vexcs32.h"

namespace {

// ---- XML buffers ------------------------------------------------------------

constexpr uint32_t kInitialCapacity = 256;
constexpr uint32_t kMaxCapacity = std::numeric_limits<uint32_t>::max();

// What callers see (ZCSXBuf) followed by the library's own word: the version
// of the text, a number drawn afresh from one process-wide counter whenever
// the text changes, so no two texts ever share one.
struct BufferRecord {
    ZCSXBuf buf;  // first: the handle callers hold is the record's address
    uint64_t version;
};

BufferRecord* recordOf(ZCSXBuf* buf) { return reinterpret_cast<BufferRecord*>(buf); }

// The texts of live buffers by address, with their length and version: the
// XML support library asks whether a text it is handed is one of them, so
// that it can reuse what it learnt from that text without comparing it byte
// by byte. Every change of a buffer goes through this library, and callers
// only read a buffer's text, so a text's version changes exactly when its
// bytes do.
class TextRegistry {
public:
    struct Entry {
        uint32_t length;
        uint64_t version;
    };

    // Never fails: a text that cannot be recorded is simply not known, and
    // its readers compare its bytes instead.
    void record(BufferRecord* record, const char* previousText) noexcept {
        std::lock_guard<std::mutex> lock(mutex_);
        if (previousText != nullptr && previousText != record->buf.text) texts_.erase(previousText);
        record->version = ++counter_;
        try {
            texts_[record->buf.text] = Entry{record->buf.length, record->version};
        } catch (...) {
            texts_.erase(record->buf.text);
        }
    }

    void forget(const char* text) {
        std::lock_guard<std::mutex> lock(mutex_);
        texts_.erase(text);
    }

    bool find(const char* text, Entry& entry) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = texts_.find(text);
        if (it == texts_.end()) return false;
        entry = it->second;
        return true;
    }

private:
    std::mutex mutex_;
    uint64_t counter_ = 0;
    std::unordered_map<const char*, Entry> texts_;
};

// Never destroyed: buffers may be released from other libraries' exit handlers.
TextRegistry& textRegistry() {
    static TextRegistry* registry = new TextRegistry();
    return *registry;
}

BufferRecord* newEmptyBuffer() {
    auto* record = static_cast<BufferRecord*>(std::malloc(sizeof(BufferRecord)));
    if (record == nullptr) return nullptr;
    record->buf.text = static_cast<char*>(std::malloc(kInitialCapacity));
    if (record->buf.text == nullptr) {
        std::free(record);
        return nullptr;
    }
    record->buf.text[0] = '\0';
    record->buf.capacity = kInitialCapacity;
    record->buf.length = 0;
    record->version = 0;
    textRegistry().record(record, nullptr);
    return record;
}

// Makes room for extra more bytes plus the terminator; false (buffer
// unchanged) when the size would not fit the 32-bit fields or memory is out.
bool reserveMore(ZCSXBuf* buf, size_t extra) {
    size_t needed = static_cast<size_t>(buf->length) + extra + 1;
    if (needed > kMaxCapacity) return false;
    if (needed <= buf->capacity) return true;
    size_t grown = static_cast<size_t>(buf->capacity) * 2;
    size_t capacity = grown > needed ? (grown > kMaxCapacity ? kMaxCapacity : grown) : needed;
    auto* text = static_cast<char*>(std::realloc(buf->text, capacity));
    if (text == nullptr) return false;
    buf->text = text;
    buf->capacity = static_cast<uint32_t>(capacity);
    return true;
}

void appendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default: out += c;
        }
    }
}

bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view skipSpace(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isXmlSpace(text[i])) ++i;
    return text.substr(i);
}

// An embedded document loses its byte-order mark and XML declaration: both
// are only allowed at the very start of a document, not inside an element.
std::string_view withoutDeclaration(std::string_view markup) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (markup.starts_with(kBom)) markup.remove_prefix(kBom.size());
    std::string_view head = skipSpace(markup);
    if (head.size() < 6 || !head.starts_with("<?xml") || !isXmlSpace(head[5])) return markup;
    size_t end = head.find("?>");
    if (end == std::string_view::npos) return markup;  // left as is: the parse will reject it
    return skipSpace(head.substr(end + 2));
}

// The pieces of <name attributes>content</name>, content already escaped
// where it must be: written straight into the buffer, so that a reply of
// megabytes is copied once.
struct NodePieces {
    std::string_view name;
    std::string_view attributes;
    std::string_view content;

    size_t size() const {
        return 2 * name.size() + (attributes.empty() ? 0 : attributes.size() + 1) + content.size() + 5;
    }
};

bool appendNode(ZCSXBuf* buf, const NodePieces& node) {
    if (!reserveMore(buf, node.size())) return false;
    char* out = buf->text + buf->length;
    auto put = [&out](std::string_view piece) {
        if (!piece.empty()) std::memcpy(out, piece.data(), piece.size());  // an empty piece may have no data
        out += piece.size();
    };
    put("<");
    put(node.name);
    if (!node.attributes.empty()) {
        put(" ");
        put(node.attributes);
    }
    put(">");
    put(node.content);
    put("</");
    put(node.name);
    put(">");
    buf->length += static_cast<uint32_t>(node.size());
    buf->text[buf->length] = '\0';
    return true;
}

// ---- name=value lookup ------------------------------------------------------

char lowerAscii(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool sameText(std::string_view a, std::string_view b, bool ignoreCase) {
    if (a.size() != b.size()) return false;
    if (!ignoreCase) return a == b;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

// The name without a trailing "=", so "Length" and "Length=" ask the same.
std::string_view bareName(const char* name) {
    std::string_view bare(name);
    if (bare.ends_with('=')) bare.remove_suffix(1);
    return bare;
}

// An entry matches when it is the name followed at once by "=": "Lengthy=1"
// does not answer for "Length".
bool entryHasName(const char* entry, std::string_view name, bool ignoreCase) {
    size_t n = std::strlen(entry);
    if (n <= name.size() || entry[name.size()] != '=') return false;
    return sameText(std::string_view(entry, name.size()), name, ignoreCase);
}

int32_t findEntry(uint32_t count, char* const* vector, const char* name, uint32_t ignoreCase) {
    if (vector == nullptr || name == nullptr) return -1;
    std::string_view bare = bareName(name);
    if (bare.empty()) return -1;  // a nameless entry ("=x") is nobody's value
    uint32_t limit = count > static_cast<uint32_t>(INT32_MAX) ? static_cast<uint32_t>(INT32_MAX) : count;
    for (uint32_t i = 0; i < limit; ++i) {
        if (vector[i] != nullptr && entryHasName(vector[i], bare, ignoreCase != 0))
            return static_cast<int32_t>(i);
    }
    return -1;
}

// ---- export context ---------------------------------------------------------

std::atomic<uint32_t> g_exportContext{0};

std::atomic<uint32_t> allocFailures{0};

void noteAllocFailure() { ++allocFailures; }

}  // namespace

extern "C" {

// ---- memory blocks ----------------------------------------------------------

uint32_t ZCSAllocFailures(void) { return allocFailures.load(); }

void* ZCSAllocMem(uint32_t size) {
    void* block = KWTestShouldFail(KWTEST_MEM) ? nullptr : std::calloc(1, size == 0 ? 1 : size);
    if (block == nullptr) {
        noteAllocFailure();
        return nullptr;
    }
    KWTestAcquired(KWLIVE_BLOCK);
    return block;
}

void ZCSFreeMem(void* block) {
    if (block == nullptr) return;
    std::free(block);
    KWTestReleased(KWLIVE_BLOCK);
}

// ---- XML buffers ------------------------------------------------------------

ZCSXBuf* ZCSXAllocBuf(uint32_t flags, uint32_t contentOnly) {
    BufferRecord* record = KWTestShouldFail(KWTEST_XBUF) ? nullptr : newEmptyBuffer();
    if (record == nullptr) {
        noteAllocFailure();
        return nullptr;
    }
    KWTestAcquired(KWLIVE_XBUF);
    return &record->buf;
}

int32_t ZCSXBufCatNode(ZCSXBuf* buf, const char* name, const char* attributes, uint32_t isMarkup,
                       const char* text) {
    if (buf == nullptr || name == nullptr) return -1;
    try {
        std::string escaped;
        std::string_view content;
        if (text != nullptr && isMarkup != 0) {
            content = withoutDeclaration(text);
        } else if (text != nullptr) {
            appendEscaped(escaped, text);
            content = escaped;
        }
        const NodePieces node{name, attributes != nullptr ? attributes : "", content};
        const char* previousText = buf->text;
        if (!appendNode(buf, node)) return -1;
        textRegistry().record(recordOf(buf), previousText);
        return 0;
    } catch (...) {
        return -1;
    }
}

void ZCSXFreeBuf(ZCSXBuf* buf) {
    if (buf == nullptr) return;
    textRegistry().forget(buf->text);
    std::free(buf->text);
    std::free(recordOf(buf));
    KWTestReleased(KWLIVE_XBUF);
}

char* ZCSXFreeBufGetContent(ZCSXBuf* buf) {
    if (buf == nullptr) return nullptr;
    char* text = buf->text;
    // The text is the caller's from now on and may change without us.
    textRegistry().forget(text);
    std::free(recordOf(buf));
    KWTestReleased(KWLIVE_XBUF);
    KWTestAcquired(KWLIVE_XTEXT);
    return text;
}

void ZCSXFreeBufContent(char* content) {
    if (content == nullptr) return;
    std::free(content);
    KWTestReleased(KWLIVE_XTEXT);
}

int32_t ZCSXBufTextVersion(const char* text, uint32_t length, uint64_t* version) {
    if (text == nullptr || version == nullptr) return 0;
    try {
        TextRegistry::Entry entry{};
        if (!textRegistry().find(text, entry) || entry.length != length) return 0;
        *version = entry.version;
        return 1;
    } catch (...) {
        return 0;
    }
}

// ---- name=value lookup ------------------------------------------------------

char* ZCSGetAStrParamValueByAStrName(uint32_t count, char* const* vector, const char* name,
                                     uint32_t ignoreCase) {
    int32_t index = findEntry(count, vector, name, ignoreCase);
    if (index < 0) return nullptr;
    return vector[index] + bareName(name).size() + 1;
}

int32_t ZCSGetParamIndexByAStrName(uint32_t count, char* const* vector, const char* name,
                                   uint32_t ignoreCase) {
    return findEntry(count, vector, name, ignoreCase);
}

// ---- export context ---------------------------------------------------------

void ZCSGetExportContext(uint32_t* context) {
    if (context != nullptr) *context = g_exportContext.load();
}

void ZCSSetExportContext(uint32_t* save, const uint32_t* context) {
    if (save != nullptr) *save = g_exportContext.load();
    if (context != nullptr) g_exportContext.store(*context);
}

void ZCSResetExportContext(const uint32_t* save) {
    if (save != nullptr) g_exportContext.store(*save);
}

}  // extern "C"
