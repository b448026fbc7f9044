#pragma once
#include <QtCore/qglobal.h>
#if defined(FAYCEL_LIBRARY)
#define FAYCEL_EXPORT Q_DECL_EXPORT
#else
#define FAYCEL_EXPORT Q_DECL_IMPORT
#endif
