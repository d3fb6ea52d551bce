#include "feedback/InputSourceIndicatorController.h"

#include "feedback/FlagEmoji.h"
#include "feedback/IndicatorLayout.h"
#include "feedback/IndicatorPanel.h"
#include "feedback/IndicatorSettings.h"
#include "logging/Logger.h"
#include "platform/Platform.h"
#include "settings/UserDefaults.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

namespace {

constexpr std::chrono::milliseconds fadeDuration(200);

} // namespace

InputSourceIndicatorController& InputSourceIndicatorController::shared()
{
    static InputSourceIndicatorController* const controller = [] {
        auto* created = new InputSourceIndicatorController(UserDefaults::standard());
        // Created by a first call from another thread, it would live there;
        // the panel's work belongs on the main thread.
        if (const QCoreApplication* application = QCoreApplication::instance())
            created->moveToThread(application->thread());
        return created;
    }();
    return *controller;
}

InputSourceIndicatorController::InputSourceIndicatorController(QSettings& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_hideTimer(this)
{
    m_hideTimer.setSingleShot(true);
    connect(&m_hideTimer, &QTimer::timeout, this, &InputSourceIndicatorController::hide);
}

InputSourceIndicatorController::~InputSourceIndicatorController()
{
    delete m_window.data();
}

void InputSourceIndicatorController::show(const QString& name, const QString& inputSourceID)
{
    QMetaObject::invokeMethod(
        this, [this, name, inputSourceID] { present(name, inputSourceID, std::nullopt); }, Qt::QueuedConnection);
}

void InputSourceIndicatorController::showMessage(const QString& text, const QString& icon)
{
    QMetaObject::invokeMethod(
        this, [this, text, icon] { present(text, QString(), icon); }, Qt::QueuedConnection);
}

QWidget* InputSourceIndicatorController::window() const
{
    return m_window.data();
}

void InputSourceIndicatorController::present(const QString& text, const QString& identifier,
                                             const std::optional<QString>& glyph)
{
    // Switched off, nothing is shown, and a panel already up runs out its time.
    if (!IndicatorSettings::isEnabled(m_settings))
        return;
    // A Wayland client cannot place its own window or keep it from the focus.
    if (QGuiApplication::platformName() == QLatin1String("wayland")) {
        static const bool logged = (Logger::shared().info(QStringLiteral(
                                        "No Xwayland in this Wayland session: the floating panel is not shown")),
                                    true);
        Q_UNUSED(logged);
        return;
    }

    m_hideTimer.stop();
    if (m_window)
        removePanel(m_window);

    auto* panel = new IndicatorPanel(text, glyph ? *glyph : flagEmoji(identifier), windowEffects());
    place(*panel);
    panel->show();
    m_window = panel;
    emit panelShown(panel);

    m_hideTimer.start(IndicatorSettings::duration(m_settings));
}

void InputSourceIndicatorController::place(QWidget& panel) const
{
    // Without a screen the panel stays where the window system puts it.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QPointF origin = IndicatorLayout::panelOrigin(IndicatorSettings::position(m_settings),
                                                        screen->availableGeometry(), panel.size());
    panel.move(origin.toPoint());
}

void InputSourceIndicatorController::hide()
{
    if (!m_window)
        return;
    IndicatorPanel* panel = m_window;
    // The connection goes with the panel or with the controller, whichever
    // goes first.
    connect(panel, &IndicatorPanel::fadedOut, this, [this, panel] { removePanel(panel); });
    panel->fadeOut(fadeDuration);
}

// Takes the panel off the screen at once. Only the held panel is dropped: a
// fade may end after a newer panel took its place.
void InputSourceIndicatorController::removePanel(IndicatorPanel* panel)
{
    disconnect(panel, nullptr, this, nullptr);
    panel->hide();
    if (m_window == panel)
        m_window = nullptr;
    emit panelRemoved(panel);
    panel->deleteLater();
}

platform::WindowEffects& InputSourceIndicatorController::windowEffects()
{
    if (!m_windowEffects)
        m_windowEffects = &platform::sharedWindowEffects();
    return *m_windowEffects;
}
