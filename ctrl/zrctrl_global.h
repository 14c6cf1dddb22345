// Export macro of the control core library.
#pragma once

#include <QtCore/qglobal.h>

#if defined(ZRCTRLU_BUILD)
#define ZRCTRL_EXPORT Q_DECL_EXPORT
#else
#define ZRCTRL_EXPORT Q_DECL_IMPORT
#endif
