#!/usr/bin/env python3
"""Writes a synthetic checkpoint of about SIZE megabytes in standard format.

Usage: gen_checkpoint.py OUTPUT SIZE_MB [SEED]

The mix resembles a real server: revision, have, integration and working
records with depot paths, digests and dates, plus change descriptions that
span lines and hold "@" signs. Deterministic for a given seed.
"""
import random
import sys


def q(text):
    return "@" + text.replace("@", "@@") + "@ "


def main():
    out_name, size_mb = sys.argv[1], float(sys.argv[2])
    rnd = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)
    target = int(size_mb * 1024 * 1024)
    dirs = ["src", "Src", "lib", "doc", "test", "Main", "release", "tools", "include"]
    exts = [".c", ".h", ".txt", ".cc", ".py", ".md", ".xml"]
    words = ("fix the build add feature refactor update docs for release merge "
             "from main branch user@example.com review comment").split()
    written = 0
    chunk = []
    head = q("nx") + "0 " + q("db.journal") + " ".join(["0"] * 11) + " \n"
    with open(out_name, "w", encoding="latin-1", newline="") as f:
        f.write(head)
        written += len(head)
        n = 0
        while written < target:
            n += 1
            path = "//depot/%s/%s/file%d%s" % (rnd.choice(dirs), rnd.choice(dirs),
                                               rnd.randrange(100000), rnd.choice(exts))
            digest = "%032X" % rnd.getrandbits(128)
            kind = n % 10
            if kind < 5:
                rec = (q("pv") + "9 " + q("db.rev") + q(path) + "%d " % rnd.randrange(1, 50)
                       + "%d " % rnd.choice([0, 1, 2, 3, 4099]) + "%d " % rnd.randrange(8)
                       + "%d " % rnd.randrange(1, 900000) + "%d " % (1500000000 + n)
                       + "%d " % (1400000000 + n) + digest + " "
                       + "%d " % rnd.randrange(1, 10 ** 7) + "0 0 " + q(path)
                       + q("1.%d" % rnd.randrange(1, 900000)) + "%d \n" % rnd.choice([0, 1, 3]))
            elif kind < 8:
                rec = (q("pv") + "3 " + q("db.have") + q("//client%d/%s" % (n % 97, path[8:]))
                       + q(path) + "%d " % rnd.randrange(1, 50) + "0 " + "%d \n" % (1500000000 + n))
            elif kind == 8:
                rec = (q("pv") + "1 " + q("db.integed") + q(path) + q(path.replace("main", "rel"))
                       + "0 1 0 1 %d " % rnd.randrange(8) + "%d \n" % rnd.randrange(1, 900000))
            else:
                lines = [" ".join(rnd.choice(words) for _ in range(rnd.randrange(3, 15)))
                         for _ in range(rnd.randrange(1, 6))]
                rec = (q("pv") + "0 " + q("db.desc") + "%d " % n + q("\r\n".join(lines) + "\n")
                       + "\n")
            chunk.append(rec)
            written += len(rec)
            if len(chunk) >= 4096:
                f.write("".join(chunk))
                chunk = []
        f.write("".join(chunk))


if __name__ == "__main__":
    main()
