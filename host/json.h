// A minimal JSON writer for the host's json output.
#pragma once

#include <string>
#include <vector>

namespace rkhost {

std::string jsonString(const std::string& text);
std::string jsonStringList(const std::vector<std::string>& items);

}  // namespace rkhost
