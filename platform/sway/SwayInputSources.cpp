#include "platform/sway/SwayInputSources.h"

#include "platform/linux/KeyboardLayoutRegistry.h"
#include "platform/sway/SwayIpc.h"

#include <QJsonArray>
#include <QJsonObject>

namespace platform {

SwayInputSources::SwayInputSources(std::shared_ptr<SwayIpc> ipc, QObject* parent)
    : SwayInputSources(std::move(ipc), KeyboardLayoutRegistry::shared(), parent)
{
}

SwayInputSources::SwayInputSources(std::shared_ptr<SwayIpc> ipc, KeyboardLayoutRegistry& registry, QObject* parent)
    : TextInputSources(parent)
    , m_ipc(std::move(ipc))
    , m_registry(registry)
{
    connect(m_ipc.get(), &SwayIpc::inputEvent, this, [this](const QJsonObject& event) {
        const QString change = event.value(QLatin1String("change")).toString();
        // A new keymap, a layout switch, a keyboard that comes or goes.
        if (change == QLatin1String("xkb_layout") || change == QLatin1String("xkb_keymap")
            || change == QLatin1String("added") || change == QLatin1String("removed"))
            inputChanged();
    });
}

SwayInputSources::~SwayInputSources() = default;

std::optional<SwayInputSources::Keyboard> SwayInputSources::readKeyboard()
{
    const auto inputs = m_ipc->request(I3IpcSocket::GetInputs);
    if (!inputs || !inputs->isArray())
        return std::nullopt;
    std::optional<Keyboard> chosen;
    for (const QJsonValue input : inputs->array()) {
        if (input[QLatin1String("type")].toString() != QLatin1String("keyboard"))
            continue;
        Keyboard keyboard;
        for (const QJsonValue name : input[QLatin1String("xkb_layout_names")].toArray())
            keyboard.layoutNames.append(name.toString());
        keyboard.activeIndex = input[QLatin1String("xkb_active_layout_index")].toInt(-1);
        if (!chosen || keyboard.layoutNames.size() > chosen->layoutNames.size())
            chosen = keyboard;
    }
    // A session without keyboards has no layouts, and that is a list.
    return chosen.value_or(Keyboard{});
}

QList<PlatformInputSource> SwayInputSources::sourcesOf(const QStringList& layoutNames) const
{
    QList<PlatformInputSource> sources;
    for (int index = 0; index < layoutNames.size(); ++index) {
        PlatformInputSource source;
        source.isSelectCapable = true;
        source.handle = index;
        const QString& name = layoutNames[index];
        if (const auto layout = m_registry.findByDescription(name))
            source.id = m_registry.inputSourceId(layout->layout, layout->variant);
        if (!name.isEmpty())
            source.localizedName = name;
        sources.append(source);
    }
    return sources;
}

std::optional<QList<PlatformInputSource>> SwayInputSources::enabledInputSources()
{
    const auto keyboard = readKeyboard();
    if (!keyboard)
        return std::nullopt;
    return sourcesOf(keyboard->layoutNames);
}

std::optional<PlatformInputSource> SwayInputSources::currentKeyboardInputSource()
{
    const auto keyboard = readKeyboard();
    if (!keyboard || keyboard->activeIndex < 0 || keyboard->activeIndex >= keyboard->layoutNames.size())
        return std::nullopt;
    return sourcesOf(keyboard->layoutNames).at(keyboard->activeIndex);
}

int SwayInputSources::selectInputSource(const PlatformInputSource& source)
{
    // The layouts may have changed since the entry was listed: the index must
    // still hold the same layout.
    const auto sources = enabledInputSources();
    if (!sources)
        return kStatusFailed;
    if (!source.id || source.handle < 0 || source.handle >= sources->size()
        || sources->at(source.handle).id != source.id)
        return kStatusNotFound;
    const QString command = QStringLiteral("input type:keyboard xkb_switch_layout %1").arg(source.handle);
    return m_ipc->runCommand(command) ? kStatusOk : kStatusFailed;
}

void SwayInputSources::inputChanged()
{
    // Each keyboard sends its own event; listeners hear of them once.
    notifyChangeAfterBurst();
}

} // namespace platform
