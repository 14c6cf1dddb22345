// Export macro of the ZRFileMgrU library.
#pragma once

#include <QtCore/qglobal.h>

#if defined(ZRFILEMGRU_BUILD)
#define ZRFILEMGRU_EXPORT Q_DECL_EXPORT
#else
#define ZRFILEMGRU_EXPORT Q_DECL_IMPORT
#endif
