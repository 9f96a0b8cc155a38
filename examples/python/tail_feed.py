#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Shows the market-data records of a shared queue as a live table, one row per instrument.

    tail_feed.py [QUEUE] [--count N] [--refresh SECONDS] [--wait SECONDS]

Reads queue QUEUE (default HALCYON_DEMO) of a running registry: while `halcyon queue host NAME`
runs, records written with `halcyon queue push NAME` (or by any program of the terminal) appear
here. Each record is unpacked when it is packed with the terminal's codec, read as a quote line
"Q,<seq>,<symbol>,<market hex>,<Big5 name>,<time>,<last>,<bid>,<ask>,<volume>,<turnover>", and
its Big5 name converted to GB with the installation's table. The table is redrawn every
SECONDS (default 1) and uses pandas where it is installed. Ctrl-C stops, or N records.

Run it with a Python whose installation root holds the Big5 to GB table (docs/python.md);
elsewhere the names are decoded with Python's own Big5 codec instead.
"""
import argparse
import sys
import time

import halcyon

COLUMNS = ["symbol", "market", "name", "time", "last", "bid", "ask", "volume", "updates"]


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("queue", nargs="?", default="HALCYON_DEMO")
    parser.add_argument("--count", type=int, default=0, help="stop after N records (0: never)")
    parser.add_argument("--refresh", type=float, default=1.0, help="seconds between redraws")
    parser.add_argument("--wait", type=float, default=0.0,
                        help="seconds to wait for the queue to appear")
    return parser.parse_args()


def payload(record):
    """The record's text: unpacked when it is a packed stream, as it is otherwise."""
    try:
        return halcyon.unpack(record, max_size=65536, strict=True)
    except ValueError:
        return record


class Names:
    """Big5 names as text: through the installation's Big5 to GB table where there is one."""

    def __init__(self):
        self.table = True
        self.cache = {}

    def __call__(self, big5):
        if big5 not in self.cache:
            self.cache[big5] = self.convert(big5)
        return self.cache[big5]

    def convert(self, big5):
        if self.table:
            try:
                return halcyon.big5_to_gb(big5).decode("gbk", errors="replace")
            except halcyon.InstallationError as error:
                print("tail_feed: %s; names are decoded as Big5 instead" % error, file=sys.stderr)
                self.table = False
        return big5.decode("big5", errors="replace")


def quote_row(text, names):
    """The row of a quote line, or None for any other record."""
    fields = text.split(b";", 1)[0].split(b",")
    if len(fields) < 11 or fields[0] != b"Q":
        return None
    symbol, market, name, stamp, last, bid, ask, volume = (fields[2], fields[3], fields[4],
                                                           fields[5], fields[6], fields[7],
                                                           fields[8], fields[9])
    return {"symbol": symbol.decode(errors="replace"), "market": market.decode(errors="replace"),
            "name": names(name), "time": stamp.decode(errors="replace")[-12:],
            "last": float(last), "bid": float(bid), "ask": float(ask), "volume": int(volume)}


def render(rows, others):
    table = sorted(rows.values(), key=lambda row: (row["market"], row["symbol"]))
    try:
        import pandas
        text = pandas.DataFrame(table, columns=COLUMNS).to_string(index=False) if table else ""
    except ImportError:
        lines = ["%-6s %-6s %-14s %-12s %10s %10s %10s %8s %8s" % tuple(COLUMNS)]
        for row in table:
            lines.append("%-6s %-6s %-14s %-12s %10.2f %10.2f %10.2f %8d %8d" % tuple(
                row[column] for column in COLUMNS))
        text = "\n".join(lines)
    if others:
        text += "\n(%d records were not quote lines)" % others
    return text


def show(text):
    if sys.stdout.isatty():
        sys.stdout.write("\x1b[H\x1b[J")  # redraw in place
    sys.stdout.write(text + "\n\n")
    sys.stdout.flush()


def main():
    args = parse_args()
    try:
        queue = halcyon.open_queue(args.queue, timeout=args.wait)
    except halcyon.QueueNotFound as error:
        print("tail_feed: %s (start 'halcyon queue host %s' or the terminal first, or wait "
              "for it with --wait SECONDS)" % (error, args.queue), file=sys.stderr)
        return 1
    names, rows, others, seen = Names(), {}, 0, 0
    next_draw = time.monotonic() + args.refresh
    try:
        with queue:
            while args.count == 0 or seen < args.count:
                wanted = 256 if args.count == 0 else min(256, args.count - seen)
                for record in queue.read_batch(wanted, timeout=args.refresh):
                    seen += 1
                    row = quote_row(payload(record), names)
                    if row is None:
                        others += 1
                        continue
                    key = (row["market"], row["symbol"])
                    row["updates"] = rows.get(key, {}).get("updates", 0) + 1
                    rows[key] = row
                if time.monotonic() >= next_draw:
                    show(render(rows, others))
                    next_draw = time.monotonic() + args.refresh
    except KeyboardInterrupt:
        pass
    except halcyon.QueueError as error:
        print("tail_feed: %s" % error, file=sys.stderr)
        return 1
    show(render(rows, others))
    return 0


if __name__ == "__main__":
    sys.exit(main())
