// Listings for people and scripts: one line per object under a header
// (table), or the same columns as RFC 4180 records (csv). The columns of
// each kind are data (host/columns.cpp).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "render.h"

namespace rkhost {

// Whether every object is of a kind that has columns (an empty reply has
// none: it shows as text).
bool hasColumns(const std::vector<Object>& objects);

// Whether the reply holds physical disks, whose roles need the virtual
// disks of their controllers.
std::vector<std::string> controllersOfDisks(const std::vector<Object>& objects);

using VirtualDisks = std::optional<std::vector<Object>>;

// The objects as aligned columns. virtualDisks give disks their roles (the
// members of each one's Disks list); without them (they could not be read)
// a disk that is no hot spare has an unknown role. width is the terminal's: when the table
// is wider, the widest columns are cut with an ellipsis; 0 cuts nothing.
std::string renderTable(const std::vector<Object>& objects, const VirtualDisks& virtualDisks,
                        size_t width);

// The same columns with full values (sizes in bytes), a header line first.
// Objects of several kinds share one header: a Kind column and every
// kind's columns.
std::string renderCsv(const std::vector<Object>& objects, const VirtualDisks& virtualDisks);

// Columns a text takes on a terminal (UTF-8 sequences count as one).
size_t displayWidth(const std::string& text);

}  // namespace rkhost
