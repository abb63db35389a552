#include "discovery/SearchReport.h"

#include "discovery/Model.h"
#include "platform/LocalizedText.h"

#include <algorithm>

QString searchStatusText(const Model &model, std::optional<int> shown)
{
    const CameraList &cameras = model.cameraList();
    const int count = int(cameras.size());
    // After an empty search the table itself explains.
    if (model.currentSearch() == 0 || (model.isEnabledSearchButton() && count == 0))
        return {};
    QString text;
    if (shown) {
        text = qtTrId("statusFiltered", count).arg(*shown);
    } else if (!model.isEnabledSearchButton()) {
        text = qtTrId("statusSearching", count);
    } else {
        const auto kindCount = [&](Device device) {
            return int(std::count_if(cameras.cbegin(), cameras.cend(),
                                     [device](const Camera &c) { return c.device == device; }));
        };
        const int cameraCount = kindCount(Device::camera);
        const int controllerCount = kindCount(Device::controller);
        const QString kinds[] = {qtTrId("statusCameras", cameraCount),
                                 qtTrId("statusControllers", controllerCount)};
        // Devices of no kind or another one are counted only when there are some.
        const int otherCount = count - cameraCount - controllerCount;
        text = otherCount == 0 ? qtTrId("statusFound", count).arg(kinds[0], kinds[1])
                               : qtTrId("statusFoundWithOthers", count)
                                     .arg(kinds[0], kinds[1], qtTrId("statusOthers", otherCount));
    }
    if (model.unsettledProbes() > 0)
        text = qtTrId("statusChecking", model.unsettledProbes()).arg(text);
    return text;
}

QStringList nothingFoundLines(const std::optional<DnsSdSocketReport> &report)
{
    QStringList lines{localizedText("nothingFound")};
    if (report) {
        QStringList searched;
        for (const DnsSdSocketReport::Interface &interface : report->interfaces) {
            if (!interface.ipv4 && !interface.ipv6)
                continue;
            QStringList addresses;
            for (const QHostAddress &address : interface.addresses)
                addresses.append(address.toString());
            searched.append(addresses.isEmpty() ? interface.name
                                                : QStringLiteral("%1 (%2)").arg(
                                                      interface.name, addresses.join(u", ")));
        }
        lines.append(searched.isEmpty()
                         ? localizedText("nothingFoundNoInterface")
                         : localizedText("nothingFoundInterfaces").arg(searched.join(u"; ")));
        if (hasNoMdnsSocket(report))
            lines.append(localizedText("nothingFoundPortClosed").arg(report->problems.join(u"; ")));
        else
            lines.append(localizedText(report->portShared ? "nothingFoundPortShared"
                                                          : "nothingFoundPortOpen"));
    }
    lines.append(localizedText("nothingFoundFirewall"));
    return lines;
}

bool hasNoMdnsSocket(const std::optional<DnsSdSocketReport> &report)
{
    return report && !report->ipv4Bound && !report->ipv6Bound;
}
