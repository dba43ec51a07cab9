#pragma once

// Shared by the driver's sources: finding a dialog's controls, or failing the test loudly.

#include "Internal.h"
#include "Wnd.h"

#include <stdexcept>
#include <string>

namespace platform::test::driver {

inline QWidget* widgetOf(CWnd& dialog, int id)
{
    QWidget* widget = detail::findControl(dialog.GetSafeHwnd(), id);
    if (!widget)
        throw std::logic_error("no control with id " + std::to_string(id));
    return widget;
}

template <class W>
W* controlOf(CWnd& dialog, int id)
{
    auto* widget = qobject_cast<W*>(widgetOf(dialog, id));
    if (!widget)
        throw std::logic_error("control " + std::to_string(id) + " is not of the expected kind");
    return widget;
}

// The list view with this id, with the rows added so far shown; null for another control.
inline detail::ListView* listViewOf(CWnd& dialog, int id)
{
    auto* view = dynamic_cast<detail::ListView*>(widgetOf(dialog, id));
    if (view)
        view->listModel()->publish();
    return view;
}

}  // namespace platform::test::driver
