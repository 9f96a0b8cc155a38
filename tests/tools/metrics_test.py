"""`halcyon metrics serve` from outside: real processes on a fresh installation root, scraped over
HTTP and read with prometheus_client's OpenMetrics parser (which refuses malformed text).

    metrics_test.py TOOL [NATS_SERVER]
"""

import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.request

from prometheus_client.openmetrics.parser import text_string_to_metric_families

TOOL = sys.argv[1] if len(sys.argv) > 1 else ""
NATS = sys.argv[2] if len(sys.argv) > 2 else ""


class Machine:
    """An installation root with the tool in its bin folder and a kernel-object folder."""

    def __init__(self, base, name):
        self.root = os.path.join(base, name)
        self.tool = os.path.join(self.root, "bin", "halcyon")
        os.makedirs(os.path.dirname(self.tool))
        os.makedirs(os.path.join(self.root, "TEMP"))
        shutil.copy2(TOOL, self.tool)
        kernel = os.path.join(base, name + "-kernel")
        os.mkdir(kernel, 0o700)
        self.env = dict(os.environ, HALCYON_KERNEL_DIR=kernel)
        self.children = []

    def run(self, *args, stdin=""):
        return subprocess.run([self.tool, *args], input=stdin, capture_output=True, text=True,
                              env=self.env, timeout=60)

    def start(self, *args, ready):
        """Starts a child and waits for a line of standard output holding `ready`."""
        child = subprocess.Popen([self.tool, *args], stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, text=True, env=self.env)
        self.children.append(child)
        line = child.stdout.readline()
        if ready not in line:
            raise AssertionError(f"{args} printed {line!r}: {child.stderr.read()}")
        return child, line

    def serve(self):
        child, line = self.start("metrics", "serve", "--listen", "127.0.0.1:0", ready="serving")
        return child, re.search(r"http://\S+/metrics", line).group(0)

    def stop(self):
        for child in reversed(self.children):
            if child.poll() is None:
                child.send_signal(signal.SIGTERM)
                child.wait(timeout=30)
            for stream in (child.stdout, child.stderr):
                if stream is not None:
                    stream.close()


def scrape(url):
    with urllib.request.urlopen(url, timeout=30) as reply:
        kind = reply.headers["Content-Type"]
        values = {}
        for family in text_string_to_metric_families(reply.read().decode()):
            for sample in family.samples:
                values[(sample.name, tuple(sorted(sample.labels.items())))] = sample.value
        return kind, values


def journal(first_unstored, entries, cut=b""):
    """An out bridge's journal as docs/bridge.md lays it out."""
    data = b"HCBOUT01" + struct.pack("<QQ", 0x1234, first_unstored)
    for n, record in entries:
        data += struct.pack("<QIH", n, n, len(record)) + record
    return data + cut


class MetricsServe(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.base = tempfile.mkdtemp()
        cls.a = Machine(cls.base, "a")
        cls.host, _ = cls.a.start("queue", "host", "FEED", "--size", "4", ready="hosting")
        assert cls.a.run("queue", "push", "FEED", stdin="one\ntwo\nthree\nfour\nfive\n").returncode == 0
        assert cls.a.run("queue", "pop", "FEED", "--count", "2").stdout == "one\ntwo\n"
        for args in (["system", "orders", "1", "2", "x", "y"], ["system", "orders", "3", "4", "x", "y"],
                     ["debug", "orders", "Book.cpp", "7", "rebuilt"]):
            assert cls.a.run("log", *args).returncode == 0
        temp = os.path.join(cls.a.root, "TEMP")
        files = {
            "BRIDGE_out_A.DAT": journal(3, [(1, b"12345"), (2, b"abc"), (3, b"wxyz"), (4, b"0" * 10)],
                                        cut=struct.pack("<QIH", 5, 5, 100) + b"short"),
            "BRIDGE_in_B.DAT": b"HCBIN001" + struct.pack("<QQII", 77, 78, 9, 0),
            "BRIDGE_out_BAD.DAT": b"HCBOUT99" + bytes(16),
        }
        for name, data in files.items():
            with open(os.path.join(temp, name), "wb") as f:
                f.write(data)
        os.symlink("BRIDGE_out_A.DAT", os.path.join(temp, "BRIDGE_out_LINK.DAT"))
        if os.geteuid() == 0:  # a file of another user, as a shared /var/tmp may hold
            other = os.path.join(temp, "BRIDGE_in_OTHER.DAT")
            shutil.copy(os.path.join(temp, "BRIDGE_in_B.DAT"), other)
            os.chown(other, 65534, 65534)
        cls.server, cls.url = cls.a.serve()
        cls.first = scrape(cls.url)  # before any test changes the queue

    @classmethod
    def tearDownClass(cls):
        cls.a.stop()
        shutil.rmtree(cls.base)

    def test_values_of_queues_logs_and_bridges(self):
        kind, values = self.first[0], dict(self.first[1])
        logs = os.path.join(self.a.root, "LOG", "orders")
        system = [os.path.join(logs, "system", f) for f in os.listdir(os.path.join(logs, "system"))]
        q, o, s = (("queue", "FEED"),), (("kind", "system"), ("log", "orders")), ("queue",)
        expected = [
            ("halcyon_registry_up", (), 1),
            ("halcyon_registry_queues", (), 1),
            ("halcyon_queue_up", q, 1),
            ("halcyon_queue_ring_bytes", q, 4096),
            ("halcyon_queue_records", q, 3),
            ("halcyon_queue_used_bytes", q, len("three") + len("four") + len("five") + 3 * 2),
            ("halcyon_queue_fill_ratio", q, 19 / 4096),
            ("halcyon_queue_written_records_total", q, 5),
            ("halcyon_queue_read_records_total", q, 2),
            ("halcyon_queue_errors_total", q, 0),
            ("halcyon_queue_sync_stuck", q, 0),
            ("halcyon_log_day_files", o, 1),
            ("halcyon_log_day_file_bytes", o, os.path.getsize(system[0])),
            ("halcyon_log_last_write_timestamp_seconds", o, os.stat(system[0]).st_mtime),
            ("halcyon_log_day_files", (("kind", "debug"), ("log", "orders")), 1),
            ("halcyon_bridge_up", (("direction", "out"), ("queue", "A")), 1),
            ("halcyon_bridge_out_stored_records_total", (("queue", "A"),), 2),
            ("halcyon_bridge_out_pending_records", (("queue", "A"),), 2),
            ("halcyon_bridge_out_pending_bytes", (("queue", "A"),), 4 + 10),
            ("halcyon_bridge_up", (("direction", "in"), ("queue", "B")), 1),
            ("halcyon_bridge_in_last_sequence", (("queue", "B"),), 77),
            ("halcyon_bridge_up", (("direction", "out"), ("queue", "BAD")), 0),
            ("halcyon_bridge_up", (("direction", "out"), ("queue", "LINK")), 0),
        ]
        if os.geteuid() == 0:
            expected.append(("halcyon_bridge_up", (("direction", "in"), ("queue", "OTHER")), 0))
        self.assertEqual(len(system), 1)
        self.assertEqual(kind, "application/openmetrics-text; version=1.0.0; charset=utf-8")
        for name, labels, value in expected:
            with self.subTest(name=name, labels=labels):
                self.assertAlmostEqual(values.pop((name, labels)), value, places=6)
        self.assertNotIn(("halcyon_bridge_in_last_sequence", (("queue", "OTHER"),)), values)
        self.assertNotIn(("halcyon_bridge_out_pending_records", (("queue", "LINK"),)), values)

    def test_each_scrape_reads_the_queue_again(self):
        written, read = (("halcyon_queue_%s_records_total" % k, (("queue", "FEED"),))
                         for k in ("written", "read"))
        before = scrape(self.url)[1]
        self.assertEqual(self.a.run("queue", "push", "FEED", stdin="six\n").returncode, 0)
        self.assertEqual(self.a.run("queue", "pop", "FEED", "--count", "1").returncode, 0)
        after = scrape(self.url)[1]
        self.assertEqual((after[written] - before[written], after[read] - before[read]), (1, 1))

    def test_other_requests_are_refused(self):
        for path, method, code in [("/metrics", "POST", 405), ("/", "GET", 404),
                                   ("/metrics/x", "GET", 404)]:
            with self.subTest(path=path, method=method):
                request = urllib.request.Request(self.url.replace("/metrics", path), method=method,
                                                 data=b"x" if method == "POST" else None)
                with self.assertRaises(urllib.error.HTTPError) as caught:
                    urllib.request.urlopen(request, timeout=30)
                self.assertEqual(caught.exception.code, code)

    def test_usage_errors(self):
        port = self.url.split(":")[2].split("/")[0]
        for args, code, message in [
            ([], 2, "missing subcommand"),
            (["watch"], 2, "unknown subcommand 'watch'"),
            (["serve"], 2, "needs --listen"),
            (["serve", "--listen", "9464"], 2, "not ADDRESS:PORT"),
            (["serve", "--listen", "localhost:9464"], 2, "not ADDRESS:PORT"),
            (["serve", "--listen", "127.0.0.1:65536"], 2, "not ADDRESS:PORT"),
            (["serve", "--listen=127.0.0.1:1", "--verbose"], 2, "unknown option '--verbose'"),
            (["serve", "--listen", "127.0.0.1:" + port], 1, "cannot listen on 127.0.0.1:" + port),
        ]:
            with self.subTest(args=args):
                result = self.a.run("metrics", *args)
                self.assertEqual(result.returncode, code, result.stderr)
                self.assertIn(message, result.stderr)

    def test_without_a_registry_it_serves_and_does_not_wait(self):
        b = Machine(self.base, "no-registry")
        try:
            _, url = b.serve()
            _, values = scrape(url)
            self.assertEqual(values[("halcyon_registry_up", ())], 0)
            self.assertFalse([k for k in values if k[0].startswith("halcyon_queue_")])
        finally:
            b.stop()

    def test_zz_registry_owner_killed(self):
        self.host.send_signal(signal.SIGKILL)
        self.host.wait(timeout=30)
        _, values = scrape(self.url)  # the server keeps the registry's objects open
        self.assertEqual(values[("halcyon_queue_up", (("queue", "FEED"),))], 1)
        self.server.send_signal(signal.SIGTERM)
        self.assertEqual(self.server.wait(timeout=30), 0)

    @unittest.skipUnless(NATS, "nats-server not found")
    def test_a_real_out_bridge_journal(self):
        b = Machine(self.base, "bridge")
        try:
            nats_log = os.path.join(self.base, "nats.log")
            nats = subprocess.Popen([NATS, "-js", "-sd", os.path.join(self.base, "js"), "-a",
                                     "127.0.0.1", "-p", "-1", "-l", nats_log])
            b.children.append(nats)
            port = None
            for _ in range(200):
                text = ""
                if os.path.exists(nats_log):
                    with open(nats_log) as f:
                        text = f.read()
                found = re.search(r"client connections on 127\.0\.0\.1:(\d+)", text)
                if found and "Server is ready" in text:
                    port = found.group(1)
                    break
                time.sleep(0.05)
            self.assertIsNotNone(port, "nats-server did not start")
            b.start("queue", "host", "OUTQ", ready="hosting")
            self.assertEqual(b.run("queue", "push", "OUTQ", stdin="r1\nr2\nr3\nr4\n").returncode, 0)
            b.children.append(subprocess.Popen(
                [b.tool, "bridge", "out", "OUTQ", "--nats", "nats://127.0.0.1:" + port,
                 "--subject", "metrics.test"], env=b.env, stderr=subprocess.DEVNULL))
            _, url = b.serve()
            key = ("halcyon_bridge_out_stored_records_total", (("queue", "OUTQ"),))
            for _ in range(200):
                _, values = scrape(url)
                if values.get(key) == 4:
                    break
                time.sleep(0.1)
            self.assertEqual(values.get(key), 4)
            self.assertEqual(values[("halcyon_bridge_out_pending_records", (("queue", "OUTQ"),))], 0)
            self.assertEqual(values[("halcyon_queue_read_records_total", (("queue", "OUTQ"),))], 4)
        finally:
            b.stop()


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
