#include "app/InfoDictionary.h"

#include "BuildInfo.h"

std::optional<QString> buildInfo(const QString &key)
{
    const char *value = nullptr;
    if (key == kShortVersionKey)
        value = buildShortVersion;
    else if (key == kBuildNumberKey)
        value = buildNumber;
    else if (key == kCopyrightKey)
        value = buildCopyright;
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return QString::fromUtf8(value);
}

QString infoValue(const InfoLookup &lookup, const QString &key)
{
    if (!lookup)
        return kMissingValueSign;
    return lookup(key).value_or(kMissingValueSign);
}
