#!/usr/bin/python3
"""A stand-in for the service manager (org.freedesktop.systemd1) on a private bus, for the tests.

Run with Debian's interpreter (python3-dbus, python3-gi) and DBUS_SYSTEM_BUS_ADDRESS set to the bus:
    stand_in_service_manager.py UNITS.json

UNITS.json is a list of units:
    {"id": "ssh.service",          the unit name
     "description": "...",         default: the name, as the manager reports a unit without one
     "active": "active",           default "inactive"
     "file": "enabled",            the unit-file state; absent: the unit has no unit file
     "loaded": true,               false: only installed as a file, until something starts it
     "load": "loaded",             the load state ("not-found" for a name referred to but not installed)
     "deny": true,                 starting or stopping it is refused with AccessDenied
     "fail_start": true,           a start ends in "failed"
     "stall": true}                listing the units or starting this one answers only after 30 s
A masked unit ("file": "masked") refuses to start with UnitMasked. Jobs change the state 50 ms after the call
returns, through "activating"/"deactivating", as the real manager's jobs do.
"""
import fnmatch
import json
import sys
import time

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = "org.freedesktop.systemd1"
ROOT = "/org/freedesktop/systemd1"
MANAGER = "org.freedesktop.systemd1.Manager"
UNIT = "org.freedesktop.systemd1.Unit"
PROPERTIES = "org.freedesktop.DBus.Properties"
JOB_DELAY_MS = 50
STALL_S = 30


def escape(name):  # the manager's object-path label escaping
    return "".join(c if c.isascii() and c.isalnum() else "_%02x" % ord(c) for c in name)


class NoSuchUnit(dbus.DBusException):
    _dbus_error_name = "org.freedesktop.systemd1.NoSuchUnit"


class UnitMasked(dbus.DBusException):
    _dbus_error_name = "org.freedesktop.systemd1.UnitMasked"


class AccessDenied(dbus.DBusException):
    _dbus_error_name = "org.freedesktop.DBus.Error.AccessDenied"


class Unit(dbus.service.Object):
    def __init__(self, conn, unit):
        self.path = ROOT + "/unit/" + escape(unit["id"])
        super().__init__(conn, self.path)
        active = unit.get("active", "inactive")
        file_state = unit.get("file")
        self.file_path = unit.get("path", "/lib/systemd/system/" + unit["id"])
        self.loaded = unit.get("loaded", True)
        self.deny = unit.get("deny", False)
        self.fail_start = unit.get("fail_start", False)
        self.stall = unit.get("stall", False)
        self.p = {
            "Id": unit["id"],
            "Names": dbus.Array([unit["id"]], "s"),
            "Description": unit.get("description", unit["id"]),
            "LoadState": unit.get("load", "masked" if file_state == "masked" else "loaded"),
            "ActiveState": active,
            "SubState": {"active": "running", "failed": "failed"}.get(active, "dead"),
            "UnitFileState": file_state or "",
        }

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface not in (UNIT, "") or name not in self.p:
            raise dbus.DBusException("Unknown property " + name,
                                     name="org.freedesktop.DBus.Error.UnknownProperty")
        return self.p[name]

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return dict(self.p) if interface in (UNIT, "") else {}

    @dbus.service.signal(PROPERTIES, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass

    def set_state(self, active, sub):
        self.p["ActiveState"], self.p["SubState"] = active, sub
        self.PropertiesChanged(UNIT, {"ActiveState": active, "SubState": sub}, dbus.Array([], "s"))


class Manager(dbus.service.Object):
    def __init__(self, conn, specs):
        super().__init__(conn, ROOT)
        self.units = {s["id"]: Unit(conn, s) for s in specs}
        self.next_job = 1

    def _known(self, name):
        unit = self.units.get(str(name))
        if unit is None or (not unit.loaded and not unit.p["UnitFileState"]):
            raise NoSuchUnit("Unit %s not found." % name)
        return unit

    def _loaded(self, name):
        unit = self.units.get(str(name))
        if unit is None or not unit.loaded:
            raise NoSuchUnit("Unit %s not loaded." % name)
        return unit

    @staticmethod
    def _row(unit):
        p = unit.p
        return (p["Id"], p["Description"], p["LoadState"], p["ActiveState"], p["SubState"], "",
                dbus.ObjectPath(unit.path), dbus.UInt32(0), "", dbus.ObjectPath("/"))

    def _list(self, states, patterns):
        if any(u.stall for u in self.units.values()):
            time.sleep(STALL_S)  # holds every call, as a manager that hangs would
        return [self._row(u) for u in self.units.values()
                if u.loaded
                and (not states or u.p["ActiveState"] in states or u.p["SubState"] in states
                     or u.p["LoadState"] in states)
                and (not patterns or any(fnmatch.fnmatch(u.p["Id"], pat) for pat in patterns))]

    @dbus.service.method(MANAGER, in_signature="", out_signature="a(ssssssouso)")
    def ListUnits(self):
        return self._list([], [])

    @dbus.service.method(MANAGER, in_signature="asas", out_signature="a(ssssssouso)")
    def ListUnitsByPatterns(self, states, patterns):
        return self._list(states, patterns)

    @dbus.service.method(MANAGER, in_signature="asas", out_signature="a(ss)")
    def ListUnitFilesByPatterns(self, states, patterns):
        return dbus.Array([(u.file_path, u.p["UnitFileState"]) for u in self.units.values()
                           if u.p["UnitFileState"]
                           and (not states or u.p["UnitFileState"] in states)
                           and (not patterns or any(fnmatch.fnmatch(u.p["Id"], pat) for pat in patterns))],
                          "(ss)")

    @dbus.service.method(MANAGER, in_signature="s", out_signature="o")
    def GetUnit(self, name):
        return dbus.ObjectPath(self._loaded(name).path)

    @dbus.service.method(MANAGER, in_signature="s", out_signature="o")
    def LoadUnit(self, name):
        unit = self._known(name)
        unit.loaded = True
        return dbus.ObjectPath(unit.path)

    def _job(self, name, starting):
        unit = self._known(name)
        if unit.stall:
            time.sleep(STALL_S)
        if unit.deny:
            raise AccessDenied("Access denied")
        if starting and unit.p["LoadState"] == "masked":
            raise UnitMasked("Unit %s is masked." % name)
        unit.loaded = True
        job = self.next_job
        self.next_job += 1
        job_path = dbus.ObjectPath("%s/job/%d" % (ROOT, job))
        unit.set_state("activating" if starting else "deactivating", "start" if starting else "stop")

        def finish():
            if not starting:
                unit.set_state("inactive", "dead")
                result = "done"
            elif unit.fail_start:
                unit.set_state("failed", "failed")
                result = "failed"
            else:
                unit.set_state("active", "running")
                result = "done"
            self.JobRemoved(dbus.UInt32(job), job_path, name, result)
            return False

        GLib.timeout_add(JOB_DELAY_MS, finish)
        return job_path

    @dbus.service.method(MANAGER, in_signature="ss", out_signature="o")
    def StartUnit(self, name, mode):
        return self._job(name, True)

    @dbus.service.method(MANAGER, in_signature="ss", out_signature="o")
    def StopUnit(self, name, mode):
        return self._job(name, False)

    @dbus.service.method(MANAGER, in_signature="", out_signature="")
    def Subscribe(self):
        pass

    @dbus.service.signal(MANAGER, signature="uoss")
    def JobRemoved(self, job, path, unit, result):
        pass


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: stand_in_service_manager.py UNITS.json")
    with open(sys.argv[1], encoding="utf-8") as f:
        specs = json.load(f)
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    conn = dbus.SystemBus()  # DBUS_SYSTEM_BUS_ADDRESS points it at the private bus
    manager = Manager(conn, specs)
    # Taken last: once the name has an owner, every object answers.
    name = dbus.service.BusName(NAME, conn, do_not_queue=True)
    print("stand-in service manager owns", name.get_name(), flush=True)
    GLib.MainLoop().run()
    manager.remove_from_connection()


if __name__ == "__main__":
    main()
