// The scrambler's declarations are added here as it is built.
#pragma once

#include <HalcyonCommon/Export.h>
