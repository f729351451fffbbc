#pragma once

#include <string>
#include <utility>

namespace ryx {

// Success, or a failure with a reason the user can read.
class OperationResult {
public:
    OperationResult() = default;
    static OperationResult failure(std::string reason) {
        OperationResult result;
        result.ok_ = false;
        result.error_ = std::move(reason);
        return result;
    }

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const std::string& error() const { return error_; }

private:
    bool ok_ = true;
    std::string error_;
};

}  // namespace ryx
