#include "TestEnvironment.h"
#include "XvfbServer.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

namespace {

QString kelvaroProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/kelvaro");
}

} // namespace

// Kelvaro without its X display: a clear message and a failure status,
// never a crash or a process left spinning.
class DisplayLossTest : public QObject {
    Q_OBJECT

private slots:
    void withoutADisplayKelvaroSaysSoAndFails()
    {
        QProcess kelvaro;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        kelvaro.setProcessEnvironment(environment);
        kelvaro.start(kelvaroProgram(), {});
        QVERIFY(kelvaro.waitForFinished(10000));
        QCOMPARE(kelvaro.exitStatus(), QProcess::NormalExit);
        QCOMPARE(kelvaro.exitCode(), 1);
        QVERIFY(kelvaro.readAllStandardError().contains("Kelvaro needs an X11 session: DISPLAY is not set"));
    }

    void whenTheXServerGoesAwayKelvaroEnds()
    {
        XvfbServer server;
        QString error;
        QVERIFY2(server.start({QStringLiteral("us"), QStringLiteral("de")}, {}, &error), qPrintable(error));

        QProcess kelvaro;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), server.displayName());
        kelvaro.setProcessEnvironment(environment);
        kelvaro.start(kelvaroProgram(), {});
        QVERIFY(kelvaro.waitForStarted(5000));
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += kelvaro.readAllStandardError()).contains("Loaded 2 input sources"), 10000);

        server.stop();
        QVERIFY2(kelvaro.waitForFinished(10000), "Kelvaro outlived its X server");
        output += kelvaro.readAllStandardError();
        QCOMPARE(kelvaro.exitStatus(), QProcess::NormalExit);
        QVERIFY(kelvaro.exitCode() != 0);
        QVERIFY2(output.contains("X11 connection broke") || output.contains("Lost the connection to the X server"),
                 output.constData());
    }
};

KELVARO_TEST_MAIN(DisplayLossTest, QCoreApplication)
#include "tst_displayloss.moc"
