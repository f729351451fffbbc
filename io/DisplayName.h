#pragma once
// Text from the user or the file system as a message may show it: unchanged
// when it holds no control character, otherwise in double quotes with C-style
// escapes, so that no control character reaches a terminal raw. Controls are
// C0 and DEL, and C1 (U+0080 to U+009F) both as UTF-8 (C2 80 to C2 9F) and as
// single bytes 80 to 9F outside a UTF-8 character.

#include <string>
#include <string_view>

namespace ryx {

std::string displayName(std::string_view name);

// A value quoted inside a message: 'TEXT', or displayName's escaped form.
std::string quotedText(std::string_view text);

}  // namespace ryx
