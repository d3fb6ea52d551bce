#include "FakeWorkspace.h"
#include "core/WindowWatcher.h"

#include "TestEnvironment.h"

#include <QSignalSpy>
#include <QTest>

using platform::FakeWorkspace;
using platform::RunningApplication;

class WindowWatcherTest : public QObject {
    Q_OBJECT

private:
    static QList<std::optional<QString>> bundleIds(const QList<WindowWatcher::Application>& applications)
    {
        QList<std::optional<QString>> ids;
        for (const auto& application : applications)
            ids.append(application ? application->bundleIdentifier : std::optional<QString>(QStringLiteral("<none>")));
        return ids;
    }

private slots:
    void frontmostApplicationIsTakenAtOnce()
    {
        FakeWorkspace workspace;
        workspace.frontmost = FakeWorkspace::application(10, QStringLiteral("org.gnome.Terminal"));
        WindowWatcher watcher(workspace);
        QCOMPARE(watcher.activeApp(), workspace.frontmost);

        QList<WindowWatcher::Application> received;
        QObject context;
        watcher.subscribe(&context, [&](const WindowWatcher::Application& app) { received.append(app); });
        QCOMPARE(received.size(), 1);
        QCOMPARE(received.first()->bundleIdentifier, QStringLiteral("org.gnome.Terminal"));
    }

    void nothingInFrontStaysAbsentUntilAnActivation()
    {
        FakeWorkspace workspace;
        WindowWatcher watcher(workspace);
        QCOMPARE(watcher.activeApp(), std::nullopt);

        QList<WindowWatcher::Application> received;
        QObject context;
        watcher.subscribe(&context, [&](const WindowWatcher::Application& app) { received.append(app); });
        QCOMPARE(received, QList<WindowWatcher::Application>{std::nullopt});

        workspace.activate(FakeWorkspace::application(11, QStringLiteral("org.mozilla.firefox")));
        QTRY_COMPARE(received.size(), 2);
        QCOMPARE(watcher.activeApp()->bundleIdentifier, QStringLiteral("org.mozilla.firefox"));
    }

    void deliveryIsQueuedNeverInsideTheNotice()
    {
        FakeWorkspace workspace;
        WindowWatcher watcher(workspace);
        QSignalSpy published(&watcher, &WindowWatcher::activeAppChanged);
        workspace.activate(FakeWorkspace::application(12, QStringLiteral("a")));
        QCOMPARE(published.count(), 0);
        QCOMPARE(watcher.activeApp(), std::nullopt);
        QTRY_COMPARE(published.count(), 1);
        QCOMPARE(watcher.activeApp()->bundleIdentifier, QStringLiteral("a"));
    }

    void emptyNoticesAreDroppedAndRepeatsPublished()
    {
        FakeWorkspace workspace;
        WindowWatcher watcher(workspace);
        QList<WindowWatcher::Application> received;
        QObject context;
        watcher.subscribe(&context, [&](const WindowWatcher::Application& app) { received.append(app); });
        received.clear();

        const RunningApplication editor = FakeWorkspace::application(20, QStringLiteral("org.gnome.TextEditor"));
        const RunningApplication noBundle = FakeWorkspace::application(21, std::nullopt);
        workspace.activate(editor);
        workspace.activate(std::nullopt);
        workspace.activate(editor);
        workspace.activate(noBundle);
        workspace.activate(std::nullopt);
        QTRY_COMPARE(received.size(), 3);
        QTest::qWait(20);
        QCOMPARE(received.size(), 3);
        QCOMPARE(bundleIds(received), (QList<std::optional<QString>>{QStringLiteral("org.gnome.TextEditor"),
                                                                      QStringLiteral("org.gnome.TextEditor"),
                                                                      std::nullopt}));
        QCOMPARE(watcher.activeApp(), noBundle);
    }

    void subscriptionEndsWithItsContext()
    {
        FakeWorkspace workspace;
        WindowWatcher watcher(workspace);
        int calls = 0;
        {
            QObject context;
            watcher.subscribe(&context, [&](const WindowWatcher::Application&) { ++calls; });
        }
        workspace.activate(FakeWorkspace::application(30, QStringLiteral("a")));
        QSignalSpy published(&watcher, &WindowWatcher::activeAppChanged);
        QVERIFY(published.wait(1000));
        QCOMPARE(calls, 1);
    }
};

KELVARO_TEST_MAIN(WindowWatcherTest, QCoreApplication)
#include "tst_windowwatcher.moc"
