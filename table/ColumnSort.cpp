#include "table/ColumnSort.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>

#include <algorithm>
#include <compare>
#include <numeric>
#include <vector>

namespace
{

const QString ipV6Key = QStringLiteral("ipV6.string");

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

const QStringList &ColumnSort::sortKeys()
{
    static const QStringList keys{QStringLiteral("macAddress"),  QStringLiteral("ipV4.string"),
                                  QStringLiteral("ipV6.string"), QStringLiteral("autoIp.string"),
                                  QStringLiteral("modelName"),   QStringLiteral("serialNumber")};
    return keys;
}

std::optional<TextComparison> ColumnSort::comparisonForKey(QStringView key)
{
    if (key == u"macAddress" || key == u"modelName")
        return TextComparison::caseInsensitive;
    if (key == u"ipV4.string" || key == u"autoIp.string" || key == u"serialNumber")
        return TextComparison::localizedStandard;
    if (key == u"ipV6.string")
        return TextComparison::codePoint;
    return std::nullopt;
}

int ColumnSort::compare(TextComparison comparison, const QString &a, const QString &b)
{
    switch (comparison) {
    case TextComparison::caseInsensitive:
        return sign(QString::compare(a, b, Qt::CaseInsensitive));
    case TextComparison::localizedStandard:
        return sign(standardCollator().compare(a, b));
    case TextComparison::codePoint: {
        const auto order = codePoints(a) <=> codePoints(b);
        return order < 0 ? -1 : (order > 0 ? 1 : 0);
    }
    }
    return 0;
}

ObservableCameraList ColumnSort::sorted(const ObservableCameraList &rows, const QString &key,
                                        bool ascending)
{
    const std::optional<TextComparison> comparison = comparisonForKey(key);
    if (!comparison)
        return rows;

    QStringList values;
    values.reserve(rows.size());
    for (const auto &row : rows)
        values.append(row->value(key).value_or(QString()));

    // Each value is prepared once (collation key, NFC code points) rather than per comparison.
    switch (*comparison) {
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
    const std::optional<TextComparison> comparison = comparisonForKey(first.key);
    if (!comparison || !sortKeys().contains(first.key))
        return false;
    if (first.key != ipV6Key)
        descriptors = {SortDescriptor{first.key, first.ascending, *comparison}};
    rows = sorted(rows, first.key, first.ascending);
    return true;
}
