// Text listings of thousands of objects, written in C++ from the report
// sheets' own tables (kinds, fields, labels, value tables), exactly as the
// sheets write them. A style sheet spends most of a 2048-disk listing
// reading its tables again for every field of every object; this writes the
// same text at the speed of the json form. Anything it was not written for
// (a sheet that does more than name its kind, an element without a label, a
// kind with types it does not know) is left to the style sheet.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "render.h"

namespace rkhost {

struct SheetTables;

// The tables of a report sheet that imports the shared sheet and only sets
// its kind and its empty text; null for any other sheet.
std::shared_ptr<const SheetTables> readSheetTables(const std::string& sheetPath);

// The text the sheet would write for these objects, or nothing when the
// sheet must write it.
std::optional<std::string> listingText(const SheetTables& tables, const std::vector<Object>& objects);

// Replies with fewer objects than this are left to the sheet: reading the
// tables costs more than the sheet's work on a few objects.
constexpr size_t kListingObjects = 64;

}  // namespace rkhost
