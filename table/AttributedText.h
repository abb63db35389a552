#pragma once

#include <QString>

// An address text as the table holds it: the plain text and, at most, one attribute run — a
// single underline over the whole text. The underline marks the address as a link: the device's
// web interface answered there. Nothing else is ever attached to an address text.
struct AttributedText {
    QString string;
    bool isUnderlined = false;

    static AttributedText plain(const QString &text) { return {text, false}; }
    static AttributedText underlined(const QString &text) { return {text, true}; }

    // A link carries its underline over at least one character; an underline over an empty
    // text covers nothing and so is no link.
    bool isLink() const { return isUnderlined && !string.isEmpty(); }

    friend bool operator==(const AttributedText &, const AttributedText &) = default;
};
