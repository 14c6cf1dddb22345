// The fixed request table (request number to message code) and the routes of reply codes.
#pragma once

#include "zrctrl_global.h"

namespace zrcat {

constexpr int kFirstRequest = 1;
constexpr int kLastRequest = 88;

enum Form {
    FormNone,      // number 0 and numbers outside the table
    FormPlain,     // no argument text is sent, whatever the caller gives
    FormArguments, // the caller's argument text is sent
    FormFile,      // 21 to 23: a file request
    FormDirectory, // 25: list a remote directory
};

enum Route { RouteNone, RouteGeneral, RoutePassOn, RouteFileMgr, RouteModbus, RouteMobile, RouteError };

// The message code of a request number; 0 outside 1 to 88.
ZRCTRL_EXPORT int RequestCode(int number);
ZRCTRL_EXPORT Form RequestForm(int number);
ZRCTRL_EXPORT Route ReplyRoute(int code);
// Request codes whose failures belong to a plug-in.
ZRCTRL_EXPORT bool IsModbusRequest(int code);
ZRCTRL_EXPORT bool IsMobileRequest(int code);
ZRCTRL_EXPORT bool IsFurtherPluginRequest(int code); // 501 to 515

} // namespace zrcat
