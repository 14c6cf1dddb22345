// Export macro of the ZRGridU library.
#pragma once

#include <QtCore/qglobal.h>

#if defined(ZRGRIDU_BUILD)
#define ZRGRIDU_EXPORT Q_DECL_EXPORT
#else
#define ZRGRIDU_EXPORT Q_DECL_IMPORT
#endif
