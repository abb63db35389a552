#include "discovery/ServiceText.h"
#include "tests/support/SocketAddress.h"

#include <QTest>

class TestServiceText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void formatMacAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("formatted");
        QTest::newRow("12 digits") << "001122aabbcc"
                                   << "00-11-22-aa-bb-cc";
        QTest::newRow("letter case kept") << "001122AaBbCc"
                                          << "00-11-22-Aa-Bb-Cc";
        QTest::newRow("8 digits, same rule") << "00112233"
                                             << "00-11--2-2-33";
        QTest::newRow("11 digits") << "001122aabbc"
                                   << "00-11-22-a-ab-bc";
        QTest::newRow("not hexadecimal") << "zzzzzzzzzzzz"
                                         << "zz-zz-zz-zz-zz-zz";
        QTest::newRow("already with hyphens") << "00-11-22-aa-bb-cc"
                                              << "00--1-1--22-aa-b-b--cc";
        QTest::newRow("7 characters unchanged") << "0011223"
                                                << "0011223";
        QTest::newRow("3 characters unchanged") << "001"
                                                << "001";
        QTest::newRow("empty unchanged") << ""
                                         << "";
        QTest::newRow("non-BMP character counted once")
            << QString::fromUtf8("0011\xF0\x9F\x98\x80"
                                 "2aabbcc")
            << QString::fromUtf8("00-11-\xF0\x9F\x98\x80"
                                 "2-aa-bb-cc");
    }

    void formatMacAddress()
    {
        QFETCH(QString, text);
        QFETCH(QString, formatted);
        QCOMPARE(::formatMacAddress(text), formatted);
    }

    void numericHost_data()
    {
        QTest::addColumn<QByteArray>("socketAddress");
        QTest::addColumn<QString>("host");
        QTest::newRow("IPv4") << socketAddress("198.18.0.10") << "198.18.0.10";
        QTest::newRow("IPv6") << socketAddress("2001:db8::5") << "2001:db8::5";
        QTest::newRow("link-local IPv6: zone cut") << socketAddress("fe80::1", 1) << "fe80::1";
        QTest::newRow("not a socket address") << QByteArray("\x07\x00", 2) << "";
        QTest::newRow("empty block") << QByteArray() << "";
    }

    void numericHost()
    {
        QFETCH(QByteArray, socketAddress);
        QFETCH(QString, host);
        QCOMPARE(::numericHost(socketAddress), host);
    }

    void utf8Text_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ASCII") << QByteArray("tulvo") << true;
        QTest::newRow("two-byte") << QByteArray("\xc3\xa9") << true;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("lone continuation") << QByteArray("\x80") << false;
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << false;
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << false;
        QTest::newRow("truncated at the end") << QByteArray("\xe2\x82") << false;
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << false;
    }

    void utf8Text()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QCOMPARE(::utf8Text(bytes).has_value(), valid);
    }
};

QTEST_GUILESS_MAIN(TestServiceText)
#include "tst_servicetext.moc"
