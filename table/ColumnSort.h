#pragma once

#include "table/ObservableCamera.h"
#include "table/SortDescriptor.h"

#include <QList>
#include <QString>

// Sorting the table's rows by one column. Independent of the table and its controller: given
// the table's sort descriptors and the rows, it works out the normalised descriptors and the
// sorted rows.
class ColumnSort
{
public:
    // `rows` ordered by the values under `key` with that key's comparison (the localised
    // standard one in the current locale). Stable in both directions: rows that compare equal
    // keep their relative order. Unknown key: unchanged.
    static ObservableCameraList sorted(const ObservableCameraList &rows, const QString &key,
                                       bool ascending);

    // Applies the first of `descriptors` to `rows`. Returns false, touching nothing, when there
    // is no descriptor or its key names no column. Otherwise replaces `descriptors` by that one
    // descriptor with the column's own comparison (unless the column leaves them as they are:
    // TableColumn::isSortNormalised), sorts `rows` and returns true.
    static bool apply(QList<SortDescriptor> &descriptors, ObservableCameraList &rows);
};
