#pragma once

#include <QString>

#include <functional>
#include <optional>

// Keys of the application's information values.
inline const QString kShortVersionKey = QStringLiteral("CFBundleShortVersionString");
inline const QString kBuildNumberKey = QStringLiteral("CFBundleVersion");
inline const QString kCopyrightKey = QStringLiteral("NSHumanReadableCopyright");

// Shown in place of an information value the build did not provide: U+26A0 U+FE0F.
inline const QString kMissingValueSign = QStringLiteral("\u26A0\uFE0F");

// Looks up one information value; nothing when there is none. Injectable so that the windows can
// be shown with and without values.
using InfoLookup = std::function<std::optional<QString>(const QString &key)>;

// The values this build was made with: short version, build number and copyright line. A key
// this build has no value for (an unknown key, or an empty cache variable) gives nothing.
std::optional<QString> buildInfo(const QString &key);

// The value of `key` from `lookup`, or kMissingValueSign when it has none (or the lookup is empty).
QString infoValue(const InfoLookup &lookup, const QString &key);
