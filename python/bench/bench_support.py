# SPDX-License-Identifier: Apache-2.0
"""What the module's benchmarks share: a private installation to run in, and rounds.

Every figure is a ratio measured in the same run: rounds of at least 0.25 s after a warm-up, at
least 7 of them, the contenders interleaved with their order rotated each round, the median and
the min-max printed with the load average.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), os.pardir, os.pardir))
ROUND_SECONDS = 0.25


def ensure_installation():
    """Re-runs this script, once, from a Python placed in a temporary installation root with a
    kernel-object folder of its own: the benchmark never meets a live registry."""
    if os.environ.get("HALCYON_BENCH_ROOT"):
        return
    sys.path.insert(0, os.path.join(SOURCE, "python", "tests"))
    from run_tests import make_installation  # the tests' installation, with the same data
    work = tempfile.mkdtemp(prefix="halcyon-bench-")
    try:
        python = make_installation(os.path.join(work, "root"), os.path.join(SOURCE, "data"))
        kernel = os.path.join(work, "kernel")
        os.mkdir(kernel, 0o700)
        env = dict(os.environ, HALCYON_BENCH_ROOT=work, HALCYON_KERNEL_DIR=kernel)
        env.pop("XDG_RUNTIME_DIR", None)
        sys.exit(subprocess.call([python, os.path.abspath(sys.argv[0]), *sys.argv[1:]], env=env))
    finally:
        shutil.rmtree(work, ignore_errors=True)


def load():
    return "load average %.2f %.2f %.2f" % os.getloadavg()


def calibrate(run, unit):
    """The item count that makes one round of `run(count) -> seconds` last 0.25 s or more."""
    count = unit
    while run(count) < ROUND_SECONDS:
        count *= 2
    return count


def rounds(contenders, rounds_wanted=7):
    """Runs each contender's `run(count) -> seconds` in interleaved, rotated rounds after a
    warm-up; returns {name: [items per second, one per round]}."""
    names = list(contenders)
    counts = {}
    for name in names:  # warm-up and calibration
        run, unit = contenders[name]
        counts[name] = calibrate(run, unit)
    rates = {name: [] for name in names}
    for r in range(rounds_wanted):
        order = names[r % len(names):] + names[:r % len(names)]
        for name in order:
            run, _ = contenders[name]
            rates[name].append(counts[name] / run(counts[name]))
    return rates


def report(title, rates, ours, baselines, unit, rates_too=True):
    print("%s (%s)" % (title, load()))
    for name, values in rates.items() if rates_too else ():
        print("  %-34s median %12.0f %s/s  (min %.0f, max %.0f)" % (
            name, statistics.median(values), unit, min(values), max(values)))
    for baseline in baselines:
        ratios = [a / b for a, b in zip(rates[ours], rates[baseline])]
        print("  ratio %-28s median %6.2fx  (min %.2fx, max %.2fx), per round" % (
            "vs " + baseline, statistics.median(ratios), min(ratios), max(ratios)))


def timed(function, *args):
    start = time.perf_counter()
    function(*args)
    return time.perf_counter() - start
