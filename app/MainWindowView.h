#pragma once

#include "discovery/ChangeCoalescer.h"
#include "discovery/Model.h"
#include "platform/LocalNetworks.h"

#include <QWidget>

#include <memory>

class CameraListTable;
class QLabel;
class QLineEdit;
class SearchButton;

// Content of the main window: on an AppColor::kBackground background, the search button at the top
// left and the camera table, with rounded corners, filling the rest.
//
// Creating the view creates its Model (or takes the one given, for tests) and starts the first
// search at once. The button starts a search on every press and is enabled exactly while the
// model's isEnabledSearchButton is true; the view follows the model's announcements on a later
// turn of the event loop, as the table does.
//
// Right of the button a status line counts what the search found (searchStatusText). Once a
// search has ended with an empty list, the empty table shows, centred, why nothing may have been
// found (nothingFoundLines). F5 and Ctrl+R press the button while it is enabled. When a search
// starts, the computer's IPv4 networks are read again for the table's wrong-subnet marker.
//
// At the right end of that line a filter field ("Filter") narrows the table as the user types
// (CameraListTable::setFilterText); the status line then says "12 of 37 devices". Ctrl+F puts
// the keyboard there; Escape empties it; Down or Tab goes to the table and selects its first row.
// The text stays for later searches.
class MainWindowView : public QWidget
{
    Q_OBJECT
public:
    // Minimum size of the content (the window's content area).
    static constexpr QSize kMinimumContentSize{1000, 450};

    // A null `model` means a Model of the process's own mDNS querier and HTTP client, null
    // `networks` this machine's interfaces. `nextTurn` takes the refreshes of the view and of its
    // table to a later turn (null: the event loop's; ChangeCoalescer::Post).
    explicit MainWindowView(std::unique_ptr<Model> model = nullptr,
                            std::unique_ptr<LocalNetworks> networks = nullptr,
                            QWidget *parent = nullptr, const ChangeCoalescer::Post &nextTurn = {});
    ~MainWindowView() override;

    Model &model() const { return *m_model; }
    SearchButton &searchButton() const { return *m_searchButton; }
    CameraListTable &cameraListTable() const { return *m_cameraListTable; }
    QLabel &statusLine() const { return *m_statusLine; }
    QLabel &nothingFoundText() const { return *m_nothingFound; }
    QLineEdit &filterField() const { return *m_filterField; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The constructor's parts: the search button with its shortcuts and the status line; the
    // table with its "nothing found" text; the filter field; the layout of all three.
    void makeSearchButton();
    void makeTable(const ChangeCoalescer::Post &nextTurn);
    void makeFilterField();
    void layOut();
    void refresh();

    std::unique_ptr<Model> m_model;
    std::unique_ptr<LocalNetworks> m_networks;
    quint64 m_networksSearch = 0; // the search whose start the table's networks are from
    SearchButton *m_searchButton = nullptr;
    CameraListTable *m_cameraListTable = nullptr;
    QLabel *m_statusLine = nullptr;
    QLabel *m_nothingFound = nullptr;
    QLineEdit *m_filterField = nullptr;
    ChangeCoalescer m_changes;
};
