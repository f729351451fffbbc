#pragma once
// The program's name, version and the texts that name its makers.

#include "core/ProductVersion.h"

#include <string_view>

namespace ryx {

inline constexpr std::string_view kProductName = "Ryx Sound Encoder LT";
inline constexpr std::string_view kWebAddress = "http://ryx-encoder.example.org/";
inline constexpr std::string_view kAuthorNotice = "(c) 2002 the Ryx Sound Encoder LT authors";

}  // namespace ryx
