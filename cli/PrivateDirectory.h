#pragma once
// A fresh directory only this process uses (mode 0700), removed with its
// content when the object goes.

#include <filesystem>
#include <string>

namespace ryx::cli {

class PrivateDirectory {
public:
    PrivateDirectory();
    ~PrivateDirectory();
    PrivateDirectory(const PrivateDirectory&) = delete;
    PrivateDirectory& operator=(const PrivateDirectory&) = delete;

    bool ok() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }
    // The system's reason when it could not be made.
    const std::string& error() const { return error_; }

private:
    std::filesystem::path path_;
    std::string error_;
};

}  // namespace ryx::cli
