#pragma once
// Sends the process's standard error to /dev/null for its lifetime: the MP3
// decoder under libsndfile prints notes of its own on a damaged file, and
// ryxenc's error lines are its only messages.

namespace ryx::cli {

class QuietStandardError {
public:
    QuietStandardError();
    ~QuietStandardError();
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_ = -1;
};

}  // namespace ryx::cli
