#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""What `halcyon queue pop`'s guarantee costs: records per second of pop as it is (a record taken
off the queue only once written out, into a pipe only once the reader has read it) against
another build of the tool (the baseline, for example one from before the guarantee), into a file
and into a pipe read by `cat`, in the same run.

  bench/pop_handover.py NEW_TOOL BASELINE_TOOL

A host of the new tool keeps a queue of 255 KiB in a kernel-object folder of the run's own; each
round pushes records of 64 bytes from `seq` while the tool under test pops them (--wait), and
times both. One warm-up round per contender, then 7 rounds each, contenders interleaved with
the order rotated; rounds of 400000 records into a file and 300000 into a pipe, so that each
lasts a quarter of a second or more. Prints the load average before and after, each contender's median
with its minimum and maximum, and the median of the paired ratios new/baseline with their range.
The processes are not pinned: push, pop, the reader and the host share whatever cores the
scheduler gives them.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROUNDS = 7
COUNTS = {"file": 400000, "pipe": 300000}  # records a round


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    new, old = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="halcyon-pop-handover.")
    kernel = os.path.join(work, "kernel")
    os.mkdir(kernel, 0o700)
    env = dict(os.environ, HALCYON_KERNEL_DIR=kernel)
    host = subprocess.Popen([new, "queue", "host", "Q", "--size", "255"], env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    host.stdout.readline()
    durations = []

    def run(tool, sink):
        count = COUNTS[sink]
        tail = f"> '{work}/out'" if sink == "file" else "| cat > /dev/null"
        command = (f"seq -f '%063g' 1 {count} | '{new}' queue push Q 2>/dev/null & "
                   f"'{tool}' queue pop Q --count {count} --wait {tail}; wait")
        start = time.perf_counter()
        subprocess.run(["sh", "-c", command], env=env, check=True)
        seconds = time.perf_counter() - start
        durations.append(seconds)
        return count / seconds

    contenders = [("new", new, "file"), ("baseline", old, "file"), ("new", new, "pipe"),
                  ("baseline", old, "pipe")]
    print("load before:", open("/proc/loadavg").read().strip())
    for _, tool, sink in contenders:
        run(tool, sink)
    warm = len(durations)
    results = {c: [] for c in contenders}
    for r in range(ROUNDS):
        for c in contenders[r % 4:] + contenders[:r % 4]:
            results[c].append(run(c[1], c[2]))
    print("load after: ", open("/proc/loadavg").read().strip())
    print(f"{ROUNDS} rounds per contender after a warm-up, "
          f"{min(durations[warm:]):.2f}-{max(durations[warm:]):.2f} s each")
    for (who, _, sink), values in results.items():
        print(f"{who:8} pop into a {sink}: median {statistics.median(values):8.0f} records/s "
              f"(min {min(values):.0f}, max {max(values):.0f})")
    for sink in COUNTS:
        ratios = [a / b for a, b in zip(results[("new", new, sink)],
                                        results[("baseline", old, sink)])]
        print(f"new/baseline into a {sink}: median {statistics.median(ratios):.2f} "
              f"(min {min(ratios):.2f}, max {max(ratios):.2f})")
    host.send_signal(2)
    host.wait()
    subprocess.run(["rm", "-rf", work], check=True)


if __name__ == "__main__":
    main()
