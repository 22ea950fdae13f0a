#!/usr/bin/env python3
"""End-to-end runs of the built quillfen with -S, -j and -p on logs from
quillfen-synth with faults at known places. Checked with real tools: every
JSON output through Python's json module, every picture through
xmllint --noout, rsvg-convert and an XML parser.

Usage: overview_program_test.py QUILLFEN QUILLFEN_SYNTH

Expected counts come from the per-minute report of the same run: the JSON
summary's complaints are the numbers of the report's lines, its minutes the
report's minute blocks, and the picture's shapes the runs of its hour strip.
"""
import json
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

QUILLFEN, SYNTH = sys.argv[1], sys.argv[2]
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL: " + message, file=sys.stderr)


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, **kwargs)


def quillfen(*args):
    result = run([QUILLFEN, *args])
    return result.returncode, result.stdout.decode(), result.stderr.decode()


def report_counts(report, station):
    """Complaint lines of a report by kind (the minute-length line with N)."""
    counts = {}
    for line in report.split("\n"):
        if line.startswith("Minute is "):
            line = "Minute is N seconds instead of N seconds long"
        counts[line] = counts.get(line, 0) + 1
    return counts


def report_blocks(report, station, log):
    lines = report.split("\n")
    if station == "dcf77" and log == "bits":
        return sum(1 for line in lines if line and set(line) <= set("01_ "))
    return sum(1 for line in lines if line.startswith("first_minute="))


def faulty_runs(summary, by_day):
    """Runs of equal places in the picture's rows that are not clean."""
    rows = {}
    for hour in summary["hours"]:
        if hour["hour"] is None:
            continue
        key = hour["hour"][:10] if by_day else hour["hour"]
        places = rows.setdefault(key, [" "] * (1440 if by_day else 60))
        first = int(hour["hour"][11:13]) * 60 if by_day else 0
        places[first:first + 60] = list(hour["strip"])
    runs = 0
    for places in rows.values():
        for i, place in enumerate(places):
            if place not in " ." and (i == 0 or places[i - 1] != place):
                runs += 1
    return runs


def check_log(name, station, log, log_path, work):
    edge = ["-e"] if log == "edges" else []
    base = ["-s", station, *edge, "-f", log_path]
    status, report, _ = quillfen(*base)
    check(status == 0, f"{name}: report status {status}")

    # The summary as JSON: its complaints are the report's lines.
    status, out, err = quillfen("-S", "-j", *base)
    check(status == 0 and err == "", f"{name}: -S -j status {status} {err}")
    summary = json.loads(out)
    check(out.count("\n") == 1, f"{name}: the JSON summary is one line")
    printed = report_counts(report, station)
    for line, count in summary["complaints"].items():
        check(count == printed.get(line, 0),
              f"{name}: {line!r} counted {count}, printed {printed.get(line, 0)}")
    check(summary["minutes"] == report_blocks(report, station, log),
          f"{name}: {summary['minutes']} minutes, {report_blocks(report, station, log)} blocks")
    check(summary["station"] == station and summary["log"] == log, f"{name}: station and log")
    check(("pulses" in summary) == (log == "edges"), f"{name}: pulses only for edge logs")

    # The text summary gives the same counts.
    status, text, _ = quillfen("-S", *base)
    check(status == 0, f"{name}: -S status")
    for line, count in summary["complaints"].items():
        check(f"\n  {line}: {count}\n" in text, f"{name}: text summary of {line!r}")
    for key in ("minutes", "decoded", "clean"):
        check(f"\n{key.capitalize()}: {summary[key]}\n" in text, f"{name}: text {key}")

    # JSON Lines: one object per minute block, nothing else; the same counts.
    status, lines, _ = quillfen("-j", *base)
    minutes = [json.loads(line) for line in lines.splitlines()]
    check(len(minutes) == summary["minutes"], f"{name}: {len(minutes)} JSON lines")
    check([m["block"] for m in minutes] == list(range(1, len(minutes) + 1)), f"{name}: blocks")
    check(sum(m["decoded"] for m in minutes) == summary["decoded"], f"{name}: decoded")
    check(sum(m["clean"] for m in minutes) == summary["clean"], f"{name}: clean")
    listed = {}
    for m in minutes:
        for line in m["complaints"]:
            if line.startswith("Minute is "):
                line = "Minute is N seconds instead of N seconds long"
            listed[line] = listed.get(line, 0) + 1
    for line, count in summary["complaints"].items():
        in_minutes = listed.get(line, 0)
        check(in_minutes <= count, f"{name}: {line!r} listed {in_minutes} of {count}")

    # The picture: stdout unchanged, well-formed, renders, shapes match.
    picture = os.path.join(work, name + ".svg")
    status, out, err = quillfen("-p", picture, *base)
    check(status == 0 and out == report and err == "", f"{name}: -p changes standard output")
    check(run(["xmllint", "--noout", picture]).returncode == 0, f"{name}: xmllint")
    png = os.path.join(work, name + ".png")
    rendered = run(["rsvg-convert", "-o", png, picture])
    check(rendered.returncode == 0 and os.path.getsize(png) > 1000, f"{name}: rsvg-convert")
    tree = ElementTree.parse(picture)
    ns = "{http://www.w3.org/2000/svg}"
    runs = [r for r in tree.iter(ns + "rect") if r.get("class", "").startswith("run ")]
    faulty = [r for r in runs if r.get("class") != "run clean"]
    titled = [r for r in faulty if r.find(ns + "title") is not None]
    rows = [h for h in summary["hours"] if h["hour"] is not None]
    expected = faulty_runs(summary, by_day=len(rows) > 24)
    check(len(faulty) == expected, f"{name}: {len(faulty)} shapes not clean, {expected} runs")
    check(len(titled) == len(faulty), f"{name}: a title on every shape that is not clean")
    in_titles = sum(int(re.search(r", (\d+) minutes?,", r.find(ns + "title").text).group(1))
                    for r in titled)
    placed_faulty = sum(h["minutes"] - h["clean"] for h in rows)
    check(in_titles == placed_faulty, f"{name}: titles name {in_titles} of {placed_faulty} minutes")
    return summary


def synth(work, name, *args):
    path = os.path.join(work, name + ".log")
    with open(path, "wb") as out:
        result = subprocess.run([SYNTH, *args], stdout=out)
    check(result.returncode == 0, f"quillfen-synth {args}")
    return path


with tempfile.TemporaryDirectory() as work:
    # Faults at known seconds and at rates, both stations, both log kinds.
    logs = [
        ("dcf77-bits", "dcf77", "bits",
         ["-s", "dcf77", "-t", "2025-03-29T22:00Z", "-n", "300", "-i", "0.002", "-U", "0.001",
          "-l", "5:30", "-l", "100:10", "-r", "4"]),
        ("msf-bits", "msf", "bits",
         ["-s", "msf", "-t", "2025-10-25T22:00Z", "-n", "300", "-i", "0.002", "-l", "7:20",
          "-l", "8:40", "-r", "5"]),
        ("dcf77-edges", "dcf77", "edges",
         ["-s", "dcf77", "-e", "-t", "2025-03-29T23:30Z", "-n", "120", "-b", "30000",
          "-j", "3000", "-g", "0.01", "-l", "3:30", "-o", "-m", "0.01", "-r", "6"]),
        ("msf-edges", "msf", "edges",
         ["-s", "msf", "-e", "-t", "2025-06-01T00:00Z", "-n", "120", "-g", "0.005",
          "-G", "5000-25000", "-l", "10:5", "-p", "400", "-r", "8"]),
        ("dcf77-days", "dcf77", "bits",
         ["-s", "dcf77", "-t", "2025-01-01T00:00Z", "-n", "4000", "-i", "0.0005", "-r", "9"]),
    ]
    for name, station, log, args in logs:
        summary = check_log(name, station, log, synth(work, name, *args), work)
        if name == "dcf77-bits":
            # The lost pulse of minute 5 spoils that minute: 5 decoded minutes
            # fewer than... at least one minute not decoded, counted apart.
            check(summary["hours"][-1]["hour"] is None, f"{name}: the no-time row comes last")
            check(summary["complaints"]["Minute is N seconds instead of N seconds long"] >= 2,
                  f"{name}: two lost pulses")
        if name == "msf-edges":
            clock = summary["pulses"]["clock_ppm"]
            check(clock is not None and abs(clock - 400) < 2, f"{name}: clock {clock} ppm")
            check(summary["pulses"]["spikes"] > 0, f"{name}: spikes")

    # A picture that cannot be written: the rest of the output, then the
    # message, and status 1.
    example = synth(work, "plain", "-s", "dcf77", "-t", "2025-01-01T00:00Z", "-n", "3")
    _, report, _ = quillfen("-s", "dcf77", "-f", example)
    for target, reason in (("/nonexistent/dir/x.svg", "No such file or directory (os error 2)"),
                           ("/dev/full", "No space left on device (os error 28)")):
        status, out, err = quillfen("-s", "dcf77", "-f", example, "-p", target)
        check(status == 1 and out == report
              and err == f"Could not write picture '{target}' : {reason}\n",
              f"unwritable picture {target}: {status} {err!r}")
    for args, message in (
            (["-p"], "Error: Error { culprit: 'p', kind: MissingArgument }\n"),
            (["-p", ""], "picture file name is empty\n"),
            (["-p", example], f"picture file '{example}' is the log file\n")):
        status, out, err = quillfen("-s", "dcf77", "-f", example, *args)
        check(status == 1 and out == "" and err == message, f"{args}: {status} {err!r}")

    # Logs without a minute: a summary that says so, valid JSON, a valid SVG.
    odd = {
        "empty": ("dcf77", [], ""),
        "comments": ("msf", ["-e"], "# one\n# two\n"),
        "other-station": ("dcf77", ["-e"], "M true 1000000 1\nM false 1100000 2\n"),
        "one-second": ("msf", [], "4"),
        "one-edge": ("dcf77", ["-e"], "D true 1000000 1\n"),
    }
    for name, (station, edge, text) in odd.items():
        path = os.path.join(work, name + ".log")
        with open(path, "w") as out:
            out.write(text)
        picture = os.path.join(work, name + ".svg")
        status, out, err = quillfen("-S", "-j", "-s", station, *edge, "-f", path, "-p", picture)
        check(status == 0 and err == "", f"{name}: status {status} {err!r}")
        summary = json.loads(out)
        check(summary["minutes"] == 0 and summary["first_decoded"] is None, f"{name}: no minutes")
        check(run(["xmllint", "--noout", picture]).returncode == 0, f"{name}: xmllint")
        status, out, _ = quillfen("-S", "-s", station, *edge, "-f", path)
        check(status == 0 and "Minutes: 0\n" in out and "  no minutes\n" in out, f"{name}: text")
        status, out, _ = quillfen("-j", "-s", station, *edge, "-f", path)
        check(status == 0 and out == "", f"{name}: no JSON lines")

    # A year of per-bit log with faults gives a picture under 5 MB.
    year = synth(work, "year", "-s", "dcf77", "-t", "2025-01-01T00:00Z", "-n", "525600",
                 "-i", "0.0001", "-l", "0.0001", "-r", "3")
    picture = os.path.join(work, "year.svg")
    status, _, _ = quillfen("-S", "-s", "dcf77", "-f", year, "-p", picture)
    size = os.path.getsize(picture)
    check(status == 0 and size < 5 * 1024 * 1024, f"year picture of {size} bytes")
    check(run(["xmllint", "--noout", picture]).returncode == 0, "year picture: xmllint")

if failures:
    print(f"{len(failures)} check(s) failed", file=sys.stderr)
    sys.exit(1)
print("overview program test: every check passed")
