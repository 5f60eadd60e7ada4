<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>MainWindow</name>
    <message>
        <source>KEFirmwareUpdate</source>
        <translation>KEFirmwareUpdate</translation>
    </message>
    <message>
        <source>Ke &amp;unit:</source>
        <translation>&amp;Appareil Ke&#xa0;:</translation>
    </message>
    <message>
        <source>Ke unit</source>
        <translation>Appareil Ke</translation>
    </message>
    <message>
        <source>The Ke to show and update, by serial number and firmware version, when several are connected</source>
        <translation>Le Ke à afficher et à mettre à jour, par numéro de série et version du micrologiciel, lorsque plusieurs sont connectés</translation>
    </message>
    <message>
        <source>Ke firmware version:</source>
        <translation>Version du micrologiciel&#xa0;:</translation>
    </message>
    <message>
        <source>The firmware the connected Ke runs, microcontroller version then FPGA version, or Ke Not Found</source>
        <translation>Le micrologiciel du Ke connecté, version du microcontrôleur puis version du FPGA, ou Ke introuvable</translation>
    </message>
    <message>
        <source>Ke Not Found</source>
        <translation>Ke introuvable</translation>
    </message>
    <message>
        <source>Ke serial number:</source>
        <translation>Numéro de série&#xa0;:</translation>
    </message>
    <message>
        <source>The serial number of the connected Ke, or Ke Not Found</source>
        <translation>Le numéro de série du Ke connecté, ou Ke introuvable</translation>
    </message>
    <message>
        <source>What to do next, what the update is doing, or why the connected Ke cannot be used</source>
        <translation>Ce qu&apos;il faut faire ensuite, ce que fait la mise à jour, ou pourquoi le Ke connecté ne peut pas être utilisé</translation>
    </message>
    <message>
        <source>Shown while a video capture or editing application runs; the update waits until it quits</source>
        <translation>Affiché tant qu&apos;une application de capture ou de montage vidéo est ouverte&#xa0;; la mise à jour attend qu&apos;elle soit fermée</translation>
    </message>
    <message>
        <source>A video capture or editing application is running. Quit it before you update the Ke.</source>
        <translation>Une application de capture ou de montage vidéo est ouverte. Quittez-la avant de mettre à jour le Ke.</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>Progression de la mise à jour</translation>
    </message>
    <message>
        <source>How much of the update is done, from 0 to 100 percent; while the update runs its name says which image is being written</source>
        <translation>L&apos;avancement de la mise à jour, de 0 à 100&#xa0;%&#xa0;; pendant la mise à jour, son nom indique l&apos;image en cours d&apos;écriture</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Quits the program; disabled from the moment the update starts until it is over</source>
        <translation>Quitte le programme&#xa0;; désactivé du début à la fin de la mise à jour</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>Mettre à niveau</translation>
    </message>
    <message>
        <source>Writes the firmware that this program carries to the Ke; reads Downgrade when the Ke runs a newer version</source>
        <translation>Écrit sur le Ke le micrologiciel fourni avec ce programme&#xa0;; devient Rétrograder lorsque le Ke a une version plus récente</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>&amp;About KEFirmwareUpdate</source>
        <translation>À &amp;propos de KEFirmwareUpdate</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
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
        <translation>mise à niveau (de %1 vers %2)</translation>
    </message>
</context>
</TS>
