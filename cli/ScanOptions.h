#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

// The command line of vindra-scan.
struct ScanOptions {
    enum class Mode { cameras, services, help, version, browseDomains };
    Mode mode = Mode::cameras;
    bool json = false;
    QString domain; // --domain D: browse D only (empty: the default browse domains)

    // --services [TYPE] --time SECONDS
    QString serviceType = QStringLiteral("_http._tcp");
    double timeSeconds = 5.0;

    // camera list: --wait SECONDS --watch SECONDS --count N
    double waitSeconds = 10.0;
    std::optional<double> watchSeconds;
    std::optional<int> count;
};

// The options of `arguments` (without the program name), or a one-line message saying what is
// wrong with them.
std::variant<ScanOptions, QString> parseScanOptions(const QStringList &arguments);

// The text printed by --help.
QString scanUsage();
