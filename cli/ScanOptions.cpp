#include "cli/ScanOptions.h"

#include <QRegularExpression>

#include <cmath>

namespace
{

// Longest accepted time: an hour is plenty for a browse or a wait and keeps every run bounded.
constexpr double kMaximumSeconds = 3600.0;
constexpr double kMinimumWatchSeconds = 6.0;

std::optional<double> seconds(const QString &text)
{
    static const QRegularExpression decimal(QStringLiteral("^[0-9]+(\\.[0-9]+)?$"));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    const double value = text.toDouble();
    if (!std::isfinite(value) || value <= 0.0 || value > kMaximumSeconds)
        return std::nullopt;
    return value;
}

std::optional<int> positiveCount(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    const int value = text.toInt();
    return value >= 1 ? std::optional<int>(value) : std::nullopt;
}

// A DNS-SD service type such as "_http._tcp" (RFC 6763 §7: service name of letters, digits and
// hyphens, protocol _tcp or _udp).
bool isServiceType(const QString &text)
{
    static const QRegularExpression type(QStringLiteral("^_[A-Za-z0-9-]{1,15}\\._(tcp|udp)\\.?$"));
    return type.match(text).hasMatch();
}

// A subtype such as "_printer._sub._http._tcp" (RFC 6763 §7.1): the querier does not ask for
// subtypes, so such a browse would find nothing.
bool isSubtype(const QString &text)
{
    return text.contains(QLatin1String("._sub."));
}

// A domain name to browse: dot-separated labels of letters, digits, hyphens and underscores.
bool isDomain(const QString &text)
{
    static const QRegularExpression domain(
        QStringLiteral("^([A-Za-z0-9_]([A-Za-z0-9_-]{0,61}[A-Za-z0-9_])?\\.){0,126}"
                       "[A-Za-z0-9_]([A-Za-z0-9_-]{0,61}[A-Za-z0-9_])?\\.?$"));
    return text.size() <= 253 && domain.match(text).hasMatch();
}

// The type after --services, checked; a message when it is none.
std::optional<QString> readServiceType(ScanOptions &options, const QString &type)
{
    if (isSubtype(type))
        return QStringLiteral("subtypes are not browsed: \"%1\" (browse the service type itself, "
                              "e.g. _http._tcp)")
            .arg(type);
    if (!isServiceType(type))
        return QStringLiteral("not a service type: \"%1\" (expected e.g. _http._tcp)").arg(type);
    // "_ipp._tcp." is the same type; a browser would put the dot inside the names it asks for.
    options.serviceType = type.endsWith(QLatin1Char('.')) ? type.chopped(1) : type;
    return std::nullopt;
}

// The seconds after --time, --wait or --watch (`option`), checked; a message when they are none.
std::optional<QString> readSeconds(ScanOptions &options, const QString &option,
                                   const std::optional<QString> &text)
{
    if (!text)
        return QStringLiteral("%1 needs a number of seconds").arg(option);
    const auto number = seconds(*text);
    if (!number)
        return QStringLiteral("%1: not a number of seconds above 0 and up to %2: \"%3\"")
            .arg(option)
            .arg(kMaximumSeconds)
            .arg(*text);
    if (option == QLatin1String("--time")) {
        options.timeSeconds = *number;
    } else if (option == QLatin1String("--wait")) {
        options.waitSeconds = *number;
    } else {
        if (*number < kMinimumWatchSeconds)
            return QStringLiteral("--watch: at least %1 seconds between searches")
                .arg(kMinimumWatchSeconds);
        options.watchSeconds = *number;
    }
    return std::nullopt;
}

// Options given that the mode does not take.
std::optional<QString> modeConflict(const ScanOptions &options, const QStringList &arguments)
{
    const bool timeGiven = arguments.contains(QLatin1String("--time"));
    const bool waitGiven = arguments.contains(QLatin1String("--wait"));
    if (options.mode == ScanOptions::Mode::browseDomains) {
        if (waitGiven || options.watchSeconds || options.count || !options.domain.isEmpty())
            return QStringLiteral("--browse-domains takes only --time and --json");
    } else if (options.mode == ScanOptions::Mode::services) {
        if (waitGiven || options.watchSeconds || options.count)
            return QStringLiteral("--wait, --watch and --count belong to the camera list, not to "
                                  "--services");
    } else {
        if (timeGiven)
            return QStringLiteral("--time belongs to --services");
        if (options.count && !options.watchSeconds)
            return QStringLiteral("--count needs --watch");
    }
    return std::nullopt;
}

} // namespace

std::variant<ScanOptions, QString> parseScanOptions(const QStringList &arguments)
{
    ScanOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments.at(++i);
        };
        std::optional<QString> problem;
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.mode = ScanOptions::Mode::help;
            return options;
        }
        if (argument == QLatin1String("--version")) {
            options.mode = ScanOptions::Mode::version;
            return options;
        }
        if (argument == QLatin1String("--json")) {
            options.json = true;
        } else if (argument == QLatin1String("--services")) {
            options.mode = ScanOptions::Mode::services;
            if (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QLatin1Char('-')))
                problem = readServiceType(options, arguments.at(++i));
        } else if (argument == QLatin1String("--time") || argument == QLatin1String("--wait") ||
                   argument == QLatin1String("--watch")) {
            problem = readSeconds(options, argument, value());
        } else if (argument == QLatin1String("--browse-domains")) {
            options.mode = ScanOptions::Mode::browseDomains;
        } else if (argument == QLatin1String("--domain")) {
            const auto text = value();
            if (!text || !isDomain(*text))
                return QStringLiteral("--domain needs a domain name such as site.example");
            options.domain = *text;
        } else if (argument == QLatin1String("--count")) {
            const auto text = value();
            if (!text)
                return QStringLiteral("--count needs a number of searches");
            options.count = positiveCount(*text);
            if (!options.count)
                return QStringLiteral("--count: not a positive whole number: \"%1\"").arg(*text);
        } else if (argument.startsWith(QLatin1Char('-'))) {
            return QStringLiteral("unknown option: %1 (see --help)").arg(argument);
        } else {
            return QStringLiteral("unexpected argument: \"%1\" (see --help)").arg(argument);
        }
        if (problem)
            return *problem;
    }
    if (const auto problem = modeConflict(options, arguments))
        return *problem;
    return options;
}

QString scanUsage()
{
    return QStringLiteral(
        "Usage: vindra-scan [--domain D] [--json] [--wait SECONDS] [--watch SECONDS [--count N]]\n"
        "       vindra-scan --services [TYPE] [--domain D] [--time SECONDS] [--json]\n"
        "       vindra-scan --browse-domains [--time SECONDS] [--json]\n"
        "\n"
        "Finds the maker's cameras and controllers by DNS-SD, over multicast DNS on the\n"
        "local network and over unicast DNS in the wide-area domains the network names,\n"
        "and probes their web interfaces, like the search button of Vindra.\n"
        "\n"
        "Camera list (default):\n"
        "  --json             JSON lines instead of a table: one object per device,\n"
        "                     always with \"macAddress\"; an empty list prints nothing.\n"
        "                     \"unchecked\" lists the flags (e.g. \"isAutoIpEnabled\") whose\n"
        "                     check --wait cut short: false there means not known yet\n"
        "  --wait SECONDS     print the list when the 5-second browse is over, every\n"
        "                     service found is resolved and every probe has answered, or\n"
        "                     SECONDS after the start (default 10)\n"
        "  --watch SECONDS    search again every SECONDS (at least 6), printing\n"
        "                     \"# search K\" before each table, or with --json the\n"
        "                     object {\"search\":K,\"devices\":N} after each list\n"
        "  --count N          with --watch: stop after N searches\n"
        "  --domain D         browse domain D only (\"local.\": multicast only)\n"
        "\n"
        "Services (a raw DNS-SD browser for support):\n"
        "  --services [TYPE]  print every service of TYPE (default _http._tcp, e.g.\n"
        "                     _ipp._tcp or _ipp._tcp.; no subtypes) the moment it is\n"
        "                     resolved: name,\n"
        "                     host, port, addresses, TXT entries\n"
        "  --time SECONDS     browse for SECONDS (default 5)\n"
        "  --json             one JSON object per line and service\n"
        "  (each service shows the domain it was found in)\n"
        "\n"
        "Browse domains:\n"
        "  --browse-domains   print the default browse domains and where each came from\n"
        "                     (the DNS question that named it), within --time seconds\n"
        "\n"
        "  --help             this text\n"
        "  --version          the version\n"
        "\n"
        "An empty list is followed on standard error by what was searched: the interfaces, "
        "whether\n"
        "UDP port 5353 could be opened (and is shared), and the firewall hint.\n"
        "Exit status: 0 after the list (even an empty one), 2 for bad arguments, 3 when\n"
        "nothing could browse: no mDNS socket could be opened and no DNS server is named\n"
        "in /etc/resolv.conf (or --domain is local.); --services likewise.\n");
}
