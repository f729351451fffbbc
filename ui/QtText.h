#pragma once
// The model's texts (UTF-8 views) as Qt strings.

#include <QString>

#include <string_view>

namespace ryx::ui {

inline QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace ryx::ui
