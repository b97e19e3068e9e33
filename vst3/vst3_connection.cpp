// The connection point both objects offer: the processor and the controller
// exchange nothing, they learn values from the host.
#include "vst3/vst3_binding.h"

tresult vst3_connection_connect(Vst3ConnectionPoint* self, Vst3ConnectionPoint* other)
{
    (void)self;
    return other ? VST3_OK : VST3_INVALID_ARGUMENT;
}

tresult vst3_connection_disconnect(Vst3ConnectionPoint* self, Vst3ConnectionPoint* other)
{
    (void)self;
    (void)other;
    return VST3_OK;
}

tresult vst3_connection_notify(Vst3ConnectionPoint* self, Vst3FUnknown* message)
{
    (void)self;
    (void)message;
    return VST3_OK;
}
