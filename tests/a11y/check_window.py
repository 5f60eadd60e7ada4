# SPDX-License-Identifier: MIT
"""What a screen reader reads of the window, over the real accessibility
bus, against ke-unit-sim. Each check is a function taking the program and
the simulated unit's paths; add one with @check. On a failure the program's
tree as the bus showed it is printed.

    atspi_session.sh python3 check_window.py KEFirmwareUpdate ke-unit-sim [CHECK...]
"""
import os
import shutil
import subprocess
import sys
import tempfile

from atspi_window import CheckFailed, Unit, Window, poll

CHECKS = {}
UPDATING = "Updating the Ke: do not power it off or unplug it until the update is over."


def check(function):
    CHECKS[function.__name__] = function
    return function


def expect(condition, message):
    if not condition:
        raise CheckFailed(message)


def value_with_caption(window, value, caption):
    label = window.wait(f"a label reading {value!r}", "label", value)
    expect(label.relations.get("labelled-by") == [caption],
           f"{value!r} is labelled by {label.relations.get('labelled-by')}, not {caption!r}")


@check
def values_and_instruction_are_read_with_their_captions(app, sim):
    with Unit(sim, "--versions", "21-20"), Window(app) as window:
        value_with_caption(window, "21-20", "Ke firmware version:")
        value_with_caption(window, "KE012345", "Ke serial number:")
        window.wait("the instruction", "label", "Select Upgrade button to download firmware version 21-26 to Ke:")
        # A program the window knows as a video editor: the warning shows, and is read.
        with tempfile.TemporaryDirectory() as folder:
            editor = shutil.copy("/bin/sleep", os.path.join(folder, "dvgrab"))
            with subprocess.Popen([editor, "60"]) as running:
                try:
                    window.wait("the video application warning", "label",
                                "A video capture or editing application is running. Quit it before you update the Ke.")
                finally:
                    running.kill()


@check
def a_write_is_read_as_it_goes_and_its_completion(app, sim):
    # Slow erases, so that the bar is read part-way.
    with Unit(sim, "--versions", "21-20", "--erase-ms", "800"), Window(app) as window:
        window.press("push button", "Upgrade")
        window.wait("the instruction during the write", "label", UPDATING)
        poll("the change of instruction announced", lambda: UPDATING in window.renamed)
        window.wait("the bar named after the image being written", "progress bar", "Writing the FPGA image")
        seen = set()

        def moved():
            seen.update(bar.value for bar in window.find("progress bar") if 0 < bar.value < 100)
            return len(seen) >= 2

        poll("the progress bar's value moving part-way", moved)
        alert = window.wait("the completion alert", "alert", "Programming Complete")
        texts = window.texts(alert)
        expect("You will need to cycle the Power on your Ke for changes to take affect" in texts,
               f"the completion alert's text is not read: {texts}")
        window.press("push button", "OK")
        expect(window.exit_code() == 0, "the program did not quit with 0 after the update")


@check
def a_failure_alert_is_read(app, sim):
    with Unit(sim, "--versions", "21-20", "--refuse-crc"), Window(app) as window:
        window.press("push button", "Upgrade")
        texts = window.texts(window.wait("the failure alert", "alert", "Programming Failed"))
        expect(any(text and text != "Programming Failed" for text in texts),
               f"the failure alert says nothing more than its title: {texts}")
        window.press("push button", "OK")
        window.press("push button", "Cancel")
        expect(window.exit_code() == 0, "Cancel after a failure did not quit with 0")


def main(argv):
    app, sim, wanted = argv[1], argv[2], argv[3:] or list(CHECKS)
    unknown = set(wanted) - set(CHECKS)
    if unknown:
        print(f"no such check: {', '.join(sorted(unknown))}; the checks: {', '.join(CHECKS)}")
        return 2
    failed = 0
    for name in wanted:
        try:
            CHECKS[name](app, sim)
            print(f"ok   {name}")
        except CheckFailed as error:
            failed += 1
            print(f"FAIL {name}: {error}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
