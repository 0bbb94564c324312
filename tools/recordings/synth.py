"""Pieces shared by the generators of recorded data sets: counters that only grow, one answer per second."""
import math
import random

TICK = 10_000_000  # 100 ns units per second


def processor_answers(rng, cpus, samples, idle_start=80_000_000_000, stamp_start=131_200_000_000_000_000,
                      busy=lambda i, cpu: 0.3):
    """Per-processor idle counters and their total (the average, last), one answer per second."""
    idle = [idle_start + cpu * 1_000_000_000 for cpu in range(cpus)]
    stamp = stamp_start
    answers = []
    for i in range(samples):
        if i:
            stamp += TICK
            for cpu in range(cpus):
                load = min(1.0, max(0.0, busy(i, cpu) + rng.uniform(-0.08, 0.08)))
                idle[cpu] += int(TICK * (1 - load))
        instances = [{"Name": str(cpu), "PercentProcessorTime": str(idle[cpu]), "Timestamp_Sys100NS": str(stamp)}
                     for cpu in range(cpus)]
        instances.append({"Name": "_Total", "PercentProcessorTime": str(sum(idle) // cpus),
                          "Timestamp_Sys100NS": str(stamp)})
        answers.append(instances)
    return answers


def wandering(i, cpu):
    """A load that drifts and has busy spells, so that the history graph moves."""
    return 0.35 + 0.3 * math.sin(i / 9 + cpu) + (0.3 if 40 <= i % 70 < 55 else 0)


class Processes:
    """A process list whose processor times and memory move a little every second."""

    def __init__(self, rng, entries, cpus):
        # entries: (name, pid, image, busy share of one processor, working set in KB)
        self.rng = rng
        self.entries = entries
        self.cpus = cpus
        self.cpu_time = {pid: rng.randint(10, 5000) * TICK // 100 for _, pid, _, _, _ in entries}

    def answers(self, samples, stamp_start):
        perf, images = [], []
        stamp = stamp_start
        idle = 50_000_000_000
        for i in range(samples):
            if i:
                stamp += TICK
                used = 0
                for _, pid, _, share, _ in self.entries:
                    step = int(TICK * max(0.0, share + self.rng.uniform(-share / 2, share / 2)))
                    self.cpu_time[pid] += step
                    used += step
                idle += max(0, TICK * self.cpus - used)
            counts = {}
            instances = [self.instance("Idle", 0, idle, 0, 0, self.cpus, 0, stamp)]
            for name, pid, _, _, ws_kb in self.entries:
                n = counts.get(name, 0)
                counts[name] = n + 1
                shown = name if n == 0 else f"{name}#{n}"
                ws = (ws_kb + self.rng.randint(-ws_kb // 50, ws_kb // 50)) * 1024
                instances.append(self.instance(shown, pid, self.cpu_time[pid], ws, ws // 3,
                                               1 + pid % 17, 10 + pid % 300, stamp))
            total = {k: 0 for k in ("cpu", "ws", "pf", "threads", "handles")}
            for p in instances:
                total["cpu"] += int(p["PercentProcessorTime"])
                total["ws"] += int(p["WorkingSet"])
                total["pf"] += int(p["PageFileBytes"])
                total["threads"] += p["ThreadCount"]
                total["handles"] += p["HandleCount"]
            instances.append(self.instance("_Total", 0, total["cpu"], total["ws"], total["pf"], total["threads"],
                                           total["handles"], stamp))
            perf.append(instances)
        images = [[{"Name": image, "Handle": str(pid), "ProcessId": pid} for _, pid, image, _, _ in self.entries]]
        return perf, images

    @staticmethod
    def instance(name, pid, cpu, ws, pf, threads, handles, stamp):
        return {"Name": name, "IDprocess": pid, "WorkingSet": str(ws), "PageFileBytes": str(pf),
                "PercentProcessorTime": str(cpu), "Timestamp_Sys100NS": str(stamp), "ThreadCount": threads,
                "HandleCount": handles}


def adapters(rng, specs, samples):
    """specs: (name, bits per second, mean bytes per second). Counters grow by about that much a second."""
    counters = {name: [rng.randint(1000, 90000), rng.randint(1000, 90000), rng.randint(10**6, 10**9),
                       rng.randint(10**6, 10**9)] for name, _, _ in specs}
    answers = []
    for i in range(samples):
        if i:
            for name, _, rate in specs:
                c = counters[name]
                sent = int(rate * rng.uniform(0.1, 0.9))
                received = int(rate * rng.uniform(0.3, 1.6))
                c[0] += sent // 900 + (1 if sent else 0)
                c[1] += received // 1100 + (1 if received else 0)
                c[2] += sent
                c[3] += received
        answers.append([{"Name": name, "PacketsSentPersec": str(counters[name][0]),
                         "PacketsReceivedPersec": str(counters[name][1]),
                         "BytesSentPersec": str(counters[name][2]), "BytesReceivedPersec": str(counters[name][3]),
                         "CurrentBandWidth": str(bits)} for name, bits, _ in specs])
    return answers


def write(path, local, computer):
    import json
    recording = {"format": "quorvin-recording", "version": 1, "localComputer": local, "computers": {local: computer}}
    # One instance a line: compact, yet a change shows as a readable diff.
    text = json.dumps(recording, separators=(",", ":"))
    path.write_text(text.replace("},{", "},\n{") + "\n")
