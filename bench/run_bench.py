#!/usr/bin/env python3
"""Measures rezpatcher side by side with GNU tar: pack, extract and list (standard library only).

For each dataset and measure both programs run in alternating order, after one warm-up round;
the medians of wall time and the peak RSS (from the child's resource usage) are reported, with
the ratio tool/tar and whether the target of that measure holds. The exit status is 0 even when
a target is missed: this is a measurement, not a test.

One command from a fresh clone:  python3 bench/run_bench.py --build
"""

import argparse
import json
import os
import platform
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
sys.path.insert(0, HERE)
import gen_dataset  # noqa: E402

MEASURES = ("pack", "extract", "list")
# Highest ratio tool/tar that meets the target; datasets not named here have none.
TARGETS = {
    "game": {"pack": 1.0, "extract": 1.0, "list": 0.05},
    "big": {"pack": 1.0, "extract": 1.0, "list": 0.05},
    "flat": {"pack": 1.2, "extract": 1.2, "list": 0.1},
}
# Peak RSS of pack and extract: at most this factor of the data, plus this many MiB.
RSS_FACTOR, RSS_EXTRA_MIB = 1.1, 50
MiB = 1024 * 1024

PACKED_MSG = b"Program has successfully packed the directory!"
EXPORTED_MSG = b"Program has successfully exported REZ file!"
LISTED_MSG = b"Listing completed."


class Run:
    def __init__(self, reply):
        self.seconds = reply["seconds"]
        self.maxrss_mib = reply["maxrss_kib"] / 1024.0  # KiB on Linux
        self.user = reply["user"]
        self.sys = reply["sys"]
        self.minflt = reply["minflt"]
        self.status = reply["status"]


# The launcher's loop: one JSON request per line (argv, stdout path), one JSON reply per line.
LAUNCHER_CODE = r"""
import json, os, sys, time
for line in sys.stdin:
    argv, stdout_path = json.loads(line)
    actions = [(os.POSIX_SPAWN_OPEN, 1, stdout_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)]
    t0 = time.perf_counter()
    try:
        pid = os.posix_spawnp(argv[0], argv, os.environ, file_actions=actions)
    except OSError as e:
        reply = {"error": str(e)}
    else:
        _, status, ru = os.wait4(pid, 0)
        reply = {"seconds": time.perf_counter() - t0, "maxrss_kib": ru.ru_maxrss,
                 "user": ru.ru_utime, "sys": ru.ru_stime, "minflt": ru.ru_minflt,
                 "status": os.waitstatus_to_exitcode(status)}
    sys.stdout.write(json.dumps(reply) + "\n")
    sys.stdout.flush()
"""


class Launcher:
    """Starts the measured programs from a small interpreter of its own.

    A child's peak RSS (ru_maxrss) is never below the size of the process that spawned it, as the
    kernel carries the spawner's high-water mark across the exec. Spawning from this runner, whose
    memory grows while it makes datasets and compares trees, would put a floor of tens of MiB under
    every figure; the launcher stays at the size of a bare interpreter, and the floor it leaves is
    measured with `true` and printed."""

    def __init__(self):
        self.proc = subprocess.Popen([sys.executable, "-I", "-S", "-c", LAUNCHER_CODE],
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def run(self, argv, stdout_path=os.devnull):
        """Runs argv with its stdout sent to stdout_path; wall time from just before the spawn to
        the reaping, and the child's own resource usage."""
        self.proc.stdin.write(json.dumps([argv, stdout_path]) + "\n")
        self.proc.stdin.flush()
        reply = json.loads(self.proc.stdout.readline())
        if "error" in reply:
            raise RuntimeError("cannot run %s: %s" % (argv[0], reply["error"]))
        return Run(reply)

    def close(self):
        self.proc.stdin.close()
        self.proc.wait()


def remove(path):
    if os.path.isdir(path) and not os.path.islink(path):
        shutil.rmtree(path)
    elif os.path.lexists(path):
        os.remove(path)


class Case:
    """One measure of one dataset: how to prepare, run and check each side."""

    def __init__(self, measure, exe, src, work):
        self.measure = measure
        self.rez = os.path.join(work, "out.rez")
        self.tar = os.path.join(work, "out.tar")
        self.rez_dir = os.path.join(work, "rez-out")
        self.tar_dir = os.path.join(work, "tar-out")
        if measure == "pack":
            # The tool's folder path is a prefix: names are appended to it directly.
            self.tool = [exe, "-dr", src + "/", self.rez]
            self.ref = ["tar", "-cf", self.tar, "-C", src, "."]
            self.tool_out, self.ref_out = self.rez, self.tar
        elif measure == "extract":
            self.tool = [exe, "-rd", self.rez, self.rez_dir + "/"]
            self.ref = ["tar", "-xf", self.tar, "-C", self.tar_dir]
            self.tool_out, self.ref_out = self.rez_dir, self.tar_dir
        else:
            self.tool = [exe, "-lr", self.rez]
            self.ref = ["tar", "-tvf", self.tar]
            self.tool_out = self.ref_out = None

    def prepare(self, side):
        """Clears what the previous round wrote, outside the timing."""
        out = self.tool_out if side == "tool" else self.ref_out
        if out:
            remove(out)
        if self.measure == "extract" and side == "tar":
            os.makedirs(self.tar_dir)  # tar needs the folder; the tool makes its own


def median(values):
    return statistics.median(values) if values else float("nan")


def run_case(launcher, case, rounds, log, verbose):
    """Warm-up (whose console text is checked), then rounds in alternating order."""
    runs = {"tool": [], "tar": []}
    console = os.path.join(os.path.dirname(case.rez), "warmup-console.txt")
    for side in ("tool", "tar"):
        case.prepare(side)
        r = launcher.run(case.tool if side == "tool" else case.ref, console)
        with open(console, "rb") as f:
            text = f.read()
        if side == "tool":
            expected = {"pack": PACKED_MSG, "extract": EXPORTED_MSG, "list": LISTED_MSG}[case.measure]
            if expected not in text or b"Program has failed." in text:
                tail = text[-600:].decode("latin-1")
                raise RuntimeError("%s: the tool did not succeed:\n%s" % (case.measure, tail))
        elif r.status != 0:
            raise RuntimeError("%s: tar failed with status %d" % (case.measure, r.status))
    os.remove(console)
    for i in range(rounds):
        order = ("tool", "tar") if i % 2 == 0 else ("tar", "tool")
        for side in order:
            case.prepare(side)
            r = launcher.run(case.tool if side == "tool" else case.ref)
            if side == "tar" and r.status != 0:
                raise RuntimeError("%s: tar failed with status %d" % (case.measure, r.status))
            runs[side].append(r)
            if verbose:
                log("    round %d %-4s %8.3f s  rss %7.1f MiB  user %6.3f  sys %6.3f  minflt %d"
                    % (i + 1, side, r.seconds, r.maxrss_mib, r.user, r.sys, r.minflt))
    return runs


def compare_trees(a, b):
    """Differences between two folder trees (names, kinds and file bytes); empty when equal."""
    problems = []
    for dirpath, dirnames, filenames in os.walk(a):
        rel = os.path.relpath(dirpath, a)
        other = os.path.normpath(os.path.join(b, rel))
        if not os.path.isdir(other):
            problems.append("missing folder %s" % rel)
            dirnames[:] = []
            continue
        theirs = set(os.listdir(other))
        for name in sorted(set(dirnames) | set(filenames)):
            if name not in theirs:
                problems.append("missing %s" % os.path.join(rel, name))
        for name in sorted(theirs - set(dirnames) - set(filenames)):
            problems.append("extra %s" % os.path.join(rel, name))
        for name in filenames:
            pa, pb = os.path.join(dirpath, name), os.path.join(other, name)
            if name in theirs and not same_bytes(pa, pb):
                problems.append("contents differ: %s" % os.path.join(rel, name))
        if len(problems) > 20:
            break
    return problems


def same_bytes(pa, pb):
    if not os.path.isfile(pb) or os.path.getsize(pa) != os.path.getsize(pb):
        return False
    with open(pa, "rb") as fa, open(pb, "rb") as fb:
        while True:
            x, y = fa.read(4 * MiB), fb.read(4 * MiB)
            if x != y:
                return False
            if not x:
                return True


def machine_note():
    cpu = "?"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    tar_version = subprocess.run(["tar", "--version"], capture_output=True, text=True).stdout
    tar_version = tar_version.splitlines()[0] if tar_version else "?"
    mem = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2**30
    return ("%s, %d cores, %.1f GiB, %s %s, %s, load %.2f %.2f %.2f"
            % (cpu, os.cpu_count() or 0, mem, platform.system(), platform.release(), tar_version,
               *os.getloadavg()))


def build(build_dir):
    subprocess.run(["cmake", "-S", REPO, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release",
                    "-DREZ_BUILD_TESTS=OFF"], check=True)
    subprocess.run(["cmake", "--build", build_dir, "--target", "rezpatcher", "-j2"], check=True)
    return os.path.join(build_dir, "rezpatcher")


def verdict(dataset, measure, ratio, rss_mib, data_mib):
    target = TARGETS.get(dataset, {}).get(measure)
    if target is None:
        return "-", None
    misses = []
    if not ratio <= target:
        misses.append("time>%g" % target)
    if measure in ("pack", "extract"):
        limit = RSS_FACTOR * data_mib + RSS_EXTRA_MIB
        if not rss_mib <= limit:
            misses.append("rss>%.0f" % limit)
    return ("yes" if not misses else "NO " + ",".join(misses)), not misses


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--exe", default=os.path.join(REPO, "build", "rezpatcher"),
                    help="the tool to measure (default: build/rezpatcher)")
    ap.add_argument("--build", action="store_true",
                    help="build Release into build-bench/ first and measure that")
    ap.add_argument("--build-dir", default=os.path.join(REPO, "build-bench"))
    ap.add_argument("--datasets", default="game,flat,big,tiny",
                    help="comma-separated, of game, flat, big, tiny (default: all)")
    ap.add_argument("--measures", default=",".join(MEASURES), help="comma-separated (default: all)")
    ap.add_argument("--rounds", type=int, default=5, help="timed rounds per side (default 5)")
    ap.add_argument("--scale", type=float, default=1.0,
                    help="dataset scale, for quick runs (targets are meant for 1)")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--work", default="/dev/shm/rezbench",
                    help="datasets go to WORK/data, outputs to WORK/run (default %(default)s)")
    ap.add_argument("--no-verify", action="store_true",
                    help="skip the check that the tool's extraction equals the source tree")
    ap.add_argument("--keep", action="store_true", help="keep the archives and extracted trees")
    ap.add_argument("-v", "--verbose", action="store_true", help="print every round")
    args = ap.parse_args()

    datasets = [d for d in args.datasets.split(",") if d]
    measures = [m for m in args.measures.split(",") if m]
    for d in datasets:
        if d not in gen_dataset.DATASETS:
            ap.error("unknown dataset %r" % d)
    for m in measures:
        if m not in MEASURES:
            ap.error("unknown measure %r" % m)
    if ("extract" in measures or "list" in measures) and "pack" not in measures:
        ap.error("extract and list need the archives that pack writes")
    if args.rounds < 1:
        ap.error("--rounds must be at least 1")
    if shutil.which("tar") is None:
        sys.exit("GNU tar is needed")

    exe = build(args.build_dir) if args.build else os.path.abspath(args.exe)
    if not os.access(exe, os.X_OK):
        sys.exit("no executable at %s (build it, or pass --build or --exe)" % exe)
    launcher = Launcher()

    def log(msg):
        print(msg, file=sys.stderr, flush=True)

    print("machine: %s" % machine_note())
    print("tool: %s; %d rounds after one warm-up, alternating order; work folder %s"
          % (exe, args.rounds, args.work))
    floor = launcher.run(["true"]).maxrss_mib
    print("peak RSS floor of any program started by this runner (measured with true): %.1f MiB"
          % floor)
    if args.scale != 1.0:
        print("scale %g: the targets are meant for scale 1" % args.scale)
    header = ("%-6s %-8s %9s %9s %8s %9s %9s %9s  %s"
              % ("data", "measure", "tool s", "tar s", "ratio", "tool MiB", "tar MiB", "data MiB",
                 "target met"))
    lines, mismatches, missed, verified = [], [], [], []
    run_root = os.path.join(args.work, "run")
    for dataset in datasets:
        src, files, total = gen_dataset.generate(dataset, os.path.join(args.work, "data"),
                                                 args.scale, args.seed)
        data_mib = total / MiB
        work = os.path.join(run_root, dataset)
        remove(work)
        os.makedirs(work)
        log("%s: %d files, %.1f MiB" % (dataset, files, data_mib))
        for measure in measures:
            log("  %s ..." % measure)
            case = Case(measure, exe, src, work)
            try:
                runs = run_case(launcher, case, args.rounds, log, args.verbose)
            except RuntimeError as e:
                lines.append("%-6s %-8s failed: %s" % (dataset, measure, str(e).splitlines()[0]))
                log(str(e))
                missed.append((dataset, measure))
                if measure == "pack":
                    break
                continue
            t_tool = median([r.seconds for r in runs["tool"]])
            t_tar = median([r.seconds for r in runs["tar"]])
            rss_tool = max(r.maxrss_mib for r in runs["tool"])
            rss_tar = max(r.maxrss_mib for r in runs["tar"])
            ratio = t_tool / t_tar if t_tar > 0 else float("inf")
            text, met = verdict(dataset, measure, ratio, rss_tool, data_mib)
            if met is False:
                missed.append((dataset, measure))
            line = ("%-6s %-8s %9.3f %9.3f %8.3f %9.1f %9.1f %9.1f  %s"
                    % (dataset, measure, t_tool, t_tar, ratio, rss_tool, rss_tar, data_mib, text))
            lines.append(line)
            log(line)
            if args.verbose:
                log("    cpu median user/sys: tool %.3f/%.3f, tar %.3f/%.3f"
                    % (median([r.user for r in runs["tool"]]), median([r.sys for r in runs["tool"]]),
                       median([r.user for r in runs["tar"]]), median([r.sys for r in runs["tar"]])))
            if measure == "extract" and not args.no_verify:
                problems = compare_trees(src, case.rez_dir)
                verified.append(dataset)
                if problems:
                    mismatches.append((dataset, problems))
        if not args.keep:
            remove(work)
    if not args.keep:
        try:
            os.rmdir(run_root)
        except OSError:
            pass

    launcher.close()
    print(header)
    for line in lines:
        print(line)
    print("(medians of wall seconds; MiB: peak RSS of the child, highest over the rounds; target:"
          " ratio tool/tar, and for pack/extract RSS <= %.1f x data + %d MiB)"
          % (RSS_FACTOR, RSS_EXTRA_MIB))
    if verified:
        if mismatches:
            for dataset, problems in mismatches:
                print("round trip %s: MISMATCH" % dataset)
                for p in problems[:20]:
                    print("  " + p)
        else:
            print("round trip: every extracted tree equals its source (%s)" % ", ".join(verified))
    print("load at the end: %.2f %.2f %.2f" % os.getloadavg())
    if missed:
        print("targets missed: " + ", ".join("%s %s" % m for m in missed))
    else:
        print("all targets met")
    return 0


if __name__ == "__main__":
    sys.exit(main())
