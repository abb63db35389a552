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

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vindra-scan"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VINDRA_VERSION));

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const auto parsed = parseScanOptions(arguments);
    if (const auto *message = std::get_if<QString>(&parsed)) {
        err << "vindra-scan: " << *message << '\n';
        return 2;
    }
    const ScanOptions &options = std::get<ScanOptions>(parsed);
    if (options.mode == ScanOptions::Mode::help) {
        out << scanUsage();
        return 0;
    }
    if (options.mode == ScanOptions::Mode::version) {
        out << "vindra-scan " << QCoreApplication::applicationVersion() << '\n';
        return 0;
    }

    const auto print = [&out](const QString &text) {
        out << text;
        if (!text.endsWith(QLatin1Char('\n')))
            out << '\n';
        out.flush();
    };
    const auto quit = [] { QCoreApplication::exit(0); };

    if (options.mode == ScanOptions::Mode::browseDomains) {
        // "local." is always one; the others come from the site's DNS.
        const auto line = [&](const QString &domain, const QString &source) {
            print(browseDomainLine(domain, source, options.json));
        };
        line(QStringLiteral("local."), QStringLiteral("multicast DNS"));
        QTimer::singleShot(qRound64(options.timeSeconds * 1000.0), &application, quit);
        askBrowseDomains(
            &application,
            [&](const QByteArray &domain, const QByteArray &asked) {
                line(QString::fromUtf8(domain), QString::fromUtf8(asked));
            },
            quit);
        return QCoreApplication::exec();
    }

    const QString domain = options.domain;
    const auto browser = [domain] { return createDefaultBrowser(domain); };
    if (options.mode == ScanOptions::Mode::services) {
        ServiceScan scan(browser, options, print);
        QObject::connect(&scan, &ServiceScan::finished, &application, quit, Qt::QueuedConnection);
        scan.start();
        return QCoreApplication::exec();
    }

    installTranslations(application, QLocale::system());
    Model model(browser, sharedHttpClient());
    CameraScan scan(model, options, print);
    // Why the list is empty, on standard error so that the list itself stays clean.
    QObject::connect(&scan, &CameraScan::nothingFound, &application, [&] {
        for (const QString &line : nothingFoundLines(model.socketReport()))
            err << line << '\n';
        err.flush();
    });
    QObject::connect(&scan, &CameraScan::finished, &application, quit, Qt::QueuedConnection);
    scan.start();
    const int status = QCoreApplication::exec();
    return status == 0 && hasNoMdnsSocket(model.socketReport()) ? 3 : status;
}
