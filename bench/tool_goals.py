#!/usr/bin/env python3
"""The tools' speed goals, beside GNU gettext's tools in one run, on inputs shaped like real projects.

Generates the inputs (bench/project_shapes.py), then runs each pair of commands in interleaved rounds
(ours, theirs, ours, theirs...): a run's time is the lesser of its wall-clock and CPU time, so a
moment the machine spends elsewhere does not count against either side. Prints each side's median,
the ratio of the medians with its goal, and each tool's peak memory beside its inputs and output.
The loading goals come from lookup_bench (Google Benchmark, interleaved repetitions, medians).

Usage: tool_goals.py [--build DIR] [--rounds N] [--scale F] [--only NAME,...]
  --build   the Release build holding vellix and bench/lookup_bench (default build-bench)
  --scale   multiplies every input's size (0.01 for a quick check of the script itself)
Exits 1 when a goal does not hold (with --scale 1 only).
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import project_shapes  # noqa: E402


def run_once(command, cwd):
    """The seconds of one run: the lesser of wall and CPU time."""
    start = time.monotonic()
    with open(os.devnull, "wb") as null:
        process = subprocess.Popen(command, cwd=cwd, stdout=null, stderr=null)
        _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode not in (0, 1):
        raise SystemExit("tool_goals: %s failed with status %d" % (command[0], process.returncode))
    return min(wall, usage.ru_utime + usage.ru_stime)


# Linux keeps a process's peak resident set across exec, so a tool started straight from this
# script would report the script's own peak (the generated inputs: a hundred megabytes and more)
# when that is larger. A fresh, small interpreter starts the tool instead and says its peak; its own
# 10 MB or so is then a floor, below every tool's peak at full scale.
PEAK_OF_CHILD = """import os, sys
pid = os.fork()
if pid == 0:
    fd = os.open(os.devnull, os.O_WRONLY)
    os.dup2(fd, 1)
    os.dup2(fd, 2)
    os.execvp(sys.argv[1], sys.argv[1:])
print(os.wait4(pid, 0)[2].ru_maxrss)
"""


def peak_of(command, cwd):
    """The largest resident set of one run of COMMAND, in KiB."""
    done = subprocess.run([sys.executable, "-c", PEAK_OF_CHILD] + command, cwd=cwd, capture_output=True, text=True,
                          check=True)
    return int(done.stdout)


def interleaved(ours, theirs, rounds, cwd):
    """Medians of each side over ROUNDS interleaved runs, and our peak memory."""
    run_once(ours, cwd)  # the inputs into the page cache, the programs loaded once
    run_once(theirs, cwd)
    mine, gnu = [], []
    for _ in range(rounds):
        mine.append(run_once(ours, cwd))
        gnu.append(run_once(theirs, cwd))
    return statistics.median(mine), statistics.median(gnu), peak_of(ours, cwd)


def size_of(paths):
    return sum(os.path.getsize(path) for path in paths)


def report(name, ours, theirs, gnu_name, goal, peak, io_bytes, failures):
    ratio = ours / theirs
    held = ratio <= goal
    print("%-28s %8.4f s   %-26s %8.4f s   ratio %.3f (goal <= %.2f) %s"
          % (name, ours, gnu_name, theirs, ratio, goal, "" if held else "NOT MET"))
    if peak is not None:
        multiple = peak * 1024 / io_bytes
        print("%-28s peak %d KiB = %.2f x inputs and output (goal <= 3) %s"
              % ("", peak, multiple, "" if multiple <= 3 else "NOT MET"))
        held = held and multiple <= 3
    if not held:
        failures.append(name)


def extraction(vellix, work, args, failures):
    tree = os.path.join(work, "tree")
    files = max(20, int(2000 * args.scale))
    paths = project_shapes.extraction_tree(tree, files=files, calls=25 * files, keys=15 * files)
    list_file = os.path.join(work, "files.txt")
    with open(list_file, "w") as handle:
        handle.write("\n".join(paths) + "\n")
    ours = [vellix, "extract", "--keyword=TR:1,2", "-o", os.path.join(work, "ours.pot")] + paths
    theirs = ["xgettext", "--from-code=UTF-8", "-C", "--keyword=TR:1c,2", "--keyword=vellix_get:2c,3",
              "--keyword=vellix_nget:2c,4,5", "--keyword=vellix_index_nget:2c,4,5",
              "-o", os.path.join(work, "theirs.pot")] + paths
    t_ours, t_gnu, peak = interleaved(ours, theirs, args.rounds, tree)
    io_bytes = size_of([os.path.join(tree, p) for p in paths]) + os.path.getsize(os.path.join(work, "ours.pot"))
    report("vellix extract (%d files)" % files, t_ours, t_gnu, "xgettext", 0.25, peak, io_bytes, failures)
    # The same tree without the wrapper macro's definition, whose non-literal arguments draw a
    # warning in every file.
    for path in paths:
        full = os.path.join(tree, path)
        with open(full, encoding="utf-8") as handle:
            text = handle.read()
        with open(full, "w", encoding="utf-8") as handle:
            handle.write(text.replace("#define TR(k, t) vellix_get(cat, k, t)\n", "\n"))
    t_quiet, t_gnu, _ = interleaved(ours, theirs, args.rounds, tree)
    report("  without the macro's warning", t_quiet, t_gnu, "xgettext", 0.25, None, 0, [])


def merging(vellix, work, args, failures):
    old, template = os.path.join(work, "old.po"), os.path.join(work, "new.pot")
    entries = max(200, int(50000 * args.scale))
    project_shapes.merge_pair(old, template, entries=entries)
    merged = os.path.join(work, "merged.po")
    ours = [vellix, "merge", "-o", merged, old, template]
    theirs = ["msgmerge", "--previous", "-q", "-o", os.path.join(work, "merged-gnu.po"), old, template]
    t_ours, t_gnu, peak = interleaved(ours, theirs, args.rounds, work)
    report("vellix merge -o (%d entries)" % entries, t_ours, t_gnu, "msgmerge --previous", 0.10, peak,
           size_of([old, template, merged]), failures)


def compiling(vellix, work, args, failures):
    base = max(1000, int(100000 * args.scale))
    commands = {}
    for entries in (base, 2 * base):
        po = os.path.join(work, "%d.po" % entries)
        project_shapes.compile_po(po, entries=entries)
        commands[entries] = [vellix, "compile", "-o", os.path.join(work, "%d.18c" % entries), po]
    po, out = commands[base][-1], commands[base][3]
    theirs = ["msgfmt", "-o", os.path.join(work, "%d.mo" % base), po]
    t_ours, t_gnu, peak = interleaved(commands[base], theirs, args.rounds, work)
    report("vellix compile (%d entries, %.1f MB)" % (base, os.path.getsize(po) / 1e6), t_ours, t_gnu,
           "msgfmt", 0.10, peak, size_of([po, out]), failures)
    # The two sizes interleaved with each other, so that the machine's drift between phases of
    # the run does not count as growth.
    t_base, t_double, _ = interleaved(commands[base], commands[2 * base], args.rounds, work)
    growth = t_double / t_base
    print("%-28s %.2f x the time for twice the entries (goal <= 2.8) %s"
          % ("", growth, "" if growth <= 2.8 else "NOT MET"))
    if growth > 2.8:
        failures.append("compile growth")


def loading(build, args, failures):
    bench = os.path.join(build, "bench", "lookup_bench")
    command = [bench, "--benchmark_filter=^(open_and_free|open_lookup_free|read_whole_file/fresh_buffer)/",
               "--benchmark_repetitions=%d" % max(3, args.rounds), "--benchmark_enable_random_interleaving=true",
               "--benchmark_min_time=0.1", "--benchmark_format=json"]
    output = subprocess.run(command, check=True, capture_output=True, text=True).stdout
    medians = {}
    for row in json.loads(output)["benchmarks"]:
        if row.get("aggregate_name") == "median":
            medians[row["run_name"]] = row["real_time"] * {"us": 1e-6, "ms": 1e-3, "ns": 1e-9}[row["time_unit"]]
    for entries, goal, name in ((100000, 2.5, "open_and_free"), (1000, 3.0, "open_and_free"),
                                (1000, 4.0, "open_lookup_free")):
        ours = medians["%s/%d" % (name, entries)]
        fread = medians["read_whole_file/fresh_buffer/%d" % entries]
        label = "%s (%d entries)" % (name.replace("_", " + ").replace("open + and + free", "open + free"), entries)
        report(label, ours, fread, "one fread", goal, None, 0, failures)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build-bench")
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--scale", type=float, default=1.0)
    parser.add_argument("--only", default="extract,merge,compile,load")
    args = parser.parse_args()
    vellix = os.path.abspath(os.path.join(args.build, "vellix"))
    for tool in ("xgettext", "msgmerge", "msgfmt"):
        if not shutil.which(tool):
            raise SystemExit("tool_goals: %s not found (package gettext)" % tool)
    failures = []
    work = tempfile.mkdtemp(prefix="vellix-goals-")
    try:
        steps = {"extract": lambda: extraction(vellix, work, args, failures),
                 "merge": lambda: merging(vellix, work, args, failures),
                 "compile": lambda: compiling(vellix, work, args, failures),
                 "load": lambda: loading(args.build, args, failures)}
        for name in args.only.split(","):
            steps[name]()
    finally:
        shutil.rmtree(work)
    if failures and args.scale == 1.0:
        print("goals not met: " + ", ".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
