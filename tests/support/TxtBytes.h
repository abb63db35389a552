#pragma once

#include <QByteArray>
#include <QList>

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
