// Export macro of the TarnPlatformGui library.
#pragma once

#include <QtCore/qglobal.h>

#if defined(TARNPLATFORMGUI_BUILD)
#define TARNPLATFORMGUI_EXPORT Q_DECL_EXPORT
#else
#define TARNPLATFORMGUI_EXPORT Q_DECL_IMPORT
#endif
