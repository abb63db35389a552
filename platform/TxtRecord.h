#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// Decodes DNS-SD TXT record bytes (RFC 6763 §6) into key -> value bytes.
//
// The record is a sequence of length-prefixed strings. A string without "=" is a key with an
// empty value; the first occurrence of a key wins; a string that starts with "=" is ignored.
// Keys keep their letters as received (Latin-1 for bytes outside ASCII). An empty record, a
// single zero byte, or bytes whose last string runs past the end give no entry for that string.
QMap<QString, QByteArray> dictionaryFromTxtRecordData(const QByteArray &txtRecord);
