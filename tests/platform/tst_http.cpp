// The HTTP client's transfer against a loopback server inside the test, on fake time: redirects,
// interim heads, TLS, and the one deadline that no peer can push back.
#include "platform/http/HttpTransfer.h"
#include "platform/http/TlsClientContext.h"
#include "tests/support/FakeTime.h"

#include <QFile>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTest>

using namespace std::chrono_literals;

namespace
{

const QString kTls = QStringLiteral(VINDRA_TEST_TLS_DIR);

QByteArray fileBytes(const QString &name)
{
    QFile file(kTls + QLatin1Char('/') + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Answers the n-th connection with answers[n] once its request has come, and keeps the request
// lines; "{port}" in an answer is its own port.
class ScriptedServer
{
public:
    ScriptedServer(bool tls, QByteArrayList answers)
        : m_answers(std::move(answers))
    {
        if (tls) {
            auto *server = new QSslServer;
            QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
            configuration.setLocalCertificate(QSslCertificate(fileBytes("server.pem")));
            configuration.setPrivateKey(QSslKey(fileBytes("server.key"), QSsl::Ec));
            server->setSslConfiguration(configuration);
            m_server.reset(server);
        } else {
            m_server = std::make_unique<QTcpServer>();
        }
        m_server->listen(QHostAddress::LocalHost);
        QObject::connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, [this] {
            QTcpSocket *socket = m_server->nextPendingConnection();
            const qsizetype index = connections.size();
            connections.append(socket);
            QObject::connect(socket, &QTcpSocket::readyRead, [this, socket, index] {
                m_received[index] += socket->readAll();
                if (!m_received[index].contains("\r\n\r\n") || requests.size() > index)
                    return;
                requests.append(m_received[index].left(m_received[index].indexOf('\r')));
                socket->write(m_answers.value(index).replace("{port}", port()));
            });
        });
    }

    QByteArray port() const { return QByteArray::number(m_server->serverPort()); }

    QList<QTcpSocket *> connections;
    QByteArrayList requests;

private:
    std::unique_ptr<QTcpServer> m_server;
    QByteArrayList m_answers;
    QMap<qsizetype, QByteArray> m_received;
};

} // namespace

class TestHttp : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void transfer_data()
    {
        QTest::addColumn<bool>("tls");
        QTest::addColumn<QByteArrayList>("answers"); // one per connection
        QTest::addColumn<QByteArray>("drip");        // then sent once a second, for ever
        QTest::addColumn<QByteArrayList>("requests");
        QTest::addColumn<std::optional<int>>("status");
        QTest::addColumn<int>("doneAfterMs");

        QTest::newRow("redirect chain to a body that never ends")
            << false
            << QByteArrayList{"HTTP/1.1 302 Found\r\nLocation: /b?x=1\r\n\r\n",
                              "HTTP/1.1 307 Temporary\r\nLocation: "
                              "http://127.0.0.1:{port}/c\r\n\r\n",
                              "HTTP/1.1 401 Unauthorized\r\nContent-Length: 99\r\n\r\n<html>"}
            << QByteArray()
            << QByteArrayList{"GET /a HTTP/1.1", "GET /b?x=1 HTTP/1.1", "GET /c HTTP/1.1"}
            << std::optional(401) << 0;
        QTest::newRow("interim heads before the answer")
            << false
            << QByteArrayList{"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </s>"
                              "\r\n\r\nHTTP/1.1 200 OK\r\n\r\n"}
            << QByteArray() << QByteArrayList{"GET /a HTTP/1.1"} << std::optional(200) << 0;
        QTest::newRow("https never redirects to http")
            << true
            << QByteArrayList{"HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:{port}/b\r\n\r\n"}
            << QByteArray() << QByteArrayList{"GET /a HTTP/1.1"} << std::optional(302) << 0;
        QTest::newRow("silent peer")
            << false << QByteArrayList{""} << QByteArray() << QByteArrayList{"GET /a HTTP/1.1"}
            << std::optional<int>() << 60000;
        QTest::newRow("endless interim heads")
            << true << QByteArrayList{""} << QByteArray("HTTP/1.1 100 Continue\r\n\r\n")
            << QByteArrayList{"GET /a HTTP/1.1"} << std::optional<int>() << 60000;
        QTest::newRow("head that trickles")
            << false << QByteArrayList{"HTTP/1.1 200 OK\r\nX-Slow: "} << QByteArray("a")
            << QByteArrayList{"GET /a HTTP/1.1"} << std::optional<int>() << 60000;
    }

    void transfer()
    {
        QFETCH(bool, tls);
        QFETCH(QByteArrayList, answers);
        QFETCH(QByteArray, drip);
        QFETCH(QByteArrayList, requests);
        QFETCH(std::optional<int>, status);
        QFETCH(int, doneAfterMs);

        qputenv("SSL_CERT_FILE", (kTls + QStringLiteral("/ca.pem")).toLocal8Bit());
        const TlsClientContext context;
        ScriptedServer server(tls, answers);
        FakeTime time;
        std::optional<std::optional<int>> result;
        HttpTransfer transfer(
            context, 60s, [&](std::optional<int> s) { result = s; }, time.makeTimer());
        transfer.start(QUrl(QStringLiteral("%1://127.0.0.1:%2/a")
                                .arg(tls ? "https" : "http", QString::fromLatin1(server.port()))));
        QTRY_COMPARE(server.requests, requests);
        if (doneAfterMs == 0)
            QTRY_VERIFY(result);
        int elapsed = 0;
        for (; !result && elapsed < 2 * doneAfterMs; elapsed += 1000) {
            if (!drip.isEmpty())
                server.connections.last()->write(drip);
            QTest::qWait(5); // the bytes reach the transfer before time moves on
            time.advance(1000);
        }
        QCOMPARE(elapsed, doneAfterMs);
        QVERIFY(result);
        QCOMPARE(*result, status);
        // Every connection is closed by then, the one whose body never ends included.
        for (QTcpSocket *connection : std::as_const(server.connections))
            QTRY_COMPARE(connection->state(), QAbstractSocket::UnconnectedState);
    }

    // Run by ctest in a mount namespace whose OpenSSL directory holds only the test CA, as the
    // one bundle file (as some distributions ship it) or in a hashed directory.
    void systemTrustStore()
    {
        if (!qEnvironmentVariableIsSet("VINDRA_TEST_SYSTEM_TRUST"))
            QSKIP("needs the trust store of its ctest namespace");
        qunsetenv("SSL_CERT_FILE");
        qunsetenv("SSL_CERT_DIR");
        const TlsClientContext context;
        ScriptedServer server(true, {"HTTP/1.1 200 OK\r\n\r\n"});
        std::optional<std::optional<int>> result;
        HttpTransfer transfer(context, 60s, [&](std::optional<int> s) { result = s; });
        transfer.start(QUrl("https://127.0.0.1:" + server.port() + "/"));
        QTRY_VERIFY(result);
        QCOMPARE(*result, std::optional(200));
    }
};

QTEST_GUILESS_MAIN(TestHttp)
#include "tst_http.moc"
