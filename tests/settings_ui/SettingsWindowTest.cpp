#include "settings/ApplicationVersion.h"
#include "settings_ui/AboutView.h"
#include "settings_ui/AddRuleView.h"
#include "settings_ui/AppIconView.h"
#include "settings_ui/PermissionsManager.h"
#include "settings_ui/RuleListView.h"
#include "settings_ui/SettingsView.h"

#include "EngineOverFakes.h"
#include "FakeAccessibilityTrust.h"
#include "LogCapture.h"
#include "TestRegistry.h"

#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QTest>

// Receives the links the program hands to the browser.
class LinkCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> links;
public slots:
    void open(const QUrl& link) { links << link; }
};

// The settings window around its pages, the about page and application icons.
class SettingsWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<EngineOverFakes> m_fakes;
    platform::FakeAccessibilityTrust m_trust;
    std::unique_ptr<PermissionsManager> m_permissions;
    std::unique_ptr<SettingsView> m_window;

    SettingsView& open()
    {
        m_permissions = std::make_unique<PermissionsManager>(m_trust);
        m_window = std::make_unique<SettingsView>(SettingsView::Services{
            *m_fakes->engine, *m_fakes->inputSourceManager, *m_permissions, m_fakes->workspace});
        m_window->show();
        [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(m_window.get());
        return *m_window;
    }

private slots:
    void init() { m_fakes = std::make_unique<EngineOverFakes>(); }
    void cleanup() { m_window.reset(); m_permissions.reset(); m_fakes.reset(); }

    void opensOnTheRuleListWithTheBannerWhileUntrusted()
    {
        m_trust.trusted = false;
        SettingsView& window = open();
        QCOMPARE(window.sidebar()->currentRow(), -1);
        QCOMPARE(window.currentPage(), window.ruleList());
        QVERIFY(window.banner()->isVisible());
        QVERIFY(window.width() >= 700 && window.height() >= 450);
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

    void theSupportLinkGoesToTheBrowserAfterALogLine()
    {
        LinkCatcher catcher;
        QDesktopServices::setUrlHandler("https", &catcher, "open");
        const LogCapture log;
        AboutView::contactSupport();
        QDesktopServices::unsetUrlHandler("https");
        QCOMPARE(catcher.links.size(), 1);
        QVERIFY(catcher.links.first().toString(QUrl::FullyEncoded).endsWith("&su=Kelvaro%20Support"));
        QVERIFY(log.messages().constFirst().endsWith(catcher.links.first().toString(QUrl::FullyEncoded)));
        QCOMPARE(AboutView::versionText(), "v" + applicationShortVersion() + " (1)");
    }

    void iconsComeFromInstalledThenRunningApplications_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QRgb>("colour");   // of the icon's centre; 0: the symbol
        QTest::newRow("installed and running") << true << true << qRgb(255, 0, 0);
        QTest::newRow("running only") << false << true << qRgb(0, 0, 255);
        QTest::newRow("neither") << false << false << QRgb(0);
    }

    void iconsComeFromInstalledThenRunningApplications()
    {
        QFETCH(bool, installed);
        QFETCH(bool, running);
        QFETCH(QRgb, colour);
        const QString iconPath = QDir::temp().filePath("kelvaro-test-icon.png");
        QImage red(32, 32, QImage::Format_ARGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(iconPath));
        if (installed)
            m_fakes->workspace.installed = {{"org.example.Editor", "/apps/org.example.Editor.desktop", "Editor", iconPath}};
        if (running) {
            platform::RunningApplication application = platform::FakeWorkspace::application(5, "org.example.Editor");
            application.windowIcon = QImage(16, 16, QImage::Format_ARGB32);
            application.windowIcon.fill(Qt::blue);
            m_fakes->workspace.running = {application};
        }
        AppIconView view("org.example.Editor", 32, m_fakes->workspace);
        view.show();
        QCOMPARE(view.icon().isNull(), colour == 0);
        if (colour)
            QCOMPARE(view.icon().pixmap(16).toImage().pixel(8, 8), colour);
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
        QVERIFY(window.grab().save(folder + "/rule-list-empty.png"));
        m_fakes->engine->setRules({AppRule::create("org.gnome.TextEditor", "Text Editor", EngineOverFakes::kUS),
                                   AppRule::create("org.mozilla.firefox", "Firefox", EngineOverFakes::kDE),
                                   AppRule::create("org.telegram.desktop", "Telegram", EngineOverFakes::kRU),
                                   AppRule::create("com.example.Legacy", "Legacy Tool", "xkb:fr::fra")});
        QTest::qWait(50);
        QVERIFY(window.grab().save(folder + "/rule-list.png"));
        window.ruleList()->showEditSheet(m_fakes->engine->rules().at(1));
        QTRY_VERIFY(window.ruleList()->sheet() && window.ruleList()->sheet()->isVisible());
        QVERIFY(window.ruleList()->sheet()->grab().save(folder + "/edit-rule.png"));
        window.ruleList()->sheet()->close();
        m_fakes->workspace.running = {platform::FakeWorkspace::application(7, "org.gnome.Calculator")};
        m_fakes->workspace.running.first().localizedName = "Calculator";
        QTRY_VERIFY(!window.ruleList()->sheet());
        window.ruleList()->showAddSheet();
        QTRY_VERIFY(window.ruleList()->sheet() && window.ruleList()->sheet()->isVisible());
        QVERIFY(window.ruleList()->sheet()->grab().save(folder + "/add-rule.png"));
        window.ruleList()->sheet()->close();
        window.sidebar()->setCurrentRow(3);
        QVERIFY(window.grab().save(folder + "/about.png"));
    }
};

KELVARO_TEST(SettingsWindowTest)
#include "SettingsWindowTest.moc"
