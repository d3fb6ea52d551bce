#pragma once

#include "core/InputSource.h"

#include <QList>
#include <QObject>

#include <optional>

namespace platform {
struct PlatformInputSource;
class TextInputSources;
}

// The program's only door to the desktop's keyboard input sources: the list to
// pick from (read once; when the desktop could not give it, read again at its
// next change notice, as when a shell extension starts answering), display
// names, the current source and selection. Main thread only.
class InputSourceManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<InputSource> installedInputSources READ installedInputSources NOTIFY installedInputSourcesChanged)
public:
    static InputSourceManager& shared();

    explicit InputSourceManager(platform::TextInputSources& platform, QObject* parent = nullptr);

    // The entry as the list offers it, or nothing for an entry the list leaves
    // out (not selectable, or without an identifier).
    static std::optional<InputSource> offered(const platform::PlatformInputSource& entry);

    QList<InputSource> installedInputSources() const { return m_installedInputSources; }

    void loadInputSources();
    QString getInputSourceName(const QString& identifier) const;
    std::optional<InputSource> getCurrentInputSource() const;
    bool selectInputSource(const QString& identifier);

    platform::TextInputSources& platform() const { return m_platform; }

signals:
    // Sent on every assignment of the list, also when it is unchanged.
    void installedInputSourcesChanged(const QList<InputSource>& sources);

private:
    void setInstalledInputSources(const QList<InputSource>& sources);

    platform::TextInputSources& m_platform;
    QList<InputSource> m_installedInputSources;
    bool m_loaded = false;
};
