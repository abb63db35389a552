#include "app/SearchButton.h"
#include "platform/LocalizedText.h"

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

namespace
{
void sendEnter(QWidget &widget)
{
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&widget, &enter);
}

void sendLeave(QWidget &widget)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&widget, &leave);
}
} // namespace

class TestSearchButton : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Each step: 'e' pointer enters, 'l' pointer leaves, '+' button enabled, '-' disabled.
    void hoverColour_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("color");
        QTest::newRow("no hover yet") << ""
                                      << "#3D3D3D";
        QTest::newRow("no hover yet, disabled") << "-"
                                                << "#3D3D3D";
        QTest::newRow("entered while enabled") << "e"
                                               << "#595959";
        QTest::newRow("entered while disabled") << "-e"
                                                << "#3D3D3D";
        QTest::newRow("left while enabled") << "el"
                                            << "#3D3D3D";
        QTest::newRow("left while disabled") << "e-l"
                                             << "#3D3D3D";
        QTest::newRow("click starts a search under the pointer") << "e-"
                                                                 << "#595959";
        QTest::newRow("search ends under the pointer") << "-e+"
                                                       << "#3D3D3D";
        QTest::newRow("leave and enter again after the search") << "-e+le"
                                                                << "#595959";
    }

    void hoverColour()
    {
        QFETCH(QString, steps);
        QFETCH(QString, color);
        SearchButton button;
        for (const QChar step : steps) {
            if (step == u'e')
                sendEnter(button);
            else if (step == u'l')
                sendLeave(button);
            else
                button.setEnabled(step == u'+');
        }
        QCOMPARE(button.buttonColor(), color);
    }

    void paintsItsBackgroundAndBorder()
    {
        SearchButton button;
        button.resize(button.sizeHint());
        sendEnter(button);
        const QImage picture = button.grab().toImage();
        const QPoint middle(picture.width() / 2, 4);
        QCOMPARE(picture.pixelColor(middle), QColor(0x59, 0x59, 0x59));
        QCOMPARE(picture.pixelColor(picture.width() / 2, 0), QColor(0x70, 0x70, 0x70));
        // The rounded corner leaves the very corner pixel to what lies behind the button.
        const QColor behind = button.palette().color(QPalette::Window);
        QCOMPARE(picture.pixelColor(0, 0), behind);
    }

    void sizeFollowsLabel_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("wider");
        QTest::newRow("short label keeps 80") << "Go" << false;
        QTest::newRow("long label widens") << "Search for every camera on this network" << true;
    }

    void sizeFollowsLabel()
    {
        QFETCH(QString, label);
        QFETCH(bool, wider);
        SearchButton button;
        button.setText(label);
        QCOMPARE(button.sizeHint().height(), 44);
        if (wider)
            QVERIFY(button.sizeHint().width() > 80);
        else
            QCOMPARE(button.sizeHint().width(), 80);
    }

    void labelIsTheSearchText()
    {
        SearchButton button;
        QCOMPARE(button.text(), localizedText("searchCamera"));
        QCOMPARE(button.font().pixelSize(), 13);
    }

    void disabledButtonIgnoresClicks()
    {
        SearchButton button;
        button.resize(button.sizeHint());
        QSignalSpy clicks(&button, &QAbstractButton::clicked);
        button.setEnabled(false);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks.size(), 0);
        button.setEnabled(true);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks.size(), 1);
    }
};

QTEST_MAIN(TestSearchButton)
#include "tst_searchbutton.moc"
