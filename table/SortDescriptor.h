#pragma once

#include <QString>

// How two texts of a column are ordered.
enum class TextComparison {
    caseInsensitive,   // character by character, letter case ignored, no locale
    localizedStandard, // as a file browser orders names: case ignored, digit runs by value
    codePoint,         // Unicode scalar values after NFC normalisation, case-sensitive
};

// One entry of the table's sort order: which key, which direction, which comparison.
struct SortDescriptor {
    QString key;
    bool ascending = true;
    TextComparison comparison = TextComparison::caseInsensitive;

    friend bool operator==(const SortDescriptor &, const SortDescriptor &) = default;
};
