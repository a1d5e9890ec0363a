#include "app/common/Text.h"

#include <QFile>
#include <QLocale>

#include "kit/Localization.h"
#include "kit/Paths.h"
#include "kit/Plural.h"
#include "kit/SizeFormat.h"

namespace orvane::app {

QString loc(std::string_view key) { return QString::fromStdString(kit::localized(key)); }

QString locFormat(std::string_view key, std::initializer_list<QString> args) {
    QString text = loc(key);
    QString out;
    auto arg = args.begin();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size() && text[i + 1] == u'@' && arg != args.end()) {
            out += *arg++;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

QString displayPath(std::string_view path) {
    QString text = QString::fromStdString(kit::displayPath(path));
    // A name may hold line breaks and other control characters; in a one-line label they would
    // cut the name in two or vanish, so they are shown as visible marks instead.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\n') text[i] = QChar(0x2424);
        else if (c < 0x20 || c == 0x7f) text[i] = QChar(0xFFFD);
    }
    return text;
}

QString qs(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string pathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString sizeText(std::uint64_t bytes) {
    return QString::fromStdString(kit::transformedFileSize(bytes));
}

QString countText(long long count) { return QLocale().toString(count); }

QString quantity(long long count, std::string_view one, std::string_view other) {
    return countText(count) + QLatin1Char(' ') +
           loc(kit::plural(static_cast<std::uint64_t>(count < 0 ? 0 : count), one, other));
}

}  // namespace orvane::app
