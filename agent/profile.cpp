#include "profile.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "errors.h"

namespace kwda {

namespace {

constexpr const char* kRootElement = "StorageProfile";

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct ContextFree {
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};
struct XmlCharFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};

std::string textOf(const xmlChar* text) { return text ? reinterpret_cast<const char*>(text) : ""; }

int lineOf(const xmlNode* node) { return static_cast<int>(xmlGetLineNo(node)); }

bool isBlank(const std::string& text) { return text.find_first_not_of(" \t\r\n") == std::string::npos; }

// The line where a text node's first visible character stands (libxml2
// numbers a text node by the line it ends on).
int textLine(const xmlNode* node, const std::string& text) {
    auto newlines = [](auto begin, auto end) { return static_cast<int>(std::count(begin, end, '\n')); };
    size_t visible = text.find_first_not_of(" \t\r\n");
    return lineOf(node) - newlines(text.begin(), text.end()) + newlines(text.begin(), text.begin() + visible);
}

// Keeps the first error the parser reports (the later ones follow from it).
void keepFirstError(void* data, xmlErrorPtr error) {
    auto* context = static_cast<xmlParserCtxt*>(data);
    auto* first = static_cast<std::string*>(context->_private);
    if (!first || !first->empty() || !error || !error->message) return;
    std::string message = error->message;
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
    *first = std::to_string(error->line) + ": " + message;
}

class Walker {
public:
    Walker(xmlDoc* doc, std::string source) : doc_(doc), source_(std::move(source)) {}

    std::vector<ProfileNode> childrenOf(const xmlNode* element, std::optional<Kind> parentKind) {
        std::vector<ProfileNode> nodes;
        for (const xmlNode* child = element->children; child; child = child->next) {
            switch (child->type) {
                case XML_ELEMENT_NODE:
                    nodes.push_back(elementNode(child, parentKind));
                    break;
                case XML_TEXT_NODE:
                case XML_CDATA_SECTION_NODE: {
                    std::unique_ptr<xmlChar, XmlCharFree> content(xmlNodeGetContent(child));
                    std::string text = textOf(content.get());
                    if (!isBlank(text))
                        profileError(source_, textLine(child, text),
                                     "unexpected text inside " + parentName(parentKind) +
                                         "; a profile holds elements and attributes only");
                    break;
                }
                default:
                    break;  // comments and processing instructions
            }
        }
        return nodes;
    }

private:
    static std::string parentName(std::optional<Kind> kind) { return kind ? kindName(*kind) : kRootElement; }

    ProfileNode elementNode(const xmlNode* element, std::optional<Kind> parentKind) {
        std::string name = textOf(element->name);
        auto kind = kindFromName(name);
        bool allowed = false;
        if (kind)
            for (Kind candidate : childKindsOf(parentKind)) allowed = allowed || candidate == *kind;
        if (!allowed)
            profileError(source_, lineOf(element),
                         (kind ? "element " : "unknown element ") + std::string("'") + name + "' inside " +
                             parentName(parentKind) + "; expected one of " + childNames(parentKind));
        ProfileNode node{*kind, lineOf(element), {}, {}};
        for (const xmlAttr* attribute = element->properties; attribute; attribute = attribute->next)
            node.attributes.push_back(attributeOf(node, attribute));
        node.children = childrenOf(element, *kind);
        return node;
    }

    std::pair<std::string, std::string> attributeOf(const ProfileNode& node, const xmlAttr* attribute) {
        std::string name = textOf(attribute->name);
        std::unique_ptr<xmlChar, XmlCharFree> raw(xmlNodeListGetString(doc_, attribute->children, 1));
        std::string value = textOf(raw.get());
        const AttributeSpec* known = findAttribute(node.kind, name);
        if (!known)
            profileError(source_, node.line,
                         "unknown attribute '" + name + "' on " + kindName(node.kind) + "; expected one of " +
                             statableNames(node.kind));
        if (!known->statable)
            profileError(source_, node.line,
                         "attribute '" + name + "' on " + kindName(node.kind) +
                             " is computed by the agent and cannot be stated");
        if (auto expected = checkValue(*known, value))
            profileError(source_, node.line,
                         "attribute " + name + "=\"" + value + "\" on " + kindName(node.kind) + ": expected " +
                             *expected);
        if (known->type == ValueType::Choice) value = *canonicalChoice(*known, value);
        return {name, value};
    }

    xmlDoc* doc_;
    std::string source_;
};

void checkSingletons(const Profile& profile) {
    int storageObjects = 0, alertLogs = 0;
    for (const auto& node : profile.nodes) {
        if (node.kind == Kind::StorageObject && ++storageObjects > 1)
            profileError(profile.source, node.line, "a profile holds at most one StorageObject");
        if (node.kind == Kind::AlertLog && ++alertLogs > 1)
            profileError(profile.source, node.line, "a profile holds at most one AlertLog");
    }
}

std::string parserMessage(xmlParserCtxt* context, const std::string& source, const std::string& first) {
    if (!first.empty()) return source + ":" + first;
    const xmlError* error = xmlCtxtGetLastError(context);
    if (!error || !error->message) return source + ": not a well-formed XML document";
    std::string message = error->message;
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
    return source + ":" + std::to_string(error->line) + ": " + message;
}

}  // namespace

const std::string* ProfileNode::find(const std::string& name) const {
    for (const auto& [key, value] : attributes)
        if (key == name) return &value;
    return nullptr;
}

void profileError(const std::string& source, int line, const std::string& message) {
    unavailable(source + ":" + std::to_string(line) + ": " + message);
}

Profile parseProfile(const std::string& text, const std::string& source) {
    xmlInitParser();
    std::unique_ptr<xmlParserCtxt, ContextFree> context(xmlNewParserCtxt());
    if (!context) unavailable(source + ": cannot set up the XML parser (out of memory)");
    std::string firstError;
    context->_private = &firstError;
    context->sax->serror = keepFirstError;
    std::unique_ptr<xmlDoc, DocFree> doc(xmlCtxtReadMemory(
        context.get(), text.data(), static_cast<int>(text.size()), source.c_str(), nullptr,
        XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_BIG_LINES));
    if (!doc) unavailable(parserMessage(context.get(), source, firstError));
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!root) unavailable(source + ": the document has no root element; expected <" + kRootElement + ">");
    if (textOf(root->name) != kRootElement)
        profileError(source, lineOf(root),
                     "root element is <" + textOf(root->name) + ">; expected <" + kRootElement + ">");
    if (root->properties)
        profileError(source, lineOf(root),
                     "unknown attribute '" + textOf(root->properties->name) + "' on " + kRootElement +
                         "; it takes none");
    Profile profile{source, {}, Walker(doc.get(), source).childrenOf(root, std::nullopt)};
    checkSingletons(profile);
    return profile;
}

std::string readProfileFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) unavailable("cannot read profile " + path + ": " + std::strerror(errno));
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) unavailable("cannot read profile " + path + ": " + std::strerror(errno));
    return content.str();
}

std::string contentHash(const std::string& text) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return digits;
}

Profile loadProfileFile(const std::string& path) {
    std::string text = readProfileFile(path);
    Profile profile = parseProfile(text, path);
    profile.hash = contentHash(text);
    return profile;
}

Profile defaultProfile() {
    Profile profile = parseProfile(defaultProfileText(), kEmbeddedProfileSource);
    profile.hash = contentHash(defaultProfileText());
    return profile;
}

}  // namespace kwda
