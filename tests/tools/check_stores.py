#!/usr/bin/env python3
"""Checks trust stores the project writes with qpdf --check, and pdf-dump's summary of them.

usage: check_stores.py --pdf-dump PATH --make-store PATH --example-store PATH
                       [--installer PATH --certs DIR]

Stores checked: the example store; stores made by bench/make-store in both layouts, with hex
and literal certificates and with some certificates missing; and, when the installer is given,
the store it writes when it adds the eight example certificates to a copy of the example store.

qpdf opens a "%PPKLITE-" file as it is. The only warnings accepted are that it found no PDF
header and that the catalog has no /Pages (a store has no page tree); anything else, in
particular a damaged or reconstructed cross-reference table, fails the test. pdf-dump must print
a summary whose entry count is the one expected, and a dump of every object without "error".

Exit codes: 0 every store passed, 1 a failure, 77 qpdf is missing (skipped).
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
EXPECTED_WARNINGS = [
    re.compile(r"^WARNING: .*: can't find PDF header$"),
    re.compile(r"^WARNING: .*object 1 0 at offset \d+ -> dictionary key /Pages: operation for "
               r"dictionary attempted on object of type null: returning false for a key "
               r"containment request$"),
    re.compile(r"^qpdf: operation succeeded with warnings$"),
]


def qpdf_check(path):
    """Returns a list of problems; empty when qpdf found only the expected warnings."""
    result = subprocess.run(["qpdf", "--check", path], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    problems = []
    if result.returncode not in (0, 3):
        problems.append(f"qpdf --check exit code {result.returncode}")
    lines = (result.stdout + result.stderr).decode(errors="replace").splitlines()
    for line in lines:
        if line.startswith("WARNING") or line.startswith("qpdf:") or "damaged" in line or \
                "error" in line.lower():
            if not any(pattern.match(line) for pattern in EXPECTED_WARNINGS):
                problems.append(line)
    if not any("can't find PDF header" in line for line in lines):
        problems.append("qpdf did not notice the %PPKLITE- header (was the store checked?)")
    return problems


def check_with_pdf_dump(pdf_dump, path, entries):
    problems = []
    result = subprocess.run([pdf_dump, path], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    text = result.stdout.decode(errors="replace")
    if result.returncode != 0:
        problems.append("pdf-dump summary failed: " + result.stderr.decode(errors="replace"))
    elif f"\nEntries: {entries}\n" not in text or \
            len([line for line in text.splitlines() if line.startswith("ID ")]) != entries:
        problems.append(f"pdf-dump summary does not list {entries} entries:\n{text[:500]}")
    result = subprocess.run([pdf_dump, "--objects", path], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    if result.returncode != 0 or b" error" in result.stdout:
        problems.append("pdf-dump --objects could not read every object")
    return problems


def run_installer(installer, certs, example_store, folder):
    """Copies the installer and the certificates into a folder, points APPDATA at a copy of the
    example profile and runs it; returns the path of the store it rewrote."""
    program_folder = os.path.join(folder, "program")
    os.makedirs(program_folder)
    program = os.path.join(program_folder, os.path.basename(installer))
    shutil.copy2(installer, program)
    for name in os.listdir(certs):
        shutil.copy2(os.path.join(certs, name), program_folder)
    store_folder = os.path.join(folder, "profile", "Adobe", "Acrobat", "DC", "Security")
    os.makedirs(store_folder)
    store = os.path.join(store_folder, "addressbook.acrodata")
    shutil.copy2(example_store, store)
    environment = dict(os.environ, APPDATA=os.path.join(folder, "profile"))
    subprocess.run([program], env=environment, stdout=subprocess.DEVNULL, check=False,
                   timeout=120)
    return store


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pdf-dump", required=True)
    parser.add_argument("--make-store", required=True)
    parser.add_argument("--example-store", required=True)
    parser.add_argument("--installer")
    parser.add_argument("--certs")
    args = parser.parse_args()
    if shutil.which("qpdf") is None:
        print("check_stores: qpdf is not installed; skipped")
        return SKIP

    folder = tempfile.mkdtemp(prefix="pdf-dump-stores-")
    try:
        stores = [("example store", args.example_store, None)]
        variants = [
            ("readable, 40 entries", ["--entries", "40", "--seed", "1"]),
            ("compact, free entries", ["--entries", "40", "--seed", "2", "--layout", "compact"]),
            ("literal certificates", ["--entries", "12", "--seed", "3", "--literal-percent", "100",
                                      "--raw-literals"]),
            ("certificates missing", ["--entries", "60", "--seed", "4", "--certs-missing"]),
            ("empty", ["--entries", "0", "--seed", "5"]),
        ]
        for label, options in variants:
            path = os.path.join(folder, re.sub(r"\W+", "-", label) + ".acrodata")
            subprocess.run([sys.executable, args.make_store, *options, "--out", path],
                           check=True, stdout=subprocess.DEVNULL)
            stores.append((label, path, None))
        if args.installer and not os.path.isfile(args.installer):
            print(f"FAIL the installer {args.installer} does not exist")
            return 1
        if args.installer and args.certs:
            before = subprocess.run([args.pdf_dump, args.example_store], stdout=subprocess.PIPE)
            match = re.search(rb"\nEntries: (\d+)\n", before.stdout)
            store = run_installer(args.installer, args.certs, args.example_store, folder)
            expected = int(match.group(1)) + len(os.listdir(args.certs)) if match else None
            stores.append(("written by the installer", store, expected))

        failures = 0
        for label, path, expected_entries in stores:
            problems = qpdf_check(path)
            summary = subprocess.run([args.pdf_dump, path], stdout=subprocess.PIPE)
            match = re.search(rb"\nEntries: (\d+)\n", summary.stdout)
            if expected_entries is None:
                # make-store's groupings are entries too; the summary must list what it counts
                expected_entries = int(match.group(1)) if match else -1
            problems += check_with_pdf_dump(args.pdf_dump, path, expected_entries)
            if problems:
                failures += 1
                print(f"FAIL {label} [{path}]:\n  " + "\n  ".join(problems))
            else:
                print(f"ok   {label}")
        print(f"{len(stores) - failures} passed, {failures} failed")
        return 1 if failures else 0
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
