<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>MainWindow</name>
    <message>
        <source>KEFirmwareUpdate</source>
        <translation>KEFirmwareUpdate</translation>
    </message>
    <message>
        <source>Ke &amp;unit:</source>
        <translation>Ke-&amp;Gerät:</translation>
    </message>
    <message>
        <source>Ke unit</source>
        <translation>Ke-Gerät</translation>
    </message>
    <message>
        <source>The Ke to show and update, by serial number and firmware version, when several are connected</source>
        <translation>Der Ke, der angezeigt und aktualisiert wird, nach Seriennummer und Firmware-Version, wenn mehrere angeschlossen sind</translation>
    </message>
    <message>
        <source>Ke firmware version:</source>
        <translation>Ke-Firmware-Version:</translation>
    </message>
    <message>
        <source>The firmware the connected Ke runs, microcontroller version then FPGA version, or Ke Not Found</source>
        <translation>Die Firmware des angeschlossenen Ke, erst die Mikrocontroller-, dann die FPGA-Version, oder Ke nicht gefunden</translation>
    </message>
    <message>
        <source>Ke Not Found</source>
        <translation>Ke nicht gefunden</translation>
    </message>
    <message>
        <source>Ke serial number:</source>
        <translation>Ke-Seriennummer:</translation>
    </message>
    <message>
        <source>The serial number of the connected Ke, or Ke Not Found</source>
        <translation>Die Seriennummer des angeschlossenen Ke oder Ke nicht gefunden</translation>
    </message>
    <message>
        <source>What to do next, what the update is doing, or why the connected Ke cannot be used</source>
        <translation>Was als Nächstes zu tun ist, was die Aktualisierung gerade tut oder warum der angeschlossene Ke nicht verwendet werden kann</translation>
    </message>
    <message>
        <source>Shown while a video capture or editing application runs; the update waits until it quits</source>
        <translation>Wird angezeigt, solange ein Programm zur Videoaufnahme oder zum Videoschnitt läuft; die Aktualisierung wartet, bis es beendet ist</translation>
    </message>
    <message>
        <source>A video capture or editing application is running. Quit it before you update the Ke.</source>
        <translation>Ein Programm zur Videoaufnahme oder zum Videoschnitt läuft. Beenden Sie es, bevor Sie den Ke aktualisieren.</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>Fortschritt der Aktualisierung</translation>
    </message>
    <message>
        <source>How much of the update is done, from 0 to 100 percent; while the update runs its name says which image is being written</source>
        <translation>Wie weit die Aktualisierung ist, von 0 bis 100 Prozent; während sie läuft, nennt ihr Name das Image, das gerade geschrieben wird</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Quits the program; disabled from the moment the update starts until it is over</source>
        <translation>Beendet das Programm; gesperrt vom Beginn der Aktualisierung bis zu ihrem Ende</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Writes the firmware that this program carries to the Ke; reads Downgrade when the Ke runs a newer version</source>
        <translation>Schreibt die Firmware, die dieses Programm mitbringt, auf den Ke; heißt Zurückstufen, wenn der Ke eine neuere Version hat</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;About KEFirmwareUpdate</source>
        <translation>Ü&amp;ber KEFirmwareUpdate</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation>Ctrl+Q</translation>
    </message>
</context>
<context>
    <name>kecli::CliApp</name>
    <message>
        <source>upgrade (%1 to %2)</source>
        <translation>Aktualisierung (%1 auf %2)</translation>
    </message>
</context>
</TS>
