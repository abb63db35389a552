// vindra-scan: the camera list of Vindra for headless machines and scripts, and a raw DNS-SD
// browser for support (--services).

#include "cli/CameraScan.h"
#include "cli/ScanOptions.h"
#include "cli/ScanOutput.h"
#include "cli/ServiceScan.h"
#include "discovery/Model.h"
#include "discovery/SearchReport.h"
#include "platform/HttpClient.h"
#include "platform/Translations.h"
#include "platform/widearea/UnicastDnsSd.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace
{

using Print = std::function<void(const QString &text)>;

// 3 when neither multicast DNS (no socket on port 5353) nor wide-area DNS-SD (no DNS server in
// the resolver configuration, or only "local." asked for) could browse: the run saw nothing
// and nothing it printed says so.
int exitStatus(int status, const std::optional<DnsSdSocketReport> &report,
               const ScanOptions &options)
{
    const bool local = options.domain.compare(QLatin1String("local"), Qt::CaseInsensitive) == 0 ||
                       options.domain.compare(QLatin1String("local."), Qt::CaseInsensitive) == 0;
    const bool wideArea = !local && resolverNamesAServer();
    return status == 0 && hasNoMdnsSocket(report) && !wideArea ? 3 : status;
}

// --browse-domains: "local." is always one; the others come from the site's DNS.
int listBrowseDomains(const ScanOptions &options, const Print &print)
{
    const auto line = [&](const QString &domain, const QString &source) {
        print(browseDomainLine(domain, source, options.json));
    };
    const auto quit = [] { QCoreApplication::exit(0); };
    line(QStringLiteral("local."), QStringLiteral("multicast DNS"));
    QTimer::singleShot(qRound64(options.timeSeconds * 1000.0), QCoreApplication::instance(), quit);
    askBrowseDomains(
        QCoreApplication::instance(),
        [&](const QByteArray &domain, const QByteArray &asked) {
            line(QString::fromUtf8(domain), QString::fromUtf8(asked));
        },
        quit);
    return QCoreApplication::exec();
}

int listServices(const ScanOptions &options, const Print &print)
{
    const QString domain = options.domain;
    ServiceScan scan([domain] { return createDefaultBrowser(domain); }, options, print);
    QObject::connect(
        &scan, &ServiceScan::finished, QCoreApplication::instance(),
        [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    scan.start();
    const int status = QCoreApplication::exec();
    return exitStatus(status, scan.socketReport(), options);
}

int listCameras(QCoreApplication &application, const ScanOptions &options, const Print &print)
{
    installTranslations(application, QLocale::system());
    const QString domain = options.domain;
    Model model([domain] { return createDefaultBrowser(domain); }, sharedHttpClient());
    CameraScan scan(model, options, print);
    // Why the list is empty, on standard error so that the list itself stays clean.
    QObject::connect(&scan, &CameraScan::nothingFound, &application, [&] {
        QTextStream err(stderr);
        for (const QString &line : nothingFoundLines(model.socketReport()))
            err << line << '\n';
    });
    QObject::connect(
        &scan, &CameraScan::finished, &application, [] { QCoreApplication::exit(0); },
        Qt::QueuedConnection);
    scan.start();
    const int status = QCoreApplication::exec();
    return exitStatus(status, model.socketReport(), options);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vindra-scan"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VINDRA_VERSION));

    QTextStream out(stdout);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const auto parsed = parseScanOptions(arguments);
    if (const auto *message = std::get_if<QString>(&parsed)) {
        QTextStream(stderr) << "vindra-scan: " << *message << '\n';
        return 2;
    }
    const ScanOptions &options = std::get<ScanOptions>(parsed);
    const auto print = [&out](const QString &text) {
        out << text;
        if (!text.endsWith(QLatin1Char('\n')))
            out << '\n';
        out.flush();
    };
    switch (options.mode) {
    case ScanOptions::Mode::help:
        out << scanUsage();
        return 0;
    case ScanOptions::Mode::version:
        out << "vindra-scan " << QCoreApplication::applicationVersion() << '\n';
        return 0;
    case ScanOptions::Mode::browseDomains:
        return listBrowseDomains(options, print);
    case ScanOptions::Mode::services:
        return listServices(options, print);
    case ScanOptions::Mode::cameras:
        break;
    }
    return listCameras(application, options, print);
}
