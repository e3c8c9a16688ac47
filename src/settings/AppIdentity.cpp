#include "settings/AppIdentity.h"

#include "platform/Text.h"
#include "settings/Settings.h"
#include "settings/TextTable.h"

namespace settings {

std::u16string AppTitle() {
    std::u16string title = text::FromField(g_opt.Title, std::size(g_opt.Title));
    return title.empty() ? Text(u"tc_title").substr(0, 39) : title;
}

std::u16string SingleInstanceMutexName() {
    const std::u16string& name = Text(u"tc_mutex");
    return name.empty() ? u"MUTEX_MIRVA_WIRELESS" : name;
}

} // namespace settings
