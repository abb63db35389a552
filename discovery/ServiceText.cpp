#include "discovery/ServiceText.h"

#include "platform/NumericHost.h"

#include <QList>
#include <QStringDecoder>

#include <string>

QString numericHost(const QByteArray &socketAddress)
{
    const QString text = numericHostText(socketAddress);
    const qsizetype zone = text.indexOf(QLatin1Char('%'));
    return zone < 0 ? text : text.left(zone);
}

QString formatMacAddress(const QString &text)
{
    // Count in code points, so a stray non-BMP character is never split into half surrogates.
    std::u32string characters;
    for (const uint codePoint : text.toUcs4())
        characters.push_back(static_cast<char32_t>(codePoint));
    const auto n = characters.size();
    if (n < 8)
        return text;
    for (const std::size_t position :
         {n - 2, n - 4, std::size_t(2), std::size_t(5), std::size_t(8)})
        characters.insert(position, 1, U'-');
    return QString::fromUcs4(characters.data(), static_cast<qsizetype>(characters.size()));
}

std::optional<QString> utf8Text(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<int> decimalPort(const QString &text)
{
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    int value = 0;
    for (const QChar character : text) {
        if (character < QLatin1Char('0') || character > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (character.unicode() - u'0');
    }
    if (value < 1 || value > 65535)
        return std::nullopt;
    return value;
}
