# SPDX-License-Identifier: MIT
"""What a screen reader reads of the window; each check is a test_ method. KE_APP and
KE_UNIT_SIM name the programs: atspi_session.sh python3 check_window.py [ScreenReader.test_...]"""
import os
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET
from unittest import mock

from atspi_window import Atspi, Hold, Unit, Window, poll

APP, SIM = os.environ.get("KE_APP", "KEFirmwareUpdate"), os.environ.get("KE_UNIT_SIM", "ke-unit-sim")
OFFERED = "Select Upgrade button to download firmware version 21-26 to Ke:"
HELD = "A Ke is connected, but another program is using it: quit that program to update the Ke."
UPDATING = "Updating the Ke: do not power it off or unplug it until the update is over."


def translated(language, context, source):
    """`source`'s translation in the program's translation file for `language`; one the same as the English is none."""
    path = os.path.join(os.path.dirname(__file__), "..", "..", "translations", f"kefirmwareupdate_{language}.ts")
    contexts = [c for c in ET.parse(path).getroot().iter("context") if c.findtext("name") == context]
    found = [m.findtext("translation") for c in contexts for m in c.iter("message") if m.findtext("source") == source]
    assert found and found[0] and found[0] != source, f"no {language} translation of [{context}] {source!r}"
    return found[0]


def choose(window, popup, entry):
    """Opens the popup by its action and clicks `entry` where the bus says it lies."""
    popup.acc.do_action(0)
    item = poll(f"the open popup's entry {entry!r}", lambda: [
        n for n in window.tree(popup.acc) if n.name == entry and n.showing])[0]
    box = item.acc.get_extents(Atspi.CoordType.SCREEN)
    Atspi.generate_mouse_event(box.x + box.width // 2, box.y + box.height // 2, "b1c")
    window.wait("the popup reading the entry chosen", "combo box", entry)


def alert_texts(window, title):
    return [n.name for n in window.tree(window.wait(f"the alert {title!r}", "alert", title).acc) if n.role == "label"]


class ScreenReader(unittest.TestCase):
    def test_values_and_instruction_are_read_with_their_captions(self):
        with Unit(SIM, "--versions", "21-20"), Window(APP) as window:
            for value, caption in (("21-20", "Ke firmware version:"), ("KE012345", "Ke serial number:")):
                label = window.wait(f"a label reading {value!r}", "label", value)
                self.assertEqual([caption], label.relations.get("labelled-by"), value)
            window.wait("the instruction", "label", OFFERED)

    def test_a_write_is_read_as_it_goes_and_its_completion(self):
        # Slow erases, so that the bar is read part-way.
        with Unit(SIM, "--versions", "21-20", "--erase-ms", "800"), Window(APP) as window:
            window.press("push button", "Upgrade")
            window.wait("the instruction during the write", "label", UPDATING)
            poll("the change of instruction announced", lambda: UPDATING in window.renamed)
            window.wait("the bar named after the image being written", "progress bar", "Writing the FPGA image")
            seen = set()  # values part-way
            poll("the progress bar's value moving part-way", lambda: seen.update(
                bar.value for bar in window.find("progress bar") if 0 < bar.value < 100) or len(seen) >= 2)
            self.assertIn("You will need to cycle the Power on your Ke for changes to take affect",
                          alert_texts(window, "Programming Complete"))
            window.press("push button", "OK")
            self.assertEqual(0, window.process.wait(30))

    def test_the_unit_popup_is_read_with_its_caption_and_chooses_the_unit(self):
        with Unit(SIM, "--versions", "21-20", "--serial", "KEAAAAAA", "--socket", "aa-unit"), \
                Unit(SIM, "--versions", "22-30", "--serial", "KEBBBBBB", "--socket", "bb-unit"), Window(APP) as window:
            popup = window.wait("the unit popup", "combo box", "KEAAAAAA, firmware 21-20")
            self.assertEqual(["Ke unit:"], popup.relations.get("labelled-by"))
            window.wait("the first unit's version", "label", "21-20")
            entries = [n.name for n in window.tree(popup.acc) if n.role == "list item"]
            self.assertEqual(["KEAAAAAA, firmware 21-20", "KEBBBBBB, firmware 22-30"], entries)
            choose(window, popup, entries[1])
            window.wait("the second unit's version", "label", "22-30")
            window.wait("the second unit's serial number", "label", "KEBBBBBB")

    def test_one_confirmation_at_a_time_whatever_presses_the_window_behind_it(self):
        with Unit(SIM, "--versions", "22-30"), Window(APP) as window:
            window.press("push button", "Downgrade")
            confirmation = window.wait("the confirmation", "alert", "This is a Downgrade:")
            window.press("push button", "Downgrade")  # the window's, behind the alert: modality does not stop it
            time.sleep(1)
            self.assertEqual(1, len(window.find("alert")), "a second confirmation opened")
            cancel = [n for n in window.tree(confirmation.acc) if n.role == "push button" and n.name == "Cancel"]
            cancel[0].acc.do_action(0)
            self.assertEqual(0, window.process.wait(30))

    def test_a_completion_alert_tells_of_a_record_not_kept(self):
        with tempfile.TemporaryDirectory() as state, mock.patch.dict(os.environ, XDG_STATE_HOME=state):
            # A folder where the history file would be: it cannot be written, even by root.
            os.makedirs(os.path.join(state, "kefirmwareupdate", "history.jsonl"), mode=0o700)
            os.chmod(os.path.join(state, "kefirmwareupdate"), 0o700)
            with Unit(SIM, "--versions", "21-20"), Window(APP) as window:
                window.press("push button", "Upgrade")
                texts = " ".join(alert_texts(window, "Programming Complete"))
                self.assertIn("The update could not be recorded in the history: Is a directory.", texts)
                window.press("push button", "OK")
                self.assertEqual(0, window.process.wait(30))

    def test_a_chosen_unit_another_program_holds_for_a_moment_stays_chosen(self):
        with Unit(SIM, "--versions", "21-20", "--serial", "KEAAAAAA", "--socket", "aa-unit"), \
                Unit(SIM, "--versions", "21-20", "--serial", "KEBBBBBB", "--socket", "bb-unit"), Window(APP) as window:
            choose(window, window.wait("the unit popup", "combo box", "KEAAAAAA, firmware 21-20"),
                   "KEBBBBBB, firmware 21-20")
            window.wait("the second unit's serial number", "label", "KEBBBBBB")
            with Hold("bb-unit"):
                held = time.monotonic()
                window.wait("the line saying the chosen unit is held", "label", HELD)
                self.assertEqual(([], ["KEBBBBBB, firmware 21-20"]), (window.find("label", "KEAAAAAA"), [
                    n.name for n in window.find("combo box")]), "the choice stays")
                self.assertTrue(window.find("label", "KEBBBBBB"))
                self.assertFalse([n for n in window.find("push button", "Upgrade") if n.enabled])
                time.sleep(max(0.0, 1 - (time.monotonic() - held)))
            window.wait("the chosen unit offered again", "label", OFFERED)
            self.assertTrue(window.find("label", "KEBBBBBB"))
            self.assertFalse(window.find("label", "KEAAAAAA"))
            poll("Upgrade enabled again", lambda: [n for n in window.find("push button", "Upgrade") if n.enabled])

    def test_a_failure_alert_is_read(self):
        with Unit(SIM, "--versions", "21-20", "--refuse-crc"), Window(APP) as window:
            window.press("push button", "Upgrade")
            texts = alert_texts(window, "Programming Failed")
            self.assertTrue(set(texts) - {"", "Programming Failed"}, f"nothing but the title: {texts}")
            window.press("push button", "OK")
            window.press("push button", "Cancel")
            self.assertEqual(0, window.process.wait(30))

    def test_the_window_and_its_alerts_speak_the_users_language(self):
        de = lambda context, source: translated("de", context, source)  # noqa: E731
        with Unit(SIM, "--versions", "22-30"), Window(APP, LANG="de_DE.UTF-8") as window:
            for value, caption in (("22-30", "Ke firmware version:"), ("KE012345", "Ke serial number:")):
                label = window.wait(f"a label reading {value!r}", "label", value)
                self.assertEqual([de("MainWindow", caption)], label.relations.get("labelled-by"), value)
            dialog = "CKeFirmwareUpdateDialog"
            instruction = de(dialog, "Select Downgrade button to download firmware version %1 to Ke:")
            window.wait("the instruction", "label", instruction.replace("%1", "21-26"))
            window.press("push button", de(dialog, "Downgrade"))
            self.assertIn(de("KeAlerts", "Press OK to Continue or Cancel to Quit"),
                          alert_texts(window, de("KeAlerts", "This is a Downgrade:")))


if __name__ == "__main__":
    unittest.main()
