#!/usr/bin/env python3
"""Two command lines of one program timed as whole processes and nothing
else: each run is posix_spawn and waitpid around the process (its output to
/dev/null), with no timing program of its own inside the time, the two
taken in turns. Prints the medians and their ratio.

Usage: bench/startup/spawn_ratio.py PROGRAM RUNS [ARG_A [ARG_B]]
  (default: --text against --report)
"""
import os
import statistics
import sys
import time

program, runs = sys.argv[1], int(sys.argv[2])
arg_a = sys.argv[3] if len(sys.argv) > 3 else "--text"
arg_b = sys.argv[4] if len(sys.argv) > 4 else "--report"


def once(arg):
    null = os.open(os.devnull, os.O_WRONLY)
    start = time.perf_counter()
    pid = os.posix_spawn(program, [program, arg], os.environ,
                         file_actions=[(os.POSIX_SPAWN_DUP2, null, 1),
                                       (os.POSIX_SPAWN_DUP2, null, 2)])
    _, status = os.waitpid(pid, 0)
    elapsed = (time.perf_counter() - start) * 1000
    os.close(null)
    if status != 0:
        sys.exit(f"{program} {arg} ended with status {status}")
    return elapsed


times = {arg_a: [], arg_b: []}
for i in range(runs):
    for arg in ((arg_a, arg_b) if i % 2 == 0 else (arg_b, arg_a)):
        times[arg].append(once(arg))
a, b = statistics.median(times[arg_a]), statistics.median(times[arg_b])
print(f"{arg_a}: {a:.2f} ms, {arg_b}: {b:.2f} ms (medians of {runs} runs each, in turns); "
      f"{arg_b} / {arg_a} = {b / a:.3f}")
