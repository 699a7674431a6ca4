// Where the host finds its libraries and data: relative to its own
// executable, in the build tree (bin/, lib/, share/rk/) and in an install
// tree (bin/, lib/rk/, share/rk/) alike.
#pragma once

#include <string>

namespace rkhost {

struct Layout {
    std::string libDir;    // holds libkwclp32.so and libkwda.so
    std::string dataDir;   // holds messages.cat and xsl/
};

// Empty libDir when the plug-in cannot be found.
Layout locate();

}  // namespace rkhost
