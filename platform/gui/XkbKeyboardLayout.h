#pragma once

#include "platform/KeyboardLayout.h"

#include <QAbstractNativeEventFilter>
#include <memory>

struct xcb_connection_t;
struct xkb_context;
struct xkb_keymap;

namespace quil {

// The keyboard layout on X11: the XKB group of the core keyboard and its name, read through
// the application's X connection. Group switches and new keymaps arrive as XKB events, which a
// native event filter watches (no polling); each change of the group is signalled as a switch.
class XkbKeyboardLayout : public KeyboardLayout, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // Null unless the application runs on an X server with the XKB extension.
    static std::unique_ptr<XkbKeyboardLayout> create();
    ~XkbKeyboardLayout() override;

    int currentLanguage() const override;
    // The name XKB gives the current group, as "English (US)" or "Russian".
    QString currentName() const;
    int currentGroup() const { return FGroup; }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    XkbKeyboardLayout(xcb_connection_t *connection, int device, int firstEvent);
    // Reads the keymap and the current group from the server.
    void reload();

    xcb_connection_t *FConnection;
    int FDevice;
    int FFirstEvent;
    xkb_context *FContext = nullptr;
    xkb_keymap *FKeymap = nullptr;
    int FGroup = 0;
};

} // namespace quil
