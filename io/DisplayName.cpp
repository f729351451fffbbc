#include "io/DisplayName.h"

#include <algorithm>

namespace ryx {
namespace {

bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

}  // namespace

std::string displayName(std::string_view name) {
    if (std::none_of(name.begin(), name.end(), isControl)) return std::string(name);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string quoted = "\"";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\n': quoted += "\\n"; break;
        case '\t': quoted += "\\t"; break;
        case '\r': quoted += "\\r"; break;
        case '\\': quoted += "\\\\"; break;
        case '"': quoted += "\\\""; break;
        default:
            if (isControl(c)) {
                quoted += "\\x";
                quoted += kHex[byte >> 4];
                quoted += kHex[byte & 0xF];
            } else {
                quoted += c;
            }
        }
    }
    quoted += '"';
    return quoted;
}

}  // namespace ryx
