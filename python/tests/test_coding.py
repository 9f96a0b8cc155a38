# SPDX-License-Identifier: Apache-2.0
"""The codec, the scrambler and the hex and BCD conversions."""
import random

import pytest

import halcyon

RANDOM = random.Random(7).randbytes(3000)


@pytest.mark.parametrize("data", [b"a", b"ab" * 2000, RANDOM, bytes(range(256)) * 40,
                                  bytearray(b"quote,1,2,3" * 50), memoryview(b"view" * 9)])
def test_pack_round_trip(data):
    packed = halcyon.pack(data)
    assert int.from_bytes(packed[:4], "little") == len(data)
    assert halcyon.unpack(packed) == data and halcyon.unpack(packed, strict=True) == data
    assert halcyon.pack(data) == packed  # no state carried between calls


def test_unpack_refusals():
    packed = halcyon.pack(b"market data " * 100)
    cases = [
        (lambda: halcyon.pack(b""), ValueError, "at least 1"),
        (lambda: halcyon.pack("text"), TypeError, "bytes-like"),
        (lambda: halcyon.unpack(b"\x05\x00\x00"), ValueError, "4-byte"),
        (lambda: halcyon.unpack(b"\x00\x00\x00\x00\x12"), ValueError, "length is 0"),
        (lambda: halcyon.unpack(b"\xff\xff\xff\x7f\x12"), ValueError, "max_size"),
        (lambda: halcyon.unpack(packed, max_size=1199), ValueError, "max_size"),
        (lambda: halcyon.unpack(packed[:-5], strict=True), ValueError, "truncated"),
        (lambda: halcyon.unpack(packed + b"\x01", strict=True), ValueError, "follow"),
        (lambda: halcyon.unpack(None), TypeError, ""),
    ]
    for call, error, text in cases:
        with pytest.raises(error, match=text):
            call()
    assert len(halcyon.unpack(packed, max_size=1200)) == 1200  # the limit itself is allowed
    # Without strict, a damaged stream decodes to other bytes of the length its header says.
    assert len(halcyon.unpack(packed[:-5])) == 1200


def test_scramble():
    data = bytearray(RANDOM[:101])
    scrambled = halcyon.scramble(data)
    assert len(scrambled) == 101 and scrambled != bytes(data)
    kept = bytes(scrambled)
    assert halcyon.unscramble(scrambled) == bytes(data)
    assert scrambled == kept  # the caller's bytes are left alone
    for short in (b"", b"abcd"):
        with pytest.raises(ValueError, match="at least 5"):
            halcyon.scramble(short)
        with pytest.raises(ValueError, match="at least 5"):
            halcyon.unscramble(short)


def test_hex_and_bcd():
    long_bytes = bytes(range(256)) * 2  # past the library's 127 bytes a call
    assert halcyon.to_hex(long_bytes) == long_bytes.hex().upper()
    assert halcyon.from_hex(long_bytes.hex()) == long_bytes
    assert halcyon.from_hex("0aFf") == b"\x0a\xff" and halcyon.to_hex(b"") == ""
    cases = [  # (call, result)
        (lambda: halcyon.bcd_to_int(b"\x12\x34"), 1234),
        (lambda: halcyon.bcd_to_int(b"\x42\x94\x96\x72\x96"), 4294967296 % 2**32),
        (lambda: halcyon.bcd_to_int(b"\x1a"), 20),  # a nibble above 9 weighs as a digit
        (lambda: halcyon.int_to_bcd(1234, 3), b"\x00\x12\x34"),
        (lambda: halcyon.int_to_bcd(9999999999, 5), b"\x99\x99\x99\x99\x99"),
        (lambda: halcyon.pack_digits("12345"), b"\x01\x23\x45"),
        (lambda: halcyon.pack_digits(b"0987"), b"\x09\x87"),
    ]
    for call, result in cases:
        assert call() == result
    refusals = [
        lambda: halcyon.from_hex("abc"), lambda: halcyon.from_hex("zz"),
        lambda: halcyon.bcd_to_int(b""), lambda: halcyon.bcd_to_int(bytes(11)),
        lambda: halcyon.int_to_bcd(100, 1), lambda: halcyon.int_to_bcd(-1, 4),
        lambda: halcyon.int_to_bcd(1, 0), lambda: halcyon.pack_digits("12a"),
        lambda: halcyon.pack_digits("1" * 511), lambda: halcyon.pack_digits(""),
    ]
    for call in refusals:
        with pytest.raises(ValueError):
            call()


def test_stub_names_match_the_module():
    import ast
    import os
    stub = os.path.join(os.path.dirname(__file__), os.pardir, "halcyon.pyi")
    with open(stub) as source:
        tree = ast.parse(source.read())
    declared = {node.name for node in tree.body if isinstance(node, (ast.FunctionDef, ast.ClassDef))}
    declared |= {node.target.id for node in tree.body if isinstance(node, ast.AnnAssign)}
    public = {name for name in dir(halcyon) if not name.startswith("_")} | {"__version__"}
    assert declared - {"BytesLike", "Text", "PathLike"} == public
