// The LV2 UI descriptor. The editor needs the Web UI host, which is not
// built yet: until then no UI is offered for any index.
#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>
#include <stddef.h>

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    (void)index;
    return NULL;
}
