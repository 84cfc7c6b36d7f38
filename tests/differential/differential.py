#!/usr/bin/env python3
"""Differential test: every output path of ztmigrate must agree on the same
records.

For each seed a random checkpoint is generated (random_checkpoint), in a
single file, gzip-compressed and as a parallel directory, and run through
every path with the same translation options. The outputs are parsed record
by record and compared:

  -o            against -O (the table files joined in table order), and
                every -o against every other -o byte for byte: plain and
                .gz input, single file and parallel directory input,
                --threads 1, 2, 3 and 8 (whose .gz outputs are also equal)
  -s -o         against -s -O and against the generator's expected records
  -j            against the difference of the input and the -o output
  every path    records in = records out per table, the skipped count, the
                exit status, the conflict map and report, standard format

usage: differential.py --zt BIN --gen GEN (--seeds 1,2,3 | --seed-range A B)
                       [--work DIR] [--save DIR] [--keep]
Exit status 0 when every seed agrees; otherwise the failures are printed and,
with --save, each failing seed's input is copied there.
"""
import argparse
import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile


class Mismatch(Exception):
    pass


def parse(data):
    """Journal text in standard format -> list of records (lists of bytes).
    Raises Mismatch when the text is not in standard format."""
    records, rec, i, n = [], [], 0, len(data)
    while i < n:
        c = data[i:i + 1]
        if c == b"\n":
            records.append(rec)
            rec = []
            i += 1
        elif c == b" ":
            i += 1
        elif c == b"@":
            buf, j = bytearray(), i + 1
            while True:
                k = data.find(b"@", j)
                if k < 0:
                    raise Mismatch("unterminated quoted field at byte %d" % i)
                buf += data[j:k]
                if data[k + 1:k + 2] == b"@":
                    buf += b"@"
                    j = k + 2
                else:
                    i = k + 1
                    break
            rec.append(bytes(buf))
        else:
            m = re.compile(rb"[^ \n]*").match(data, i)
            rec.append(m.group(0))
            i = m.end()
    if rec:
        raise Mismatch("last record has no newline")
    return records


def field_text(f):
    bare = (1 <= len(f) <= 32 and f.isdigit()) or (
        len(f) == 32 and all(chr(b) in "0123456789abcdefABCDEF" for b in f))
    return f if bare else b"@" + f.replace(b"@", b"@@") + b"@"


def standard(records):
    return b"".join(b"".join(field_text(f) + b" " for f in r) + b"\n" for r in records)


def read_records(path):
    with open(path, "rb") as fh:
        data = fh.read()
    if path.endswith(".gz"):
        data = gzip.decompress(data)
    recs = parse(data)
    if standard(recs) != data:
        raise Mismatch("%s is not in standard format" % os.path.basename(path))
    return recs


def data_of(recs):
    return [r for r in recs if r[0] != b"nx"]


def notes_of(recs):
    return [r for r in recs if r[0] == b"nx"]


def by_table(recs):
    """The records grouped by table in ascending table-name order, each
    table's records in their own order: what -O writes, file after file
    (every spelling of a table in the file of its lower-case name)."""
    tables = {}
    for r in recs:
        tables.setdefault(r[2].lower(), []).append(r)
    return [r for t in sorted(tables) for r in tables[t]]


def reader_order(name):
    """The order in which the directory reader takes a table file."""
    name = name[:-3] if name.endswith(".gz") else name
    name = name[:-4] if name.endswith(".ckp") else name
    part = 0
    m = re.match(r"(.*)#([0-9A-Fa-f]{8})$", name)
    if m:
        name, part = m.group(1), int(m.group(2), 16)
    groups = ["db.config", "db.counters", "db.group", "db.groupx", "db.depot", "db.domain"]
    key = name.split("%")[0]
    return (groups.index(key) if key in groups else 100, name.encode(), part)


def counts(recs):
    c = {}
    for r in recs:
        c[r[2].lower()] = c.get(r[2].lower(), 0) + 1
    return c


def read_dir(path, parts=False):
    """A -O directory: its files in table order, each parsed. Without parts
    every file must be one table's "<table>.ckp"."""
    names = sorted(os.listdir(path), key=lambda n: n[:-len(".ckp")].encode())
    stray = [n for n in names if not n.endswith(".ckp") or ("#" in n and not parts)]
    if stray:
        raise Mismatch("%s holds other files: %s" % (path, stray))
    return [(n, read_records(os.path.join(path, n))) for n in names]


def joined_data(tables):
    return [r for _, recs in tables for r in data_of(recs)]


def check_dir_against(tables, single, what):
    """A -O directory against the -o records of the same run."""
    expect_notes = notes_of(single)
    data = data_of(single)
    if joined_data(tables) != by_table(data):
        raise Mismatch("%s: table files joined in table order differ from -o" % what)
    want = counts(data)
    for name, recs in tables:
        table = name[:-len(".ckp")].encode()
        got = data_of(recs)
        if any(r[2].lower() != table for r in got):
            raise Mismatch("%s: %s holds records of another table" % (what, name))
        if len(got) != want.get(table, 0):
            raise Mismatch("%s: %s holds %d records, -o %d" % (what, name, len(got), want.get(table, 0)))
        notes = notes_of(recs)
        if not expect_notes:
            if notes:
                raise Mismatch("%s: %s has notes, -o has none" % (what, name))
            continue
        if len(notes) != 2 or recs[0] is not notes[0] or recs[-1] is not notes[1]:
            raise Mismatch("%s: %s lacks its header or trailer" % (what, name))
        header, trailer = list(notes[0]), list(notes[1])
        if header[11] != table or trailer[9] != table:
            raise Mismatch("%s: %s notes do not name the table" % (what, name))
        header[11] = expect_notes[0][11]
        trailer[9] = expect_notes[-1][9]
        if header != expect_notes[0] or trailer != expect_notes[-1]:
            raise Mismatch("%s: %s notes differ from -o's" % (what, name))
    if len(tables) != len(want):
        raise Mismatch("%s: %d table files for %d tables" % (what, len(tables), len(want)))


def read_meta(path):
    meta = {}
    with open(path) as fh:
        for line in fh:
            k, v = line.split()
            meta[k] = int(v)
    return meta


class Case:
    def __init__(self, zt, work, seed):
        self.zt, self.work, self.seed = zt, work, seed
        self.runs = []

    def run(self, *args, stdin=None):
        proc = subprocess.run([self.zt] + list(args), cwd=self.work, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        self.runs.append((args, proc.returncode))
        return proc

    def path(self, name):
        return os.path.join(self.work, name)

    def fresh(self, name):
        """An output name that exists nowhere yet."""
        assert not os.path.exists(self.path(name)), name
        return name

    def read(self, name):
        with open(self.path(name), "rb") as fh:
            return fh.read()


def skipped_warnings(stderr):
    m = re.search(rb"(\d+) corrupt records? (?:was|were) skipped", stderr)
    return int(m.group(1)) if m else 0


def options_for(seed):
    """The translation of the seed's runs: a map, a policy or both."""
    choices = [["-t", "map0.txt"], ["-p", "lower"], ["-p", "upper"], ["-p", "mixed"],
               ["-t", "map0.txt", "-p", "lower", "--yes"], ["-t", "map0.txt", "-C1"]]
    return choices[seed % len(choices)]


def check_corrupt(c, meta):
    """A checkpoint with corrupt records: every path reads the same records,
    skips the same ones, fails alike and writes no output (it would lack
    the rows skipped)."""
    runs = [("-c", ["-c", "c1.txt", "in.ckp"], "c1.txt"),
            ("-o", ["-p", "lower", "-o", "o1.ckp", "in.ckp"], "o1.ckp"),
            ("-o .gz input", ["-p", "lower", "-o", "o2.ckp", "in.ckp.gz"], "o2.ckp"),
            ("-o directory input", ["-p", "lower", "-o", "o3.ckp", "par"], "o3.ckp"),
            ("-o --threads 1", ["--threads", "1", "-p", "lower", "-o", "o4.ckp.gz", "in.ckp"], "o4.ckp.gz"),
            ("-O", ["-p", "lower", "-O", "o5", "in.ckp"], "o5"),
            ("-O directory input", ["--threads", "3", "-p", "lower", "-O", "o6", "par"], "o6"),
            ("-j", ["-j", "-p", "lower", "-o", "o7.jnl", "in.ckp"], "o7.jnl"),
            ("--report", ["--report", "o8.csv", "par"], "o8.csv")]
    for what, args, output in runs:
        p = c.run(*args[:-2], c.fresh(args[-2]), args[-1])
        if p.returncode != 255:
            raise Mismatch("%s: status %d with corrupt records" % (what, p.returncode))
        if skipped_warnings(p.stderr) != meta["skipped"]:
            raise Mismatch("%s: %d records skipped, %d corrupt" % (what, skipped_warnings(p.stderr), meta["skipped"]))
        if os.path.exists(c.path(output)):
            raise Mismatch("%s: output written although records were skipped" % what)
    left = [n for n in os.listdir(c.work) if ".ztmigrate-" in n]
    if left:
        raise Mismatch("temporaries left: %s" % left)


def check_seed(zt, gen, work, seed):
    c = Case(zt, work, seed)
    subprocess.run([gen, str(seed), work], check=True)
    meta = read_meta(c.path("meta"))
    with open(c.path("in.ckp"), "rb") as src, gzip.open(c.path("in.ckp.gz"), "wb", 6) as dst:
        shutil.copyfileobj(src, dst)
    expected = read_records(c.path("expected.ckp"))
    if len(expected) != meta["records"]:
        raise Mismatch("generator wrote %d expected records, meta says %d" % (len(expected), meta["records"]))
    inputs = {n: c.read(n) for n in ("in.ckp", "in.ckp.gz")}

    # Standard conversion of either input form, to a file or (from the
    # directory) to a directory. A conversion that skipped records writes
    # nothing, whatever the path.
    conv = {}
    for what, args, output in (("-s -o", ["-s", "-o", "s_f.ckp", "in.ckp"], "s_f.ckp"),
                               ("-s -o directory input", ["-s", "-o", "s_d.ckp", "par"], "s_d.ckp"),
                               ("-s -O", ["-s", "-O", "s_dir", "par"], "s_dir")):
        c.fresh(output)
        p = c.run(*args)
        conv[what] = p.returncode
        written = os.path.exists(c.path(output))
        if output == "s_dir" and written:
            # Converted file by file: a table file with a corrupt record is
            # not written, the others are.
            names = set(n[:-3] if n.endswith(".gz") else n for n in os.listdir(c.path("par")))
            if not set(os.listdir(c.path(output))) <= names:
                raise Mismatch("%s: files the input does not have" % what)
            written = p.returncode == 0
        if written != (p.returncode == 0):
            raise Mismatch("%s: status %d, output %s" % (what, p.returncode, "written" if written else "absent"))
        if (p.returncode == 0) != (meta["skipped"] == 0):
            raise Mismatch("%s: status %d with %d corrupt records" % (what, p.returncode, meta["skipped"]))
        if not written:
            continue
        if output == "s_dir":
            got = joined_data(sorted(read_dir(c.path(output), parts=True), key=lambda f: reader_order(f[0])))
            if got != expected:
                raise Mismatch("%s: table files in the reader's order differ from the records read" % what)
        elif data_of(read_records(c.path(output))) != expected:
            raise Mismatch("%s: records differ from the generator's" % what)
    if conv["-s -o directory input"] == 0 and \
            data_of(read_records(c.path("s_f.ckp"))) != data_of(read_records(c.path("s_d.ckp"))):
        raise Mismatch("-s -o: directory input gives other records than the file")

    # The analysis gives the translation map of the runs that use one.
    a = c.run("-c", c.fresh("map0.txt"), "in.ckp")
    if skipped_warnings(a.stderr) != meta["skipped"]:
        raise Mismatch("analysis: %d records skipped, %d corrupt" % (skipped_warnings(a.stderr), meta["skipped"]))
    if meta["skipped"]:
        check_corrupt(c, meta)
        return len(c.runs)
    opts = options_for(seed)

    ref = c.run(*opts, "-c", c.fresh("c_ref.txt"), "--report", c.fresh("r_ref.csv"),
                "-o", c.fresh("ref.ckp"), "in.ckp")
    status = ref.returncode
    if status not in (0, 255):
        raise Mismatch("-o run ended with status %d: %s" % (status, ref.stderr.decode(errors="replace")))
    if skipped_warnings(ref.stderr) != meta["skipped"]:
        raise Mismatch("-o: %d records skipped, %d corrupt" % (skipped_warnings(ref.stderr), meta["skipped"]))
    out = read_records(c.path("ref.ckp"))
    data = data_of(out)
    if len(data) != len(expected):
        raise Mismatch("-o wrote %d records, %d read" % (len(data), len(expected)))
    for r, e in zip(data, expected):
        if r[:3] != e[:3] or len(r) != len(e):
            raise Mismatch("-o record changed shape: %r -> %r" % (e[:3], r[:3]))
    if counts(data) != counts(expected):
        raise Mismatch("-o: records per table differ from the input's")
    ref_bytes = c.read("ref.ckp")

    same_as_ref = [
        ("gz input", ["-c", "c_gz.txt", "-o", "gz.ckp", "in.ckp.gz"], "gz.ckp", "c_gz.txt"),
        ("directory input", ["-c", "c_dir.txt", "--report", "r_dir.csv", "-o", "dir.ckp", "par"],
         "dir.ckp", "c_dir.txt"),
        ("--threads 1", ["--threads", "1", "-o", "t1.ckp", "in.ckp"], "t1.ckp", None),
        ("--threads 1 directory", ["--threads", "1", "-o", "t1d.ckp", "par"], "t1d.ckp", None),
    ]
    for what, args, output, cmap in same_as_ref:
        for a in args:
            if a.endswith((".ckp", ".txt", ".csv")) and a != "in.ckp":
                c.fresh(a)
        p = c.run(*opts, *args)
        if p.returncode != status:
            raise Mismatch("%s: status %d, -o %d" % (what, p.returncode, status))
        if c.read(output) != ref_bytes:
            raise Mismatch("%s: output differs from -o of the plain file" % what)
        if cmap and c.read(cmap) != c.read("c_ref.txt"):
            raise Mismatch("%s: conflict map differs" % what)
    if c.read("r_dir.csv") != c.read("r_ref.csv"):
        raise Mismatch("directory input: conflict report differs")

    # Compressed output: the same bytes whatever the number of threads.
    gz = None
    for n in ("1", "2", "3", "8"):
        name = c.fresh("t%s.ckp.gz" % n)
        p = c.run(*opts, "--threads", n, "-o", name, "in.ckp")
        if p.returncode != status:
            raise Mismatch("--threads %s .gz: status %d, -o %d" % (n, p.returncode, status))
        if gzip.decompress(c.read(name)) != ref_bytes:
            raise Mismatch("--threads %s: .gz output differs from -o" % n)
        if gz is not None and c.read(name) != gz:
            raise Mismatch("--threads %s: .gz bytes differ from --threads 1" % n)
        gz = c.read(name)

    # Parallel output, from either input, on one and several threads.
    dirs = {}
    for what, args in (("-O", ["-c", "c_O.txt", "-O", "O_f", "in.ckp"]),
                       ("-O directory input", ["-O", "O_d", "par"]),
                       ("-O --threads 3", ["--threads", "3", "-O", "O_t3", "in.ckp"]),
                       ("-O --threads 1 directory input", ["--threads", "1", "-O", "O_t1d", "par"])):
        c.fresh(args[-2])
        p = c.run(*opts, *args)
        if p.returncode != status:
            raise Mismatch("%s: status %d, -o %d" % (what, p.returncode, status))
        dirs[what] = read_dir(c.path(args[-2]))
        check_dir_against(dirs[what], out, what)
    if c.read("c_O.txt") != c.read("c_ref.txt"):
        raise Mismatch("-O: conflict map differs from -o's")

    # Journal patch: a delete of the row as read and its new form, for each
    # row that changed, in input order.
    p = c.run(*opts, "-j", "-o", c.fresh("patch.jnl"), "in.ckp")
    if p.returncode != status:
        raise Mismatch("-j: status %d, -o %d" % (p.returncode, status))
    want = []
    for e, r in zip(expected, data):
        if e != r:
            want += [[b"dv"] + e[1:], r]
    got = read_records(c.path("patch.jnl"))
    if got != want:
        raise Mismatch("-j: %d patch records, %d expected from the difference of input and -o"
                       % (len(got), len(want)))

    for name, before in inputs.items():
        if c.read(name) != before:
            raise Mismatch("%s changed" % name)
    return len(c.runs)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--zt", required=True)
    ap.add_argument("--gen", required=True)
    ap.add_argument("--seeds")
    ap.add_argument("--seed-range", nargs=2, type=int)
    ap.add_argument("--work")
    ap.add_argument("--save")
    ap.add_argument("--keep", action="store_true")
    args = ap.parse_args()
    seeds = [int(s) for s in args.seeds.split(",")] if args.seeds else list(range(*args.seed_range))
    root = tempfile.mkdtemp(prefix="zt-diff.", dir=args.work)
    failed = 0
    runs = 0
    for seed in seeds:
        work = os.path.join(root, "seed-%d" % seed)
        try:
            runs += check_seed(os.path.abspath(args.zt), os.path.abspath(args.gen), work, seed)
        except (Mismatch, subprocess.SubprocessError, OSError, IndexError) as err:
            failed += 1
            print("seed %d: %s" % (seed, err))
            if args.save:
                dest = os.path.join(args.save, "seed-%d" % seed)
                shutil.rmtree(dest, ignore_errors=True)
                shutil.copytree(work, dest)
                print("  input saved in %s" % dest)
    if not args.keep:
        shutil.rmtree(root, ignore_errors=True)
    print("%d seeds, %d runs, %d failed" % (len(seeds), runs, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
