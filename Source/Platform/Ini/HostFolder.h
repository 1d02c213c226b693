#pragma once

#include <QString>

#include "Platform/qxvglobal.h"

// The folder of the host executable: where the settings files and markers live.
// Test programs point it at a folder of their own so that nothing is written beside
// the binaries; an empty folder goes back to the executable's own.
QXV_PLATFORM_EXPORT QString HostExecutableFolder();
QXV_PLATFORM_EXPORT void SetHostExecutableFolder(const QString& folder);

// The file name, without its folder, of the module (the executable or a shared
// library) whose code or data holds `address`; empty when it cannot be told.
QXV_PLATFORM_EXPORT QString ModuleFileNameOf(const void* address);
