#include "table/ColumnSort.h"

#include "table/Columns.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>

#include <algorithm>
#include <compare>
#include <numeric>
#include <vector>

namespace
{

QCollator standardCollator()
{
    // Qt's collator for the C locale (LANG unset or "C") compares code units only, without
    // numeric mode or case folding; English collation keeps digit runs and case rules working.
    const QLocale current;
    QCollator collator{current.language() == QLocale::C ? QLocale(QLocale::English) : current};
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

std::u32string codePoints(const QString &text)
{
    const QList<uint> ucs4 = text.normalized(QString::NormalizationForm_C).toUcs4();
    return std::u32string(ucs4.begin(), ucs4.end());
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

// Sorts row positions stably by a three-way comparison of positions.
template<typename Compare>
ObservableCameraList stableSorted(const ObservableCameraList &rows, bool ascending, Compare compare)
{
    std::vector<qsizetype> order(size_t(rows.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype x, qsizetype y) {
        const int result = compare(x, y);
        return ascending ? result < 0 : result > 0;
    });
    ObservableCameraList sortedRows;
    sortedRows.reserve(rows.size());
    for (qsizetype position : order)
        sortedRows.append(rows.at(position));
    return sortedRows;
}

} // namespace

ObservableCameraList ColumnSort::sorted(const ObservableCameraList &rows, const QString &key,
                                        bool ascending)
{
    const TableColumn *column = columnForKey(key);
    if (!column)
        return rows;

    QStringList values;
    values.reserve(rows.size());
    for (const auto &row : rows)
        values.append(column->value(*row));

    // Each value is prepared once (collation key, NFC code points) rather than per comparison.
    switch (column->comparison) {
    case TextComparison::caseInsensitive:
        return stableSorted(rows, ascending, [&](qsizetype x, qsizetype y) {
            return sign(QString::compare(values.at(x), values.at(y), Qt::CaseInsensitive));
        });
    case TextComparison::localizedStandard: {
        const QCollator collator = standardCollator();
        std::vector<QCollatorSortKey> keys;
        keys.reserve(size_t(values.size()));
        for (const QString &value : values)
            keys.push_back(collator.sortKey(value));
        return stableSorted(rows, ascending, [&](qsizetype x, qsizetype y) {
            return sign(keys[size_t(x)].compare(keys[size_t(y)]));
        });
    }
    case TextComparison::codePoint: {
        std::vector<std::u32string> points;
        points.reserve(size_t(values.size()));
        for (const QString &value : values)
            points.push_back(codePoints(value));
        return stableSorted(rows, ascending, [&](qsizetype x, qsizetype y) {
            const auto order = points[size_t(x)] <=> points[size_t(y)];
            return order < 0 ? -1 : (order > 0 ? 1 : 0);
        });
    }
    }
    return rows;
}

bool ColumnSort::apply(QList<SortDescriptor> &descriptors, ObservableCameraList &rows)
{
    if (descriptors.isEmpty())
        return false;
    const SortDescriptor first = descriptors.first();
    const TableColumn *column = columnForKey(first.key);
    if (!column)
        return false;
    if (column->isSortNormalised)
        descriptors = {SortDescriptor{first.key, first.ascending, column->comparison}};
    rows = sorted(rows, first.key, first.ascending);
    return true;
}
