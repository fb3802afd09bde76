#!/usr/bin/env python3
"""Checks bench/make-store's output without trusting the generator's own bookkeeping: every xref
offset must land on its object, the free list must be linked, literal certificates must decode to
the same DER bytes a hex one would, and equal arguments must give equal files."""

import os
import re
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
MAKE_STORE = os.path.join(HERE, "make-store")
BASE_CERT_LENGTH = os.path.getsize(os.path.join(HERE, "base-cert.der"))


def make(folder, name, *args):
    path = os.path.join(folder, name)
    subprocess.run([sys.executable, MAKE_STORE, "--out", path] + list(args), check=True,
                   stdout=subprocess.DEVNULL)
    with open(path, "rb") as f:
        return f.read()


def decode_literal(body):
    """Bytes of a literal string body (between the outer parentheses), as a PDF reader sees
    them: an unescaped CR or CR LF is read as LF."""
    out = bytearray()
    i = 0
    while i < len(body):
        b = body[i]
        if b == 0x0D:
            out.append(0x0A)
            i += 2 if body[i + 1:i + 2] == b"\n" else 1
            continue
        if b == 0x5C:
            octal = re.match(rb"[0-7]{1,3}", body[i + 1:i + 4])
            if octal:
                out.append(int(octal.group(0), 8) & 0xFF)
                i += 1 + len(octal.group(0))
                continue
            escaped = body[i + 1]
            out.append({ord("r"): 0x0D, ord("n"): 0x0A}.get(escaped, escaped))
            i += 2
            continue
        out.append(b)
        i += 1
    return bytes(out)


def literal_end(data, start):
    """Index just past the literal string that opens at start."""
    depth = 0
    i = start
    while True:
        b = data[i]
        if b == 0x5C:
            i += 2
            continue
        if b == 0x28:
            depth += 1
        elif b == 0x29:
            depth -= 1
            if depth == 0:
                return i + 1
        i += 1


class StoreChecks(unittest.TestCase):
    def check_store(self, data, eol, entries):
        self.assertTrue(data.startswith(b"%PPKLITE-2.1" + eol + b"%\xe2\xe3\xcf\xd3" + eol))
        self.assertTrue(data.endswith(b"%%EOF" + eol))
        startxref = int(re.search(rb"startxref\r?\n(\d+)\r?\n%%EOF\r?\n$", data).group(1))
        self.assertEqual(data[startxref:startxref + 4], b"xref")
        header = re.match(rb"xref\r?\n0 (\d+)\r?\n", data[startxref:])
        size = int(header.group(1))
        table = startxref + header.end()
        rows = [data[table + 20 * i:table + 20 * (i + 1)] for i in range(size)]
        self.assertEqual(data[table + 20 * size:table + 20 * size + 7], b"trailer")
        self.assertIn(b"/Size %d" % size, data[table + 20 * size:])

        in_use = {}
        free_links = {}
        for number, row in enumerate(rows):
            self.assertRegex(row, rb"^\d{10} \d{5} [nf](\r\n| \n)$")
            if row[17:18] == b"n":
                offset = int(row[:10])
                self.assertTrue(data.startswith(b"%d 0 obj" % number, offset), number)
                in_use[number] = offset
            else:
                free_links[number] = int(row[:10])
        # The free list starts at entry 0 and visits every free entry once, ending at 0.
        seen = []
        current = free_links[0]
        while current != 0:
            self.assertNotIn(current, seen)
            seen.append(current)
            current = free_links[current]
        self.assertEqual(sorted(seen), sorted(set(free_links) - {0}))

        catalog = data[in_use[1]:data.index(b"endobj", in_use[1])]
        refs = [int(n) for n in re.findall(rb"(\d+) 0 R", catalog)]
        self.assertEqual(sorted(refs), sorted(set(in_use) - {1}))
        self.assertEqual(len(refs), entries)
        self.assertRegex(catalog, rb"/V 65537")

        certs = []
        ids = []
        for number in refs:
            body = data[in_use[number]:data.index(b"endobj", in_use[number])]
            ids.append(int(re.search(rb"/ID (\d+)", body).group(1)))
            hex_cert = re.search(rb"/Cert ?<([0-9a-f]*)>", body)
            if hex_cert:
                certs.append(bytes.fromhex(hex_cert.group(1).decode()))
            elif re.search(rb"/Cert ?\(", body):
                start = re.search(rb"/Cert ?\(", body).end() - 1
                certs.append(decode_literal(body[start + 1:literal_end(body, start) - 1]))
        next_id = int(re.search(rb"/NextID (\d+)", catalog).group(1))
        self.assertEqual(next_id, max(ids) + 1 if ids else 1)
        self.assertEqual(len(ids), len(set(ids)))
        self.assertEqual(len(certs), len(set(certs)))
        for cert in certs:
            self.assertEqual(len(cert), BASE_CERT_LENGTH)
            self.assertEqual(cert[:2], b"\x30\x82")
        return certs

    def check_order(self, data, layout):
        starts = [(m.start(), int(m.group(1))) for m in re.finditer(rb"(\d+) 0 obj", data)]
        numbers = [number for _, number in sorted(starts)]
        if layout == "readable":
            self.assertEqual(numbers, list(range(1, len(numbers) + 1)))
        else:
            # Entries in descending order, the catalog last, and deleted numbers left free.
            self.assertEqual(numbers[-1], 1)
            self.assertEqual(numbers[:-1], sorted(numbers[:-1], reverse=True))
            self.assertGreater(numbers[0], len(numbers))

    def test_both_layouts_are_consistent_and_deterministic(self):
        with tempfile.TemporaryDirectory() as folder:
            for layout, eol in (("readable", b"\r\n"), ("compact", b"\n")):
                for extra in ([], ["--certs-missing"], ["--literal-percent", "100"],
                              ["--literal-percent", "100", "--raw-literals"]):
                    with self.subTest(layout=layout, extra=extra):
                        args = ["--entries", "300", "--seed", "11", "--layout", layout] + extra
                        first = make(folder, "a", *args)
                        certs = self.check_store(first, eol, 300)
                        self.check_order(first, layout)
                        self.assertEqual(first, make(folder, "b", *args))
                        if extra[:1] == ["--literal-percent"]:
                            self.assertNotIn(b"/Cert <", first)
                            self.assertNotIn(b"/Cert<", first)
                        if extra == []:
                            self.assertGreater(len(certs), 250)

    def test_literal_and_hex_certificates_agree(self):
        # The same seed draws the same certificates whichever way they are written.
        with tempfile.TemporaryDirectory() as folder:
            args = ["--entries", "120", "--seed", "5"]
            hex_certs = self.check_store(make(folder, "h", *args, "--literal-percent", "0"),
                                         b"\r\n", 120)
            octal = self.check_store(make(folder, "o", *args, "--literal-percent", "100"),
                                     b"\r\n", 120)
            raw = self.check_store(
                make(folder, "r", *args, "--literal-percent", "100", "--raw-literals"),
                b"\r\n", 120)
            self.assertEqual(hex_certs, octal)
            self.assertEqual(hex_certs, raw)

    def test_empty_store_and_bad_arguments(self):
        with tempfile.TemporaryDirectory() as folder:
            self.check_store(make(folder, "e", "--entries", "0", "--seed", "1"), b"\r\n", 0)
            for args in (["--entries", "-1"], ["--entries", "2000000"],
                         ["--entries", "1", "--literal-percent", "101"], []):
                with self.subTest(args=args):
                    result = subprocess.run(
                        [sys.executable, MAKE_STORE, "--seed", "1", "--out",
                         os.path.join(folder, "x")] + args, capture_output=True)
                    self.assertEqual(result.returncode, 2)
                    self.assertIn(b"usage: make-store", result.stderr)
                    self.assertFalse(os.path.exists(os.path.join(folder, "x")))


if __name__ == "__main__":
    unittest.main()
