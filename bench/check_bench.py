#!/usr/bin/env python3
"""Submissions a second that one `zar check` call grades, on one core.

    bench/check_bench.py [ZAR] [--copies N] [--runs R]

Grades N copies (default 1000) of a reference solution in one call, R times
(default 5), for an exercise of console cases (07_stars) and one of a screen
case (11_square_outline), and prints the median rate; beside it the rate of
one process per submission, as a shell loop grades, over a tenth as many.
ZAR defaults to build/cli/zar.
"""

import argparse
import os
import pathlib
import shutil
import statistics
import subprocess
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
EXERCISES = ["07_stars", "11_square_outline"]


def Seconds(command):
  """The wall-clock time of a call that must pass."""
  start = time.perf_counter()
  subprocess.run(command, stdout=subprocess.DEVNULL, check=True)
  return time.perf_counter() - start


def main():
  parser = argparse.ArgumentParser()
  parser.add_argument("zar", nargs="?", default=str(ROOT / "build/cli/zar"))
  parser.add_argument("--copies", type=int, default=1000)
  parser.add_argument("--runs", type=int, default=5)
  args = parser.parse_args()
  one_core = ["taskset", "-c", "0"] if shutil.which("taskset") else []
  with tempfile.TemporaryDirectory() as folder:
    for name in EXERCISES:
      exercise = str(ROOT / "exercises" / f"{name}.json")
      solution = ROOT / "tests/exercises/solutions" / f"{name}.OIA"
      paths = [os.path.join(folder, f"{name}_{i}.OIA") for i in range(args.copies)]
      for path in paths:
        shutil.copyfile(solution, path)
      listing = os.path.join(folder, f"{name}.txt")
      pathlib.Path(listing).write_text("\n".join(paths) + "\n")
      batch = [Seconds(one_core + [args.zar, "check", "--json", exercise, "--from", listing]) for _ in range(args.runs)]
      few = paths[:max(1, args.copies // 10)]
      single = [sum(Seconds(one_core + [args.zar, "check", exercise, p]) for p in few) for _ in range(args.runs)]
      print(f"{name}: {args.copies / statistics.median(batch):8.0f} submissions/s in one call, "
            f"{len(few) / statistics.median(single):6.0f}/s a process each (medians of {args.runs} runs)")


if __name__ == "__main__":
  main()
