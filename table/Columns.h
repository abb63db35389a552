#pragma once

#include "discovery/AddressKind.h"
#include "table/ObservableCamera.h"
#include "table/SortDescriptor.h"

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <array>
#include <optional>

// Fixed estimate of the room one character takes in a growing column; no text is measured.
inline constexpr qint64 kPointsPerCharacter = 7;

// How a growing column counts the length of a text.
enum class TextLength {
    utf16Units, // UTF-16 code units
    graphemes,  // user-perceived characters: a letter with a combining accent is one
};

// A column that widens for long texts: to kPointsPerCharacter × L + margin when its longest text
// has L >= minimumLength; never narrowed. It starts as wide as that rule makes it for the longest
// text that does not yet widen it, so no text is cut before the column grows.
struct ColumnGrowth {
    qint64 margin;
    qint64 minimumLength;
    TextLength length;

    constexpr qint64 width(qint64 longest) const { return longest * kPointsPerCharacter + margin; }
    constexpr int initialWidth() const { return int(width(minimumLength - 1)); }
};

// One column of the camera table.
struct TableColumn {
    // The row property it shows; also its sort key.
    QStringView key;
    // Localisation key of its title.
    const char *titleKey;
    // A fixed column starts wide enough for this text and for its title; a growing one by its
    // growth rule.
    QStringView widthSample;
    std::optional<ColumnGrowth> growth;
    // The address it shows (a link cell), if any.
    std::optional<AddressClass> address;
    // How its values compare when the table is sorted by it, and whether that sort replaces the
    // table's sort descriptors by this column's one (every column but IPv6's) or leaves them.
    TextComparison comparison;
    bool isSortNormalised;
    // The plain text a row shows in it.
    QString (*value)(const ObservableCamera &row);

    // The descriptor a header click puts first: this column's key, ascending, its comparison.
    SortDescriptor sortPrototype() const { return {key.toString(), true, comparison}; }
};

// The six columns, in table order. The one place that describes them.
inline constexpr std::array<TableColumn, 6> kColumns{{
    {u"macAddress",
     "macAddress",
     u"DD:DD:DD:DD:DD:DD",
     {},
     {},
     TextComparison::caseInsensitive,
     true,
     [](const ObservableCamera &row) { return row.macAddress(); }},
    {u"ipV4.string",
     "ipv4Address",
     u"888.888.888.888",
     {},
     AddressClass::ipv4,
     TextComparison::localizedStandard,
     true,
     [](const ObservableCamera &row) { return row.ipV4().string; }},
    {u"ipV6.string",
     "ipv6Address",
     {},
     ColumnGrowth{25, 31, TextLength::utf16Units},
     AddressClass::ipv6,
     TextComparison::codePoint,
     false,
     [](const ObservableCamera &row) { return row.ipV6().string; }},
    {u"autoIp.string",
     "autoIpAddress",
     u"169.254.888.888",
     {},
     AddressClass::autoIp,
     TextComparison::localizedStandard,
     true,
     [](const ObservableCamera &row) { return row.autoIp().string; }},
    {u"modelName",
     "modelName",
     {},
     ColumnGrowth{10, 11, TextLength::graphemes},
     {},
     TextComparison::caseInsensitive,
     true,
     [](const ObservableCamera &row) { return row.modelName(); }},
    {u"serialNumber",
     "serialNo",
     u"DDDDDDDDDDDDDD",
     {},
     {},
     TextComparison::localizedStandard,
     true,
     [](const ObservableCamera &row) { return row.serialNumber(); }},
}};

inline constexpr int kColumnTotal = int(kColumns.size());

// The index of the first column that `matches`; -1 for none.
template<typename Predicate>
constexpr int columnWhere(Predicate matches)
{
    for (int index = 0; index < kColumnTotal; ++index) {
        if (matches(kColumns[size_t(index)]))
            return index;
    }
    return -1;
}

// The index of the column whose key is exactly `key`; -1 for any other key.
constexpr int columnIndex(QStringView key)
{
    return columnWhere([key](const TableColumn &column) {
        if (column.key.size() != key.size())
            return false;
        for (qsizetype at = 0; at < key.size(); ++at) {
            if (column.key[at] != key[at])
                return false;
        }
        return true;
    });
}

// The column showing the address of `addressClass`.
constexpr int columnIndex(AddressClass addressClass)
{
    return columnWhere(
        [addressClass](const TableColumn &column) { return column.address == addressClass; });
}

inline constexpr int kIpv4Column = columnIndex(AddressClass::ipv4);
static_assert(kIpv4Column >= 0);
// The columns the list bridge widens for long texts.
inline constexpr int kIpv6Column = columnIndex(u"ipV6.string");
inline constexpr int kModelNameColumn = columnIndex(u"modelName");
static_assert(kIpv6Column >= 0 && kColumns[kIpv6Column].growth && kModelNameColumn >= 0 &&
              kColumns[kModelNameColumn].growth);

// The column whose key is exactly `key`; null for any other key.
inline const TableColumn *columnForKey(QStringView key)
{
    const int index = columnIndex(key);
    return index < 0 ? nullptr : &kColumns[size_t(index)];
}
