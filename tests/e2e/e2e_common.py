"""What both real-browser checks share: checks that collect failures, reading folders
without touching them, and the ending that stops every started process."""
import hashlib
import os
import shutil
import signal
import subprocess
import sys

started = []  # processes to stop whatever happens
failures = []


def run(*args, **kwargs):
    return subprocess.run(list(args), check=True, **kwargs)


def sha(data):
    return hashlib.sha256(data).hexdigest()


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def snapshot(folder):
    """Names, sizes, times and contents, read without touching access times."""
    state = {}
    for base, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(base, name)
            info = os.stat(path)
            fd = os.open(path, os.O_RDONLY | getattr(os, "O_NOATIME", 0))
            with os.fdopen(fd, "rb") as f:
                state[path] = (info.st_size, info.st_mtime_ns, info.st_atime_ns, sha(f.read()))
    return state


def saved_files(folder):
    found = {}
    for base, _, names in os.walk(folder):
        for name in names:
            with open(os.path.join(base, name), "rb") as f:
                found[os.path.relpath(os.path.join(base, name), folder)] = f.read()
    return found


def stop_started(server):
    for process in started:
        if process.poll() is None:
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
    server.shutdown()


def finish(root):
    """Prints the verdict and ends; the files stay for a look when something failed."""
    if not failures:
        shutil.rmtree(root, ignore_errors=True)
    print("1 passed, 0 failed" if not failures else f"0 passed, 1 failed ({len(failures)} "
          f"problems; files kept in {root})")
    sys.exit(1 if failures else 0)
