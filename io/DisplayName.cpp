#include "io/DisplayName.h"

namespace ryx {
namespace {

constexpr unsigned char kDelete = 0x7F;
constexpr unsigned char kFirstC1 = 0x80;
constexpr unsigned char kLastC1 = 0x9F;
constexpr unsigned char kC1Lead = 0xC2;  // UTF-8 writes U+0080 to U+00BF as C2 80 to C2 BF

unsigned char byteAt(std::string_view text, std::size_t at) { return static_cast<unsigned char>(text[at]); }

// The length of the well-formed UTF-8 character of two or more bytes at `at`, or 0.
std::size_t utf8Length(std::string_view text, std::size_t at) {
    const unsigned char lead = byteAt(text, at);
    std::size_t length = 0;
    unsigned char low = 0x80;  // the second byte's range, narrowed for overlong and surrogate forms
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    if (byteAt(text, at + 1) < low || byteAt(text, at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byteAt(text, at + i) < 0x80 || byteAt(text, at + i) > 0xBF) return 0;
    }
    return length;
}

// How many bytes at `at` make one control character (0: none starts there);
// `length` gets the bytes of the character, control or not.
std::size_t controlLength(std::string_view text, std::size_t at, std::size_t& length) {
    const unsigned char byte = byteAt(text, at);
    if (byte < 0x80) {
        length = 1;
        return byte < 0x20 || byte == kDelete ? 1 : 0;
    }
    length = utf8Length(text, at);
    if (length == 2 && byte == kC1Lead && byteAt(text, at + 1) <= kLastC1) return 2;
    if (length != 0) return 0;
    length = 1;
    return byte >= kFirstC1 && byte <= kLastC1 ? 1 : 0;
}

bool holdsControl(std::string_view text) {
    for (std::size_t at = 0, length = 0; at < text.size(); at += length) {
        if (controlLength(text, at, length) != 0) return true;
    }
    return false;
}

}  // namespace

std::string displayName(std::string_view name) {
    if (!holdsControl(name)) return std::string(name);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string quoted = "\"";
    for (std::size_t at = 0, length = 0; at < name.size(); at += length) {
        const std::size_t control = controlLength(name, at, length);
        const char c = name[at];
        if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\t') {
            quoted += "\\t";
        } else if (c == '\r') {
            quoted += "\\r";
        } else if (c == '\\') {
            quoted += "\\\\";
        } else if (c == '"') {
            quoted += "\\\"";
        } else if (control != 0) {
            for (std::size_t i = 0; i < control; ++i) {
                const unsigned char byte = byteAt(name, at + i);
                quoted += "\\x";
                quoted += kHex[byte >> 4];
                quoted += kHex[byte & 0xF];
            }
        } else {
            quoted += name.substr(at, length);
        }
    }
    quoted += '"';
    return quoted;
}

std::string quotedText(std::string_view text) {
    if (holdsControl(text)) return displayName(text);
    return "'" + std::string(text) + "'";
}

}  // namespace ryx
