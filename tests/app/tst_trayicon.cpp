#include "app/SymbolIcons.h"
#include "app/TrayIcon.h"
#include "app/TrayIconImage.h"
#include "settings/UserDefaults.h"

#include "TestEnvironment.h"
#include "TrayHost.h"
#include "TrayServices.h"
#include "XTestClient.h"
#include "XvfbServer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QScreen>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTest>

namespace {

const QString kShowFlag = QStringLiteral("menuBarShowFlag");

// How many opaque pixels of each kind a region holds. The keyboard symbol is
// a light body with a dark outline; the German flag is black, red and gold;
// the paused badge is red.
struct Colours {
    int light = 0;
    int dark = 0;
    int red = 0;
    int gold = 0;
};

Colours coloursIn(const QImage& image, const QRect& region)
{
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    Colours colours;
    const QRect area = region.intersected(pixels.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = pixels.pixelColor(x, y);
            if (c.alpha() < 200)
                continue;
            const int r = c.red(), g = c.green(), b = c.blue();
            const int spread = std::max({r, g, b}) - std::min({r, g, b});
            if (r > 215 && g > 215 && b > 215 && spread < 12)
                ++colours.light;
            else if (r < 80 && g < 80 && b < 80 && spread < 20)
                ++colours.dark;
            else if (r > 170 && g < 60 && b < 60)
                ++colours.red;
            else if (r > 200 && g > 150 && b < 90)
                ++colours.gold;
        }
    }
    return colours;
}

// The largest picture the tray item offers.
QImage largestImage(const QIcon& icon)
{
    QSize largest;
    for (const QSize& size : icon.availableSizes()) {
        if (size.height() > largest.height())
            largest = size;
    }
    return icon.pixmap(largest).toImage();
}

QRect symbolPart(const QImage& image)
{
    return QRect(0, 0, image.height(), image.height());
}

QRect flagPart(const QImage& image)
{
    return QRect(image.height(), 0, image.width() - image.height(), image.height());
}

// Qt's X11 tray window, which the tray takes in; null while there is none.
QWidget* trayWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("QSystemTrayIconSys"))
            return widget;
    }
    return nullptr;
}

QString artifactPath(const QString& name)
{
    QDir().mkpath(QStringLiteral(KELVARO_TEST_ARTIFACTS));
    return QDir(QStringLiteral(KELVARO_TEST_ARTIFACTS)).filePath(name);
}

} // namespace

class TrayIconTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TrayServices> m_services;

    QSettings& settings() { return UserDefaults::standard(); }
    TrayServices& services() { return *m_services; }

    std::unique_ptr<TrayIcon> makeTray()
    {
        return std::make_unique<TrayIcon>(*services().engine, *services().indicator, services().actions());
    }

private slots:
    void init()
    {
        settings().clear();
        m_services = std::make_unique<TrayServices>();
    }

    void cleanup() { m_services.reset(); }

    void iconIsTheSymbolFollowedByTheFlag()
    {
        const auto tray = makeTray();
        QCOMPARE(tray->flag(), std::optional(QStringLiteral("\U0001F1E9\U0001F1EA")));
        const QImage image = largestImage(tray->item().icon());
        image.save(artifactPath(QStringLiteral("tray-icon-de.png")));
        QVERIFY2(image.width() > image.height() * 3 / 2, "the flag follows the symbol");

        const Colours symbol = coloursIn(image, symbolPart(image));
        QVERIFY(symbol.light > 0);
        QVERIFY(symbol.dark > 0);
        QCOMPARE(symbol.red, 0);
        QCOMPARE(symbol.gold, 0);
        const Colours flag = coloursIn(image, flagPart(image));
        QVERIFY(flag.dark > 0);
        QVERIFY(flag.red > 0);
        QVERIFY(flag.gold > 0);
        QCOMPARE(flag.light, 0);

        // Every size the tray may ask for is drawn, none scaled from another.
        const QList<QSize> sizes = tray->item().icon().availableSizes();
        for (const int height : {16, 22, 24, 32, 48, 64})
            QVERIFY(std::any_of(sizes.cbegin(), sizes.cend(), [height](QSize size) { return size.height() == height; }));
    }

    void pausedSymbolCarriesTheBadge()
    {
        const auto tray = makeTray();
        services().engine->setPaused(true);
        QCOMPARE(tray->symbol(), SymbolIcons::keyboardPaused);
        const QImage image = largestImage(tray->item().icon());
        const Colours symbol = coloursIn(image, symbolPart(image));
        QVERIFY(symbol.light > 0);
        QVERIFY(symbol.red > 0);
        const Colours flag = coloursIn(image, flagPart(image));
        QVERIFY(flag.red > 0 && flag.gold > 0);
    }

    void flagAndToolTipFollowTheSettingAndTheCurrentSource()
    {
        const auto tray = makeTray();
        QCOMPARE(tray->item().toolTip(), QStringLiteral("German"));
        UserDefaults::setValue(settings(), kShowFlag, false);
        QCOMPARE(tray->flag(), std::nullopt);
        QImage image = largestImage(tray->item().icon());
        QCOMPARE(image.width(), image.height());
        QVERIFY(coloursIn(image, image.rect()).light > 0);

        UserDefaults::setValue(settings(), kShowFlag, true);
        services().inputSources.changeCurrent(
            platform::FakeTextInputSources::entry(QStringLiteral("xkb:ru::rus"), QStringLiteral("Russian")));
        QTRY_COMPARE(tray->flag(), std::optional(QStringLiteral("\U0001F1F7\U0001F1FA")));
        QCOMPARE(tray->item().toolTip(), QStringLiteral("Russian"));
        image = largestImage(tray->item().icon());
        QVERIFY(image.width() > image.height() * 3 / 2);
        QCOMPARE(coloursIn(image, flagPart(image)).gold, 0);
    }

    void themeKeyboardIsPreferredWhereTheThemeHasOne()
    {
        // A theme whose keyboard is a plain blue square.
        const QString themeRoot = QDir(TestEnvironment::current().dataDir()).filePath(QStringLiteral("icons"));
        QDir(themeRoot).mkpath(QStringLiteral("Test/scalable/devices"));
        QFile index(themeRoot + QStringLiteral("/Test/index.theme"));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=Test\nDirectories=scalable/devices\n\n"
                    "[scalable/devices]\nSize=64\nMinSize=8\nMaxSize=512\nType=Scalable\n");
        index.close();
        QFile svg(themeRoot + QStringLiteral("/Test/scalable/devices/input-keyboard.svg"));
        QVERIFY(svg.open(QIODevice::WriteOnly));
        svg.write("<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64'>"
                  "<rect width='64' height='64' fill='#0000ff'/></svg>");
        svg.close();

        const QStringList previousPaths = QIcon::themeSearchPaths();
        const QString previousTheme = QIcon::themeName();
        QIcon::setThemeSearchPaths({themeRoot});
        QIcon::setThemeName(QStringLiteral("Test"));
        const QImage running = TrayIconImage::render(SymbolIcons::keyboard, std::nullopt, 32);
        const QImage paused = TrayIconImage::render(SymbolIcons::keyboardPaused, std::nullopt, 32);
        QIcon::setThemeSearchPaths(previousPaths);
        QIcon::setThemeName(previousTheme);

        QCOMPARE(running.pixelColor(4, 4), QColor(Qt::blue));
        QCOMPARE(running.pixelColor(28, 28), QColor(Qt::blue));
        // The paused variant is the same keyboard with our badge in the lower right.
        QCOMPARE(paused.pixelColor(4, 4), QColor(Qt::blue));
        QVERIFY(coloursIn(paused, QRect(16, 16, 16, 16)).red > 0);
    }

    // Last: it leaves a window manager and a tray running on the test's X server.
    void menuOpensFromARealTray()
    {
        TrayHost host;
        QString error;
        QVERIFY2(host.start(TestEnvironment::current().root(), &error), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 20000);

        QCoreApplication::setApplicationVersion(QStringLiteral(KELVARO_VERSION));
        const auto tray = makeTray();
        tray->show();

        // Qt's own idea of the item's place goes stale when the tray moves, so
        // the X server is asked. Taken in at the top right, in a slot as wide
        // as the picture asks for, once the tray has settled.
        XTestClient client(TestEnvironment::current().xServer()->displayName());
        QScreen* screen = QGuiApplication::primaryScreen();
        const auto place = [&]() -> std::optional<QRect> {
            QWidget* window = trayWindow();
            return window ? client.viewableRootGeometry(xcb_window_t(window->winId())) : std::nullopt;
        };
        const auto inTopRightSlot = [&](const std::optional<QRect>& rect) {
            return rect && rect->left() > screen->geometry().center().x() && rect->top() < 32
                && rect->width() > rect->height();
        };
        std::optional<QRect> icon = place();
        std::optional<QRect> before;
        for (QDeadlineTimer deadline(20000); !(inTopRightSlot(icon) && icon == before) && !deadline.hasExpired();) {
            QTest::qWait(100);
            before = std::exchange(icon, place());
        }
        QVERIFY2(host.isRunning(), "openbox or trayer ended");
        QVERIFY(inTopRightSlot(icon) && icon == before);

        StatusMenu& menu = tray->menu();
        menu.popup(icon->bottomLeft() + QPoint(0, 4));
        QVERIFY(QTest::qWaitForWindowExposed(&menu));

        // The tray shows our picture, flag included, once it has painted; the
        // menu below it shows the header's flag.
        QImage screenshot;
        const auto painted = [&] {
            screenshot = screen->grabWindow(0).toImage();
            const Colours inTray = coloursIn(screenshot, *icon);
            const Colours inMenu = coloursIn(screenshot, menu.geometry());
            return inTray.light > 0 && inTray.red > 0 && inTray.gold > 0 && inMenu.red > 0;
        };
        QVERIFY(QTest::qWaitFor(painted, 10000));
        QVERIFY(menu.isVisible());
        const QRect shown = icon->united(menu.geometry()).adjusted(-120, -8, 24, 24).intersected(screen->geometry());
        QVERIFY(screenshot.copy(shown).save(artifactPath(QStringLiteral("tray-menu.png"))));
        menu.hide();

        // Without the flag the item is offered to the tray again, as a square.
        UserDefaults::setValue(settings(), kShowFlag, false);
        QTRY_VERIFY_WITH_TIMEOUT(trayWindow() && trayWindow()->width() <= trayWindow()->height(), 10000);
    }
};

KELVARO_TEST_MAIN(TrayIconTest, QApplication, .display = true)
#include "tst_trayicon.moc"
