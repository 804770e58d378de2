#!/usr/bin/env python3
"""End-to-end runner: starts the real executable in a fresh temporary folder
for every case of every cases_*.py beside this file, and compares its whole
standard output and the files it leaves with what the case expects.

Usage:
  run_e2e.py --exe PATH [--emulator CMD...] [--windows] [-k NAME] [--cases FILE]
             [--keep] [--list]

  --exe PATH         the tool to run (made absolute)
  --emulator CMD...  a command to run it under, e.g. /usr/lib/wine/wine64
  --windows          the tool is a Windows build: {S} is a backslash, any
                     pause prompt is accepted, CR LF in its output counts as LF
  -k NAME            only cases whose name contains NAME (may be repeated)
  --cases FILE       only the table cases_FILE.py (may be repeated)
  --keep             keep every case's folder (failed ones are always kept)

Python 3 standard library only. The case format is described in README.md
beside this file; the helpers for writing cases are in e2elib.py (texts of
the session, the case constructor) and rezlib.py (crafting REZ archives).
"""

import argparse
import difflib
import importlib.util
import os
import re
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

from e2elib import CASE_KEYS  # noqa: E402

NATIVE_PAUSE = "Press any key to continue . . . \n"
DEFAULT_TIMEOUT = 60
# Wine reports a crash as 3 or 5, not as a signal: only the tool's own 1 passes.
EXPECTED_STATUS = 1


def load_tables(names):
    cases = []
    seen = {}
    for path in sorted(HERE.glob("cases_*.py")):
        table = path.stem[len("cases_"):]
        if names and table not in names:
            continue
        module_spec = importlib.util.spec_from_file_location(path.stem, path)
        module = importlib.util.module_from_spec(module_spec)
        module_spec.loader.exec_module(module)
        for record in module.CASES:
            extra = set(record) - CASE_KEYS
            if extra or not {"name", "args", "stdout"} <= set(record):
                raise SystemExit("%s: malformed case %r" % (path.name, record.get("name")))
            if record["name"] in seen:
                raise SystemExit("case name %r in both %s and %s"
                                 % (record["name"], seen[record["name"]], path.name))
            seen[record["name"]] = path.name
            cases.append((table, record))
    return cases


def as_bytes(value):
    if value is None:
        return b""
    return value.encode("latin-1") if isinstance(value, str) else bytes(value)


def make_setup(work, setup):
    for rel, content in setup.items():
        target = work / rel
        if rel.endswith("/"):
            target.mkdir(parents=True, exist_ok=True)
        else:
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(as_bytes(content))


def snapshot(top):
    """Every folder (as "path/") and file (as bytes) below top; symbolic links
    as ("link", target). Paths relative to top, with "/"."""
    tree = {}
    for folder, dirs, files in os.walk(top):
        base = Path(folder).relative_to(top)
        for name in dirs + files:
            path = Path(folder) / name
            rel = (base / name).as_posix()
            if path.is_symlink():
                tree[rel] = ("link", os.readlink(path))
            elif path.is_dir():
                tree[rel + "/"] = None
            elif path.is_file():
                tree[rel] = path.read_bytes()
            else:
                tree[rel] = ("special",)
    return tree


def expected_tree(entries):
    tree = {}
    for rel, content in entries.items():
        rel = rel.lstrip("/")
        tree[rel] = None if rel.endswith("/") else as_bytes(content)
        # The folders on the way exist too.
        parts = rel.rstrip("/").split("/")
        for i in range(1, len(parts)):
            tree["/".join(parts[:i]) + "/"] = None
    tree.pop("/", None)
    return tree


def compare_trees(label, want, got):
    problems = []
    for rel in sorted(set(want) | set(got)):
        if rel not in got:
            problems.append("%s: %s missing" % (label, rel))
        elif rel not in want:
            problems.append("%s: %s not expected" % (label, rel))
        elif want[rel] != got[rel]:
            problems.append("%s: %s differs: want %s, got %s"
                            % (label, rel, short(want[rel]), short(got[rel])))
    return problems


def short(value):
    text = repr(value)
    return text if len(text) <= 120 else text[:117] + "..."


def expected_pattern(text, windows):
    """The expected output as a regular expression: {PAUSE} is the native
    prompt exactly, or under Windows any non-empty prompt with or without
    its line feed (Wine's command processor prints its own)."""
    pause = r"[^\n]+?\n?" if windows else re.escape(NATIVE_PAUSE)
    pieces = text.split("{PAUSE}")
    return re.compile(pause.join(re.escape(p) for p in pieces), re.DOTALL)


def show_diff(want, got):
    lines = difflib.unified_diff([repr(x) for x in want.splitlines(True)],
                                 [repr(x) for x in got.splitlines(True)],
                                 "expected", "actual", lineterm="", n=2)
    return "\n".join("    " + line for line in lines)


def remove_tree(top):
    def retry(func, path, _info):
        # A case may have taken rights away from a folder; give them back.
        try:
            os.chmod(os.path.dirname(path), stat.S_IRWXU)
            os.chmod(path, stat.S_IRWXU)
        except OSError:
            pass
        func(path)
    shutil.rmtree(top, onerror=retry)


def run_case(case, args, base):
    """Runs one case; returns its problems (none when it passes) and its folder."""
    sep = "\\" if args.windows else "/"
    casedir = Path(tempfile.mkdtemp(prefix="case-", dir=base))
    work = casedir / "work"
    work.mkdir()
    make_setup(work, case.get("setup", {}))
    if case.get("setup_fn"):
        case["setup_fn"](work)
    before = {}
    for _x, y in case.get("same_tree", []):
        before[y] = snapshot(work / y)

    command = list(args.emulator) + [args.exe] + [a.replace("{S}", sep) for a in case["args"]]
    out_path, err_path = casedir / "stdout", casedir / "stderr"
    timeout = case.get("timeout", DEFAULT_TIMEOUT)
    problems = []
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        # Files, not pipes: Wine's helpers may keep a pipe open after the tool ends.
        proc = subprocess.Popen(command, cwd=work, stdin=subprocess.DEVNULL,
                                stdout=out, stderr=err, start_new_session=True)
        try:
            status = proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
            status = None
            problems.append("timed out after %d s" % timeout)

    stdout = out_path.read_bytes().decode("latin-1")
    stderr = err_path.read_bytes().decode("latin-1")
    if args.windows:
        stdout = stdout.replace("\r\n", "\n")
    if status is not None and status != EXPECTED_STATUS:
        problems.append("exit status %d, expected %d" % (status, EXPECTED_STATUS))
    # Natively nothing may reach standard error (sanitizer reports land there);
    # under an emulator it carries the emulator's own chatter.
    if stderr and not args.emulator:
        problems.append("standard error not empty:\n    " + stderr.rstrip().replace("\n", "\n    "))

    want = case["stdout"].replace("{S}", sep)
    if not expected_pattern(want, args.windows).fullmatch(stdout):
        problems.append("standard output differs:\n"
                        + show_diff(want.replace("{PAUSE}", NATIVE_PAUSE), stdout))

    for rel, content in case.get("files", {}).items():
        target = work / rel
        if rel.endswith("/"):
            if not target.is_dir():
                problems.append("folder %s missing" % rel)
        elif not target.is_file():
            problems.append("file %s missing" % rel)
        elif target.read_bytes() != as_bytes(content):
            problems.append("file %s differs: want %s, got %s"
                            % (rel, short(as_bytes(content)), short(target.read_bytes())))
    for rel in case.get("absent", []):
        if os.path.lexists(work / rel):
            problems.append("%s exists, should not" % rel)
    for top, entries in case.get("trees", {}).items():
        if not (work / top).is_dir():
            problems.append("folder %s missing" % top)
        else:
            problems += compare_trees(top, expected_tree(entries), snapshot(work / top))
    for x, y in case.get("same_tree", []):
        if not (work / x).is_dir():
            problems.append("folder %s missing" % x)
        else:
            problems += compare_trees("%s vs %s" % (x, y), before[y], snapshot(work / x))

    return problems, casedir


def skip_reason(case, windows):
    if windows and case.get("posix_only"):
        return "posix only"
    if windows and case.get("setup_fn"):
        return "special setup, posix only"
    if not windows and case.get("windows_only"):
        return "windows only"
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--emulator", nargs="+", default=[])
    parser.add_argument("--windows", action="store_true")
    parser.add_argument("-k", dest="names", action="append", default=[])
    parser.add_argument("--cases", dest="tables", action="append", default=[])
    parser.add_argument("--keep", action="store_true")
    parser.add_argument("--list", action="store_true", help="list the cases and stop")
    args = parser.parse_args()
    args.exe = os.path.abspath(args.exe)

    cases = load_tables(set(args.tables))
    if args.names:
        cases = [(t, c) for t, c in cases if any(n in c["name"] for n in args.names)]
    if args.list:
        for table, case in cases:
            print("%s: %s" % (table, case["name"]))
        return 0
    if not cases:
        print("no cases selected")
        return 1
    if not os.path.isfile(args.exe):
        print("no executable at %s" % args.exe)
        return 1

    base = Path(tempfile.mkdtemp(prefix="rez-e2e-"))
    failed = skipped = 0
    for table, case in cases:
        reason = skip_reason(case, args.windows)
        if reason:
            skipped += 1
            print("skip  %s (%s)" % (case["name"], reason))
            continue
        problems, casedir = run_case(case, args, base)
        if problems:
            failed += 1
            print("FAIL  %s [%s]" % (case["name"], table))
            for problem in problems:
                print("  " + problem)
            print("  kept in %s" % casedir)
        elif args.keep:
            print("ok    %s (kept in %s)" % (case["name"], casedir))
        else:
            print("ok    %s" % case["name"])
            remove_tree(casedir)
    if not any(base.iterdir()):
        base.rmdir()
    ran = len(cases) - skipped
    print("\n%d passed, %d failed, %d skipped" % (ran - failed, failed, skipped))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
