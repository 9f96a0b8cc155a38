#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Makes BIG5-GB.TAB, the Big5 to GB conversion table, from public data.

For each of the table's 13565 positions (Big5 lead bytes 0xA1-0xC6 first half and 0xC9-0xF9,
157 trail positions each: 0x40-0x7E, then 0xA1-0xFE), the Big5 character is turned into Unicode
with glibc's iconv (code page CP950), simplified with OpenCC's character table TSCharacters
(its first candidate; a character without an entry stays as it is), and encoded in GBK with
iconv. A position without a character, or one whose result GBK cannot encode in two bytes,
becomes "??".

    generate-big5-gb.py OUT.TAB            writes the table
    generate-big5-gb.py --check TABLE      exits 1 when TABLE differs from what it would write

Needs python3, glibc and the opencc package (for opencc_dict and TSCharacters.ocd2).
"""
import ctypes
import ctypes.util
import os
import subprocess
import sys
import tempfile

TS_DICTIONARY = "/usr/share/opencc/TSCharacters.ocd2"
UNKNOWN = b"??"

libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
libc.iconv_open.restype = ctypes.c_void_p
libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
libc.iconv.restype = ctypes.c_size_t
libc.iconv.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_char_p),
                       ctypes.POINTER(ctypes.c_size_t), ctypes.POINTER(ctypes.c_char_p),
                       ctypes.POINTER(ctypes.c_size_t)]


class Iconv:
    """One glibc iconv conversion; convert() returns None where iconv fails."""

    def __init__(self, to_code, from_code):
        self.handle = libc.iconv_open(to_code.encode(), from_code.encode())
        if self.handle in (None, ctypes.c_void_p(-1).value):
            sys.exit(f"iconv cannot convert {from_code} to {to_code}")

    def convert(self, data):
        libc.iconv(self.handle, None, None, None, None)  # fresh state
        source = ctypes.create_string_buffer(data, len(data))
        target = ctypes.create_string_buffer(64)
        in_ptr = ctypes.c_char_p(ctypes.addressof(source))
        out_ptr = ctypes.c_char_p(ctypes.addressof(target))
        in_left = ctypes.c_size_t(len(data))
        out_left = ctypes.c_size_t(64)
        done = libc.iconv(self.handle, ctypes.byref(in_ptr), ctypes.byref(in_left),
                          ctypes.byref(out_ptr), ctypes.byref(out_left))
        if done == ctypes.c_size_t(-1).value or in_left.value != 0:
            return None
        return target.raw[:64 - out_left.value]


def trail_bytes():
    return list(range(0x40, 0x7F)) + list(range(0xA1, 0xFF))


def positions():
    """The Big5 pairs of the table's entries, in index order."""
    for lead in range(0xA1, 0xC6):
        for trail in trail_bytes():
            yield lead, trail
    for trail in range(0x40, 0x7F):
        yield 0xC6, trail
    for lead in range(0xC9, 0xFA):
        for trail in trail_bytes():
            yield lead, trail


def load_simplifications():
    with tempfile.TemporaryDirectory() as folder:
        text = os.path.join(folder, "ts.txt")
        subprocess.run(["opencc_dict", "-i", TS_DICTIONARY, "-o", text, "-f", "ocd2", "-t",
                        "text"], check=True)
        table = {}
        with open(text, encoding="utf-8") as lines:
            for line in lines:
                key, _, values = line.rstrip("\n").partition("\t")
                if len(key) == 1 and values:
                    table[key] = values.split(" ")[0]
        return table


def make_table():
    to_unicode = Iconv("UTF-8", "CP950")
    to_gbk = Iconv("GBK", "UTF-8")
    simplified = load_simplifications()
    table = bytearray()
    for lead, trail in positions():
        utf8 = to_unicode.convert(bytes([lead, trail]))
        gbk = None
        if utf8:
            char = utf8.decode("utf-8")
            gbk = to_gbk.convert(simplified.get(char, char).encode("utf-8"))
        table += gbk if gbk is not None and len(gbk) == 2 else UNKNOWN
    assert len(table) == 13565 * 2
    return bytes(table)


def main(argv):
    if len(argv) == 3 and argv[1] == "--check":
        with open(argv[2], "rb") as existing:
            same = existing.read() == make_table()
        print(f"{argv[2]}: {'matches the generator' if same else 'DIFFERS from the generator'}")
        return 0 if same else 1
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1], "wb") as out:
        out.write(make_table())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
