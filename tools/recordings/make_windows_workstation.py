#!/usr/bin/env python3
"""Writes recordings/windows-workstation.json: a plausible desktop computer, as its management service answers.

The numbers are made up but consistent: counters only grow, the load wanders between idle and busy, and every
sample is one second after the one before. Run it again after changing it; the output is deterministic.
"""
import json
import math
import random
import sys
from pathlib import Path

rng = random.Random(20261207)
SAMPLES = 160
TICK = 10_000_000  # 100 ns units per second
NAME = "ws-0417"


def operating_system():
    answers = []
    free = 523_264
    for i in range(6):
        free += rng.randint(-4000, 4000)
        answers.append([{
            "Caption": "Microsoft Windows XP Professional",
            "CSDVersion": "Service Pack 2",
            "FreePhysicalMemory": str(free),
            "FreeVirtualMemory": str(free + 1_573_760),
            "Organization": "Verko Ltd",
            "SerialNumber": "55274-640-1011873-23081",
            "NumberOfProcesses": 57 + i % 3,
            "LastBootupTime": "20261207071503.375000+060",
            "InstallDate": "20240312093012.000000+060",
        }])
    return answers


def processor_counters():
    """Two processors and their total; the load drifts and has busy spells, so the history graph moves."""
    idle = [80_000_000_000, 81_000_000_000]
    stamp = 131_200_000_000_000_000
    answers = []
    for i in range(SAMPLES):
        if i:
            stamp += TICK
            for cpu in range(2):
                busy = 0.35 + 0.3 * math.sin(i / 9 + cpu) + (0.3 if 40 <= i % 70 < 55 else 0)
                busy = min(1.0, max(0.0, busy + rng.uniform(-0.08, 0.08)))
                idle[cpu] += int(TICK * (1 - busy))
        instances = [{"Name": str(cpu), "PercentProcessorTime": str(idle[cpu]),
                      "Timestamp_Sys100NS": str(stamp)} for cpu in range(2)]
        instances.append({"Name": "_Total", "PercentProcessorTime": str(sum(idle) // 2),
                          "Timestamp_Sys100NS": str(stamp)})
        answers.append(instances)
    return answers


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[2] / "recordings" /
               "windows-workstation.json")
    computer = {
        "select * from win32_operatingsystem": operating_system(),
        "select * from win32_perfrawdata_perfos_processor": processor_counters(),
        "select * from win32_processor": [[{"Name": "Intel(R) Pentium(R) 4 CPU 3.00GHz", "DeviceID": "CPU0"}]],
    }
    recording = {"format": "quorvin-recording", "version": 1, "localComputer": NAME,
                 "computers": {NAME: computer}}
    out.write_text(json.dumps(recording, indent=1) + "\n")


if __name__ == "__main__":
    main()
