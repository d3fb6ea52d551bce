#include "feedback/FlagEmoji.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QTest>

#include <thread>
#include <vector>

namespace {

// The regional indicator pair of a country code.
QString flag(const char (&country)[3])
{
    const char32_t symbols[] = {U'\U0001F1E6' + char32_t(country[0] - 'A'), U'\U0001F1E6' + char32_t(country[1] - 'A')};
    return QString::fromUcs4(symbols, 2);
}

const QString keyboard = QStringLiteral("\u2328\uFE0F");

} // namespace

class FlagEmojiTest : public QObject {
    Q_OBJECT

private slots:
    // First, so that these threads are the ones that load the layout registry.
    void layoutFlagsFromSeveralThreadsAtOnce()
    {
        const QStringList ids{"xkb:de::deu", "xkb:ru::rus", "xkb:us::eng"};
        const QStringList expected{flag("DE"), flag("RU"), flag("US")};
        std::vector<QStringList> results(6);
        std::vector<std::thread> threads;
        for (QStringList& result : results) {
            threads.emplace_back([&ids, &result] {
                for (const QString& id : ids)
                    result.append(flagEmoji(id));
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        for (const QStringList& result : results)
            QCOMPARE(result, expected);
    }

    void flags_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("flag");
        QTest::newRow("chinese") << "com.apple.inputmethod.SCIM.ITABC.Chinese" << flag("CN");
        QTest::newRow("pinyin, upper case") << "COM.EXAMPLE.PINYIN" << flag("CN");
        QTest::newRow("pinyin, mixed case") << "com.example.PinYin" << flag("CN");
        QTest::newRow("sougou") << "com.sogou.inputmethod.sougou" << flag("CN");
        QTest::newRow("hiragana") << "com.example.Hiragana" << flag("JP");
        QTest::newRow("hangul") << "org.example.Hangul" << flag("KR");
        QTest::newRow("german") << "com.apple.keylayout.German" << flag("DE");
        QTest::newRow("french") << "com.apple.keylayout.French" << flag("FR");
        QTest::newRow("spanish") << "com.apple.keylayout.Spanish-ISO" << flag("ES");
        QTest::newRow("portuguese") << "com.apple.keylayout.Portuguese" << flag("PT");
        QTest::newRow("abc, any case") << "com.apple.keylayout.aBc" << flag("US");
        QTest::newRow("english") << "org.example.English" << flag("US");
        QTest::newRow("us inside a longer word") << "org.example.Status" << flag("US");
        // An earlier row wins over a later keyword in the identifier.
        QTest::newRow("russian holds us") << "com.apple.keylayout.Russian" << flag("RU");
        QTest::newRow("japanese and us") << "com.example.japanese.us" << flag("JP");
        QTest::newRow("no keyword") << "com.apple.keylayout.Hebrew" << keyboard;
        QTest::newRow("empty") << "" << keyboard;

        // XKB identifiers: the country of the layout, never a keyword inside.
        QTest::newRow("xkb variant") << "xkb:de:nodeadkeys:deu" << flag("DE");
        QTest::newRow("xkb unknown variant") << "xkb:de:bogus:deu" << flag("DE");
        QTest::newRow("xkb rus holds us") << "xkb:ru::rus" << flag("RU");
        QTest::newRow("xkb us variant") << "xkb:lt:us:lit" << flag("LT");
        QTest::newRow("xkb british") << "xkb:gb::eng" << flag("GB");
        QTest::newRow("xkb brazilian") << "xkb:br::por" << flag("BR");
        QTest::newRow("xkb country code unknown to the registry") << "xkb:fj::fij" << flag("FJ");
        QTest::newRow("xkb custom holds us") << "xkb:custom::" << keyboard;
        QTest::newRow("xkb keyword as layout") << "xkb:chinese::zho" << keyboard;
        QTest::newRow("xkb no country") << "xkb:epo::epo" << keyboard;
        QTest::newRow("xkb two letters, no country") << "xkb:xx::" << keyboard;
        // Not the four-part form: read like any other identifier.
        QTest::newRow("short xkb form") << "xkb:ru:rus" << flag("US");
        QTest::newRow("xkb form without layout") << "xkb::russian:" << flag("RU");
    }

    void flags()
    {
        QFETCH(QString, id);
        QFETCH(QString, flag);
        QCOMPARE(flagEmoji(id), flag);
    }
};

KELVARO_TEST_MAIN(FlagEmojiTest, QCoreApplication)

#include "tst_flagemoji.moc"
