#pragma once

#include "platform/LocalNetworks.h"
#include "table/Columns.h"
#include "table/ObservableCamera.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include <QUrl>

#include <optional>

// The table's rows: row i is element i of the list, in the list's own order; six columns in a
// fixed order (table/Columns.h). Each row's background colour is decided when it is asked for, from
// the MAC address of the selected row, so the selection follows the camera through new lists and
// sorts. A link cell's tooltip is the URL a press on it opens; every other cell's is its text. An
// IPv4 address that did not answer and lies outside the computer's networks (setLocalNetworks,
// outsideNetworksWarning) adds the warning to its tooltip and to what assistive technology is
// told; a link cell describes itself to it as a link to its URL. An address that answered is no
// doubt reached, so it is never marked.
class CameraListTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Role {
        // Bool: the cell's address text is underlined, i.e. a link. False outside the three
        // address columns.
        isLinkRole = Qt::UserRole + 1,
        // Text: the row's MAC address, in every column. What identifies a row across new lists.
        macAddressRole,
        // Text: why the IPv4 address, which did not answer, may be out of reach
        // (outsideNetworksWarning); empty for a link, inside the networks, and outside the IPv4
        // column.
        outsideNetworksRole,
        // URL: the page a press on the cell opens (the row's pageUrl); invalid for a cell that is
        // no link.
        pageUrlRole,
    };

    explicit CameraListTableModel(QObject *parent = nullptr);

    const ObservableCameraList &rows() const { return m_rows; }
    // Replaces all rows (a model reset); neither sorts nor touches the selection.
    void setRows(const ObservableCameraList &rows);

    QString selectedRowMac() const { return m_selectedRowMac; }
    // Announces a background change of every row; painting picks the new colours up.
    void setSelectedRowMac(const QString &macAddress);

    void setHeaderTitles(const QStringList &titles);

    // The computer's IPv4 networks, against which the IPv4 column is checked; until they are
    // set, no address is marked.
    void setLocalNetworks(const QList<LocalNetwork> &networks);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    // The cell's address text; empty outside the address columns.
    static AttributedText addressText(const ObservableCamera &row, int column);
    static std::optional<QUrl> pageUrl(const ObservableCamera &row, int column);
    QString outsideWarning(const ObservableCamera &row, int column) const;

    ObservableCameraList m_rows;
    QString m_selectedRowMac;
    QStringList m_headerTitles;
    std::optional<QList<LocalNetwork>> m_localNetworks;
};
