#pragma once

#include "table/ObservableCamera.h"
#include "table/SortDescriptor.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// Sorting the table's rows by one column. Independent of the table and its controller: given
// the table's sort descriptors and the rows, it works out the normalised descriptors and the
// sorted rows.
class ColumnSort
{
public:
    // The six sort keys, in column order.
    static const QStringList &sortKeys();

    // The comparison a key sorts by; none for a key that names no column.
    static std::optional<TextComparison> comparisonForKey(QStringView key);

    // < 0, 0 or > 0 as `a` orders before, with or after `b`. The localised standard
    // comparison uses the current locale.
    static int compare(TextComparison comparison, const QString &a, const QString &b);

    // `rows` ordered by the values under `key` with that key's comparison. Stable in both
    // directions: rows that compare equal keep their relative order. Unknown key: unchanged.
    static ObservableCameraList sorted(const ObservableCameraList &rows, const QString &key,
                                       bool ascending);

    // Applies the first of `descriptors` to `rows`. Returns false, touching nothing, when there
    // is no descriptor or its key names no column. Otherwise replaces `descriptors` by that one
    // descriptor with the column's own comparison (except for the IPv6 column, whose
    // descriptors stay as they are), sorts `rows` and returns true.
    static bool apply(QList<SortDescriptor> &descriptors, ObservableCameraList &rows);
};
