// Build tool: writes a style sheet without what an XSLT processor discards
// when it loads one anyway (comments and whitespace-only text outside
// xsl:text and xml:space="preserve"), so that every command parses and
// compiles less. The sheets in the source tree keep their comments.
//
//   rk_compact_sheet <in.xsl> <out.xsl>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdio>
#include <memory>

namespace {

constexpr const char* kXslNamespace = "http://www.w3.org/1999/XSL/Transform";

struct DocFree { void operator()(xmlDoc* d) const { xmlFreeDoc(d); } };

bool isXsl(const xmlNode* node, const char* name) {
    return node && node->type == XML_ELEMENT_NODE && node->ns && node->ns->href &&
           xmlStrEqual(node->ns->href, BAD_CAST kXslNamespace) && xmlStrEqual(node->name, BAD_CAST name);
}

bool whitespaceOnly(const xmlNode* text) {
    for (const xmlChar* c = text->content; c && *c; ++c)
        if (*c != ' ' && *c != '\t' && *c != '\n' && *c != '\r') return false;
    return true;
}

// xml:space on the element itself decides; otherwise its parent's setting holds.
bool preserves(const xmlNode* element, bool inherited) {
    xmlChar* space = xmlGetNsProp(element, BAD_CAST "space", XML_XML_NAMESPACE);
    if (!space) return inherited;
    bool preserve = xmlStrEqual(space, BAD_CAST "preserve");
    xmlFree(space);
    return preserve;
}

void compact(xmlNode* parent, bool preserve) {
    xmlNode* child = parent->children;
    while (child) {
        xmlNode* next = child->next;
        const bool drop = child->type == XML_COMMENT_NODE ||
                          (child->type == XML_TEXT_NODE && !preserve && !isXsl(parent, "text") && whitespaceOnly(child));
        if (drop) {
            xmlUnlinkNode(child);
            xmlFreeNode(child);
        } else if (child->type == XML_ELEMENT_NODE) {
            compact(child, preserves(child, preserve));
        }
        child = next;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: rk_compact_sheet <in.xsl> <out.xsl>\n");
        return 2;
    }
    std::unique_ptr<xmlDoc, DocFree> doc(xmlReadFile(argv[1], nullptr, XML_PARSE_NONET));
    if (!doc || !xmlDocGetRootElement(doc.get())) {
        std::fprintf(stderr, "rk_compact_sheet: %s is not well-formed XML\n", argv[1]);
        return 1;
    }
    // Comments before the root element go as well.
    for (xmlNode* n = doc->children; n;) {
        xmlNode* next = n->next;
        if (n->type == XML_COMMENT_NODE) {
            xmlUnlinkNode(n);
            xmlFreeNode(n);
        }
        n = next;
    }
    xmlNode* root = xmlDocGetRootElement(doc.get());
    compact(root, preserves(root, false));
    if (xmlSaveFileEnc(argv[2], doc.get(), "UTF-8") < 0) {
        std::fprintf(stderr, "rk_compact_sheet: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
