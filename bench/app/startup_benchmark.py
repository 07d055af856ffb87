#!/usr/bin/env python3
"""Start-up of the program's window against a bare Qt window holding one web view.

For each, in alternating runs: the time from starting the process to its window being shown
and to the links page's loadFinished (median of --runs), and the largest PSS of the whole
process tree (the program and the web engine's helper processes), sampled every 100 ms for
--memory-seconds after start. Both load the links page from content-service on an ephemeral
port. Needs a display; on a machine without one:

    xvfb-run -a -s "-screen 0 1280x1024x24" bench/app/startup_benchmark.py --build build
"""
import argparse
import os
import re
import select
import signal
import statistics
import subprocess
import sys
import time


def start_service(build):
    service = subprocess.Popen(
        [os.path.join(build, "tools/content-service/content-service"), "--port", "0"],
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    line = service.stdout.readline()
    match = re.search(r"listening on 127\.0\.0\.1:(\d+)", line)
    if not match:
        service.kill()
        sys.exit("content-service did not start: " + line)
    return service, "127.0.0.1:" + match.group(1)


def descendants(root):
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            children.setdefault(int(fields[1]), []).append(int(entry))
        except (OSError, IndexError):
            continue
    tree, todo = [], [root]
    while todo:
        pid = todo.pop()
        tree.append(pid)
        todo.extend(children.get(pid, []))
    return tree


def tree_pss_kib(root):
    total = 0
    for pid in descendants(root):
        try:
            with open(f"/proc/{pid}/smaps_rollup") as rollup:
                for line in rollup:
                    if line.startswith("Pss:"):
                        total += int(line.split()[1])
                        break
        except OSError:
            continue
    return total


def launch(command):
    return subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                            text=True, start_new_session=True)


def stop(process):
    try:
        os.killpg(process.pid, signal.SIGTERM)
        process.wait(timeout=10)
    except (ProcessLookupError, subprocess.TimeoutExpired):
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        process.wait()


def timed_start(command, timeout=60.0):
    """Milliseconds from process start to 'shown' and to 'loaded' (with its success flag)."""
    started = time.monotonic_ns()
    process = launch(command)
    marks = {}
    deadline = time.monotonic() + timeout
    try:
        while ("shown" not in marks or "loaded" not in marks) and time.monotonic() < deadline:
            ready, _, _ = select.select([process.stdout], [], [], 0.5)
            if not ready:
                if process.poll() is not None:
                    break
                continue
            line = process.stdout.readline()
            if not line:
                break
            parts = line.split()
            if parts and parts[0] in ("shown", "loaded"):
                marks[parts[0]] = ((int(parts[1]) - started) / 1e6, parts[2:] == ["1"])
    finally:
        stop(process)
    if "shown" not in marks or "loaded" not in marks:
        sys.exit(f"{command[0]} did not report both marks within {timeout} s: {marks}")
    return marks["shown"][0], marks["loaded"][0], marks["loaded"][1]


def peak_pss(command, seconds):
    process = launch(command)
    peak = 0
    try:
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            peak = max(peak, tree_pss_kib(process.pid))
            time.sleep(0.1)
    finally:
        stop(process)
    return peak


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build", help="build directory (default: build)")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--memory-seconds", type=float, default=10.0)
    options = parser.parse_args()
    if os.geteuid() == 0:
        os.environ["QTWEBENGINE_DISABLE_SANDBOX"] = "1"

    service, host = start_service(options.build)
    try:
        programs = {
            "program": [os.path.join(options.build, "bench/app/app_startup_probe"), "--host", host],
            "bare web view": [os.path.join(options.build, "bench/app/bare_webview_probe"), "--host", host],
        }
        shown = {name: [] for name in programs}
        loaded = {name: [] for name in programs}
        for _ in range(options.runs):
            for name, command in programs.items():
                shown_ms, loaded_ms, ok = timed_start(command)
                if not ok:
                    sys.exit(f"{name}: the links page did not load")
                shown[name].append(shown_ms)
                loaded[name].append(loaded_ms)
        peak = {name: peak_pss(command, options.memory_seconds) for name, command in programs.items()}
    finally:
        service.terminate()
        service.wait()

    print(f"{'':16}{'shown (ms)':>12}{'loaded (ms)':>13}{'peak PSS (MiB)':>16}")
    for name in programs:
        print(f"{name:16}{statistics.median(shown[name]):12.0f}{statistics.median(loaded[name]):13.0f}"
              f"{peak[name] / 1024:16.1f}")
    base = "bare web view"
    print(f"{'ratio':16}{statistics.median(shown['program']) / statistics.median(shown[base]):12.2f}"
          f"{statistics.median(loaded['program']) / statistics.median(loaded[base]):13.2f}"
          f"{peak['program'] / peak[base]:16.2f}")
    print(f"(medians of {options.runs} runs; target: shown ratio <= 1.00)")


if __name__ == "__main__":
    main()
