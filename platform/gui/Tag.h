#pragma once

#include <QObject>
#include <QVariant>

// Small on/off states (0 or 1) kept on a menu item or control under the name "Tag".
inline int tag(const QObject *object) { return object->property("Tag").toInt(); }
inline void setTag(QObject *object, int value) { object->setProperty("Tag", value); }
