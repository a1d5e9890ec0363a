#pragma once

#include <QString>
#include <initializer_list>
#include <string_view>

#include "app/common/Text.h"

namespace orvane::app {

// A localized text whose "{0}", "{1}"... are replaced by the given values in order.
inline QString numbered(std::string_view key, std::initializer_list<QString> values) {
    QString text = loc(key);
    int i = 0;
    for (const QString& v : values) text.replace(QStringLiteral("{%1}").arg(i++), v);
    return text;
}

}  // namespace orvane::app
