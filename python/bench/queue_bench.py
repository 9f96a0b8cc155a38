#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Reading 64-byte records from another process: shared queues of both kinds read with
read_batch, against multiprocessing.Queue and against os.pipe read one frame at a time.

    PYTHONPATH=build/default/python/module python3 python/bench/queue_bench.py [--rounds N]
        [--same-cpu]

Each contender has a producer process of its own (started with multiprocessing's spawn), told
how many records to send for each round; the reader here times the round from the order to the
last record. The producers write as a user of each would: the queue in batches of 256
(write_batch), multiprocessing.Queue one put() a record, the pipe 64 frames per write. The
reader runs on CPU 1 and the producers on CPU 0 (with --same-cpu all on CPU 0), where the
machine has them.
"""
import argparse
import multiprocessing
import os
import subprocess
import sys

from bench_support import ensure_installation, report, rounds, timed

RECORD = bytes(range(64))
BATCH = 256


def pin(cpu):
    if hasattr(os, "sched_setaffinity") and cpu < os.cpu_count():
        os.sched_setaffinity(0, {cpu})


def queue_producer(orders, name, cpu):
    import halcyon
    pin(cpu)
    queue = halcyon.open_queue(name, timeout=10)
    batch = [RECORD] * BATCH
    for count in iter(orders.recv, None):
        while count > 0:
            n = min(count, BATCH)
            queue.write_batch(batch[:n])
            count -= n


def mp_producer(orders, channel, cpu):
    pin(cpu)
    for count in iter(orders.recv, None):
        for _ in range(count):
            channel.put(RECORD)


PIPE_PRODUCER = """
import os, sys
fd, cpu = int(sys.argv[1]), int(sys.argv[2])
if cpu < os.cpu_count():
    os.sched_setaffinity(0, {cpu})
record = bytes(range(64))
frames = record * 64
for line in sys.stdin:
    count = int(line)
    while count >= 64:
        os.write(fd, frames)
        count -= 64
    if count:
        os.write(fd, record * count)
"""


class PipeProducer:
    """A producer writing into a pipe, as a plain process given the pipe's descriptor."""

    def __init__(self, fd, cpu):
        self.process = subprocess.Popen([sys.executable, "-c", PIPE_PRODUCER, str(fd), str(cpu)],
                                        stdin=subprocess.PIPE, pass_fds=(fd,), text=True)

    def send(self, count):
        if count is None:
            self.process.stdin.close()
            self.process.wait(10)
        else:
            self.process.stdin.write("%d\n" % count)
            self.process.stdin.flush()


def read_queue(queue, orders, count):
    orders.send(count)
    while count > 0:
        count -= len(queue.read_batch(BATCH))


def read_mp(channel, orders, count):
    orders.send(count)
    for _ in range(count):
        channel.get()


def read_pipe(fd, orders, count):
    orders.send(count)
    while count > 0:
        frame = os.read(fd, 64)
        while len(frame) < 64:  # a frame split by the pipe: the rest of it
            frame += os.read(fd, 64 - len(frame))
        count -= 1


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--same-cpu", action="store_true")
    args = parser.parse_args()
    ensure_installation()
    import halcyon
    spawn = multiprocessing.get_context("spawn")
    producer_cpu = 0
    reader_cpu = 0 if args.same_cpu or os.cpu_count() < 2 else 1
    pin(reader_cpu)
    registry = halcyon.host_registry()
    children, contenders = [], {}

    def start(target, *extra):
        mine, theirs = spawn.Pipe()
        child = spawn.Process(target=target, args=(theirs, *extra, producer_cpu), daemon=True)
        child.start()
        children.append((child, mine))
        return mine

    queues = []
    for name, lock_free in (("halcyon read_batch(256)", False),
                            ("halcyon lock-free read_batch(256)", True)):
        queue = registry.create_queue("BENCH64-%d" % lock_free, size_kib=255, lock_free=lock_free)
        queues.append(queue)
        orders = start(queue_producer, queue.name)
        contenders[name] = (lambda n, q=queue, o=orders: timed(read_queue, q, o, n), 4096)
    channel = spawn.Queue()
    orders = start(mp_producer, channel)
    contenders["multiprocessing.Queue get()"] = (lambda n, o=orders: timed(read_mp, channel, o, n),
                                                 1024)
    read_end, write_end = os.pipe()
    pipe_producer = orders = PipeProducer(write_end, producer_cpu)
    contenders["os.pipe, one frame per read"] = (lambda n, o=orders: timed(read_pipe, read_end, o, n),
                                                 4096)
    print("reader on CPU %d, producers on CPU %d; %d CPUs" % (reader_cpu, producer_cpu,
                                                              os.cpu_count()))
    rates = rounds(contenders, args.rounds)
    report("64-byte records between two processes", rates, "halcyon read_batch(256)",
           ["multiprocessing.Queue get()", "os.pipe, one frame per read"], "records")
    report("the same, lock-free queue", rates, "halcyon lock-free read_batch(256)",
           ["multiprocessing.Queue get()", "os.pipe, one frame per read",
            "halcyon read_batch(256)"], "records", rates_too=False)
    for child, mine in children:
        mine.send(None)
        child.join(10)
    pipe_producer.send(None)
    for queue in queues:
        queue.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
