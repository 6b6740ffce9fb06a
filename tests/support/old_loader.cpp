// Linked into copies of the two programs: they act as on a Windows whose
// kernel32 lacks SetDefaultDllDirectories (5.2, Vista, Windows 7 without the
// loader update), where the folder a program was started from stays in the
// DLL search path.
#include "library_search.h"

static const bool Hidden = (HideSetDefaultDllDirectories = true);
