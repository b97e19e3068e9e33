// What the processor and the controller share as COM objects: finding an
// interface, the reference count, and the connection point's slots (the two
// exchange nothing; they learn values from the host).
#include "vst3/vst3_binding.h"

#include <string.h>

tresult vst3_object_query(void* object, int32_t* ref_count, const Vst3InterfaceIid* iids,
                          size_t count, const uint8_t* iid, void** obj)
{
    if (!obj)
        return VST3_INVALID_ARGUMENT;
    for (size_t i = 0; i < count; i++) {
        if (vst3_iid_equal(iid, iids[i].iid)) {
            *obj = (char*)object + (size_t)iids[i].k * sizeof(void*);
            __atomic_add_fetch(ref_count, 1, __ATOMIC_SEQ_CST);
            return VST3_OK;
        }
    }
    *obj = NULL;
    return VST3_NO_INTERFACE;
}

uint32_t vst3_object_add_ref(int32_t* ref_count)
{
    return (uint32_t)__atomic_add_fetch(ref_count, 1, __ATOMIC_SEQ_CST);
}

uint32_t vst3_object_release(int32_t* ref_count)
{
    return (uint32_t)__atomic_sub_fetch(ref_count, 1, __ATOMIC_SEQ_CST);
}

void vst3_copy_ascii16(vst3_char16* field, size_t units, const char* ascii)
{
    memset(field, 0, units * sizeof *field);
    for (size_t i = 0; i + 1 < units && ascii[i]; i++)
        field[i] = (vst3_char16)(unsigned char)ascii[i];
}

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
