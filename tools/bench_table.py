#!/usr/bin/env python3
"""Turns the measurements of tools/bench.sh (hyperfine's JSON exports and the peak-memory
figures in OUT/json) into a Markdown table: medians, spread, ratios and cost per file."""
import json
import os
import statistics
import sys

# Package name -> (entries, what it holds); the order of the table.
PACKAGES = [("p10", 10, "10 × 640 KB"), ("p100", 100, "100 × 640 KB (64 MB)"),
            ("p128", 128, "128 × 640 KB"), ("p1big", 1, "1 × 64 MB")]


def load(folder, name):
    path = os.path.join(folder, name + ".json")
    if not os.path.exists(path):
        return None
    with open(path) as f:
        return {r["command"]: r for r in json.load(f)["results"]}


def rounds(folder, name):
    """The rounds of a pair (name-r1.json, name-r2.json, ...), each {command: result}."""
    found, n = [], 1
    while (pair := load(folder, "%s-r%d" % (name, n))):
        found.append(pair)
        n += 1
    return found


def pooled(results):
    """One result holding the times of several rounds of a command."""
    return {"times": [t for r in results for t in r["times"]]}


def ms(result):
    return statistics.median(result["times"]) * 1000


def spread(result):
    times = result["times"]
    return (statistics.stdev(times) * 1000) if len(times) > 1 else 0.0


def main(out):
    folder = os.path.join(out, "json")
    lines = ["| What | setup | plain copy | ratio | setup per file | peak memory (setup) |",
             "|---|---|---|---|---|---|"]
    for name, entries, what in PACKAGES:
        pairs = rounds(folder, name)
        if not pairs:
            continue
        setup, copy = pooled([p["setup"] for p in pairs]), pooled([p["copy"] for p in pairs])
        ratios = sorted(ms(p["setup"]) / ms(p["copy"]) for p in pairs)
        ratio = "%.2f" % statistics.median(ratios)
        if len(ratios) > 1:
            ratio += " (%.2f–%.2f)" % (ratios[0], ratios[-1])
        peak_path = os.path.join(folder, name + ".peak")
        peak = open(peak_path).read().strip() if os.path.exists(peak_path) else "?"
        lines.append("| setup-sim silent install against `cp -r`, %s | %.1f ms ± %.1f | %.1f ms ± %.1f | %s | %.2f ms | %.1f MB |" % (
            what, ms(setup), spread(setup), ms(copy), spread(copy), ratio, ms(setup) / entries,
            int(peak) / 1024 if peak.isdigit() else float("nan")))
    wine = load(folder, "wine")
    if wine:
        setup, copy = wine["setup"], wine["copy"]
        lines.append("| setup.exe under Wine against `cmd /c copy`, 100 × 640 KB (fresh prefix each run) | %.0f ms ± %.0f | %.0f ms ± %.0f | %.2f | %.2f ms | |" % (
            ms(setup), spread(setup), ms(copy), spread(copy), ms(setup) / ms(copy), ms(setup) / 100))
    startup = load(folder, "startup")
    if startup:
        first = startup["first-page"]
        lines.append("| setup-sim start-up to the first wizard page (then Cancel) | %.1f ms ± %.1f | | | | |" % (ms(first), spread(first)))
        settings = startup["settings"]
        lines.append("| setup-sim `--dump-settings` (start-up only) | %.1f ms ± %.1f | | | | |" % (ms(settings), spread(settings)))
    load1, load5, _ = os.getloadavg()
    lines.append("")
    lines.append("Medians of hyperfine runs (± standard deviation). A setup-sim/cp pair ran in rounds of one "
                 "hyperfine call each, the order turned round every round; its ratio is the median of the "
                 "rounds' ratios (lowest–highest in brackets). "
                 "Machine: %d CPUs, load average %.1f (1 min) / %.1f (5 min) when the table was written." % (
                     os.cpu_count() or 0, load1, load5))
    print("\n".join(lines))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "build/bench")
