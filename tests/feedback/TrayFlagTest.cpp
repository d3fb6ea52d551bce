#include "feedback/FlagEmoji.h"
#include "feedback/MenuBarIndicatorController.h"

#include "EngineOverFakes.h"
#include "TestRegistry.h"

#include <QTest>

namespace {

QString flag(const char (&country)[3])
{
    const char32_t symbols[] = {U'\U0001F1E6' + char32_t(country[0] - 'A'), U'\U0001F1E6' + char32_t(country[1] - 'A')};
    return QString::fromUcs4(symbols, 2);
}

} // namespace

// What the tray shows: the flag of the input source in use (the country of
// an XKB layout, keywords in any other identifier), following every change.
class TrayFlagTest : public QObject {
    Q_OBJECT

private slots:
    void flags_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("flag");
        const QString keyboard = QStringLiteral("\u2328\uFE0F");
        QTest::newRow("keyword in any case") << "COM.EXAMPLE.PinYin" << flag("CN");
        QTest::newRow("russian holds us: the earlier row wins") << "com.apple.keylayout.Russian" << flag("RU");
        QTest::newRow("no keyword") << "com.apple.keylayout.Hebrew" << keyboard;
        QTest::newRow("xkb: rus holds us") << "xkb:ru::rus" << flag("RU");
        QTest::newRow("xkb: a variant named us") << "xkb:lt:us:lit" << flag("LT");
        QTest::newRow("xkb: the registry's country") << "xkb:br::por" << flag("BR");
        QTest::newRow("xkb: a country code the registry lacks") << "xkb:fj::fij" << flag("FJ");
        QTest::newRow("xkb: custom holds us") << "xkb:custom::" << keyboard;
        QTest::newRow("fcitx5: a layout") << "keyboard-ru" << flag("RU");
        QTest::newRow("fcitx5: a variant named us") << "keyboard-lt-us" << flag("LT");
    }

    void flags()
    {
        QFETCH(QString, id);
        QFETCH(QString, flag);
        QCOMPARE(flagEmoji(id), flag);
    }

    // Windows brought to the front in quick succession: the first change at
    // once, then at most one redraw per interval, ending on the last.
    void aBurstOfChangesEndsOnTheLast()
    {
        EngineOverFakes fakes;
        MenuBarIndicatorController indicator(*fakes.inputSourceManager, UserDefaults::standard());
        QStringList shown;
        connect(&indicator, &MenuBarIndicatorController::currentInputSourceIconChanged, this,
                [&](const QString& icon) { shown << icon; });
        using Fakes = EngineOverFakes;
        for (const QString& id : {Fakes::kDE, Fakes::kRU, Fakes::kUS, Fakes::kRU}) {
            fakes.inputSources.changeCurrent(platform::FakeTextInputSources::entry(id, id));
            QCoreApplication::processEvents();
        }
        QCOMPARE(shown, QStringList{flag("DE")});
        QTRY_COMPARE(shown, (QStringList{flag("DE"), flag("RU")}));
        QTest::qWait(int(MenuBarIndicatorController::kRefreshInterval.count()) * 2);
        QCOMPARE(shown.size(), 2);
    }
};

KELVARO_TEST(TrayFlagTest)
#include "TrayFlagTest.moc"
