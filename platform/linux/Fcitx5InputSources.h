#pragma once

#include "platform/TextInputSources.h"

#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class QDBusMessage;
class QDBusServiceWatcher;

namespace platform {

// Input sources on fcitx5, through its controller object on the session bus
// (org.fcitx.Fcitx5 /controller, org.fcitx.Fcitx.Controller1): the input
// methods of the current group in order, identified by their unique names
// ("keyboard-us", "pinyin"). The current input method is that of the focused
// input context; with none focused there is no current source.
//
// fcitx5 broadcasts no change of input method (the CurrentIM signal goes to the
// owner of the input context only), so while someone listens for
// selectedInputSourceChanged the group, its list and the current input method
// are asked for twice a second, asynchronously.
//
// fcitx5 keeps an input method per input context: a window whose input
// context takes the focus just after a switch gets its own back. For a second
// after each selection the focused input contexts are watched (from the
// controller's DebugInfo) and, when a new one takes the focus, the selection
// is applied to it once more, unless another source was chosen meanwhile.
//
// Failing or odd replies give failure results and one error line per kind of
// failure, until fcitx5 comes back on the bus. Main thread only.
class Fcitx5InputSources : public TextInputSources {
    Q_OBJECT
public:
    // Nothing, with the reason, when fcitx5's controller is not on the bus.
    static std::unique_ptr<Fcitx5InputSources> connect(const QDBusConnection& bus, QString* error);
    ~Fcitx5InputSources() override;

    std::optional<QList<PlatformInputSource>> enabledInputSources() override;
    std::optional<PlatformInputSource> currentKeyboardInputSource() override;
    int selectInputSource(const PlatformInputSource& source) override;

private slots:
    void poll();

private:
    // What the change notices compare.
    struct State {
        QString group;
        QStringList inputMethods;
        QString current;
        bool operator==(const State&) const = default;
    };
    // A selection being kept for the input context that takes the focus next.
    struct Hold {
        QString inputMethod;
        QSet<QString> focusedBefore;
        QDeadlineTimer deadline;
        quint64 selection = 0;
    };
    struct InputMethodInfo {
        QString name;
        QString icon;
    };
    using ReplyHandler = std::function<void(const std::optional<QDBusMessage>&)>;

    explicit Fcitx5InputSources(const QDBusConnection& bus);

    std::optional<QDBusMessage> call(const QString& method, const QVariantList& arguments, const QString& signature);
    void callAsync(const QString& method, const QVariantList& arguments, const QString& signature,
                   ReplyHandler handler);
    std::optional<QDBusMessage> checked(const QDBusMessage& reply, const QString& method, const QString& signature);
    void reportFailure(const QString& kind, const QString& message);

    std::optional<QString> readString(const QString& method);
    std::optional<QStringList> readGroupInputMethods(const QString& group);
    std::optional<QList<PlatformInputSource>> readList(const QStringList& inputMethods);
    bool readInputMethodInfo();

    void connectNotify(const QMetaMethod& signal) override;
    void watchHold();
    void serviceOwnerChanged(const QString& newOwner);

    QDBusConnection m_bus;
    QDBusServiceWatcher* m_serviceWatcher = nullptr;
    bool m_present = true;
    QSet<QString> m_reportedFailures;
    QHash<QString, InputMethodInfo> m_inputMethodInfo;

    QTimer m_pollTimer;
    bool m_polling = false;
    std::optional<State> m_lastState;

    QTimer m_holdTimer;
    bool m_holdCheckPending = false;
    std::optional<Hold> m_hold;
    quint64 m_selections = 0;
};

} // namespace platform
