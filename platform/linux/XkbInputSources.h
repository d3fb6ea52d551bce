#pragma once

#include "platform/TextInputSources.h"
#include "platform/linux/XConnection.h"
#include "platform/linux/XcbXkb.h"

namespace platform {

class KeyboardLayoutRegistry;

// Input sources on XKB: the groups of the current keymap, in group order.
// Selecting one locks its group; the current source is the locked group. The
// change notice follows XKB state notifications (a group change) and keymap
// changes. Everything runs on the main thread through the XConnection.
//
// The list is read from the server once per keymap: it is kept until a keymap
// or names notice, or a change of _XKB_RULES_NAMES, says it may differ. Only
// selection reads it afresh (its notice may still be on the way), so a switch
// waits for two round trips: that read and the group lock.
class XkbInputSources : public TextInputSources, private XEventListener {
    Q_OBJECT
public:
    explicit XkbInputSources(XConnection& connection, QObject* parent = nullptr);
    XkbInputSources(XConnection& connection, KeyboardLayoutRegistry& registry, QObject* parent = nullptr);
    ~XkbInputSources() override;

    // False when the server has no usable XKEYBOARD extension; then there is
    // no list and selection fails.
    bool isAvailable() const { return m_available; }

    std::optional<QList<PlatformInputSource>> enabledInputSources() override;
    std::optional<PlatformInputSource> currentKeyboardInputSource() override;
    int selectInputSource(const PlatformInputSource& source) override;

private:
    // The keymap's own names: its symbols name and the name of each group.
    struct KeymapNames {
        QString symbols;
        QList<QString> groups;
    };

    void handleXEvent(const xcb_generic_event_t* event) override;
    std::optional<QList<PlatformInputSource>> readEnabledInputSources();
    KeymapNames keymapNames(xcb_xkb_get_names_cookie_t cookie, int groupCount);
    QList<QString> atomNames(const QList<xcb_atom_t>& atoms);

    XConnection& m_connection;
    KeyboardLayoutRegistry& m_registry;
    bool m_available = false;
    quint8 m_xkbEventBase = 0;
    // What the last list was built from, and that list.
    struct ListSource {
        QString symbols;
        QList<QString> groupNames;
        std::optional<QStringList> rulesNames;
        int groupCount = 0;
        bool operator==(const ListSource&) const = default;
    };
    std::optional<std::pair<ListSource, QList<PlatformInputSource>>> m_lastList;
    QHash<xcb_atom_t, QString> m_atomNames;
    std::optional<QList<PlatformInputSource>> m_enabledSources;   // none: read it at the next use
};

} // namespace platform
