#include "FakeAccessibilityTrust.h"
#include "app/PermissionsManager.h"
#include "platform/linux/X11AccessibilityTrust.h"

#include "TestEnvironment.h"

#include <QSignalSpy>
#include <QTest>

class PermissionsManagerTest : public QObject {
    Q_OBJECT

private slots:
    void theAnswerIsPublishedOneTurnLater()
    {
        platform::FakeAccessibilityTrust trust;
        trust.trusted = true;
        PermissionsManager manager(trust);
        QCOMPARE(trust.queries, QList<bool>{false});
        QCOMPARE(manager.isAccessibilityTrusted(), false);
        QSignalSpy published(&manager, &PermissionsManager::isAccessibilityTrustedChanged);
        QVERIFY(published.wait(1000));
        QCOMPARE(manager.isAccessibilityTrusted(), true);
    }

    void pollingPublishesEveryTwoSecondsAndFollowsChanges()
    {
        platform::FakeAccessibilityTrust trust;
        PermissionsManager manager(trust);
        QSignalSpy published(&manager, &PermissionsManager::isAccessibilityTrustedChanged);
        QVERIFY(published.wait(1000));
        QCOMPARE(published.takeFirst().first().toBool(), false);

        trust.trusted = true;
        QVERIFY(published.wait(PermissionsManager::kPollInterval.count() + 1000));
        QCOMPARE(published.takeFirst().first().toBool(), true);
        // Unchanged answers are published as well.
        QVERIFY(published.wait(PermissionsManager::kPollInterval.count() + 1000));
        QCOMPARE(published.takeFirst().first().toBool(), true);
        QCOMPARE(trust.queries, (QList<bool>{false, false, false}));
    }

    void requestingPromptsAndOpensTheSettings()
    {
        platform::FakeAccessibilityTrust trust;
        trust.trusted = true;
        PermissionsManager manager(trust);
        manager.requestAccessibility();
        QCOMPARE(trust.queries, (QList<bool>{false, true}));
        QCOMPARE(trust.settingsOpened, 1);

        // Nothing to open: the trust is checked and published again at once.
        trust.hasSettings = false;
        QSignalSpy published(&manager, &PermissionsManager::isAccessibilityTrustedChanged);
        QVERIFY(published.wait(1000)); // the answer of creation
        manager.requestAccessibility();
        QCOMPARE(trust.queries, (QList<bool>{false, true, true, false}));
        QVERIFY(published.wait(1000));
    }

    void x11TrustsEveryProcess()
    {
        platform::X11AccessibilityTrust trust;
        PermissionsManager manager(trust);
        QTRY_COMPARE(manager.isAccessibilityTrusted(), true);
        manager.requestAccessibility(); // nothing to open, nothing to fail
        QCOMPARE(manager.isAccessibilityTrusted(), true);
    }
};

KELVARO_TEST_MAIN(PermissionsManagerTest, QCoreApplication)
#include "tst_permissionsmanager.moc"
