#include "export/TextChunkWriter.h"

#include <charconv>
#include <cstring>

namespace ryx {

void TextChunkWriter::append(std::string_view text) {
    if (used_ + text.size() > kChunkSize) flush();
    std::memcpy(chunk_.data() + used_, text.data(), text.size());
    used_ += text.size();
}

void TextChunkWriter::number(std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    append(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void TextChunkWriter::flush() {
    if (used_ == 0) return;
    writer_.write(chunk_.data(), used_);
    used_ = 0;
}

}  // namespace ryx
