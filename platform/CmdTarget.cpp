#include "CmdTarget.h"

const MessageMap* CCmdTarget::GetThisMessageMap()
{
    static const MessageMap map{nullptr, {}};
    return &map;
}

const MessageMapEntry* CCmdTarget::FindHandler(UINT message, UINT code, int id) const
{
    const bool routed = message == WM_COMMAND || message == WM_NOTIFY;
    for (const MessageMap* map = GetMessageMap(); map; map = map->base) {
        for (const MessageMapEntry& entry : map->entries) {
            if (entry.message != message)
                continue;
            if (routed && (entry.code != code || entry.id != id))
                continue;
            return &entry;
        }
    }
    return nullptr;
}
