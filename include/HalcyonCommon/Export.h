/// \file
/// Export macro of the HalcyonCommon library (HalcyonApi.h, where the stand-in takes it too).
#pragma once

#include <HalcyonApi.h>
