#pragma once

#include <QtCore/qglobal.h>

// Symbols of libqxvplatform visible to the console, the plug-ins and the tools.
#if defined(QXV_PLATFORM_BUILD)
#define QXV_PLATFORM_EXPORT Q_DECL_EXPORT
#else
#define QXV_PLATFORM_EXPORT Q_DECL_IMPORT
#endif
