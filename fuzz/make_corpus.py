#!/usr/bin/env python3
"""Writes the seed corpora in fuzz/corpus/ from the saved /proc trees and the recordings the tests use.

Run from the repository root; each seed is named by the hash of its content, as libFuzzer names its own."""
import hashlib
import json
import struct
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
TREES = ROOT / "tests/fixtures/linux"
CORPUS = ROOT / "fuzz/corpus"


def write(target, data):
    if isinstance(data, str):
        data = data.encode()
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / hashlib.sha1(data).hexdigest()).write_bytes(data)


def grep_lines(files):
    """What `grep -aH '' FILE...` prints on the watched computer."""
    out = []
    for name, path in files:
        for line in path.read_text(errors="replace").splitlines():
            out.append(f"{name}:{line}")
    return "\n".join(out) + "\n"


def remote_answers(tree):
    proc = tree / "proc"
    pid_files = sorted(p for p in proc.glob("[0-9]*/*") if p.name in ("stat", "statm", "status"))
    answers = [
        [(str(p.relative_to(proc)), p) for p in pid_files]
        + [(f"/proc/{n}", proc / n) for n in ("stat", "uptime") if (proc / n).is_file()],
        [(f"/{p.relative_to(tree)}", p) for p in [tree / "etc/os-release", tree / "usr/lib/os-release",
                                                  proc / "sys/kernel/ostype", proc / "sys/kernel/osrelease",
                                                  proc / "meminfo", tree / "etc/machine-id"] if p.is_file()],
        [(f"/{p.relative_to(tree)}", p) for p in [proc / "net/dev", *sorted(tree.glob("sys/class/net/*/speed"))]
         if p.is_file()],
        [("/proc/cpuinfo", proc / "cpuinfo")] if (proc / "cpuinfo").is_file() else [],
    ]
    extra = "=processes 3\n=boot 1700000000 +0100\n=install 1600000000 -0530\n"
    return [grep_lines(files) + (extra if i == 1 else "") for i, files in enumerate(answers) if files]


def shrunk(recording):
    """A recording with at most two answers a query and three instances an answer: small seeds run fast."""
    for computer in recording["computers"].values():
        if not isinstance(computer, dict):
            continue
        for query, answers in computer.items():
            if isinstance(answers, list):
                computer[query] = [a[:3] if isinstance(a, list) else a for a in answers[:2]]
    return json.dumps(recording, indent=1)


def main():
    for path in sorted(TREES.rglob("*")):
        if path.is_file():
            write("fuzz_linux_files", path.read_bytes())
    for tree in sorted(TREES.iterdir()):
        for answer in remote_answers(tree):
            write("fuzz_remote_texts", answer)
    for path in sorted((ROOT / "recordings").glob("*.json")):
        write("fuzz_recording", shrunk(json.loads(path.read_text())))
    for text in ["select * from Win32_Service", "select *  from   win32_service ",
                 "select * from Win32_Service where Name = 'it\\'s'", "select * from c where name = 'a\\\\b'",
                 "select * from c where name = 'open", "winmgmts://alpha", "winmgmts:",
                 "winmgmts:{impersonationLevel=Impersonate}!\\\\alpha\\root\\cimv2",
                 "winmgmts:{impersonationLevel=Impersonate}!\\\\\\root\\cimv2"]:
        write("fuzz_query_moniker", text)
    for arguments in ["/c:alpha\0/t:3", "/C:ALPHA /T:2", "/t:2\0/c:alpha", "/c:/t:2", "/c:alpha /t:x", ""]:
        write("fuzz_command_line", arguments)
    for value, decimals, typed in [(0.5, 0, "1"), (2.675, 2, "30"), (-1.25, 1, "1,5"), (1e300, 0, " 1.5e3 "),
                                   (32767.5, 0, "-32768,5"), (float("nan"), 1, "1.000.000")]:
        write("fuzz_numbers", struct.pack("<d", value) + bytes([decimals]) + typed.encode())


if __name__ == "__main__":
    main()
