#include "outcome.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <strings.h>

#include <map>
#include <memory>

#include "cmdfw32.h"

namespace rkhost {
namespace {

struct DocFree { void operator()(xmlDoc* d) const { xmlFreeDoc(d); } };

std::string contentOf(xmlNode* node) {
    xmlChar* text = xmlNodeGetContent(node);
    std::string out = text ? reinterpret_cast<const char*>(text) : "";
    xmlFree(text);
    return out;
}

// How each fact of a result reads; facts not listed are shown by name.
struct FactLabel {
    const char* element;
    const char* label;
};
constexpr FactLabel kFactLabels[] = {
    {"VirtualDisk",  "New virtual disk"},
    {"File",         "Log written to"},
    {"VirtualDisks", "Imported virtual disks"},
    {"Disks",        "Foreign disks made ready"},
};

std::string get(const Object& object, const char* name) {
    for (const auto& [key, value] : object)
        if (key == name) return value;
    return {};
}

// ---- objects named on the command line -------------------------------------

// The value of name=value on the line (names ignore case); empty when absent.
std::string parameter(const std::vector<std::string>& words, const char* name) {
    const size_t length = std::char_traits<char>::length(name);
    for (size_t i = 1; i < words.size(); ++i)
        if (words[i].size() > length && words[i][length] == '=' && strncasecmp(words[i].c_str(), name, length) == 0)
            return words[i].substr(length + 1);
    return {};
}

std::vector<std::string> listItems(const std::string& list) {
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        const size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? comma : comma - start);
        const size_t first = item.find_first_not_of(' ');
        if (first != std::string::npos) items.push_back(item.substr(first, item.find_last_not_of(' ') - first + 1));
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}

// Reads objects through the plug-in's reports, each report once.
class Reader {
public:
    Reader(const Probe& probe, std::string controller) : probe_(probe), controller_(std::move(controller)) {}

    // The objects of "rkreport storage <object> controller=N [name=value]".
    std::vector<Object> read(const std::string& object, const std::string& name = "", const std::string& value = "") {
        std::vector<std::string> line{"rkreport", "storage", object, "controller=" + controller_};
        if (!name.empty() && name != "controller") line.push_back(name + "=" + value);
        const ProbeAnswer answer = probe_(line);
        if (answer.kind != CLPS_RESP_REPLY || answer.status != CLPS_STATUS_OK) return {};
        return replyObjects(answer.text);
    }

    // The virtual disks a disk belongs to, by the disk identifiers of their
    // "Disks" lists.
    std::vector<std::string> virtualDisksOf(const std::string& disk) {
        if (!membersRead_) {
            membersRead_ = true;
            for (const auto& vd : read("vdisk"))
                for (const auto& member : listItems(get(vd, "Disks")))
                    members_[member].push_back(get(vd, "LogicalDriveNum"));
        }
        auto it = members_.find(disk);
        return it == members_.end() ? std::vector<std::string>{} : it->second;
    }

private:
    const Probe& probe_;
    std::string controller_;
    bool membersRead_ = false;
    std::map<std::string, std::vector<std::string>> members_;
};

std::string joined(const std::vector<std::string>& items, const char* separator = ", ") {
    std::string out;
    for (const auto& item : items) out += (out.empty() ? "" : separator) + item;
    return out;
}

bool has(const Object& object, const char* name) {
    for (const auto& entry : object)
        if (entry.first == name) return true;
    return false;
}

// What uses an object, as its InUse element says ("running system, mounted
// at /"); empty when nothing does.
std::string inUsePart(const Object& object) {
    const std::string value = get(object, "InUse");
    for (const char* nothing : {"", "no", "none", "false", "0"})
        if (strcasecmp(value.c_str(), nothing) == 0) return {};
    return ", in use (" + value + ")";
}

constexpr uint32_t kGlobalSpareBit = 0x80, kDedicatedSpareBit = 0x100;

uint32_t maskBits(const std::string& digits) {
    uint32_t value = 0;
    const size_t start = digits.size() > 32 ? digits.size() - 32 : 0;
    for (size_t i = start; i < digits.size(); ++i) value = (value << 1) | (digits[i] == '1' ? 1u : 0u);
    return value;
}

std::string diskId(const Object& disk) {
    const std::string enclosure = get(disk, "EnclosureID");
    return get(disk, "Channel") + ":" + (enclosure.empty() ? "" : enclosure + ":") + get(disk, "TargetID");
}

// What a running task adds: ", rebuild 40%".
std::string taskPart(const Object& object) {
    const std::string task = get(object, "Task");
    if (task.empty() || strcasecmp(task.c_str(), "none") == 0) return {};
    const std::string progress = get(object, "Progress");
    return ", " + task + (progress.empty() ? "" : " " + progress + "%");
}

std::string diskRole(const Object& disk, Reader& reader) {
    std::string role;
    const std::string spareFor = get(disk, "HotSpareFor");
    const uint32_t attributes = maskBits(get(disk, "AttributesMask"));
    if (spareFor == "global" || (spareFor.empty() && (attributes & kGlobalSpareBit))) role = "global hot spare";
    else if (!spareFor.empty()) role = "hot spare of virtual disk " + spareFor;
    else if (attributes & kDedicatedSpareBit) role = "dedicated hot spare";
    // The agent names the virtual disks a disk belongs to; a reply without
    // that fact is answered from the virtual disks' member lists.
    const auto vds = has(disk, "MemberOf") ? listItems(get(disk, "MemberOf")) : reader.virtualDisksOf(diskId(disk));
    if (!vds.empty())
        role += (role.empty() ? "" : ", ") + std::string(vds.size() > 1 ? "member of virtual disks " : "member of virtual disk ") +
                joined(vds);
    if (role.empty() && get(disk, "State") == "Ready") role = "free";
    if (get(disk, "FreeLength") == "0" && !vds.empty()) role += ", no free space";
    return role + inUsePart(disk);
}

std::string virtualDiskRole(const Object& vd, Reader&) {
    return "disks " + get(vd, "Disks") + inUsePart(vd);
}

std::string enclosureRole(const Object& enclosure, Reader&) { return "on connector " + get(enclosure, "Channel"); }

std::string batteryRole(const Object& battery, Reader&) {
    const std::string learn = get(battery, "LearnState");
    return learn.empty() ? std::string() : "learn cycle " + learn;
}

std::string controllerRole(const Object& controller, Reader&) {
    std::string role;
    for (const auto& [element, label] : {std::pair{"AlarmState", "alarm "}, std::pair{"PatrolReadState", "patrol read "},
                                         std::pair{"ForeignConfig", "foreign configuration "}})
        if (const std::string value = get(controller, element); !value.empty())
            role += (role.empty() ? "" : ", ") + std::string(label) + value;
    return role;
}

std::string plainId(const Object& object, const char* element) { return get(object, element); }

// One row per kind of object a command line may name: the words that name
// it, the report that reads it, how it is called and what it takes part in.
// The controller is shown only when the line names nothing else: its own
// action was refused.
struct KindRow {
    const char* parameter;
    const char* reportObject;
    const char* objType;  // the report may show other objects as well
    const char* label;
    const char* idElement;  // nullptr: the disk identifier
    const char* nameElement;
    std::string (*role)(const Object&, Reader&);
};
constexpr KindRow kKinds[] = {
    {"vdisk",      "vdisk",      "VirtualDisk",  "Virtual disk",  "LogicalDriveNum", "Name",  virtualDiskRole},
    {"pdisk",      "pdisk",      "PhysicalDisk", "Physical disk", nullptr,           nullptr, diskRole},
    {"adisk",      "adisk",      "PhysicalDisk", "Array disk",    nullptr,           nullptr, diskRole},
    {"enclosure",  "enclosure",  "Enclosure",    "Enclosure",     nullptr,           "Name",  enclosureRole},
    {"battery",    "battery",    "Battery",      "Battery",       "BatteryID",       nullptr, batteryRole},
    {"controller", "controller", "Controller",   "Controller",    "GlobalNo",        "Name",  controllerRole},
};

std::string stateLine(const KindRow& row, const Object& object, Reader& reader) {
    std::string id;
    if (row.idElement) id = plainId(object, row.idElement);
    else if (std::string(row.parameter) == "enclosure") id = get(object, "Channel") + ":" + get(object, "EnclosureID");
    else id = diskId(object);
    std::string line = std::string(row.label) + " " + id;
    if (row.nameElement && !get(object, row.nameElement).empty()) line += " (" + get(object, row.nameElement) + ")";
    line += ": " + get(object, "State");
    const std::string role = row.role(object, reader);
    if (!role.empty()) line += ", " + role;
    if (get(object, "Blink") == "On") line += ", blinking";
    return line + taskPart(object);
}

}  // namespace

Object replyResult(const std::string& xml) {
    Object facts;
    std::unique_ptr<xmlDoc, DocFree> doc(xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "reply.xml", nullptr,
                                                       XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    for (xmlNode* n = root ? root->children : nullptr; n; n = n->next) {
        if (n->type != XML_ELEMENT_NODE || xmlStrcmp(n->name, BAD_CAST "Result") != 0) continue;
        for (xmlNode* fact = n->children; fact; fact = fact->next)
            if (fact->type == XML_ELEMENT_NODE) facts.emplace_back(reinterpret_cast<const char*>(fact->name), contentOf(fact));
    }
    return facts;
}

std::string resultLine(const Object& facts) {
    std::string line;
    for (const auto& [element, value] : facts) {
        std::string label = element;
        for (const auto& known : kFactLabels)
            if (element == known.element) label = known.label;
        std::string shown = value.empty() ? "none" : value;
        for (size_t at = shown.find(','); at != std::string::npos; at = shown.find(',', at + 2)) shown.insert(at + 1, " ");
        line += (line.empty() ? "" : "; ") + label + ": " + shown;
    }
    return line;
}

bool refusalTurnsOnState(int32_t status) {
    static constexpr int32_t kStatuses[] = {1609, 1613, 1614, 1615, 1623, 1627, 1629, 1646, CLPS_ERR_AGENT_REFUSED};
    for (int32_t s : kStatuses)
        if (s == status) return true;
    return false;
}

std::vector<std::string> objectStateLines(const std::vector<std::string>& words, const Probe& probe) {
    std::vector<std::string> lines;
    const std::string controller = parameter(words, "controller");
    if (controller.empty()) return lines;
    Reader reader(probe, controller);
    const bool controllerAction = words.size() > 2 && words[2] == "controller";
    for (const KindRow& row : kKinds) {
        const bool isController = std::string(row.parameter) == "controller";
        if (isController && (!controllerAction || !lines.empty())) continue;
        for (const auto& item : listItems(parameter(words, row.parameter))) {
            for (const auto& object : reader.read(row.reportObject, row.parameter, item))
                if (get(object, "ObjType") == row.objType) lines.push_back(stateLine(row, object, reader));
        }
    }
    return lines;
}

}  // namespace rkhost
