// Code page 1252 bytes (the program's text) to and from Qt's strings.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "common/text.h"

namespace corvex::qt {

inline QString daCp(std::string_view cp1252) {
    return QString::fromStdString(cp1252ToUtf8(cp1252));
}

inline std::string aCp(const QString& text) {
    return utf8ToCp1252(text.toStdString());
}

}  // namespace corvex::qt
