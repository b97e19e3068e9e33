// The plug view: the host's handle on the editor. Attached, it owns a Web UI
// host under the host's window and turns page gestures into component
// handler calls; everything inside the editor belongs to the Web UI host.
#include "news/news.h"
#include "vst3/vst3_binding.h"
#include "webui/web_ui.h"

#include <stdlib.h>
#include <string.h>

static vst3_view* view_of(Vst3PlugView* self) { return (vst3_view*)(void*)self; }

// ---- Page gestures (on the host's main thread) ----

// Stores a page value in the controller and gives back its id and
// normalized value. False when the controller is already gone.
static bool view_store_value(vst3_view* view, uint32_t index, float value, vst3_param_id* id,
                             double* normalized)
{
    vst3_controller* c = view->controller;
    if (!c || index >= ENGINE_PARAM_COUNT)
        return false;
    // A NaN from the page carries no value; the gesture goes on with the old one.
    if (value == value)
        c->plain_values[index] = vst3_limit_plain((int32_t)index, value);
    double minimum = engine_params[index].minimum;
    double maximum = engine_params[index].maximum;
    *id = vst3_param_ids[index];
    *normalized = (c->plain_values[index] - minimum) / (maximum - minimum);
    return true;
}

enum { GESTURE_BEGIN = 1, GESTURE_END = 2 };

static void view_gesture(void* binding_data, uint32_t index, float value, int parts)
{
    vst3_view* view = (vst3_view*)binding_data;
    vst3_param_id id;
    double normalized;
    if (!view_store_value(view, index, value, &id, &normalized))
        return;
    Vst3ComponentHandler* handler = view->controller->component_handler;
    if (!handler)
        return;
    if (parts & GESTURE_BEGIN)
        handler->vtbl->begin_edit(handler, id);
    handler->vtbl->perform_edit(handler, id, normalized);
    if (parts & GESTURE_END)
        handler->vtbl->end_edit(handler, id);
}

static void view_begin_edit(void* binding_data, uint32_t index, float value)
{
    view_gesture(binding_data, index, value, GESTURE_BEGIN);
}

static void view_edit(void* binding_data, uint32_t index, float value)
{
    view_gesture(binding_data, index, value, 0);
}

static void view_end_edit(void* binding_data, uint32_t index, float value)
{
    view_gesture(binding_data, index, value, GESTURE_END);
}

// Ticks arrive on the editor's UI thread; the view is freed only after that
// thread has ended, so the pointer is good for every tick.
static void CALLBACK view_timer(HWND window, UINT message, UINT_PTR id, DWORD time)
{
    (void)window;
    (void)message;
    (void)time;
    web_ui_idle(((vst3_view*)id)->host);
}

void vst3_view_show_value(vst3_view* view, int32_t index, double plain)
{
    if (view->host)
        web_ui_set_parameter(view->host, (uint32_t)index, (float)plain);
}

static void view_close(vst3_view* view)
{
    if (!view->host)
        return;
    KillTimer(view->host->window, (UINT_PTR)view);
    web_ui_destroy(view->host);
    view->host = NULL;
}

// ---- FUnknown ----

static tresult view_query_interface(Vst3PlugView* self, const uint8_t* iid, void** obj)
{
    static const Vst3InterfaceIid view_iids[] = {{vst3_iid_funknown, 0}, {vst3_iid_plug_view, 0}};
    vst3_view* view = view_of(self);
    return vst3_object_query(view, &view->ref_count, view_iids,
                             sizeof view_iids / sizeof view_iids[0], iid, obj);
}

static uint32_t view_add_ref(Vst3PlugView* self) { return vst3_object_add_ref(&view_of(self)->ref_count); }

static uint32_t view_release(Vst3PlugView* self)
{
    vst3_view* view = view_of(self);
    uint32_t count = vst3_object_release(&view->ref_count);
    if (count == 0) {
        view_close(view);
        if (view->controller)
            vst3_controller_forget_view(view->controller, view);
        free(view);
    }
    return count;
}

// ---- IPlugView ----

static tresult view_is_platform_type_supported(Vst3PlugView* self, const char* type)
{
    (void)self;
    return type && strcmp(type, "HWND") == 0 ? VST3_TRUE : VST3_FALSE;
}

static tresult view_attached(Vst3PlugView* self, void* parent, const char* type)
{
    vst3_view* view = view_of(self);
    if (view_is_platform_type_supported(self, type) != VST3_TRUE || view->host)
        return VST3_INVALID_ARGUMENT;
    // A view whose controller is gone has no values to show.
    if (!view->controller)
        return VST3_FALSE;
    // web_ui_create copies the record.
    WebUiCallbacks callbacks = {view,           "vst3",    get_module_folder, get_resources_folder,
                                view_begin_edit, view_edit, view_end_edit};
    WebUiHost* host = web_ui_create(true, (HWND)parent, &callbacks, nuvro_handle_message,
                                    VST3_VIEW_WIDTH, VST3_VIEW_HEIGHT, ENGINE_PARAM_COUNT);
    if (!host)
        return VST3_FALSE;
    view->host = host;
    if (SetTimer(host->window, (UINT_PTR)view, VST3_VIEW_TIMER_MS, view_timer) == 0) {
        web_ui_destroy(host);
        view->host = NULL;
        return VST3_FALSE;
    }
    for (int32_t i = 0; i < ENGINE_PARAM_COUNT; i++)
        vst3_view_show_value(view, i, view->controller->plain_values[i]);
    return VST3_OK;
}

// Without an editor there is nothing to stop.
static tresult view_removed(Vst3PlugView* self)
{
    view_close(view_of(self));
    return VST3_OK;
}

static tresult view_on_wheel(Vst3PlugView* self, float distance)
{
    (void)self;
    (void)distance;
    return VST3_FALSE;
}

// Keys are declined so that the host's own key commands keep working.
static tresult view_on_key(Vst3PlugView* self, vst3_char16 key, int16_t key_code, int16_t modifiers)
{
    (void)self;
    (void)key;
    (void)key_code;
    (void)modifiers;
    return VST3_FALSE;
}

static tresult view_get_size(Vst3PlugView* self, Vst3ViewRect* size)
{
    vst3_view* view = view_of(self);
    if (!size)
        return VST3_INVALID_ARGUMENT;
    memset(size, 0, sizeof *size);
    RECT rect;
    if (view->host && GetWindowRect(view->host->window, &rect)) {
        size->right = rect.right - rect.left;
        size->bottom = rect.bottom - rect.top;
        if (size->right > 0 && size->bottom > 0)
            return VST3_OK;
    }
    size->right = VST3_VIEW_WIDTH;
    size->bottom = VST3_VIEW_HEIGHT;
    return VST3_OK;
}

static tresult view_on_size(Vst3PlugView* self, Vst3ViewRect* new_size)
{
    vst3_view* view = view_of(self);
    if (!view->host)
        return VST3_FALSE;
    if (!new_size)
        return VST3_INVALID_ARGUMENT;
    // The content window keeps the control the size of its client area.
    SetWindowPos(view->host->window, NULL, 0, 0, new_size->right - new_size->left,
                 new_size->bottom - new_size->top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    return VST3_OK;
}

static tresult view_on_focus(Vst3PlugView* self, vst3_bool state)
{
    (void)self;
    (void)state;
    return VST3_FALSE;
}

// The frame is kept but never asked to resize: the editor follows the host.
static tresult view_set_frame(Vst3PlugView* self, Vst3PlugFrame* frame)
{
    view_of(self)->frame = frame;
    return VST3_OK;
}

static tresult view_can_resize(Vst3PlugView* self)
{
    (void)self;
    return VST3_TRUE;
}

static tresult view_check_size_constraint(Vst3PlugView* self, Vst3ViewRect* rect)
{
    (void)self;
    (void)rect;
    return VST3_TRUE;
}

static const Vst3PlugViewVtbl view_vtbl = {
    view_query_interface,
    view_add_ref,
    view_release,
    view_is_platform_type_supported,
    view_attached,
    view_removed,
    view_on_wheel,
    view_on_key,
    view_on_key,
    view_get_size,
    view_on_size,
    view_on_focus,
    view_set_frame,
    view_can_resize,
    view_check_size_constraint,
};

vst3_view* vst3_view_create(vst3_controller* controller)
{
    vst3_view* view = (vst3_view*)calloc(1, sizeof *view);
    if (!view)
        return NULL;
    view->plug_view.vtbl = &view_vtbl;
    view->ref_count = 1;
    view->controller = controller;
    return view;
}
