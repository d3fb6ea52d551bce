#include "core/AppRule.h"
#include "core/AppRuleJson.h"
#include "core/InputSource.h"

#include "TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

class AppRuleTest : public QObject {
    Q_OBJECT

private:
    static AppRule sampleRule()
    {
        return AppRule{QUuid::fromString(QStringLiteral("6f1c2b9a-04d3-4e8b-9a51-7c2e3f4d5a6b")),
                       QStringLiteral("org.gnome.Terminal"), QStringLiteral("Terminal"),
                       QStringLiteral("xkb:us::eng"), true};
    }

    static QByteArray ruleObject(const QString& members)
    {
        return QStringLiteral("[{%1}]").arg(members).toUtf8();
    }

private slots:
    void createdRulesAreEnabledWithFreshIds()
    {
        const AppRule a = AppRule::create(QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("xkb:de::deu"));
        const AppRule b = AppRule::create(QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("xkb:de::deu"));
        QVERIFY(a.isEnabled);
        QCOMPARE(a.id.version(), QUuid::Random);
        QVERIFY(a.id != b.id);
        QVERIFY(a != b);
    }

    void equalityCoversEveryField()
    {
        const AppRule rule = sampleRule();
        AppRule other = rule;
        QCOMPARE(other, rule);
        other.targetInputSourceID = QStringLiteral("xkb:ru::rus");
        QVERIFY(other != rule); // same id, different target
        other = rule;
        other.isEnabled = false;
        QVERIFY(other != rule);
        other = rule;
        other.appName = QStringLiteral("Console");
        QVERIFY(other != rule);
    }

    void roundTripKeepsEveryFieldAndOrder()
    {
        AppRule second = AppRule::create(QStringLiteral("org.mozilla.firefox"), QStringLiteral("Firefox \"Nightly\" ✓"),
                                         QStringLiteral("xkb:de:nodeadkeys:deu"));
        second.isEnabled = false;
        const QList<AppRule> rules{sampleRule(), second};
        const auto decoded = AppRuleJson::decode(AppRuleJson::encode(rules));
        QVERIFY(decoded);
        QCOMPARE(*decoded, rules);
        QCOMPARE(AppRuleJson::decode(AppRuleJson::encode({})), QList<AppRule>());
    }

    void writesCompactMembersInDeclarationOrderWithUpperCaseId()
    {
        QCOMPARE(AppRuleJson::encode({sampleRule()}),
                 QByteArray(R"([{"id":"6F1C2B9A-04D3-4E8B-9A51-7C2E3F4D5A6B","appBundleID":"org.gnome.Terminal",)"
                            R"("appName":"Terminal","targetInputSourceID":"xkb:us::eng","isEnabled":true}])"));
    }

    void escapesForwardSlashesAndReadsBothForms()
    {
        AppRule rule = sampleRule();
        rule.appBundleID = QStringLiteral("/opt/tools/editor");
        const QByteArray json = AppRuleJson::encode({rule});
        QVERIFY(json.contains(R"("appBundleID":"\/opt\/tools\/editor")"));
        QCOMPARE(AppRuleJson::decode(json)->first(), rule);
        QCOMPARE(AppRuleJson::decode(QByteArray(json).replace("\\/", "/"))->first(), rule);
    }

    void readsAnyMemberOrderEitherCaseAndIgnoresUnknownMembers()
    {
        const auto decoded = AppRuleJson::decode(ruleObject(QStringLiteral(
            R"("isEnabled":false,"extra":{"nested":[1,2]},"targetInputSourceID":"t","appName":"n",)"
            R"("appBundleID":"b","id":"6f1c2b9a-04d3-4e8b-9a51-7c2e3f4d5a6b")")));
        QVERIFY(decoded);
        QCOMPARE(decoded->size(), 1);
        const AppRule& rule = decoded->first();
        QCOMPARE(rule.id, sampleRule().id);
        QCOMPARE(rule.appBundleID, QStringLiteral("b"));
        QCOMPARE(rule.appName, QStringLiteral("n"));
        QCOMPARE(rule.targetInputSourceID, QStringLiteral("t"));
        QCOMPARE(rule.isEnabled, false);
    }

    void oneBadElementFailsTheWholeArray_data()
    {
        QTest::addColumn<QByteArray>("json");
        const QString good = QStringLiteral(R"({"id":"6F1C2B9A-04D3-4E8B-9A51-7C2E3F4D5A6B","appBundleID":"a",)"
                                            R"("appName":"A","targetInputSourceID":"t","isEnabled":true})");
        auto withSecond = [&](const QString& second) { return QStringLiteral("[%1,%2]").arg(good, second).toUtf8(); };
        QTest::newRow("missing isEnabled")
            << withSecond(R"({"id":"6F1C2B9A-04D3-4E8B-9A51-7C2E3F4D5A6C","appBundleID":"b","appName":"B","targetInputSourceID":"t"})");
        QTest::newRow("missing id")
            << withSecond(R"({"appBundleID":"b","appName":"B","targetInputSourceID":"t","isEnabled":true})");
        QTest::newRow("isEnabled as number")
            << withSecond(R"({"id":"6F1C2B9A-04D3-4E8B-9A51-7C2E3F4D5A6C","appBundleID":"b","appName":"B","targetInputSourceID":"t","isEnabled":1})");
        QTest::newRow("appName null")
            << withSecond(R"({"id":"6F1C2B9A-04D3-4E8B-9A51-7C2E3F4D5A6C","appBundleID":"b","appName":null,"targetInputSourceID":"t","isEnabled":true})");
        QTest::newRow("id with braces")
            << withSecond(R"({"id":"{6F1C2B9A-04D3-4E8B-9A51-7C2E3F4D5A6C}","appBundleID":"b","appName":"B","targetInputSourceID":"t","isEnabled":true})");
        QTest::newRow("id without hyphens")
            << withSecond(R"({"id":"6F1C2B9A04D34E8B9A517C2E3F4D5A6C","appBundleID":"b","appName":"B","targetInputSourceID":"t","isEnabled":true})");
        QTest::newRow("id not hex")
            << withSecond(R"({"id":"6F1C2B9A-04D3-4E8B-9A51-7C2E3F4D5AXZ","appBundleID":"b","appName":"B","targetInputSourceID":"t","isEnabled":true})");
        QTest::newRow("element not an object") << withSecond(QStringLiteral("\"rule\""));
        QTest::newRow("top level object") << good.toUtf8();
        QTest::newRow("truncated") << withSecond(QString()).left(40);
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("invalid UTF-8") << QByteArray("[{\"id\":\"\xff\xfe\"}]");
    }

    void oneBadElementFailsTheWholeArray()
    {
        QFETCH(QByteArray, json);
        QString error;
        QVERIFY(!AppRuleJson::decode(json, &error));
        QVERIFY2(!error.isEmpty(), "a failed decoding says why");
    }

    void encodedJsonIsReadableByOtherParsers()
    {
        AppRule rule = sampleRule();
        rule.appName = QStringLiteral("Tab\there, quote \" and backslash \\, bell \a, newline \n and 日本語");
        const QJsonDocument document = QJsonDocument::fromJson(AppRuleJson::encode({rule}));
        QVERIFY(document.isArray());
        QCOMPARE(document.array().first().toObject().value(QStringLiteral("appName")).toString(), rule.appName);
    }

    void inputSourceEqualityAndHashCoverTheIcon()
    {
        const InputSource plain{QStringLiteral("xkb:us::eng"), QStringLiteral("English (US)"), std::nullopt};
        InputSource withIcon = plain;
        withIcon.iconURL = QUrl::fromLocalFile(QStringLiteral("/usr/share/icons/us.png"));
        QVERIFY(plain != withIcon);
        QVERIFY(qHash(plain, 0) != qHash(withIcon, 0));
        InputSource emptyIcon = plain;
        emptyIcon.iconURL = QUrl();
        QVERIFY(plain != emptyIcon);
        QVERIFY(qHash(plain, 0) != qHash(emptyIcon, 0));
        QCOMPARE(qHash(withIcon, 7), qHash(InputSource(withIcon), 7));
        QSet<InputSource> set{plain, withIcon, plain};
        QCOMPARE(set.size(), 2);
    }
};

KELVARO_TEST_MAIN(AppRuleTest, QCoreApplication)
#include "tst_apprule.moc"
