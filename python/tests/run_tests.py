#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Runs pytest on the module's tests in an installation of their own.

The library takes its installation root from the running program, so the tests run in a Python
placed in <root>/BIN (a hard link or a copy of this interpreter, with a pyvenv.cfg that points it
at its standard library): the root is a fresh temporary folder with the installation's SYS data,
and HALCYON_KERNEL_DIR a fresh private folder for the run's named objects. Both are removed
afterwards.

    run_tests.py --module-dir DIR --tool HALCYON --data DATA_DIR [pytest arguments...]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile


def place_interpreter(bin_dir):
    target = os.path.join(bin_dir, "python3")
    source = os.path.realpath(sys.executable)
    try:
        os.link(source, target)
    except OSError:
        shutil.copy2(source, target)
    with open(os.path.join(bin_dir, "pyvenv.cfg"), "w") as cfg:
        cfg.write("home = %s\ninclude-system-site-packages = true\n" % os.path.dirname(source))
    return target


def make_installation(root, data):
    os.makedirs(os.path.join(root, "BIN"))
    shutil.copytree(os.path.join(data, "SYS"), os.path.join(root, "SYS"))
    language = os.path.join(root, "SYS", "Language")
    shutil.copytree(os.path.join(data, "Language"), language)
    shutil.copy2(os.path.join(data, "BIG5-GB.TAB"), language)
    return place_interpreter(os.path.join(root, "BIN"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--module-dir", required=True)
    parser.add_argument("--tool", required=True)
    parser.add_argument("--data", required=True)
    args, pytest_args = parser.parse_known_args()
    work = tempfile.mkdtemp(prefix="halcyon-py-")
    try:
        root = os.path.join(work, "root")
        python = make_installation(root, args.data)
        kernel = os.path.join(work, "kernel")
        os.mkdir(kernel, 0o700)
        env = dict(os.environ)
        env.update(HALCYON_KERNEL_DIR=kernel, HALCYON_TOOL=os.path.abspath(args.tool),
                   HALCYON_TEST_ROOT=root, PYTHONDONTWRITEBYTECODE="1",
                   PYTHONPATH=os.pathsep.join(filter(None, [os.path.abspath(args.module_dir),
                                                            env.get("PYTHONPATH")])))
        env.pop("XDG_RUNTIME_DIR", None)
        command = [python, "-m", "pytest", "-p", "no:cacheprovider", "-q", *pytest_args]
        return subprocess.call(command, env=env, cwd=os.path.join(root, "BIN"))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
