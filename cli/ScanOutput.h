#pragma once

#include "discovery/Camera.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// The text vindra-scan prints. Nothing announced by a device reaches the terminal raw: control
// characters and bytes that are not UTF-8 are shown escaped.

// One camera as a JSON object on one line, keys in field order, named after the Camera fields
// except "modelName" for the model name; "device" as its case name; a port key left out when
// the device announced no such port. "unchecked", only when some are, lists the flags named in
// `unchecked` by their keys: their probes had not completed, so their false means "not known".
QString cameraJson(const Camera &camera, const QList<bool Camera::*> &unchecked = {});

// The camera list as a table with a header line, one line per device. An address whose web
// interface answered carries "+http" and/or "+https".
QString cameraTable(const CameraList &cameras);

// One resolved DNS-SD service, in one line: readable text, or a JSON object with `json`.
struct ServiceReport {
    QString name;
    QString type;
    QString domain;
    QString host;
    int port = 0;
    QStringList addresses;
    QMap<QString, QByteArray> txt;
};
QString serviceLine(const ServiceReport &service, bool json);

// One browse domain and where it came from (the DNS question that named it), in one line.
QString browseDomainLine(const QString &domain, const QString &source, bool json);
