#include "localization/LocalizationManager.h"
#include "settings/ApplicationVersion.h"
#include "settings_ui/AboutView.h"
#include "settings_ui/AddRuleView.h"
#include "settings_ui/AppIconView.h"
#include "settings_ui/LaunchAtLoginManager.h"
#include "settings_ui/PermissionsManager.h"
#include "settings_ui/RuleListView.h"
#include "settings_ui/SettingsView.h"
#include "settings_ui/UpdateDialog.h"

#include "EngineOverFakes.h"
#include "FakeAccessibilityTrust.h"
#include "FakeLoginItems.h"
#include "FakeShellExtension.h"
#include "LogCapture.h"
#include "TestRegistry.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

// Every text the visible windows show: titles, labels, buttons, group
// titles, pickers' choices, tool tips and accessible names.
QStringList visibleTexts()
{
    QStringList texts;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        QList<QWidget*> widgets = window->findChildren<QWidget*>();
        widgets << window;
        for (QWidget* widget : std::as_const(widgets)) {
            for (const char* property : {"windowTitle", "text", "title", "currentText", "toolTip", "accessibleName"})
                texts << (widget->isVisible() ? widget->property(property).toString() : QString());
        }
    }
    texts.removeAll(QString());
    return texts;
}

// The texts that have a translation other than themselves.
QStringList translatable(const QStringList& texts)
{
    QStringList found;
    std::copy_if(texts.cbegin(), texts.cend(), std::back_inserter(found), [](const QString& t) { return localized(t) != t; });
    return found;
}

} // namespace

// The settings window around its pages, the about page and application icons.
class SettingsWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<EngineOverFakes> m_fakes;
    platform::FakeAccessibilityTrust m_trust;
    std::unique_ptr<PermissionsManager> m_permissions;
    platform::FakeShellExtension m_extension;
    platform::FakeLoginItems m_login;
    LaunchAtLoginManager m_launch{m_login};
    std::unique_ptr<SettingsView> m_window;
    QList<QUrl> m_links;   // handed to the browser

    SettingsView& open()
    {
        m_permissions = std::make_unique<PermissionsManager>(m_trust);
        m_window = std::make_unique<SettingsView>(SettingsView::Services{
            *m_fakes->engine, *m_fakes->inputSourceManager, *m_permissions, m_extension, m_fakes->workspace, m_launch});
        m_window->show();
        [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(m_window.get());
        return *m_window;
    }

public slots:
    void openLink(const QUrl& link) { m_links << link; }

private slots:
    void init() { m_fakes = std::make_unique<EngineOverFakes>(); }
    void cleanup()
    {
        m_window.reset(), m_permissions.reset(), m_fakes.reset();
        m_extension.current = platform::ShellExtension::State::NotNeeded, m_extension.enableCalls = 0;
        LocalizationManager::shared().setLanguage("system", false);
    }

    void opensOnTheRuleListWithTheBannerWhileUntrusted()
    {
        m_trust.trusted = false;
        SettingsView& window = open();
        QCOMPARE(window.sidebar()->currentRow(), -1);
        QCOMPARE(window.currentPage(), window.ruleList());
        QVERIFY(window.banner()->isVisible());
        const auto labels = window.findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [](QLabel* l) { return l->text() == "v" + applicationShortVersion(); }));
        m_trust.trusted = true;
        m_permissions->checkAccessibility();
        QTRY_VERIFY(!window.banner()->isVisible());
        window.sidebar()->setCurrentRow(3);
        QVERIFY(qobject_cast<AboutView*>(window.currentPage()));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(window.sidebar(), Qt::Key_W, Qt::ControlModifier);
        QVERIFY(!window.isVisible());
    }

    // Without its shell extension Kelvaro switches nothing: that need comes
    // before the accessibility one, and the open window follows it.
    void theBannerPutsTheShellExtensionFirst_data()
    {
        using State = platform::ShellExtension::State;
        QTest::addColumn<State>("state");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("button");   // empty: none
        QTest::newRow("turned off") << State::NeedsEnabling
            << "Kelvaro's GNOME Shell extension is turned off, so no input source is switched." << "Turn On";
        QTest::newRow("needs login") << State::NeedsLogin << "Log out and log in again so that GNOME Shell starts "
                                                             "Kelvaro's extension; until then no input source is switched." << "";
        QTest::newRow("failed") << State::Failed
            << "GNOME Shell is not running Kelvaro's extension, so no input source is switched." << "";
    }

    void theBannerPutsTheShellExtensionFirst()
    {
        QFETCH(platform::ShellExtension::State, state);
        QFETCH(QString, text);
        QFETCH(QString, button);
        LocalizationManager::shared().setLanguage("en", false);
        m_trust.trusted = false;
        SettingsView& window = open();
        const auto shows = [&](const QString& wanted) {
            const auto labels = window.banner()->findChildren<QLabel*>();
            return window.banner()->isVisible()
                && std::any_of(labels.cbegin(), labels.cend(), [&](QLabel* l) { return l->text() == wanted; });
        };
        m_extension.setState(state);
        QVERIFY(shows(text));
        auto* turnOn = window.banner()->findChild<QPushButton*>();
        QCOMPARE(turnOn->isVisible() ? turnOn->text() : QString(), button);
        if (turnOn->isVisible())
            QTest::mouseClick(turnOn, Qt::LeftButton);
        QCOMPARE(m_extension.enableCalls, button.isEmpty() ? 0 : 1);
        LocalizationManager::shared().setLanguage("de", false);
        QVERIFY(localized(text) != text && shows(localized(text)));
        QVERIFY(window.banner()->minimumSizeHint().width() <= window.minimumWidth());
        m_trust.trusted = true;
        m_permissions->checkAccessibility();
        QTRY_VERIFY(m_permissions->isAccessibilityTrusted());
        QVERIFY(shows(localized(text)));
        m_extension.setState(platform::ShellExtension::State::Ready);
        QVERIFY(!window.banner()->isVisible());
    }

    void theSupportLinkGoesToTheBrowserAfterALogLine()
    {
        QDesktopServices::setUrlHandler("https", this, "openLink");
        const LogCapture log;
        AboutView::contactSupport();
        QDesktopServices::unsetUrlHandler("https");
        QCOMPARE(m_links.size(), 1);
        QVERIFY(m_links.first().toString(QUrl::FullyEncoded).endsWith("&su=Kelvaro%20Support"));
        QVERIFY(log.messages().constFirst().endsWith(m_links.first().toString(QUrl::FullyEncoded)));
        QCOMPARE(AboutView::versionText(), "v" + applicationShortVersion() + " (1)");
    }

    void iconsComeFromInstalledThenRunningApplications_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QColor>("colour");   // of the icon; invalid: the symbol is drawn
        QTest::newRow("installed and running") << true << true << QColor(Qt::red);
        QTest::newRow("running only") << false << true << QColor(Qt::blue);
        QTest::newRow("neither") << false << false << QColor();
    }

    void iconsComeFromInstalledThenRunningApplications()
    {
        QFETCH(bool, installed);
        QFETCH(bool, running);
        QFETCH(QColor, colour);
        const QString file = QDir::home().filePath("icon.png");
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(file));
        if (installed)
            m_fakes->workspace.installed = {{"org.example.Editor", "/apps/org.example.Editor.desktop", "Editor", file}};
        platform::RunningApplication application = platform::FakeWorkspace::application(5, "org.example.Editor");
        image.fill(Qt::blue);
        application.windowIcon = image;
        if (running)
            m_fakes->workspace.running = {application};
        AppIconView view("org.example.Editor", 32, m_fakes->workspace);
        view.show();
        QCOMPARE(view.icon().isNull() ? QColor() : view.icon().pixmap(16).toImage().pixelColor(8, 8), colour);
    }

    // A change of language reaches every open window at once, sheets and
    // dialogs included.
    void everyOpenTextFollowsTheLanguage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("opened");
        QTest::newRow("rule list, add sheet") << 0 << "add";
        QTest::newRow("rule list, edit sheet") << 0 << "edit";
        QTest::newRow("general page, update dialog") << 1 << "update";
        QTest::newRow("about page, banner") << 3 << "";
    }

    void everyOpenTextFollowsTheLanguage()
    {
        QFETCH(int, page);
        QFETCH(QString, opened);
        LocalizationManager::shared().setLanguage("en", false);
        m_fakes->engine->setRules({AppRule::create("org.example.Editor", "Editor", "xkb:gone::none")});
        m_trust.trusted = false;
        SettingsView& window = open();
        window.sidebar()->setCurrentRow(page);
        UpdateDialog update;
        if (opened == "update")
            update.showUpToDate("1.0");
        else if (opened == "add")
            window.ruleList()->showAddSheet();
        else if (opened == "edit")
            window.ruleList()->showEditSheet(m_fakes->engine->rules().constFirst());
        QVERIFY(QTest::qWaitForWindowExposed(QApplication::activeModalWidget() ? QApplication::activeModalWidget() : &window));

        const QStringList before = visibleTexts();
        LocalizationManager::shared().setLanguage("de", false);
        QVERIFY(translatable(before).size() >= 5);
        const QStringList english = translatable(visibleTexts());
        QVERIFY2(english.isEmpty(), qPrintable("still English: " + english.join(" | ")));
    }

    // Pictures for the README, when asked for: KELVARO_SCREENSHOTS=<folder>.
    void screenshots()
    {
        const QString folder = qEnvironmentVariable("KELVARO_SCREENSHOTS");
        if (folder.isEmpty())
            QSKIP("KELVARO_SCREENSHOTS names no folder");
        QCoreApplication::setApplicationVersion(KELVARO_VERSION);
        m_trust.trusted = true;
        SettingsView& window = open();
        window.resize(760, 500);
        QTRY_VERIFY(!window.banner()->isVisible());
        const auto shoot = [&](QWidget* widget, const QString& name) {
            return widget->grab().save(folder + '/' + name + ".png");
        };
        const auto shootSheet = [&](const QString& name) {
            QDialog* sheet = window.ruleList()->sheet();
            const bool shot = QTest::qWaitForWindowExposed(sheet) && shoot(sheet, name);
            sheet->close();
            return QTest::qWaitFor([&] { return !window.ruleList()->sheet(); }) && shot;
        };
        QVERIFY(shoot(&window, "rule-list-empty"));
        m_fakes->engine->setRules({AppRule::create("org.gnome.TextEditor", "Text Editor", EngineOverFakes::kUS),
                                   AppRule::create("org.mozilla.firefox", "Firefox", EngineOverFakes::kDE),
                                   AppRule::create("org.telegram.desktop", "Telegram", EngineOverFakes::kRU),
                                   AppRule::create("com.example.Legacy", "Legacy Tool", "xkb:fr::fra")});
        QVERIFY(shoot(&window, "rule-list"));
        window.ruleList()->showEditSheet(m_fakes->engine->rules().at(1));
        QVERIFY(shootSheet("edit-rule"));
        window.ruleList()->showAddSheet();
        QVERIFY(shootSheet("add-rule"));
        window.sidebar()->setCurrentRow(3);
        QVERIFY(shoot(&window, "about"));
        for (const QString code : {"de", "ja", "zh-Hans"}) {
            LocalizationManager::shared().setLanguage(code, false);
            window.sidebar()->setCurrentRow(0);
            QVERIFY(shoot(&window, "rule-list-" + code));
            window.sidebar()->setCurrentRow(1);
            QTest::qWait(100);   // the page's scroll bars settle
            QVERIFY(shoot(&window, "general-" + code));
        }
    }
};

KELVARO_TEST(SettingsWindowTest)
#include "SettingsWindowTest.moc"
