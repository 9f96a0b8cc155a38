# SPDX-License-Identifier: Apache-2.0
"""The queue API in one process: arguments, errors, batches, time limits, closing."""
import threading
import time

import pytest

import halcyon
from conftest import finish, python


def test_no_registry_is_a_lookup_error(namespace):
    # A process of its own: this one hosts a registry for the other tests.
    probe = python("""
        import halcyon
        for call in (lambda: halcyon.open_queue("Q"), halcyon.list_queues,
                     lambda: halcyon.create_queue("Q")):
            try:
                call()
            except LookupError as error:
                assert isinstance(error, halcyon.QueueNotFound) and "host" in str(error)
                print("refused")
    """, namespace)
    assert finish(probe).split() == [b"refused"] * 3


@pytest.fixture(scope="module")
def registry():
    with halcyon.host_registry() as hosted:
        yield hosted


@pytest.fixture
def queue(registry, request):
    with registry.create_queue(request.node.name[:31], size_kib=1) as created:
        yield created


def test_bad_arguments(registry, queue):
    cases = [
        (lambda: halcyon.open_queue(""), ValueError),
        (lambda: halcyon.open_queue("x" * 32), ValueError),
        (lambda: halcyon.open_queue(b"a\0b"), ValueError),
        (lambda: halcyon.open_queue(42), TypeError),
        (lambda: halcyon.open_queue("Q", timeout=-1), ValueError),
        (lambda: registry.create_queue("NEW", size_kib=0), ValueError),
        (lambda: registry.create_queue("NEW", size_kib=256), ValueError),
        (lambda: queue.write(b""), ValueError),
        (lambda: queue.write(b"x" * 3096), ValueError),
        (lambda: queue.write(b"x" * 1022), ValueError),  # never fits a 1 KiB ring
        (lambda: queue.write("text"), TypeError),
        (lambda: queue.write_batch([b"ok", b""]), ValueError),
        (lambda: queue.read(timeout=-1), ValueError),
        (lambda: queue.read(timeout=float("nan")), ValueError),
        (lambda: queue.read_batch(0), ValueError),
        (lambda: halcyon.open_queue("MISSING"), halcyon.QueueNotFound),
        (lambda: registry.create_queue(queue.name), halcyon.QueueError),
        (lambda: halcyon.create_queue(queue.name), halcyon.QueueError),
    ]
    for call, error in cases:
        with pytest.raises(error):
            call()
    assert len(queue) == 0  # the refused batch wrote nothing


def test_records_in_order_batches_and_stat(queue):
    records = [bytes([n]) * (1 + n % 40) for n in range(30)]
    assert queue.write_batch(iter(records)) == 30
    assert queue.write(bytearray(b"ba")) and queue.write(memoryview(b"mv"))
    stat = queue.stat()
    assert (stat.count, stat.write_count, stat.read_count, stat.valid) == (32, 32, 0, True)
    assert stat.used_bytes == sum(len(r) + 2 for r in records) + 8 and stat.ring_bytes == 1024
    assert queue.read_batch(10) == records[:10]
    assert len(queue) == 22  # those the batch took beyond 10 count until handed out
    assert queue.read() == records[10]
    assert queue.read_batch(100, timeout=0) == records[11:] + [b"ba", b"mv"]
    assert queue.read_batch(5, timeout=0) == [] and queue.read(timeout=0) is None
    assert halcyon.list_queues() == [(queue.id, queue.name)]


def test_time_limits(queue):
    start = time.monotonic()
    assert queue.read(timeout=0.3) is None
    assert queue.read_batch(3, timeout=0.2) == []
    assert time.monotonic() - start >= 0.5
    # Full: 46 records of 20 bytes take 1012 of the 1023 usable bytes, the 47th has no room.
    assert queue.write_batch([b"y" * 20] * 47, timeout=0.2) == 46
    assert not queue.write(b"z" * 20, timeout=0) and len(queue) == 46
    queue.reset()
    assert len(queue) == 0 and queue.stat().write_count == 0


def test_two_objects_share_one_queue(queue):
    other = halcyon.open_queue(queue.name)
    assert other.id == queue.id
    queue.write(b"one")
    other.close()
    assert other.closed and queue.read(timeout=0) == b"one"
    with pytest.raises(halcyon.QueueError, match="closed"):
        other.read(timeout=0)


def test_close_ends_a_waiting_reader(registry):
    queue = registry.create_queue("WAITED")
    got = []

    def reader():
        got.extend(queue)  # waits, GIL released, until the queue closes

    thread = threading.Thread(target=reader)
    thread.start()
    queue.write(b"first")
    time.sleep(0.3)
    start = time.monotonic()
    queue.close()
    thread.join(timeout=5)
    assert not thread.is_alive() and got == [b"first"]
    assert time.monotonic() - start < 1.0
    # Its creator removed it, and with the last queue the registry paused; the owner's next
    # queue starts it again.
    with pytest.raises(halcyon.QueueNotFound):
        halcyon.list_queues()
    with registry.create_queue("AGAIN") as again:
        assert halcyon.list_queues() == [(again.id, "AGAIN")]


@pytest.mark.parametrize("lock_free", [False, True], ids=["legacy", "lock-free"])
def test_both_kinds(registry, lock_free):
    with registry.create_queue("KIND-%d" % lock_free, size_kib=1, lock_free=lock_free) as queue:
        kind = "lock-free" if lock_free else "legacy"
        assert queue.kind == kind and halcyon.open_queue(queue.name).kind == kind
        records = [bytes([n]) * (10 + n) for n in range(40)]  # 1260 bytes framed
        written = queue.write_batch(records, timeout=0.1)  # fills the ring: the rest wait
        assert 0 < written < 40
        stat = queue.stat()
        expected = dict(kind=kind, valid=True, ring_bytes=1024, count=written, errcount=0,
                        used_bytes=sum(len(r) + 2 for r in records[:written]),
                        write_count=written, read_count=0)
        assert {name: getattr(stat, name) for name in expected} == expected
        offsets = (None, None) if lock_free else (expected["used_bytes"], 0)  # nothing read yet
        assert (stat.put, stat.take) == offsets
        assert queue.read_batch(3) == records[:3] and len(queue) == written - 3
        assert queue.write_batch(records[written:], timeout=5) == 40 - written
        got = records[:3]
        while len(got) < 40:
            got += queue.read_batch(7, timeout=1) or [None]
        assert got == records and queue.read_batch(1, timeout=0) == []
        if lock_free:
            with pytest.raises(halcyon.QueueError, match="cannot be reset"):
                queue.reset()


@pytest.mark.parametrize("lock_free", [False, True], ids=["legacy", "lock-free"])
def test_threads_share_one_reader(registry, lock_free):
    # Two threads batch-read through one object while a third writes: every record comes once.
    total = 20000
    with registry.create_queue("SHARED-%d" % lock_free, size_kib=2, lock_free=lock_free) as queue:
        got = [[], []]

        def reader(mine):
            while True:
                batch = queue.read_batch(5, timeout=2)
                if not batch:
                    return
                mine.extend(batch)

        threads = [threading.Thread(target=reader, args=(mine,)) for mine in got]
        for thread in threads:
            thread.start()
        for start in range(0, total, 100):
            queue.write_batch([b"%06d" % n for n in range(start, start + 100)])
        for thread in threads:
            thread.join(timeout=30)
        assert sorted(got[0] + got[1]) == [b"%06d" % n for n in range(total)]
        for mine in got:
            assert mine == sorted(mine)  # each thread's records in the queue's order
