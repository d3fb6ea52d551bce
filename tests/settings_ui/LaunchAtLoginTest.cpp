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

// Launch at login over the XDG autostart entry in the test's own config
// folder, and over the in-memory login items.
class LaunchAtLoginTest : public QObject {
    Q_OBJECT

    const QString m_folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/autostart";
    const QString m_entry = m_folder + "/kelvaro.desktop";
    platform::XdgAutostart m_autostart{m_folder, QCoreApplication::applicationFilePath()};

private slots:
    void cleanup() { QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner), QFile::remove(m_folder), QDir(m_folder).removeRecursively(); }

    // Entries switched off, damaged or not there count as not registered;
    // registering keeps the user's own keys.
    void togglesTheAutostartEntry_data()
    {
        QTest::addColumn<QByteArray>("entry");   // "ours": registered by Kelvaro
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<bool>("value");
        QTest::addColumn<QString>("logged");   // empty: the change fails
        const QString on = "Launch at Login enabled";
        QTest::newRow("register") << QByteArray() << "" << true << on;
        QTest::newRow("over a hidden one") << QByteArray("[Desktop Entry]\nHidden=true\nX-GNOME-Autostart-Delay=5\n") << "" << true << on;
        QTest::newRow("over one off in GNOME") << QByteArray("[Desktop Entry]\nX-GNOME-Autostart-enabled=false") << "" << true << on;
        QTest::newRow("over a damaged one") << QByteArray("\x7f" "ELF\0[Desktop Entry]", 20) << "" << true << on;
        QTest::newRow("unregister") << QByteArray("ours") << "" << false << "Launch at Login disabled";
        QTest::newRow("register, read-only folder") << QByteArray() << "read-only" << true << "";
        QTest::newRow("unregister, read-only folder") << QByteArray("ours") << "read-only" << false << "";
        QTest::newRow("register, a file in place of the folder") << QByteArray() << "file" << true << "";
    }
    void togglesTheAutostartEntry()
    {
        QFETCH(QByteArray, entry); QFETCH(QString, blocker); QFETCH(bool, value); QFETCH(QString, logged);
        const bool registered = entry == "ours";
        QFile file(m_entry);
        if (entry == "ours")
            QVERIFY(!m_autostart.registerApplication());
        else if (!entry.isEmpty())
            QVERIFY(QDir().mkpath(m_folder) && file.open(QIODevice::WriteOnly) && file.write(entry) && file.flush());
        file.close();
        if (blocker == "read-only")
            QVERIFY(QDir().mkpath(m_folder) && QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::ExeOwner));
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
        if (fails)
            QVERIFY(log.errors()[0].startsWith("Failed to update Launch at Login: ") && log.errors()[0].contains(m_entry)
                    && !manager.lastError()->isEmpty());
        // The toggle falls back one turn of the event loop later.
        QCoreApplication::processEvents();
        QCOMPARE(manager.isEnabled(), fails ? !value : value);
        QCOMPARE(toggles.size(), fails ? 2 : 1);
        QCOMPARE(m_autostart.isRegistered(), fails ? registered : value);
        QCOMPARE(QFile::exists(m_entry), fails ? registered : value);
        if (value && !fails) {
            const QByteArray written = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            QVERIFY(written.contains("\nExec=" + QCoreApplication::applicationFilePath().toUtf8() + "\n"));
            QCOMPARE(written.contains("Delay=5"), entry.contains("Delay=5"));
        }
    }

    // Already registered shows on without registering again; a refused change
    // is not tried again; the next success clears its error.
    void failsOnceAndClearsTheError()
    {
        platform::FakeLoginItems items;
        items.registered = true;
        LaunchAtLoginManager manager(items);
        items.refusal = platform::LoginItemError{"Refused.", "Refused (full)"};
        QVERIFY(manager.isEnabled() && items.changes == 0);
        manager.setEnabled(false);
        QCOMPARE(manager.lastError(), QString("Refused."));
        QTRY_VERIFY(manager.isEnabled());
        QCOMPARE(items.changes, 1);
        items.refusal.reset();
        manager.setEnabled(false);
        QVERIFY(!manager.lastError() && !items.registered);
    }
};

KELVARO_TEST(LaunchAtLoginTest)

#include "LaunchAtLoginTest.moc"
