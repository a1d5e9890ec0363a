#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace orvane::app {

// The catalog text of an English key, ready for a label.
QString loc(std::string_view key);
// loc(key) with each "%@" replaced by the next argument.
QString locFormat(std::string_view key, std::initializer_list<QString> args);
// A byte path made readable. Only for showing: operations keep the original bytes.
QString displayPath(std::string_view path);
QString qs(std::string_view utf8);
// Bytes of a path the platform handed us as text (chooser, drop), as the file system spells it.
std::string pathBytes(const QString& path);
// "12.3 MB" for a byte count.
QString sizeText(std::uint64_t bytes);
// "1,234" with the locale's grouping.
QString countText(long long count);
// "1 file", "2 files": the grouped count and the noun that agrees with it.
QString quantity(long long count, std::string_view one, std::string_view other);

}  // namespace orvane::app
