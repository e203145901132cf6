#!/usr/bin/env python3
"""Times varnolt-patch against the tools people use for the same job, each as a
whole process on the same file, and prints the ratios side by side.

    python3 bench/cli/bench.py [--program PATH] [--size-mib 256] [--runs 5] [--dir DIR]

The file is pseudo-random bytes (the same on every run) with a 15-byte needle
every 64 KiB. Two jobs:
  find     list the byte offsets of the first 1000 occurrences
  replace  a same-length replace of every occurrence into a new file

Rounds run every command once in turn, after one warm-up round, so a busy
neighbour slows all of them alike; each figure is the median wall time. Dirty
pages are synced before each command and its old output removed, so none pays
for another's write-back. The
page cache is warm throughout: every tool reads the file from memory. Outputs
are compared byte for byte before any time is printed.
"""
import argparse
import hashlib
import os
import random
import shlex
import shutil
import statistics
import subprocess
import sys
import time

NEEDLE = b"VarnoltNeedle01"
REPLACEMENT = b"PatchedNeedle01"
SPACING = 64 * 1024
LISTED = 1000


def make_file(path, size):
    rng = random.Random(6)
    block = bytearray(rng.randbytes(1 << 20))
    for off in range(4096, len(block), SPACING):
        block[off:off + len(NEEDLE)] = NEEDLE
    with open(path, "wb") as f:
        for _ in range(size // len(block)):
            f.write(block)


def timed(command):
    start = time.perf_counter()
    result = subprocess.run(command, shell=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            env=dict(os.environ, LC_ALL="C"))
    elapsed = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit(f"failed ({result.returncode}): {command}\n{result.stderr.decode(errors='replace')}")
    return elapsed, result.stdout


def digest(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for chunk in iter(lambda: f.read(1 << 20), b""):
            h.update(chunk)
    return h.hexdigest()


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default_program = os.path.join(here, "..", "..", "build-cli", "cli", "varnolt-patch")
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--program", default=default_program)
    ap.add_argument("--size-mib", type=int, default=256)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--dir", default="/tmp/varnolt-bench")
    args = ap.parse_args()

    program = shlex.quote(os.path.abspath(args.program))
    os.makedirs(args.dir, exist_ok=True)
    src = os.path.join(args.dir, f"input-{args.size_mib}m.bin")
    if not os.path.exists(src) or os.path.getsize(src) != args.size_mib << 20:
        make_file(src, args.size_mib << 20)
    q = shlex.quote
    python = q(sys.executable)  # the interpreter itself, not a version manager's wrapper script
    n, r = NEEDLE.decode(), REPLACEMENT.decode()
    out = lambda name: os.path.join(args.dir, f"out-{name}.bin")

    # The first 1000 offsets. grep and rg print 0-based offsets, varnolt-patch
    # 1-based positions; the check below accounts for it.
    find = {
        "varnolt-patch find": f"{program} find {q(src)} {n}",
        "rg -boaF | head": f"rg -boaF {n} {q(src)} | head -n {LISTED}",
        "grep -obaF | head": f"grep -obaF {n} {q(src)} | head -n {LISTED}",
        "python bytes.find": (f"{python} -c 'import sys; b = open(sys.argv[1], \"rb\").read(); p = -1\n"
                              f"for _ in range({LISTED}):\n p = b.find(b\"{n}\", p + 1)\n if p < 0: break\n print(p)' {q(src)}"),
    }
    replace = {
        "varnolt-patch replace --all": f"{program} replace {q(src)} {n} {r} --all -o {q(out('varnolt'))}",
        "sed": f"sed 's/{n}/{r}/g' {q(src)} > {q(out('sed'))}",
        # sed with the sync that varnolt-patch always does (coreutils sync FILE).
        "sed, then sync of its output": f"sed 's/{n}/{r}/g' {q(src)} > {q(out('sedsync'))} && sync {q(out('sedsync'))}",
        "perl": f"perl -pe 's/{n}/{r}/g' {q(src)} > {q(out('perl'))}",
        "python bytes.replace": (f"{python} -c 'import sys; open(sys.argv[2], \"wb\").write("
                                 f"open(sys.argv[1], \"rb\").read().replace(b\"{n}\", b\"{r}\"))' "
                                 f"{q(src)} {q(out('python'))}"),
        "bbe": f"bbe -e 's/{n}/{r}/' -o {q(out('bbe'))} {q(src)}",
        # Not a competitor: what writing the file durably costs on this disk.
        "dd conv=fsync (copy + sync only)": f"dd if={q(src)} of={q(out('dd'))} bs=16M conv=fsync status=none",
    }
    for jobs in (find, replace):
        for name in [k for k in jobs if jobs[k].split()[0] in ("rg", "bbe") and not shutil.which(jobs[k].split()[0])]:
            print(f"skipped {name}: not installed")
            del jobs[name]

    load_before = os.getloadavg()[0]
    times = {name: [] for name in [*find, *replace]}
    outputs = {}
    for round_ in range(args.runs + 1):
        for jobs in (find, replace):
            for name, command in jobs.items():
                for f in os.listdir(args.dir):  # every writer starts without an old file to replace
                    if f.startswith("out-"):
                        os.unlink(os.path.join(args.dir, f))
                os.sync()  # no tool pays for another's write-back
                elapsed, stdout = timed(command)
                if round_ > 0:
                    times[name].append(elapsed)
                if jobs is find:
                    outputs[name] = stdout
                else:
                    written = [f for f in os.listdir(args.dir) if f.startswith("out-")]
                    outputs[name] = digest(os.path.join(args.dir, written[0]))

    # Same answers before any figure counts.
    offsets = lambda text: [int(line.split(b":")[0]) for line in text.splitlines()]
    expected = offsets(outputs["grep -obaF | head"])
    assert len(expected) == min(LISTED, (args.size_mib << 20) // SPACING), len(expected)
    for name in find:
        got = ([int(line.split(b"\t")[4]) - 1 for line in outputs[name].splitlines()]
               if name.startswith("varnolt") else
               [int(line) for line in outputs[name].splitlines()] if name.startswith("python") else
               offsets(outputs[name]))
        assert got == expected, f"{name} listed other offsets"
    for name in replace:
        if name.startswith("dd"):
            continue
        assert outputs[name] == outputs["sed"], f"{name} wrote other bytes than sed"

    median = {name: statistics.median(t) for name, t in times.items()}
    print(f"file: {args.size_mib} MiB, {NEEDLE.decode()} every {SPACING // 1024} KiB "
          f"({(args.size_mib << 20) // SPACING} occurrences); median of {args.runs} runs, warm page cache")
    print(f"machine: {os.cpu_count()} cores, {platform_line()}, load average {load_before:.1f} before, {os.getloadavg()[0]:.1f} after")
    print("ratio: varnolt-patch's time / the tool's time; below 1 means varnolt-patch is faster")
    for title, jobs, ours in (("find the first 1000 offsets", find, "varnolt-patch find"),
                              ("same-length replace of every occurrence", replace, "varnolt-patch replace --all")):
        print(f"\n{title}")
        print(f"  {'tool':34} {'median s':>9} {'min s':>7}  {'ratio of medians':>16}  {'ratio of minimums':>17}")
        for name in jobs:
            ratio = median[ours] / median[name]
            best = min(times[ours]) / min(times[name])
            print(f"  {name:34} {median[name]:9.3f} {min(times[name]):7.3f}  {ratio:16.2f}  {best:17.2f}")


def platform_line():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown CPU"


if __name__ == "__main__":
    main()
