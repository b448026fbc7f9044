#include "plugins/kbeditor/KeyboardLocks.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPointer>
#include <QSocketNotifier>

#include <xcb/xcb.h>
// The C header names a member "explicit".
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <cstdlib>
#include <cstring>
#include <memory>

Q_LOGGING_CATEGORY(lcKeyboardLocks, "ostrel.lumory.locks")

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

class CXkbKeyboardLocks : public IKeyboardLocks
{
public:
    explicit CXkbKeyboardLocks(QObject *parent) : IKeyboardLocks(parent) { Open(); }
    ~CXkbKeyboardLocks() override
    {
        delete m_notifier;
        if (m_connection)
            xcb_disconnect(m_connection);
    }

    bool Known() const override { return m_connection != nullptr; }

    KeyboardLockState State() override
    {
        if (!m_connection)
            return {};
        Reply<xcb_xkb_get_indicator_state_reply_t> reply(
            xcb_xkb_get_indicator_state_reply(
                m_connection, xcb_xkb_get_indicator_state(m_connection, XCB_XKB_ID_USE_CORE_KBD), nullptr),
            &std::free);
        if (!reply)
            return {};
        const uint32_t on = reply->state;
        return {(on & m_caps) != 0, (on & m_num) != 0, (on & m_scroll) != 0};
    }

private:
    void Open()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return;
        xcb_connection_t *c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c)) {
            xcb_disconnect(c);
            return;
        }
        Reply<xcb_xkb_use_extension_reply_t> use(
            xcb_xkb_use_extension_reply(
                c, xcb_xkb_use_extension(c, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION), nullptr),
            &std::free);
        if (!use || !use->supported) {
            qCInfo(lcKeyboardLocks) << "the X server has no keyboard extension; no lock indicators";
            xcb_disconnect(c);
            return;
        }
        m_connection = c;
        FindIndicators();
        const uint16_t events = XCB_XKB_EVENT_TYPE_INDICATOR_STATE_NOTIFY;
        xcb_xkb_select_events(c, XCB_XKB_ID_USE_CORE_KBD, events, 0, events, 0, 0, nullptr);
        xcb_flush(c);
        m_event = xcb_get_extension_data(c, &xcb_xkb_id)->first_event;
        m_notifier = new QSocketNotifier(xcb_get_file_descriptor(c), QSocketNotifier::Read);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { ReadEvents(); });
    }

    // The indicators' bits by name; the usual layout when names are missing.
    void FindIndicators()
    {
        const struct
        {
            const char *name;
            uint32_t *bit;
        } wanted[] = {{"Caps Lock", &m_caps}, {"Num Lock", &m_num}, {"Scroll Lock", &m_scroll}};
        for (const auto &w : wanted) {
            Reply<xcb_intern_atom_reply_t> atom(
                xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 1, uint16_t(strlen(w.name)), w.name),
                                      nullptr),
                &std::free);
            if (!atom || atom->atom == XCB_ATOM_NONE)
                continue;
            Reply<xcb_xkb_get_named_indicator_reply_t> named(
                xcb_xkb_get_named_indicator_reply(
                    m_connection,
                    xcb_xkb_get_named_indicator(m_connection, XCB_XKB_ID_USE_CORE_KBD, XCB_XKB_LED_CLASS_DFLT_XI_CLASS,
                                                XCB_XKB_ID_DFLT_XI_ID, atom->atom),
                    nullptr),
                &std::free);
            if (named && named->found && named->ndx < 32)
                *w.bit = 1u << named->ndx;
        }
    }

    void ReadEvents()
    {
        bool changed = false;
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            changed |= (event->response_type & 0x7f) == m_event;
            std::free(event);
        }
        if (xcb_connection_has_error(m_connection)) {
            m_notifier->setEnabled(false);
            return;
        }
        if (changed)
            emit Changed();
    }

    xcb_connection_t *m_connection = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    uint8_t m_event = 0;
    uint32_t m_caps = 1u << 0;
    uint32_t m_num = 1u << 1;
    uint32_t m_scroll = 1u << 2;
};

} // namespace

IKeyboardLocks *KeyboardLocks()
{
    static QPointer<IKeyboardLocks> locks;
    if (!locks)
        locks = new CXkbKeyboardLocks(QCoreApplication::instance());
    return locks;
}
