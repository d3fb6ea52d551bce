#include "platform/linux/XkbInputSources.h"

#include "platform/PlatformLog.h"
#include "platform/linux/KeyboardLayoutRegistry.h"
#include "platform/linux/XcbXkb.h"
#include "platform/linux/XkbKeymapLayouts.h"

namespace platform {

namespace {

constexpr char kRulesNamesProperty[] = "_XKB_RULES_NAMES";

xcb_xkb_get_names_cookie_t requestKeymapNames(xcb_connection_t* connection)
{
    return xcb_xkb_get_names(connection, kCoreKeyboard,
                             XCB_XKB_NAME_DETAIL_SYMBOLS | XCB_XKB_NAME_DETAIL_GROUP_NAMES);
}

} // namespace

// Atoms live as long as the server, so each name is asked for once.
QList<QString> XkbInputSources::atomNames(const QList<xcb_atom_t>& atoms)
{
    xcb_connection_t* connection = m_connection.connection();
    QList<xcb_get_atom_name_cookie_t> cookies(atoms.size());
    for (qsizetype i = 0; i < atoms.size(); ++i) {
        if (atoms[i] != XCB_ATOM_NONE && !m_atomNames.contains(atoms[i]))
            cookies[i] = xcb_get_atom_name(connection, atoms[i]);
    }
    QList<QString> names;
    names.reserve(atoms.size());
    for (qsizetype i = 0; i < atoms.size(); ++i) {
        if (cookies[i].sequence) {
            XcbReply<xcb_get_atom_name_reply_t> reply(xcb_get_atom_name_reply(connection, cookies[i], nullptr));
            // Group names come from the keymap source files, which are UTF-8.
            if (reply) {
                m_atomNames.insert(atoms[i], QString::fromUtf8(xcb_get_atom_name_name(reply.get()),
                                                               xcb_get_atom_name_name_length(reply.get())));
            }
        }
        names.append(m_atomNames.value(atoms[i]));
    }
    return names;
}

XkbInputSources::KeymapNames XkbInputSources::keymapNames(xcb_xkb_get_names_cookie_t cookie, int groupCount)
{
    KeymapNames names;
    names.groups.resize(groupCount);
    xcb_connection_t* connection = m_connection.connection();
    XcbReply<xcb_xkb_get_names_reply_t> reply(xcb_xkb_get_names_reply(connection, cookie, nullptr));
    if (!reply)
        return names;
    xcb_xkb_get_names_value_list_t values{};
    xcb_xkb_get_names_value_list_unpack(xcb_xkb_get_names_value_list(reply.get()), reply->nTypes, reply->indicators,
                                        reply->virtualMods, reply->groupNames, reply->nKeys, reply->nKeyAliases,
                                        reply->nRadioGroups, reply->which, &values);

    // One atom is sent for each bit set in groupNames, in bit order. The
    // group count is the server's word (up to 255), the mask has 8 bits.
    QList<xcb_atom_t> atoms{values.symbolsName};
    int sent = 0;
    for (int group = 0; group < groupCount; ++group) {
        const bool named = group < 8 && ((reply->groupNames >> group) & 1);
        atoms.append(named ? values.groups[sent] : xcb_atom_t(XCB_ATOM_NONE));
        sent += named;
    }
    const QList<QString> texts = atomNames(atoms);
    names.symbols = texts.first();
    for (int group = 0; group < groupCount; ++group)
        names.groups[group] = texts[group + 1];
    return names;
}

XkbInputSources::XkbInputSources(XConnection& connection, QObject* parent)
    : XkbInputSources(connection, KeyboardLayoutRegistry::shared(), parent)
{
}

XkbInputSources::XkbInputSources(XConnection& connection, KeyboardLayoutRegistry& registry, QObject* parent)
    : TextInputSources(parent)
    , m_connection(connection)
    , m_registry(registry)
{
    xcb_connection_t* c = connection.connection();
    QString whyNot;
    const auto eventBase = useXkbExtension(c, &whyNot);
    if (!eventBase) {
        // No X server of these years lacks XKEYBOARD (it has long been built
        // in and cannot be switched off), so only a hand-made server comes
        // here, and no test does. The object stays unavailable: it is no
        // listener, and every call answers "failed" or "nothing" without
        // asking the server.
        logError(whyNot + QStringLiteral("; keyboard layouts cannot be listed or selected"));
        return;
    }
    m_available = true;
    m_xkbEventBase = *eventBase;
    m_connection.atom(kRulesNamesProperty);   // interned now, so events can be matched without a round trip
    connection.addListener(this);

    // A change of locked group, and every way a new keymap arrives.
    const uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY
        | XCB_XKB_EVENT_TYPE_STATE_NOTIFY | XCB_XKB_EVENT_TYPE_NAMES_NOTIFY;
    const uint16_t newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES | XCB_XKB_NKN_DETAIL_DEVICE_ID;
    const uint16_t mapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS;
    const uint16_t nameDetails = XCB_XKB_NAME_DETAIL_SYMBOLS | XCB_XKB_NAME_DETAIL_GROUP_NAMES;
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = newKeyboardDetails;
    details.newKeyboardDetails = newKeyboardDetails;
    details.affectState = XCB_XKB_STATE_PART_GROUP_LOCK;
    details.stateDetails = XCB_XKB_STATE_PART_GROUP_LOCK;
    details.affectNames = nameDetails;
    details.namesDetails = nameDetails;
    const auto selectCookie =
        xcb_xkb_select_events_aux_checked(c, kCoreKeyboard, events, 0, 0, mapParts, mapParts, &details);

    m_connection.selectEvents(connection.rootWindow(), XCB_EVENT_MASK_PROPERTY_CHANGE);

    if (XcbReply<xcb_generic_error_t> error{xcb_request_check(c, selectCookie)}) {
        logError(QStringLiteral("The X server refused XKEYBOARD notifications (error %1); "
                                              "keyboard layout changes will go unnoticed")
                                   .arg(error->error_code));
    }
    connection.flush();
}

XkbInputSources::~XkbInputSources()
{
    m_connection.removeListener(this);
}

std::optional<QList<PlatformInputSource>> XkbInputSources::enabledInputSources()
{
    if (!m_available)
        return std::nullopt;
    if (!m_enabledSources)
        m_enabledSources = readEnabledInputSources();
    return m_enabledSources;
}

std::optional<QList<PlatformInputSource>> XkbInputSources::readEnabledInputSources()
{
    xcb_connection_t* c = m_connection.connection();
    // All three requests leave before the first reply is awaited: one round trip.
    const auto controlsCookie = xcb_xkb_get_controls(c, kCoreKeyboard);
    const auto namesCookie = requestKeymapNames(c);
    const auto rulesNames = m_connection.stringListProperty(m_connection.rootWindow(),
                                                            m_connection.atom(kRulesNamesProperty));
    XcbReply<xcb_xkb_get_controls_reply_t> controls(xcb_xkb_get_controls_reply(c, controlsCookie, nullptr));
    if (!controls) {
        xcb_discard_reply(c, namesCookie.sequence);
        return std::nullopt;
    }
    const int groupCount = controls->numGroups;
    const KeymapNames names = keymapNames(namesCookie, groupCount);
    // A selection reads the names each time; the same names give the same list.
    ListSource list{names.symbols, names.groups, rulesNames, groupCount};
    if (m_lastList && m_lastList->first == list)
        return m_lastList->second;
    const auto layouts = XkbKeymapLayouts::ofGroups(names.symbols, rulesNames, groupCount);

    QList<PlatformInputSource> sources;
    sources.reserve(groupCount);
    for (int group = 0; group < groupCount; ++group) {
        PlatformInputSource source;
        source.isSelectCapable = true;
        source.handle = group;
        const auto& layout = layouts[group];
        const auto info = layout ? m_registry.find(layout->layout, layout->variant) : std::nullopt;
        if (layout)
            source.id = KeyboardLayoutRegistry::inputSourceId(layout->layout, layout->variant,
                                                              info ? info->language : QString());
        if (info && !info->description.isEmpty())
            source.localizedName = info->description;
        else if (const QString groupName = names.groups.value(group); !groupName.isEmpty())
            source.localizedName = groupName;
        sources.append(source);
    }
    m_lastList = {std::move(list), sources};
    return sources;
}

std::optional<PlatformInputSource> XkbInputSources::currentKeyboardInputSource()
{
    if (!m_available)
        return std::nullopt;
    xcb_connection_t* c = m_connection.connection();
    XcbReply<xcb_xkb_get_state_reply_t> state(
        xcb_xkb_get_state_reply(c, xcb_xkb_get_state(c, kCoreKeyboard), nullptr));
    if (!state)
        return std::nullopt;
    const auto sources = enabledInputSources();
    if (!sources || state->lockedGroup >= sources->size())
        return std::nullopt;
    return sources->at(state->lockedGroup);
}

int XkbInputSources::selectInputSource(const PlatformInputSource& source)
{
    if (!m_available)
        return kStatusFailed;
    // The keymap may have changed since the entry was listed, and its notice
    // may still be on the way: the group must hold the same layout now.
    m_enabledSources = readEnabledInputSources();
    const auto& sources = m_enabledSources;
    if (!sources)
        return kStatusFailed;
    if (!source.id || source.handle < 0 || source.handle >= sources->size()
        || sources->at(source.handle).id != source.id)
        return kStatusNotFound;

    xcb_connection_t* c = m_connection.connection();
    const auto cookie = xcb_xkb_latch_lock_state_checked(c, kCoreKeyboard, 0, 0, 1, uint8_t(source.handle), 0, 0, 0);
    XcbReply<xcb_generic_error_t> error(xcb_request_check(c, cookie));
    if (error || m_connection.hasError())
        return kStatusFailed;
    return kStatusOk;
}

void XkbInputSources::handleXEvent(const xcb_generic_event_t* event)
{
    const quint8 type = event->response_type & 0x7f;
    bool changed = false;
    if (type == m_xkbEventBase) {
        // Every XKB event carries its kind in the second byte.
        switch (event->pad0) {
        case XCB_XKB_NEW_KEYBOARD_NOTIFY:
        case XCB_XKB_MAP_NOTIFY:
        case XCB_XKB_NAMES_NOTIFY:
            m_enabledSources.reset();
            changed = true;
            break;
        case XCB_XKB_STATE_NOTIFY:
            changed = reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event)->changed
                & XCB_XKB_STATE_PART_GROUP_LOCK;
            break;
        default:
            break;
        }
    } else if (type == XCB_PROPERTY_NOTIFY) {
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        changed = notify->window == m_connection.rootWindow()
            && notify->atom == m_connection.atom(kRulesNamesProperty);
        if (changed)
            m_enabledSources.reset();
    }
    // A new keymap comes as a burst of events; listeners hear of it once.
    if (changed)
        notifyChangeAfterBurst();
}

} // namespace platform
