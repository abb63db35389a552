#include "platform/NamedColor.h"

#include <algorithm>

QColor namedColor(const QString &name)
{
    const auto isHexDigit = [](QChar c) {
        return QStringView(u"0123456789abcdefABCDEF").contains(c);
    };
    if (name.size() != 7 || name.front() != u'#' ||
        !std::all_of(name.begin() + 1, name.end(), isHexDigit))
        return {};
    return QColor::fromRgb(QStringView(name).mid(1).toUInt(nullptr, 16));
}
