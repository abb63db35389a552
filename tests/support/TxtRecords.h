#pragma once

#include <QByteArray>
#include <QList>

#include <utility>

// TXT record bytes (RFC 6763 §6) from its strings, e.g. {"vender=tulvo", "device=camera"}.
inline QByteArray txtBytes(const QList<QByteArray> &strings)
{
    QByteArray record;
    for (const QByteArray &string : strings) {
        record.append(static_cast<char>(string.size()));
        record.append(string);
    }
    return record;
}

// The TXT record of one of the maker's devices: "vender=tulvo", then "key=value" per entry.
inline QByteArray makerTxt(const QList<std::pair<QByteArray, QByteArray>> &entries = {})
{
    QList<QByteArray> strings{"vender=tulvo"};
    for (const auto &[key, value] : entries)
        strings.append(key + '=' + value);
    return txtBytes(strings);
}
