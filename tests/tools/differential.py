#!/usr/bin/env python3
"""Compares pdf-dump --objects with qpdf's JSON dump of the same files, object by object.

usage: differential.py --pdf-dump PATH [--keep DIR] [--max-files N] [--verbose] [FILE ...]

Files: the PDF files Debian packages install under /usr/share/doc (gzipped ones unpacked), or
the FILEs given; for each, the variants qpdf makes (object streams generated, streams
uncompressed, flate recompressed at level 9, linearized, QDF) and two that this script makes:
an incremental update appended to the file (a classic section, or a cross-reference stream when
the file ends with one) and a hybrid file (a classic table whose trailer names a cross-reference
stream for the objects that sit in object streams).

Every object qpdf lists must be listed by pdf-dump with an equal value, and the reverse; stream
dictionaries must agree, and so must the decoded data (length and MD5) wherever both sides
decode it. The differences that are explained are in KNOWN_DIFFERENCES below, with the reason.

Exit codes: 0 all files agree, 1 a difference or a failure, 77 qpdf or the sample files are
missing (the test is then skipped).
"""

import argparse
import base64
import glob
import gzip
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
MIN_FILES = 20
# Sample files larger than this are passed over: the run stays short and they add nothing the
# smaller ones lack.
MAX_SAMPLE_BYTES = 4 * 1024 * 1024
# Of larger files only the variants that change the file's structure are made: the others
# mostly inflate the file and cost time without reaching code the small files leave out.
LARGE_SAMPLE_BYTES = 400 * 1024
LARGE_SKIPPED_VARIANTS = {"uncompressed", "recompressed", "qdf"}
QPDF_VARIANTS = [
    ("objstm", ["--object-streams=generate"]),
    ("uncompressed", ["--stream-data=uncompress"]),
    ("recompressed", ["--recompress-flate", "--compression-level=9"]),
    ("linearized", ["--linearize"]),
    ("qdf", ["--qdf"]),
]
# Filters the reader decodes; streams with any other filter are refused by it (data=unreadable)
# while qpdf may decode them.
READER_FILTERS = {b"FlateDecode", b"ASCII85Decode"}

# Explained differences: (what, reason). Each is applied by the comparison code where noted.
KNOWN_DIFFERENCES = [
    ("stream data where qpdf leaves the data encoded",
     "qpdf decodes only the generalized filters; image filters (DCTDecode and others) stay "
     "encoded in its output, so there is no decoded data to compare"),
    ("streams whose filters the reader does not implement",
     "the reader decodes FlateDecode and ASCII85Decode only (LZW, RunLength, ASCIIHex and "
     "image filters are refused with data=unreadable), which is all a trust store can need"),
]


class Mismatch(Exception):
    pass


# ---------------------------------------------------------------------------------------------
# Reading pdf-dump's canonical text back into values.
#   ("ref", n, g)  ("name", bytes)  ("string", bytes)  ("int", n)  ("real", float)
#   ("bool", b)  ("null",)  list  dict (bytes key -> value)  ("stream", dict, data)


def unescape_name(text):
    out = bytearray()
    i = 0
    raw = text.encode("latin-1")
    while i < len(raw):
        if raw[i] == 0x23 and i + 2 < len(raw) + 0 and re.match(rb"[0-9a-fA-F]{2}", raw[i + 1:i + 3]):
            out.append(int(raw[i + 1:i + 3], 16))
            i += 3
        else:
            out.append(raw[i])
            i += 1
    return bytes(out)


TOKEN = re.compile(r"<<|>>|\[|\]|<[0-9a-f]*>|/[^\s\[\]<>/]*|r:[^\s\[\]<>]+|[^\s\[\]<>/]+")


class DumpReader:
    def __init__(self, text):
        self.tokens = TOKEN.findall(text)
        self.pos = 0

    def next(self):
        if self.pos >= len(self.tokens):
            raise Mismatch("pdf-dump line ends early")
        token = self.tokens[self.pos]
        self.pos += 1
        return token

    def peek(self):
        return self.tokens[self.pos] if self.pos < len(self.tokens) else None

    def value(self):
        token = self.next()
        if token == "<<":
            result = {}
            while self.peek() != ">>":
                key = self.next()
                if not key.startswith("/"):
                    raise Mismatch("pdf-dump dictionary key " + key)
                result[unescape_name(key[1:])] = self.value()
            self.next()
            return result
        if token == "[":
            result = []
            while self.peek() != "]":
                result.append(self.value())
            self.next()
            return result
        if token.startswith("<"):
            return ("string", bytes.fromhex(token[1:-1]))
        if token.startswith("/"):
            return ("name", unescape_name(token[1:]))
        if token.startswith("r:"):
            return ("real", float(token[2:]))
        if token in ("true", "false"):
            return ("bool", token == "true")
        if token == "null":
            return ("null",)
        if token == "error":
            return ("error",)
        if token == "stream":
            dictionary = self.value()
            data = self.next()
            if data.startswith("length="):
                data = (int(data[7:]), self.next()[4:])
            return ("stream", dictionary, data)
        if re.fullmatch(r"-?\d+", token):
            if self.peek() is not None and re.fullmatch(r"\d+", self.peek()) and \
                    self.pos + 1 < len(self.tokens) and self.tokens[self.pos + 1] == "R":
                generation = int(self.next())
                self.next()
                return ("ref", int(token), generation)
            return ("int", int(token))
        return ("other", token)


def read_dump(text):
    objects = {}
    trailer = None
    for line in text.splitlines():
        if line.startswith("obj "):
            _, number, generation, rest = line.split(" ", 3)
            objects[(int(number), int(generation))] = DumpReader(rest).value()
        elif line.startswith("trailer "):
            trailer = DumpReader(line[8:]).value()
    return objects, trailer


# ---------------------------------------------------------------------------------------------
# qpdf's JSON (version 2) into the same values.

PDFDOC_HIGH = ("\u2022\u2020\u2021\u2026\u2014\u2013\u0192\u2044\u2039\u203a\u2212\u2030\u201e"
               "\u201c\u201d\u2018\u2019\u201a\u2122\ufb01\ufb02\u0141\u0152\u0160\u0178\u017d"
               "\u0131\u0142\u0153\u0161\u017e\ufffd\u20ac")
PDFDOC_LOW = "\u02d8\u02c7\u02c6\u02d9\u02dd\u02db\u02da\u02dc"


def pdfdoc_decode(data):
    out = []
    for byte in data:
        if 0x18 <= byte <= 0x1f:
            out.append(PDFDOC_LOW[byte - 0x18])
        elif 0x80 <= byte <= 0xa0:
            out.append(PDFDOC_HIGH[byte - 0x80])
        else:
            out.append(chr(byte))
    return "".join(out)


def text_candidates(data):
    """The texts qpdf may show for these string bytes."""
    candidates = {pdfdoc_decode(data)}
    for bom, codec in ((b"\xfe\xff", "utf-16-be"), (b"\xff\xfe", "utf-16-le"),
                       (b"\xef\xbb\xbf", "utf-8")):
        if data.startswith(bom):
            try:
                candidates.add(data[len(bom):].decode(codec))
            except UnicodeDecodeError:
                pass
    return candidates


def qpdf_name(text):
    if text.startswith("n:/"):
        return unescape_name(text[3:]) if not re.search(r"[^\x00-\xff]", text) else \
            unescape_name(text[3:].encode("utf-8").decode("latin-1"))
    return text[1:].encode("utf-8")


def qpdf_value(value):
    if value is None:
        return ("null",)
    if isinstance(value, bool):
        return ("bool", value)
    if isinstance(value, int):
        return ("int", value)
    if isinstance(value, float):
        return ("real", value)
    if isinstance(value, list):
        return [qpdf_value(item) for item in value]
    if isinstance(value, dict):
        return {qpdf_name(key): qpdf_value(item) for key, item in value.items()}
    match = re.fullmatch(r"(\d+) (\d+) R", value)
    if match:
        return ("ref", int(match.group(1)), int(match.group(2)))
    if value.startswith("/") or value.startswith("n:/"):
        return ("name", qpdf_name(value))
    if value.startswith("b:"):
        return ("string", bytes.fromhex(value[2:]))
    if value.startswith("u:"):
        return ("text", value[2:])
    return ("other", value)


def compare(ours, theirs, path):
    if isinstance(theirs, dict):
        if not isinstance(ours, dict):
            raise Mismatch(f"{path}: pdf-dump {ours!r}, qpdf a dictionary")
        if set(ours) != set(theirs):
            raise Mismatch(f"{path}: keys only in pdf-dump {sorted(set(ours) - set(theirs))}, "
                           f"only in qpdf {sorted(set(theirs) - set(ours))}")
        for key in theirs:
            compare(ours[key], theirs[key], path + "/" + key.decode("latin-1"))
        return
    if isinstance(theirs, list):
        if not isinstance(ours, list) or len(ours) != len(theirs):
            raise Mismatch(f"{path}: pdf-dump {ours!r}, qpdf {theirs!r}")
        for index, (a, b) in enumerate(zip(ours, theirs)):
            compare(a, b, f"{path}[{index}]")
        return
    if theirs[0] == "text":
        if ours[0] != "string" or theirs[1] not in text_candidates(ours[1]):
            raise Mismatch(f"{path}: pdf-dump {ours!r}, qpdf text {theirs[1]!r}")
        return
    if theirs[0] == "real" and ours[0] == "real":
        if abs(ours[1] - theirs[1]) > 1e-9 * max(1.0, abs(theirs[1])):
            raise Mismatch(f"{path}: pdf-dump {ours[1]!r}, qpdf {theirs[1]!r}")
        return
    if ours != theirs:
        raise Mismatch(f"{path}: pdf-dump {ours!r}, qpdf {theirs!r}")


def filters_of(dictionary):
    value = dictionary.get(b"Filter")
    if value is None:
        return []
    if isinstance(value, list):
        return [item[1] for item in value if isinstance(item, tuple)]
    return [value[1]] if isinstance(value, tuple) else []


def run_qpdf_json(path, stream_data, extra=()):
    result = subprocess.run(["qpdf", "--json", "--json-key=qpdf",
                             "--json-stream-data=" + stream_data, *extra, path],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if result.returncode not in (0, 3):
        raise Mismatch("qpdf --json failed: " + result.stderr.decode(errors="replace")[:300])
    return json.loads(result.stdout)["qpdf"][1]


def compare_file(pdf_dump, path, counts):
    result = subprocess.run([pdf_dump, "--objects", path], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    if result.returncode != 0:
        raise Mismatch("pdf-dump failed: " + result.stderr.decode(errors="replace").strip())
    ours, our_trailer = read_dump(result.stdout.decode("latin-1"))
    raw = run_qpdf_json(path, "none")
    decoded = run_qpdf_json(path, "inline", ["--decode-level=generalized"])

    theirs = {}
    for key, value in raw.items():
        if key == "trailer":
            compare(our_trailer, qpdf_value(value["value"]), "trailer")
            continue
        match = re.fullmatch(r"obj:(\d+) (\d+) R", key)
        if match:
            theirs[(int(match.group(1)), int(match.group(2)))] = (key, value)
    if set(ours) != set(theirs):
        raise Mismatch(f"objects only in pdf-dump {sorted(set(ours) - set(theirs))[:10]}, "
                       f"only in qpdf {sorted(set(theirs) - set(ours))[:10]}")

    for number in sorted(theirs):
        key, value = theirs[number]
        mine = ours[number]
        where = f"object {number[0]} {number[1]}"
        if "value" in value:
            compare(mine, qpdf_value(value["value"]), where)
            continue
        if mine[0] != "stream":
            raise Mismatch(f"{where}: pdf-dump {mine!r}, qpdf a stream")
        compare(mine[1], qpdf_value(value["stream"]["dict"]), where + " dict")
        counts["streams"] += 1
        their_stream = decoded[key]["stream"]
        qpdf_decoded = "/Filter" not in their_stream["dict"]
        unsupported = [f for f in filters_of(mine[1]) if f not in READER_FILTERS]
        if not qpdf_decoded:
            counts["explained: qpdf left data encoded"] += 1
            continue
        if unsupported:
            if mine[2] != "data=unreadable":
                raise Mismatch(f"{where}: filters {unsupported} should be refused, got {mine[2]}")
            counts["explained: filter not in the reader"] += 1
            continue
        data = base64.b64decode(their_stream.get("data", ""))
        expected = (len(data), hashlib.md5(data).hexdigest())
        if mine[2] != expected:
            raise Mismatch(f"{where}: data {mine[2]}, qpdf length={expected[0]} md5={expected[1]}")
        counts["stream data compared"] += 1
    counts["objects"] += len(theirs)


# ---------------------------------------------------------------------------------------------
# Files made here: incremental updates and hybrid files.

def last_startxref(data):
    match = list(re.finditer(rb"startxref\s+(\d+)", data))
    return int(match[-1].group(1)) if match else None


def qpdf_trailer(path):
    return run_qpdf_json(path, "none")["trailer"]["value"]


def ref_text(value):
    return value.encode() if isinstance(value, str) and value.endswith(" R") else None


def make_incremental(source, target):
    """Appends a section that redefines the Info dictionary (or adds one) and object 1's
    neighbour numbers stay as they were: a classic section for a classic file, a cross-reference
    stream for a file whose last section is a stream."""
    data = open(source, "rb").read()
    prev = last_startxref(data)
    trailer = qpdf_trailer(source)
    size = trailer["/Size"]
    root = ref_text(trailer.get("/Root"))
    if prev is None or root is None:
        return False
    info = ref_text(trailer.get("/Info"))
    info_number = int(info.split()[0]) if info else size
    new_size = max(size, info_number + 1)
    if not data.endswith(b"\n"):
        data += b"\n"
    info_offset = len(data)
    data += b"%d 0 obj\n<< /Title (Incremental update \\(pdf-dump test\\)) /Producer <70646620> >>" \
            b"\nendobj\n" % info_number
    xref_stream = data[prev:prev + 64].lstrip()[:1].isdigit()
    if xref_stream:
        stream_number = new_size
        new_size += 1
        xref_offset = len(data)
        rows = b"".join(bytes([1]) + offset.to_bytes(4, "big") + b"\0\0"
                        for offset in (info_offset, xref_offset))
        data += (b"%d 0 obj\n<< /Type /XRef /Size %d /W [1 4 2] /Index [%d 1 %d 1] /Root %s "
                 b"/Info %d 0 R /Prev %d /Length %d >>\nstream\n" %
                 (stream_number, new_size, info_number, stream_number, root, info_number, prev,
                  len(rows)))
        data += rows + b"\nendstream\nendobj\n"
    else:
        xref_offset = len(data)
        data += b"xref\n%d 1\n%010d 00000 n\r\n" % (info_number, info_offset)
        data += b"trailer\n<< /Size %d /Root %s /Info %d 0 R /Prev %d >>\n" % (
            new_size, root, info_number, prev)
    data += b"startxref\n%d\n%%%%EOF\n" % xref_offset
    open(target, "wb").write(data)
    return True


def make_hybrid(source, target):
    """A file whose objects sit partly in object streams: a classic table lists those in the
    file and the trailer's /XRefStm names a cross-reference stream for the compressed ones."""
    result = subprocess.run(["qpdf", "--show-xref", source], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL)
    in_file, compressed = {}, {}
    for line in result.stdout.decode().splitlines():
        match = re.match(r"(\d+)/(\d+): uncompressed; offset = (\d+)", line)
        if match:
            in_file[int(match.group(1))] = (int(match.group(3)), int(match.group(2)))
        match = re.match(r"(\d+)/0: compressed; stream = (\d+), index = (\d+)", line)
        if match:
            compressed[int(match.group(1))] = (int(match.group(2)), int(match.group(3)))
    if not compressed:
        return False
    trailer = qpdf_trailer(source)
    root = ref_text(trailer.get("/Root"))
    data = open(source, "rb").read()
    if not data.endswith(b"\n"):
        data += b"\n"
    size = max(list(in_file) + list(compressed)) + 1
    stream_number = size
    size += 1
    stream_offset = len(data)
    numbers = sorted(compressed)
    rows = b"".join(bytes([2]) + compressed[n][0].to_bytes(4, "big") +
                    compressed[n][1].to_bytes(2, "big") for n in numbers)
    index = b" ".join(b"%d 1" % n for n in numbers)
    data += (b"%d 0 obj\n<< /Type /XRef /Size %d /W [1 4 2] /Index [%s] /Length %d >>\nstream\n"
             % (stream_number, size, index, len(rows)))
    data += rows + b"\nendstream\nendobj\n"
    in_file[stream_number] = (stream_offset, 0)
    xref_offset = len(data)
    data += b"xref\n0 1\n0000000000 65535 f\r\n"
    for number in sorted(in_file):
        offset, generation = in_file[number]
        data += b"%d 1\n%010d %05d n\r\n" % (number, offset, generation)
    extra = b""
    if ref_text(trailer.get("/Info")):
        extra = b" /Info " + ref_text(trailer["/Info"])
    data += b"trailer\n<< /Size %d /Root %s%s /XRefStm %d >>\nstartxref\n%d\n%%%%EOF\n" % (
        size, root, extra, stream_offset, xref_offset)
    open(target, "wb").write(data)
    return True


def sample_files():
    found = []
    for pattern in ("/usr/share/doc/**/*.pdf", "/usr/share/doc/**/*.pdf.gz"):
        found.extend(glob.glob(pattern, recursive=True))
    return sorted(set(path for path in found if os.path.isfile(path)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pdf-dump", required=True)
    parser.add_argument("--keep", help="folder for the variants (kept)")
    parser.add_argument("--max-files", type=int, default=40)
    parser.add_argument("--verbose", action="store_true")
    parser.add_argument("files", nargs="*")
    args = parser.parse_args()

    if shutil.which("qpdf") is None:
        print("differential: qpdf is not installed; skipped")
        return SKIP
    sources = args.files or sample_files()
    folder = args.keep or tempfile.mkdtemp(prefix="pdf-dump-differential-")
    os.makedirs(folder, exist_ok=True)
    try:
        originals, seen = [], set()
        for path in sources:
            data = gzip.open(path).read() if path.endswith(".gz") else open(path, "rb").read()
            digest = hashlib.md5(data).hexdigest()
            if len(data) > MAX_SAMPLE_BYTES or digest in seen or not data.startswith(b"%PDF-"):
                continue
            seen.add(digest)
            name = f"{len(originals):02d}-" + re.sub(r"[^A-Za-z0-9.-]", "_",
                                                     os.path.basename(path).replace(".gz", ""))
            local = os.path.join(folder, name)
            open(local, "wb").write(data)
            originals.append((path, local))
            if len(originals) >= args.max_files:
                break
        if not args.files and len(originals) < MIN_FILES:
            print(f"differential: only {len(originals)} sample PDF files under /usr/share/doc "
                  f"(need {MIN_FILES}; see scripts/setup); skipped")
            return SKIP

        cases = []
        for source, local in originals:
            cases.append((source, local))
            base = local[:-4]
            large = os.path.getsize(local) > LARGE_SAMPLE_BYTES
            for label, options in QPDF_VARIANTS:
                if large and label in LARGE_SKIPPED_VARIANTS:
                    continue
                target = f"{base}.{label}.pdf"
                run = subprocess.run(["qpdf", *options, local, target],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                if run.returncode in (0, 3):
                    cases.append((f"{source} ({label})", target))
                else:
                    print(f"FAIL {source}: qpdf {' '.join(options)} exit {run.returncode}")
                    return 1
            if make_incremental(local, base + ".incremental.pdf"):
                cases.append((f"{source} (incremental update)", base + ".incremental.pdf"))
            if make_hybrid(base + ".objstm.pdf", base + ".hybrid.pdf"):
                cases.append((f"{source} (hybrid)", base + ".hybrid.pdf"))

        counts = {"objects": 0, "streams": 0, "stream data compared": 0,
                  "explained: qpdf left data encoded": 0, "explained: filter not in the reader": 0}
        failures = 0
        for label, path in cases:
            try:
                compare_file(args.pdf_dump, path, counts)
                if args.verbose:
                    print("ok  ", label)
            except Mismatch as error:
                failures += 1
                print(f"FAIL {label} [{path}]: {error}")
        print(f"differential: {len(cases)} files ({len(originals)} originals), "
              f"{counts['objects']} objects, {counts['streams']} streams, "
              f"{counts['stream data compared']} with decoded data compared")
        for what, reason in KNOWN_DIFFERENCES:
            print(f"  explained: {what}: {reason}")
        for key, value in counts.items():
            if key.startswith("explained"):
                print(f"  {key}: {value} streams")
        print(f"{len(cases) - failures} passed, {failures} failed")
        return 1 if failures else 0
    finally:
        if not args.keep:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
