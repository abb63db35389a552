#pragma once

#include "table/ObservableCamera.h"
#include "table/SortDescriptor.h"

#include <QString>
#include <QStringView>

#include <array>

// One column of the camera table: the key its values are read and sorted by, the localisation
// key of its title, how its values compare, and the plain text a row shows in it.
struct TableColumn {
    QStringView key;
    const char *titleKey;
    TextComparison comparison;
    QString (*value)(const ObservableCamera &row);
};

// The six columns, in table order. The one place that spells them.
inline constexpr std::array<TableColumn, 6> kColumns{{
    {u"macAddress", "macAddress", TextComparison::caseInsensitive,
     [](const ObservableCamera &row) { return row.macAddress(); }},
    {u"ipV4.string", "ipv4Address", TextComparison::localizedStandard,
     [](const ObservableCamera &row) { return row.ipV4().string; }},
    {u"ipV6.string", "ipv6Address", TextComparison::codePoint,
     [](const ObservableCamera &row) { return row.ipV6().string; }},
    {u"autoIp.string", "autoIpAddress", TextComparison::localizedStandard,
     [](const ObservableCamera &row) { return row.autoIp().string; }},
    {u"modelName", "modelName", TextComparison::caseInsensitive,
     [](const ObservableCamera &row) { return row.modelName(); }},
    {u"serialNumber", "serialNo", TextComparison::localizedStandard,
     [](const ObservableCamera &row) { return row.serialNumber(); }},
}};

// The column whose key is exactly `key`; null for any other key.
inline const TableColumn *columnForKey(QStringView key)
{
    for (const TableColumn &column : kColumns) {
        if (column.key == key)
            return &column;
    }
    return nullptr;
}
