// Common services: zeroed memory blocks, growable XML text buffers,
// name=value lookup in argument vectors and the export context.

#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "vexcs32.h"

namespace {

// ---- XML buffers ------------------------------------------------------------

constexpr uint32_t kInitialCapacity = 256;
constexpr uint32_t kMaxCapacity = std::numeric_limits<uint32_t>::max();

ZCSXBuf* newEmptyBuffer() {
    auto* buf = static_cast<ZCSXBuf*>(std::malloc(sizeof(ZCSXBuf)));
    if (buf == nullptr) return nullptr;
    buf->text = static_cast<char*>(std::malloc(kInitialCapacity));
    if (buf->text == nullptr) {
        std::free(buf);
        return nullptr;
    }
    buf->text[0] = '\0';
    buf->capacity = kInitialCapacity;
    buf->length = 0;
    return buf;
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

bool appendBytes(ZCSXBuf* buf, std::string_view bytes) {
    if (!reserveMore(buf, bytes.size())) return false;
    std::memcpy(buf->text + buf->length, bytes.data(), bytes.size());
    buf->length += static_cast<uint32_t>(bytes.size());
    buf->text[buf->length] = '\0';
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

std::string formatNode(const char* name, const char* attributes, bool isMarkup, const char* text) {
    std::string node;
    node += '<';
    node += name;
    if (attributes != nullptr && *attributes != '\0') {
        node += ' ';
        node += attributes;
    }
    node += '>';
    if (text != nullptr) {
        if (isMarkup)
            node += withoutDeclaration(text);
        else
            appendEscaped(node, text);
    }
    node += "</";
    node += name;
    node += '>';
    return node;
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

}  // namespace

extern "C" {

// ---- memory blocks ----------------------------------------------------------

void* ZCSAllocMem(uint32_t size) {
    if (KWTestShouldFail(KWTEST_MEM)) return nullptr;
    void* block = std::calloc(1, size == 0 ? 1 : size);
    if (block != nullptr) KWTestAcquired(KWLIVE_BLOCK);
    return block;
}

void ZCSFreeMem(void* block) {
    if (block == nullptr) return;
    std::free(block);
    KWTestReleased(KWLIVE_BLOCK);
}

// ---- XML buffers ------------------------------------------------------------

ZCSXBuf* ZCSXAllocBuf(uint32_t flags, uint32_t contentOnly) {
    if (KWTestShouldFail(KWTEST_XBUF)) return nullptr;
    ZCSXBuf* buf = newEmptyBuffer();
    if (buf != nullptr) KWTestAcquired(KWLIVE_XBUF);
    return buf;
}

int32_t ZCSXBufCatNode(ZCSXBuf* buf, const char* name, const char* attributes, uint32_t isMarkup,
                       const char* text) {
    if (buf == nullptr || name == nullptr) return -1;
    try {
        std::string node = formatNode(name, attributes, isMarkup != 0, text);
        return appendBytes(buf, node) ? 0 : -1;
    } catch (...) {
        return -1;
    }
}

void ZCSXFreeBuf(ZCSXBuf* buf) {
    if (buf == nullptr) return;
    std::free(buf->text);
    std::free(buf);
    KWTestReleased(KWLIVE_XBUF);
}

char* ZCSXFreeBufGetContent(ZCSXBuf* buf) {
    if (buf == nullptr) return nullptr;
    char* text = buf->text;
    std::free(buf);
    KWTestReleased(KWLIVE_XBUF);
    KWTestAcquired(KWLIVE_XTEXT);
    return text;
}

void ZCSXFreeBufContent(char* content) {
    if (content == nullptr) return;
    std::free(content);
    KWTestReleased(KWLIVE_XTEXT);
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
