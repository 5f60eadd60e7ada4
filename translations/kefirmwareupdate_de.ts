<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>CKeFirmwareUpdateDialog</name>
    <message>
        <source>Ke Not Found</source>
        <translation>Ke nicht gefunden</translation>
    </message>
    <message>
        <source>Updating the Ke: do not power it off or unplug it until the update is over.</source>
        <translation>Der Ke wird aktualisiert: Schalten Sie ihn nicht aus und trennen Sie ihn nicht, bis die Aktualisierung beendet ist.</translation>
    </message>
    <message>
        <source>KEFirmwareUpdate will quit when the update is over.</source>
        <translation>KEFirmwareUpdate wird beendet, sobald die Aktualisierung abgeschlossen ist.</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>Fortschritt der Aktualisierung</translation>
    </message>
    <message>
        <source>Writing the firmware image</source>
        <translation>Firmware-Image wird geschrieben</translation>
    </message>
    <message>
        <source>Writing the FPGA image</source>
        <translation>FPGA-Image wird geschrieben</translation>
    </message>
    <message>
        <source>Writing the microcontroller image</source>
        <translation>Mikrocontroller-Image wird geschrieben</translation>
    </message>
    <message>
        <source>Not offered: %1.</source>
        <translation>Nicht zur Aktualisierung angeboten: %1.</translation>
    </message>
    <message>
        <source>A Ke is connected, but you may not use it: install the udev rule from the package and join the video group (see PERMISSIONS in man KEFirmwareUpdate), then plug the Ke in again.</source>
        <translation>Ein Ke ist angeschlossen, aber Sie dürfen ihn nicht verwenden: Installieren Sie die udev-Regel aus dem Paket und treten Sie der Gruppe video bei (siehe PERMISSIONS in man KEFirmwareUpdate), dann schließen Sie den Ke erneut an.</translation>
    </message>
    <message>
        <source>A Ke is connected, but another program is using it: quit that program to update the Ke.</source>
        <translation>Ein Ke ist angeschlossen, aber ein anderes Programm verwendet ihn: Beenden Sie dieses Programm, um den Ke zu aktualisieren.</translation>
    </message>
    <message>
        <source>Not offered: the Ke could not be opened: %1.</source>
        <translation>Nicht zur Aktualisierung angeboten: Der Ke konnte nicht geöffnet werden: %1.</translation>
    </message>
    <message>
        <source>Select Downgrade button to download firmware version %1 to Ke:</source>
        <translation>Wählen Sie „Zurückstufen“, um die Firmware-Version %1 auf den Ke zu übertragen:</translation>
    </message>
    <message>
        <source>Select Upgrade button to download firmware version %1 to Ke:</source>
        <translation>Wählen Sie „Aktualisieren“, um die Firmware-Version %1 auf den Ke zu übertragen:</translation>
    </message>
    <message>
        <source>The Ke chosen (%1) is no longer connected: the first Ke found is shown.</source>
        <translation>Der gewählte Ke (%1) ist nicht mehr angeschlossen: Der erste gefundene Ke wird angezeigt.</translation>
    </message>
    <message>
        <source>Downgrade</source>
        <translation>Zurückstufen</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>Aktualisieren</translation>
    </message>
</context>
<context>
    <name>FlashImage</name>
    <message>
        <source>FPGA</source>
        <translation>FPGA</translation>
    </message>
    <message>
        <source>microcontroller</source>
        <translation>Mikrocontroller</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>at the open</source>
        <translation>beim Öffnen</translation>
    </message>
    <message>
        <source>entering update mode</source>
        <translation>beim Wechsel in den Update-Modus</translation>
    </message>
    <message>
        <source>at the erase</source>
        <translation>beim Löschen</translation>
    </message>
    <message>
        <source>sending the header</source>
        <translation>beim Senden des Headers</translation>
    </message>
    <message>
        <source>sending the image</source>
        <translation>beim Senden des Abbilds</translation>
    </message>
    <message>
        <source>at the CRC check</source>
        <translation>bei der CRC-Prüfung</translation>
    </message>
    <message>
        <source>returning to normal operation</source>
        <translation>bei der Rückkehr in den Normalbetrieb</translation>
    </message>
    <message>
        <source>at an unknown step</source>
        <translation>bei einem unbekannten Schritt</translation>
    </message>
</context>
<context>
    <name>KeAlerts</name>
    <message>
        <source>%1 %2</source>
        <extracomment>Two sentences one after the other; a language without spaces between sentences drops the space.</extracomment>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>The details are in %1.</source>
        <translation>Die Einzelheiten stehen in %1.</translation>
    </message>
    <message>
        <source>The update could not be recorded in the history: %1.</source>
        <translation>Die Aktualisierung konnte nicht im Verlauf festgehalten werden: %1.</translation>
    </message>
    <message>
        <source>This is a Downgrade:</source>
        <translation>Dies ist eine Zurückstufung:</translation>
    </message>
    <message>
        <source>Press OK to Continue or Cancel to Quit</source>
        <translation>Drücken Sie OK, um fortzufahren, oder Abbrechen, um das Programm zu beenden.</translation>
    </message>
    <message>
        <source>Programming Complete</source>
        <translation>Programmierung abgeschlossen</translation>
    </message>
    <message>
        <source>You will need to cycle the Power on your Ke for changes to take affect</source>
        <translation>Schalten Sie den Ke aus und wieder ein, damit die Änderungen wirksam werden.</translation>
    </message>
    <message>
        <source>Version %1, the firmware updater for the Ke unit</source>
        <translation>Version %1, das Programm zur Firmware-Aktualisierung des Ke</translation>
    </message>
    <message>
        <source>Check that the Ke is connected, switched on and not in use, then run the update again.</source>
        <translation>Prüfen Sie, ob der Ke angeschlossen, eingeschaltet und nicht in Gebrauch ist, und starten Sie die Aktualisierung dann erneut.</translation>
    </message>
    <message>
        <source>Do not power off the Ke: run the update again.</source>
        <translation>Schalten Sie den Ke nicht aus: Starten Sie die Aktualisierung erneut.</translation>
    </message>
    <message>
        <source>Programming Failed</source>
        <translation>Programmierung fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>KeResults</name>
    <message>
        <source>the unit did not finish erasing in time</source>
        <translation>das Gerät hat das Löschen nicht rechtzeitig beendet</translation>
    </message>
    <message>
        <source>the unit reported a failed erase</source>
        <translation>das Gerät meldete ein fehlgeschlagenes Löschen</translation>
    </message>
    <message>
        <source>the unit did not accept the image</source>
        <translation>das Gerät hat das Abbild nicht angenommen</translation>
    </message>
    <message>
        <source>the step did not complete</source>
        <translation>der Schritt wurde nicht abgeschlossen</translation>
    </message>
    <message>
        <source>Writing the %1 image failed: %2.</source>
        <translation>Das Schreiben des Abbilds „%1“ ist fehlgeschlagen: %2.</translation>
    </message>
    <message>
        <source>The %1 image was left as it was.</source>
        <translation>Das Abbild „%1“ blieb unverändert.</translation>
    </message>
    <message>
        <source>The %1 image was written.</source>
        <translation>Das Abbild „%1“ wurde geschrieben.</translation>
    </message>
    <message>
        <source>The update did not start: %1; nothing was written.</source>
        <translation>Das Update wurde nicht gestartet: %1; es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>The Ke was not left as it was found: it could not be taken out of update mode %1.</source>
        <translation>Der Ke ist nicht im vorgefundenen Zustand: Er konnte nicht aus dem Update-Modus geholt werden %1.</translation>
    </message>
    <message>
        <source>Not Available</source>
        <translation>Nicht verfügbar</translation>
    </message>
    <message>
        <source>The update ended without a result.</source>
        <translation>Das Update endete ohne Ergebnis.</translation>
    </message>
    <message>
        <source>Programming Complete
You will need to cycle the Power on your Ke for changes to take affect</source>
        <translation>Programmierung abgeschlossen
Schalten Sie Ihren Ke aus und wieder ein, damit die Änderungen wirksam werden</translation>
    </message>
    <message>
        <source>Writing the %1 image failed %2: %3 %4.</source>
        <translation>Das Schreiben des Abbilds „%1“ ist %2 fehlgeschlagen: %3 %4.</translation>
    </message>
    <message>
        <source>the Ke was not found on the FireWire bus %1</source>
        <translation>der Ke wurde am FireWire-Bus nicht gefunden %1</translation>
    </message>
    <message>
        <source>another program holds the Ke %1</source>
        <translation>ein anderes Programm belegt den Ke %1</translation>
    </message>
    <message>
        <source>the Ke could not be opened %1</source>
        <translation>der Ke konnte nicht geöffnet werden %1</translation>
    </message>
    <message>
        <source>the %1 image failed %2, before its erase %3</source>
        <translation>das Abbild „%1“ ist %2 fehlgeschlagen, noch vor dem Löschen %3</translation>
    </message>
    <message>
        <source>it was cancelled before the first erase</source>
        <translation>es wurde vor dem ersten Löschen abgebrochen</translation>
    </message>
    <message>
        <source>the system could not start the update thread %1</source>
        <translation>das System konnte den Update-Thread nicht starten %1</translation>
    </message>
</context>
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
    <name>UnitChoice</name>
    <message>
        <source>%1, firmware %2, GUID %3</source>
        <translation>%1, Firmware %2, GUID %3</translation>
    </message>
    <message>
        <source>%1, firmware %2</source>
        <translation>%1, Firmware %2</translation>
    </message>
</context>
<context>
    <name>kecli::CliApp</name>
    <message>
        <source>upgrade (%1 to %2)</source>
        <translation>Aktualisierung (%1 auf %2)</translation>
    </message>
    <message>
        <source>GUID:</source>
        <translation>GUID:</translation>
    </message>
    <message>
        <source>Serial number:</source>
        <translation>Seriennummer:</translation>
    </message>
    <message>
        <source>Installed version:</source>
        <translation>Installierte Version:</translation>
    </message>
    <message>
        <source>Carried version:</source>
        <translation>Mitgebrachte Version:</translation>
    </message>
    <message>
        <source>Update would be:</source>
        <translation>Aktualisierung wäre:</translation>
    </message>
    <message>
        <source>the trace %1 is incomplete: %2; it ends before the run did.</source>
        <translation>die Aufzeichnung %1 ist unvollständig: %2; sie endet vor dem Ende des Laufs.</translation>
    </message>
    <message>
        <source>Carried firmware: %1</source>
        <translation>Mitgebrachte Firmware: %1</translation>
    </message>
    <message>
        <source>serial %1  running %2</source>
        <translation>Seriennummer %1  mit %2</translation>
    </message>
    <message>
        <source>Several Ke units are connected; choose one with --unit GUID or --unit SERIAL:</source>
        <translation>Mehrere Ke-Geräte sind angeschlossen; wählen Sie eines mit --unit GUID oder --unit SERIAL:</translation>
    </message>
    <message>
        <source>Several Ke units match --unit %1; choose one with --unit GUID or --unit SERIAL:</source>
        <translation>Mehrere Ke-Geräte passen zu --unit %1; wählen Sie eines mit --unit GUID oder --unit SERIAL:</translation>
    </message>
    <message>
        <source>Ke Not Found: no unit matches --unit %1.</source>
        <translation>Ke nicht gefunden: Kein Gerät passt zu --unit %1.</translation>
    </message>
    <message>
        <source>This is a Downgrade: write firmware %1 over %2 on the Ke (serial %3)?</source>
        <translation>Dies ist eine Zurückstufung: Firmware %1 über %2 auf den Ke (Seriennummer %3) schreiben?</translation>
    </message>
    <message>
        <source>The Ke (serial %1) already runs %2. Write it again?</source>
        <translation>Der Ke (Seriennummer %1) hat bereits %2. Erneut schreiben?</translation>
    </message>
    <message>
        <source>Write firmware %1 to the Ke (serial %2, now running %3)?</source>
        <translation>Firmware %1 auf den Ke (Seriennummer %2, derzeit %3) schreiben?</translation>
    </message>
    <message>
        <source>This is a Downgrade: the Ke runs %1, newer than the carried %2.</source>
        <translation>Dies ist eine Zurückstufung: Der Ke hat %1, neuer als die mitgebrachte %2.</translation>
    </message>
    <message>
        <source>Run again with --allow-downgrade to write it anyway.</source>
        <translation>Führen Sie den Befehl mit --allow-downgrade erneut aus, um sie trotzdem zu schreiben.</translation>
    </message>
    <message>
        <source>An application that uses the Ke is running; quit it, then run the update again.</source>
        <translation>Ein Programm, das den Ke verwendet, läuft; beenden Sie es und starten Sie die Aktualisierung erneut.</translation>
    </message>
    <message>
        <source>standard input is not a terminal, so the update cannot be confirmed; add --yes to update without asking.</source>
        <translation>die Standardeingabe ist kein Terminal, daher kann die Aktualisierung nicht bestätigt werden; mit --yes wird ohne Nachfrage aktualisiert.</translation>
    </message>
    <message>
        <source>%1 arrived at the question.</source>
        <translation>%1 ist während der Frage eingetroffen.</translation>
    </message>
    <message>
        <source>Not confirmed: nothing was written.</source>
        <translation>Nicht bestätigt: Es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>Updating the Ke; do not power it off or unplug it until the update is over.</source>
        <translation>Der Ke wird aktualisiert; schalten Sie ihn nicht aus und trennen Sie ihn nicht, bis die Aktualisierung beendet ist.</translation>
    </message>
    <message>
        <source>the update cannot be interrupted safely; it goes on</source>
        <translation>die Aktualisierung kann nicht sicher unterbrochen werden; sie läuft weiter</translation>
    </message>
    <message>
        <source>nothing has been written yet; the update is cancelled</source>
        <translation>es wurde noch nichts geschrieben; die Aktualisierung wird abgebrochen</translation>
    </message>
    <message>
        <source>%1 arrived before the first erase.</source>
        <translation>%1 ist vor dem ersten Löschen eingetroffen.</translation>
    </message>
    <message>
        <source>The update could not be recorded in the history: %1.</source>
        <translation>Die Aktualisierung konnte nicht im Verlauf festgehalten werden: %1.</translation>
    </message>
    <message>
        <source>%1 arrived during the update; the program ends now with its result.</source>
        <translation>%1 ist während der Aktualisierung eingetroffen; das Programm endet jetzt mit ihrem Ergebnis.</translation>
    </message>
    <message>
        <source>downgrade (%1 to %2)</source>
        <translation>Zurückstufung (%1 auf %2)</translation>
    </message>
    <message>
        <source>reinstall of the same version (%1)</source>
        <translation>Neuinstallation derselben Version (%1)</translation>
    </message>
    <message>
        <source>The Ke is there, but this user may not open it (status %1); ask for access to its FireWire device.</source>
        <translation>Der Ke ist angeschlossen, aber dieser Benutzer darf ihn nicht öffnen (Status %1); bitten Sie um Zugriff auf sein FireWire-Gerät.</translation>
    </message>
    <message>
        <source>The Ke is there, but another program holds it (status %1).</source>
        <translation>Der Ke ist angeschlossen, aber ein anderes Programm belegt ihn (Status %1).</translation>
    </message>
    <message>
        <source>The Ke is there, but it is not offered for an update: %1.</source>
        <translation>Der Ke ist angeschlossen, wird aber nicht zum Update angeboten: %1.</translation>
    </message>
    <message>
        <source>The Ke is there, but it could not be read (status %1).</source>
        <translation>Der Ke ist angeschlossen, konnte aber nicht gelesen werden (Status %1).</translation>
    </message>
</context>
<context>
    <name>kecli::CliParser</name>
    <message>
        <source>Exit codes:</source>
        <translation>Exit-Codes:</translation>
    </message>
    <message>
        <source>Without --verbose the core&apos;s trace and failure lines go to
%1 (default %2).</source>
        <translation>Ohne --verbose gehen die Ablauf- und Fehlerzeilen des Kerns nach
%1 (standardmäßig %2).</translation>
    </message>
    <message>
        <source>Updates the firmware of a Ke unit from the command line.</source>
        <translation>Aktualisiert die Firmware eines Ke-Geräts über die Befehlszeile.</translation>
    </message>
    <message>
        <source>Print one JSON object on standard output for the whole run</source>
        <translation>Ein JSON-Objekt für den ganzen Lauf auf der Standardausgabe ausgeben</translation>
    </message>
    <message>
        <source>Show the update engine&apos;s trace and failure lines</source>
        <translation>Die Ablauf- und Fehlerzeilen des Aktualisierungskerns anzeigen</translation>
    </message>
    <message>
        <source>Print the program&apos;s version and the firmware it carries</source>
        <translation>Die Version des Programms und die mitgebrachte Firmware ausgeben</translation>
    </message>
    <message>
        <source>Write every transaction with the unit to FILE, one JSON object a line (for a problem report)</source>
        <translation>Jede Transaktion mit dem Gerät in FILE schreiben, ein JSON-Objekt je Zeile (für einen Fehlerbericht)</translation>
    </message>
    <message>
        <source>Show the unit&apos;s serial number and versions, and what an update would do</source>
        <translation>Seriennummer und Versionen des Geräts anzeigen und was eine Aktualisierung täte</translation>
    </message>
    <message>
        <source>Write the carried firmware to the unit</source>
        <translation>Die mitgebrachte Firmware auf das Gerät schreiben</translation>
    </message>
    <message>
        <source>Write the carried firmware even if the unit runs a newer one</source>
        <translation>Die mitgebrachte Firmware auch schreiben, wenn das Gerät eine neuere hat</translation>
    </message>
    <message>
        <source>Do not ask for confirmation</source>
        <translation>Nicht nach Bestätigung fragen</translation>
    </message>
    <message>
        <source>The unit to write, by GUID or serial number, when several are connected</source>
        <translation>Das zu schreibende Gerät, nach GUID oder Seriennummer, wenn mehrere angeschlossen sind</translation>
    </message>
    <message>
        <source>Show the update attempts of both programs, oldest first</source>
        <translation>Die Aktualisierungsversuche beider Programme anzeigen, älteste zuerst</translation>
    </message>
    <message>
        <source>Usage</source>
        <translation>Aufruf</translation>
    </message>
    <message>
        <source>OPTIONS</source>
        <translation>OPTIONEN</translation>
    </message>
    <message>
        <source>SUBCOMMAND</source>
        <translation>BEFEHL</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Subcommands</source>
        <translation>Befehle</translation>
    </message>
    <message>
        <source>Print this help message and exit</source>
        <translation>Diese Hilfe anzeigen und beenden</translation>
    </message>
    <message>
        <source>Run with --help for more information.</source>
        <translation>Mehr dazu mit --help.</translation>
    </message>
    <message>
        <source>no arguments</source>
        <translation>keine Argumente</translation>
    </message>
    <message>
        <source>--unit needs a GUID or serial number</source>
        <translation>--unit braucht eine GUID oder Seriennummer</translation>
    </message>
    <message>
        <source>a command is needed: status, update or history</source>
        <translation>ein Befehl wird gebraucht: status, update oder history</translation>
    </message>
</context>
<context>
    <name>kecli::Console</name>
    <message>
        <source>y|yes</source>
        <extracomment>The answers that confirm at the [y/N] question, separated by |; the first is the one the question shows.</extracomment>
        <translation>j|ja</translation>
    </message>
    <message>
        <source>[y/N]</source>
        <translation>[j/N]</translation>
    </message>
</context>
<context>
    <name>kecli::History</name>
    <message>
        <source>%1  %2  serial %3  %4 -&gt; %5  %6</source>
        <translation>%1  %2  Seriennummer %3  %4 -&gt; %5  %6</translation>
    </message>
    <message>
        <source>: %1 image</source>
        <translation>: %1-Image</translation>
    </message>
    <message>
        <source>No update has been recorded.</source>
        <translation>Es wurde noch keine Aktualisierung festgehalten.</translation>
    </message>
</context>
<context>
    <name>kecli::JobVerdict</name>
    <message>
        <source>Do not power the Ke off: run the update again.</source>
        <translation>Schalten Sie den Ke nicht aus: Führen Sie das Update erneut aus.</translation>
    </message>
</context>
<context>
    <name>kecli::Main</name>
    <message>
        <source>cannot write the trace: %1</source>
        <translation>die Aufzeichnung kann nicht geschrieben werden: %1</translation>
    </message>
</context>
<context>
    <name>kecli::NodeAccess</name>
    <message>
        <source>Ke Not Found: check that the Ke is connected to this computer&apos;s FireWire port and switched on.</source>
        <translation>Ke nicht gefunden: Prüfen Sie, ob der Ke am FireWire-Anschluss dieses Computers angeschlossen und eingeschaltet ist.</translation>
    </message>
    <message>
        <source>This user may not open %1: if that is the Ke, install the udev rule and join the video group (see PERMISSIONS in man kefirmwareupdate-cli).</source>
        <translation>Dieser Benutzer darf %1 nicht öffnen: Ist das der Ke, installieren Sie die udev-Regel und treten Sie der Gruppe video bei (siehe PERMISSIONS in man kefirmwareupdate-cli).</translation>
    </message>
</context>
<context>
    <name>kecli::ProgressBar</name>
    <message>
        <source>FPGA</source>
        <translation>FPGA</translation>
    </message>
    <message>
        <source>microcontroller</source>
        <translation>Mikrocontroller</translation>
    </message>
    <message>
        <source>preparing</source>
        <translation>Vorbereitung</translation>
    </message>
    <message>
        <source>erasing %1</source>
        <translation>%1 wird gelöscht</translation>
    </message>
    <message>
        <source>writing %1</source>
        <translation>%1 wird geschrieben</translation>
    </message>
    <message>
        <source>working on %1</source>
        <translation>Arbeit an %1</translation>
    </message>
</context>
</TS>
