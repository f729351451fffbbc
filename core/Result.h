#pragma once
// The one way every layer reports a failure: a value, or a message the user
// can read with the system's reason (an errno) where there is one. Exceptions
// are kept for broken invariants.

#include <optional>
#include <string>
#include <utility>

namespace ryx {

struct Error {
    std::string message;  // complete and ready to show
    int systemError = 0;  // the errno behind it, or 0
};

template <typename T = void>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}  // NOLINT: a value is a success
    Result(Error error) : error_(std::move(error)) {}  // NOLINT: an error is a failure
    static Result failure(std::string message, int systemError = 0) {
        return Result(Error{std::move(message), systemError});
    }

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return error_.message; }
    int systemError() const { return error_.systemError; }
    const Error& failureDetail() const { return error_; }

    T& value() { return *value_; }
    const T& value() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }

private:
    std::optional<T> value_;
    Error error_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : ok_(false), error_(std::move(error)) {}  // NOLINT: an error is a failure
    static Result failure(std::string message, int systemError = 0) {
        return Result(Error{std::move(message), systemError});
    }

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const std::string& error() const { return error_.message; }
    int systemError() const { return error_.systemError; }
    const Error& failureDetail() const { return error_; }

private:
    bool ok_ = true;
    Error error_;
};

}  // namespace ryx
