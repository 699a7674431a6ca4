#include "table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "columns.h"

namespace rkhost {
namespace {

const std::string kEllipsis = "\xE2\x80\xA6";  // one column wide

std::string trim(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return s;
}

const std::string* element(const Object& object, const std::string& name) {
    for (const auto& [n, v] : object)
        if (n == name) return &v;
    return nullptr;
}

std::string value(const Object& object, const std::string& name) {
    const std::string* v = element(object, name);
    return v ? trim(*v) : std::string();
}

std::string kindOf(const Object& object) { return value(object, "ObjType"); }

// Bit `bit` (value 1 << bit) of a mask the agent sends as binary digits.
bool maskBit(const std::string& digits, size_t bit) {
    return digits.size() > bit && digits[digits.size() - 1 - bit] == '1';
}

bool isNumber(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

std::string diskId(const Object& o) {
    const std::string target = value(o, "TargetID"), enclosure = value(o, "EnclosureID");
    if (value(o, "BusProtocol") == "8" && maskBit(value(o, "AttributesMask"), 10) && !enclosure.empty())
        return value(o, "Channel") + ":" + enclosure + ":" + target;
    return target.empty() ? "" : value(o, "Channel") + ":" + target;
}

// An enclosure's components carry no protocol: theirs is an enclosure's.
std::string enclosureId(const Object& o) {
    const std::string enclosure = value(o, "EnclosureID");
    const std::string* protocol = element(o, "BusProtocol");
    if ((!protocol || trim(*protocol) == "8") && !enclosure.empty()) return value(o, "Channel") + ":" + enclosure;
    return value(o, "Channel");
}

// "Online", "Rebuilding, 45%", "Ready, Check Consistency 12%": the task's
// name is left out when the state already says it.
std::string stateCell(const Object& o) {
    const std::string state = value(o, "State"), full = value(o, "Task"), progress = value(o, "Progress");
    if (full.empty()) return state.empty() ? "Unknown" : state;
    const size_t bracket = full.find(" (");
    const std::string task = full.substr(0, bracket);
    const std::string remark = bracket == std::string::npos ? "" : full.substr(bracket);
    const std::string stem = lower(task).substr(0, 5);
    const bool said = stem.size() == 5 && lower(state).rfind(stem, 0) == 0;
    std::string out = state.empty() ? "" : state + ", ";
    if (said) out += progress.empty() ? "in progress" : progress + "%";
    else out += task + (progress.empty() ? " in progress" : " " + progress + "%");
    return out + remark;
}

// "1.09 TB": units of 1024, as the text reports give them.
std::string humanSize(const std::string& bytes) {
    if (!isNumber(bytes)) return bytes;
    double n = std::strtod(bytes.c_str(), nullptr);
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB"};
    if (n < 1024) return bytes + " B";
    int unit = -1;
    while (n >= 1024 && unit < 4) {
        n /= 1024;
        ++unit;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%.2f %s", n, kUnits[unit]);
    return text;
}

std::string withUnit(const std::string& v, const char* unit) { return isNumber(v) ? v + unit : v; }

std::string timeCell(const std::string& v) {
    if (v.size() == 20 && v[10] == 'T' && v[19] == 'Z') return v.substr(0, 10) + " " + v.substr(11, 8) + " UTC";
    return v;
}

std::string listCell(const std::string& v) {
    std::string out;
    for (char c : v) out += c == ',' ? std::string(", ") : std::string(1, c);
    return out;
}

// Which virtual disks each disk is a member of, by controller and the
// disk's identifier as users type it.
using Memberships = std::optional<std::map<std::string, std::vector<std::string>>>;

Memberships membershipsOf(const VirtualDisks& virtualDisks) {
    if (!virtualDisks) return std::nullopt;
    Memberships members{std::in_place};
    for (const auto& vd : *virtualDisks) {
        const std::string controller = value(vd, "GlobalNo"), number = value(vd, "LogicalDriveNum");
        std::string disks = value(vd, "Disks") + ",";
        for (size_t start = 0, comma; (comma = disks.find(',', start)) != std::string::npos; start = comma + 1) {
            const std::string disk = trim(disks.substr(start, comma - start));
            if (!disk.empty()) (*members)[controller + "|" + disk].push_back(number);
        }
    }
    return members;
}

// "vdisk 1", "vdisks 0, 1"; "" for a disk that is no member (or when the
// members are not known). The agent names a disk's virtual disks itself
// (MemberOf); a reply without that fact is answered from the member lists.
std::string membership(const Object& disk, const Memberships& members) {
    if (const std::string* memberOf = element(disk, "MemberOf")) {
        const std::string list = listCell(trim(*memberOf));
        if (list.empty()) return "";
        return (list.find(',') == std::string::npos ? "vdisk " : "vdisks ") + list;
    }
    if (!members) return "";
    auto it = members->find(value(disk, "GlobalNo") + "|" + diskId(disk));
    if (it == members->end()) return "";
    std::string list;
    for (const auto& n : it->second) list += (list.empty() ? "" : ", ") + n;
    return (it->second.size() == 1 ? "vdisk " : "vdisks ") + list;
}

// A member's virtual disks, "global hot spare", "hot spare of vdisk 1", "free".
std::string roleCell(const Object& disk, const Memberships& members) {
    if (std::string member = membership(disk, members); !member.empty()) return member;
    const std::string mask = value(disk, "AttributesMask"), spareFor = value(disk, "HotSpareFor");
    if (maskBit(mask, 7) || lower(spareFor) == "global") return "global hot spare";
    if (maskBit(mask, 8) || !spareFor.empty())
        return spareFor.empty() ? "dedicated hot spare" : "hot spare of vdisk " + spareFor;
    return members || element(disk, "MemberOf") ? "free" : "unknown";
}

bool rightAligned(Cell cell) {
    return cell == Cell::Size || cell == Cell::Percent || cell == Cell::Celsius || cell == Cell::Rpm ||
           cell == Cell::Watts;
}

// A cell as people read it (human) or as scripts take it (full values,
// numbers without units).
std::string cellOf(const Object& o, const Column& c, const Memberships& members, bool human) {
    const std::string v = *c.element ? value(o, c.element) : std::string();
    switch (c.cell) {
        case Cell::DiskId: return diskId(o);
        case Cell::EnclosureId: return enclosureId(o);
        case Cell::State: return stateCell(o);
        case Cell::Role: return roleCell(o, members);
        case Cell::Map: return v.empty() ? v : mappedValue(c.map, v);
        case Cell::Size: return human && !v.empty() ? humanSize(v) : v;
        case Cell::Percent: return human ? withUnit(v, "%") : v;
        case Cell::Celsius: return human ? withUnit(v, " C") : v;
        case Cell::Rpm: return human ? withUnit(v, " RPM") : v;
        case Cell::Watts: return human ? withUnit(v, " W") : v;
        case Cell::List: return human ? listCell(v) : v;
        case Cell::Time: return human ? timeCell(v) : v;
        case Cell::Text: break;
    }
    const std::string* raw = *c.element ? element(o, c.element) : nullptr;
    return raw ? *raw : std::string();
}

// The columns of a kind; a Controller column first when the reply spans
// several controllers.
std::vector<Column> columnsOf(const std::string& kind, bool severalControllers) {
    std::vector<Column> out;
    if (severalControllers && kind != "Controller" && kind != "StorageObject")
        out.push_back({"", "Controller", "GlobalNo", Cell::Text});
    for (const auto& c : columnTable())
        if (kind == c.kind) out.push_back(c);
    return out;
}

bool spansControllers(const std::vector<Object>& objects) {
    std::set<std::string> controllers;
    for (const auto& o : objects)
        if (element(o, "GlobalNo")) controllers.insert(value(o, "GlobalNo"));
    return controllers.size() > 1;
}

// Kinds in the order they first appear, each with its objects.
std::vector<std::pair<std::string, std::vector<const Object*>>> groupsOf(const std::vector<Object>& objects) {
    std::vector<std::pair<std::string, std::vector<const Object*>>> groups;
    for (const auto& o : objects) {
        const std::string kind = kindOf(o);
        auto it = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.first == kind; });
        if (it == groups.end()) it = groups.insert(groups.end(), {kind, {}});
        it->second.push_back(&o);
    }
    return groups;
}

std::string cut(const std::string& text, size_t width) {
    if (displayWidth(text) <= width) return text;
    std::string out;
    size_t used = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool starts = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (starts && ++used > width - 1) break;
        out += text[i];
    }
    return out + kEllipsis;
}

// Narrows the widest columns, one column at a time, until the line fits:
// first down to their headers (or 8 columns), then down to 4.
void fitTo(std::vector<size_t>& widths, const std::vector<size_t>& headers, size_t width) {
    const size_t gaps = 2 * (widths.size() - 1);
    auto total = [&] {
        size_t sum = gaps;
        for (size_t w : widths) sum += w;
        return sum;
    };
    for (bool soft : {true, false}) {
        auto floorOf = [&](size_t i) { return soft ? std::max<size_t>(headers[i], 8) : 4; };
        while (total() > width) {
            size_t widest = widths.size();
            for (size_t i = 0; i < widths.size(); ++i)
                if (widths[i] > floorOf(i) && (widest == widths.size() || widths[i] > widths[widest])) widest = i;
            if (widest == widths.size()) break;
            --widths[widest];
        }
    }
}

void appendRow(std::string& out, const std::vector<std::string>& cells, const std::vector<size_t>& widths,
               const std::vector<bool>& right) {
    std::string line;
    for (size_t i = 0; i < cells.size(); ++i) {
        const std::string text = cut(cells[i], widths[i]);
        const std::string pad(widths[i] - displayWidth(text), ' ');
        if (i) line += "  ";
        line += right[i] ? pad + text : text + pad;
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out += line + "\n";
}

std::string tableOf(const std::vector<const Object*>& objects, const std::vector<Column>& columns,
                    const Memberships& members, size_t width) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header;
    std::vector<bool> right;
    std::vector<size_t> widths;
    for (const auto& c : columns) {
        header.push_back(c.header);
        right.push_back(rightAligned(c.cell));
        widths.push_back(displayWidth(c.header));
    }
    const std::vector<size_t> headerWidths = widths;
    for (const Object* o : objects) {
        std::vector<std::string> row;
        for (size_t i = 0; i < columns.size(); ++i) {
            row.push_back(visibleControls(cellOf(*o, columns[i], members, true), false));
            widths[i] = std::max(widths[i], displayWidth(row.back()));
        }
        rows.push_back(std::move(row));
    }
    if (width) fitTo(widths, headerWidths, width);
    std::string out;
    appendRow(out, header, widths, right);
    for (const auto& row : rows) appendRow(out, row, widths, right);
    return out;
}

std::string titleOf(const std::string& kind) {
    for (const auto& t : kindTitles())
        if (kind == t.kind) return t.title;
    return kind;
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string csvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) line += (i ? "," : "") + csvField(fields[i]);
    return line + "\n";
}

}  // namespace

size_t displayWidth(const std::string& text) {
    size_t width = 0;
    for (char c : text) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return width;
}

bool hasColumns(const std::vector<Object>& objects) {
    if (objects.empty()) return false;
    for (const auto& o : objects) {
        const std::string kind = kindOf(o);
        if (std::none_of(columnTable().begin(), columnTable().end(),
                         [&](const Column& c) { return kind == c.kind; }))
            return false;
    }
    return true;
}

std::vector<std::string> controllersOfDisks(const std::vector<Object>& objects) {
    std::vector<std::string> controllers;
    for (const auto& o : objects) {
        const std::string controller = value(o, "GlobalNo");
        if (kindOf(o) == "PhysicalDisk" && !element(o, "MemberOf") &&
            std::find(controllers.begin(), controllers.end(), controller) == controllers.end())
            controllers.push_back(controller);
    }
    return controllers;
}

std::string renderTable(const std::vector<Object>& objects, const VirtualDisks& virtualDisks,
                        size_t width) {
    const Memberships members = membershipsOf(virtualDisks);
    const bool several = spansControllers(objects);
    const auto groups = groupsOf(objects);
    std::string out;
    for (const auto& [kind, ofKind] : groups) {
        if (groups.size() > 1) out += (out.empty() ? "" : "\n") + titleOf(kind) + "\n";
        out += tableOf(ofKind, columnsOf(kind, several), members, width);
    }
    return out;
}

std::string renderCsv(const std::vector<Object>& objects, const VirtualDisks& virtualDisks) {
    const Memberships members = membershipsOf(virtualDisks);
    const bool several = spansControllers(objects);
    const auto groups = groupsOf(objects);
    const bool mixed = groups.size() > 1;
    // The header: every kind's columns, each name once.
    std::vector<std::string> header;
    if (mixed) header.push_back("Kind");
    for (const auto& group : groups)
        for (const auto& c : columnsOf(group.first, several))
            if (std::find(header.begin(), header.end(), c.header) == header.end()) header.push_back(c.header);
    std::string out = csvLine(header);
    for (const auto& o : objects) {
        std::vector<std::string> fields(header.size());
        if (mixed) fields[0] = kindOf(o);
        for (const auto& c : columnsOf(kindOf(o), several)) {
            const size_t at = std::find(header.begin(), header.end(), c.header) - header.begin();
            fields[at] = cellOf(o, c, members, false);
        }
        out += csvLine(fields);
    }
    return out;
}

}  // namespace rkhost
