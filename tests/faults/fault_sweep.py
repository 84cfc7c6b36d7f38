#!/usr/bin/env python3
"""Fault sweep: every output path of ztmigrate run with its 1st, 2nd, ...
write, fsync, rename, open and read failing (the fault injector of
tests/support/fault_inject.c, loaded with LD_PRELOAD), and the archive
rename also killed at its 1st, 2nd, ... move, each until a run meets no
fault. Every faulted run must

  - exit non-zero,
  - leave no temporary file,
  - leave every input byte-identical,
  - leave each output absent or complete (equal to a fault-free run's),
  - for -R, leave a tree that --undo restores exactly.

usage: fault_sweep.py --zt BIN --shim SHIM --source TREE [--gen GEN]
                      [--short] [--only NAME,...] [--work DIR]
--short sweeps the bundled example only, one errno; without it a larger
generated checkpoint (with --gen), persistent faults and EIO are swept too.
Exit status 0 when no run broke a rule; each broken rule is printed.
"""
import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile

TEMPORARY = re.compile(r"\.ztmigrate-[A-Za-z0-9]{6}")
OPS = ("write", "fsync", "rename", "open", "read")


def snapshot(path):
    """Every file and directory under path: relative name -> content hash
    (None for a directory)."""
    snap = {}
    if os.path.isfile(path):
        with open(path, "rb") as fh:
            return {".": hashlib.sha256(fh.read()).hexdigest()}
    for dirpath, dirnames, filenames in os.walk(path):
        rel = os.path.relpath(dirpath, path)
        snap[rel] = None
        for f in filenames:
            with open(os.path.join(dirpath, f), "rb") as fh:
                snap[os.path.join(rel, f)] = hashlib.sha256(fh.read()).hexdigest()
    return snap


class Scenario:
    """One command line: its inputs (copied into each run's fresh
    directory), its arguments (W stands for that directory) and its
    outputs."""

    def __init__(self, name, args, outputs, inputs, rename=False):
        self.name, self.args, self.outputs, self.inputs, self.rename = name, args, outputs, inputs, rename


def scenarios(big):
    ckp = "big.ckp" if big else "in.ckp"
    mp = "big.map" if big else "edited.map"
    ins = [ckp, mp]
    s = [
        Scenario("-o", ["-t", "W/" + mp, "-o", "W/out.ckp", "W/" + ckp], ["out.ckp"], ins),
        Scenario("-o .gz", ["-t", "W/" + mp, "-o", "W/out.ckp.gz", "W/" + ckp], ["out.ckp.gz"], ins),
        Scenario("-O", ["-t", "W/" + mp, "-O", "W/outdir", "W/" + ckp], ["outdir"], ins),
        Scenario("-c", ["-t", "W/" + mp, "-c", "W/conflicts.map", "W/" + ckp], ["conflicts.map"], ins),
        Scenario("--report", ["--report", "W/report.csv", "W/" + ckp], ["report.csv"], [ckp]),
        Scenario("-j", ["-j", "-t", "W/" + mp, "-o", "W/patch.jnl", "W/" + ckp], ["patch.jnl"], ins),
    ]
    if not big:
        # The journal has a directory of its own: a run looks for the
        # journal it follows among the files beside it, a lookup that may
        # pass over a file it cannot read without harm.
        s.append(Scenario("-R", ["-R", "-r", "W/ztroot", "--undo-log", "W/journals/undo.log",
                                 "W/edited.ckp"],
                          ["journals/undo.log"], ["edited.ckp"], rename=True))
    return s


class Sweep:
    def __init__(self, args):
        self.zt = os.path.abspath(args.zt)
        self.shim = os.path.abspath(args.shim)
        self.root = tempfile.mkdtemp(prefix="zt-faults.", dir=args.work)
        self.source = os.path.join(self.root, "source")
        self.problems = []
        self.runs = 0
        self.keep = args.keep
        src = os.path.abspath(args.source)
        os.mkdir(self.source)
        shutil.copy(os.path.join(src, "examples/checkpoint.ckp"), os.path.join(self.source, "in.ckp"))
        shutil.copy(os.path.join(src, "examples/edited.map"), os.path.join(self.source, "edited.map"))
        shutil.copy(os.path.join(src, "tests/golden/cases/example_cycle_translate/expected_edited.ckp"),
                    os.path.join(self.source, "edited.ckp"))
        shutil.copytree(os.path.join(src, "examples/ztroot"), os.path.join(self.source, "ztroot"))
        if args.gen:
            # A checkpoint of a few MB: several read buffers, several
            # compressed blocks, many writes; its own analysis is its map.
            big = os.path.join(self.source, "big.ckp")
            subprocess.run([args.gen, "--size-mb", "3", "--seed", "5", big], check=True,
                           stderr=subprocess.DEVNULL)
            subprocess.run([self.zt, "-c", os.path.join(self.source, "big.map"), big],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.tree = snapshot(os.path.join(self.source, "ztroot"))

    def fresh(self, sc, tag):
        work = os.path.join(self.root, "run-%d" % self.runs)
        self.runs += 1
        os.mkdir(work)
        for name in sc.inputs:
            shutil.copy(os.path.join(self.source, name), work)
        if sc.rename:
            shutil.copytree(os.path.join(self.source, "ztroot"), os.path.join(work, "ztroot"))
            os.mkdir(os.path.join(work, "journals"))
        return work

    def run(self, sc, work, env_extra):
        args = [a.replace("W/", work + "/") if a.startswith("W/") else a for a in sc.args]
        env = dict(os.environ)
        env.update(env_extra)
        env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0:detect_leaks=0"
        p = subprocess.run([self.zt] + args, cwd=work, env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
        return p

    def outputs(self, sc, work):
        return {o: snapshot(os.path.join(work, o)) if os.path.exists(os.path.join(work, o)) else None
                for o in sc.outputs}

    def baseline(self, sc):
        work = self.fresh(sc, "base")
        p = self.run(sc, work, {})
        out = self.outputs(sc, work)
        if sc.rename:
            out = {"ztroot": snapshot(os.path.join(work, "ztroot"))}
        if not self.keep:
            shutil.rmtree(work)
        return p.returncode, out

    def complain(self, sc, what, detail, p):
        msg = "%s, %s: %s" % (sc.name, what, detail)
        tail = p.stderr.decode(errors="replace").strip().splitlines()[-3:] if p else []
        self.problems.append(msg + ("".join("\n      " + t for t in tail)))
        print("FAULT RULE BROKEN: " + self.problems[-1])

    def check(self, sc, what, work, p, base):
        inputs = {n: snapshot(os.path.join(self.source, n)) for n in sc.inputs}
        if p.returncode == 0:
            self.complain(sc, what, "exit status 0 after a fault", p)
        for dirpath, dirnames, filenames in os.walk(work):
            for n in dirnames + filenames:
                if TEMPORARY.search(n):
                    self.complain(sc, what, "temporary left: " + os.path.relpath(os.path.join(dirpath, n), work), p)
        for n, snap in inputs.items():
            if snapshot(os.path.join(work, n)) != snap:
                self.complain(sc, what, "input %s changed" % n, p)
        if sc.rename:
            self.check_tree(sc, what, work, p)
            return
        for name, snap in self.outputs(sc, work).items():
            if snap is not None and snap != base[name]:
                self.complain(sc, what, "output %s incomplete" % name, p)

    def check_tree(self, sc, what, work, p):
        tree = os.path.join(work, "ztroot")
        journal = os.path.join(work, "journals", "undo.log")
        if os.path.exists(journal):
            u = subprocess.run([self.zt, "--undo", journal], cwd=work, stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
            if snapshot(tree) != self.tree:
                self.complain(sc, what, "--undo did not restore the tree", u)
        elif snapshot(tree) != self.tree:
            self.complain(sc, what, "tree changed and no undo journal", p)

    def sweep(self, sc, op, env, limit):
        base_status, base = self.baseline(sc)
        for n in range(1, limit + 1):
            work = self.fresh(sc, op)
            fired = os.path.join(self.root, "fired-%d" % self.runs)
            e = dict(env)
            if op == "kill":
                e["ZT_FAULT_KILL_AT"] = str(n)
            else:
                e.update(ZT_FAULT_NTH_OP=op, ZT_FAULT_NTH=str(n), ZT_FAULT_FIRED=fired,
                         ZT_FAULT_PATH=work)
                # The rename works inside the archive root by relative
                # names: every rename and open counts.
                if sc.rename and op in ("rename", "open"):
                    del e["ZT_FAULT_PATH"]
            e["LD_PRELOAD"] = self.shim
            p = self.run(sc, work, e)
            met = os.path.exists(fired) if op != "kill" else p.returncode == -9
            what = "%s #%d%s" % (op, n, "".join(" %s=%s" % kv for kv in env.items()))
            if met:
                self.check(sc, what, work, p, base)
            else:
                # The run met no fault: it must be the fault-free run.
                if p.returncode != base_status:
                    self.complain(sc, what, "status %d without a fault, %d before" % (p.returncode, base_status), p)
                out = {"ztroot": snapshot(os.path.join(work, "ztroot"))} if sc.rename else self.outputs(sc, work)
                if out != base:
                    self.complain(sc, what, "outputs differ from the fault-free run's", p)
            if not self.keep:
                shutil.rmtree(work)
            if not met:
                return n - 1
        self.complain(sc, op, "still meeting faults after %d" % limit, None)
        return limit


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--zt", required=True)
    ap.add_argument("--shim", required=True)
    ap.add_argument("--source", required=True)
    ap.add_argument("--gen")
    ap.add_argument("--short", action="store_true")
    ap.add_argument("--only")
    ap.add_argument("--work")
    ap.add_argument("--keep", action="store_true")
    args = ap.parse_args()
    if args.short:
        args.gen = None
    s = Sweep(args)
    variants = [{}]
    if not args.short:
        variants += [{"ZT_FAULT_ERRNO": "EIO"}, {"ZT_FAULT_PERSIST": "1"}]
    todo = scenarios(False) + (scenarios(True) if args.gen else [])
    for sc in todo:
        if args.only and sc.name not in args.only.split(","):
            continue
        for op in OPS + (("kill",) if sc.rename else ()):
            for env in variants if op != "kill" else [{}]:
                faults = s.sweep(sc, op, env, 2000)
                print("%-9s %-7s %-22s %4d faults met" % (sc.name, op, " ".join("%s=%s" % kv for kv in env.items()), faults))
    if not args.keep:
        shutil.rmtree(s.root, ignore_errors=True)
    print("%d runs, %d broken rules" % (s.runs, len(s.problems)))
    return 1 if s.problems else 0


if __name__ == "__main__":
    sys.exit(main())
