#include "platform/linux/CanberraSoundPlayer.h"

#include "platform/linux/GLibPtr.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <canberra.h>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace platform {

namespace {

constexpr char kApplicationName[] = "Kelvaro";
constexpr char kApplicationId[] = "com.kelvaro";
constexpr char kSwitchDescription[] = "Keyboard input source switched";
constexpr char kFallbackTheme[] = "freedesktop";
constexpr char kOutputProfile[] = "stereo";
// Silence: libcanberra parses the level with strtod, and PulseAudio turns it into volume 0.
constexpr char kSilentDecibels[] = "-inf";

bool isPlainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".")
        && name != QLatin1String("..");
}

// GNOME's choice of sound theme, read only when its settings schema is
// installed (GSettings aborts on an unknown schema).
QString desktopSoundThemeName()
{
    static constexpr char schemaId[] = "org.gnome.desktop.sound";
    static constexpr char key[] = "theme-name";
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return {};
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, schemaId, TRUE);
    if (!schema)
        return {};
    const bool hasKey = g_settings_schema_has_key(schema, key);
    g_settings_schema_unref(schema);
    if (!hasKey)
        return {};
    const GObjectPtr<GSettings> settings(g_settings_new(schemaId));
    const GCharPtr value(g_settings_get_string(settings.get(), key));
    const QString name = QString::fromUtf8(value.get());
    return isPlainName(name) ? name : QString();
}

// The formats libcanberra decodes: RIFF WAVE and Ogg.
bool isPlayableFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot read sound file %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray header = file.read(12);
    const bool isWave = header.size() == 12 && header.startsWith("RIFF") && header.mid(8, 4) == "WAVE";
    const bool isOgg = header.startsWith("OggS");
    if (!isWave && !isOgg) {
        if (error)
            *error = QStringLiteral("Sound file %1 is neither a WAV nor an Ogg file").arg(path);
        return false;
    }
    return true;
}

} // namespace

// One libcanberra context for every sound of a player; libcanberra locks it
// internally, so it is shared across threads.
class CanberraContext {
public:
    explicit CanberraContext(const QString& themeName)
    {
        if (ca_context_create(&m_context) != CA_SUCCESS) {
            m_context = nullptr;
            return;
        }
        const QByteArray theme = (themeName.isEmpty() ? QString::fromLatin1(kFallbackTheme) : themeName).toUtf8();
        ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, kApplicationName, CA_PROP_APPLICATION_ID,
                                kApplicationId, CA_PROP_CANBERRA_XDG_THEME_NAME, theme.constData(), nullptr);
    }
    ~CanberraContext()
    {
        if (m_context)
            ca_context_destroy(m_context);
    }
    CanberraContext(const CanberraContext&) = delete;
    CanberraContext& operator=(const CanberraContext&) = delete;

    ca_context* get() const { return m_context; }
    uint32_t nextPlaybackId() { return m_nextId.fetch_add(1) + 1; }

private:
    ca_context* m_context = nullptr;
    std::atomic<uint32_t> m_nextId{0};
};

namespace {

class CanberraSound final : public Sound {
public:
    CanberraSound(std::shared_ptr<CanberraContext> context, const QString& path)
        : m_context(std::move(context))
        , m_path(QFile::encodeName(path))
    {
    }

    bool isPlaying() const override
    {
        const uint32_t id = m_playbackId.load();
        int playing = 0;
        if (id == 0 || !m_context->get() || ca_context_playing(m_context->get(), id, &playing) != CA_SUCCESS)
            return false;
        return playing != 0;
    }

    void setVolume(float volume) override { m_volume.store(std::isnan(volume) ? 0.0f : std::clamp(volume, 0.0f, 1.0f)); }
    float volume() const override { return m_volume.load(); }

    bool play() override
    {
        if (!m_context->get())
            return false;
        const uint32_t id = m_context->nextPlaybackId();
        m_playbackId.store(id);
        const QByteArray decibels = CanberraSoundPlayer::decibelsForVolume(m_volume.load());
        return ca_context_play(m_context->get(), id, CA_PROP_MEDIA_FILENAME, m_path.constData(),
                               CA_PROP_CANBERRA_VOLUME, decibels.constData(), CA_PROP_MEDIA_ROLE, "event",
                               CA_PROP_EVENT_DESCRIPTION, kSwitchDescription, nullptr)
            == CA_SUCCESS;
    }

private:
    std::shared_ptr<CanberraContext> m_context;
    QByteArray m_path;
    std::atomic<float> m_volume{1.0f};
    std::atomic<uint32_t> m_playbackId{0};
};

} // namespace

CanberraSoundPlayer::CanberraSoundPlayer()
{
    const QString desktopTheme = desktopSoundThemeName();
    if (!desktopTheme.isEmpty())
        m_themeNames << desktopTheme;
    if (!m_themeNames.contains(QLatin1String(kFallbackTheme)))
        m_themeNames << QString::fromLatin1(kFallbackTheme);
    m_context = std::make_shared<CanberraContext>(m_themeNames.first());
}

CanberraSoundPlayer::~CanberraSoundPlayer() = default;

std::shared_ptr<Sound> CanberraSoundPlayer::loadSound(const QString& path, QString* error)
{
    if (!isPlayableFile(path, error))
        return nullptr;
    return std::make_shared<CanberraSound>(m_context, QFileInfo(path).absoluteFilePath());
}

std::shared_ptr<Sound> CanberraSoundPlayer::namedSound(const QString& name)
{
    const QString path = themeSoundPath(name);
    if (path.isEmpty())
        return nullptr;
    return loadSound(path);
}

QString CanberraSoundPlayer::themeSoundPath(const QString& name) const
{
    if (!isPlainName(name))
        return {};
    const QStringList dataDirectories = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString& theme : m_themeNames) {
        for (const QString& dataDirectory : dataDirectories) {
            const QDir folder(QStringLiteral("%1/sounds/%2/%3").arg(dataDirectory, theme, QLatin1String(kOutputProfile)));
            for (const char* extension : {"oga", "ogg", "wav"}) {
                const QString path = folder.filePath(name + QLatin1Char('.') + QLatin1String(extension));
                if (QFileInfo(path).isFile())
                    return path;
            }
        }
    }
    return {};
}

void CanberraSoundPlayer::playSystemClick()
{
    if (!m_context->get())
        return;
    for (const QString& eventId : systemClickEventIds()) {
        const int result = ca_context_play(m_context->get(), m_context->nextPlaybackId(), CA_PROP_EVENT_ID,
                                           eventId.toUtf8().constData(), CA_PROP_MEDIA_ROLE, "event",
                                           CA_PROP_EVENT_DESCRIPTION, kSwitchDescription, nullptr);
        if (result != CA_ERROR_NOTFOUND)
            return;
    }
}

QStringList CanberraSoundPlayer::systemClickEventIds()
{
    return {QStringLiteral("button-pressed"), QStringLiteral("audio-volume-change")};
}

QByteArray CanberraSoundPlayer::decibelsForVolume(float volume)
{
    if (!(volume > 0))
        return kSilentDecibels;
    const double linear = std::min(static_cast<double>(volume), 1.0);
    return QByteArray::number(20.0 * std::log10(linear), 'f', 2);
}

} // namespace platform
