# SPDX-License-Identifier: MIT
"""The window as a screen reader reads it: the real program against
ke-unit-sim, seen and driven only through the accessibility bus (AT-SPI).
Run under atspi_session.sh, which gives it a display and a bus of its own.

    with Unit(sim, "--versions", "21-20"), Window(app) as window:
        version = window.wait("the version", role="label", name="21-20")
        window.press("push button", "Upgrade")
"""
import contextlib
import os
import subprocess
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

TIMEOUT_S = 30
POLL_S = 0.05
RENAMED = "object:property-change:accessible-name"


class CheckFailed(Exception):
    pass


def poll(what, probe, timeout=TIMEOUT_S):
    """probe()'s first true answer; CheckFailed naming `what` after `timeout` seconds.
    A bus error counts as no answer yet: objects come and go while the tree is read."""
    deadline = time.monotonic() + timeout
    while True:
        # Events from the bus come in only while the main context runs.
        while GLib.MainContext.default().iteration(False):
            pass
        try:
            found = probe()
        except GLib.Error:
            found = None
        if found:
            return found
        if time.monotonic() > deadline:
            raise CheckFailed(f"not seen within {timeout} s: {what}")
        time.sleep(POLL_S)


class Node:
    """One object of the tree as read at one moment."""

    def __init__(self, acc, depth):
        self.acc = acc
        self.depth = depth
        self.role = acc.get_role_name()
        self.name = acc.get_name() or ""
        self.description = acc.get_description() or ""
        self.relations = {}
        for relation in acc.get_relation_set() or []:
            targets = [relation.get_target(i).get_name() for i in range(relation.get_n_targets())]
            self.relations.setdefault(relation.get_relation_type().value_nick, []).extend(targets)
        self.value = acc.get_current_value() if "Value" in acc.get_interfaces() else None
        states = acc.get_state_set()
        self.showing = states.contains(Atspi.StateType.SHOWING)
        self.enabled = states.contains(Atspi.StateType.ENABLED)

    def __str__(self):
        value = "" if self.value is None else f" value={self.value:g}"
        relations = "".join(f" {kind}={targets}" for kind, targets in sorted(self.relations.items()))
        return f"{'  ' * self.depth}{self.role} {self.name!r}{value}{relations}"


class _Process:
    """A child process that ends with the block; its output goes to a file."""

    def __init__(self, argv, env=None):
        self.log = tempfile.TemporaryFile(mode="w+")
        self.process = subprocess.Popen(argv, stdout=self.log, stderr=subprocess.STDOUT, env=env)

    def output(self):
        self.log.seek(0)
        return self.log.read()

    def __enter__(self):
        return self

    @contextlib.contextmanager
    def closed_on_error(self):
        """For the constructor: a process that never became usable does not outlive it."""
        try:
            yield
        except BaseException:
            self.__exit__(None, None, None)
            raise

    def __exit__(self, kind, error, trace):
        self.close()

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log.close()


class Unit(_Process):
    """ke-unit-sim, plugged in once it says so."""

    def __init__(self, sim, *options):
        super().__init__([sim, "--serial", "KE012345", *options])
        with self.closed_on_error():
            poll("ke-unit-sim plugged in", lambda: "plugged in" in self.output() or self.process.poll() is not None, 10)
            if self.process.poll() is not None:
                raise CheckFailed("ke-unit-sim ended: " + self.output())


class Window(_Process):
    """The program, found on the bus by its process ID."""

    def __init__(self, app):
        # Screen readers keep what they read and learn of changes from events.
        self.renamed = []
        self._listener = Atspi.EventListener.new(lambda event: self.renamed.append(event.source.get_name()))
        self._listener.register(RENAMED)
        super().__init__([app], dict(os.environ, KE_SIMULATED_UNITS="1"))
        with self.closed_on_error():
            self.app = poll("the program on the accessibility bus", self._find_app)

    def _find_app(self):
        if self.process.poll() is not None:
            raise CheckFailed(f"the program ended with {self.process.returncode}: {self.output()}")
        desktop = Atspi.get_desktop(0)
        desktop.clear_cache()
        for i in range(desktop.get_child_count()):
            child = desktop.get_child_at_index(i)
            if child is not None and child.get_process_id() == self.process.pid:
                return child
        return None

    def tree(self, root=None):
        """Every object under `root` (the program: windows and alerts alike), read afresh."""
        root = root or self.app
        root.clear_cache()
        nodes = []

        def walk(acc, depth):
            nodes.append(Node(acc, depth))
            for i in range(acc.get_child_count()):
                child = acc.get_child_at_index(i)
                if child is not None:
                    walk(child, depth + 1)

        walk(root, 0)
        return nodes

    def __exit__(self, kind, error, trace):
        # What the bus showed when a check failed, before the program goes.
        if kind is not None and self.process.poll() is None:
            print(f"The program's tree on the bus:\n{self.dump()}")
        self._listener.deregister(RENAMED)
        self.close()

    def texts(self, node):
        """What a screen reader reads inside `node`: the names of its labels."""
        return [label.name for label in self.tree(node.acc) if label.role == "label"]

    def dump(self):
        try:
            return "\n".join(str(node) for node in self.tree())
        except Exception as error:  # the program may be gone
            return f"(no tree: {error})"

    def find(self, role, name=None, showing=True):
        """Objects of `role` named `name` (any name when None)."""
        return [node for node in self.tree()
                if node.role == role and (name is None or node.name == name) and (node.showing or not showing)]

    def wait(self, what, role, name=None, timeout=TIMEOUT_S):
        return poll(what, lambda: self._alive() and self.find(role, name), timeout)[0]

    def press(self, role, name):
        """Presses a button as a screen reader user does: by its action, once enabled."""
        def press_once():
            found = [node for node in self.find(role, name) if node.enabled] if self._alive() else []
            return found and found[0].acc.do_action(0)

        poll(f"an enabled {role} {name!r} pressed", press_once)

    def exit_code(self, timeout=TIMEOUT_S):
        poll("the program's end", lambda: self.process.poll() is not None, timeout)
        return self.process.returncode

    def _alive(self):
        if self.process.poll() is not None:
            raise CheckFailed(f"the program ended with {self.process.returncode}: {self.output()[-2000:]}")
        return True
