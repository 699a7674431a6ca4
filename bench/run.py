#!/usr/bin/env python3
"""Whole-process benchmark of rkreport and rkconfig.

Runs a fixed set of command lines against the embedded default system and
against generated systems (bench/genprofile.py) of 16, 256 and 2048 disks,
each as a separate process, and prints per command and build:

  median wall time (ms), median CPU time (user + system, ms), peak resident
  memory (MiB, the largest of the runs) and the number of requests the data
  agent received (lines of KWDA_LOG).

Writes are run with --dry-run (every check runs, nothing is sent), so the
state stays as seeded. Several builds can be measured side by side in one
run; their runs are interleaved so that a busy machine slows them alike:

  bench/run.py --build after=build-perf --build before=/tmp/before --runs 11

A build is a folder holding bin/rkreport and bin/rkconfig (a build tree or an
installed copy). Exit status 1 when a command fails (non-zero exit) in any
build, so a benchmark never reports the time of a refusal.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field

sys.dont_write_bytecode = True  # genprofile.py is loaded as a module: leave no cache in bench/
HERE = os.path.dirname(os.path.abspath(__file__))
TIME = "/usr/bin/time"
GENPROFILE = os.path.join(HERE, "genprofile.py")


@dataclass
class System:
    name: str
    preset: str = ""          # genprofile preset; "" for the embedded default
    connectors: int = 2
    enclosures: int = 1
    disks: int = 12
    vdisks: int = 2
    first_vdisk: str = "0"
    last_vdisk: str = "1"
    all_connectors: int = 0   # connectors of controller 0, empty ones included (0: as above)
    profile: str = ""         # a profile file to seed from ("" for a preset or the default)
    machine: bool = False     # the machine's own storage, read from the test machine's sysfs tree

    @property
    def n(self):
        return self.all_connectors or self.connectors

    def disk(self, n, e, t):
        return f"{n}:{e}:{t}"

    @property
    def first_disk(self):
        return self.disk(0, 0, 0)

    @property
    def last_disk(self):
        return self.disk(self.connectors - 1, self.enclosures - 1, self.disks - 1)

    @property
    def second_last_disk(self):
        return self.disk(self.connectors - 1, self.enclosures - 1, self.disks - 2)

    @property
    def last_enclosure(self):
        return f"{self.connectors - 1}:{self.enclosures - 1}"


def generated(preset):
    from importlib import util
    entry = util.spec_from_file_location("genprofile", GENPROFILE)
    gen = util.module_from_spec(entry)
    entry.loader.exec_module(gen)
    c, e, d, v = gen.PRESETS[preset]
    return System(name=f"{preset} disks", preset=preset, connectors=c, enclosures=e, disks=d, vdisks=v,
                  first_vdisk="0", last_vdisk=str(v - 1))


# The embedded default: controller 0 has connector 0 with enclosure 0:0 of
# twelve disks (0:0:0 .. 0:0:11) and an empty connector 1; virtual disk 1 is
# an r5 on 0:0:2 .. 0:0:5. Its last disk sits on connector 0.
DEFAULT = System(name="default", connectors=1, enclosures=1, disks=12, vdisks=2, first_vdisk="0", last_vdisk="1",
                 all_connectors=2)


# The machine's own storage (--system=local) on the test machine of
# tests/sysfs/make-machine.sh, and its simulated twin of the same size
# (bench/local-twin.xml): the same reports on the SAS controller 2.
LOCAL = System(name="local", machine=True)
TWIN = System(name="local twin", profile=os.path.join(HERE, "local-twin.xml"))
MAKE_MACHINE = os.path.join(os.path.dirname(HERE), "tests", "sysfs", "make-machine.sh")


def machine_lines():
    report = lambda *w: ("rkreport", list(w))
    return [
        ("report controller", *report("storage", "controller")),
        ("report pdisk (SAS)", *report("storage", "pdisk", "controller=2")),
        ("report vdisk (SAS)", *report("storage", "vdisk", "controller=2")),
        ("report enclosure", *report("storage", "enclosure", "controller=2")),
        ("pdisk last", *report("storage", "pdisk", "controller=2", "pdisk=0:0:5")),
        ("blink last pdisk", "rkconfig", ["--dry-run", "storage", "pdisk", "action=blink", "controller=2",
                                          "pdisk=0:0:5"]),
    ]


def query_budget(s, name):
    """The most agent requests the command may send: its identifier checks
    within their bounds (controller 1; physical disk 2 + n and enclosure
    1 + n on n connectors; virtual disk 1) plus the report or the
    availability query. None where no bound is stated."""
    return {
        "pdisk first": 1 + (2 + s.n) + 1,
        "pdisk last": 1 + (2 + s.n) + 1,
        "blink last pdisk": 1 + (2 + s.n) + 1,
        "enclosure last": 1 + (1 + s.n) + 1,
        "vdisk last": 1 + 1 + 1,
    }.get(name)


def command_lines(s):
    """(name, program, words) in the order printed."""
    if s.name in (LOCAL.name, TWIN.name):
        return machine_lines()
    vd_members = {"default": "0:0:2,0:0:3,0:0:4,0:0:5"}.get(
        s.name, f"{s.first_disk},{s.disk(0, 0, 1)}")
    reconf_vd = "1" if s.name == "default" else "0"
    report = lambda *w: ("rkreport", list(w))
    config = lambda *w: ("rkconfig", ["--dry-run", *w])
    lines = [
        # What starting a process costs here, and starting the host with its
        # libraries but no command: the floor under every command below.
        *([("start /bin/true", "/bin/true", []), ("rkreport --version", "rkreport", ["--version"])]
          if s.name == "default" else []),
        ("system version", *report("system", "version")),
        ("system summary", *report("system", "summary")),
        ("system alertlog", *report("system", "alertlog")),
        ("report controller", *report("storage", "controller")),
        ("report connector", *report("storage", "connector", "controller=0")),
        ("report enclosure", *report("storage", "enclosure", "controller=0")),
        ("report pdisk (all)", *report("storage", "pdisk", "controller=0")),
        # The physical disk listing in every format (bench/run.py --only "pdisk list").
        *[(f"pdisk list {form}", *report("storage", "pdisk", "controller=0", f"--format={form}"))
          for form in ("text", "table", "csv", "json", "xml")],
        ("report vdisk (all)", *report("storage", "vdisk", "controller=0")),
        ("report battery", *report("storage", "battery", "controller=0")),
        ("report globalinfo", *report("storage", "globalinfo")),
        # The whole-system scrape for Prometheus against the json listing of
        # the physical disks (target: at most 3x).
        ("json pdisk (all)", *report("--format=json", "storage", "pdisk", "controller=0")),
        ("openmetrics scrape", *report("--format=openmetrics", "system", "summary")),
        ("report temps", *report("storage", "enclosure", "controller=0", f"enclosure={s.last_enclosure}",
                                 "info=temps")),
        ("pdisk first", *report("storage", "pdisk", "controller=0", f"pdisk={s.first_disk}")),
        ("pdisk last", *report("storage", "pdisk", "controller=0", f"pdisk={s.last_disk}")),
        ("enclosure last", *report("storage", "enclosure", "controller=0", f"enclosure={s.last_enclosure}")),
        ("vdisk last", *report("storage", "vdisk", "controller=0", f"vdisk={s.last_vdisk}")),
        ("blink last pdisk", *config("storage", "pdisk", "action=blink", "controller=0", f"pdisk={s.last_disk}")),
        ("createvdisk", *config("storage", "controller", "action=createvdisk", "controller=0", "raid=r1",
                                "size=10g", f"pdisk={s.second_last_disk},{s.last_disk}")),
        ("reconfigure", *config("storage", "vdisk", "action=reconfigure", f"controller=0", f"vdisk={reconf_vd}",
                                "raid=r5", f"pdisk={vd_members},{s.last_disk}")),
        ("changepolicy", *config("storage", "vdisk", "action=changepolicy", "controller=0",
                                 f"vdisk={s.last_vdisk}", "readpolicy=nra", "writepolicy=wt")),
        ("settempprobes", *config("storage", "enclosure", "action=settempprobes", "controller=0",
                                  f"enclosure={s.last_enclosure}", "index=1", "minwarn=10", "maxwarn=40")),
        ("setalltempprobes", *config("storage", "enclosure", "action=setalltempprobes", "controller=0",
                                     f"enclosure={s.last_enclosure}", "minwarn=10", "maxwarn=40")),
    ]
    return lines


@dataclass
class Sample:
    wall: list = field(default_factory=list)
    cpu: list = field(default_factory=list)
    rss_kib: int = 0
    queries: int = -1
    failed: str = ""


def run_once(binary, words, state, log_path, rss_path, peak=False, extra_env=None):
    """One run: exit status, standard error, wall and CPU seconds, peak KiB, requests.

    The command is started directly, so that its times are its own. GNU time
    (needed for the peak: measured from Python the peak would include the
    interpreter's memory, copied by fork) only runs where peak is asked for,
    in a run of its own whose times are not taken."""
    env = dict(os.environ)
    env.pop("KWDA_PROFILE", None)
    env["KWDA_LOG"] = log_path
    env.update(extra_env or {})
    for path in (log_path, rss_path):
        if os.path.exists(path):
            os.unlink(path)
    command = [binary, *([f"--state={state}"] if state else []), *words]
    rss_kib = 0
    if peak:
        subprocess.run([TIME, "-f", "%M", "-o", rss_path, *command], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, env=env)
        with open(rss_path) as f:
            lines = [line for line in f.read().splitlines() if line.strip()]
        rss_kib = int(lines[-1]) if lines and lines[-1].strip().isdigit() else 0
        if os.path.exists(log_path):
            os.unlink(log_path)
    start = time.perf_counter()
    proc = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    err = proc.stderr.read().decode(errors="replace")
    proc.stderr.close()
    queries = 0
    if os.path.exists(log_path):
        with open(log_path, "rb") as f:
            queries = sum(1 for _ in f)
    return os.waitstatus_to_exitcode(status), err, wall, usage.ru_utime + usage.ru_stime, rss_kib, queries


def seed(build, system, folder):
    """A fresh state for the build: seeded from the system's profile."""
    os.makedirs(folder, exist_ok=True)
    state = os.path.join(folder, "state.db")
    args = [os.path.join(build, "bin", "rkreport"), f"--state={state}"]
    if system.preset:
        profile = os.path.join(folder, "profile.xml")
        subprocess.run([sys.executable, GENPROFILE, "--preset", system.preset, "-o", profile], check=True)
        args.append(f"--profile={profile}")
    elif system.profile:
        args.append(f"--profile={system.profile}")
    result = subprocess.run([*args, "storage", "controller"], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if result.returncode != 0:
        raise SystemExit(f"seeding {system.name} with {build} failed: {result.stderr.decode().strip()}")
    return state


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--build", action="append", default=[],
                   help="label=folder of a build (repeatable; default current=build)")
    p.add_argument("--runs", type=int, default=7, help="runs per command and build (median taken)")
    p.add_argument("--systems", default="default,16,256,2048,local",
                   help="comma-separated: default, presets, and local (with its twin)")
    p.add_argument("--only", default="", help="run only commands whose name contains one of these texts (comma-separated)")
    p.add_argument("--work", default="", help="folder for states and logs (default a temporary one)")
    p.add_argument("--markdown", action="store_true", help="print a Markdown table")
    return p.parse_args(argv)


def builds_of(args):
    root = os.path.dirname(HERE)
    specs = args.build or [f"current={os.path.join(root, 'build')}"]
    builds = []
    for entry in specs:
        label, _, folder = entry.partition("=")
        if not folder:
            label, folder = os.path.basename(os.path.normpath(entry)), entry
        folder = os.path.abspath(folder)
        if not os.access(os.path.join(folder, "bin", "rkreport"), os.X_OK):
            raise SystemExit(f"{folder}/bin/rkreport is missing: build first")
        builds.append((label, folder))
    return builds


def fmt_ms(values):
    return f"{statistics.median(values) * 1000:.1f}" if values else "-"


def main(argv):
    args = parse_args(argv)
    builds = builds_of(args)
    systems = []
    for name in args.systems.split(","):
        systems += {"default": [DEFAULT], "local": [TWIN, LOCAL]}.get(name) or [generated(name)]
    work = args.work or tempfile.mkdtemp(prefix="rkbench.")
    machine_env = {}
    if LOCAL in systems:
        tree = os.path.join(work, "machine")
        subprocess.run(["bash", MAKE_MACHINE, tree], check=True)
        machine_env = {"KWDA_SYSTEM": "local", "KWDA_SYSFS": f"{tree}/sys", "KWDA_PROC": f"{tree}/proc",
                       "KWDA_PCI_IDS": f"{tree}/pci.ids"}
    log_path = os.path.join(work, "requests.log")
    rss_path = os.path.join(work, "peak.txt")
    if not os.access(TIME, os.X_OK):
        raise SystemExit(f"{TIME} (GNU time) is needed for peak memory: apt-get install time")
    states = {}
    for label, folder in builds:
        for system in systems:
            states[label, system.name] = seed(folder, system, os.path.join(work, label, system.name.split()[0]))

    plan = [(system, name, program, words) for system in systems for name, program, words in command_lines(system)
            if any(text in name for text in args.only.split(","))]
    samples = {}
    for run in range(args.runs):
        for system, name, program, words in plan:
            for label, folder in builds:
                key = (system.name, name, label)
                sample = samples.setdefault(key, Sample())
                if sample.failed:
                    continue
                binary = program if program.startswith("/") else os.path.join(folder, "bin", program)
                state = states[label, system.name] if program in ("rkreport", "rkconfig") else ""
                rc, err, wall, cpu, rss, queries = run_once(binary, words, state, log_path, rss_path,
                                                            peak=run == 0,
                                                            extra_env=machine_env if system.machine else None)
                if rc != 0:
                    sample.failed = f"exit {rc}: {err.strip().splitlines()[-1] if err.strip() else ''}"
                    continue
                sample.wall.append(wall)
                sample.cpu.append(cpu)
                sample.rss_kib = max(sample.rss_kib, rss)
                sample.queries = queries

    failed = False
    labels = [label for label, _ in builds]
    head = ["system", "command", "queries"] + [f"{l} wall ms" for l in labels] + \
           [f"{l} cpu ms" for l in labels] + [f"{l} peak MiB" for l in labels]
    rows = []
    for system, name, _, _ in plan:
        cells = [system.name, name]
        queries = "/".join(str(samples[system.name, name, l].queries) for l in labels)
        cells.append(queries)
        for l in labels:
            s = samples[system.name, name, l]
            cells.append("FAIL" if s.failed else fmt_ms(s.wall))
        for l in labels:
            s = samples[system.name, name, l]
            cells.append("FAIL" if s.failed else fmt_ms(s.cpu))
        for l in labels:
            s = samples[system.name, name, l]
            cells.append("FAIL" if s.failed else f"{s.rss_kib / 1024:.1f}")
        rows.append(cells)
        for l in labels:
            if samples[system.name, name, l].failed:
                failed = True
                print(f"{l}: {system.name}: {name}: {samples[system.name, name, l].failed}", file=sys.stderr)

    if args.markdown:
        print("| " + " | ".join(head) + " |")
        print("|" + "|".join("---" for _ in head) + "|")
        for cells in rows:
            print("| " + " | ".join(cells) + " |")
    else:
        widths = [max(len(str(r[i])) for r in rows + [head]) for i in range(len(head))]
        for cells in [head] + rows:
            print("  ".join(str(c).ljust(w) if i < 2 else str(c).rjust(w) for i, (c, w) in
                            enumerate(zip(cells, widths))))
    print(f"\n{args.runs} runs per command and build; machine: {machine()}")
    print_targets(samples, plan, labels)
    if not args.work:
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failed else 0


def print_targets(samples, plan, labels):
    """The agreed targets, per build: met or not, with the figures."""
    def median_ms(system, name, label, kind="wall"):
        sample = samples.get((system, name, label))
        values = getattr(sample, kind) if sample and not sample.failed else []
        return statistics.median(values) * 1000 if values else None

    systems = sorted({system.name for system, *_ in plan})
    print("\nTargets (wall / cpu medians):")
    for label in labels:
        lines = []
        if "default" in systems:
            base = median_ms("default", "system version", label)
            base_cpu = median_ms("default", "system version", label, "cpu")
            worst = max(((median_ms("default", n, label) or 0, n) for s, n, *_ in plan if s.name == "default"))
            worst_cpu = max(((median_ms("default", n, label, "cpu") or 0, n) for s, n, *_ in plan
                             if s.name == "default"))
            if base:
                lines.append(f"default system: slowest {worst[1]} {worst[0]:.1f} ms wall = {worst[0] / base:.1f}x "
                             f"version (<= 10 ms, <= 3x); cpu {worst_cpu[0]:.1f} ms = "
                             f"{worst_cpu[0] / base_cpu:.1f}x ({worst_cpu[1]})")
        if "2048 disks" in systems:
            big = median_ms("2048 disks", "pdisk last", label)
            big_cpu = median_ms("2048 disks", "pdisk last", label, "cpu")
            mid = median_ms("256 disks", "pdisk last", label) if "256 disks" in systems else None
            if big:
                ratio = f", {big / mid:.1f}x its 256-disk time (<= 10x)" if mid else ""
                lines.append(f"last disk of 2048: {big:.1f} ms wall, {big_cpu:.1f} ms cpu (<= 100 ms){ratio}")
            scrape = median_ms("2048 disks", "openmetrics scrape", label)
            listing = median_ms("2048 disks", "json pdisk (all)", label)
            if scrape and listing:
                lines.append(f"whole-system scrape of 2048 disks: {scrape:.1f} ms wall = {scrape / listing:.1f}x "
                             f"the json listing of its physical disks (<= 3x)")
            peak = max((samples[s.name, n, label].rss_kib for s, n, *_ in plan
                        if s.name == "2048 disks" and not samples[s.name, n, label].failed), default=0)
            lines.append(f"peak memory at 2048 disks: {peak / 1024:.1f} MiB (< 32 MiB)")
        if "local" in systems and "local twin" in systems:
            def ratio(kind, reports):
                return max(((median_ms("local", n, label, kind) or 0) / (median_ms("local twin", n, label, kind) or 1)
                            for s, n, *_ in plan if s.name == "local" and n.startswith("report") == reports),
                           default=0)
            lines.append(f"machine's own storage: reports at most {ratio('wall', True):.2f}x wall, "
                         f"{ratio('cpu', True):.2f}x cpu of its simulated twin (<= 2x); commands with checks "
                         f"{ratio('wall', False):.2f}x wall, {ratio('cpu', False):.2f}x cpu")
        over = [f"{s.name}/{n}: {samples[s.name, n, label].queries} > {query_budget(s, n)}" for s, n, *_ in plan
                if query_budget(s, n) is not None and samples[s.name, n, label].queries > query_budget(s, n)]
        lines.append("agent requests within the checks' bounds" if not over else "over budget: " + ", ".join(over))
        for line in lines:
            print(f"  {label}: {line}")


def machine():
    model = "unknown CPU"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
        with open("/proc/meminfo") as f:
            mem_kib = int(f.readline().split()[1])
    except OSError:
        mem_kib = 0
    load = os.getloadavg()[0]
    return f"{os.cpu_count()} CPUs, {model}, {mem_kib / 1024 / 1024:.1f} GiB, load {load:.1f}"


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
