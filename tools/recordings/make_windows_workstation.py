#!/usr/bin/env python3
"""Writes recordings/windows-workstation.json: a desktop computer of the platform the management classes come from.

Made-up but consistent numbers: counters only grow, one sample a second. Deterministic; run it again after a change.
"""
import random
import sys
from pathlib import Path

from synth import Processes, adapters, processor_answers, wandering, write

rng = random.Random(20261207)
SAMPLES = 160
NAME = "ws-0417"


def operating_system():
    answers = []
    free = 523_264
    for i in range(6):
        free += rng.randint(-4000, 4000)
        answers.append([{
            "Caption": "Microsoft Windows XP Professional", "CSDVersion": "Service Pack 2",
            "FreePhysicalMemory": str(free), "FreeVirtualMemory": str(free + 1_573_760),
            "Organization": "Verko Ltd", "SerialNumber": "55274-640-1011873-23081",
            "NumberOfProcesses": 57 + i % 3,
            "LastBootupTime": "20261207071503.375000+060", "InstallDate": "20240312093012.000000+060",
        }])
    return answers


def process_list():
    named = [("System", 4, "System", 0.01, 240), ("smss", 612, "smss.exe", 0, 388), ("csrss", 668, "csrss.exe", 0.01, 4100),
             ("winlogon", 692, "winlogon.exe", 0, 5200), ("services", 736, "services.exe", 0.01, 3900),
             ("lsass", 748, "lsass.exe", 0, 6100), ("explorer", 1612, "explorer.exe", 0.03, 21000),
             ("NOTEPAD", 1234, "notepad.exe", 0.002, 3100), ("NOTEPAD", 2480, "NOTEPAD.EXE", 0.001, 2900),
             ("WINWORD", 3012, "WINWORD.EXE", 0.12, 48000), ("quorvin", 3100, "quorvin.exe", 0.01, 9000),
             ("spoolsv", 1500, "spoolsv.exe", 0, 5400)]
    for i in range(36):
        named.append(("svchost", 800 + i * 28, "svchost.exe", rng.choice([0, 0, 0.005, 0.02]), rng.randint(2500, 30000)))
    extra = ["iexplore", "outlook", "acrotray", "jusched", "ctfmon", "wuauclt", "msmsgs", "alg", "wmiprvse",
             "rundll32", "taskmgr", "cmd", "EXCEL", "mspaint", "calc"]
    pid = 4000
    for i in range(160):
        name = extra[i % len(extra)]
        pid += rng.randint(4, 60)
        named.append((name, pid, name.lower() + ".exe", rng.choice([0, 0, 0, 0.01, 0.05]), rng.randint(800, 40000)))
    return named


def services():
    base = [("Print Spooler", "Spooler", "Auto", True), ("Windows Audio", "AudioSrv", "Auto", True),
            ("Telnet", "TlntSvr", "Disabled", False), ("Alerter", "Alerter", "Disabled", False),
            ("Fax", "Fax", "Manual", False), ("DHCP Client", "Dhcp", "Auto", True),
            ("Remote Registry", "RemoteRegistry", "Auto", False), ("Event Log", "Eventlog", "Auto", True)]
    for i in range(102):
        mode = rng.choice(["Auto", "Auto", "Manual", "Manual", "Disabled"])
        base.append((f"Workstation Service {i:03d}", f"WsSvc{i:03d}", mode, mode == "Auto" and rng.random() < 0.8))
    return [[{"Caption": c, "Name": n, "StartMode": m, "Started": s, "State": "Running" if s else "Stopped"}
             for c, n, m, s in base]]


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parents[2] / "recordings" / \
        "windows-workstation.json"
    perf, images = Processes(rng, process_list(), 2).answers(30, 131_200_000_000_000_000)
    computer = {
        "select * from win32_operatingsystem": operating_system(),
        "select * from win32_perfrawdata_perfos_processor": processor_answers(rng, 2, SAMPLES, busy=wandering),
        "select * from win32_processor": [[{"Name": "Intel(R) Pentium(R) 4 CPU 3.00GHz", "DeviceID": "CPU0"}]],
        "select * from win32_perfrawdata_perfproc_process": perf,
        "select * from win32_process": [images[0]],
        "select * from win32_service": services(),
        "select * from win32_perfrawdata_tcpip_networkinterface": adapters(rng, [
            ("Intel[R] PRO_100 VE Network Connection", 100_000_000, 1_800_000),
            ("MS TCP Loopback interface", 10_000_000, 2_000),
            ("WAN Miniport [PPTP]", 0, 0)], SAMPLES),
    }
    write(out, NAME, computer)


if __name__ == "__main__":
    main()
