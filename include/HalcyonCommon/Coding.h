/// \file
/// The LZ/Huffman codec: compresses and restores a whole byte buffer in memory with the LZHUF
/// algorithm of 1988 (LZSS over a 4096-byte window, adaptive Huffman coding of the symbols).
/// The byte format is described in docs/codec-format.md. Every call starts from a fresh state, so
/// a buffer encodes to the same stream whatever was coded before, on any thread.
///
/// Thread safety: each thread has its own working state (about 40 KiB, allocated on the thread's
/// first call and freed when the thread ends); calls on different threads run concurrently without
/// locks, and a call allocates nothing after the first one on its thread.
///
/// Bounds: the encoder writes nothing outside pOutBuf[0, lOutSize); the decoder reads nothing
/// outside pInBuf[0, lInLen) and writes nothing outside pOutBuf[0, lOutSize), whatever the bytes
/// of the stream. Neither calls TQVerify: bad arguments are answered by the results below.
#pragma once

#include <HalcyonCommon/Export.h>

/// Compresses lInLen bytes at pInBuf into pOutBuf, whose capacity is lOutSize bytes. The stream is
/// a 4-byte little-endian length followed by the code bits. Returns the stream's length in bytes;
/// -1 when a pointer is null, a length is negative or lInLen is 0 (nothing written); -2 when the
/// stream does not fit: pOutBuf then holds the first lOutSize bytes of the stream (nothing when
/// lOutSize is below 4). -1 also when the thread's working state cannot be allocated (first call
/// on a thread only). A Huffman code longer than 16 bits (possible after a very uneven history of
/// symbols) is written whole, so that the stream still decodes; see docs/codec-format.md.
HALCYON_API long s_CodingEncode(char* pInBuf, long lInLen, char* pOutBuf, long lOutSize);

/// Restores the stream of lInLen bytes at pInBuf into pOutBuf and returns the number of bytes
/// produced, which is the length in the stream's header. Returns -1 when a pointer is null, a
/// length is negative, lInLen is below 4 (no whole header) or the header's length is 0; -2 when
/// the header's length exceeds lOutSize (compared unsigned). Nothing is written in these cases.
/// The stream carries no check: a truncated stream decodes as if zero bits followed, and a damaged
/// one decodes to other bytes, without an error. A match that would run past the header's length
/// is cut there. Use halcyon::CodingDecodeChecked to tell a damaged stream.
HALCYON_API long s_CodingDecode(char* pInBuf, long lInLen, char* pOutBuf, long lOutSize);

namespace halcyon {

/// What a strict reading of a stream found.
enum class CodingStream {
    kWellFormed,    ///< the codes end in the last byte, padded with zero bits
    kTruncated,     ///< the codes need bits beyond the end of the data
    kOverrun,       ///< a match runs past the header's length (in a stream not cut short)
    kTrailingData,  ///< whole bytes, or non-zero padding bits, follow the last code
};

/// Decodes as s_CodingDecode does (same arguments, same results, same output) and, when the
/// result is not negative and `state` is not null, says in *state whether the stream was whole.
/// For tools that must refuse a damaged stream; a damage that still yields a well-formed stream
/// (a flipped bit inside the codes, mostly) cannot be seen, as the format has no checksum.
HALCYON_API long CodingDecodeChecked(const char* pInBuf, long lInLen, char* pOutBuf, long lOutSize,
                                     CodingStream* state);

}  // namespace halcyon
