#include "feedback/FlagEmoji.h"

#include "TestRegistry.h"

#include <QTest>

namespace {

QString flag(const char (&country)[3])
{
    const char32_t symbols[] = {U'\U0001F1E6' + char32_t(country[0] - 'A'), U'\U0001F1E6' + char32_t(country[1] - 'A')};
    return QString::fromUcs4(symbols, 2);
}

} // namespace

// The flag of an input source: the country of an XKB layout, keywords in any
// other identifier.
class FlagEmojiTest : public QObject {
    Q_OBJECT

private slots:
    void flags_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("flag");
        const QString keyboard = QStringLiteral("\u2328\uFE0F");
        QTest::newRow("keyword in any case") << "COM.EXAMPLE.PinYin" << flag("CN");
        QTest::newRow("russian holds us: the earlier row wins") << "com.apple.keylayout.Russian" << flag("RU");
        QTest::newRow("us inside a longer word") << "org.example.Status" << flag("US");
        QTest::newRow("no keyword") << "com.apple.keylayout.Hebrew" << keyboard;
        QTest::newRow("xkb: rus holds us") << "xkb:ru::rus" << flag("RU");
        QTest::newRow("xkb: a variant named us") << "xkb:lt:us:lit" << flag("LT");
        QTest::newRow("xkb: the registry's country") << "xkb:br::por" << flag("BR");
        QTest::newRow("xkb: a country code the registry lacks") << "xkb:fj::fij" << flag("FJ");
        QTest::newRow("xkb: custom holds us") << "xkb:custom::" << keyboard;
        QTest::newRow("xkb: a keyword as layout") << "xkb:chinese::zho" << keyboard;
    }

    void flags()
    {
        QFETCH(QString, id);
        QFETCH(QString, flag);
        QCOMPARE(flagEmoji(id), flag);
    }
};

KELVARO_TEST(FlagEmojiTest)
#include "FlagEmojiTest.moc"
