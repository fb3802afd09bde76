#!/usr/bin/env python3
"""Checks of the release: the package's contents, the executables' version resources, the
certificate folder check, and signing with scripts/sign.

    check_release.py --version X.Y.Z --installer EXE --check EXE --cpack-config FILE
        --cert-dir DIR --source-dir DIR --cmake CMAKE --cpack CPACK TestClass...
"""

import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

ARGS = None

CERTIFICATE_NAMES = [
    "NorvSigningCA.crt",
    "TesselTimeStampingCA.crt",
    "NorvESealCA.crt",
    "NorvSigningCAG2.crt",
    "TimeStampingCA2.crt",
    "NorvESealCA_2.crt",
    "NorvESealCAG2.crt",
    "NorvTrustRootCAG2.crt",
]


def read(path):
    with open(path, "rb") as f:
        return f.read()


def digest(path):
    return hashlib.sha256(read(path)).hexdigest()


def run(command, env=None):
    return subprocess.run(command, capture_output=True, text=True, env=env, check=False)


SIGNING_PASSWORD = "throwaway pässword"


def make_signing_certificate(folder):
    """A throwaway self-signed code-signing certificate: (certificate PEM, PFX) paths."""
    key = os.path.join(folder, "key.pem")
    cert = os.path.join(folder, "cert.pem")
    pfx = os.path.join(folder, "signing.pfx")
    subprocess.run(
        ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
         "-subj", "/CN=Throwaway code signing", "-keyout", key, "-out", cert,
         "-addext", "extendedKeyUsage=codeSigning", "-addext", "keyUsage=digitalSignature"],
        check=True, capture_output=True,
    )
    subprocess.run(
        ["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", pfx,
         "-passout", "pass:" + SIGNING_PASSWORD],
        check=True, capture_output=True,
    )
    return cert, pfx


def environment_with(**changes):
    """This process's environment without any SIGN_ variable, plus the changes."""
    environment = {k: v for k, v in os.environ.items() if not k.startswith("SIGN_")}
    environment.update(changes)
    return environment


def verify_signature(cert, path):
    return run(["osslsigncode", "verify", "-CAfile", cert, "-in", path])


class TempFolderTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="release-check-")
        self.addCleanup(shutil.rmtree, self.folder)


class PackageTest(TempFolderTest):
    NAME = "trust-installer-%s-win64.zip"

    def package(self, folder, *definitions, **env):
        command = [ARGS.cpack, "--config", ARGS.cpack_config, "-B", folder]
        for definition in definitions:
            command += ["-D", definition]
        return run(command, environment_with(**env))

    def test_zip_holds_both_programs_the_certificates_and_the_readme(self):
        result = self.package(self.folder)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        name = self.NAME % ARGS.version
        self.assertTrue(os.path.isfile(os.path.join(self.folder, name)), os.listdir(self.folder))

        with zipfile.ZipFile(os.path.join(self.folder, name)) as archive:
            members = sorted(archive.namelist())
            self.assertEqual(
                members,
                sorted(CERTIFICATE_NAMES + ["README.txt", "trust-check.exe", "trust-installer.exe"]),
            )
            for certificate in CERTIFICATE_NAMES:
                self.assertEqual(
                    archive.read(certificate),
                    read(os.path.join(ARGS.cert_dir, certificate)),
                    certificate,
                )
            for exe, built in (("trust-installer.exe", ARGS.installer), ("trust-check.exe", ARGS.check)):
                self.assertEqual(archive.read(exe), read(built), exe)
            readme = archive.read("README.txt")

        self.assertTrue(readme.startswith(b"trust-installer " + ARGS.version.encode() + b" "))
        # Notepad's line ends.
        self.assertEqual(readme.count(b"\n"), readme.count(b"\r\n"))

    def test_a_package_made_with_a_certificate_holds_signed_programs_or_is_not_made(self):
        cert, pfx = make_signing_certificate(self.folder)
        definition = "CPACK_TRUST_INSTALLER_SIGN_PFX=" + pfx
        failed = os.path.join(self.folder, "wrong password")
        result = self.package(failed, definition, SIGN_PASSWORD="wrong")
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("Signing the packaged programs failed", result.stdout + result.stderr)
        self.assertFalse(os.path.exists(os.path.join(failed, self.NAME % ARGS.version)))

        signed = os.path.join(self.folder, "signed")
        result = self.package(signed, definition, SIGN_PASSWORD=SIGNING_PASSWORD)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        with zipfile.ZipFile(os.path.join(signed, self.NAME % ARGS.version)) as archive:
            for exe in ("trust-installer.exe", "trust-check.exe"):
                path = archive.extract(exe, os.path.join(self.folder, "unpacked"))
                verified = verify_signature(cert, path)
                self.assertEqual(verified.returncode, 0, exe + verified.stdout + verified.stderr)
        # The build folder keeps its programs as they were built.
        for built in (ARGS.installer, ARGS.check):
            self.assertNotEqual(verify_signature(cert, built).returncode, 0)


class VersionResourceTest(unittest.TestCase):
    @staticmethod
    def manifest_of(pe):
        """The text of the executable's manifest (resource type 24, RT_MANIFEST)."""
        for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
            if kind.id == 24:
                data = kind.directory.entries[0].directory.entries[0].data.struct
                return pe.get_data(data.OffsetToData, data.Size).decode("utf-8")
        return ""

    def test_both_executables_carry_the_project_version_and_ask_for_no_elevation(self):
        import pefile  # Debian's python3-pefile

        major, minor, patch = (int(part) for part in ARGS.version.split("."))
        for path, name in ((ARGS.installer, "trust-installer.exe"), (ARGS.check, "trust-check.exe")):
            with self.subTest(name):
                pe = pefile.PE(path, fast_load=False)
                strings = {}
                for info in getattr(pe, "FileInfo", []):
                    for block in info:
                        for table in getattr(block, "StringTable", []):
                            strings.update(
                                {k.decode(): v.decode() for k, v in table.entries.items()}
                            )
                self.assertEqual(strings.get("FileVersion"), ARGS.version)
                self.assertEqual(strings.get("ProductVersion"), ARGS.version)
                self.assertEqual(strings.get("OriginalFilename"), name)
                self.assertEqual(strings.get("ProductName"), "trust-installer")
                self.assertGreater(len(strings.get("FileDescription", "")), 20)
                manifest = self.manifest_of(pe)
                self.assertIn('level="asInvoker"', manifest)
                self.assertIn('version="%d.%d.%d.0"' % (major, minor, patch), manifest)
                fixed = pe.VS_FIXEDFILEINFO[0]
                self.assertEqual(
                    (fixed.FileVersionMS, fixed.FileVersionLS),
                    ((major << 16) | minor, patch << 16),
                )
                self.assertEqual(
                    (fixed.ProductVersionMS, fixed.ProductVersionLS),
                    ((major << 16) | minor, patch << 16),
                )


class CertificateFolderTest(TempFolderTest):
    def check_folder(self, folder):
        return run(
            [
                ARGS.cmake,
                "-DCERTIFICATE_FOLDER=" + folder,
                "-DOPENSSL=" + shutil.which("openssl"),
                "-P",
                os.path.join(ARGS.source_dir, "packaging", "CertificateFolder.cmake"),
            ]
        )

    def test_folder_is_accepted_only_with_every_certificate(self):
        def pem(folder):
            source = os.path.join(ARGS.cert_dir, "NorvESealCAG2.crt")
            target = os.path.join(folder, "NorvESealCAG2.crt")
            os.remove(target)
            subprocess.run(
                ["openssl", "x509", "-inform", "DER", "-in", source, "-out", target], check=True
            )

        def write(name, content):
            def change(folder):
                with open(os.path.join(folder, name), "wb") as f:
                    f.write(content)

            return change

        cases = [
            ("the given folder", lambda folder: None, None),
            ("a certificate in PEM form", pem, None),
            (
                "two files missing",
                lambda folder: [os.remove(os.path.join(folder, n)) for n in CERTIFICATE_NAMES[2:4]],
                "missing: NorvESealCA.crt, NorvSigningCAG2.crt",
            ),
            ("a text file", write("TimeStampingCA2.crt", b"not a certificate\n"),
             "not a certificate: TimeStampingCA2.crt"),
            ("an empty file", write("NorvSigningCA.crt", b""), "not a certificate: NorvSigningCA.crt"),
            (
                "a folder in place of a file",
                lambda folder: (
                    os.remove(os.path.join(folder, "NorvTrustRootCAG2.crt")),
                    os.mkdir(os.path.join(folder, "NorvTrustRootCAG2.crt")),
                ),
                "missing: NorvTrustRootCAG2.crt",
            ),
        ]
        for what, change, message in cases:
            with self.subTest(what):
                folder = os.path.join(self.folder, "certs Ünï " + str(len(os.listdir(self.folder))))
                shutil.copytree(ARGS.cert_dir, folder)
                change(folder)
                result = self.check_folder(folder)
                if message is None:
                    self.assertEqual(result.returncode, 0, result.stderr)
                else:
                    self.assertNotEqual(result.returncode, 0)
                    self.assertIn(message, " ".join(result.stderr.split()))


class SigningTest(TempFolderTest):
    def setUp(self):
        super().setUp()
        self.cert, self.pfx = make_signing_certificate(self.folder)
        self.copies = []
        for exe in (ARGS.installer, ARGS.check):
            copy = os.path.join(self.folder, os.path.basename(exe))
            shutil.copyfile(exe, copy)
            self.copies.append(copy)

    def sign(self, arguments, **env):
        return run([os.path.join(ARGS.source_dir, "scripts", "sign")] + arguments,
                   environment_with(**env))

    def verify(self, path):
        return verify_signature(self.cert, path)

    def test_signed_copies_verify_and_signing_again_replaces_the_signature(self):
        for attempt in ("first", "again"):
            with self.subTest(attempt):
                result = self.sign([self.pfx] + self.copies, SIGN_PASSWORD=SIGNING_PASSWORD)
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                self.assertEqual(result.stdout, "".join("signed %s\n" % c for c in self.copies))
                for copy in self.copies:
                    verified = self.verify(copy)
                    self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)
                    self.assertIn("Number of verified signatures: 1", verified.stdout)
                    self.assertNotIn(SIGNING_PASSWORD, result.stdout + result.stderr)
        self.assertEqual(sorted(os.listdir(self.folder)),
                         sorted(["key.pem", "cert.pem", "signing.pfx", "trust-installer.exe",
                                 "trust-check.exe"]))

    def test_bad_calls_give_a_message_and_leave_every_file_as_it_was(self):
        missing = os.path.join(self.folder, "missing.exe")
        cases = [
            ("no file named", [self.pfx], {}, 2, "usage: scripts/sign PFX FILE..."),
            ("no PFX", [missing + ".pfx"] + self.copies, {}, 1,
             "sign: certificate file not found: " + missing + ".pfx"),
            ("a file missing after one present", [self.pfx] + self.copies + [missing],
             {"SIGN_PASSWORD": SIGNING_PASSWORD}, 1, "sign: file to sign not found: " + missing),
            ("wrong password", [self.pfx] + self.copies, {"SIGN_PASSWORD": "wrong"}, 1,
             "sign: could not sign " + self.copies[0]),
            ("no password", [self.pfx] + self.copies, {}, 1, "sign: could not sign"),
            ("timestamp server that does not answer", [self.pfx] + self.copies,
             {"SIGN_PASSWORD": SIGNING_PASSWORD, "SIGN_TIMESTAMP_URL": "http://127.0.0.1:9/"}, 1,
             "sign: could not sign " + self.copies[0]),
        ]
        before = {copy: digest(copy) for copy in self.copies}
        for what, arguments, env, code, message in cases:
            with self.subTest(what):
                result = self.sign(arguments, **env)
                self.assertEqual(result.returncode, code, result.stderr)
                self.assertIn(message, result.stderr)
                self.assertEqual({copy: digest(copy) for copy in self.copies}, before)
                self.assertFalse(any(name.endswith(".signing") for name in os.listdir(self.folder)))


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    for option in ("version", "installer", "check", "cpack-config", "cert-dir", "source-dir",
                   "cmake", "cpack"):
        parser.add_argument("--" + option, required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], "-v"] + rest)


if __name__ == "__main__":
    main()
