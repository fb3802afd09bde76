#!/usr/bin/env python3
"""Checks that the differential test's comparison notices the faults it exists to find."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from differential import Mismatch, compare, qpdf_value, read_dump  # noqa: E402


def dumped(text):
    objects, _ = read_dump("obj 1 0 " + text)
    return objects[(1, 0)]


class CompareTest(unittest.TestCase):
    def assertAgree(self, ours, theirs):
        compare(dumped(ours), qpdf_value(theirs), "object")

    def assertDiffer(self, ours, theirs):
        with self.assertRaises(Mismatch):
            compare(dumped(ours), qpdf_value(theirs), "object")

    def test_equal_values_agree(self):
        self.assertAgree("<</A [1 r:0.5 true null 3 0 R] /B /x#20y>>",
                         {"/A": [1, 0.5, True, None, "3 0 R"], "/B": "/x y"})

    def test_wrong_bytes_keys_types_and_references_differ(self):
        self.assertDiffer("<616263>", "b:616264")
        self.assertDiffer("<</A 1>>", {"/A": 1, "/B": 2})
        self.assertDiffer("1", 1.0)
        self.assertDiffer("3 0 R", "3 1 R")
        self.assertDiffer("[1 2]", [1])
        self.assertDiffer("/Ab", "/AB")

    def test_text_strings_match_their_pdf_encodings(self):
        self.assertAgree("<feff00e9>", "u:\u00e9")          # UTF-16 with byte-order mark
        self.assertAgree("<e980>", "u:\u00e9\u2022")        # PDFDocEncoding
        self.assertDiffer("<e9>", "u:e")

    def test_stream_line_reads_back(self):
        value = dumped("stream <</Length 5>> length=5 md5=5d41402abc4b2a76b9719d911017c592")
        self.assertEqual(value, ("stream", {b"Length": ("int", 5)},
                                 (5, "5d41402abc4b2a76b9719d911017c592")))
        self.assertEqual(dumped("stream <<>> data=unreadable")[2], "data=unreadable")


if __name__ == "__main__":
    unittest.main()
