/// \file
/// The block scrambler: scrambles and unscrambles a buffer in place of the same length, with the
/// library's fixed key tables (format: docs/scrambler-format.md). No compression, no header.
///
/// Both functions are re-entrant and keep no state. The buffers must each hold lLength bytes and
/// be either the same buffer or buffers that do not overlap.
#pragma once

#include <HalcyonCommon/Export.h>

/// Scrambles lLength bytes of pbyInput into pbyOutput and returns lLength. Returns 0 and writes
/// nothing when lLength is 4 or less or either pointer is null. pbyInput is not changed (unless it
/// is pbyOutput).
HALCYON_API long s_CodingEncode_2(long lLength, unsigned char* pbyInput, unsigned char* pbyOutput);

/// Restores lLength bytes scrambled by s_CodingEncode_2 from pbyInput into pbyOutput and returns
/// lLength. Returns 0 and touches nothing when lLength is 4 or less or either pointer is null.
/// It also rewrites the last three bytes of pbyInput: their three-byte steps are undone there, in
/// place, before the blocks are restored, so afterwards they hold what the block steps had made
/// of them (the plain bytes, where they lie after the last whole block).
HALCYON_API long s_CodingDecode_2(long lLength, unsigned char* pbyInput, unsigned char* pbyOutput);
