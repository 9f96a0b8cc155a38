// A straightforward LZHUF codec, written plainly from the codec's format and rules: 32-bit
// tables, a 16-bit bit accumulator written and read a byte (and a bit) at a time, a linear scan
// for the last node of lower frequency, byte-by-byte string comparison, a ring window in the
// decoder, and one static working state rebuilt step by step at every call.
//
// It is the baseline of bench/codec_bench.cpp (the speed a plain implementation reaches) and the
// oracle of the codec's differential tests and fuzz target (the library's optimised codec must
// produce the same bytes). It is not part of the library. Not thread-safe.
#pragma once

#include <cstdint>
#include <cstring>

namespace lzh_reference {

constexpr int N = 4096, F = 60, THRESHOLD = 2, NIL = N;
constexpr int N_CHAR = 256 - THRESHOLD + F;  // 314
constexpr int T = N_CHAR * 2 - 1, R = T - 1;
constexpr int MAX_FREQ = 0x8000;

// Prefix code of the upper six bits of a position, spelled out as tables.
inline const unsigned char* PositionLengths() {
    static unsigned char len[64];
    static bool made = false;
    if (!made) {
        int v = 0;
        const int counts[] = {1, 3, 8, 12, 24, 16};
        for (int i = 0; i < 6; ++i)
            for (int k = 0; k < counts[i]; ++k) len[v++] = static_cast<unsigned char>(3 + i);
        made = true;
    }
    return len;
}

inline const unsigned char* PositionCodes() {
    static unsigned char code[64];
    static bool made = false;
    if (!made) {
        const unsigned char* len = PositionLengths();
        int c = 0;
        for (int v = 0; v < 64; ++v) {
            if (v > 0) c = (c + 1) << (len[v] - len[v - 1]);
            code[v] = static_cast<unsigned char>(c << (8 - len[v]));
        }
        made = true;
    }
    return code;
}

struct State {
    unsigned char text_buf[N + F - 1];
    int lson[N + 1], rson[N + 257], dad[N + 1];
    int match_position, match_length;
    unsigned freq[T + 1];
    int prnt[T + N_CHAR];
    int son[T];
    unsigned putbuf;
    unsigned char putlen;
    unsigned getbuf;
    unsigned char getlen;
    const unsigned char* in;
    long inPos, inLen;
    unsigned char* out;
    long outPos, outSize;
    bool full;
};

inline State& S() {
    static State s;
    return s;
}

inline void StartHuff() {
    State& s = S();
    for (int i = 0; i < N_CHAR; i++) {
        s.freq[i] = 1;
        s.son[i] = i + T;
        s.prnt[i + T] = i;
    }
    int i = 0, j = N_CHAR;
    while (j <= R) {
        s.freq[j] = s.freq[i] + s.freq[i + 1];
        s.son[j] = i;
        s.prnt[i] = s.prnt[i + 1] = j;
        i += 2;
        j++;
    }
    s.freq[T] = 0xffff;
    s.prnt[R] = 0;
}

inline void Reconst() {
    State& s = S();
    int j = 0;
    for (int i = 0; i < T; i++) {
        if (s.son[i] >= T) {
            s.freq[j] = (s.freq[i] + 1) / 2;
            s.son[j] = s.son[i];
            j++;
        }
    }
    for (int i = 0, jj = N_CHAR; jj < T; i += 2, jj++) {
        unsigned f = s.freq[i] + s.freq[i + 1];
        int k;
        for (k = jj - 1; f < s.freq[k]; k--) {
        }
        k++;
        for (int m = jj; m > k; m--) {
            s.freq[m] = s.freq[m - 1];
            s.son[m] = s.son[m - 1];
        }
        s.freq[k] = f;
        s.son[k] = i;
    }
    for (int i = 0; i < T; i++) {
        int k = s.son[i];
        if (k >= T)
            s.prnt[k] = i;
        else
            s.prnt[k] = s.prnt[k + 1] = i;
    }
}

inline void Update(int c) {
    State& s = S();
    if (s.freq[R] == MAX_FREQ) Reconst();
    c = s.prnt[c + T];
    do {
        unsigned k = ++s.freq[c];
        int l = c + 1;
        if (k > s.freq[l]) {
            while (k > s.freq[l + 1]) l++;
            s.freq[c] = s.freq[l];
            s.freq[l] = k;
            int i = s.son[c];
            s.prnt[i] = l;
            if (i < T) s.prnt[i + 1] = l;
            int j = s.son[l];
            s.son[l] = i;
            s.prnt[j] = c;
            if (j < T) s.prnt[j + 1] = c;
            s.son[c] = j;
            c = l;
        }
    } while ((c = s.prnt[c]) != 0);
}

// ---- encoder ----

inline void InitTree() {
    State& s = S();
    for (int i = N + 1; i <= N + 256; i++) s.rson[i] = NIL;
    for (int i = 0; i < N; i++) s.dad[i] = NIL;
}

inline void InsertNode(int r) {
    State& s = S();
    int cmp = 1;
    unsigned char* key = &s.text_buf[r];
    int p = N + 1 + key[0];
    s.rson[r] = s.lson[r] = NIL;
    s.match_length = 0;
    for (;;) {
        if (cmp >= 0) {
            if (s.rson[p] != NIL) {
                p = s.rson[p];
            } else {
                s.rson[p] = r;
                s.dad[r] = p;
                return;
            }
        } else {
            if (s.lson[p] != NIL) {
                p = s.lson[p];
            } else {
                s.lson[p] = r;
                s.dad[r] = p;
                return;
            }
        }
        int i;
        for (i = 1; i < F; i++)
            if ((cmp = key[i] - s.text_buf[p + i]) != 0) break;
        if (i > THRESHOLD) {
            if (i > s.match_length) {
                s.match_position = ((r - p) & (N - 1)) - 1;
                if ((s.match_length = i) >= F) break;
            }
            if (i == s.match_length) {
                int c = ((r - p) & (N - 1)) - 1;
                if (c < s.match_position) s.match_position = c;
            }
        }
    }
    s.dad[r] = s.dad[p];
    s.lson[r] = s.lson[p];
    s.rson[r] = s.rson[p];
    s.dad[s.lson[p]] = r;
    s.dad[s.rson[p]] = r;
    if (s.rson[s.dad[p]] == p)
        s.rson[s.dad[p]] = r;
    else
        s.lson[s.dad[p]] = r;
    s.dad[p] = NIL;
}

inline void DeleteNode(int p) {
    State& s = S();
    int q;
    if (s.dad[p] == NIL) return;
    if (s.rson[p] == NIL) {
        q = s.lson[p];
    } else if (s.lson[p] == NIL) {
        q = s.rson[p];
    } else {
        q = s.lson[p];
        if (s.rson[q] != NIL) {
            do {
                q = s.rson[q];
            } while (s.rson[q] != NIL);
            s.rson[s.dad[q]] = s.lson[q];
            s.dad[s.lson[q]] = s.dad[q];
            s.lson[q] = s.lson[p];
            s.dad[s.lson[p]] = q;
        }
        s.rson[q] = s.rson[p];
        s.dad[s.rson[p]] = q;
    }
    s.dad[q] = s.dad[p];
    if (s.rson[s.dad[p]] == p)
        s.rson[s.dad[p]] = q;
    else
        s.lson[s.dad[p]] = q;
    s.dad[p] = NIL;
}

inline void PutByte(unsigned v) {
    State& s = S();
    if (s.full) return;
    if (s.outPos >= s.outSize) {
        s.full = true;
        return;
    }
    s.out[s.outPos++] = static_cast<unsigned char>(v);
}

// Emits the l high bits of the 16-bit code c.
inline void Putcode(int l, unsigned c) {
    State& s = S();
    s.putbuf |= c >> s.putlen;
    if ((s.putlen += l) >= 8) {
        PutByte((s.putbuf >> 8) & 0xFF);
        if ((s.putlen -= 8) >= 8) {
            PutByte(s.putbuf & 0xFF);
            s.putlen -= 8;
            s.putbuf = (c << (l - s.putlen)) & 0xFFFF;
        } else {
            s.putbuf = (s.putbuf << 8) & 0xFFFF;
        }
    }
}

// Codes longer than 16 bits leave in two pieces, so that they are written whole.
inline void EncodeChar(unsigned c) {
    State& s = S();
    unsigned long code = 0;
    int len = 0;
    int k = s.prnt[c + T];
    do {
        code >>= 1;
        if (k & 1) code += 0x80000000UL;
        len++;
    } while ((k = s.prnt[k]) != R);
    if (len > 16) {
        Putcode(16, (code >> 16) & 0xFFFF);
        Putcode(len - 16, code & 0xFFFF);
    } else {
        Putcode(len, (code >> 16) & 0xFFFF);
    }
    Update(c);
}

inline void EncodePosition(unsigned c) {
    unsigned i = c >> 6;
    Putcode(PositionLengths()[i], static_cast<unsigned>(PositionCodes()[i]) << 8);
    Putcode(6, (c & 0x3f) << 10);
}

// Same arguments and results as s_CodingEncode.
inline long Encode(const char* inBuf, long inLen, char* outBuf, long outSize) {
    if (inBuf == nullptr || outBuf == nullptr || inLen <= 0 || outSize < 0) return -1;
    if (outSize < 4) return -2;
    State& s = S();
    for (int k = 0; k < 4; k++) outBuf[k] = static_cast<char>((inLen >> (8 * k)) & 0xFF);
    s.in = reinterpret_cast<const unsigned char*>(inBuf);
    s.inPos = 0;
    s.inLen = inLen;
    s.out = reinterpret_cast<unsigned char*>(outBuf);
    s.outPos = 4;
    s.outSize = outSize;
    s.full = false;
    s.putbuf = 0;
    s.putlen = 0;
    StartHuff();
    InitTree();
    int ss = 0, r = N - F, len;
    for (int i = 0; i < r; i++) s.text_buf[i] = ' ';
    for (int i = r; i < N + F - 1; i++) s.text_buf[i] = 0;
    for (len = 0; len < F && s.inPos < s.inLen; len++) s.text_buf[r + len] = s.in[s.inPos++];
    for (int i = 1; i <= F; i++) InsertNode(r - i);
    InsertNode(r);
    do {
        if (s.match_length > len) s.match_length = len;
        if (s.match_length <= THRESHOLD) {
            s.match_length = 1;
            EncodeChar(s.text_buf[r]);
        } else {
            EncodeChar(255 - THRESHOLD + s.match_length);
            EncodePosition(s.match_position);
        }
        if (s.full) return -2;
        int last_match_length = s.match_length, i;
        for (i = 0; i < last_match_length && s.inPos < s.inLen; i++) {
            unsigned char c = s.in[s.inPos++];
            DeleteNode(ss);
            s.text_buf[ss] = c;
            if (ss < F - 1) s.text_buf[ss + N] = c;
            ss = (ss + 1) & (N - 1);
            r = (r + 1) & (N - 1);
            InsertNode(r);
        }
        while (i++ < last_match_length) {
            DeleteNode(ss);
            ss = (ss + 1) & (N - 1);
            r = (r + 1) & (N - 1);
            if (--len) InsertNode(r);
        }
    } while (len > 0);
    if (s.putlen) PutByte((s.putbuf >> 8) & 0xFF);
    if (s.full) return -2;
    return s.outPos;
}

// ---- decoder ----

inline int GetBit() {
    State& s = S();
    while (s.getlen <= 8) {
        unsigned i = s.inPos < s.inLen ? s.in[s.inPos++] : 0;
        s.getbuf |= i << (8 - s.getlen);
        s.getlen += 8;
    }
    unsigned i = s.getbuf;
    s.getbuf = (s.getbuf << 1) & 0xFFFF;
    s.getlen--;
    return (i >> 15) & 1;
}

inline int GetByte() {
    State& s = S();
    while (s.getlen <= 8) {
        unsigned i = s.inPos < s.inLen ? s.in[s.inPos++] : 0;
        s.getbuf |= i << (8 - s.getlen);
        s.getlen += 8;
    }
    unsigned i = s.getbuf;
    s.getbuf = (s.getbuf << 8) & 0xFFFF;
    s.getlen -= 8;
    return (i >> 8) & 0xFF;
}

inline int DecodeChar() {
    State& s = S();
    unsigned c = s.son[R];
    while (c < T) {
        c += GetBit();
        c = s.son[c];
    }
    c -= T;
    Update(c);
    return static_cast<int>(c);
}

inline int DecodePosition() {
    static unsigned char d_code[256], d_len[256];
    static bool made = false;
    if (!made) {
        for (int v = 0; v < 64; v++) {
            int len = PositionLengths()[v], first = PositionCodes()[v];
            for (int b = first; b < first + (1 << (8 - len)); b++) {
                d_code[b] = static_cast<unsigned char>(v);
                d_len[b] = static_cast<unsigned char>(len);
            }
        }
        made = true;
    }
    unsigned i = GetByte();
    unsigned c = static_cast<unsigned>(d_code[i]) << 6;
    int j = d_len[i] - 2;
    while (j--) i = (i << 1) + GetBit();
    return static_cast<int>(c | (i & 0x3f));
}

// Same arguments and results as s_CodingDecode (short input: -1; a match past the header's
// length is cut there).
inline long Decode(const char* inBuf, long inLen, char* outBuf, long outSize) {
    if (inBuf == nullptr || outBuf == nullptr || inLen < 4 || outSize < 0) return -1;
    State& s = S();
    const auto* in = reinterpret_cast<const unsigned char*>(inBuf);
    unsigned long textsize =
        in[0] | (in[1] << 8) | (in[2] << 16) | (static_cast<unsigned long>(in[3]) << 24);
    if (textsize == 0) return -1;
    if (textsize > static_cast<unsigned long>(outSize)) return -2;
    s.in = in;
    s.inPos = 4;
    s.inLen = inLen;
    s.getbuf = 0;
    s.getlen = 0;
    StartHuff();
    for (int i = 0; i < N - F; i++) s.text_buf[i] = ' ';
    for (int i = N - F; i < N; i++) s.text_buf[i] = 0;
    int r = N - F;
    unsigned long count = 0;
    while (count < textsize) {
        int c = DecodeChar();
        if (c < 256) {
            outBuf[count++] = static_cast<char>(c);
            s.text_buf[r++] = static_cast<unsigned char>(c);
            r &= (N - 1);
        } else {
            int i = (r - DecodePosition() - 1) & (N - 1);
            int j = c - 255 + THRESHOLD;
            for (int k = 0; k < j && count < textsize; k++) {
                c = s.text_buf[(i + k) & (N - 1)];
                outBuf[count++] = static_cast<char>(c);
                s.text_buf[r++] = static_cast<unsigned char>(c);
                r &= (N - 1);
            }
        }
    }
    return static_cast<long>(count);
}

}  // namespace lzh_reference
