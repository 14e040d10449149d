#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <QString>

#include "platform/text_codec.h"

namespace quennit {

// Where the window's text crosses between QString and the core's Shift_JIS.

// Bytes that are not valid Shift_JIS become U+FFFD each.
inline QString FromSjis(std::string_view sjis) {
    return QString::fromStdString(SjisToUtf8(sjis));
}

// nullopt when the text holds a character that Shift_JIS cannot represent.
inline std::optional<std::string> ToSjis(const QString& text) {
    return Utf8ToSjis(text.toStdString());
}

}  // namespace quennit
