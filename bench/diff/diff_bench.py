#!/usr/bin/env python3
"""Times "tandrel-cli diff" against GNU "diff", "diff --minimal" and "git diff --no-index"
(its default search and --histogram) on the same file pairs, and "tandrel-cli compare
--objects" of the two real class library workspaces against reading all their library
files ("cat"), all as whole processes.

tandrel-cli and "diff --minimal" both find a minimum edit script, so the number of changed
lines (lines added plus lines deleted, a modified line counting once on each side) must
agree; the benchmark checks that, checks that the report applied to file 1 gives file 2, and
reports the median whole-process time of tandrel-cli as a ratio to each peer's, with the
peak memory (maximum resident set) against plain "diff". The peers are measured in the same
run, alternating with the program under test.
"""

import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def write_lines(path, lines):
    with open(path, "wb") as f:
        f.write(b"".join(line + b"\n" for line in lines))


def random_line(rng, serial):
    # Source-like lines; the serial number keeps them (nearly) unique.
    words = [b"if", b"then", b"return", b"ll_row", b"ls_name", b"=", b"+", b"this.", b"of_get"]
    body = b" ".join(rng.choice(words) for _ in range(rng.randint(2, 9)))
    return b"\t" * rng.randint(0, 3) + body + b" // %d" % serial


def case_scattered(rng):
    """100,000 lines with 1% scattered edits (changed, inserted and deleted lines)."""
    a = [random_line(rng, i) for i in range(100_000)]
    b = []
    serial = 10_000_000
    for line in a:
        r = rng.random()
        if r < 0.004:
            b.append(random_line(rng, serial))
            serial += 1
        elif r < 0.007:
            pass
        elif r < 0.010:
            b.append(line)
            b.append(random_line(rng, serial))
            serial += 1
        else:
            b.append(line)
    return a, b


def case_one_changed(rng):
    """200,000 equal lines but one."""
    a = [random_line(rng, i) for i in range(200_000)]
    b = list(a)
    b[123_456] = b"changed"
    return a, b


def case_million_one_changed(rng):
    """1,000,000 lines, one changed."""
    a = [random_line(rng, i) for i in range(1_000_000)]
    b = list(a)
    b[654_321] = b"changed"
    return a, b


def case_one_against_many(rng):
    """1 line against 100,000 (the one line does not occur among them)."""
    return [b"the only line"], [random_line(rng, i) for i in range(100_000)]


def case_one_found_in_many(rng):
    """1 line against 100,000 that contain it once, in the middle."""
    b = [random_line(rng, i) for i in range(100_000)]
    return [b[61_000]], b


def case_nothing_common(rng):
    """20,000 lines against 20,000 with nothing in common."""
    return ([random_line(rng, i) for i in range(20_000)],
            [random_line(rng, i + 1_000_000) for i in range(20_000)])


def case_permutation(rng):
    """50,000 unique lines against the same lines shuffled."""
    a = [random_line(rng, i) for i in range(50_000)]
    b = list(a)
    rng.shuffle(b)
    return a, b


def case_many_equal(rng):
    """50,000 lines of 500 kinds each side, independently drawn."""
    kinds = [random_line(rng, i) for i in range(500)]
    return ([rng.choice(kinds) for _ in range(50_000)],
            [rng.choice(kinds) for _ in range(50_000)])


def case_moved_blocks(rng):
    """100,000 lines cut into 400 blocks, the blocks reordered and 1% of the lines edited."""
    a = [random_line(rng, i) for i in range(100_000)]
    blocks = [a[i:i + 250] for i in range(0, len(a), 250)]
    rng.shuffle(blocks)
    b = [line if rng.random() > 0.01 else random_line(rng, 5_000_000 + n)
         for n, line in enumerate(line for block in blocks for line in block)]
    return a, b


def export_lines(path):
    """An exported source as code page lines: byte-order mark decoded, leading "HA" dropped."""
    with open(path, "rb") as f:
        data = f.read()
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:].decode("utf-8", "replace").encode("gbk", "replace")
    elif data.startswith(b"\xff\xfe"):
        data = data[2:].decode("utf-16-le", "replace").encode("gbk", "replace")
    if data.startswith(b"HA$PBExportHeader$"):
        data = data[2:]
    data = data.split(b"\0", 1)[0].replace(b"\r\n", b"\n").replace(b"\r", b"\n")
    lines = data.split(b"\n")
    if lines[-1] == b"":
        lines.pop()
    return lines


def corpus_files(folder):
    """The exported sources under a folder as (lower-case name, path), by name."""
    files = []
    for root, _, names in os.walk(folder):
        for name in names:
            if len(name) > 4 and name[-4:-1].lower() == ".sr":
                files.append((name.lower(), os.path.join(root, name)))
    return sorted(files)


def corpus_lines(files):
    lines = []
    for _, path in files:
        lines.extend(export_lines(path))
    return lines


def real_pairs(realdata):
    """Pairs built from the two versions of the real class library."""
    old = corpus_files(os.path.join(realdata, "pfc105"))
    new = corpus_files(os.path.join(realdata, "pfc2022"))
    by_kind = lambda files: sorted(files, key=lambda f: (f[0][-4:], f[0]))
    largest = max((f for f in old if f[0] in dict(new)), key=lambda f: os.path.getsize(f[1]))
    return [("pfc105 vs pfc2022 sources", corpus_lines(old), corpus_lines(new)),
            ("pfc2022 by name vs by kind", corpus_lines(new), corpus_lines(by_kind(new))),
            ("pfc105 by name vs 2022 by kind", corpus_lines(old), corpus_lines(by_kind(new))),
            ("largest object, two versions", export_lines(largest[1]),
             export_lines(dict(new)[largest[0]]))]


RULE = b"=" * 80
GNU_TIME = "/usr/bin/time"


def apply_report(report, lines1):
    """Side 2's lines rebuilt from side 1's lines and the report's sections."""
    rows = report.split(b"\r\n")[8:-1]
    out, i, k = [], 0, 0
    while k < len(rows):
        if rows[k] == RULE and k + 2 < len(rows) and rows[k + 2] == RULE:
            start = int(rows[k + 1].split()[-1]) - 1
            out.extend(lines1[i:start])
            i = max(i, start)
            k += 3
            continue
        if rows[k].startswith(b"- "):
            if i >= len(lines1) or lines1[i] != rows[k][2:]:
                return None
            i += 1
        elif rows[k].startswith(b"+ "):
            out.append(rows[k][2:])
        else:
            return None
        k += 1
    return out + lines1[i:]


def changed_lines_tandrel(output):
    return sum(1 for line in output.split(b"\r\n") if line.startswith((b"+ ", b"- ")))


def changed_lines_gnu(output):
    return sum(1 for line in output.split(b"\n") if line.startswith((b"< ", b"> ")))


def run(cmd, keep_output=True):
    """Elapsed seconds, peak resident memory in MB and standard output of one process.

    The memory is told by GNU time: a process started from this one would otherwise count
    the benchmark's own memory, which it shares until it starts the program."""
    with tempfile.TemporaryFile() as out, tempfile.NamedTemporaryFile() as peak:
        start = time.perf_counter()
        proc = subprocess.run([GNU_TIME, "-f", "%M", "-o", peak.name] + cmd,
                              stdout=out if keep_output else subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
        elapsed = time.perf_counter() - start
        if proc.returncode not in (0, 1):
            sys.exit("%s failed (%d)" % (" ".join(cmd[:3]), proc.returncode))
        out.seek(0)
        kilobytes = int(open(peak.name).read().split()[-1])
        return elapsed, kilobytes / 1024.0, out.read() if keep_output else b""


def measure_pair(ours, baseline, runs, keep_output=True):
    t_ours, t_base, m_ours, m_base = [], [], [], []
    out_ours = out_base = b""
    for _ in range(runs):
        t, m, out_ours = run(ours, keep_output)
        t_ours.append(t)
        m_ours.append(m)
        t, m, out_base = run(baseline, keep_output)
        t_base.append(t)
        m_base.append(m)
    return (statistics.median(t_ours), statistics.median(t_base), max(m_ours), max(m_base),
            out_ours, out_base)


PEERS = [("diff", ["diff", "--text"]),
         ("--minimal", ["diff", "--minimal", "--text"]),
         ("git", ["git", "--no-pager", "diff", "--no-index", "--no-color", "--text"]),
         ("histogram", ["git", "--no-pager", "diff", "--no-index", "--no-color", "--text",
                        "--histogram"])]


def measure(cli, file1, file2, runs, lines1, lines2):
    """Median times and peak memories of tandrel-cli and each peer, alternating runs."""
    times = {name: [] for name in ["tandrel"] + [p[0] for p in PEERS]}
    peaks = {name: [] for name in times}
    outputs = {}
    for _ in range(runs):
        for name, cmd in [("tandrel", [cli, "diff"])] + PEERS:
            if name != "tandrel" and not shutil.which(cmd[0]):
                continue
            t, m, outputs[name] = run(cmd + [file1, file2])
            times[name].append(t)
            peaks[name].append(m)
    median = {name: statistics.median(t) for name, t in times.items() if t}
    peak = {name: max(m) for name, m in peaks.items() if m}
    return (median, peak, changed_lines_tandrel(outputs["tandrel"]),
            changed_lines_gnu(outputs["--minimal"]),
            apply_report(outputs["tandrel"], lines1) == lines2)


def library_files(folder):
    files = []
    for root, _, names in os.walk(folder):
        files.extend(os.path.join(root, n) for n in names if n.lower().endswith(".pbl"))
    return sorted(files)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--cli", required=True, help="path of tandrel-cli")
    parser.add_argument("--realdata", help="folder holding pfc105 and pfc2022")
    parser.add_argument("--runs", type=int, default=5, help="runs per program and case")
    parser.add_argument("--only", help="run only the cases whose name contains this text")
    args = parser.parse_args()
    if not shutil.which("diff"):
        sys.exit("GNU diff is needed as the baseline")
    if not os.access(GNU_TIME, os.X_OK):
        sys.exit("GNU time (%s) is needed to measure peak memory" % GNU_TIME)

    rng = random.Random(20240601)
    cases = [("200,000 equal but one", case_one_changed),
             ("1,000,000 one changed", case_million_one_changed),
             ("scattered 1% of 100,000", case_scattered),
             ("1 against 100,000 (absent)", case_one_against_many),
             ("1 against 100,000 (present)", case_one_found_in_many),
             ("20,000 nothing in common", case_nothing_common),
             ("50,000-line permutation", case_permutation),
             ("50,000 of 500 kinds", case_many_equal),
             ("400 moved blocks, 1% edited", case_moved_blocks)]
    with tempfile.TemporaryDirectory(prefix="tandrel-bench-diff-") as tmp:
        pairs = []
        for name, make in cases:
            if not args.only or args.only in name:
                a, b = make(rng)
                pairs.append((name, a, b))
        if args.realdata and os.path.isdir(os.path.join(args.realdata, "pfc105")):
            pairs.extend(real_pairs(args.realdata))
        else:
            print("(real data not found; its cases are skipped)")

        print("%-31s %13s %8s %7s %7s %7s %7s %7s %7s  %s" % (
            "case", "lines", "tandrel", "/diff", "/minim", "/git", "/histo", "MB", "/diff",
            "changed lines"))
        failed = False
        for index, (name, a, b) in enumerate(pairs):
            if args.only and args.only not in name:
                continue
            f1 = os.path.join(tmp, "%d-1.txt" % index)
            f2 = os.path.join(tmp, "%d-2.txt" % index)
            write_lines(f1, a)
            write_lines(f2, b)
            median, peak, n_ours, n_gnu, applies = measure(args.cli, f1, f2, args.runs, a, b)
            same = "equal (%d)" % n_ours if n_ours == n_gnu else "DIFFER: %d vs %d" % (n_ours, n_gnu)
            if not applies:
                same += ", REPORT DOES NOT REBUILD FILE 2"
            failed |= n_ours != n_gnu or not applies
            ratio = lambda peer: ("%7.2f" % (median["tandrel"] / median[peer])
                                  if peer in median else "      -")
            print("%-31s %13s %7.3fs %s %s %s %s %7.1f %7.2f  %s" % (
                name, "%d/%d" % (len(a), len(b)), median["tandrel"], ratio("diff"),
                ratio("--minimal"), ratio("git"), ratio("histogram"), peak["tandrel"],
                peak["tandrel"] / peak["diff"], same))
        if args.realdata and os.path.isdir(os.path.join(args.realdata, "pfc105")) and (
                not args.only or args.only in "compare --objects"):
            ws1 = os.path.join(args.realdata, "pfc105", "PFC.pbw")
            ws2 = os.path.join(args.realdata, "pfc2022", "PFC.pbw")
            files = (library_files(os.path.join(args.realdata, "pfc105")) +
                     library_files(os.path.join(args.realdata, "pfc2022")))
            ours, cat, m_ours, m_cat, _, _ = measure_pair(
                [args.cli, "compare", "--objects", ws1, "--", ws2], ["cat"] + files, args.runs,
                keep_output=False)
            print("%-30s %15s %8.3fs %8.3fs %7.2f %9.1f %9.1f %7.2f  %s" % (
                "compare --objects PFC", "%d files" % len(files), ours, cat, ours / cat, m_ours,
                m_cat, m_ours / m_cat, "baseline: cat of every library file"))
        print("ratio = tandrel-cli time / the peer's time (median of %d runs each): GNU diff,"
              % args.runs)
        print("diff --minimal, git diff --no-index and its --histogram; MB = peak resident memory")
        print("of tandrel-cli (largest run) and its ratio to GNU diff's; the changed lines must")
        print("equal diff --minimal's, and each report applied to file 1 must give file 2")
        return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
