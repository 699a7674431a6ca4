#include "listing.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

namespace rkhost {

struct Field {
    std::string name, label, type, map, with, absent;
    bool hasAbsent = false;
};

struct Kind {
    std::string name, title, id;
    std::vector<Field> fields;  // those shown (not "omit")
    std::set<std::string> known;
    size_t width = 0;           // the longest label of its fields
    bool supported = true;      // every field's type is one written here
};

struct SheetTables {
    std::string defaultKind;
    std::vector<Kind> kinds;
    std::map<std::string, std::string> labels;
    std::map<std::string, std::map<std::string, std::string>> maps;
};

namespace {

constexpr const char* kXsl = "http://www.w3.org/1999/XSL/Transform";
constexpr const char* kTables = "urn:rk:report-sheets";
// The field types written here; a kind with another is left to its sheet.
const std::set<std::string> kTypes = {"",     "diskid",  "enclosureid", "state", "time",  "hotspare", "map",
                                      "size", "list",    "percent",     "rpm",   "watts", "celsius"};

struct DocFree { void operator()(xmlDoc* d) const { xmlFreeDoc(d); } };
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;

bool is(const xmlNode* n, const char* ns, const char* name) {
    return n && n->type == XML_ELEMENT_NODE && n->ns && xmlStrEqual(n->ns->href, BAD_CAST ns) &&
           xmlStrEqual(n->name, BAD_CAST name);
}

std::string attr(const xmlNode* n, const char* name, bool* present = nullptr) {
    xmlChar* v = xmlGetProp(n, BAD_CAST name);
    if (present) *present = v != nullptr;
    std::string out = v ? reinterpret_cast<const char*>(v) : "";
    xmlFree(v);
    return out;
}

std::string content(const xmlNode* n) {
    xmlChar* v = xmlNodeGetContent(n);
    std::string out = v ? reinterpret_cast<const char*>(v) : "";
    xmlFree(v);
    return out;
}

bool ascii(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// The value of <xsl:variable select="'text'"/>; false for anything else.
bool literal(const std::string& select, std::string& out) {
    if (select.size() < 2 || select.front() != '\'' || select.back() != '\'') return false;
    out = select.substr(1, select.size() - 2);
    return out.find('\'') == std::string::npos;
}

Kind readKind(const xmlNode* k, const std::set<std::string>& hidden) {
    Kind kind{attr(k, "name"), attr(k, "title"), attr(k, "id"), {}, hidden, 0, true};
    for (const xmlNode* f = k->children; f; f = f->next) {
        if (!is(f, kTables, "field")) continue;
        Field field{attr(f, "name"), attr(f, "label"), attr(f, "type"), attr(f, "map"), attr(f, "with"), ""};
        field.absent = attr(f, "absent", &field.hasAbsent);
        kind.known.insert(field.name);
        if (!field.with.empty()) kind.known.insert(field.with);
        if (field.type == "omit") continue;
        kind.supported = kind.supported && kTypes.count(field.type) && ascii(field.label);
        kind.width = std::max(kind.width, field.label.size());
        kind.fields.push_back(field);
    }
    return kind;
}

bool readCommonTables(const std::string& path, SheetTables& tables) {
    DocPtr doc(xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    const xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (!is(root, kXsl, "stylesheet")) return false;
    std::set<std::string> hidden;
    for (const xmlNode* n = root->children; n; n = n->next)
        if (is(n, kTables, "hidden"))
            for (const xmlNode* h = n->children; h; h = h->next)
                if (is(h, kTables, "name")) hidden.insert(content(h));
    for (const xmlNode* n = root->children; n; n = n->next) {
        if (is(n, kTables, "kinds"))
            for (const xmlNode* k = n->children; k; k = k->next)
                if (is(k, kTables, "kind")) tables.kinds.push_back(readKind(k, hidden));
        if (is(n, kTables, "labels"))
            for (const xmlNode* l = n->children; l; l = l->next)
                if (is(l, kTables, "label")) tables.labels.emplace(attr(l, "name"), content(l));
        if (is(n, kTables, "maps"))
            for (const xmlNode* m = n->children; m; m = m->next)
                if (is(m, kTables, "map"))
                    for (const xmlNode* v = m->children; v; v = v->next)
                        if (is(v, kTables, "v")) tables.maps[attr(m, "name")].emplace(attr(v, "k"), content(v));
    }
    return !tables.kinds.empty();
}

// ---------------------------------------------------------------------
// The sheets' value helpers, as XPath 1.0 computes them.

bool space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string normalizeSpace(const std::string& s) {
    std::string out;
    bool gap = false;
    for (char c : s) {
        if (space(c)) {
            gap = !out.empty();
        } else {
            if (gap) out += ' ';
            gap = false;
            out += c;
        }
    }
    return out;
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// number(v) = number(v): an optional minus, digits with at most one point.
bool isNumber(const std::string& v) {
    size_t i = v.size() && v[0] == '-' ? 1 : 0, digits = 0, points = 0;
    for (; i < v.size(); ++i) {
        if (v[i] >= '0' && v[i] <= '9') ++digits;
        else if (v[i] == '.' && ++points == 1) continue;
        else return false;
    }
    return digits > 0;
}

bool digitsOnly(const std::string& v) { return v.find_first_not_of("0123456789") == std::string::npos; }

struct View {
    const Object& object;
    const std::string* element(const std::string& name) const {
        for (const auto& [n, v] : object)
            if (n == name) return &v;
        return nullptr;
    }
    std::string value(const std::string& name) const {
        const std::string* v = element(name);
        return v ? *v : std::string();
    }
};

// format-number(x, '0.00') for 0 <= x < 10^13, as the sheets' processor
// rounds: half away from zero, on x * 100.
std::string twoDecimals(double x) {
    const auto hundredths = static_cast<long long>(std::floor(x * 100 + 0.5));
    char text[64];
    std::snprintf(text, sizeof text, "%lld.%02lld", hundredths / 100, hundredths % 100);
    return text;
}

std::optional<std::string> size(const std::string& bytes) {
    if (!digitsOnly(bytes)) return bytes;
    const double n = std::strtod(bytes.c_str(), nullptr);
    if (bytes.size() > 16 || n > 9007199254740992.0) return std::nullopt;  // past a double's exact integers
    if (n < 1024) return bytes + " bytes";
    static const std::pair<double, const char*> kUnits[] = {
        {1125899906842624.0, " PB"}, {1099511627776.0, " TB"}, {1073741824.0, " GB"}, {1048576.0, " MB"}, {1024.0, " KB"}};
    for (const auto& [unit, name] : kUnits) {
        if (n < unit) continue;
        return twoDecimals(n / unit) + name + " (" + bytes + " bytes)";
    }
    return std::nullopt;
}

std::string timeText(const std::string& v) {
    if (v.size() == 20 && v[10] == 'T' && v[19] == 'Z') return v.substr(0, 10) + " " + v.substr(11, 8) + " UTC";
    return v;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// "Rebuilding, 45%", "Ready, Check Consistency 12% (paused)", "Unknown".
std::optional<std::string> state(const View& o, const std::string& value) {
    const std::string full = normalizeSpace(o.value("Task"));
    if (!ascii(full)) return std::nullopt;
    if (full.empty()) return value.empty() ? "Unknown" : value;
    const size_t bracket = full.find(" (");
    const std::string task = bracket == std::string::npos ? full : full.substr(0, bracket);
    const std::string remark = full.substr(task.size());
    const std::string progress = normalizeSpace(o.value("Progress"));
    const std::string stem = lowerAscii(task).substr(0, 5);
    const bool said = stem.size() == 5 && lowerAscii(value).rfind(stem, 0) == 0;
    std::string out = value.empty() ? "" : value + ", ";
    if (said) out += progress.empty() ? "in progress" : progress + "%";
    else out += progress.empty() ? task + " in progress" : task + " " + progress + "%";
    return out + remark;
}

std::string diskId(const View& o) {
    const std::string mask = normalizeSpace(o.value("AttributesMask"));
    const bool inEnclosure = mask.size() >= 11 && mask[mask.size() - 11] == '1';
    if (normalizeSpace(o.value("BusProtocol")) == "8" && inEnclosure && !normalizeSpace(o.value("EnclosureID")).empty())
        return o.value("Channel") + ":" + o.value("EnclosureID") + ":" + o.value("TargetID");
    return o.element("TargetID") ? o.value("Channel") + ":" + o.value("TargetID") : "";
}

std::string enclosureId(const View& o) {
    if (normalizeSpace(o.value("BusProtocol")) == "8" && !normalizeSpace(o.value("EnclosureID")).empty())
        return o.value("Channel") + ":" + o.value("EnclosureID");
    return o.value("Channel");
}

// A value of several lines continues under its first.
std::string text(const std::string& value, size_t width) {
    return replaceAll(value, "\n", "\n  " + std::string(width, ' ') + "   ");
}

// rk:value for a field whose element is there.
std::optional<std::string> typed(const SheetTables& t, const View& o, const Field& f, const std::string& raw,
                                 size_t width) {
    const std::string v = normalizeSpace(raw);
    if (!ascii(v) && f.type != "") return std::nullopt;  // string lengths below count bytes
    if (v.empty() && f.type != "hotspare" && f.type != "state") return raw;
    if (f.type == "size") return size(v);
    if (f.type == "percent") return isNumber(v) ? v + "%" : v;
    if (f.type == "rpm") return isNumber(v) ? v + " RPM" : v;
    if (f.type == "watts") return isNumber(v) ? v + " W" : v;
    if (f.type == "celsius") return isNumber(v) ? v + " C" : v;
    if (f.type == "time") return timeText(v);
    if (f.type == "list") return replaceAll(v, ",", ", ");
    if (f.type == "state") return state(o, v);
    if (f.type == "map") {
        auto map = t.maps.find(f.map);
        if (map == t.maps.end()) return v;
        auto entry = map->second.find(v);
        return entry == map->second.end() ? v : entry->second;
    }
    if (f.type == "hotspare") {
        if (v.empty()) return "No";
        if (lowerAscii(v) == "global") return "Global hot spare";
        return "Dedicated to virtual disk " + v;
    }
    return text(raw, width);
}

std::string row(const std::string& label, size_t width, const std::string& value) {
    return "  " + label + std::string(width - label.size(), ' ') + " : " + value + "\n";
}

const Kind* kindOf(const SheetTables& t, const View& o) {
    const std::string type = normalizeSpace(o.value("ObjType"));
    for (const auto& k : t.kinds)
        if (k.name == type || (type.empty() && k.name == t.defaultKind)) return &k;
    return nullptr;
}

bool isMask(const std::string& name) { return name.size() >= 4 && name.compare(name.size() - 4, 4, "Mask") == 0; }

std::optional<std::string> block(const SheetTables& t, const View& o, const Kind& k, bool severalControllers) {
    // The elements its kind does not name follow its fields under their
    // labels; the block's labels line up at the longest.
    std::vector<std::pair<std::string, const std::string*>> others;
    size_t width = k.width;
    for (const auto& [name, value] : o.object) {
        if (k.known.count(name) || isMask(name)) continue;
        auto label = t.labels.find(name);
        if (label == t.labels.end() || !ascii(label->second)) return std::nullopt;
        others.emplace_back(label->second, &value);
        width = std::max(width, label->second.size());
    }
    std::string id = k.name == "PhysicalDisk" ? diskId(o) : k.name == "Enclosure" ? enclosureId(o) : k.id.empty() ? "" : o.value(k.id);
    std::string out = k.title;
    if (!normalizeSpace(id).empty()) out += " " + id;
    const std::string controller = normalizeSpace(o.value("GlobalNo"));
    if (severalControllers && k.name != "Controller" && !controller.empty()) out += " on Controller " + controller;
    out += "\n";
    for (const auto& f : k.fields) {
        const std::string* e = o.element(f.name);
        const std::string raw = e ? *e : "";
        const bool shown = !normalizeSpace(raw).empty() || (f.type == "state" && e) || (f.hasAbsent && !e) ||
                           (f.type == "diskid" && o.element("TargetID")) ||
                           (f.type == "enclosureid" && o.element("Channel"));
        if (!shown) continue;
        std::optional<std::string> value;
        if (f.type.empty() && raw.find('\n') == std::string::npos) value = raw;
        else if (f.type == "diskid") value = diskId(o);
        else if (f.type == "enclosureid") value = enclosureId(o);
        else if (!e) value = f.absent;
        else value = typed(t, o, f, raw, width);
        if (!value) return std::nullopt;
        out += row(f.label, width, *value);
    }
    for (const auto& [label, value] : others) out += row(label, width, text(*value, width));
    return out;
}

}  // namespace

std::shared_ptr<const SheetTables> readSheetTables(const std::string& sheetPath) {
    DocPtr doc(xmlReadFile(sheetPath.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    const xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (!is(root, kXsl, "stylesheet")) return nullptr;
    auto tables = std::make_shared<SheetTables>();
    std::string imported;
    for (const xmlNode* n = root->children; n; n = n->next) {
        if (n->type != XML_ELEMENT_NODE) continue;
        if (is(n, kXsl, "import") && imported.empty()) {
            imported = attr(n, "href");
            continue;
        }
        std::string value;
        if (!is(n, kXsl, "variable") || n->children || !literal(attr(n, "select"), value)) return nullptr;
        const std::string name = attr(n, "name");
        if (name == "rk.kind") tables->defaultKind = value;
        else if (name != "rk.empty" && !((name == "rk.heading" || name == "rk.only") && value.empty())) return nullptr;
    }
    const size_t slash = sheetPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : sheetPath.substr(0, slash + 1);
    const size_t name = imported.find_last_of('/');
    if (imported.substr(name == std::string::npos ? 0 : name + 1) != "common.xsl" || imported.find(':') != std::string::npos ||
        !readCommonTables(folder + imported, *tables))
        return nullptr;
    return tables;
}

std::optional<std::string> listingText(const SheetTables& tables, const std::vector<Object>& objects) {
    if (objects.empty()) return std::nullopt;
    std::vector<const Kind*> kinds;
    for (const auto& object : objects) {
        const Kind* k = kindOf(tables, View{object});
        if (!k || !k->supported) return std::nullopt;
        kinds.push_back(k);
    }
    // The first controller named decides whether titles name theirs.
    std::string first;
    bool named = false, several = false;
    for (const auto& object : objects)
        for (const auto& [name, value] : object) {
            if (name != "GlobalNo") continue;
            if (!named) first = normalizeSpace(value);
            named = true;
            several = several || normalizeSpace(value) != first;
        }
    std::string out;
    for (size_t i = 0; i < objects.size(); ++i) {
        auto text = block(tables, View{objects[i]}, *kinds[i], several);
        if (!text) return std::nullopt;
        out += (i ? "\n" : "") + *text;
    }
    return out;
}

}  // namespace rkhost
