#include "replies.h"

namespace rkbench {

namespace {

std::string head(const char* command) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Reply command=\"";
    out += command;
    out += "\" status=\"0\">\n";
    return out;
}

void element(std::string& out, const char* name, const std::string& value) {
    out += '<';
    out += name;
    out += '>';
    out += value;
    out += "</";
    out += name;
    out += '>';
}

}  // namespace

std::string diskReply(int n) {
    std::string out = head("getArrayDisksForChannel");
    for (int i = 0; i < n; ++i) {
        const std::string enclosure = std::to_string(i / 64), target = std::to_string(i % 64);
        out += "<DCStorageObject>";
        element(out, "GlobalNo", "0");
        element(out, "Channel", "0");
        element(out, "EnclosureID", enclosure);
        element(out, "TargetID", target);
        element(out, "ObjID", std::to_string(100 + i));
        element(out, "ObjType", "PhysicalDisk");
        element(out, "State", "Ready");
        element(out, "BusProtocol", "8");
        element(out, "MediaType", "HDD");
        element(out, "Length", "1199638052864");
        element(out, "UsedLength", "0");
        element(out, "FreeLength", "1199638052864");
        element(out, "Vendor", "Halden");
        element(out, "ProductID", "HL1200-SAS10K");
        element(out, "SerialNumber", "HLD00" + std::to_string(1000000 + i));
        element(out, "FirmwareVersion", "KT07");
        element(out, "NegotiatedSpeed", "12 Gbps");
        element(out, "Blink", "Off");
        element(out, "AttributesMask", "10000000000");
        element(out, "MasterMethodMask", "11011111110011");
        element(out, "CurrentMethodMask", "1000000010001");
        out += "</DCStorageObject>\n";
    }
    return out + "</Reply>\n";
}

std::string virtualDiskReply(int n) {
    std::string out = head("getVirtualDisksForController");
    for (int i = 0; i < n; ++i) {
        out += "<DCStorageObject>";
        element(out, "GlobalNo", "0");
        element(out, "LogicalDriveNum", std::to_string(i));
        element(out, "ObjID", std::to_string(5000 + i));
        element(out, "ObjType", "VirtualDisk");
        element(out, "Name", "Mirror " + std::to_string(i));
        element(out, "State", "Ready");
        element(out, "Layout", "4");
        element(out, "Length", "1199638052864");
        element(out, "StripeSize", "128");
        element(out, "ReadPolicy", "4");
        element(out, "WritePolicy", "4");
        element(out, "CachePolicy", "1");
        element(out, "DiskCachePolicy", "2");
        element(out, "Disks", "0:0:" + std::to_string(2 * i) + ",0:0:" + std::to_string(2 * i + 1));
        element(out, "Blink", "Off");
        element(out, "MasterMethodMask", "11111111110111110011");
        element(out, "CurrentMethodMask", "10000000011110110001");
        out += "</DCStorageObject>\n";
    }
    return out + "</Reply>\n";
}

}  // namespace rkbench
