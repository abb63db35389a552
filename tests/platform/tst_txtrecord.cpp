#include "platform/TxtRecord.h"

#include <QTest>

using Entries = QMap<QString, QByteArray>;

class TestTxtRecord : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<Entries>("expected");
        using namespace Qt::StringLiterals;
        QTest::newRow("empty record") << QByteArray() << Entries{};
        QTest::newRow("single zero byte") << "\x00"_ba << Entries{};
        QTest::newRow("key=value") << "\x0cvender=tulvo"_ba << Entries{{"vender", "tulvo"}};
        QTest::newRow("two entries") << "\x05"
                                        "a=one\x05"
                                        "b=two"_ba
                                     << Entries{{"a", "one"}, {"b", "two"}};
        QTest::newRow("key without '='") << "\x04"
                                            "flag"_ba
                                         << Entries{{"flag", ""}};
        QTest::newRow("key with empty value") << "\x05"
                                                 "flag="_ba
                                              << Entries{{"flag", ""}};
        QTest::newRow("first occurrence wins") << "\x03"
                                                  "a=1\x03"
                                                  "a=2"_ba
                                               << Entries{{"a", "1"}};
        QTest::newRow("string starting with '=' ignored") << "\x04=abc\x03"
                                                             "b=2"_ba
                                                          << Entries{{"b", "2"}};
        QTest::newRow("value keeps further '='") << "\x05"
                                                    "a=b=c"_ba
                                                 << Entries{{"a", "b=c"}};
        QTest::newRow("keys keep their letter case") << "\x03"
                                                        "A=1\x03"
                                                        "a=2"_ba
                                                     << Entries{{"A", "1"}, {"a", "2"}};
        QTest::newRow("empty strings skipped") << "\x00\x03"
                                                  "a=1\x00"_ba
                                               << Entries{{"a", "1"}};
        QTest::newRow("value bytes kept raw") << "\x05"
                                                 "m=\xff\xfe\x00"_ba
                                              << Entries{{"m", "\xff\xfe\x00"_ba}};
        QTest::newRow("length past the end") << "\x03"
                                                "a=1\x09"
                                                "b=2"_ba
                                             << Entries{{"a", "1"}};
        QTest::newRow("lone length byte") << "\x03"
                                             "a=1\xff"_ba
                                          << Entries{{"a", "1"}};
    }

    void decode()
    {
        QFETCH(QByteArray, record);
        QFETCH(Entries, expected);
        QCOMPARE(dictionaryFromTxtRecordData(record), expected);
    }
};

QTEST_GUILESS_MAIN(TestTxtRecord)
#include "tst_txtrecord.moc"
