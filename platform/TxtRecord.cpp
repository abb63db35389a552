#include "platform/TxtRecord.h"

QMap<QString, QByteArray> dictionaryFromTxtRecordData(const QByteArray &txtRecord)
{
    QMap<QString, QByteArray> entries;
    qsizetype offset = 0;
    while (offset < txtRecord.size()) {
        const auto length = static_cast<unsigned char>(txtRecord.at(offset));
        ++offset;
        if (length > txtRecord.size() - offset)
            break; // the string runs past the end of the record
        const QByteArray entry = txtRecord.mid(offset, length);
        offset += length;
        if (entry.isEmpty() || entry.front() == '=')
            continue;
        const qsizetype equals = entry.indexOf('=');
        const QString key = QString::fromLatin1(equals < 0 ? entry : entry.left(equals));
        if (!entries.contains(key))
            entries.insert(key, equals < 0 ? QByteArray() : entry.mid(equals + 1));
    }
    return entries;
}
