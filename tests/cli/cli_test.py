"""varnolt-patch run as a process on small files, with the expected bytes spelled out.

CTest passes the program's path in VARNOLT_PATCH and runs each TestCase class as
its own test, in a UTF-8 locale.
"""
import json
import os
import subprocess
import tempfile
import unittest

PROGRAM = os.environ.get("VARNOLT_PATCH", "varnolt-patch")


def run(*args, locale=None):
    env = dict(os.environ, LC_ALL=locale) if locale else None
    return subprocess.run([PROGRAM, *args], capture_output=True, timeout=60, env=env)


class FileCase(unittest.TestCase):
    def setUp(self):
        self._dir = tempfile.TemporaryDirectory()
        self.dir = self._dir.name

    def tearDown(self):
        self._dir.cleanup()

    def fixture(self, data, name="in.bin"):
        path = os.path.join(self.dir, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def content(self, path):
        with open(path, "rb") as f:
            return f.read()

    def lines(self, result):
        return result.stdout.decode("utf-8").splitlines()


class FindTest(FileCase):
    # Two GBK hits; the second's before span holds a zero byte, its after span a tab.
    GBK_FILE = b"xx\xd6\xd0\xce\xc4yy\x00zz\xd6\xd0\xce\xc4\tq"

    def test_rows_as_the_window_lists_them(self):
        r = run("find", self.fixture(self.GBK_FILE), "中文")
        self.assertEqual(r.returncode, 0, r.stderr)
        # The window's cells stop at a zero byte; the tab is escaped to keep one row a line.
        self.assertEqual(self.lines(r), ["1\txx\t中文\tyy\t3", "2\tx中文yy\t中文\t\\tq\t12"])

    def test_context_lengths(self):
        path = self.fixture(b"0123456789abc0123456789")
        cases = [
            (["--before", "0", "--after", "0"], ["1\t\tabc\t\t11"]),
            (["--before=3", "--after=2"], ["1\t789\tabc\t01\t11"]),
            # Spans stop at the file's ends rather than failing.
            (["--before", "4096", "--after", "4096"], ["1\t0123456789\tabc\t0123456789\t11"]),
        ]
        for options, expected in cases:
            with self.subTest(options=options):
                r = run("find", path, "abc", *options)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(self.lines(r), expected)

    def test_overlapping_hits_and_row_limits(self):
        cases = [
            (b"aaaa", [], [1, 2, 3]),
            (b"a" * 1601, [], list(range(1, 1001))),  # 1000 rows by default, as the window
            (b"a" * 1601, ["--max", "2"], [1, 2]),
            (b"a" * 1601, ["--max", "1200"], list(range(1, 1201))),
            (b"a" * 1601, ["--all"], list(range(1, 1601))),
        ]
        for data, options, positions in cases:
            with self.subTest(size=len(data), options=options):
                r = run("find", self.fixture(data), "aa", "--before", "0", "--after", "0", *options)
                self.assertEqual(r.returncode, 0, r.stderr)
                rows = [line.split("\t") for line in self.lines(r)]
                self.assertEqual([int(row[4]) for row in rows], positions)
                self.assertEqual([int(row[0]) for row in rows], list(range(1, len(positions) + 1)))

    def test_json_lines_parse_back_with_every_byte_in_hex(self):
        r = run("find", self.fixture(self.GBK_FILE), "中文", "--json")
        self.assertEqual(r.returncode, 0, r.stderr)
        rows = [json.loads(line) for line in self.lines(r)]
        self.assertEqual(rows, [
            {"number": 1, "position": 3, "before": "xx", "before_hex": "78 78",
             "found": "中文", "found_hex": "d6 d0 ce c4",
             "after": "yy", "after_hex": "79 79 00 7a 7a d6 d0 ce c4 09"},
            {"number": 2, "position": 12, "before": "x中文yy", "before_hex": "78 d6 d0 ce c4 79 79 00 7a 7a",
             "found": "中文", "found_hex": "d6 d0 ce c4",
             "after": "\tq", "after_hex": "09 71"},
        ])

    def test_undecodable_context_bytes(self):
        # 0xFF starts no GBK character: a cell shows the byte, JSON a replacement character.
        path = self.fixture(b"\xff\"\\k\x01")
        r = run("find", path, "k")
        self.assertEqual(self.lines(r), ['1\t\\xff"\\\\\tk\t\\x01\t4'])
        row = json.loads(run("find", path, "k", "--json").stdout)
        self.assertEqual((row["before"], row["before_hex"], row["after"]), ('\ufffd"\\', "ff 22 5c", "\x01"))

    def test_nothing_found(self):
        for data in [b"", b"abcab"]:
            with self.subTest(data=data):
                r = run("find", self.fixture(data), "abc_")
                self.assertEqual(r.returncode, 1)
                self.assertEqual(r.stdout, b"")
                self.assertIn(b"does not occur", r.stderr)


class EncodingTest(FileCase):
    # name, text, its bytes, replacement, the bytes written (zero-padded to the text's length)
    CASES = [
        ("gbk", "中文", b"\xd6\xd0\xce\xc4", "中", b"\xd6\xd0\x00\x00"),
        ("utf-8", "中文", b"\xe4\xb8\xad\xe6\x96\x87", "文", b"\xe6\x96\x87\x00\x00\x00"),
        ("utf-16le", "ab", b"a\x00b\x00", "z", b"z\x00\x00\x00"),
        ("utf-16be", "中a", b"\x4e\x2d\x00a", "文", b"\x65\x87\x00\x00"),
        ("big5", "中文", b"\xa4\xa4\xa4\xe5", "文中", b"\xa4\xe5\xa4\xa4"),
        ("shift-jis", "日本", b"\x93\xfa\x96\x7b", "本", b"\x96\x7b\x00\x00"),
        ("hex", "00 ff 10", b"\x00\xff\x10", "0102", b"\x01\x02\x00"),
    ]

    def test_find_and_replace_in_each_encoding(self):
        for name, text, encoded, replacement, written in self.CASES:
            with self.subTest(encoding=name):
                path = self.fixture(b"--" + encoded + b"-" + encoded)
                r = run("find", path, text, "--encoding", name, "--json")
                self.assertEqual(r.returncode, 0, r.stderr)
                rows = [json.loads(line) for line in self.lines(r)]
                self.assertEqual([row["position"] for row in rows], [3, 4 + len(encoded)])
                self.assertEqual({row["found_hex"] for row in rows}, {encoded.hex(" ")})

                r = run("replace", path, text, replacement, "--all", "--encoding", name)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(self.content(path), b"--" + written + b"-" + written)

    def test_characters_the_encoding_cannot_hold(self):
        path = self.fixture(b"abc")
        cases = [
            (["find", path, "😀"], "U+1F600"),                            # not in GBK
            (["find", path, "한", "--encoding", "big5"], "U+D55C"),
            (["replace", path, "abc", "€", "--at", "1", "--encoding", "shift-jis"], "U+20AC"),
            (["find", path, "4", "--encoding", "hex"], "pairs"),
            (["find", path, "4g", "--encoding", "hex"], "hex digit"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                r = run(*args)
                self.assertEqual(r.returncode, 2)
                self.assertIn(message, r.stderr.decode("utf-8"))
                self.assertEqual(self.content(path), b"abc")

    def test_plain_c_locale(self):
        # Under the C locale arguments are ASCII: Chinese text cannot be typed,
        # but hex and ASCII still work, and cells show what ASCII cannot hold.
        path = self.fixture(b"\xd6\xd0k")
        r = run("find", path, "中", locale="C")
        self.assertEqual(r.returncode, 2)
        self.assertIn(b"locale", r.stderr)
        r = run("find", path, "k", locale="C")
        self.assertEqual((r.returncode, r.stdout), (0, b"1\t\\u{4e2d}\tk\t\t3\n"))
        r = run("replace", path, "d6 d0", "41", "--at", "1", "--encoding", "hex", locale="C")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(self.content(path), b"A\x00k")

    def test_arguments_not_in_the_locale_encoding(self):
        # A lone 0xFF is no UTF-8: the text cannot be known, so nothing is searched.
        r = subprocess.run([PROGRAM.encode(), b"find", self.fixture(b"\xff").encode(), b"\xff"],
                           capture_output=True, timeout=60)
        self.assertEqual(r.returncode, 2)
        self.assertIn(b"locale", r.stderr)


class ReplaceTest(FileCase):
    def test_chosen_places(self):
        data = b"abcXabcXabcXabc"
        cases = [
            (["--all"], b"XYZXXYZXXYZXXYZ"),
            (["--hits", "1,3"], b"XYZXabcXXYZXabc"),
            (["--hits", "4", "--hits", "2"], b"abcXXYZXabcXXYZ"),
            (["--at", "5,13"], b"abcXXYZXabcXXYZ"),
            (["--at=1,1"], b"XYZXabcXabcXabc"),
        ]
        for options, expected in cases:
            with self.subTest(options=options):
                path = self.fixture(data)
                r = run("replace", path, "abc", "XYZ", *options)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(self.content(path), expected)
                written = expected.count(b"XYZ")
                self.assertEqual(r.stdout.decode(), f"wrote {written} place{'s' if written > 1 else ''} to {path}\n")

    def test_overlapping_places_lower_one_wins(self):
        cases = [("bc", b"bccc"), ("b", b"b\x00\x00\x00")]
        for replacement, expected in cases:
            with self.subTest(replacement=replacement):
                path = self.fixture(b"aaaa")
                self.assertEqual(run("replace", path, "aa", replacement, "--all").returncode, 0)
                self.assertEqual(self.content(path), expected)

    def test_output_file_leaves_the_input_alone(self):
        path = self.fixture(b"one two one")
        out = os.path.join(self.dir, "out.bin")
        r = run("replace", path, "one", "1", "--all", "-o", out)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(self.content(path), b"one two one")
        self.assertEqual(self.content(out), b"1\x00\x00 two 1\x00\x00")

    def test_dry_run_changes_nothing(self):
        path = self.fixture(b"one two one")
        before = os.stat(path)
        out = os.path.join(self.dir, "out.bin")
        for extra in [[], ["-o", out]]:
            with self.subTest(extra=extra):
                r = run("replace", path, "one", "1", "--all", "--dry-run", *extra)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(self.lines(r)[:2], ["1\t6f 6e 65\t31 00 00", "9\t6f 6e 65\t31 00 00"])
                self.assertIn("would write 2 places", self.lines(r)[2])
                self.assertEqual(self.content(path), b"one two one")
                self.assertEqual(os.stat(path).st_mtime_ns, before.st_mtime_ns)
                self.assertFalse(os.path.exists(out))
        self.assertEqual(sorted(os.listdir(self.dir)), ["in.bin"])

    def test_places_that_hold_no_occurrence_write_nothing(self):
        data = b"abcXabc"
        cases = [
            ["--hits", "1,3"],   # only two occurrences
            ["--at", "1,4"],     # position 4 holds "Xab"
            ["--at", "6"],       # would run past the end
            ["--all"],
        ]
        for options in cases:
            with self.subTest(options=options):
                path = self.fixture(data)
                text = "abd" if options == ["--all"] else "abc"
                r = run("replace", path, text, "x", *options)
                self.assertEqual(r.returncode, 1)
                self.assertEqual(self.content(path), data)
                self.assertEqual(sorted(os.listdir(self.dir)), ["in.bin"])

    def test_replacement_longer_than_the_text(self):
        for text, replacement in [("ab", "abc"), ("a", "中")]:  # "中" is two bytes in GBK
            with self.subTest(replacement=replacement):
                path = self.fixture(b"abc")
                r = run("replace", path, text, replacement, "--all")
                self.assertEqual(r.returncode, 2)
                self.assertIn(b"longer", r.stderr)
                self.assertEqual(self.content(path), b"abc")


class StatusTest(FileCase):
    def test_usage_errors(self):
        path = self.fixture(b"abc")
        cases = [
            [],
            ["patch", path, "a"],
            ["find", path],
            ["find", path, "a", "extra"],
            ["find", path, ""],
            ["find", path, "a", "--bogus"],
            ["find", "--bogus", path, "a"],
            ["find", path, "a", "--before"],
            ["find", path, "a", "--before", "-1"],
            ["find", path, "a", "--after", "4097"],  # the window's cells hold at most 4096 bytes
            ["find", path, "a", "--after", "x"],
            ["find", path, "a", "--max", "0"],
            ["find", path, "a", "--max", "5", "--all"],
            ["find", path, "a", "--json=yes"],
            ["find", path, "a", "--encoding", "latin-1"],
            ["find", path, "a", "-o", "out"],
            ["replace", path, "a", "b"],
            ["replace", path, "a", "", "--all"],
            ["replace", path, "a", "b", "--all", "--hits", "1"],
            ["replace", path, "a", "b", "--hits", "0"],
            ["replace", path, "a", "b", "--at", "1,,2"],
            ["replace", path, "a", "b", "--all", "--json"],
        ]
        for args in cases:
            with self.subTest(args=args):
                r = run(*args)
                self.assertEqual(r.returncode, 2, r.stderr)
                self.assertEqual(r.stdout, b"")
                self.assertTrue(r.stderr.startswith(b"varnolt-patch: "), r.stderr)
        self.assertEqual(self.content(path), b"abc")

    def sparse(self, size):
        path = os.path.join(self.dir, "huge.bin")
        with open(path, "wb") as f:
            f.truncate(size)
        return path

    def test_file_errors(self):
        path = self.fixture(b"abc")
        cases = [
            (["find", os.path.join(self.dir, "missing"), "a"], b"No such file"),
            (["find", self.dir, "a"], b"folder"),
            (["find", self.sparse(2**31), "a"], b"2 GiB"),
            (["replace", path, "a", "b", "--all", "-o", os.path.join(self.dir, "no", "out")], b"cannot write"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                r = run(*args)
                self.assertEqual(r.returncode, 3)
                self.assertIn(message, r.stderr)
        self.assertEqual(self.content(path), b"abc")

    @unittest.skipUnless(os.path.exists("/dev/full"), "needs /dev/full")
    def test_output_that_cannot_be_written(self):
        with open("/dev/full", "wb") as full:
            r = subprocess.run([PROGRAM, "find", self.fixture(b"abc"), "b"], stdout=full, stderr=subprocess.PIPE,
                               timeout=60)
        self.assertEqual(r.returncode, 3)
        self.assertIn(b"cannot write the output", r.stderr)

    def test_help_and_version(self):
        for args in [["--help"], ["find", "-h"], ["replace", "x", "--help"]]:
            with self.subTest(args=args):
                r = run(*args)
                self.assertEqual(r.returncode, 0)
                self.assertIn(b"Exit status", r.stdout)
        r = run("--version")
        self.assertEqual(r.returncode, 0)
        self.assertRegex(r.stdout.decode(), r"^varnolt-patch \d+\.\d+\.\d+\n$")

    def test_text_starting_with_a_dash(self):
        r = run("find", self.fixture(b"x--y"), "--", "--")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(self.lines(r), ["1\tx\t--\ty\t2"])


if __name__ == "__main__":
    unittest.main()
