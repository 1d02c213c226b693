#pragma once

#include <QString>

#include "Platform/qxvglobal.h"

// The folder of the host executable: where the marker files are looked for.
// Test programs point it at a folder of their own so that nothing is written beside
// the binaries; an empty folder goes back to the executable's own. A folder set here
// also takes the settings files.
QXV_PLATFORM_EXPORT QString HostExecutableFolder();
QXV_PLATFORM_EXPORT void SetHostExecutableFolder(const QString& folder);

// Where the sibling libraries (the service plug-ins, "ComFormLibs.dll") lie: the private
// library folder of an installed host (`lib/qxv` beside its `bin`), otherwise the
// executable's own folder.
QXV_PLATFORM_EXPORT QString HostLibraryFolder();

// Where the settings files live. A host run from the folder it was built in (its sibling
// libraries beside it, a folder the user may write to) keeps them beside itself; an
// installed host, or one in a folder the user cannot write to, keeps them in the user's
// configuration folder (created on first use).
QXV_PLATFORM_EXPORT QString HostSettingsFolder();

// The file name, without its folder, of the module (the executable or a shared
// library) whose code or data holds `address`; empty when it cannot be told.
QXV_PLATFORM_EXPORT QString ModuleFileNameOf(const void* address);
