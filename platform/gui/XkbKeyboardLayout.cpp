#include "platform/gui/XkbKeyboardLayout.h"

#include <QCoreApplication>
#include <QGuiApplication>
// The XKB protocol header names a field "explicit".
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace quil {

namespace {
// The fields every XKB event starts with.
struct XkbEventHeader {
    uint8_t responseType;
    uint8_t xkbType;
    uint16_t sequence;
    xcb_timestamp_t time;
    uint8_t deviceID;
};
} // namespace

std::unique_ptr<XkbKeyboardLayout> XkbKeyboardLayout::create()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return nullptr;
    uint8_t firstEvent = 0;
    if (!xkb_x11_setup_xkb_extension(
            connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &firstEvent, nullptr))
        return nullptr;
    const int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    if (device < 0)
        return nullptr;
    std::unique_ptr<XkbKeyboardLayout> layout(
        new XkbKeyboardLayout(connection, device, firstEvent));
    if (!layout->FKeymap)
        return nullptr;
    return layout;
}

XkbKeyboardLayout::XkbKeyboardLayout(xcb_connection_t *connection, int device, int firstEvent)
    : FConnection(connection), FDevice(device), FFirstEvent(firstEvent),
      FContext(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
{
    // Qt asks for these events on the same connection already; asking again for all their
    // details changes nothing for it and does not depend on it.
    constexpr uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY |
                                XCB_XKB_EVENT_TYPE_MAP_NOTIFY | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
    constexpr uint16_t mapParts =
        XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP |
        XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS | XCB_XKB_MAP_PART_KEY_ACTIONS |
        XCB_XKB_MAP_PART_VIRTUAL_MODS | XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
    xcb_xkb_select_events(FConnection, xcb_xkb_device_spec_t(FDevice), events, 0, events, mapParts,
                          mapParts, nullptr);
    xcb_flush(FConnection);
    if (FContext)
        reload();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

XkbKeyboardLayout::~XkbKeyboardLayout()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    xkb_keymap_unref(FKeymap);
    xkb_context_unref(FContext);
}

void XkbKeyboardLayout::reload()
{
    xkb_keymap *keymap =
        xkb_x11_keymap_new_from_device(FContext, FConnection, FDevice, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap)
        return; // the keymap we had stays
    xkb_keymap_unref(FKeymap);
    FKeymap = keymap;
    if (xkb_state *state = xkb_x11_state_new_from_device(FKeymap, FConnection, FDevice)) {
        FGroup = int(xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
        xkb_state_unref(state);
    }
}

QString XkbKeyboardLayout::currentName() const
{
    if (!FKeymap || FGroup < 0 || xkb_layout_index_t(FGroup) >= xkb_keymap_num_layouts(FKeymap))
        return {};
    return QString::fromUtf8(xkb_keymap_layout_get_name(FKeymap, xkb_layout_index_t(FGroup)));
}

int XkbKeyboardLayout::currentLanguage() const { return languageOfLayoutName(currentName()); }

bool XkbKeyboardLayout::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != FFirstEvent)
        return false;
    const auto *xkb = reinterpret_cast<const XkbEventHeader *>(event);
    if (xkb->deviceID != FDevice)
        return false;
    const int groupBefore = FGroup;
    const int languageBefore = currentLanguage();
    switch (xkb->xkbType) {
    case XCB_XKB_STATE_NOTIFY:
        FGroup = reinterpret_cast<const xcb_xkb_state_notify_event_t *>(event)->group;
        break;
    case XCB_XKB_MAP_NOTIFY:
    case XCB_XKB_NEW_KEYBOARD_NOTIFY: reload(); break;
    default: return false;
    }
    // A new keymap may put another layout under the same group.
    if (FGroup != groupBefore || currentLanguage() != languageBefore)
        emit switched();
    return false; // Qt reads the same events for its own keyboard
}

} // namespace quil
