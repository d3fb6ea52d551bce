#include "platform/linux/Fcitx5InputSources.h"

#include "logging/LogText.h"
#include "platform/PlatformLog.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QMetaMethod>
#include <QRegularExpression>

namespace platform {

namespace {

const QString kService = QStringLiteral("org.fcitx.Fcitx5");
const QString kPath = QStringLiteral("/controller");
const QString kInterface = QStringLiteral("org.fcitx.Fcitx.Controller1");

// fcitx5 answers in well under a millisecond; a daemon that hangs must not
// hold the program's event loop for D-Bus's default 25 s.
constexpr int kCallTimeoutMs = 1000;
constexpr int kPollIntervalMs = 500;
constexpr int kHoldMs = 1000;
constexpr int kHoldCheckIntervalMs = 50;

QDBusMessage controllerCall(const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    // The bus may know how to start fcitx5; whether it runs is the user's
    // choice (or it has just ended), not ours.
    message.setAutoStartService(false);
    return message;
}

// The input contexts DebugInfo marks as focused, one per line:
// "  IC [<uuid>] program:gedit frontend:dbus cap:0 focus:1".
QSet<QString> focusedInputContexts(const QString& debugInfo)
{
    static const QRegularExpression focusedLine(QStringLiteral(R"(^\s*IC \[([^\]\s]+)\].*\sfocus:1\s*$)"),
                                                QRegularExpression::MultilineOption);
    QSet<QString> focused;
    for (auto match = focusedLine.globalMatch(debugInfo); match.hasNext();)
        focused.insert(match.next().captured(1));
    return focused;
}

// The unique names in a reply of InputMethodGroupInfo, "sa(ss)": the group's
// layout, then (unique name, layout) of each input method in order.
QStringList groupInputMethods(const QDBusMessage& reply)
{
    const QDBusArgument items = reply.arguments().at(1).value<QDBusArgument>();
    QStringList names;
    items.beginArray();
    while (!items.atEnd()) {
        QString name, layout;
        items.beginStructure();
        items >> name >> layout;
        items.endStructure();
        names.append(name);
    }
    items.endArray();
    return names;
}

} // namespace

std::unique_ptr<Fcitx5InputSources> Fcitx5InputSources::connect(const QDBusConnection& bus, QString* error)
{
    if (!bus.isConnected()) {
        *error = QStringLiteral("fcitx5 cannot be reached: no session bus (%1)")
                     .arg(logging::logText(bus.lastError().message()));
        return nullptr;
    }
    const QDBusMessage reply =
        bus.call(controllerCall(QStringLiteral("CurrentInputMethodGroup")), QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        *error = QStringLiteral("fcitx5's controller is not on the session bus (%1)")
                     .arg(logging::logText(reply.errorName()));
        return nullptr;
    }
    if (reply.signature() != QLatin1String("s")) {
        *error = QStringLiteral("fcitx5's controller answers CurrentInputMethodGroup with \"%1\", not a name")
                     .arg(logging::logText(reply.signature()));
        return nullptr;
    }
    return std::unique_ptr<Fcitx5InputSources>(new Fcitx5InputSources(bus));
}

Fcitx5InputSources::Fcitx5InputSources(const QDBusConnection& bus)
    : m_bus(bus)
{
    m_serviceWatcher = new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    QObject::connect(m_serviceWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                     [this](const QString&, const QString&, const QString& newOwner) {
                         serviceOwnerChanged(newOwner);
                     });
    // fcitx5 sends this for some changes of its groups only (not for edits
    // through the controller); the poll sees the others.
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("InputMethodGroupsChanged"), this, SLOT(poll()));

    m_pollTimer.setInterval(kPollIntervalMs);
    QObject::connect(&m_pollTimer, &QTimer::timeout, this, &Fcitx5InputSources::poll);
    m_pollTimer.start();
    m_holdTimer.setInterval(kHoldCheckIntervalMs);
    QObject::connect(&m_holdTimer, &QTimer::timeout, this, &Fcitx5InputSources::watchHold);
}

Fcitx5InputSources::~Fcitx5InputSources()
{
    m_bus.disconnect(kService, kPath, kInterface, QStringLiteral("InputMethodGroupsChanged"), this, SLOT(poll()));
}

std::optional<QDBusMessage> Fcitx5InputSources::call(const QString& method, const QVariantList& arguments,
                                                     const QString& signature)
{
    if (!m_present)
        return std::nullopt;
    return checked(m_bus.call(controllerCall(method, arguments), QDBus::Block, kCallTimeoutMs), method, signature);
}

void Fcitx5InputSources::callAsync(const QString& method, const QVariantList& arguments, const QString& signature,
                                   ReplyHandler handler)
{
    if (!m_present) {
        handler(std::nullopt);
        return;
    }
    auto* watcher =
        new QDBusPendingCallWatcher(m_bus.asyncCall(controllerCall(method, arguments), kCallTimeoutMs), this);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this,
                     [this, method, signature, handler = std::move(handler)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         handler(checked(finished->reply(), method, signature));
                     });
}

std::optional<QDBusMessage> Fcitx5InputSources::checked(const QDBusMessage& reply, const QString& method,
                                                        const QString& signature)
{
    if (reply.type() != QDBusMessage::ReplyMessage) {
        reportFailure(reply.errorName(), QStringLiteral("fcitx5: %1 failed: %2 (%3)")
                                             .arg(method, logging::logText(reply.errorName()),
                                                  logging::logText(reply.errorMessage())));
        return std::nullopt;
    }
    if (reply.signature() != signature) {
        reportFailure(QStringLiteral("signature of ") + method,
                      QStringLiteral("fcitx5: %1 answered with \"%2\" instead of \"%3\"")
                          .arg(method, logging::logText(reply.signature()), signature));
        return std::nullopt;
    }
    return reply;
}

void Fcitx5InputSources::reportFailure(const QString& kind, const QString& message)
{
    if (!m_reportedFailures.contains(kind)) {
        m_reportedFailures.insert(kind);
        logError(message);
    }
}

std::optional<QString> Fcitx5InputSources::readString(const QString& method)
{
    const auto reply = call(method, {}, QStringLiteral("s"));
    return reply ? std::optional(reply->arguments().constFirst().toString()) : std::nullopt;
}

std::optional<QStringList> Fcitx5InputSources::readGroupInputMethods(const QString& group)
{
    const auto reply = call(QStringLiteral("InputMethodGroupInfo"), {group}, QStringLiteral("sa(ss)"));
    return reply ? std::optional(groupInputMethods(*reply)) : std::nullopt;
}

// The names and icons of every input method fcitx5 has (some hundreds): read
// once, and again only when a group holds one not seen before.
bool Fcitx5InputSources::readInputMethodInfo()
{
    const auto reply = call(QStringLiteral("AvailableInputMethods"), {}, QStringLiteral("a(ssssssb)"));
    if (!reply)
        return false;
    const QDBusArgument items = reply->arguments().constFirst().value<QDBusArgument>();
    items.beginArray();
    while (!items.atEnd()) {
        QString uniqueName, name, nativeName, icon, label, language;
        bool configurable = false;
        items.beginStructure();
        items >> uniqueName >> name >> nativeName >> icon >> label >> language >> configurable;
        items.endStructure();
        m_inputMethodInfo.insert(uniqueName, {name, icon});
    }
    items.endArray();
    return true;
}

std::optional<QList<PlatformInputSource>> Fcitx5InputSources::readList(const QStringList& inputMethods)
{
    const bool allKnown = std::all_of(inputMethods.begin(), inputMethods.end(),
                                      [this](const QString& name) { return m_inputMethodInfo.contains(name); });
    if (!allKnown) {
        if (!readInputMethodInfo())
            return std::nullopt;
        // Not offered by any addon (removed since the group was made):
        // remembered as such, so the list is not read again for it.
        for (const QString& name : inputMethods) {
            if (!m_inputMethodInfo.contains(name))
                m_inputMethodInfo.insert(name, {});
        }
    }
    QList<PlatformInputSource> sources;
    for (qsizetype i = 0; i < inputMethods.size(); ++i) {
        const InputMethodInfo& info = m_inputMethodInfo[inputMethods[i]];
        PlatformInputSource source;
        source.id = inputMethods[i];
        source.isSelectCapable = !info.name.isEmpty();
        if (!info.name.isEmpty())
            source.localizedName = info.name;
        // Most icons are theme names ("input-keyboard"); only a file is a URL.
        if (QDir::isAbsolutePath(info.icon))
            source.iconUrl = QUrl::fromLocalFile(info.icon);
        source.handle = int(i);
        sources.append(source);
    }
    return sources;
}

std::optional<QList<PlatformInputSource>> Fcitx5InputSources::enabledInputSources()
{
    const auto group = readString(QStringLiteral("CurrentInputMethodGroup"));
    const auto inputMethods = group ? readGroupInputMethods(*group) : std::nullopt;
    return inputMethods ? readList(*inputMethods) : std::nullopt;
}

std::optional<PlatformInputSource> Fcitx5InputSources::currentKeyboardInputSource()
{
    // Empty when no input context has the focus.
    const auto current = readString(QStringLiteral("CurrentInputMethod"));
    if (!current || current->isEmpty())
        return std::nullopt;
    const auto sources = enabledInputSources();
    if (!sources)
        return std::nullopt;
    for (const PlatformInputSource& source : *sources) {
        if (source.id == *current)
            return source;
    }
    PlatformInputSource outsideGroup;
    outsideGroup.id = *current;
    return outsideGroup;
}

int Fcitx5InputSources::selectInputSource(const PlatformInputSource& source)
{
    if (!m_present)
        return kStatusFailed;
    const auto sources = enabledInputSources();
    if (!sources)
        return kStatusFailed;
    if (!source.id || std::none_of(sources->begin(), sources->end(),
                                   [&](const PlatformInputSource& entry) { return entry.id == source.id; }))
        return kStatusNotFound;

    const auto debugInfo = readString(QStringLiteral("DebugInfo"));
    if (!call(QStringLiteral("SetCurrentIM"), {*source.id}, QString()))
        return kStatusFailed;
    m_hold.reset();
    if (debugInfo) {
        m_hold = Hold{*source.id, focusedInputContexts(*debugInfo), QDeadlineTimer(kHoldMs), ++m_selections};
        m_holdTimer.start();
    }
    poll();
    return kStatusOk;
}

void Fcitx5InputSources::watchHold()
{
    if (!m_hold || m_hold->deadline.hasExpired()) {
        m_hold.reset();
        m_holdTimer.stop();
        return;
    }
    if (m_holdCheckPending)
        return;
    m_holdCheckPending = true;
    // Replies to a check begun for an earlier selection are not this one's.
    const quint64 selection = m_hold->selection;
    const auto stillHeld = [this, selection] {
        m_holdCheckPending = false;
        return m_hold && m_hold->selection == selection;
    };
    callAsync(QStringLiteral("DebugInfo"), {}, QStringLiteral("s"), [=, this](const std::optional<QDBusMessage>& info) {
        if (!stillHeld())
            return;
        if (!info)
            return m_hold.reset();
        m_holdCheckPending = true;
        const QSet<QString> focused = focusedInputContexts(info->arguments().constFirst().toString());
        callAsync(QStringLiteral("CurrentInputMethod"), {}, QStringLiteral("s"),
                  [=, this](const std::optional<QDBusMessage>& reply) {
                      if (!stillHeld())
                          return;
                      if (!reply)
                          return m_hold.reset();
                      const QString current = reply->arguments().constFirst().toString();
                      if (!(focused - m_hold->focusedBefore).isEmpty()) {
                          // A new input context has the focus, with an input method of its own.
                          if (current != m_hold->inputMethod)
                              callAsync(QStringLiteral("SetCurrentIM"), {m_hold->inputMethod}, QString(),
                                        [](const std::optional<QDBusMessage>&) {});
                          m_hold.reset();
                      } else if (!current.isEmpty() && current != m_hold->inputMethod) {
                          m_hold.reset();   // someone chose another source in the same context
                      }
                  });
    });
}

void Fcitx5InputSources::poll()
{
    if (m_polling || !m_present)
        return;
    if (!isSignalConnected(QMetaMethod::fromSignal(&TextInputSources::selectedInputSourceChanged))) {
        m_lastState.reset();
        m_pollTimer.stop();   // until connectNotify
        return;
    }
    m_polling = true;
    const auto finish = [this](const std::optional<State>& state) {
        m_polling = false;
        const bool changed = state != m_lastState;
        m_lastState = state;
        if (changed)
            emit selectedInputSourceChanged();
    };
    const QString s = QStringLiteral("s");
    callAsync(QStringLiteral("CurrentInputMethodGroup"), {}, s, [=, this](const std::optional<QDBusMessage>& group) {
        if (!group)
            return finish(std::nullopt);
        const QString name = group->arguments().constFirst().toString();
        callAsync(QStringLiteral("InputMethodGroupInfo"), {name}, QStringLiteral("sa(ss)"),
                  [=, this](const std::optional<QDBusMessage>& info) {
                      if (!info)
                          return finish(std::nullopt);
                      State state{name, groupInputMethods(*info), {}};
                      callAsync(QStringLiteral("CurrentInputMethod"), {}, s,
                                [=](const std::optional<QDBusMessage>& current) mutable {
                                    if (!current)
                                        return finish(std::nullopt);
                                    state.current = current->arguments().constFirst().toString();
                                    finish(state);
                                });
                  });
    });
}

void Fcitx5InputSources::connectNotify(const QMetaMethod& signal)
{
    // May be called on another thread: the timer is started from the event loop.
    if (signal == QMetaMethod::fromSignal(&TextInputSources::selectedInputSourceChanged))
        QMetaObject::invokeMethod(&m_pollTimer, qOverload<>(&QTimer::start), Qt::QueuedConnection);
}

void Fcitx5InputSources::serviceOwnerChanged(const QString& newOwner)
{
    m_hold.reset();
    m_holdTimer.stop();
    m_inputMethodInfo.clear();
    m_lastState.reset();
    m_present = !newOwner.isEmpty();
    if (m_present) {
        m_reportedFailures.clear();
        qCInfo(lcPlatform, "fcitx5 is on the session bus again");
    } else {
        reportFailure(QStringLiteral("gone"),
                      QStringLiteral("fcitx5 left the session bus: input methods cannot be listed or selected "
                                     "until it is back"));
    }
    emit selectedInputSourceChanged();
}

} // namespace platform
