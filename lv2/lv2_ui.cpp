// The LV2 UI: a thin layer around the Web UI host. Values travel through
// the LV2 host: gestures become writes (and touches) of the control ports,
// port events become values pushed to the page.
#include <stdlib.h>
#include <string.h>

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include "engine/engine.h"
#include "lv2/lv2_binding.h"
#include "lv2/lv2_uris.h"
#include "news/news.h"
#include "webui/web_ui.h"

typedef struct Lv2Ui {
    WebUiHost* web_ui;
    char* bundle_path;
    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    uint8_t has_touch;
    LV2UI_Touch touch;
} Lv2Ui;

static float limit(int32_t index, float value)
{
    float maximum = engine_params[index].maximum;
    if (value < 0.0f)
        return 0.0f;
    if (value > maximum)
        return maximum;
    return value;
}

// Port 7 carries the enabled sense; the editor shows bypass.
static float port_to_editor(int32_t index, float value)
{
    if (index == ENGINE_PARAM_BYPASS)
        value = value > 0.0f ? 0.0f : 1.0f;
    return limit(index, value);
}

static float editor_to_port(int32_t index, float value)
{
    if (index == ENGINE_PARAM_BYPASS)
        value = value > 0.0f ? 0.0f : 1.0f;
    return limit(index, value);
}

static const char* lv2_ui_folder(void* binding_data)
{
    return ((Lv2Ui*)binding_data)->bundle_path;
}

static void lv2_ui_write(Lv2Ui* ui, uint32_t index, float value)
{
    if (value != value)
        return;  // a NaN from the page carries no value
    float port_value = editor_to_port((int32_t)index, value);
    ui->write(ui->controller, LV2_PORT_FIRST_CONTROL + index, sizeof port_value, 0, &port_value);
}

static void lv2_ui_begin_edit(void* binding_data, uint32_t index, float value)
{
    Lv2Ui* ui = (Lv2Ui*)binding_data;
    if (index >= ENGINE_PARAM_COUNT)
        return;
    if (ui->has_touch)
        ui->touch.touch(ui->touch.handle, LV2_PORT_FIRST_CONTROL + index, true);
    lv2_ui_write(ui, index, value);
}

static void lv2_ui_edit(void* binding_data, uint32_t index, float value)
{
    Lv2Ui* ui = (Lv2Ui*)binding_data;
    if (index >= ENGINE_PARAM_COUNT)
        return;
    lv2_ui_write(ui, index, value);
}

static void lv2_ui_end_edit(void* binding_data, uint32_t index, float value)
{
    Lv2Ui* ui = (Lv2Ui*)binding_data;
    if (index >= ENGINE_PARAM_COUNT)
        return;
    lv2_ui_write(ui, index, value);
    if (ui->has_touch)
        ui->touch.touch(ui->touch.handle, LV2_PORT_FIRST_CONTROL + index, false);
}

static LV2UI_Handle lv2_ui_instantiate(const LV2UI_Descriptor* descriptor, const char* plugin_uri,
                                       const char* bundle_path, LV2UI_Write_Function write,
                                       LV2UI_Controller controller, LV2UI_Widget* widget,
                                       const LV2_Feature* const* features)
{
    (void)descriptor;
    (void)plugin_uri;
    *widget = NULL;
    Lv2Ui* ui = (Lv2Ui*)calloc(1, sizeof *ui);
    if (!ui)
        return NULL;
    ui->bundle_path = bundle_path ? _strdup(bundle_path) : NULL;
    if (!ui->bundle_path) {
        free(ui);
        return NULL;
    }
    ui->write = write;
    ui->controller = controller;

    HWND parent = NULL;
    bool embed = false;
    for (const LV2_Feature* const* f = features; f && *f; f++) {
        if (!strcmp((*f)->URI, LV2_UI__parent)) {
            parent = (HWND)(*f)->data;
            embed = true;
        } else if (!strcmp((*f)->URI, LV2_UI__touch) && (*f)->data) {
            ui->touch = *(const LV2UI_Touch*)(*f)->data;
            ui->has_touch = 1;
        }
    }

    WebUiCallbacks callbacks = {
        ui, "lv2", lv2_ui_folder, lv2_ui_folder,
        lv2_ui_begin_edit, lv2_ui_edit, lv2_ui_end_edit,
    };
    ui->web_ui = web_ui_create(embed, embed ? parent : NULL, &callbacks, nuvro_handle_message,
                               800, 400, ENGINE_PARAM_COUNT);
    if (!ui->web_ui) {
        free(ui->bundle_path);
        free(ui);
        return NULL;
    }
    *widget = (LV2UI_Widget)ui->web_ui->window;
    return ui;
}

static void lv2_ui_cleanup(LV2UI_Handle handle)
{
    Lv2Ui* ui = (Lv2Ui*)handle;
    web_ui_destroy(ui->web_ui);
    free(ui->bundle_path);
    free(ui);
}

static void lv2_ui_port_event(LV2UI_Handle handle, uint32_t port, uint32_t buffer_size,
                              uint32_t format, const void* buffer)
{
    (void)buffer_size;
    (void)format;
    Lv2Ui* ui = (Lv2Ui*)handle;
    if (port < LV2_PORT_FIRST_CONTROL || port >= LV2_PORT_COUNT || !buffer)
        return;
    int32_t index = (int32_t)(port - LV2_PORT_FIRST_CONTROL);
    web_ui_set_parameter(ui->web_ui, (uint32_t)index, port_to_editor(index, *(const float*)buffer));
}

static int lv2_ui_idle(LV2UI_Handle handle)
{
    web_ui_idle(((Lv2Ui*)handle)->web_ui);
    return 0;
}

static const LV2UI_Idle_Interface lv2_ui_idle_interface = {lv2_ui_idle};

static const void* lv2_ui_extension_data(const char* uri)
{
    return strcmp(uri, LV2_UI__idleInterface) ? NULL : &lv2_ui_idle_interface;
}

static const LV2UI_Descriptor lv2_ui_descriptor_record = {
    BROLT_UI_URI,
    lv2_ui_instantiate,
    lv2_ui_cleanup,
    lv2_ui_port_event,
    lv2_ui_extension_data,
};

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? &lv2_ui_descriptor_record : NULL;
}
