// Export macro of the ZRDlgU library.
#pragma once

#include <QtCore/qglobal.h>

#if defined(ZRDLGU_BUILD)
#define ZRDLGU_EXPORT Q_DECL_EXPORT
#else
#define ZRDLGU_EXPORT Q_DECL_IMPORT
#endif
