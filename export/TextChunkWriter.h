#pragma once
// Collects text in a fixed block and hands it to an AtomicFileWriter in
// large writes, so a megabyte of short lines costs a few dozen writes and
// no allocation.

#include "io/AtomicFileWriter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ryx {

class TextChunkWriter {
public:
    static constexpr std::size_t kChunkSize = 64 * 1024;

    explicit TextChunkWriter(AtomicFileWriter& writer) : writer_(writer) {}
    ~TextChunkWriter() { flush(); }
    TextChunkWriter(const TextChunkWriter&) = delete;
    TextChunkWriter& operator=(const TextChunkWriter&) = delete;

    // Text of at most kChunkSize characters (every piece the exports write).
    void append(std::string_view text);
    // Room for up to maxSize characters written directly; hand back the end.
    char* reserve(std::size_t maxSize) {
        if (used_ + maxSize > kChunkSize) flush();
        return chunk_.data() + used_;
    }
    void commit(const char* end) { used_ = static_cast<std::size_t>(end - chunk_.data()); }
    // Appends text and the CR LF that ends every line.
    void line(std::string_view text) {
        append(text);
        append("\r\n");
    }
    // Appends a number in decimal, with no padding.
    void number(std::int64_t value);
    void flush();

private:
    AtomicFileWriter& writer_;
    std::array<char, kChunkSize> chunk_;
    std::size_t used_ = 0;
};

}  // namespace ryx
