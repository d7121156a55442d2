// The program's texts are UTF-8 std::string_view (the catalogue, the command table); the
// windows show QString.
#pragma once

#include <QString>
#include <string_view>

namespace velora::ui {

inline QString Q(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace velora::ui
