// The export table of the Mobile plug-in, as the console binds it by name at run time. Plain C
// types only: wide text crosses as NUL-terminated UTF-16, windows, menus and tool bars as opaque
// pointers to the console's widgets. Every call happens on the GUI thread; none of them blocks.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// A mobile reply as the control core delivered it; owned by the console, valid during the call.
typedef struct ZRMobileReply
{
    unsigned short code;
    const char16_t* key;  // gateway name, "|", agent address
    const char16_t* text; // the reply's items
} ZRMobileReply;

// The console's send callback: nonzero when the request was handed on. text may be null.
typedef int (*ZRSendMessageCB)(const char16_t* text, int number, void* context, const char16_t* key);

typedef int (*ZRMobileTest)(int);
typedef void* (*ZRMobileCreateWnd)(void* parent);
typedef void (*ZRMobileDestroyWnd)(void* wnd);
typedef void (*ZRMobileSetText)(void* wnd, const char16_t* text); // SetVersion, SetModel, SetNick
typedef const char16_t* (*ZRMobileGetNick)(void* wnd);
typedef void (*ZRMobileSetSendMessageCB)(void* wnd, ZRSendMessageCB cb, void* mainWnd, void* context);
typedef void (*ZRMobileReceiveMessage)(void* wnd, const ZRMobileReply* reply);
typedef void (*ZRMobileEnableATRelated)(void* wnd, int enable);
typedef void (*ZRMobileCall)(void* wnd); // Init, Reset
typedef int (*ZRMobileHasMessageBox)(void* wnd);
typedef int (*ZRMobileInsert2Menu)(void* menu, int position);
typedef void (*ZRMobileInsert2ToolBar)(void* instance, void* mainBar, void* secondBar, int* mainPos,
                                       int* secondPos);
typedef int (*ZRMobileEnableFeature)(const char16_t* model);

#ifdef __cplusplus
}
#endif

// Command ids of the plug-in's menu item and buttons.
enum { ID_MOBILE = 41000, ID_CTX_MOBILE = 41001 };
