#include "app/MainWindowView.h"

#include "app/CameraListTable.h"
#include "app/SearchButton.h"
#include "discovery/Model.h"
#include "discovery/SearchReport.h"
#include "platform/LocalizedText.h"
#include "platform/NamedColor.h"
#include "table/CameraListTableController.h"
#include "table/CameraListTableModel.h"
#include "table/CameraTableView.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <QVBoxLayout>

namespace
{
constexpr int kButtonRowBottomPadding = 6;
constexpr qreal kTableCornerRadius = 3;
constexpr int kFilterFieldWidth = 220;

// A text in the search button's font and label colour.
QLabel *makeQuietLabel(QWidget *parent, const QFont &font)
{
    auto *label = new QLabel(parent);
    label->setFont(font);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, namedColor(AppColor::kText));
    label->setPalette(colours);
    return label;
}

// Rounds the corners of the widget it is put on by painting the background colour over what lies
// outside the rounded outline. It sits above the widget's own children and lets every mouse
// event through.
class RoundedCorners : public QWidget
{
public:
    RoundedCorners(QWidget &target, qreal radius)
        : QWidget(&target)
        , m_radius(radius)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        target.installEventFilter(this);
        setGeometry(target.rect());
        raise();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == parent()) {
            if (event->type() == QEvent::Resize)
                setGeometry(parentWidget()->rect());
            else if (event->type() == QEvent::ChildAdded)
                raise();
        }
        return QWidget::eventFilter(watched, event);
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath outside;
        outside.addRect(QRectF(rect()));
        QPainterPath inside;
        inside.addRoundedRect(QRectF(rect()), m_radius, m_radius);
        painter.fillPath(outside.subtracted(inside), namedColor(AppColor::kBackground));
    }

private:
    qreal m_radius;
};
} // namespace

MainWindowView::MainWindowView(std::unique_ptr<Model> model,
                               std::unique_ptr<LocalNetworks> networks, QWidget *parent,
                               const ChangeCoalescer::Post &nextTurn)
    : QWidget(parent)
    , m_model(model ? std::move(model) : std::make_unique<Model>())
    , m_networks(networks ? std::move(networks) : createSystemLocalNetworks())
    , m_changes(
          *m_model, [this] { refresh(); }, nextTurn)
{
    setMinimumSize(kMinimumContentSize);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, namedColor(AppColor::kBackground));
    setPalette(colours);
    setAutoFillBackground(true);

    makeSearchButton();
    makeTable(nextTurn);
    makeFilterField();
    layOut();

    m_model->startMdns();
    // The search has stored its state by now: the button is shown disabled from the first paint.
    refresh();
}

void MainWindowView::makeSearchButton()
{
    m_searchButton = new SearchButton(this);
    connect(m_searchButton, &QAbstractButton::clicked, m_model.get(), &Model::startMdns);
    // click() does nothing while the button is disabled.
    for (const QKeySequence &keys : {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)})
        connect(new QShortcut(keys, this), &QShortcut::activated, m_searchButton,
                &QAbstractButton::click);
    m_statusLine = makeQuietLabel(this, m_searchButton->font());
    m_statusLine->setAccessibleName(localizedText("searchStatus"));
    // The last probe's end changes no list when the camera's flag was already as it found it.
    connect(m_model.get(), &Model::probesSettled, &m_changes, &ChangeCoalescer::changeAnnounced);
}

void MainWindowView::makeTable(const ChangeCoalescer::Post &nextTurn)
{
    m_cameraListTable = new CameraListTable(*m_model, this, nullptr, nullptr, nextTurn);
    new RoundedCorners(*m_cameraListTable, kTableCornerRadius);
    QWidget *rows = m_cameraListTable->controller().tableView()->viewport();
    m_nothingFound = makeQuietLabel(rows, m_searchButton->font());
    m_nothingFound->setAlignment(Qt::AlignCenter);
    m_nothingFound->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_nothingFound->hide();
    (new QVBoxLayout(rows))->addWidget(m_nothingFound, 0, Qt::AlignCenter);
}

void MainWindowView::makeFilterField()
{
    m_filterField = new QLineEdit(this);
    m_filterField->setPlaceholderText(localizedText("filter"));
    m_filterField->setAccessibleName(localizedText("filter"));
    m_filterField->setClearButtonEnabled(true);
    m_filterField->setFont(m_searchButton->font());
    m_filterField->setFixedWidth(kFilterFieldWidth);
    m_filterField->installEventFilter(this);
    connect(m_filterField, &QLineEdit::textChanged, m_cameraListTable,
            &CameraListTable::setFilterText);
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, [this] {
        m_filterField->setFocus(Qt::ShortcutFocusReason);
        m_filterField->selectAll();
    });
    // The status line counts the rows the filter lets through.
    connect(&m_cameraListTable->controller(), &CameraListTableController::listChanged, &m_changes,
            &ChangeCoalescer::changeAnnounced);
    QWidget::setTabOrder(m_searchButton, m_filterField);
    QWidget::setTabOrder(m_filterField, m_cameraListTable->controller().tableView());
}

void MainWindowView::layOut()
{
    auto *buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(0, 0, 0, kButtonRowBottomPadding);
    buttonRow->addWidget(m_searchButton);
    buttonRow->addWidget(m_statusLine);
    buttonRow->addStretch();
    buttonRow->addWidget(m_filterField);

    auto *column = new QVBoxLayout(this);
    column->addLayout(buttonRow);
    column->addWidget(m_cameraListTable, 1);
}

MainWindowView::~MainWindowView()
{
    // The table observes the model: it goes first.
    delete m_cameraListTable;
}

void MainWindowView::refresh()
{
    m_searchButton->setEnabled(m_model->isEnabledSearchButton());
    const CameraListTableController &table = m_cameraListTable->controller();
    m_statusLine->setText(
        searchStatusText(*m_model, m_cameraListTable->filterText().isEmpty()
                                       ? std::nullopt
                                       : std::optional<int>(int(table.list().size()))));
    m_statusLine->setAccessibleDescription(m_statusLine->text());
    if (m_model->currentSearch() != m_networksSearch) {
        m_networksSearch = m_model->currentSearch();
        m_cameraListTable->controller().model()->setLocalNetworks(m_networks->ipv4Networks());
    }
    const bool isNothingFound = m_model->currentSearch() > 0 && m_model->isEnabledSearchButton() &&
                                m_model->cameraList().isEmpty();
    if (isNothingFound)
        m_nothingFound->setText(nothingFoundLines(m_model->socketReport()).join(u'\n'));
    m_nothingFound->setVisible(isNothingFound);
}

bool MainWindowView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_filterField || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    switch (key->key()) {
    case Qt::Key_Escape:
        m_filterField->clear();
        return true;
    case Qt::Key_Down:
    case Qt::Key_Tab: {
        CameraListTableController &table = m_cameraListTable->controller();
        table.tableView()->setFocus(Qt::TabFocusReason);
        if (!table.list().isEmpty())
            table.selectRow(0);
        return true;
    }
    default:
        return false;
    }
}
