#!/usr/bin/env python3
"""Writes recordings/linux-server.json: a busy Linux server with 8 processors, about 600 processes, 230 services
and four network interfaces, as Quorvin's Linux sources answer. Deterministic; run it again after a change."""
import math
import random
import sys
from pathlib import Path

from synth import Processes, adapters, processor_answers, write

rng = random.Random(4242)
SAMPLES = 130
NAME = "db-07"


def busy(i, cpu):
    return 0.55 + 0.35 * math.sin(i / 7 + cpu / 3) * math.cos(i / 23)


def operating_system():
    answers = []
    free = 9_845_120
    for i in range(8):
        free += rng.randint(-60_000, 60_000)
        answers.append([{
            "Caption": "Debian GNU/Linux 12 (bookworm)", "CSDVersion": "Linux 6.1.0-28-amd64",
            "FreePhysicalMemory": str(free), "FreeVirtualMemory": str(free + 4_194_300),
            "Organization": "", "SerialNumber": "9f2c1e07b6a44d3f8e51c0a7d2b96e14",
            "NumberOfProcesses": 612 + i % 4,
            "LastBootupTime": "20261121031207.000000+060", "InstallDate": "20230915101522.000000+120",
        }])
    return answers


def process_list():
    entries = [("systemd", 1, "systemd", 0.002, 13000), ("kthreadd", 2, "kthreadd", 0, 0)]
    for i in range(180):
        entries.append((f"kworker/{i % 8}:{i // 8}", 3 + i, f"kworker/{i % 8}:{i // 8}", rng.choice([0, 0, 0.001]), 0))
    daemons = ["sshd", "cron", "rsyslogd", "postgres", "nginx", "bash", "sleep", "python3", "node", "containerd",
               "dockerd", "systemd-journal", "systemd-udevd", "dbus-daemon", "agetty", "chronyd", "redis-server"]
    pid = 900
    for i in range(420):
        name = "postgres" if i % 4 == 0 else daemons[i % len(daemons)]
        pid += rng.randint(1, 90)
        share = 0.4 if name == "postgres" and i % 40 == 0 else rng.choice([0, 0, 0.002, 0.01, 0.05])
        entries.append((name, pid, name, share, rng.randint(900, 400_000)))
    entries.append(("quorvin", 48213, "quorvin", 0.01, 61000))
    return entries


def services():
    states = ["Auto"] * 5 + ["Manual"] * 4 + ["Disabled"]
    names = ["ssh", "cron", "rsyslog", "postgresql@15-main", "nginx", "docker", "containerd", "chrony", "redis-server",
             "systemd-journald", "systemd-logind", "systemd-udevd", "dbus", "getty@tty1", "apt-daily",
             "apt-daily-upgrade", "e2scrub_reap", "fstrim", "logrotate", "man-db", "networking", "unattended-upgrades"]
    out = []
    for i in range(230):
        base = names[i] if i < len(names) else f"app-worker-{i:03d}"
        mode = "Auto" if i < 12 else rng.choice(states)
        started = mode == "Auto" and rng.random() < 0.9 or (mode == "Manual" and rng.random() < 0.2)
        out.append({"Caption": f"{base.replace('-', ' ').title()} Service", "Name": f"{base}.service",
                    "StartMode": mode, "Started": started, "State": "active" if started else "inactive"})
    out.append({"Caption": "Disk check for dev-disk-by\\x2duuid", "Name": "systemd-fsck@dev-disk-by\\x2duuid.service",
                "StartMode": "Manual", "Started": True, "State": "active"})
    out.sort(key=lambda s: s["Name"])
    return [out]


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parents[2] / "recordings" / \
        "linux-server.json"
    perf, images = Processes(rng, process_list(), 8).answers(16, 16_842_600_000_000)
    computer = {
        "select * from win32_operatingsystem": operating_system(),
        "select * from win32_perfrawdata_perfos_processor": processor_answers(rng, 8, SAMPLES, idle_start=9_000_000_000,
                                                                              stamp_start=16_842_600_000_000, busy=busy),
        "select * from win32_processor": [[{"Name": "Intel(R) Xeon(R) Silver 4314 CPU @ 2.40GHz", "DeviceID": "CPU0"}]],
        "select * from win32_perfrawdata_perfproc_process": perf,
        "select * from win32_process": images,
        "select * from win32_service": services(),
        "select * from win32_perfrawdata_tcpip_networkinterface": adapters(rng, [
            ("lo", 0, 40_000), ("eno1", 1_000_000_000, 30_000_000), ("eno2", 100_000_000, 4_000_000),
            ("docker0", 0, 5_000)], SAMPLES),
    }
    write(out, NAME, computer)


if __name__ == "__main__":
    main()
