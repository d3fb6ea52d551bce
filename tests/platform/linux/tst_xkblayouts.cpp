#include "platform/linux/KeyboardLayoutRegistry.h"
#include "platform/linux/XkbKeymapLayouts.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QTest>

using platform::KeyboardLayoutRegistry;
using platform::XkbKeymapLayouts;

namespace {

// "de(nodeadkeys)", "us", or "-" for a group nothing was learnt about.
QString describe(const std::optional<XkbKeymapLayouts::LayoutName>& name)
{
    if (!name)
        return QStringLiteral("-");
    return name->variant.isEmpty() ? name->layout : QStringLiteral("%1(%2)").arg(name->layout, name->variant);
}

QStringList describe(const QList<std::optional<XkbKeymapLayouts::LayoutName>>& names)
{
    QStringList result;
    for (const auto& name : names)
        result.append(describe(name));
    return result;
}

} // namespace

class XkbLayoutsTest : public QObject {
    Q_OBJECT

private slots:
    void registryKnowsLayoutsAndVariants()
    {
        const KeyboardLayoutRegistry& registry = KeyboardLayoutRegistry::shared();
        QVERIFY(registry.isLoaded());

        const auto us = registry.find(QStringLiteral("us"), QString());
        QVERIFY(us);
        QCOMPARE(us->description, QStringLiteral("English (US)"));
        QCOMPARE(us->language, QStringLiteral("eng"));
        QCOMPARE(us->country, QStringLiteral("US"));

        const auto noDeadKeys = registry.find(QStringLiteral("de"), QStringLiteral("nodeadkeys"));
        QVERIFY(noDeadKeys);
        QCOMPARE(noDeadKeys->description, QStringLiteral("German (no dead keys)"));
        QCOMPARE(noDeadKeys->language, QStringLiteral("deu"));
        QCOMPARE(noDeadKeys->country, QStringLiteral("DE"));

        // A variant with a language of its own keeps it, not its layout's.
        const auto canadianEnglish = registry.find(QStringLiteral("ca"), QStringLiteral("eng"));
        QVERIFY(canadianEnglish);
        QCOMPARE(canadianEnglish->language, QStringLiteral("eng"));
        QCOMPARE(registry.find(QStringLiteral("ca"), QString())->language, QStringLiteral("fra"));

        // Only listed among the exotic rules.
        QVERIFY(registry.find(QStringLiteral("apl"), QStringLiteral("dyalog")));
    }

    void registryHasNothingForUnknownNames()
    {
        const KeyboardLayoutRegistry& registry = KeyboardLayoutRegistry::shared();
        QVERIFY(!registry.find(QStringLiteral("foo"), QString()));
        QVERIFY(!registry.find(QStringLiteral("de"), QStringLiteral("bogus")));
        QVERIFY(!registry.find(QString(), QStringLiteral("nodeadkeys")));
        // The lookup key must not let layout and variant run into each other.
        QVERIFY(!registry.find(QStringLiteral("de(nodeadkeys)"), QString()));
        QVERIFY(!registry.find(QStringLiteral("u"), QStringLiteral("s")));
    }

    void identifiersAreBuiltAndParsed()
    {
        QCOMPARE(KeyboardLayoutRegistry::inputSourceId(QStringLiteral("us"), QString(), QStringLiteral("eng")),
                 QStringLiteral("xkb:us::eng"));
        QCOMPARE(KeyboardLayoutRegistry::inputSourceId(QStringLiteral("de"), QStringLiteral("nodeadkeys"),
                                                       QStringLiteral("deu")),
                 QStringLiteral("xkb:de:nodeadkeys:deu"));
        QCOMPARE(KeyboardLayoutRegistry::inputSourceId(QStringLiteral("foo"), QString(), QString()),
                 QStringLiteral("xkb:foo::"));

        const auto parsed = KeyboardLayoutRegistry::parseInputSourceId(QStringLiteral("xkb:de:nodeadkeys:deu"));
        QVERIFY(parsed);
        QCOMPARE(parsed->layout, QStringLiteral("de"));
        QCOMPARE(parsed->variant, QStringLiteral("nodeadkeys"));

        const auto unknown = KeyboardLayoutRegistry::parseInputSourceId(QStringLiteral("xkb:foo::"));
        QVERIFY(unknown);
        QCOMPARE(unknown->layout, QStringLiteral("foo"));
        QVERIFY(unknown->variant.isEmpty());
    }

    void identifiersOfOtherFormsAreRejected_data()
    {
        QTest::addColumn<QString>("id");
        QTest::newRow("empty") << QString();
        QTest::newRow("prefix only") << QStringLiteral("xkb:");
        QTest::newRow("too few parts") << QStringLiteral("xkb:us:eng");
        QTest::newRow("too many parts") << QStringLiteral("xkb:us::eng:extra");
        QTest::newRow("no layout") << QStringLiteral("xkb::nodeadkeys:deu");
        QTest::newRow("other engine") << QStringLiteral("m17n:ar:kbd:ara");
        QTest::newRow("prefix case") << QStringLiteral("XKB:us::eng");
        QTest::newRow("macOS identifier") << QStringLiteral("com.apple.keylayout.US");
    }

    void identifiersOfOtherFormsAreRejected()
    {
        QFETCH(QString, id);
        QVERIFY(!KeyboardLayoutRegistry::parseInputSourceId(id));
    }

    void rulesNamesGiveOneLayoutPerGroup_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("layouts");   // empty: malformed
        const QString rules = QStringLiteral("evdev");
        const QString model = QStringLiteral("pc105");
        QTest::newRow("three layouts")
            << QStringList{rules, model, "us,de,ru", ",,", ""} << QStringList{"us", "de", "ru"};
        QTest::newRow("variants") << QStringList{rules, model, "us,de", ",nodeadkeys", "grp:alt_shift_toggle"}
                                  << QStringList{"us", "de(nodeadkeys)"};
        QTest::newRow("variants shorter") << QStringList{rules, model, "us,de,ru", "intl"}
                                          << QStringList{"us(intl)", "de", "ru"};
        QTest::newRow("no variant field") << QStringList{rules, model, "de"} << QStringList{"de"};
        QTest::newRow("no fields") << QStringList{} << QStringList{};
        QTest::newRow("empty value") << QStringList{""} << QStringList{};
        QTest::newRow("fewer fields") << QStringList{rules, model} << QStringList{};
        QTest::newRow("no layouts") << QStringList{rules, model, "", ""} << QStringList{};
        QTest::newRow("empty layout") << QStringList{rules, model, "us,,ru", ",,"} << QStringList{};
        QTest::newRow("more variants than layouts") << QStringList{rules, model, "us", ",nodeadkeys"} << QStringList{};
        QTest::newRow("garbage layout") << QStringList{rules, model, "us,d e", ""} << QStringList{};
        QTest::newRow("garbage variant") << QStringList{rules, model, "us,de", ",no:dead"} << QStringList{};
        QTest::newRow("control characters") << QStringList{rules, model, QStringLiteral("us\x01"), ""}
                                            << QStringList{};
    }

    void rulesNamesGiveOneLayoutPerGroup()
    {
        QFETCH(QStringList, fields);
        QFETCH(QStringList, layouts);
        const auto parsed = XkbKeymapLayouts::fromRulesNames(fields);
        if (layouts.isEmpty()) {
            QVERIFY(!parsed);
            return;
        }
        QVERIFY(parsed);
        QCOMPARE(describe(QList<std::optional<XkbKeymapLayouts::LayoutName>>(parsed->cbegin(), parsed->cend())),
                 layouts);
    }

    void symbolsNameGivesTheGroupsLayouts_data()
    {
        QTest::addColumn<QString>("symbols");
        QTest::addColumn<int>("groupCount");
        QTest::addColumn<QStringList>("layouts");
        QTest::newRow("three groups") << "pc+us+de(nodeadkeys):2+ru:3+inet(evdev)" << 3
                                      << QStringList{"us", "de(nodeadkeys)", "ru"};
        QTest::newRow("one group") << "pc+de+inet(evdev)" << 1 << QStringList{"de"};
        QTest::newRow("options after the layouts")
            << "pc+us+ru:2+inet(evdev)+group(alt_shift_toggle)+level3(ralt_switch)" << 2 << QStringList{"us", "ru"};
        QTest::newRow("first suffix wins") << "pc+us+ru:2+ctrl(nocaps):2" << 2 << QStringList{"us", "ru"};
        QTest::newRow("override merge") << "pc|us|de:2" << 2 << QStringList{"us", "de"};
        QTest::newRow("vendor folders") << "macintosh_vndr/apple(alukbd)+macintosh_vndr/us(mac)+fr:2" << 2
                                        << QStringList{"us(mac)", "fr"};
        QTest::newRow("group without a component") << "pc+us+ru:3" << 3 << QStringList{"us", "-", "ru"};
        QTest::newRow("suffix beyond the groups") << "pc+us+de:2+ru:5" << 2 << QStringList{"us", "de"};
        QTest::newRow("explicit first group") << "pc+us:1+de:2" << 2 << QStringList{"us", "de"};
        QTest::newRow("first layout missing") << "pc+de:2+inet(evdev)" << 2 << QStringList{"-", "de"};
        QTest::newRow("no base") << "us" << 1 << QStringList{"us"};
        QTest::newRow("empty") << "" << 2 << QStringList{"-", "-"};
        QTest::newRow("garbage") << "pc+u(s+de):x:2" << 2 << QStringList{"-", "-"};
        QTest::newRow("no groups") << "pc+us" << 0 << QStringList{};
    }

    void symbolsNameGivesTheGroupsLayouts()
    {
        QFETCH(QString, symbols);
        QFETCH(int, groupCount);
        QFETCH(QStringList, layouts);
        QCOMPARE(describe(XkbKeymapLayouts::fromSymbolsName(symbols, groupCount)), layouts);
    }
};

KELVARO_TEST_MAIN(XkbLayoutsTest, QCoreApplication)

#include "tst_xkblayouts.moc"
