#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""halcyon.unpack of 3000-byte records against the C++ call's rate, and Big5 to GB of 1 MB
against Python's codecs (BIG5 decoded, GBK encoded), in the same run.

    PYTHONPATH=build/default/python/module python3 python/bench/codec_bench.py \\
        --unpack-rate build/default/python/bench/unpack_rate [--rounds N]

Python's codecs only change the encoding (GBK keeps the Traditional characters), which is the
nearest a Python program gets without the table. The C++ rate comes from unpack_rate, which decodes the same records with s_CodingDecode and
times its own loop (its start-up is not counted); its rounds are interleaved with Python's.
"""
import argparse
import os
import random
import subprocess
import sys
import tempfile

from bench_support import ensure_installation, report, rounds, timed


def market_records(count):
    """Quote and depth lines of about 3000 bytes, as a feed packs them."""
    rng = random.Random(11)
    records = []
    for n in range(count):
        line = b""
        while len(line) < 3000:
            last = 17000 + rng.randrange(4000) / 4
            line += b"Q,%d,TXF,10,%.2f,%.2f,%.2f,%d;B1,%.2f,%d;A1,%.2f,%d;" % (
                n, last, last - 0.5, last + 0.5, rng.randrange(97), last - 0.5,
                rng.randrange(500), last + 0.5, rng.randrange(500))
        records.append(line[:3000])
    return records


def unpack_python(packed, count):
    import halcyon
    unpack = halcyon.unpack
    for i in range(count):
        unpack(packed[i % len(packed)])


def unpack_cpp(program, path, count):
    out = subprocess.run([program, path, str(count)], capture_output=True, check=True, text=True)
    return float(out.stdout.split()[0])


def codecs_big5_to_gbk(text):
    return text.decode("big5").encode("gbk")


def convert_n(convert, text, count):
    """Converts `text` `count` times, each result dropped before the next (as a program that
    converts and goes on would): no round holds hundreds of megabytes of results."""
    for _ in range(count):
        convert(text)


def big5_text(size):
    chars = "臺灣期貨交易所股票指數銀行證券恆生市場價格買賣開盤收盤漲跌成交量"
    rng = random.Random(5)
    text = "".join(rng.choice(chars) if rng.random() < 0.8 else rng.choice("0123456789,. ")
                   for _ in range(size // 2))
    return text.encode("big5")[:size]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--unpack-rate", required=True, help="the unpack_rate program")
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--only", choices=["unpack", "big5"], help="run one of the two")
    args = parser.parse_args()
    program = os.path.abspath(args.unpack_rate)
    ensure_installation()
    import halcyon
    if args.only != "big5":
        compare_unpack(halcyon, program, args.rounds)
    if args.only != "unpack":
        compare_big5(halcyon, args.rounds)
    return 0


def compare_unpack(halcyon, program, rounds_wanted):
    packed = [halcyon.pack(r) for r in market_records(64)]
    with tempfile.NamedTemporaryFile(suffix=".packed", delete=False) as f:
        for p in packed:
            f.write(len(p).to_bytes(4, "little") + p)
    try:
        rates = rounds({
            "halcyon.unpack (Python)": (lambda n: timed(unpack_python, packed, n), 1000),
            "s_CodingDecode (C++)": (lambda n: unpack_cpp(program, f.name, n), 1000),
        }, rounds_wanted)
        report("unpack of 3000-byte records", rates, "halcyon.unpack (Python)",
               ["s_CodingDecode (C++)"], "records")
    finally:
        os.unlink(f.name)


def compare_big5(halcyon, rounds_wanted):
    text = big5_text(1 << 20)
    # codecs keeps the Traditional characters (GBK has them); the table makes them Simplified.
    # Both give two bytes a character here.
    assert len(halcyon.big5_to_gb(text)) == len(text.decode("big5").encode("gbk")) == len(text)
    rates = rounds({
        "halcyon.big5_to_gb": (lambda n: timed(convert_n, halcyon.big5_to_gb, text, n), 1),
        "codecs BIG5 -> GBK": (lambda n: timed(convert_n, codecs_big5_to_gbk, text, n), 1),
    }, rounds_wanted)
    report("Big5 to GB of 1 MB", rates, "halcyon.big5_to_gb", ["codecs BIG5 -> GBK"], "MB")


if __name__ == "__main__":
    sys.exit(main())
