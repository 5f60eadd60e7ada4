# SPDX-License-Identifier: MIT
"""A write that has begun outlives the window's display: the real program on a virtual
display of its own, against ke-unit-sim, its X connection cut part-way through the FPGA
image. Under atspi_session.sh, with KE_APP and KE_UNIT_SIM as for check_window.py."""
import json
import os
import re
import subprocess
import tempfile
import unittest

from atspi_window import Unit, Window, poll

APP, SIM = os.environ.get("KE_APP", "KEFirmwareUpdate"), os.environ.get("KE_UNIT_SIM", "ke-unit-sim")


class Display:
    """An X server for the length of a with block, named as DISPLAY takes it."""

    def __enter__(self):
        read, write = os.pipe()
        self.server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "800x600x24", "-nolisten",
                                        "tcp"], pass_fds=[write], stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as numbers:
            self.name = ":" + numbers.readline().strip()
        return self

    def __exit__(self, *_):
        self.server.terminate()
        self.server.wait()


def kill_client(display, _window):
    """XKillClient on the window, as a desktop's force quit does."""
    info = subprocess.run(["xwininfo", "-display", display.name, "-name", "KEFirmwareUpdate"],
                          capture_output=True, text=True, check=True).stdout
    subprocess.run(["xkill", "-display", display.name, "-id", re.search(r"Window id: (0x[0-9a-f]+)", info)[1]],
                   capture_output=True, check=True)


def end_server(display, _window):
    display.server.terminate()


class WriteOutlivesTheDisplay(unittest.TestCase):
    def check_cut(self, cut):
        with tempfile.TemporaryDirectory() as folder:
            state = os.path.join(folder, "unit")
            with Display() as display, Unit(SIM, "--versions", "21-20", "--state", state, "--latency-us", "1000"), \
                    Window(APP, DISPLAY=display.name, XDG_STATE_HOME=folder) as window:
                window.press("push button", "Upgrade")
                poll("the first blocks written", lambda: any(bar.value > 0 for bar in window.find("progress bar")))
                cut(display, window)
                status = window.process.wait(120)
            self.assertGreaterEqual(status, 0, "ended by a signal")
            with Unit(SIM, "--state", state) as unit:  # a power cycle
                unit.log.seek(0)
                self.assertIn(" at 21-26 plugged in", unit.log.read())
            with open(os.path.join(folder, "kefirmwareupdate", "history.jsonl")) as history:
                self.assertEqual(["succeeded"], [json.loads(line)["result"] for line in history])

    def test_the_window_killed_by_its_display(self):
        self.check_cut(kill_client)

    def test_the_display_server_ending(self):
        self.check_cut(end_server)


if __name__ == "__main__":
    unittest.main()
