#include "platform/linux/DesktopEntryIndex.h"

#include "DesktopEntryFiles.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QTest>

using platform::DesktopEntry;
using platform::DesktopEntryIndex;

namespace {

QString idOf(const std::optional<DesktopEntry>& entry)
{
    return entry ? entry->id : QStringLiteral("<no entry>");
}

} // namespace

class DesktopEntryIndexTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(writeApplicationEntry(QStringLiteral("org.example.Editor"),
                                      "Name=Text Editor\nIcon=accessories-text-editor\nStartupWMClass=EditorWindow\n"));
        // A helper sharing the editor's window class; its ID sorts before the editor's.
        QVERIFY(writeApplicationEntry(QStringLiteral("com.example.EditorHelper"),
                                      "Name=Editor Helper\nNoDisplay=true\nStartupWMClass=EditorWindow\n"));
        QVERIFY(writeApplicationEntry(QStringLiteral("com.example.Daemon"),
                                      "Name=Daemon Panel\nNoDisplay=true\nStartupWMClass=DaemonPanel\n"));
        QVERIFY(writeApplicationEntry(QStringLiteral("org.mozilla.browser"), "Name=Browser\nStartupWMClass=browser\n"));
        QVERIFY(writeApplicationEntry(QStringLiteral("Navigator"), "Name=Not the browser\n"));
        QVERIFY(writeApplicationEntry(QStringLiteral("gimp"), "Name=Image Editor\n"));
        QVERIFY(writeApplicationEntry(QStringLiteral("GIMP-ci"), "Name=Case-only match\n"));
        QVERIFY(writeApplicationEntry(QStringLiteral("gimp-ci"), "Name=Exact match\n"));
        QVERIFY(writeApplicationEntry(QStringLiteral("nameless"), "Icon=/opt/nameless/icon.png\n"));
        QVERIFY(writeApplicationEntry(QStringLiteral("hidden"),
                                      "Name=Hidden\nHidden=true\nStartupWMClass=HiddenWindow\n"));
        QVERIFY(writeDesktopEntry(QStringLiteral("broken.desktop"),
                                  QByteArray("Name=outside any group\n[Desktop Entry\n\xff\xfe=\n")));
    }

    void findsEntriesById()
    {
        DesktopEntryIndex index;
        const auto editor = index.entryForId(QStringLiteral("org.example.Editor"));
        QVERIFY(editor);
        QCOMPARE(editor->id, QStringLiteral("org.example.Editor"));
        QCOMPARE(editor->name, QStringLiteral("Text Editor"));
        QCOMPARE(editor->iconName, QStringLiteral("accessories-text-editor"));
        QCOMPARE(idOf(index.entryForId(QStringLiteral("org.example.Editor.desktop"))),
                 QStringLiteral("org.example.Editor"));
        QCOMPARE(idOf(index.entryForId(QStringLiteral("org.example.editor"))), QStringLiteral("<no entry>"));
        QCOMPARE(idOf(index.entryForId(QString())), QStringLiteral("<no entry>"));
    }

    void toleratesIncompleteAndBrokenEntries()
    {
        DesktopEntryIndex index;
        // No Name: an empty name (not a made-up one), the icon path kept.
        const auto nameless = index.entryForId(QStringLiteral("nameless"));
        QVERIFY(nameless);
        QCOMPARE(nameless->name, QString());
        QCOMPARE(nameless->iconName, QStringLiteral("/opt/nameless/icon.png"));
        // A deleted (Hidden) entry identifies nothing, by ID or by class.
        QVERIFY(!index.entryForId(QStringLiteral("hidden")));
        QVERIFY(!index.entryForWindowClass(QStringLiteral("hiddenwindow"), QStringLiteral("HiddenWindow")));
        // An unreadable file is skipped; the others stay usable.
        QVERIFY(!index.entryForId(QStringLiteral("broken")));
        QVERIFY(!index.entryForWindowClass(QStringLiteral("broken"), QStringLiteral("Broken")));
        QVERIFY(index.entryForId(QStringLiteral("gimp")));
    }

    void matchesWindowClasses_data()
    {
        QTest::addColumn<QString>("instanceName");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("expectedId");

        QTest::newRow("startup class equals class") << "editor" << "EditorWindow" << "org.example.Editor";
        QTest::newRow("startup class equals instance") << "EditorWindow" << "Editor" << "org.example.Editor";
        QTest::newRow("hidden-from-menus entry still identifies")
            << "daemon" << "DaemonPanel" << "com.example.Daemon";
        QTest::newRow("startup class beats an ID match") << "Navigator" << "browser" << "org.mozilla.browser";
        QTest::newRow("ID equals instance") << "gimp" << "Gimp-2.10" << "gimp";
        QTest::newRow("ID equals class") << "gimp-2.10" << "gimp" << "gimp";
        QTest::newRow("ID differs only in case") << "gimp-2.10" << "Gimp" << "gimp";
        QTest::newRow("exact case beats other case") << "gimp-ci" << "Gimp-ci" << "gimp-ci";
        QTest::newRow("class only") << "" << "Navigator" << "Navigator";
        QTest::newRow("no match") << "unknown" << "Unknown" << "<no entry>";
        QTest::newRow("empty names") << "" << "" << "<no entry>";
    }

    void matchesWindowClasses()
    {
        QFETCH(QString, instanceName);
        QFETCH(QString, className);
        QFETCH(QString, expectedId);
        DesktopEntryIndex index;
        QCOMPARE(idOf(index.entryForWindowClass(instanceName, className)), expectedId);
    }

    void readsEntriesAddedLater()
    {
        DesktopEntryIndex index;
        int changes = 0;
        index.setChangeHandler([&] { ++changes; });
        QVERIFY(!index.entryForWindowClass(QStringLiteral("late"), QStringLiteral("LateWindow")));

        QVERIFY(writeApplicationEntry(QStringLiteral("org.example.Late"), "Name=Late\nStartupWMClass=LateWindow\n"));
        QTRY_VERIFY_WITH_TIMEOUT(changes > 0, 10000);
        QCOMPARE(idOf(index.entryForWindowClass(QStringLiteral("late"), QStringLiteral("LateWindow"))),
                 QStringLiteral("org.example.Late"));
    }
};

KELVARO_TEST_MAIN(DesktopEntryIndexTest, QCoreApplication)

#include "tst_desktopentryindex.moc"
