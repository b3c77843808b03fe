// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QList>
#include <QMenu>
#include <QObject>
#include <QString>
#include <QWidget>

namespace TestSupport {

namespace ControlsDetail {

// Whether the object is the window's own and not a control of a window opened on it: the
// editor, a child of the main window, has boxes and popups named as the main window's. The
// window's popup menus are windows of their own too, yet belong to it.
inline bool ownedBy(const QObject* object, const QObject* window)
{
    for (const QObject* parent = object->parent(); parent && parent != window; parent = parent->parent()) {
        const auto* widget = qobject_cast<const QWidget*>(parent);
        if (widget && widget->isWindow() && !qobject_cast<const QMenu*>(widget))
            return false;
    }
    return true;
}

} // namespace ControlsDetail

// The window's controls of this type that share one name (the recent files, the date
// formats), in the order the window made them. None at all ends the test program with the
// name: the test and the window disagree about what the window holds.
template <typename T> QList<T*> controls(const QObject* window, const char* name)
{
    QList<T*> own;
    for (T* found : window->findChildren<T*>(QString::fromLatin1(name)))
        if (ControlsDetail::ownedBy(found, window))
            own << found;
    if (own.isEmpty())
        qFatal("%s has no %s named \"%s\"", qPrintable(window->objectName()), T::staticMetaObject.className(), name);
    return own;
}

// A window's control of this type by its objectName, the way a test reaches the widgets and
// actions that the window keeps to itself. A name that is missing or that several controls
// share ends the test program.
template <typename T> T* control(const QObject* window, const char* name)
{
    const QList<T*> found = controls<T>(window, name);
    if (found.size() > 1)
        qFatal("%s has %d controls named \"%s\"", qPrintable(window->objectName()), int(found.size()), name);
    return found.constFirst();
}

} // namespace TestSupport
