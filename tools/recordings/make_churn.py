#!/usr/bin/env python3
"""Writes a recording for the soak run (./dev.sh soak): processes start and end every second, services start,
stop, come and go, and a network interface appears and disappears. Deterministic; the output is not kept."""
import random
import sys
from pathlib import Path

from synth import TICK, processor_answers, write

rng = random.Random(1313)
SAMPLES = 300
NAME = "churn-01"
STAMP = 20_000_000_000_000


def processes():
    """Each second about ten processes end and ten new ones start, with pids never used before."""
    alive = {pid: [rng.choice(["sh", "sleep", "cc1plus", "python3", "curl"]), 0] for pid in range(100, 160)}
    next_pid = 160
    perf, images = [], []
    for i in range(SAMPLES):
        for pid in rng.sample(sorted(alive), 10):
            del alive[pid]
        for _ in range(10):
            alive[next_pid] = [rng.choice(["sh", "sleep", "make", "git", "grep"]), 0]
            next_pid += rng.randint(1, 7)
        stamp = STAMP + i * TICK
        instances = []
        for pid, entry in sorted(alive.items()):
            entry[1] += rng.randint(0, TICK // 4)
            ws = rng.randint(200, 90_000) * 1024
            instances.append({"Name": entry[0], "IDprocess": pid, "WorkingSet": str(ws), "PageFileBytes": str(ws // 3),
                              "PercentProcessorTime": str(entry[1]), "Timestamp_Sys100NS": str(stamp),
                              "ThreadCount": 1 + pid % 5, "HandleCount": 3 + pid % 40})
        instances.append({"Name": "_Total", "IDprocess": 0, "WorkingSet": "0", "PageFileBytes": "0",
                          "PercentProcessorTime": str(sum(e[1] for e in alive.values())),
                          "Timestamp_Sys100NS": str(stamp), "ThreadCount": 0, "HandleCount": 0})
        perf.append(instances)
        images.append([{"Name": e[0], "Handle": str(pid), "ProcessId": pid} for pid, e in sorted(alive.items())])
    return perf, images


def services():
    answers = []
    for i in range(SAMPLES):
        units = []
        for n in range(60):
            if n >= 50 and (i // 7 + n) % 3 == 0:
                continue  # transient units come and go
            started = rng.random() < 0.7
            units.append({"Caption": f"Unit {n}", "Name": f"unit-{n:02d}.service", "StartMode": "Auto",
                          "Started": started, "State": "active" if started else "inactive"})
        answers.append(units)
    return answers


def adapters():
    answers, count = [], 10**6
    for i in range(SAMPLES):
        count += rng.randint(1000, 90000)
        names = ["lo", "eth0"] + (["tun0"] if (i // 20) % 2 == 0 else [])
        answers.append([{"Name": n, "PacketsSentPersec": str(count // 900), "PacketsReceivedPersec": str(count // 800),
                         "BytesSentPersec": str(count), "BytesReceivedPersec": str(count * 2),
                         "CurrentBandWidth": "1000000000"} for n in names])
    return answers


def main():
    perf, images = processes()
    computer = {
        "select * from win32_operatingsystem": [[{
            "Caption": "Debian GNU/Linux 12 (bookworm)", "CSDVersion": "Linux 6.1.0-28-amd64",
            "FreePhysicalMemory": str(900_000 + i * 7), "FreeVirtualMemory": "2000000", "Organization": "",
            "SerialNumber": "0c1d", "NumberOfProcesses": 60 + i % 9,
            "LastBootupTime": "20261207041753.000000+060", "InstallDate": "20240102030405.000000+060"}]
            for i in range(SAMPLES)],
        "select * from win32_perfrawdata_perfos_processor": processor_answers(rng, 2, SAMPLES, stamp_start=STAMP),
        "select * from win32_processor": [[{"Name": "Soak Processor", "DeviceID": "CPU0"}]],
        "select * from win32_perfrawdata_perfproc_process": perf,
        "select * from win32_process": images,
        "select * from win32_service": services(),
        "select * from win32_perfrawdata_tcpip_networkinterface": adapters(),
    }
    write(Path(sys.argv[1]), NAME, computer)


if __name__ == "__main__":
    main()
