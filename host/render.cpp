#include "render.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxslt/documents.h>
#include <libxslt/transform.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>

#include "json.h"

namespace rkhost {
namespace {

struct DocFree { void operator()(xmlDoc* d) const { xmlFreeDoc(d); } };
struct SheetFree { void operator()(xsltStylesheet* s) const { xsltFreeStylesheet(s); } };
struct XmlCharFree { void operator()(xmlChar* c) const { xmlFree(c); } };
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;
using SheetPtr = std::unique_ptr<xsltStylesheet, SheetFree>;

void silentErrors(void*, const char*, ...) {}

// Replies are only read, never changed, so short texts may live inside
// their nodes (XML_PARSE_COMPACT): a report of thousands of objects then
// takes a fraction of the memory.
DocPtr parse(const std::string& xml) {
    return DocPtr(xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "reply.xml", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT));
}

struct ContextFree { void operator()(xsltTransformContext* c) const { xsltFreeTransformContext(c); } };
using ContextPtr = std::unique_ptr<xsltTransformContext, ContextFree>;

// Offers the documents of a compiled sheet and of every sheet it imports or
// includes to the transformation, so that document('') (a sheet reading its
// own tables) finds the document already parsed instead of reading and
// parsing the file again. The sheet keeps them: they are marked as not the
// transformation's to free.
void shareSheetDocuments(xsltTransformContext* ctxt, xsltStylesheet* sheet) {
    for (xsltStylesheet* s = sheet; s != nullptr; s = s->next) {
        if (s->doc != nullptr)
            if (xsltDocument* shared = xsltNewDocument(ctxt, s->doc)) shared->main = 1;
        for (xsltDocument* included = s->docList; included != nullptr; included = included->next)
            if (included->doc != nullptr)
                if (xsltDocument* shared = xsltNewDocument(ctxt, included->doc)) shared->main = 1;
        shareSheetDocuments(ctxt, s->imports);
    }
}

std::string textOf(xmlNode* node) {
    std::unique_ptr<xmlChar, XmlCharFree> content(xmlNodeGetContent(node));
    return content ? reinterpret_cast<const char*>(content.get()) : "";
}

void collectObjects(xmlNode* node, std::vector<Object>& out) {
    for (xmlNode* n = node; n; n = n->next) {
        if (n->type != XML_ELEMENT_NODE) continue;
        if (xmlStrcmp(n->name, BAD_CAST "DCStorageObject") == 0) {
            Object object;
            for (xmlNode* c = n->children; c; c = c->next)
                if (c->type == XML_ELEMENT_NODE)
                    object.emplace_back(reinterpret_cast<const char*>(c->name), textOf(c));
            out.push_back(std::move(object));
        } else {
            collectObjects(n->children, out);
        }
    }
}

}  // namespace

bool applyStyleSheet(const std::string& sheetPath, const std::string& xml, std::string& out,
                     std::string& error) {
    xsltSetGenericErrorFunc(nullptr, silentErrors);
    xmlSetGenericErrorFunc(nullptr, silentErrors);
    SheetPtr sheet(xsltParseStylesheetFile(BAD_CAST sheetPath.c_str()));
    if (!sheet) {
        error = "cannot read style sheet " + sheetPath;
        return false;
    }
    DocPtr doc = parse(xml);
    if (!doc) {
        error = "the reply is not well-formed XML";
        return false;
    }
    ContextPtr ctxt(xsltNewTransformContext(sheet.get(), doc.get()));
    if (!ctxt) {
        error = "style sheet " + sheetPath + " failed";
        return false;
    }
    shareSheetDocuments(ctxt.get(), sheet.get());
    DocPtr result(xsltApplyStylesheetUser(sheet.get(), doc.get(), nullptr, nullptr, nullptr, ctxt.get()));
    // The result stands on its own: the reply, its keys and the working
    // state go before the result is written out, so that a report of
    // thousands of objects never holds all of them at once.
    ctxt.reset();
    doc.reset();
    if (!result) {
        error = "style sheet " + sheetPath + " failed";
        return false;
    }
    xmlChar* text = nullptr;
    int length = 0;
    if (xsltSaveResultToString(&text, &length, result.get(), sheet.get()) != 0) {
        error = "style sheet " + sheetPath + " gave no output";
        return false;
    }
    out.assign(text ? reinterpret_cast<const char*>(text) : "", static_cast<size_t>(length));
    xmlFree(text);
    return true;
}

std::string xmlEscape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else if (byte >= 0x80) i += appendUtf8OrReplacement(out, text, i) - 1;
        else if (byte >= 0x20 || c == '\n' || c == '\t') out += c;
    }
    return out;
}

std::vector<Object> replyObjects(const std::string& xml) {
    std::vector<Object> objects;
    DocPtr doc = parse(xml);
    if (doc) collectObjects(xmlDocGetRootElement(doc.get()), objects);
    return objects;
}

std::vector<Object> readAlertLog(const std::string& path, bool& readable) {
    std::vector<Object> events;
    std::ifstream in(path);
    readable = static_cast<bool>(in);
    static const char* const kFields[] = {"Time", "Severity", "Object", "Text"};
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        Object event;
        size_t start = 0;
        for (int field = 0; field < 4; ++field) {
            size_t tab = field < 3 ? line.find('\t', start) : std::string::npos;
            event.emplace_back(kFields[field], line.substr(start, tab == std::string::npos ? tab : tab - start));
            if (tab == std::string::npos) {
                for (int rest = field + 1; rest < 4; ++rest) event.emplace_back(kFields[rest], "");
                break;
            }
            start = tab + 1;
        }
        events.push_back(std::move(event));
    }
    return events;
}

std::string alertLogXml(const std::string& path, const std::vector<Object>& events) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<AlertLog Path=\"" + xmlEscape(path) + "\">";
    for (const auto& event : events) {
        xml += "<Event>";
        for (const auto& [name, value] : event) xml += "<" + name + ">" + xmlEscape(value) + "</" + name + ">";
        xml += "</Event>";
    }
    xml += "</AlertLog>\n";
    return xml;
}

std::string visibleControls(const std::string& text, bool keepLines) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            // A UTF-8 character is shown as it is; a stray byte is escaped.
            if (size_t n = utf8SequenceLength(text, i)) {
                out.append(text, i, n);
                i += n - 1;
                continue;
            }
        } else if ((byte >= 0x20 && byte != 0x7f) || c == '\t' || (c == '\n' && keepLines)) {
            out += c;
            continue;
        }
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02X", byte);
        out += code;
    }
    return out;
}

std::string plainObjects(const std::vector<Object>& objects) {
    std::string out;
    for (const auto& object : objects) {
        size_t width = 0;
        for (const auto& member : object) width = std::max(width, member.first.size());
        for (const auto& [name, value] : object)
            out += name + std::string(width - name.size(), ' ') + " : " + value + "\n";
        out += "\n";
    }
    if (objects.empty()) out = "No objects found.\n";
    return out;
}

}  // namespace rkhost
