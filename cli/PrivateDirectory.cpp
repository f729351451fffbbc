#include "cli/PrivateDirectory.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace ryx::cli {

PrivateDirectory::PrivateDirectory() {
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) base = "/tmp";
    std::string pattern = (base / "ryxenc-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        error_ = "cannot create a temporary folder in " + base.string() + ": " + std::strerror(errno);
        return;
    }
    path_ = pattern;
}

PrivateDirectory::~PrivateDirectory() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace ryx::cli
