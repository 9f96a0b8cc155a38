// Named kernel objects: mutexes and file mappings. Filled in by the kernel-object work.
#pragma once

#include "posix/WinTypes.h"
