// Export macro of the ZRLibU library.
#pragma once

#include <QtCore/qglobal.h>

#if defined(ZRLIBU_BUILD)
#define ZRLIBU_EXPORT Q_DECL_EXPORT
#else
#define ZRLIBU_EXPORT Q_DECL_IMPORT
#endif
