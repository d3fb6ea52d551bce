#include "FakeTextInputSources.h"
#include "core/InputSourceManager.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QSignalSpy>
#include <QTest>

using platform::FakeTextInputSources;
using platform::PlatformInputSource;

class InputSourceManagerTest : public QObject {
    Q_OBJECT

private:
    static PlatformInputSource entry(const QString& id, const QString& name, std::optional<bool> selectCapable = {})
    {
        return FakeTextInputSources::entry(id, name, selectCapable);
    }

private slots:
    void loadingKeepsOrderAndFillsGaps()
    {
        FakeTextInputSources platform;
        PlatformInputSource withIcon = entry(QStringLiteral("xkb:ru::rus"), QStringLiteral("Russian"));
        withIcon.iconUrl = QUrl::fromLocalFile(QStringLiteral("/icons/ru.png"));
        PlatformInputSource nameless;
        nameless.id = QStringLiteral("xkb:foo::");
        PlatformInputSource idless;
        idless.localizedName = QStringLiteral("No identifier");
        platform.entries = QList<PlatformInputSource>{
            entry(QStringLiteral("xkb:us::eng"), QStringLiteral("English (US)"), true),
            entry(QStringLiteral("xkb:de::deu"), QStringLiteral("German"), false),
            idless,
            withIcon,
            nameless,
        };

        LogCapture log;
        const InputSourceManager manager(platform);

        const QList<InputSource> expected{
            {QStringLiteral("xkb:us::eng"), QStringLiteral("English (US)"), std::nullopt},
            {QStringLiteral("xkb:ru::rus"), QStringLiteral("Russian"), QUrl::fromLocalFile(QStringLiteral("/icons/ru.png"))},
            {QStringLiteral("xkb:foo::"), QStringLiteral("Unknown"), std::nullopt},
        };
        QCOMPARE(manager.installedInputSources(), expected);
        QCOMPARE(log.infos(), QStringList{QStringLiteral("Loaded 3 input sources")});
        QVERIFY(log.errors().isEmpty());
    }

    void eachLoadIsOneNotification()
    {
        FakeTextInputSources platform;
        platform.entries = QList<PlatformInputSource>{};
        LogCapture log;
        InputSourceManager manager(platform);
        QCOMPARE(log.infos(), QStringList{QStringLiteral("Loaded 0 input sources")});

        QSignalSpy changed(&manager, &InputSourceManager::installedInputSourcesChanged);
        platform.entries = QList<PlatformInputSource>{entry(QStringLiteral("a"), QStringLiteral("A")),
                                                      entry(QStringLiteral("b"), QStringLiteral("B"))};
        manager.loadInputSources();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().value<QList<InputSource>>().size(), 2);
        manager.loadInputSources();
        QCOMPARE(changed.count(), 2); // an unchanged list is announced as well
    }

    void missingPlatformListKeepsThePreviousList()
    {
        FakeTextInputSources platform;
        LogCapture log;
        InputSourceManager manager(platform);
        QVERIFY(manager.installedInputSources().isEmpty());
        QCOMPARE(log.errors(), QStringList{QStringLiteral("Failed to get input source list")});
        QVERIFY(log.infos().isEmpty());

        platform.entries = QList<PlatformInputSource>{entry(QStringLiteral("a"), QStringLiteral("A"))};
        manager.loadInputSources();
        platform.entries.reset();
        QSignalSpy changed(&manager, &InputSourceManager::installedInputSourcesChanged);
        manager.loadInputSources();
        QCOMPARE(changed.count(), 0);
        QCOMPARE(manager.installedInputSources().size(), 1);
    }

    void namesComeFromTheLoadedListOnly()
    {
        FakeTextInputSources platform;
        platform.entries = QList<PlatformInputSource>{entry(QStringLiteral("xkb:de::deu"), QStringLiteral("German"))};
        const InputSourceManager manager(platform);
        platform.entries->append(entry(QStringLiteral("xkb:ru::rus"), QStringLiteral("Russian")));

        QCOMPARE(manager.getInputSourceName(QStringLiteral("xkb:de::deu")), QStringLiteral("German"));
        QCOMPARE(manager.getInputSourceName(QStringLiteral("xkb:ru::rus")), QStringLiteral("xkb:ru::rus"));
        QCOMPARE(manager.getInputSourceName(QStringLiteral("XKB:DE::DEU")), QStringLiteral("XKB:DE::DEU"));
        QCOMPARE(manager.getInputSourceName(QString()), QString());
    }

    void currentSourceNeedsAnIdentifier()
    {
        FakeTextInputSources platform;
        platform.entries = QList<PlatformInputSource>{};
        const InputSourceManager manager(platform);
        QCOMPARE(manager.getCurrentInputSource(), std::nullopt);

        platform.current = PlatformInputSource{};
        platform.current->localizedName = QStringLiteral("Nameless id");
        QCOMPARE(manager.getCurrentInputSource(), std::nullopt);

        // Not select-capable and without a name: still the current source.
        platform.current = PlatformInputSource{};
        platform.current->id = QStringLiteral("xkb:ru::rus");
        platform.current->isSelectCapable = false;
        const auto current = manager.getCurrentInputSource();
        QVERIFY(current);
        QCOMPARE(current->id, QStringLiteral("xkb:ru::rus"));
        QCOMPARE(current->name, QStringLiteral("Unknown"));
    }

    void selectionAsksThePlatformAfresh()
    {
        FakeTextInputSources platform;
        platform.entries = QList<PlatformInputSource>{entry(QStringLiteral("xkb:us::eng"), QStringLiteral("English"))};
        InputSourceManager manager(platform);
        const int requestsAfterLoading = platform.listRequests;

        // Enabled after loading: not listed, but selectable.
        platform.entries->append(entry(QStringLiteral("xkb:de::deu"), QStringLiteral("German")));
        QVERIFY(manager.selectInputSource(QStringLiteral("xkb:de::deu")));
        QCOMPARE(platform.listRequests, requestsAfterLoading + 1);
        QCOMPARE(platform.selected.last().id, QStringLiteral("xkb:de::deu"));

        // Selecting the current source again is an ordinary success.
        QVERIFY(manager.selectInputSource(QStringLiteral("xkb:de::deu")));
        QCOMPARE(platform.selected.size(), 2);

        // Disabled after loading: still listed, but selection fails without a platform call.
        platform.entries->removeFirst();
        QVERIFY(!manager.selectInputSource(QStringLiteral("xkb:us::eng")));
        QCOMPARE(platform.selected.size(), 2);
        QCOMPARE(manager.installedInputSources().size(), 1);
    }

    void selectionTriesTheFirstMatchOnlyAndReportsTheVerdict()
    {
        FakeTextInputSources platform;
        PlatformInputSource idless;
        PlatformInputSource first = entry(QStringLiteral("xkb:ru::rus"), QStringLiteral("Russian"), false);
        first.handle = 1;
        PlatformInputSource second = entry(QStringLiteral("xkb:ru::rus"), QStringLiteral("Russian"));
        second.handle = 2;
        platform.entries = QList<PlatformInputSource>{idless, first, second};
        InputSourceManager manager(platform);

        // Not select-capable, yet selection is attempted.
        QVERIFY(manager.selectInputSource(QStringLiteral("xkb:ru::rus")));
        QCOMPARE(platform.selected.size(), 1);
        QCOMPARE(platform.selected.first().handle, 1);

        platform.selectStatus = platform::TextInputSources::kStatusFailed;
        QVERIFY(!manager.selectInputSource(QStringLiteral("xkb:ru::rus")));
        QCOMPARE(platform.selected.size(), 2); // no second candidate after a failure

        platform.entries.reset();
        platform.selectStatus = platform::TextInputSources::kStatusOk;
        QVERIFY(!manager.selectInputSource(QStringLiteral("xkb:ru::rus")));
        QCOMPARE(platform.selected.size(), 2);
    }
};

KELVARO_TEST_MAIN(InputSourceManagerTest, QCoreApplication)
#include "tst_inputsourcemanager.moc"
