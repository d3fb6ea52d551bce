#include "core/InputSourceManager.h"

#include "logging/LogText.h"
#include "logging/Logger.h"
#include "platform/Platform.h"
#include "platform/TextInputSources.h"

namespace {

const QString kUnknownName = QStringLiteral("Unknown");

InputSource toInputSource(const platform::PlatformInputSource& entry)
{
    return InputSource{*entry.id, entry.localizedName.value_or(kUnknownName), entry.iconUrl};
}

} // namespace

std::optional<InputSource> InputSourceManager::offered(const platform::PlatformInputSource& entry)
{
    if (entry.isSelectCapable == false || !entry.id)
        return std::nullopt;
    return toInputSource(entry);
}

InputSourceManager& InputSourceManager::shared()
{
    static InputSourceManager* const instance = new InputSourceManager(platform::sharedTextInputSources());
    return *instance;
}

InputSourceManager::InputSourceManager(platform::TextInputSources& platform, QObject* parent)
    : QObject(parent)
    , m_platform(platform)
{
    loadInputSources();
    connect(&m_platform, &platform::TextInputSources::selectedInputSourceChanged, this, [this] {
        if (!m_loaded && m_platform.enabledInputSources())
            loadInputSources();
    });
}

void InputSourceManager::loadInputSources()
{
    const auto entries = m_platform.enabledInputSources();
    if (!entries) {
        Logger::shared().error(QStringLiteral("Failed to get input source list"));
        return;
    }
    QList<InputSource> sources;
    for (const platform::PlatformInputSource& entry : *entries) {
        if (const auto source = offered(entry))
            sources.append(*source);
    }
    m_loaded = true;
    setInstalledInputSources(sources);
    Logger::shared().info(QStringLiteral("Loaded %1 input sources").arg(sources.size()));
}

QString InputSourceManager::getInputSourceName(const QString& identifier) const
{
    for (const InputSource& source : m_installedInputSources) {
        if (source.id == identifier)
            return source.name;
    }
    return identifier;
}

std::optional<InputSource> InputSourceManager::getCurrentInputSource() const
{
    const auto current = m_platform.currentKeyboardInputSource();
    if (!current || !current->id)
        return std::nullopt;
    return toInputSource(*current);
}

bool InputSourceManager::selectInputSource(const QString& identifier)
{
    const auto entries = m_platform.enabledInputSources();
    if (!entries)
        return false;
    for (const platform::PlatformInputSource& entry : *entries) {
        if (entry.id == identifier)
            return m_platform.selectInputSource(entry) == platform::TextInputSources::kStatusOk;
    }
    Logger::shared().info(QStringLiteral("Input source not available: ") + logging::logText(identifier));
    return false;
}

void InputSourceManager::setInstalledInputSources(const QList<InputSource>& sources)
{
    m_installedInputSources = sources;
    emit installedInputSourcesChanged(m_installedInputSources);
}
