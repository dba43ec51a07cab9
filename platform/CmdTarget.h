#pragma once

// Message maps: a per-class table from (message, notification code, control id) to a
// member handler, chained to the base class's table.

#include "Afx.h"

#include <functional>
#include <vector>

class CCmdTarget;
class CDC;
class CWnd;

struct MessageMapEntry {
    UINT message;
    UINT code;  // notification code for WM_COMMAND and WM_NOTIFY; unused otherwise
    int id;     // control or command id for WM_COMMAND and WM_NOTIFY; unused otherwise
    std::function<LRESULT(CCmdTarget*, WPARAM, LPARAM)> handler;
};

struct MessageMap {
    const MessageMap* base;
    std::vector<MessageMapEntry> entries;
};

// WM_CTLCOLOR carries its three arguments in one record.
struct CtlColorArgs {
    CDC* dc;
    CWnd* wnd;
    UINT ctlType;
};

class CCmdTarget {
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

    // The handler for the message, searching this class's map then its bases'. Null if none.
    const MessageMapEntry* FindHandler(UINT message, UINT code, int id) const;

    static const MessageMap* GetThisMessageMap();
    virtual const MessageMap* GetMessageMap() const { return GetThisMessageMap(); }
};

namespace platform::detail {

template <class T>
MessageMapEntry command(UINT code, int id, void (T::*fn)())
{
    return {WM_COMMAND, code, id, [fn](CCmdTarget* t, WPARAM, LPARAM) -> LRESULT {
                (static_cast<T*>(t)->*fn)();
                return 0;
            }};
}

template <class T>
MessageMapEntry notify(UINT code, int id, void (T::*fn)(NMHDR*, LRESULT*))
{
    return {WM_NOTIFY, code, id, [fn](CCmdTarget* t, WPARAM, LPARAM l) -> LRESULT {
                LRESULT result = 0;
                (static_cast<T*>(t)->*fn)(reinterpret_cast<NMHDR*>(l), &result);
                return result;
            }};
}

template <class T>
MessageMapEntry paint(void (T::*fn)())
{
    return {WM_PAINT, 0, 0, [fn](CCmdTarget* t, WPARAM, LPARAM) -> LRESULT {
                (static_cast<T*>(t)->*fn)();
                return 0;
            }};
}

template <class T>
MessageMapEntry create(int (T::*fn)(LPCREATESTRUCT))
{
    return {WM_CREATE, 0, 0, [fn](CCmdTarget* t, WPARAM, LPARAM l) -> LRESULT {
                return (static_cast<T*>(t)->*fn)(reinterpret_cast<LPCREATESTRUCT>(l));
            }};
}

template <class T>
MessageMapEntry ctlColor(HBRUSH (T::*fn)(CDC*, CWnd*, UINT))
{
    return {WM_CTLCOLOR, 0, 0, [fn](CCmdTarget* t, WPARAM, LPARAM l) -> LRESULT {
                auto* args = reinterpret_cast<CtlColorArgs*>(l);
                return reinterpret_cast<LRESULT>((static_cast<T*>(t)->*fn)(args->dc, args->wnd, args->ctlType));
            }};
}

template <class T>
MessageMapEntry sysCommand(void (T::*fn)(UINT, LPARAM))
{
    return {WM_SYSCOMMAND, 0, 0, [fn](CCmdTarget* t, WPARAM w, LPARAM l) -> LRESULT {
                (static_cast<T*>(t)->*fn)(static_cast<UINT>(w), l);
                return 0;
            }};
}

template <class T>
MessageMapEntry queryDragIcon(HCURSOR (T::*fn)())
{
    return {WM_QUERYDRAGICON, 0, 0, [fn](CCmdTarget* t, WPARAM, LPARAM) -> LRESULT {
                return reinterpret_cast<LRESULT>((static_cast<T*>(t)->*fn)());
            }};
}

}  // namespace platform::detail

#define DECLARE_MESSAGE_MAP()                                  \
public:                                                        \
    static const MessageMap* GetThisMessageMap();              \
    const MessageMap* GetMessageMap() const override;          \
                                                               \
private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                   \
    const MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const MessageMap* theClass::GetThisMessageMap()                              \
    {                                                                            \
        using ThisClass = theClass;                                              \
        static const MessageMap map{baseClass::GetThisMessageMap(), {

#define END_MESSAGE_MAP() \
        }};               \
        return &map;      \
    }

#define ON_COMMAND(id, fn) ::platform::detail::command<ThisClass>(BN_CLICKED, id, &ThisClass::fn),
#define ON_BN_CLICKED(id, fn) ::platform::detail::command<ThisClass>(BN_CLICKED, id, &ThisClass::fn),
#define ON_CBN_SELCHANGE(id, fn) ::platform::detail::command<ThisClass>(CBN_SELCHANGE, id, &ThisClass::fn),
#define ON_NOTIFY(code, id, fn) ::platform::detail::notify<ThisClass>(code, id, &ThisClass::fn),
#define ON_WM_PAINT() ::platform::detail::paint<ThisClass>(&ThisClass::OnPaint),
#define ON_WM_CREATE() ::platform::detail::create<ThisClass>(&ThisClass::OnCreate),
#define ON_WM_CTLCOLOR() ::platform::detail::ctlColor<ThisClass>(&ThisClass::OnCtlColor),
#define ON_WM_SYSCOMMAND() ::platform::detail::sysCommand<ThisClass>(&ThisClass::OnSysCommand),
#define ON_WM_QUERYDRAGICON() ::platform::detail::queryDragIcon<ThisClass>(&ThisClass::OnQueryDragIcon),
