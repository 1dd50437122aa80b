#!/usr/bin/env python3
"""korvcmp-report's JSON document against korvcmp's compared listing of the
same pair: the document parses, and every file's and function's
[hits in 1 + new - lost], status and listing 2 TER figures are those of the
compared listing, in its order; the totals too; and what became of the items
of compared and new files is what korvcmp counts.

A pair may come with the truth the listing generator wrote for it
(korvcmp-listing-gen --truth): every file's categories, and the path a moved
file was moved from, are then those of the truth.

Usage: json_figures_test.py KORVCMP_REPORT KORVCMP WORK_DIR [--truth FILE] LISTING1 LISTING2 [...]
(listings in pairs)
"""

import json
import pathlib
import re
import subprocess
import sys

CHANGE = re.compile(r"\[(-?\d+) \+ (-?\d+) - (-?\d+)\]")
# A TER line of the compared listing: "***TER  73% ([0 + 14 - 0]  14/  19) of ..."
TER = re.compile(r"(\d+)% \(\[[^\]]*\]\s*(\d+)/\s*(\d+)\)")
MONITORED = "MONITORED SOURCE FILE : "


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def compared_sections(listing):
    """The file sections of a compared listing: path, reason, the figures of
    its function TER lines, of its file TER line, and its TER figures; then
    the summary's figures."""
    sections = []
    summary = None
    current = None
    in_summary = False
    for line in listing.splitlines():
        if line.startswith(MONITORED):
            path = line[len(MONITORED):]
            reason = None
            note = re.search(r" \(NO COMPARE, ([^)]*)\)$", path)
            if note:
                path = path[:note.start()]
                reason = note.group(1)
            current = {"file": path, "reason": reason, "functions": []}
            sections.append(current)
        elif line == "SUMMARY":
            in_summary = True
        elif line.startswith("***TER") and current is not None:
            change = tuple(int(x) for x in CHANGE.search(line).groups())
            ter = tuple(int(x) for x in TER.search(line).groups())
            # The last TER line of a section is the file's; the ones before
            # it are its functions'.
            current["functions"].append((change, ter))
        elif in_summary and line.startswith("TER ") and summary is None:
            summary = tuple(int(x) for x in CHANGE.search(line).groups())
    for section in sections:
        section["change"], section["ter2"] = section["functions"].pop()
    return sections, summary


def figures(entry):
    return (entry["hits1"], entry["new"], entry["lost"])


def ter(entry):
    return None if entry is None else (entry["percent"], entry["covered"], entry["total"])


CATEGORIES = ("keptCovered", "keptUncovered", "gained", "lost", "addedCovered",
              "addedUncovered", "deletedCovered", "deletedUncovered")


def check_changes(where, entry):
    """What became of the items agrees with korvcmp's figures: a compared
    file's are korvcmp's new, lost and equal items; a new file's covered
    items are korvcmp's new ones; the functions add up to the file."""
    changes = entry["changes"]
    sums = {name: sum(f["changes"][name] for f in entry["functions"]) for name in CATEGORIES}
    if sums != changes:
        fail("%s: the functions' changes %r do not add up to %r" % (where, sums, changes))
    hits1, new, lost = figures(entry)
    if entry["status"] == "compared":
        seen = (changes["keptCovered"] + changes["lost"], changes["gained"], changes["lost"])
        only_one_run = sum(changes[name] for name in CATEGORIES[4:])
    elif entry["reason"] == "no file" and entry["movedFrom"] is None:
        seen = (0, changes["addedCovered"], 0)
        only_one_run = sum(changes[name] for name in CATEGORIES[:4] + CATEGORIES[6:])
    else:
        return
    if seen != (hits1, new, lost) or only_one_run != 0:
        fail("%s: changes %r, korvcmp's figures %r" % (where, changes, (hits1, new, lost)))


def check_truth(truth_path, listing2, document):
    """Every file's categories and the path it was moved from, as the listing
    generator made them."""
    truth = {}
    with open(truth_path, encoding="utf-8") as lines:
        for line in lines:
            fields = line.rstrip("\n").split("\t")
            truth[fields[0]] = (None if fields[1] == "-" else fields[1],
                                [int(x) for x in fields[2:]])
    for entry in document["files"]:
        expected = truth.get(entry["file"])
        found = (entry["movedFrom"], [entry["changes"][name] for name in CATEGORIES])
        if expected != found:
            fail("%s: %s: %r, the generator made %r" % (listing2, entry["file"], found, expected))


def check_pair(report, korvcmp, listing1, listing2, truth=None):
    compared = subprocess.run([korvcmp, "-i1", listing1, "-i2", listing2, "-p", "-"],
                              check=True, capture_output=True).stdout.decode("utf-8", "replace")
    result = subprocess.run([report, "-i1", listing1, "-i2", listing2, "--json", "-"],
                            check=True, capture_output=True)
    document = json.loads(result.stdout.decode("utf-8"))  # strict UTF-8: it must be valid
    if truth is not None:
        check_truth(truth, listing2, document)
    sections, summary = compared_sections(compared)
    files = [f for f in document["files"] if f["status"] != "removed"]
    if len(files) != len(sections):
        fail("%s: %d files in the JSON, %d sections in the compared listing"
             % (listing2, len(files), len(sections)))
    for entry, section in zip(files, sections):
        where = "%s: %s" % (listing2, section["file"])
        if entry["file"] != section["file"]:
            fail("%s: the JSON names %r" % (where, entry["file"]))
        expected_status = "compared" if section["reason"] is None else "not compared"
        if entry["status"] != expected_status or entry["reason"] != section["reason"]:
            fail("%s: status %r, reason %r" % (where, entry["status"], entry["reason"]))
        if figures(entry) != section["change"] or ter(entry["ter2"]) != section["ter2"]:
            fail("%s: figures %r %r, compared listing %r %r"
                 % (where, figures(entry), entry["ter2"], section["change"], section["ter2"]))
        check_changes(where, entry)
        with_ter = [f for f in entry["functions"] if f["ter2"] is not None]
        shown = [(figures(f), ter(f["ter2"])) for f in with_ter]
        if shown != section["functions"]:
            fail("%s: function figures differ from the compared listing" % where)
    totals = document["totals"]
    if (totals["hits1"], totals["new"], totals["lost"]) != summary:
        fail("%s: totals %r, compared listing %r" % (listing2, figures(totals), summary))
    counts = totals["files"]
    if counts["compared"] + counts["notCompared"] != len(sections) or \
            counts["removed"] != len(document["files"]) - len(files):
        fail("%s: file counts %r" % (listing2, counts))
    return len(sections)


def main():
    if len(sys.argv) < 6:
        fail(__doc__)
    report, korvcmp = sys.argv[1], sys.argv[2]
    pathlib.Path(sys.argv[3]).mkdir(parents=True, exist_ok=True)
    checked = 0
    arguments = sys.argv[4:]
    while arguments:
        truth = None
        if arguments[0] == "--truth":
            truth, arguments = arguments[1], arguments[2:]
        if len(arguments) < 2:
            fail(__doc__)
        checked += check_pair(report, korvcmp, arguments[0], arguments[1], truth)
        arguments = arguments[2:]
    print("json figures: %d file sections checked" % checked)


if __name__ == "__main__":
    main()
