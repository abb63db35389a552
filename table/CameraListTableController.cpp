#include "table/CameraListTableController.h"

#include "platform/LocalizedText.h"
#include "platform/NamedColor.h"
#include "platform/UrlOpener.h"
#include "table/CameraCellDelegate.h"
#include "table/CameraHeaderView.h"
#include "table/CameraListTableModel.h"
#include "table/CameraTableView.h"
#include "table/ColumnSort.h"
#include "table/Columns.h"
#include "table/MyCustomCellView.h"
#include "table/MyCustomHeaderCell.h"

#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <memory>
#include <utility>

namespace
{

qint64 graphemeCount(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qint64 count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

void copyText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
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
    m_tableView->setModel(m_model);
    setUpBehaviour(*m_tableView);
    setUpLook(*m_tableView);
    setUpColumns(*m_tableView);
    connect(m_tableView, &CameraTableView::action, this,
            &CameraListTableController::tableViewClicked);
}

void CameraListTableController::setUpBehaviour(CameraTableView &table)
{
    table.setAccessibleName(localizedText("cameraTable"));
    // Qt's selection and current index follow selectedRowMac for assistive technology; neither
    // the pointer nor keys change them directly, and they do not scroll the table.
    table.setSelectionMode(QAbstractItemView::NoSelection);
    table.setSelectionBehavior(QAbstractItemView::SelectRows);
    table.setAutoScroll(false);
    table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    table.setFocusPolicy(Qt::StrongFocus);
    // Tab leaves the table for the next control instead of walking its cells.
    table.setTabKeyNavigation(false);
    table.installEventFilter(this);
    table.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&table, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        // The Menu key and Shift+F10 never get here: they are keys of the selected row.
        const int row = m_tableView->rowAt(position.y());
        if (row >= 0)
            showContextMenu(row, position);
    });
}

void CameraListTableController::setUpLook(CameraTableView &table)
{
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
    palette.setColor(QPalette::Base, namedColor(AppColor::kBackground));
    table.setPalette(palette);
}

void CameraListTableController::setUpColumns(CameraTableView &table)
{
    table.setItemDelegate(new CameraCellDelegate(&table));
    auto *linkCells = new MyCustomCellView(&table);
    const QFontMetrics metrics = table.fontMetrics();
    const int padding = 2 * (table.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 8;
    for (int index = 0; index < kColumnTotal; ++index) {
        const TableColumn &column = kColumns[size_t(index)];
        if (column.address)
            table.setItemDelegateForColumn(index, linkCells);
        table.setSortDescriptorPrototype(index, column.sortPrototype());
        // A fixed column fits its sample text and its title.
        const auto fixedWidth = [&] {
            return std::max(metrics.horizontalAdvance(column.widthSample.toString()),
                            metrics.horizontalAdvance(m_headerTitleList.at(index))) +
                   padding;
        };
        table.setColumnWidth(index, column.growth ? column.growth->initialWidth() : fixedWidth());
    }
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
    followSelection();
    Q_EMIT listChanged();
}

QString CameraListTableController::selectedRowMac() const
{
    return m_model->selectedRowMac();
}

void CameraListTableController::setSelectedRowMac(const QString &macAddress)
{
    m_model->setSelectedRowMac(macAddress);
    followSelection();
}

void CameraListTableController::followSelection()
{
    QItemSelectionModel &selection = *m_tableView->selectionModel();
    const int row = selectedRow();
    if (row < 0) {
        selection.clear();
        return;
    }
    // The column stays where a press or the reader left it.
    const QModelIndex index = m_model->index(row, std::max(0, selection.currentIndex().column()));
    if (index != selection.currentIndex() || !selection.isRowSelected(row))
        selection.setCurrentIndex(index,
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CameraListTableController::fitIpv6ColumnWidth(const ObservableCameraList &rows)
{
    fitColumnWidth(kIpv6Column, rows);
}

void CameraListTableController::fitModelNameColumnWidth(const ObservableCameraList &rows)
{
    fitColumnWidth(kModelNameColumn, rows);
}

void CameraListTableController::fitColumnWidth(int index, const ObservableCameraList &rows)
{
    const TableColumn &column = kColumns[size_t(index)];
    const ColumnGrowth &growth = *column.growth;
    qint64 longest = 0;
    for (const auto &row : rows) {
        const QString text = column.value(*row);
        longest = std::max(longest, growth.length == TextLength::graphemes ? graphemeCount(text)
                                                                           : text.size());
    }
    const qint64 wanted = std::min<qint64>(growth.width(longest), QWIDGETSIZE_MAX);
    if (m_tableView->columnWidth(index) < wanted && longest >= growth.minimumLength)
        m_tableView->setColumnWidth(index, int(wanted));
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

int CameraListTableController::selectedRow() const
{
    const QString mac = selectedRowMac();
    if (mac.isEmpty())
        return -1;
    const auto found = std::find_if(list().cbegin(), list().cend(),
                                    [&](const auto &row) { return row->macAddress() == mac; });
    return found == list().cend() ? -1 : int(found - list().cbegin());
}

void CameraListTableController::selectRow(int row)
{
    setSelectedRowMac(list().at(row)->macAddress());
    // Up or down only: the sideways scroll stays.
    QScrollBar &sideways = *m_tableView->horizontalScrollBar();
    const int x = sideways.value();
    m_tableView->scrollTo(m_model->index(row, 0));
    sideways.setValue(x);
}

int CameraListTableController::rowsPerPage() const
{
    return std::max(1, m_tableView->viewport()->height() / m_tableView->rowHeight(0));
}

void CameraListTableController::showContextMenu(int row, QPoint position)
{
    selectRow(row);
    std::unique_ptr<QMenu> menu(makeContextMenu(row));
    menu->exec(m_tableView->viewport()->mapToGlobal(position));
}

std::optional<QUrl> CameraListTableController::rowPageUrl(const ObservableCamera &row)
{
    for (const AddressKind &kind : kAddressKinds) {
        if (row.address(kind.addressClass).isLink())
            return row.pageUrl(kind.addressClass);
    }
    return std::nullopt;
}

QString CameraListTableController::rowText(const ObservableCamera &row)
{
    QStringList fields;
    for (const TableColumn &column : kColumns)
        fields.append(column.value(row));
    return fields.join(QLatin1Char('\t'));
}

QString CameraListTableController::allRowsText() const
{
    QStringList lines{m_headerTitleList.join(QLatin1Char('\t'))};
    for (const auto &row : list())
        lines.append(rowText(*row));
    return lines.join(QLatin1Char('\n'));
}

QMenu *CameraListTableController::makeContextMenu(int row) const
{
    const std::shared_ptr<ObservableCamera> camera = list().at(row);
    auto *menu = new QMenu(m_tableView);
    const auto addCopy = [menu](const QString &title, const QString &text) {
        connect(menu->addAction(title), &QAction::triggered, menu, [text] { copyText(text); });
    };
    addCopy(localizedText("copyRow"), rowText(*camera));
    addCopy(localizedText("copyAllRows"), allRowsText());
    // A value the device did not announce has no entry.
    const auto addCopyOf = [&](const QByteArray &key, const QString &value) {
        if (!value.isEmpty() && value != placeholderText)
            addCopy(localizedText(key), value);
    };
    addCopyOf("copyMacAddress", camera->macAddress());
    for (const AddressKind &kind : kAddressKinds)
        addCopyOf(QByteArray("copy") + kind.flagStem + "Address",
                  camera->address(kind.addressClass).string);
    addCopyOf("copyModel", camera->modelName());
    addCopyOf("copySerialNumber", camera->serialNumber());
    bool separated = false;
    for (const AddressKind &kind : kAddressKinds) {
        const std::optional<QUrl> url = camera->pageUrl(kind.addressClass);
        if (!url)
            continue;
        if (!std::exchange(separated, true))
            menu->addSeparator();
        const QString shown = url->toString();
        connect(menu->addAction(localizedText("openPage").arg(shown)), &QAction::triggered, menu,
                [url = *url] { openUrl(url); });
        addCopy(localizedText("copyPageUrl").arg(shown), shown);
    }
    return menu;
}

bool CameraListTableController::eventFilter(QObject *watched, QEvent *event)
{
    // The type first: the view is not a CameraTableView any more while it is being destroyed.
    if (event->type() == QEvent::KeyPress && watched == m_tableView) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Copy))
            return keyPressed(Qt::Key_Copy, {});
        return keyPressed(key->key(), key->modifiers() & ~Qt::KeypadModifier);
    }
    return QObject::eventFilter(watched, event);
}

void CameraListTableController::moveSelection(int key)
{
    const int count = int(list().size());
    if (count == 0)
        return;
    const int current = selectedRow();
    const int last = count - 1;
    const bool isUp = key == Qt::Key_Up || key == Qt::Key_PageUp;
    const int step = key == Qt::Key_Up || key == Qt::Key_Down ? 1 : rowsPerPage();
    int row =
        current < 0 ? (isUp ? last : 0) : std::clamp(current + (isUp ? -step : step), 0, last);
    if (key == Qt::Key_Home || key == Qt::Key_End)
        row = key == Qt::Key_Home ? 0 : last;
    selectRow(row);
}

bool CameraListTableController::keyPressed(int key, Qt::KeyboardModifiers modifiers)
{
    // Ctrl+Home and Ctrl+End go where Home and End go; Shift+F10 is the Menu key.
    if (modifiers == Qt::ControlModifier && (key == Qt::Key_Home || key == Qt::Key_End))
        modifiers = {};
    if (modifiers == Qt::ShiftModifier && key == Qt::Key_F10) {
        modifiers = {};
        key = Qt::Key_Menu;
    }
    if (modifiers)
        return false;
    const int current = selectedRow();
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        moveSelection(key);
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
        m_tableView->horizontalScrollBar()->triggerAction(
            key == Qt::Key_Left ? QAbstractSlider::SliderSingleStepSub
                                : QAbstractSlider::SliderSingleStepAdd);
        return true;
    case Qt::Key_Menu:
        if (current >= 0) {
            selectRow(current);
            const QRect cell = m_tableView->visualRect(
                m_model->index(current, std::max(0, m_tableView->columnAt(0))));
            showContextMenu(current, QPoint(std::max(0, cell.left()), cell.bottom()));
        }
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (current >= 0) {
            if (const auto url = rowPageUrl(*list().at(current)))
                openUrl(*url);
        }
        return true;
    case Qt::Key_Copy:
        if (current >= 0)
            copyText(rowText(*list().at(current)));
        return true;
    default:
        return false;
    }
}
