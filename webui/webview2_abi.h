// Our own declarations of the WebView2 COM interfaces the editor uses.
//
// Each interface is a record whose first field points to a table of function
// pointers in slot order. Slots the editor never calls are kept as untyped
// placeholders so that the tables have their full size. Every table is pinned
// below by its total size and by the offset of every slot we call, so a
// shifted or missing slot cannot build.
#pragma once

#include <windows.h>

#include <cstddef>

#define WV2_CALL __stdcall

// Texts and interface pointers follow the COM rules: out texts are
// CoTaskMemAlloc'd by the callee, out interfaces carry one reference.

struct ICoreWebView2;
struct ICoreWebView2Controller;
struct ICoreWebView2Environment;
struct ICoreWebView2EnvironmentOptions;
struct ICoreWebView2Settings;
struct ICoreWebView2WebMessageReceivedEventArgs;
struct ICoreWebView2NavigationStartingEventArgs;
struct ICoreWebView2NewWindowRequestedEventArgs;
struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;
struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler;
struct ICoreWebView2WebMessageReceivedEventHandler;
struct ICoreWebView2NavigationStartingEventHandler;
struct ICoreWebView2NewWindowRequestedEventHandler;
struct ICoreWebView2BrowserProcessExitedEventHandler;

struct Wv2EventToken {
    long long value;
};
static_assert(sizeof(Wv2EventToken) == 8, "EventRegistrationToken is 8 bytes");

static_assert(sizeof(HRESULT) == 4 && sizeof(ULONG) == 4 && sizeof(BOOL) == 4,
              "COM scalar sizes");
static_assert(sizeof(WCHAR) == 2, "UTF-16 code units");
static_assert(sizeof(RECT) == 16 && offsetof(RECT, left) == 0 &&
                  offsetof(RECT, top) == 4 && offsetof(RECT, right) == 8 &&
                  offsetof(RECT, bottom) == 12,
              "RECT layout");

enum { WV2_MOVE_FOCUS_REASON_PROGRAMMATIC = 0 };

// The three IUnknown slots every table starts with.
#define WV2_UNKNOWN_SLOTS(Self)                                              \
    HRESULT(WV2_CALL* QueryInterface)(Self * self, REFIID iid, void** out);   \
    ULONG(WV2_CALL* AddRef)(Self * self);                                     \
    ULONG(WV2_CALL* Release)(Self * self)

// ---- Interfaces we implement -------------------------------------------

struct ICoreWebView2EnvironmentOptionsVtbl {
    WV2_UNKNOWN_SLOTS(ICoreWebView2EnvironmentOptions);
    HRESULT(WV2_CALL* get_AdditionalBrowserArguments)(ICoreWebView2EnvironmentOptions* self, LPWSTR* value);
    HRESULT(WV2_CALL* put_AdditionalBrowserArguments)(ICoreWebView2EnvironmentOptions* self, LPCWSTR value);
    HRESULT(WV2_CALL* get_Language)(ICoreWebView2EnvironmentOptions* self, LPWSTR* value);
    HRESULT(WV2_CALL* put_Language)(ICoreWebView2EnvironmentOptions* self, LPCWSTR value);
    HRESULT(WV2_CALL* get_TargetCompatibleBrowserVersion)(ICoreWebView2EnvironmentOptions* self, LPWSTR* value);
    HRESULT(WV2_CALL* put_TargetCompatibleBrowserVersion)(ICoreWebView2EnvironmentOptions* self, LPCWSTR value);
    HRESULT(WV2_CALL* get_AllowSingleSignOnUsingOSPrimaryAccount)(ICoreWebView2EnvironmentOptions* self, BOOL* value);
    HRESULT(WV2_CALL* put_AllowSingleSignOnUsingOSPrimaryAccount)(ICoreWebView2EnvironmentOptions* self, BOOL value);
};
struct ICoreWebView2EnvironmentOptions {
    const ICoreWebView2EnvironmentOptionsVtbl* lpVtbl;
};

// The six callback interfaces: IUnknown and one Invoke with two arguments.
#define WV2_HANDLER_INTERFACE(Name, First, Second)                  \
    struct Name##Vtbl {                                             \
        WV2_UNKNOWN_SLOTS(Name);                                    \
        HRESULT(WV2_CALL* Invoke)(Name * self, First, Second);      \
    };                                                              \
    struct Name {                                                   \
        const Name##Vtbl* lpVtbl;                                   \
    }

WV2_HANDLER_INTERFACE(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, HRESULT result,
                      ICoreWebView2Environment* environment);
WV2_HANDLER_INTERFACE(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, HRESULT result,
                      ICoreWebView2Controller* controller);
WV2_HANDLER_INTERFACE(ICoreWebView2WebMessageReceivedEventHandler, ICoreWebView2* sender,
                      ICoreWebView2WebMessageReceivedEventArgs* args);
WV2_HANDLER_INTERFACE(ICoreWebView2NavigationStartingEventHandler, ICoreWebView2* sender,
                      ICoreWebView2NavigationStartingEventArgs* args);
WV2_HANDLER_INTERFACE(ICoreWebView2NewWindowRequestedEventHandler, ICoreWebView2* sender,
                      ICoreWebView2NewWindowRequestedEventArgs* args);
WV2_HANDLER_INTERFACE(ICoreWebView2BrowserProcessExitedEventHandler, ICoreWebView2Environment* sender,
                      void* args);

// ---- Interfaces we call --------------------------------------------------

// ICoreWebView2Environment, extended up to ICoreWebView2Environment5 (14 slots);
// the plain interface uses the first 8.
struct ICoreWebView2EnvironmentVtbl {
    WV2_UNKNOWN_SLOTS(ICoreWebView2Environment);
    HRESULT(WV2_CALL* CreateCoreWebView2Controller)(ICoreWebView2Environment* self, HWND parent,
                                                    ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler);
    void* CreateWebResourceResponse;
    void* get_BrowserVersionString;
    void* add_NewBrowserVersionAvailable;
    void* remove_NewBrowserVersionAvailable;
};
struct ICoreWebView2Environment5Vtbl {
    ICoreWebView2EnvironmentVtbl base;
    void* slots_8_to_11[4]; // Environment2 to Environment4
    HRESULT(WV2_CALL* add_BrowserProcessExited)(ICoreWebView2Environment* self,
                                                ICoreWebView2BrowserProcessExitedEventHandler* handler,
                                                Wv2EventToken* token);
    void* remove_BrowserProcessExited;
};
struct ICoreWebView2Environment {
    const ICoreWebView2EnvironmentVtbl* lpVtbl;
};

// ICoreWebView2Controller to ICoreWebView2Controller4 in one table (38 slots);
// a plain controller is its first 26 slots.
struct ICoreWebView2ControllerVtbl {
    WV2_UNKNOWN_SLOTS(ICoreWebView2Controller);
    void* get_IsVisible;
    HRESULT(WV2_CALL* put_IsVisible)(ICoreWebView2Controller* self, BOOL visible);
    void* get_Bounds;
    HRESULT(WV2_CALL* put_Bounds)(ICoreWebView2Controller* self, RECT bounds);
    void* get_ZoomFactor;
    void* put_ZoomFactor;
    void* add_ZoomFactorChanged;
    void* remove_ZoomFactorChanged;
    void* SetBoundsAndZoomFactor;
    HRESULT(WV2_CALL* MoveFocus)(ICoreWebView2Controller* self, int reason);
    void* add_MoveFocusRequested;
    void* remove_MoveFocusRequested;
    void* add_GotFocus;
    void* remove_GotFocus;
    void* add_LostFocus;
    void* remove_LostFocus;
    void* add_AcceleratorKeyPressed;
    void* remove_AcceleratorKeyPressed;
    void* get_ParentWindow;
    void* put_ParentWindow;
    void* NotifyParentWindowPositionChanged;
    HRESULT(WV2_CALL* Close)(ICoreWebView2Controller* self);
    HRESULT(WV2_CALL* get_CoreWebView2)(ICoreWebView2Controller* self, ICoreWebView2** webview);
};
struct ICoreWebView2Controller4Vtbl {
    ICoreWebView2ControllerVtbl base;
    void* controller2_slots[2];  // slots 26, 27
    void* controller3_slots[8];  // slots 28 to 35
    void* get_AllowExternalDrop; // slot 36
    HRESULT(WV2_CALL* put_AllowExternalDrop)(ICoreWebView2Controller* self, BOOL allow);
};
struct ICoreWebView2Controller {
    const ICoreWebView2ControllerVtbl* lpVtbl;
};

struct ICoreWebView2Vtbl {
    WV2_UNKNOWN_SLOTS(ICoreWebView2);
    HRESULT(WV2_CALL* get_Settings)(ICoreWebView2* self, ICoreWebView2Settings** settings);
    void* get_Source;
    HRESULT(WV2_CALL* Navigate)(ICoreWebView2* self, LPCWSTR uri);
    void* NavigateToString;
    HRESULT(WV2_CALL* add_NavigationStarting)(ICoreWebView2* self,
                                              ICoreWebView2NavigationStartingEventHandler* handler,
                                              Wv2EventToken* token);
    void* slots_8_to_32[25];
    HRESULT(WV2_CALL* PostWebMessageAsString)(ICoreWebView2* self, LPCWSTR text);
    HRESULT(WV2_CALL* add_WebMessageReceived)(ICoreWebView2* self,
                                              ICoreWebView2WebMessageReceivedEventHandler* handler,
                                              Wv2EventToken* token);
    void* slots_35_to_43[9];
    HRESULT(WV2_CALL* add_NewWindowRequested)(ICoreWebView2* self,
                                              ICoreWebView2NewWindowRequestedEventHandler* handler,
                                              Wv2EventToken* token);
    void* slots_45_to_60[16];
};
struct ICoreWebView2 {
    const ICoreWebView2Vtbl* lpVtbl;
};

// ICoreWebView2Settings to ICoreWebView2Settings6 in one table (33 slots);
// each newer interface is a longer prefix of the same table.
struct ICoreWebView2SettingsVtbl {
    WV2_UNKNOWN_SLOTS(ICoreWebView2Settings);
    void* get_IsScriptEnabled;
    HRESULT(WV2_CALL* put_IsScriptEnabled)(ICoreWebView2Settings* self, BOOL value);
    void* get_IsWebMessageEnabled;
    void* put_IsWebMessageEnabled;
    void* get_AreDefaultScriptDialogsEnabled;
    HRESULT(WV2_CALL* put_AreDefaultScriptDialogsEnabled)(ICoreWebView2Settings* self, BOOL value);
    void* get_IsStatusBarEnabled;
    HRESULT(WV2_CALL* put_IsStatusBarEnabled)(ICoreWebView2Settings* self, BOOL value);
    void* get_AreDevToolsEnabled;
    HRESULT(WV2_CALL* put_AreDevToolsEnabled)(ICoreWebView2Settings* self, BOOL value);
    void* get_AreDefaultContextMenusEnabled;
    HRESULT(WV2_CALL* put_AreDefaultContextMenusEnabled)(ICoreWebView2Settings* self, BOOL value);
    void* get_AreHostObjectsAllowed;
    HRESULT(WV2_CALL* put_AreHostObjectsAllowed)(ICoreWebView2Settings* self, BOOL value);
    void* get_IsZoomControlEnabled;
    HRESULT(WV2_CALL* put_IsZoomControlEnabled)(ICoreWebView2Settings* self, BOOL value);
    void* get_IsBuiltInErrorPageEnabled;
    void* put_IsBuiltInErrorPageEnabled;
};
struct ICoreWebView2Settings6Vtbl {
    ICoreWebView2SettingsVtbl base;
    void* get_UserAgent; // Settings2: 21, 22
    void* put_UserAgent;
    void* get_AreBrowserAcceleratorKeysEnabled; // Settings3: 23, 24
    HRESULT(WV2_CALL* put_AreBrowserAcceleratorKeysEnabled)(ICoreWebView2Settings* self, BOOL value);
    void* get_IsPasswordAutosaveEnabled; // Settings4: 25 to 28
    HRESULT(WV2_CALL* put_IsPasswordAutosaveEnabled)(ICoreWebView2Settings* self, BOOL value);
    void* get_IsGeneralAutofillEnabled;
    HRESULT(WV2_CALL* put_IsGeneralAutofillEnabled)(ICoreWebView2Settings* self, BOOL value);
    void* get_IsPinchZoomEnabled; // Settings5: 29, 30
    HRESULT(WV2_CALL* put_IsPinchZoomEnabled)(ICoreWebView2Settings* self, BOOL value);
    void* get_IsSwipeNavigationEnabled; // Settings6: 31, 32
    HRESULT(WV2_CALL* put_IsSwipeNavigationEnabled)(ICoreWebView2Settings* self, BOOL value);
};
struct ICoreWebView2Settings {
    const ICoreWebView2SettingsVtbl* lpVtbl;
};

struct ICoreWebView2WebMessageReceivedEventArgsVtbl {
    WV2_UNKNOWN_SLOTS(ICoreWebView2WebMessageReceivedEventArgs);
    void* get_Source;
    void* get_WebMessageAsJson;
    HRESULT(WV2_CALL* TryGetWebMessageAsString)(ICoreWebView2WebMessageReceivedEventArgs* self, LPWSTR* text);
};
struct ICoreWebView2WebMessageReceivedEventArgs {
    const ICoreWebView2WebMessageReceivedEventArgsVtbl* lpVtbl;
};

struct ICoreWebView2NavigationStartingEventArgsVtbl {
    WV2_UNKNOWN_SLOTS(ICoreWebView2NavigationStartingEventArgs);
    HRESULT(WV2_CALL* get_Uri)(ICoreWebView2NavigationStartingEventArgs* self, LPWSTR* uri);
    void* get_IsUserInitiated;
    void* get_IsRedirected;
    void* get_RequestHeaders;
    void* get_Cancel;
    HRESULT(WV2_CALL* put_Cancel)(ICoreWebView2NavigationStartingEventArgs* self, BOOL cancel);
    void* get_NavigationId;
};
struct ICoreWebView2NavigationStartingEventArgs {
    const ICoreWebView2NavigationStartingEventArgsVtbl* lpVtbl;
};

// Here the setters come before the getters (put_Handled 6, get_Handled 7).
struct ICoreWebView2NewWindowRequestedEventArgsVtbl {
    WV2_UNKNOWN_SLOTS(ICoreWebView2NewWindowRequestedEventArgs);
    HRESULT(WV2_CALL* get_Uri)(ICoreWebView2NewWindowRequestedEventArgs* self, LPWSTR* uri);
    void* put_NewWindow;
    void* get_NewWindow;
    HRESULT(WV2_CALL* put_Handled)(ICoreWebView2NewWindowRequestedEventArgs* self, BOOL handled);
    void* get_Handled;
    void* get_IsUserInitiated;
    void* GetDeferral;
    void* get_WindowFeatures;
};
struct ICoreWebView2NewWindowRequestedEventArgs {
    const ICoreWebView2NewWindowRequestedEventArgsVtbl* lpVtbl;
};

typedef HRESULT(WV2_CALL* Wv2CreateEnvironmentFn)(
    PCWSTR browser_folder, PCWSTR user_data_folder, ICoreWebView2EnvironmentOptions* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

// ---- Pinned layouts --------------------------------------------------------

#define WV2_SLOT(Vtbl, field, n) \
    static_assert(offsetof(Vtbl, field) == (n) * 8, #Vtbl "::" #field " must be slot " #n)
#define WV2_SLOTS(Vtbl, n) \
    static_assert(sizeof(Vtbl) == (n) * 8, #Vtbl " must have " #n " slots")
#define WV2_UNKNOWN_PINNED(Vtbl)         \
    WV2_SLOT(Vtbl, QueryInterface, 0);   \
    WV2_SLOT(Vtbl, AddRef, 1);           \
    WV2_SLOT(Vtbl, Release, 2)

WV2_UNKNOWN_PINNED(ICoreWebView2EnvironmentOptionsVtbl);
WV2_SLOT(ICoreWebView2EnvironmentOptionsVtbl, get_AdditionalBrowserArguments, 3);
WV2_SLOT(ICoreWebView2EnvironmentOptionsVtbl, put_AdditionalBrowserArguments, 4);
WV2_SLOT(ICoreWebView2EnvironmentOptionsVtbl, get_Language, 5);
WV2_SLOT(ICoreWebView2EnvironmentOptionsVtbl, put_Language, 6);
WV2_SLOT(ICoreWebView2EnvironmentOptionsVtbl, get_TargetCompatibleBrowserVersion, 7);
WV2_SLOT(ICoreWebView2EnvironmentOptionsVtbl, put_TargetCompatibleBrowserVersion, 8);
WV2_SLOT(ICoreWebView2EnvironmentOptionsVtbl, get_AllowSingleSignOnUsingOSPrimaryAccount, 9);
WV2_SLOT(ICoreWebView2EnvironmentOptionsVtbl, put_AllowSingleSignOnUsingOSPrimaryAccount, 10);
WV2_SLOTS(ICoreWebView2EnvironmentOptionsVtbl, 11);

#define WV2_HANDLER_PINNED(Vtbl) \
    WV2_UNKNOWN_PINNED(Vtbl);    \
    WV2_SLOT(Vtbl, Invoke, 3);   \
    WV2_SLOTS(Vtbl, 4)
WV2_HANDLER_PINNED(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandlerVtbl);
WV2_HANDLER_PINNED(ICoreWebView2CreateCoreWebView2ControllerCompletedHandlerVtbl);
WV2_HANDLER_PINNED(ICoreWebView2WebMessageReceivedEventHandlerVtbl);
WV2_HANDLER_PINNED(ICoreWebView2NavigationStartingEventHandlerVtbl);
WV2_HANDLER_PINNED(ICoreWebView2NewWindowRequestedEventHandlerVtbl);
WV2_HANDLER_PINNED(ICoreWebView2BrowserProcessExitedEventHandlerVtbl);

WV2_UNKNOWN_PINNED(ICoreWebView2EnvironmentVtbl);
WV2_SLOT(ICoreWebView2EnvironmentVtbl, CreateCoreWebView2Controller, 3);
WV2_SLOT(ICoreWebView2EnvironmentVtbl, remove_NewBrowserVersionAvailable, 7);
WV2_SLOTS(ICoreWebView2EnvironmentVtbl, 8);
WV2_SLOT(ICoreWebView2Environment5Vtbl, add_BrowserProcessExited, 12);
WV2_SLOT(ICoreWebView2Environment5Vtbl, remove_BrowserProcessExited, 13);
WV2_SLOTS(ICoreWebView2Environment5Vtbl, 14);

WV2_UNKNOWN_PINNED(ICoreWebView2ControllerVtbl);
WV2_SLOT(ICoreWebView2ControllerVtbl, put_IsVisible, 4);
WV2_SLOT(ICoreWebView2ControllerVtbl, put_Bounds, 6);
WV2_SLOT(ICoreWebView2ControllerVtbl, MoveFocus, 12);
WV2_SLOT(ICoreWebView2ControllerVtbl, put_ParentWindow, 22);
WV2_SLOT(ICoreWebView2ControllerVtbl, Close, 24);
WV2_SLOT(ICoreWebView2ControllerVtbl, get_CoreWebView2, 25);
WV2_SLOTS(ICoreWebView2ControllerVtbl, 26);
WV2_SLOT(ICoreWebView2Controller4Vtbl, controller2_slots, 26);
WV2_SLOT(ICoreWebView2Controller4Vtbl, controller3_slots, 28);
WV2_SLOT(ICoreWebView2Controller4Vtbl, get_AllowExternalDrop, 36);
WV2_SLOT(ICoreWebView2Controller4Vtbl, put_AllowExternalDrop, 37);
WV2_SLOTS(ICoreWebView2Controller4Vtbl, 38);

WV2_UNKNOWN_PINNED(ICoreWebView2Vtbl);
WV2_SLOT(ICoreWebView2Vtbl, get_Settings, 3);
WV2_SLOT(ICoreWebView2Vtbl, Navigate, 5);
WV2_SLOT(ICoreWebView2Vtbl, add_NavigationStarting, 7);
WV2_SLOT(ICoreWebView2Vtbl, slots_8_to_32, 8);
WV2_SLOT(ICoreWebView2Vtbl, PostWebMessageAsString, 33);
WV2_SLOT(ICoreWebView2Vtbl, add_WebMessageReceived, 34);
WV2_SLOT(ICoreWebView2Vtbl, slots_35_to_43, 35);
WV2_SLOT(ICoreWebView2Vtbl, add_NewWindowRequested, 44);
WV2_SLOT(ICoreWebView2Vtbl, slots_45_to_60, 45);
WV2_SLOTS(ICoreWebView2Vtbl, 61);

WV2_UNKNOWN_PINNED(ICoreWebView2SettingsVtbl);
WV2_SLOT(ICoreWebView2SettingsVtbl, put_IsScriptEnabled, 4);
WV2_SLOT(ICoreWebView2SettingsVtbl, put_AreDefaultScriptDialogsEnabled, 8);
WV2_SLOT(ICoreWebView2SettingsVtbl, put_IsStatusBarEnabled, 10);
WV2_SLOT(ICoreWebView2SettingsVtbl, put_AreDevToolsEnabled, 12);
WV2_SLOT(ICoreWebView2SettingsVtbl, put_AreDefaultContextMenusEnabled, 14);
WV2_SLOT(ICoreWebView2SettingsVtbl, put_AreHostObjectsAllowed, 16);
WV2_SLOT(ICoreWebView2SettingsVtbl, put_IsZoomControlEnabled, 18);
WV2_SLOT(ICoreWebView2SettingsVtbl, put_IsBuiltInErrorPageEnabled, 20);
WV2_SLOTS(ICoreWebView2SettingsVtbl, 21);
WV2_SLOT(ICoreWebView2Settings6Vtbl, get_UserAgent, 21);
WV2_SLOT(ICoreWebView2Settings6Vtbl, put_AreBrowserAcceleratorKeysEnabled, 24);
WV2_SLOT(ICoreWebView2Settings6Vtbl, put_IsPasswordAutosaveEnabled, 26);
WV2_SLOT(ICoreWebView2Settings6Vtbl, put_IsGeneralAutofillEnabled, 28);
WV2_SLOT(ICoreWebView2Settings6Vtbl, put_IsPinchZoomEnabled, 30);
WV2_SLOT(ICoreWebView2Settings6Vtbl, put_IsSwipeNavigationEnabled, 32);
WV2_SLOTS(ICoreWebView2Settings6Vtbl, 33);

WV2_UNKNOWN_PINNED(ICoreWebView2WebMessageReceivedEventArgsVtbl);
WV2_SLOT(ICoreWebView2WebMessageReceivedEventArgsVtbl, TryGetWebMessageAsString, 5);
WV2_SLOTS(ICoreWebView2WebMessageReceivedEventArgsVtbl, 6);

WV2_UNKNOWN_PINNED(ICoreWebView2NavigationStartingEventArgsVtbl);
WV2_SLOT(ICoreWebView2NavigationStartingEventArgsVtbl, get_Uri, 3);
WV2_SLOT(ICoreWebView2NavigationStartingEventArgsVtbl, get_Cancel, 7);
WV2_SLOT(ICoreWebView2NavigationStartingEventArgsVtbl, put_Cancel, 8);
WV2_SLOTS(ICoreWebView2NavigationStartingEventArgsVtbl, 10);

WV2_UNKNOWN_PINNED(ICoreWebView2NewWindowRequestedEventArgsVtbl);
WV2_SLOT(ICoreWebView2NewWindowRequestedEventArgsVtbl, get_Uri, 3);
WV2_SLOT(ICoreWebView2NewWindowRequestedEventArgsVtbl, put_Handled, 6);
WV2_SLOT(ICoreWebView2NewWindowRequestedEventArgsVtbl, get_Handled, 7);
WV2_SLOTS(ICoreWebView2NewWindowRequestedEventArgsVtbl, 11);

// Every interface record is just its table pointer.
static_assert(sizeof(ICoreWebView2) == 8 && sizeof(ICoreWebView2Controller) == 8 &&
                  sizeof(ICoreWebView2Settings) == 8 && sizeof(ICoreWebView2Environment) == 8,
              "an interface pointer points to one table pointer");

// ---- Interface ids (memory order as the platform defines them) ------------

extern const IID wv2_iid_unknown;
extern const IID wv2_iid_environment_options;
extern const IID wv2_iid_environment_completed_handler;
extern const IID wv2_iid_controller_completed_handler;
extern const IID wv2_iid_web_message_received_handler;
extern const IID wv2_iid_navigation_starting_handler;
extern const IID wv2_iid_new_window_requested_handler;
extern const IID wv2_iid_browser_process_exited_handler;
extern const IID wv2_iid_environment;
extern const IID wv2_iid_environment5;
extern const IID wv2_iid_controller;
extern const IID wv2_iid_controller4;
extern const IID wv2_iid_webview;
extern const IID wv2_iid_settings;
extern const IID wv2_iid_settings3;
extern const IID wv2_iid_settings4;
extern const IID wv2_iid_settings5;
extern const IID wv2_iid_settings6;
extern const IID wv2_iid_web_message_received_args;
extern const IID wv2_iid_navigation_starting_args;
extern const IID wv2_iid_new_window_requested_args;

bool wv2_iid_equal(REFIID a, const IID& b);
