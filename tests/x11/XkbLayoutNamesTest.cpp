#include "platform/linux/KeyboardLayoutRegistry.h"
#include "platform/linux/XkbKeymapLayouts.h"

#include "TestRegistry.h"

#include <QTest>

using platform::KeyboardLayoutRegistry;
using platform::XkbKeymapLayouts;

// What names a layout where a keymap alone cannot: the system's layout
// registry, and the keymap's symbols name read when _XKB_RULES_NAMES cannot
// be trusted (the real keymaps' names are read in XkbInputSourcesTest).
class XkbLayoutNamesTest : public QObject {
    Q_OBJECT

private slots:
    void registryKeepsLayoutAndVariantApart()
    {
        const KeyboardLayoutRegistry& registry = KeyboardLayoutRegistry::shared();
        QVERIFY(registry.isLoaded());
        const auto language = [&](const QString& layout, const QString& variant) {
            return registry.find(layout, variant).value_or(platform::KeyboardLayoutInfo{}).language;
        };
        QCOMPARE(language("ca", "eng"), QStringLiteral("eng"));   // its own, not its layout's
        QCOMPARE(language("ca", ""), QStringLiteral("fra"));
        QVERIFY(registry.find("apl", "dyalog"));   // listed among the exotic rules only
        QVERIFY(!registry.find("u", "s"));
        QVERIFY(!registry.find("de(nodeadkeys)", ""));
        QVERIFY(!registry.find("", "nodeadkeys"));
    }

    void symbolsNameGivesEachGroupsLayout_data()
    {
        QTest::addColumn<QString>("symbols");
        QTest::addColumn<int>("groupCount");
        QTest::addColumn<QStringList>("layouts");   // "-": nothing learnt for the group
        QTest::newRow("first claim of a group wins") << "pc+us+ru:2+ctrl(nocaps):2" << 2 << QStringList{"us", "ru"};
        QTest::newRow("vendor folders") << "macintosh_vndr/apple(alukbd)+macintosh_vndr/us(mac)+fr:2" << 2
                                        << QStringList{"us(mac)", "fr"};
        QTest::newRow("groups without a layout") << "pc+de:2+ru:5" << 3 << QStringList{"-", "de", "-"};
        QTest::newRow("garbage") << "pc+u(s+de):x:2" << 2 << QStringList{"-", "-"};
    }

    void symbolsNameGivesEachGroupsLayout()
    {
        QFETCH(QString, symbols);
        QFETCH(int, groupCount);
        QFETCH(QStringList, layouts);
        QStringList found;
        for (const auto& name : XkbKeymapLayouts::fromSymbolsName(symbols, groupCount))
            found << (!name ? "-" : name->variant.isEmpty() ? name->layout : name->layout + '(' + name->variant + ')');
        QCOMPARE(found, layouts);
    }
};

KELVARO_TEST(XkbLayoutNamesTest)
#include "XkbLayoutNamesTest.moc"
