# SPDX-License-Identifier: MIT
"""The window as a screen reader reads it: the real program against ke-unit-sim,
read and driven only over the accessibility bus, under atspi_session.sh. Waits
are bounded and polled; a failed check prints the program's tree as the bus shows it."""
import os
import socket
import struct
import subprocess
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

RENAMED = "object:property-change:accessible-name"


def poll(what, probe, timeout=30):
    """probe()'s first true answer. A bus error counts as none yet: objects come and go."""
    deadline = time.monotonic() + timeout
    while True:
        while GLib.MainContext.default().iteration(False):  # delivers the bus's events
            pass
        try:
            found = probe()
        except GLib.Error:
            found = None
        if found:
            return found
        if time.monotonic() > deadline:
            raise AssertionError(f"not seen within {timeout} s: {what}")
        time.sleep(0.05)


class Node:
    def __init__(self, acc, depth):
        self.acc, self.depth, self.role, self.name = acc, depth, acc.get_role_name(), acc.get_name() or ""
        targets = lambda r: [r.get_target(i).get_name() for i in range(r.get_n_targets())]  # noqa: E731
        self.relations = {r.get_relation_type().value_nick: targets(r) for r in acc.get_relation_set() or []}
        self.value = acc.get_current_value() if "Value" in acc.get_interfaces() else None
        states = acc.get_state_set()
        self.showing, self.enabled = (states.contains(s) for s in (Atspi.StateType.SHOWING, Atspi.StateType.ENABLED))

    def __str__(self):
        value = "" if self.value is None else f" value={self.value:g}"
        relations = "".join(f" {kind}={targets}" for kind, targets in self.relations.items())
        return f"{'  ' * self.depth}{self.role} {self.name!r}{value}{relations}"


class Child:
    """A process for the length of a with block, once `ready`; its output goes to a file."""

    def __init__(self, *argv, ready, env=None):
        self.log = tempfile.TemporaryFile(mode="w+")
        self.process = subprocess.Popen(argv, stdout=self.log, stderr=subprocess.STDOUT, env=env)
        try:
            poll(f"{os.path.basename(argv[0])} ready", lambda: self.alive() and ready(self))
        except BaseException:
            self.__exit__(None)
            raise

    def alive(self):
        if self.process.poll() is not None:
            self.log.seek(0)
            raise AssertionError(f"{self.process.args[0]} ended ({self.process.returncode}): {self.log.read()[-2000:]}")
        return True

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.process.terminate()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.log.close()


def Unit(sim, *options):
    return Child(sim, "--serial", "KE012345", *options,
                 ready=lambda unit: unit.log.seek(0) == 0 and "plugged in" in unit.log.read())


class Window(Child):
    """The program, found on the bus by its process ID; `env` adds to its environment."""

    def __init__(self, app, **env):
        self.renamed, self.app = [], None  # screen readers learn of changes from events
        self.listener = Atspi.EventListener.new(lambda event: self.renamed.append(event.source.get_name()))
        self.listener.register(RENAMED)
        super().__init__(app, ready=Window._find_app, env=dict(os.environ, KE_SIMULATED_UNITS="1", **env))

    def _find_app(self):
        desktop = Atspi.get_desktop(0)
        desktop.clear_cache()
        apps = (desktop.get_child_at_index(i) for i in range(desktop.get_child_count()))
        self.app = next((a for a in apps if a is not None and a.get_process_id() == self.process.pid), None)
        return self.app

    def __exit__(self, kind, *_):
        if kind is not None and self.app is not None and self.process.poll() is None:
            try:
                print("The program's tree on the bus:\n" + "\n".join(str(node) for node in self.tree()))
            except GLib.Error as error:
                print(f"(no tree: {error})")
        self.listener.deregister(RENAMED)
        super().__exit__()

    def tree(self, root=None):
        """Every object under `root` (default: the program, alerts included), read afresh."""
        nodes, todo = [], [(root or self.app, 0)]
        todo[0][0].clear_cache()
        while todo:
            acc, depth = todo.pop()
            nodes.append(Node(acc, depth))
            children = (acc.get_child_at_index(i) for i in reversed(range(acc.get_child_count())))
            todo += [(child, depth + 1) for child in children if child is not None]
        return nodes

    def find(self, role, name=None):
        """The showing objects of `role` named `name` (any name when None)."""
        return [n for n in self.tree() if n.role == role and name in (None, n.name) and n.showing]

    def wait(self, what, role, name=None):
        return poll(what, lambda: self.alive() and self.find(role, name))[0]

    def press(self, role, name):
        """Presses a control as a screen reader user does: by its action, once enabled."""
        def press_once():
            found = [node for node in self.find(role, name) if node.enabled] if self.alive() else []
            return found and found[0].acc.do_action(0)

        poll(f"an enabled {role} {name!r} pressed", press_once)


class Hold:
    """Another client holding the unit served on socket `name` for the length of a with block."""

    def __init__(self, name):
        runtime = os.environ.get("XDG_RUNTIME_DIR", "")
        folder = os.path.join(runtime, "kefirmwareupdate") if runtime.startswith("/") else \
            f"/tmp/kefirmwareupdate-{os.getuid()}"
        self.client = socket.socket(socket.AF_UNIX)
        self.client.settimeout(10)
        self.client.connect(os.path.join(folder, name + ".sock"))
        self._ask(0x01, struct.pack(">I", 1))  # hello, protocol 1
        granted = self._ask(0x02, b"")[0] == 0  # acquire
        if not granted:
            self.client.close()
            raise AssertionError(f"the unit on {name} could not be held")

    def _ask(self, kind, body):
        self.client.sendall(b"KU" + bytes([kind, 0]) + struct.pack(">I", len(body)) + body)
        header = self._read(8)
        return self._read(struct.unpack(">I", header[4:])[0])

    def _read(self, count):
        data = b""
        while len(data) < count:
            piece = self.client.recv(count - len(data))
            if not piece:
                raise AssertionError("the simulated unit hung up")
            data += piece
        return data

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.client.close()  # the end of the connection gives the unit back
