# SPDX-License-Identifier: Apache-2.0
"""Shared queues between real processes: Python and the C++ halcyon tool on either side, a
Python reader killed in the middle of its work, and the tail_feed example."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import pytest

from conftest import MODULE_DIR, finish, python, tool, wait_for_line

RECORDS = 2000


def test_python_producer_cpp_consumer(namespace):
    # A 1 KiB ring holds a few dozen records: the producer sleeps on a full queue until the
    # tool's reads wake it.
    producer = python("""
        import sys, halcyon
        with halcyon.host_registry() as registry:
            queue = registry.create_queue("PYFEED", size_kib=1)
            print("ready", flush=True)
            records = [b"rec-%%05d" %% n for n in range(%d)]
            assert queue.write_batch(records[:1000], timeout=30) == 1000
            for record in records[1000:]:
                assert queue.write(record, timeout=30)
            sys.stdin.read()
    """ % RECORDS, namespace, stdin=subprocess.PIPE)
    wait_for_line(producer, "ready")
    consumer = tool("queue", "pop", "PYFEED", "--count", str(RECORDS), "--wait", env=namespace)
    lines = finish(consumer).splitlines()
    finish(producer)  # closes its standard input: it stops hosting
    assert lines == [b"rec-%05d" % n for n in range(RECORDS)]


@pytest.mark.parametrize("kind", [[], ["--lock-free"]], ids=["legacy", "lock-free"])
def test_cpp_producer_python_consumer(namespace, kind):
    host = tool("queue", "host", "CFEED", "--size", "1", *kind, env=namespace)
    try:
        wait_for_line(host, "hosting")
        consumer = python("""
            import halcyon
            got = []
            with halcyon.open_queue("CFEED", timeout=20) as queue:
                assert queue.kind == %r
                while len(got) < %d:
                    batch = queue.read_batch(64, timeout=20)
                    assert batch, "the producer stopped"
                    got.extend(batch)
            print("\\n".join(r.decode() for r in got))
        """ % ("lock-free" if kind else "legacy", RECORDS), namespace)
        lines = "".join("line %d\n" % n for n in range(RECORDS)).encode()
        producer = tool("queue", "push", "CFEED", env=namespace,
                        stdin=subprocess.PIPE)
        producer.communicate(lines, timeout=60)
        assert producer.returncode == 0
        assert finish(consumer).decode().split("\n")[:-1] == ["line %d" % n for n in range(RECORDS)]
    finally:
        host.send_signal(signal.SIGINT)
        finish(host)


READER = """
    import halcyon, sys
    queue = halcyon.open_queue("KFEED", timeout=20)
    last, count, resets = -1, 0, 0
    print("reading", flush=True)
    while last < %d:
        try:
            batch = queue.read_batch(7, timeout=20)
        except halcyon.QueueError as error:
            # A reader killed in the middle of a copy leaves the queue busy until a reset.
            assert "reset()" in str(error), error
            queue.reset()
            resets += 1
            continue
        assert batch, "the producer stopped at %%d" %% last
        for record in batch:
            head, number, padding = record.split(b":")
            n = int(number)
            assert head == b"seq" and padding == b"x" * (n %% 50), record
            assert n > last, (n, last)
            last, count = n, count + 1
    print(count, last, resets)
"""


@pytest.mark.parametrize("lock_free", [False, True], ids=["legacy", "lock-free"])
def test_killed_python_reader_leaves_the_queue_usable(namespace, lock_free):
    total = 20000
    # The producer paces itself, so that the first reader is killed in the middle of the flow.
    producer = python("""
        import halcyon, time
        with halcyon.host_registry() as registry:
            queue = registry.create_queue("KFEED", size_kib=4, lock_free=%r)
            print("ready", flush=True)
            for n in range(%d):
                assert queue.write(b"seq:%%08d:%%s" %% (n, b"x" * (n %% 50)), timeout=30)
                if n %% 50 == 0:
                    time.sleep(0.002)
            while len(queue):
                time.sleep(0.05)
    """ % (lock_free, total), namespace)
    wait_for_line(producer, "ready")
    victim = python(READER % (total - 1), namespace)
    wait_for_line(victim, "reading")
    time.sleep(0.3)  # in the middle of its reads
    victim.send_signal(signal.SIGKILL)
    victim.wait()
    assert victim.returncode == -signal.SIGKILL
    survivor = python(READER % (total - 1), namespace)
    count, last, resets = map(int, finish(survivor).split()[-3:])
    finish(producer)
    assert last == total - 1
    assert 0 < count < total  # the killed reader took the first records with it
    assert resets <= (0 if lock_free else 1)  # a lock-free queue is never left busy


def test_tail_feed_example(namespace):
    # Quote lines as the terminal's feeds send them, packed, with Big5 names.
    example = os.path.join(os.path.dirname(__file__), os.pardir, os.pardir, "examples", "python",
                           "tail_feed.py")
    feeder = python("""
        import halcyon, sys
        with halcyon.host_registry() as registry:
            queue = registry.create_queue("TAIL")
            names = ["臺積電", "恆生指數"]
            for n in range(40):
                line = "Q,%d,S%d,10,%s,2026-12-05 09:00:%02d.000,%d.5,1,2,%d,9" % (
                    n, n % 2, names[n % 2], n, 100 + n, n)
                queue.write(halcyon.pack(line.encode("big5")) if n % 3 else line.encode("big5"))
            queue.write(b"not a quote")
            print("ready", flush=True)
            sys.stdin.read()
    """, namespace, stdin=subprocess.PIPE)
    wait_for_line(feeder, "ready")
    tail = subprocess.run([sys.executable, example, "TAIL", "--count", "41", "--refresh", "0.2"],
                          env=namespace, capture_output=True, timeout=60)
    finish(feeder)
    assert tail.returncode == 0, tail.stderr
    last_table = tail.stdout.decode().strip().split("\n\n")[-1]
    assert "台积电" in last_table and "恒生指数" in last_table and "1 records" in last_table
    assert "139.50" in last_table and "138.50" in last_table  # each symbol's latest quote


OTHER_USER = "halcyon-pytest"
OTHER_PROBE = """
import halcyon
for call in (lambda: halcyon.open_queue("SECRET"), halcyon.list_queues):
    try:
        call()
    except halcyon.QueueNotFound:
        print("refused")
"""


def other_user():
    """(uid, gid) of a system user made for the test; None where this process cannot make one."""
    import pwd
    import shutil as tools
    if os.geteuid() != 0 or not tools.which("useradd") or not tools.which("setpriv"):
        return None
    try:
        entry = pwd.getpwnam(OTHER_USER)
    except KeyError:
        subprocess.run(["useradd", "-r", "-M", "-s", "/usr/sbin/nologin", OTHER_USER], check=True)
        entry = pwd.getpwnam(OTHER_USER)
    return entry.pw_uid, entry.pw_gid


def halcyon_module_file():
    import glob
    return glob.glob(os.path.join(MODULE_DIR, "halcyon*.so"))[0]


def library_of(module):
    """The HalcyonCommon library the module loads, as the loader finds it."""
    for line in subprocess.run(["ldd", module], capture_output=True, text=True).stdout.splitlines():
        if "libHalcyonCommon" in line:
            return line.split("=>")[1].split("(")[0].strip()
    raise AssertionError("the module names no HalcyonCommon library")


def test_another_user_cannot_reach_our_queues(namespace):
    ids = other_user()
    if ids is None:
        import pytest
        pytest.skip("needs root, useradd and setpriv to run as a second user")
    host = python("""
        import halcyon, sys
        with halcyon.host_registry() as registry:
            queue = registry.create_queue("SECRET")
            queue.write(b"ours")
            print("ready", flush=True)
            sys.stdin.read()
            print(len(queue), queue.read(timeout=0).decode())
    """, namespace, stdin=subprocess.PIPE)
    wait_for_line(host, "ready")
    # The system's interpreter, and the module with its library in a folder anyone may read, as
    # the other user may enter neither this run's root nor the build tree; the same
    # kernel-object folder, which the library refuses to trust for another uid.
    shared = tempfile.mkdtemp(prefix="halcyon-module-")
    try:
        os.chmod(shared, 0o755)
        module = halcyon_module_file()
        for path in (module, library_of(module)):
            shutil.copy(path, shared)
            os.chmod(os.path.join(shared, os.path.basename(path)), 0o644)
        env = dict(namespace, PYTHONPATH=shared, LD_LIBRARY_PATH=shared)
        probe = subprocess.run(["setpriv", "--reuid=%d" % ids[0], "--regid=%d" % ids[1],
                                "--clear-groups", "/usr/bin/python3", "-c", OTHER_PROBE],
                               env=env, capture_output=True, timeout=60, cwd="/")
    finally:
        shutil.rmtree(shared, ignore_errors=True)
    assert probe.returncode == 0, probe.stderr
    assert probe.stdout.split() == [b"refused"] * 2
    assert finish(host).split() == [b"1", b"ours"]


def test_one_reading_process_on_a_lock_free_queue(namespace):
    host = python("""
        import halcyon, sys
        with halcyon.host_registry() as registry:
            queue = registry.create_queue("SIDES", lock_free=True)
            queue.write(b"one")
            queue.write(b"two")
            print("ready", flush=True)
            sys.stdin.read()
    """, namespace, stdin=subprocess.PIPE)
    wait_for_line(host, "ready")
    first = python("""
        import halcyon, sys
        queue = halcyon.open_queue("SIDES")
        print(queue.read(timeout=5).decode(), flush=True)
        sys.stdin.read()
    """, namespace, stdin=subprocess.PIPE)
    wait_for_line(first, "one")
    second = """
        import halcyon
        queue = halcyon.open_queue("SIDES")
        try:
            print(queue.read(timeout=1).decode())
        except halcyon.QueueError as error:
            assert "one writing and one reading process" in str(error), error
            print("refused")
    """
    assert finish(python(second, namespace)).split() == [b"refused"]
    finish(first)  # the reader ends: the next process takes its side and the record left
    assert finish(python(second, namespace)).split() == [b"two"]
    finish(host)
