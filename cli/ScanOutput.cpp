#include "cli/ScanOutput.h"

#include "discovery/AddressKind.h"
#include "discovery/ServiceText.h"

#include <algorithm>

namespace
{

QString jsonString(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar character : text) {
        const char16_t unit = character.unicode();
        if (unit == u'"')
            out += QLatin1String("\\\"");
        else if (unit == u'\\')
            out += QLatin1String("\\\\");
        else if (unit == u'\n')
            out += QLatin1String("\\n");
        else if (unit == u'\r')
            out += QLatin1String("\\r");
        else if (unit == u'\t')
            out += QLatin1String("\\t");
        else if (unit < 0x20 || unit == 0x7f || (unit >= 0x80 && unit < 0xa0) || unit == 0x2028 ||
                 unit == 0x2029)
            out += QStringLiteral("\\u%1").arg(int(unit), 4, 16, QLatin1Char('0'));
        else
            out += character;
    }
    out += QLatin1Char('"');
    return out;
}

// Text for a terminal line: control characters (C0, DEL, C1, line separators) as \xNN or
// \uNNNN, and "\" doubled so that an escape cannot be faked.
QString visible(const QString &text)
{
    QString out;
    for (const QChar character : text) {
        const char16_t unit = character.unicode();
        if (unit == u'\\')
            out += QLatin1String("\\\\");
        else if (unit < 0x20 || unit == 0x7f)
            out += QStringLiteral("\\x%1").arg(int(unit), 2, 16, QLatin1Char('0'));
        else if ((unit >= 0x80 && unit < 0xa0) || unit == 0x2028 || unit == 0x2029)
            out += QStringLiteral("\\u%1").arg(int(unit), 4, 16, QLatin1Char('0'));
        else
            out += character;
    }
    return out;
}

QString deviceName(Device device)
{
    switch (device) {
    case Device::none:
        return QStringLiteral("none");
    case Device::camera:
        return QStringLiteral("camera");
    case Device::controller:
        return QStringLiteral("controller");
    case Device::undefined:
        return QStringLiteral("undefined");
    }
    return QStringLiteral("none");
}

QString jsonBool(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString addressCell(const QString &address, bool http, bool https)
{
    QString cell = visible(address);
    if (http)
        cell += QLatin1String(" +http");
    if (https)
        cell += QLatin1String(" +https");
    return cell;
}

// `bytes` shown safely on one line: printable ASCII as is, "\" doubled, every other byte \xNN.
QString escapedBytes(const QByteArray &bytes)
{
    QString out;
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        if (value == '\\')
            out += QLatin1String("\\\\");
        else if (value >= 0x20 && value < 0x7f)
            out += QLatin1Char(byte);
        else
            out += QStringLiteral("\\x%1").arg(int(value), 2, 16, QLatin1Char('0'));
    }
    return out;
}

} // namespace

QString cameraJson(const Camera &camera, const QList<bool Camera::*> &unchecked)
{
    QStringList members = {QStringLiteral("\"macAddress\":") + jsonString(camera.macAddress)};
    QStringList uncheckedNames;
    for (const AddressKind &kind : kAddressKinds) {
        const QString stem = QLatin1String(kind.flagStem);
        const QString http = QStringLiteral("is") + stem + QStringLiteral("Enabled");
        const QString https = QStringLiteral("is") + stem + QStringLiteral("HttpsEnabled");
        members += {QLatin1Char('"') + QLatin1String(kind.fieldName) + QStringLiteral("\":") +
                        jsonString(camera.*kind.address),
                    jsonString(http) + QLatin1Char(':') + jsonBool(camera.*kind.isHttpEnabled),
                    jsonString(https) + QLatin1Char(':') + jsonBool(camera.*kind.isHttpsEnabled)};
        if (unchecked.contains(kind.isHttpEnabled))
            uncheckedNames.append(jsonString(http));
        if (unchecked.contains(kind.isHttpsEnabled))
            uncheckedNames.append(jsonString(https));
    }
    members += {
        QStringLiteral("\"modelName\":") + jsonString(camera.moedelName),
        QStringLiteral("\"serialNumber\":") + jsonString(camera.serialNumber),
        QStringLiteral("\"device\":") + jsonString(deviceName(camera.device)),
    };
    if (camera.httpPort)
        members.append(QStringLiteral("\"httpPort\":") + jsonString(*camera.httpPort));
    if (camera.httpsPort)
        members.append(QStringLiteral("\"httpsPort\":") + jsonString(*camera.httpsPort));
    if (!uncheckedNames.isEmpty())
        members.append(QStringLiteral("\"unchecked\":[") + uncheckedNames.join(QLatin1Char(',')) +
                       QLatin1Char(']'));
    return QLatin1Char('{') + members.join(QLatin1Char(',')) + QLatin1Char('}');
}

QString cameraTable(const CameraList &cameras)
{
    QStringList header{QStringLiteral("MAC ADDRESS")};
    for (const AddressKind &kind : kAddressKinds)
        header.append(QString::fromLatin1(kind.label).toUpper());
    header += {QStringLiteral("MODEL"), QStringLiteral("SERIAL"), QStringLiteral("DEVICE"),
               QStringLiteral("HTTP"), QStringLiteral("HTTPS")};
    QList<QStringList> rows{header};
    for (const Camera &camera : cameras) {
        QStringList row{visible(camera.macAddress)};
        for (const AddressKind &kind : kAddressKinds)
            row.append(addressCell(camera.*kind.address, camera.*kind.isHttpEnabled,
                                   camera.*kind.isHttpsEnabled));
        row += {visible(camera.moedelName), visible(camera.serialNumber), deviceName(camera.device),
                camera.httpPort ? visible(*camera.httpPort) : QStringLiteral("-"),
                camera.httpsPort ? visible(*camera.httpsPort) : QStringLiteral("-")};
        rows.append(row);
    }
    QList<qsizetype> widths(rows.first().size(), 0);
    for (const QStringList &row : std::as_const(rows))
        for (qsizetype column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], row.at(column).size());
    QString out;
    for (const QStringList &row : std::as_const(rows)) {
        QString line;
        for (qsizetype column = 0; column < row.size(); ++column) {
            if (column + 1 < row.size())
                line += row.at(column).leftJustified(widths[column] + 2);
            else
                line += row.at(column);
        }
        out += line + QLatin1Char('\n');
    }
    return out;
}

QString serviceLine(const ServiceReport &service, bool json)
{
    if (json) {
        QStringList addresses;
        for (const QString &address : service.addresses)
            addresses.append(jsonString(address));
        QStringList txt;
        QStringList notUtf8;
        for (auto entry = service.txt.cbegin(); entry != service.txt.cend(); ++entry) {
            const auto text = utf8Text(entry.value());
            if (!text)
                notUtf8.append(jsonString(entry.key()));
            txt.append(jsonString(entry.key()) + QLatin1Char(':') +
                       jsonString(text ? *text : escapedBytes(entry.value())));
        }
        QString line =
            QStringLiteral("{\"name\":") + jsonString(service.name) + QStringLiteral(",\"type\":") +
            jsonString(service.type) + QStringLiteral(",\"domain\":") + jsonString(service.domain) +
            QStringLiteral(",\"host\":") + jsonString(service.host) + QStringLiteral(",\"port\":") +
            QString::number(service.port) + QStringLiteral(",\"addresses\":[") +
            addresses.join(QLatin1Char(',')) + QStringLiteral("],\"txt\":{") +
            txt.join(QLatin1Char(',')) + QLatin1Char('}');
        // Values listed here are shown escaped (\xNN), as their bytes are not UTF-8.
        if (!notUtf8.isEmpty())
            line += QStringLiteral(",\"txtNotUtf8\":[") + notUtf8.join(QLatin1Char(',')) +
                    QLatin1Char(']');
        return line + QLatin1Char('}');
    }

    QStringList txt;
    for (auto entry = service.txt.cbegin(); entry != service.txt.cend(); ++entry) {
        const auto text = utf8Text(entry.value());
        QString shown = text ? visible(*text) : escapedBytes(entry.value());
        if (text)
            shown.replace(QLatin1Char('"'), QLatin1String("\\\""));
        else
            shown.replace(QLatin1Char('"'), QLatin1String("\\x22"));
        txt.append(visible(entry.key()) + QLatin1String("=\"") + shown + QLatin1Char('"'));
    }
    QString name = visible(service.name);
    name.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + name + QLatin1String("\" ") + visible(service.type) +
           QLatin1Char('.') + visible(service.domain) + QLatin1String("  host ") +
           visible(service.host) + QLatin1String("  port ") + QString::number(service.port) +
           QLatin1String("  addresses ") +
           (service.addresses.isEmpty() ? QStringLiteral("-")
                                        : service.addresses.join(QLatin1String(", "))) +
           QLatin1String("  txt ") + (txt.isEmpty() ? QStringLiteral("-") : txt.join(' '));
}

QString browseDomainLine(const QString &domain, const QString &source, bool json)
{
    if (json)
        return QStringLiteral("{\"domain\":") + jsonString(domain) +
               QStringLiteral(",\"source\":") + jsonString(source) + QLatin1Char('}');
    return visible(domain) + QStringLiteral("  from ") + visible(source);
}
