// Declarations of this area are added here as it is built.
#pragma once

#include <HalcyonCommon/Export.h>
