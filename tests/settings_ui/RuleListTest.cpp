#include "settings_ui/EditRuleView.h"
#include "settings_ui/RuleListView.h"

#include "EngineOverFakes.h"
#include "TestRegistry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

AppRule rule(const QString& bundleID, const QString& source, bool enabled = true)
{
    AppRule made = AppRule::create(bundleID, bundleID.section('.', -1), source);
    made.isEnabled = enabled;
    return made;
}

} // namespace

// The rule list page and the edit sheet it opens, over the engine on fakes.
class RuleListTest : public QObject {
    Q_OBJECT

    std::unique_ptr<EngineOverFakes> m_fakes;
    std::unique_ptr<RuleListView> m_page;

    RuleEngine& engine() { return *m_fakes->engine; }
    QListWidget& list() { return *m_page->list(); }

    void show(const QList<AppRule>& rules)
    {
        engine().setRules(rules);
        m_page = std::make_unique<RuleListView>(engine(), *m_fakes->inputSourceManager, m_fakes->workspace);
        m_page->resize(600, 400);
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    }

    EditRuleView* editSheet() { return qobject_cast<EditRuleView*>(m_page->sheet()); }

    // Clicks the row's blank space, between the names and the arrow.
    void clickRow(int row)
    {
        const QRect area = list().visualItemRect(list().item(row));
        QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, QPoint(area.width() / 2, area.center().y()));
    }

private slots:
    void init() { m_fakes = std::make_unique<EngineOverFakes>(); }
    void cleanup() { m_page.reset(); m_fakes.reset(); }

    void countsTheRules_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("footer");
        QTest::newRow("none") << 0 << "0 Rules";
        QTest::newRow("one") << 1 << "1 Rule";
        QTest::newRow("two") << 2 << "2 Rules";
    }

    void countsTheRules()
    {
        QFETCH(int, count);
        QFETCH(QString, footer);
        QList<AppRule> rules;
        for (int i = 0; i < count; ++i)
            rules << rule(QStringLiteral("org.example.App%1").arg(i), i == 1 ? QStringLiteral("xkb:fr::fra") : EngineOverFakes::kDE);
        show(rules);
        const auto labels = m_page->findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [&](QLabel* l) { return l->text() == footer && l->isVisible(); }));
        QCOMPARE(list().isVisible(), count > 0);
        QCOMPARE(list().count(), count);
        // A source that is not enabled: its identifier, with a warning.
        for (int row = 0; row < count; ++row) {
            const QWidget* shown = list().itemWidget(list().item(row));
            QCOMPARE(shown->findChild<QLabel*>("inputSourceBadge")->text(), row == 1 ? "xkb:fr::fra" : "German");
            const auto marks = shown->findChildren<QLabel*>();
            QCOMPARE(std::count_if(marks.cbegin(), marks.cend(), [](QLabel* l) { return !l->toolTip().isEmpty(); }),
                     row == 1 ? 1 : 0);
        }
        // Deleting the last rule shows the empty state at once.
        if (count == 1) {
            list().setCurrentRow(0);
            QTest::keyClick(&list(), Qt::Key_Delete);
            QVERIFY(!list().isVisible());
        }
    }

    // Row 1 is edited. Two rules for one application (a restore may bring
    // them): saving the second changes the second, the first keeps its id.
    void aClickOnARowEditsItAndSaveKeepsItsPlace_data()
    {
        QTest::addColumn<QList<AppRule>>("rules");
        QTest::newRow("three applications") << QList<AppRule>{rule("org.example.Editor", EngineOverFakes::kUS),
                                                                rule("org.example.Mail", EngineOverFakes::kDE, false),
                                                                rule("org.example.Shell", EngineOverFakes::kUS)};
        QTest::newRow("two rules for one application") << QList<AppRule>{rule("org.example.Editor", EngineOverFakes::kUS),
                                                                          rule("org.example.Editor", EngineOverFakes::kDE)};
    }

    void aClickOnARowEditsItAndSaveKeepsItsPlace()
    {
        QFETCH(QList<AppRule>, rules);
        show(rules);
        // Keyboard navigation selects without opening.
        list().setFocus();
        QTest::keyClick(&list(), Qt::Key_Down);
        QVERIFY(!m_page->sheet());
        clickRow(1);
        QVERIFY(editSheet());
        QCOMPARE(editSheet()->inputSourcePicker()->currentData().toString(), EngineOverFakes::kDE);
        QCOMPARE(editSheet()->enabledSwitch()->isChecked(), rules[1].isEnabled);
        editSheet()->inputSourcePicker()->setCurrentIndex(2);
        editSheet()->enabledSwitch()->setChecked(true);
        editSheet()->saveButton()->click();
        QTRY_VERIFY(!m_page->sheet());
        rules[1].targetInputSourceID = EngineOverFakes::kRU;
        rules[1].isEnabled = true;
        QCOMPARE(engine().rules(), rules);
    }

    void deletesFromTheSheetAndWithTheDeleteKey_data()
    {
        QTest::addColumn<bool>("fromSheet");
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("sheet") << true << QList<int>{1};
        QTest::newRow("Delete key, two rows") << false << QList<int>{0, 2};
    }

    void deletesFromTheSheetAndWithTheDeleteKey()
    {
        QFETCH(bool, fromSheet);
        QFETCH(QList<int>, rows);
        const QList<AppRule> rules{rule("org.example.A", EngineOverFakes::kUS), rule("org.example.B", EngineOverFakes::kDE),
                                   rule("org.example.C", "xkb:fr::fra")};
        show(rules);
        if (fromSheet) {
            clickRow(rows.first());
            editSheet()->deleteButton()->click();
        } else {
            for (int row : rows)
                list().item(row)->setSelected(true);
            QTest::keyClick(&list(), Qt::Key_Delete);
        }
        QList<AppRule> left = rules;
        for (auto row = rows.crbegin(); row != rows.crend(); ++row)
            left.removeAt(*row);
        QCOMPARE(engine().rules(), left);
        QCOMPARE(list().count(), left.size());
    }
};

KELVARO_TEST(RuleListTest)
#include "RuleListTest.moc"
