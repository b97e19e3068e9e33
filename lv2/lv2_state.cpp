// The LV2 state interface. The state archive is not built yet, so the
// plug-in offers no state extension for now.
#include "lv2/lv2_binding.h"

const void* lv2_state_extension(const char* uri)
{
    (void)uri;
    return NULL;
}
