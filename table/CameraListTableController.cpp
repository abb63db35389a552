#include "table/CameraListTableController.h"

#include "platform/LocalizedText.h"
#include "platform/NamedColor.h"
#include "table/CameraCellDelegate.h"
#include "table/CameraHeaderView.h"
#include "table/CameraListTableModel.h"
#include "table/CameraTableView.h"
#include "table/ColumnSort.h"
#include "table/Columns.h"
#include "table/MyCustomCellView.h"
#include "table/MyCustomHeaderCell.h"

#include <QFontMetrics>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace
{

// Fixed estimate of the room one character takes; no text is measured.
constexpr qint64 kPointsPerCharacter = 7;
constexpr qint64 kIpv6Margin = 25;
constexpr qint64 kModelNameMargin = 10;
constexpr qint64 kIpv6MinimumLength = 31;
constexpr qint64 kModelNameMinimumLength = 11;
// A column starts as wide as the growth rule makes it for the longest text that does not yet
// widen it, so no text is cut before the column grows.
constexpr int kInitialIpv6Width = (kIpv6MinimumLength - 1) * kPointsPerCharacter + kIpv6Margin;
constexpr int kInitialModelNameWidth =
    (kModelNameMinimumLength - 1) * kPointsPerCharacter + kModelNameMargin;

qint64 graphemeCount(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qint64 count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

void widenColumn(QTableView &table, int column, qint64 longest, qint64 minimumLength, qint64 margin)
{
    const qint64 wanted = std::min<qint64>(longest * kPointsPerCharacter + margin, QWIDGETSIZE_MAX);
    if (table.columnWidth(column) < wanted && longest >= minimumLength)
        table.setColumnWidth(column, int(wanted));
}

} // namespace

CameraListTableController::CameraListTableController(QWidget *parentWidget, QObject *parent)
    : QObject(parent)
{
    for (const TableColumn &column : kColumns)
        m_headerTitleList.append(localizedText(column.titleKey));
    loadView(parentWidget);
    viewDidLoad();
}

CameraListTableController::~CameraListTableController()
{
    delete m_tableView.data();
}

QWidget *CameraListTableController::view() const
{
    return m_tableView;
}

void CameraListTableController::loadView(QWidget *parentWidget)
{
    m_model = new CameraListTableModel(this);
    m_model->setHeaderTitles(m_headerTitleList);

    m_tableView = new CameraTableView(parentWidget);
    CameraTableView &table = *m_tableView;
    table.setModel(m_model);
    table.setSelectionMode(QAbstractItemView::NoSelection);
    table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    table.setFocusPolicy(Qt::NoFocus);
    table.setShowGrid(false);
    table.setWordWrap(false);
    table.setCornerButtonEnabled(false);
    table.setFrameShape(QFrame::NoFrame);
    table.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    table.verticalHeader()->hide();
    table.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table.verticalHeader()->setDefaultSectionSize(table.fontMetrics().height() + 8);

    // Below the last row the table shows the window background.
    QPalette palette = table.palette();
    palette.setColor(QPalette::Base, namedColor(QStringLiteral("#141414")));
    table.setPalette(palette);

    table.setItemDelegate(new CameraCellDelegate(&table));
    auto *linkCells = new MyCustomCellView(&table);
    for (int column : {CameraListTableModel::ipV4Column, CameraListTableModel::ipV6Column,
                       CameraListTableModel::autoIpColumn})
        table.setItemDelegateForColumn(column, linkCells);

    // Each column sorts by its own key, ascending on the first click.
    for (int column = 0; column < CameraListTableModel::kColumnTotal; ++column) {
        const TableColumn &entry = kColumns[size_t(column)];
        table.setSortDescriptorPrototype(
            column, SortDescriptor{entry.key.toString(), true, entry.comparison});
    }

    // Wide enough for a MAC address, an IPv4 address and a serial number, and for each title.
    const QFontMetrics metrics = table.fontMetrics();
    const int padding = 2 * (table.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 8;
    const auto widthFor = [&](int column, const QString &sample) {
        return std::max(metrics.horizontalAdvance(sample),
                        metrics.horizontalAdvance(m_headerTitleList.at(column))) +
               padding;
    };
    table.setColumnWidth(
        CameraListTableModel::macAddressColumn,
        widthFor(CameraListTableModel::macAddressColumn, QStringLiteral("DD:DD:DD:DD:DD:DD")));
    table.setColumnWidth(
        CameraListTableModel::ipV4Column,
        widthFor(CameraListTableModel::ipV4Column, QStringLiteral("888.888.888.888")));
    table.setColumnWidth(CameraListTableModel::ipV6Column, kInitialIpv6Width);
    table.setColumnWidth(
        CameraListTableModel::autoIpColumn,
        widthFor(CameraListTableModel::autoIpColumn, QStringLiteral("169.254.888.888")));
    table.setColumnWidth(CameraListTableModel::modelNameColumn, kInitialModelNameWidth);
    table.setColumnWidth(
        CameraListTableModel::serialNumberColumn,
        widthFor(CameraListTableModel::serialNumberColumn, QStringLiteral("DDDDDDDDDDDDDD")));

    connect(&table, &CameraTableView::action, this, &CameraListTableController::tableViewClicked);
}

void CameraListTableController::viewDidLoad()
{
    CameraHeaderView &header = *m_tableView->headerView();
    // Columns 2 and 4 must stay the IPv6 and model-name columns the fit functions widen.
    header.setSectionsMovable(false);
    for (int column = 0; column < header.count(); ++column)
        header.setHeaderCell(column, MyCustomHeaderCell(m_headerTitleList.value(column)));
    header.setFixedHeight(header.sizeHint().height());
}

const ObservableCameraList &CameraListTableController::list() const
{
    return m_model->rows();
}

void CameraListTableController::setList(const ObservableCameraList &list)
{
    m_model->setRows(list);
    Q_EMIT listChanged();
}

QString CameraListTableController::selectedRowMac() const
{
    return m_model->selectedRowMac();
}

void CameraListTableController::setSelectedRowMac(const QString &macAddress)
{
    m_model->setSelectedRowMac(macAddress);
}

void CameraListTableController::fitIpv6ColumnWidth(const ObservableCameraList &rows)
{
    qint64 longest = 0;
    for (const auto &row : rows)
        longest = std::max<qint64>(longest, row->ipV6().string.size());
    widenColumn(*m_tableView, CameraListTableModel::ipV6Column, longest, kIpv6MinimumLength,
                kIpv6Margin);
}

void CameraListTableController::fitModelNameColumnWidth(const ObservableCameraList &rows)
{
    qint64 longest = 0;
    for (const auto &row : rows)
        longest = std::max(longest, graphemeCount(row->modelName()));
    widenColumn(*m_tableView, CameraListTableModel::modelNameColumn, longest,
                kModelNameMinimumLength, kModelNameMargin);
}

void CameraListTableController::applyColumnSort(CameraTableView &tableView)
{
    QList<SortDescriptor> descriptors = tableView.sortDescriptors();
    ObservableCameraList rows = list();
    if (!ColumnSort::apply(descriptors, rows))
        return;
    tableView.setSortDescriptors(descriptors);
    setList(rows);
}

void CameraListTableController::tableViewClicked()
{
    const int clickedRow = m_tableView->clickedRow();
    if (clickedRow >= list().size())
        return;
    if (clickedRow < 0) {
        applyColumnSort(*m_tableView);
        return;
    }
    const QString macAddress = list().at(clickedRow)->macAddress();
    if (macAddress == selectedRowMac())
        return;
    // Both the newly and the formerly selected row repaint with their colours from the MAC.
    setSelectedRowMac(macAddress);
}
