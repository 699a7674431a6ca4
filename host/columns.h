// The columns of the table and csv views: per kind of object, what an
// administrator scans a listing for. Data only; host/table.cpp renders it.
#pragma once

#include <string>
#include <vector>

namespace rkhost {

// How a column's cell is made from an object.
enum class Cell {
    Text,         // the element as it came
    DiskId,       // connector:enclosure:target or connector:target
    EnclosureId,  // connector:enclosure or connector
    State,        // the state, with a running task and its progress
    Role,         // a disk's part: member of a virtual disk, hot spare, free
    Size,         // human units in a table, bytes in csv
    Map,          // a value the agent sends as a number, by name
    Percent,
    Celsius,
    Rpm,
    Watts,
    List,         // a comma-separated list, shown with blanks
    Time,         // an ISO time, shown as "2026-12-05 14:56 UTC"
};

struct Column {
    const char* kind;     // the object's ObjType
    const char* header;
    const char* element;  // the element read ("" for computed cells)
    Cell cell;
    const char* map = "";  // the value table of a Map cell
};

struct KindTitle {
    const char* kind;
    const char* title;  // the heading of its table in a reply of several kinds
};

// Every kind's columns, kinds one after another, columns in order.
const std::vector<Column>& columnTable();
const std::vector<KindTitle>& kindTitles();

// The short name of a value in a value table; the value itself when unknown.
std::string mappedValue(const std::string& map, const std::string& value);

}  // namespace rkhost
