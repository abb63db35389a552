// vindra-scan: the camera list of Vindra for headless machines and scripts, and a raw DNS-SD
// browser for support (--services).

#include "app/SearchReport.h"
#include "app/Translations.h"
#include "cli/CameraScan.h"
#include "cli/ScanOptions.h"
#include "cli/ServiceScan.h"
#include "discovery/Model.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTextStream>

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

    if (options.mode == ScanOptions::Mode::services) {
        ServiceScan scan([] { return createMdnsBrowser(); }, options, print);
        QObject::connect(&scan, &ServiceScan::finished, &application, quit, Qt::QueuedConnection);
        scan.start();
        return QCoreApplication::exec();
    }

    installTranslations(application, QLocale::system());
    Model model;
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
