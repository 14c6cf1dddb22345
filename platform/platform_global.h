// Export macro of the TarnPlatform library.
#pragma once

#include <QtCore/qglobal.h>

#if defined(TARNPLATFORM_BUILD)
#define TARNPLATFORM_EXPORT Q_DECL_EXPORT
#else
#define TARNPLATFORM_EXPORT Q_DECL_IMPORT
#endif
