#include "settings_ui/LaunchAtLoginManager.h"

#include "FakeLoginItems.h"
#include "LogCapture.h"
#include "TestRegistry.h"
#include "WithoutFileOverride.h"
#include "platform/linux/XdgAutostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>

// Launch at login over the XDG autostart entry in the test's own config
// folder, and over the in-memory login items.
class LaunchAtLoginTest : public QObject {
    Q_OBJECT

    const QString m_folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/autostart";
    const QString m_entry = m_folder + "/kelvaro.desktop";
    platform::XdgAutostart m_autostart{m_folder, QCoreApplication::applicationFilePath()};

private slots:
    void cleanup()
    {
        chmod(qPrintable(m_folder), 0700);
        QFile::remove(m_folder);
        QDir(m_folder).removeRecursively();
    }

    void togglesTheAutostartEntry_data()
    {
        QTest::addColumn<bool>("registered");
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<bool>("value");
        QTest::addColumn<QString>("logged");   // empty: the change fails
        QTest::newRow("register") << false << "" << true << "Launch at Login enabled";
        QTest::newRow("unregister") << true << "" << false << "Launch at Login disabled";
        QTest::newRow("register, read-only folder") << false << "read-only" << true << "";
        QTest::newRow("unregister, read-only folder") << true << "read-only" << false << "";
        QTest::newRow("register, a file in place of the folder") << false << "file" << true << "";
    }
    void togglesTheAutostartEntry()
    {
        QFETCH(bool, registered);
        QFETCH(QString, blocker);
        QFETCH(bool, value);
        QFETCH(QString, logged);
        if (registered)
            QVERIFY(!m_autostart.registerApplication());
        if (blocker == "read-only")
            QVERIFY(QDir().mkpath(m_folder) && chmod(qPrintable(m_folder), 0500) == 0);
        if (blocker == "file")
            QVERIFY(QFile(m_folder).open(QIODevice::WriteOnly));
        LaunchAtLoginManager manager(m_autostart);
        QCOMPARE(manager.isEnabled(), registered);
        QSignalSpy toggles(&manager, &LaunchAtLoginManager::isEnabledChanged);
        LogCapture log;
        {
            WithoutFileOverride asUser;
            manager.setEnabled(value);
        }
        QCOMPARE(manager.isEnabled(), value);
        const bool fails = logged.isEmpty();
        QCOMPARE(log.infos(), fails ? QStringList() : QStringList{logged});
        QCOMPARE(log.errors().size(), fails ? 1 : 0);
        QCOMPARE(manager.lastError().has_value(), fails);
        if (fails) {
            QVERIFY(log.errors()[0].startsWith("Failed to update Launch at Login: "));
            QVERIFY(log.errors()[0].contains(m_entry));
            QVERIFY(!manager.lastError()->isEmpty());
        }
        // The toggle falls back one turn of the event loop later.
        QCoreApplication::processEvents();
        QCOMPARE(manager.isEnabled(), fails ? !value : value);
        QCOMPARE(toggles.size(), fails ? 2 : 1);
        QCOMPARE(m_autostart.isRegistered(), fails ? registered : value);
        QCOMPARE(QFile::exists(m_entry), fails ? registered : value);
        if (value && !fails) {
            QFile file(m_entry);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(file.readAll().contains("\nExec=" + QCoreApplication::applicationFilePath().toUtf8() + "\n"));
        }
    }

    // Switched off entries, and what is no entry at all, count as not registered.
    void readsTheEntry_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<bool>("registered");
        QTest::newRow("written by hand") << QByteArray("[Desktop Entry]\nType=Application\nExec=kelvaro\n") << true;
        QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nHidden=true\nX-GNOME-Autostart-Delay=5\n") << false;
        QTest::newRow("off in GNOME") << QByteArray("[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n") << false;
        QTest::newRow("damaged") << QByteArray("\x7f" "ELF\0\1\2[Desktop Entry", 17) << false;
        QTest::newRow("another group") << QByteArray("[Other]\nExec=kelvaro\n") << false;
    }
    void readsTheEntry()
    {
        QFETCH(QByteArray, entry);
        QFETCH(bool, registered);
        QVERIFY(QDir().mkpath(m_folder));
        QFile file(m_entry);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(entry) == entry.size());
        file.close();
        QCOMPARE(m_autostart.isRegistered(), registered);
        // Registering keeps the user's own keys, and makes the entry count.
        QVERIFY(!m_autostart.registerApplication());
        QVERIFY(m_autostart.isRegistered());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().contains("Delay=5"), entry.contains("Delay=5"));
    }

    void desktopExecValue_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << "/usr/bin/kelvaro" << "/usr/bin/kelvaro";
        QTest::newRow("percent") << "/opt/100%/kelvaro" << "/opt/100%%/kelvaro";
        QTest::newRow("reserved") << "/home/a b/$x\\\"`/k" << "\"/home/a b/\\$x\\\\\\\"\\`/k\"";
    }
    void desktopExecValue()
    {
        QFETCH(QString, program);
        QFETCH(QString, exec);
        QCOMPARE(platform::desktopExecValue(program), exec);
    }

    // Already registered shows on without registering again; a refused change
    // is not tried again; the next success clears its error.
    void failsOnceAndClearsTheError()
    {
        platform::FakeLoginItems items;
        items.registered = true;
        LaunchAtLoginManager manager(items);
        QVERIFY(manager.isEnabled());
        QCOMPARE(items.changes, 0);
        items.refusal = platform::LoginItemError{"Refused.", "Refused (full)"};
        manager.setEnabled(false);
        QCOMPARE(manager.lastError(), QString("Refused."));
        QTRY_VERIFY(manager.isEnabled());
        QCOMPARE(items.changes, 1);
        items.refusal.reset();
        manager.setEnabled(false);
        QCOMPARE(manager.lastError(), std::nullopt);
        QCOMPARE(items.registered, false);
    }
};

KELVARO_TEST(LaunchAtLoginTest)

#include "LaunchAtLoginTest.moc"
