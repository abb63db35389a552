#include "table/CameraListTableModel.h"

#include "platform/LocalizedText.h"
#include "platform/NamedColor.h"
#include "table/OutsideNetworks.h"

#include <QBrush>
#include <QFont>

CameraListTableModel::CameraListTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void CameraListTableModel::setRows(const ObservableCameraList &rows)
{
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

void CameraListTableModel::setSelectedRowMac(const QString &macAddress)
{
    m_selectedRowMac = macAddress;
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(int(m_rows.size()) - 1, kColumnTotal - 1),
                           {Qt::BackgroundRole});
}

void CameraListTableModel::setHeaderTitles(const QStringList &titles)
{
    m_headerTitles = titles;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, kColumnTotal - 1);
}

void CameraListTableModel::setLocalNetworks(const QList<LocalNetwork> &networks)
{
    m_localNetworks = networks;
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, kIpv4Column), index(int(m_rows.size()) - 1, kIpv4Column));
}

int CameraListTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CameraListTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnTotal;
}

AttributedText CameraListTableModel::addressText(const ObservableCamera &row, int column)
{
    const std::optional<AddressClass> address = kColumns[size_t(column)].address;
    return address ? row.address(*address) : AttributedText();
}

std::optional<QUrl> CameraListTableModel::pageUrl(const ObservableCamera &row, int column)
{
    const std::optional<AddressClass> address = kColumns[size_t(column)].address;
    return address ? row.pageUrl(*address) : std::nullopt;
}

QString CameraListTableModel::outsideWarning(const ObservableCamera &row, int column) const
{
    // An address that answered is reached, wherever it lies: it gets no warning.
    return column == kIpv4Column && m_localNetworks && !row.ipV4().isLink()
               ? ::outsideNetworksWarning(row.ipV4().string, *m_localNetworks)
               : QString();
}

QVariant CameraListTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ObservableCamera &row = *m_rows.at(index.row());
    const int column = index.column();
    // A link's exact page, which a press opens.
    const auto linkUrl = [&] {
        const std::optional<QUrl> url = pageUrl(row, column);
        return url ? url->toString() : QString();
    };
    const auto joined = [](const QStringList &lines) {
        QStringList present = lines;
        present.removeAll(QString());
        return present.join(u'\n');
    };

    switch (role) {
    case Qt::ToolTipRole: {
        // Other cells show their whole text, so a model name cut at the column's edge can be read
        // in full.
        const QString url = linkUrl();
        return joined({url.isEmpty() ? kColumns[size_t(column)].value(row) : url,
                       outsideWarning(row, column)});
    }
    case Qt::AccessibleDescriptionRole: {
        const QString url = linkUrl();
        return joined({url.isEmpty() ? QString() : localizedText("linkTo").arg(url),
                       outsideWarning(row, column)});
    }
    case outsideNetworksRole:
        return outsideWarning(row, column);
    case pageUrlRole:
        return pageUrl(row, column).value_or(QUrl());
    case Qt::DisplayRole:
        return kColumns[size_t(column)].value(row);
    case Qt::BackgroundRole:
        // Decided afresh on every request: whatever row now holds the selected MAC address.
        return QBrush(namedColor(row.macAddress() == m_selectedRowMac ? AppColor::kSelectedRow
                                                                      : AppColor::kBackground));
    case Qt::FontRole:
        if (addressText(row, column).isLink()) {
            QFont underline;
            underline.setUnderline(true);
            return underline;
        }
        return {};
    case isLinkRole:
        return addressText(row, column).isLink();
    case macAddressRole:
        return row.macAddress();
    default:
        return {};
    }
}

QVariant CameraListTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnTotal ||
        role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return section < m_headerTitles.size()
               ? m_headerTitles.at(section)
               : QString::fromLatin1(kColumns[size_t(section)].titleKey);
}

Qt::ItemFlags CameraListTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Selectable so that Qt's selection can mirror the one the table paints by MAC address.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
