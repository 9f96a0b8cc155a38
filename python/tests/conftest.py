# SPDX-License-Identifier: Apache-2.0
"""Shared helpers of the module's tests (run them through run_tests.py, which makes the
installation root and the HALCYON_* settings they rely on)."""
import os
import shutil
import subprocess
import sys
import tempfile
import textwrap

import pytest

TOOL = os.environ.get("HALCYON_TOOL", "")
MODULE_DIR = os.path.dirname(__import__("halcyon").__file__)


def private_folder():
    """A fresh folder only this user may enter: a kernel-object folder of its own."""
    return tempfile.mkdtemp(prefix="halcyon-kernel-")


@pytest.fixture
def namespace():
    """An environment whose processes share a kernel-object folder of their own, so that a
    test's registry never meets another test's."""
    folder = private_folder()
    env = dict(os.environ, HALCYON_KERNEL_DIR=folder)
    yield env
    shutil.rmtree(folder, ignore_errors=True)


def python(code, env, **kwargs):
    """Starts this interpreter (so this installation root) on `code`; returns the Popen."""
    return subprocess.Popen([sys.executable, "-c", textwrap.dedent(code)], env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kwargs)


def tool(*args, env, **kwargs):
    """Starts the halcyon tool with `args`; returns the Popen."""
    return subprocess.Popen([TOOL, *args], env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, **kwargs)


def finish(process, timeout=60):
    out, err = process.communicate(timeout=timeout)
    assert process.returncode == 0, err.decode(errors="replace")
    return out


def wait_for_line(process, text, timeout=20):
    """Reads the process's output until a line holding `text`; fails on its end or the limit."""
    import selectors
    selector = selectors.DefaultSelector()
    selector.register(process.stdout, selectors.EVENT_READ)
    import time
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if selector.select(timeout=0.2):
            line = process.stdout.readline()
            if not line:
                break
            if text.encode() in line:
                return line
    raise AssertionError("no line with %r; stderr: %r" % (text, process.stderr.read1()
                                                          if process.poll() is not None else ""))


def make_root(folder, with_sys):
    """An installation root in `folder` whose BIN holds this interpreter; with or without SYS."""
    bin_dir = os.path.join(folder, "BIN")
    os.makedirs(bin_dir)
    if with_sys:
        shutil.copytree(os.path.join(os.environ["HALCYON_TEST_ROOT"], "SYS"),
                        os.path.join(folder, "SYS"))
    source = os.path.realpath(sys.executable)
    shutil.copy2(os.path.join(os.path.dirname(sys.executable), "pyvenv.cfg"), bin_dir)
    try:
        os.link(source, os.path.join(bin_dir, "python3"))
    except OSError:
        shutil.copy2(source, os.path.join(bin_dir, "python3"))
    return os.path.join(bin_dir, "python3")
