#include "locate.h"

#include <unistd.h>

#include <filesystem>

namespace rkhost {
namespace fs = std::filesystem;

namespace {

fs::path executableDir() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path(ec);
    return self.parent_path();
}

bool hasFile(const fs::path& dir, const char* name) {
    std::error_code ec;
    return fs::exists(dir / name, ec);
}

}  // namespace

Layout locate() {
    const fs::path prefix = executableDir().parent_path();
    Layout layout;
    for (const fs::path& dir : {prefix / RK_LIBDIR_REL, prefix / "lib"}) {
        if (hasFile(dir, "libkwclp32.so")) {
            layout.libDir = dir.string();
            break;
        }
    }
    for (const fs::path& dir : {prefix / RK_DATADIR_REL, prefix / "share" / "rk"}) {
        if (hasFile(dir, "messages.cat")) {
            layout.dataDir = dir.string();
            break;
        }
    }
    return layout;
}

}  // namespace rkhost
