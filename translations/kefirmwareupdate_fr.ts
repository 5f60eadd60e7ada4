<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>CKeFirmwareUpdateDialog</name>
    <message>
        <source>Ke Not Found</source>
        <translation>Ke introuvable</translation>
    </message>
    <message>
        <source>Updating the Ke: do not power it off or unplug it until the update is over.</source>
        <translation>Mise à jour du Ke&#xa0;: ne l&apos;éteignez pas et ne le débranchez pas avant la fin de la mise à jour.</translation>
    </message>
    <message>
        <source>KEFirmwareUpdate will quit when the update is over.</source>
        <translation>KEFirmwareUpdate se fermera à la fin de la mise à jour.</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>Progression de la mise à jour</translation>
    </message>
    <message>
        <source>Writing the firmware image</source>
        <translation>Écriture de l&apos;image du micrologiciel</translation>
    </message>
    <message>
        <source>Writing the FPGA image</source>
        <translation>Écriture de l&apos;image du FPGA</translation>
    </message>
    <message>
        <source>Writing the microcontroller image</source>
        <translation>Écriture de l&apos;image du microcontrôleur</translation>
    </message>
    <message>
        <source>Not offered: %1.</source>
        <translation>Non proposé à la mise à jour&#xa0;: %1.</translation>
    </message>
    <message>
        <source>A Ke is connected, but you may not use it: install the udev rule from the package and join the video group (see PERMISSIONS in man KEFirmwareUpdate), then plug the Ke in again.</source>
        <translation>Un Ke est connecté, mais vous n&apos;avez pas le droit de l&apos;utiliser&#xa0;: installez la règle udev du paquet et rejoignez le groupe video (voir PERMISSIONS dans man KEFirmwareUpdate), puis rebranchez le Ke.</translation>
    </message>
    <message>
        <source>A Ke is connected, but another program is using it: quit that program to update the Ke.</source>
        <translation>Un Ke est connecté, mais un autre programme l&apos;utilise&#xa0;: quittez ce programme pour mettre à jour le Ke.</translation>
    </message>
    <message>
        <source>Not offered: the Ke could not be opened: %1.</source>
        <translation>Non proposé à la mise à jour&#xa0;: le Ke n&apos;a pas pu être ouvert&#xa0;: %1.</translation>
    </message>
    <message>
        <source>Select Downgrade button to download firmware version %1 to Ke:</source>
        <translation>Choisissez Rétrograder pour charger la version %1 du micrologiciel dans le Ke&#xa0;:</translation>
    </message>
    <message>
        <source>Select Upgrade button to download firmware version %1 to Ke:</source>
        <translation>Choisissez Mettre à niveau pour charger la version %1 du micrologiciel dans le Ke&#xa0;:</translation>
    </message>
    <message>
        <source>The Ke chosen (%1) is no longer connected: the first Ke found is shown.</source>
        <translation>Le Ke choisi (%1) n&apos;est plus connecté&#xa0;: le premier Ke trouvé est affiché.</translation>
    </message>
    <message>
        <source>Downgrade</source>
        <translation>Rétrograder</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>Mettre à niveau</translation>
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
        <translation>du microcontrôleur</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>inconnue</translation>
    </message>
    <message>
        <source>at the open</source>
        <translation>à l&apos;ouverture</translation>
    </message>
    <message>
        <source>entering update mode</source>
        <translation>au passage en mode de mise à jour</translation>
    </message>
    <message>
        <source>at the erase</source>
        <translation>à l&apos;effacement</translation>
    </message>
    <message>
        <source>sending the header</source>
        <translation>à l&apos;envoi de l&apos;en-tête</translation>
    </message>
    <message>
        <source>sending the image</source>
        <translation>à l&apos;envoi de l&apos;image</translation>
    </message>
    <message>
        <source>at the CRC check</source>
        <translation>à la vérification CRC</translation>
    </message>
    <message>
        <source>returning to normal operation</source>
        <translation>au retour en fonctionnement normal</translation>
    </message>
    <message>
        <source>at an unknown step</source>
        <translation>à une étape inconnue</translation>
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
        <translation>Les détails se trouvent dans %1.</translation>
    </message>
    <message>
        <source>The update could not be recorded in the history: %1.</source>
        <translation>La mise à jour n&apos;a pas pu être enregistrée dans l&apos;historique&#xa0;: %1.</translation>
    </message>
    <message>
        <source>This is a Downgrade:</source>
        <translation>Ceci est une rétrogradation&#xa0;:</translation>
    </message>
    <message>
        <source>Press OK to Continue or Cancel to Quit</source>
        <translation>Appuyez sur OK pour continuer ou sur Annuler pour quitter.</translation>
    </message>
    <message>
        <source>Programming Complete</source>
        <translation>Programmation terminée</translation>
    </message>
    <message>
        <source>You will need to cycle the Power on your Ke for changes to take affect</source>
        <translation>Éteignez puis rallumez le Ke pour que les changements prennent effet.</translation>
    </message>
    <message>
        <source>Version %1, the firmware updater for the Ke unit</source>
        <translation>Version %1, l&apos;outil de mise à jour du micrologiciel du Ke</translation>
    </message>
    <message>
        <source>Check that the Ke is connected, switched on and not in use, then run the update again.</source>
        <translation>Vérifiez que le Ke est connecté, allumé et inutilisé, puis relancez la mise à jour.</translation>
    </message>
    <message>
        <source>Do not power off the Ke: run the update again.</source>
        <translation>N&apos;éteignez pas le Ke&#xa0;: relancez la mise à jour.</translation>
    </message>
    <message>
        <source>Programming Failed</source>
        <translation>Échec de la programmation</translation>
    </message>
</context>
<context>
    <name>KeResults</name>
    <message>
        <source>the unit did not finish erasing in time</source>
        <translation>l&apos;unité n&apos;a pas terminé l&apos;effacement à temps</translation>
    </message>
    <message>
        <source>the unit reported a failed erase</source>
        <translation>l&apos;unité a signalé un échec de l&apos;effacement</translation>
    </message>
    <message>
        <source>the unit did not accept the image</source>
        <translation>l&apos;unité n&apos;a pas accepté l&apos;image</translation>
    </message>
    <message>
        <source>the step did not complete</source>
        <translation>l&apos;étape ne s&apos;est pas terminée</translation>
    </message>
    <message>
        <source>Writing the %1 image failed: %2.</source>
        <translation>L&apos;écriture de l&apos;image %1 a échoué : %2.</translation>
    </message>
    <message>
        <source>The %1 image was left as it was.</source>
        <translation>L&apos;image %1 est restée telle quelle.</translation>
    </message>
    <message>
        <source>The %1 image was written.</source>
        <translation>L&apos;image %1 a été écrite.</translation>
    </message>
    <message>
        <source>The update did not start: %1; nothing was written.</source>
        <translation>La mise à jour n&apos;a pas démarré : %1 ; rien n&apos;a été écrit.</translation>
    </message>
    <message>
        <source>The Ke was not left as it was found: it could not be taken out of update mode %1.</source>
        <translation>Le Ke n&apos;a pas été laissé dans l&apos;état où il a été trouvé : il n&apos;a pas pu quitter le mode de mise à jour %1.</translation>
    </message>
    <message>
        <source>Not Available</source>
        <translation>Non disponible</translation>
    </message>
    <message>
        <source>The update ended without a result.</source>
        <translation>La mise à jour s&apos;est terminée sans résultat.</translation>
    </message>
    <message>
        <source>Programming Complete
You will need to cycle the Power on your Ke for changes to take affect</source>
        <translation>Programmation terminée
Éteignez puis rallumez votre Ke pour que les changements prennent effet</translation>
    </message>
    <message>
        <source>Writing the %1 image failed %2: %3 %4.</source>
        <translation>L&apos;écriture de l&apos;image %1 a échoué %2 : %3 %4.</translation>
    </message>
    <message>
        <source>the Ke was not found on the FireWire bus %1</source>
        <translation>le Ke n&apos;a pas été trouvé sur le bus FireWire %1</translation>
    </message>
    <message>
        <source>another program holds the Ke %1</source>
        <translation>un autre programme occupe le Ke %1</translation>
    </message>
    <message>
        <source>the Ke could not be opened %1</source>
        <translation>le Ke n&apos;a pas pu être ouvert %1</translation>
    </message>
    <message>
        <source>the %1 image failed %2, before its erase %3</source>
        <translation>l&apos;image %1 a échoué %2, avant son effacement %3</translation>
    </message>
    <message>
        <source>it was cancelled before the first erase</source>
        <translation>elle a été annulée avant le premier effacement</translation>
    </message>
    <message>
        <source>the system could not start the update thread %1</source>
        <translation>le système n&apos;a pas pu démarrer le fil de mise à jour %1</translation>
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
    <name>UnitChoice</name>
    <message>
        <source>%1, firmware %2, GUID %3</source>
        <translation>%1, micrologiciel %2, GUID %3</translation>
    </message>
    <message>
        <source>%1, firmware %2</source>
        <translation>%1, micrologiciel %2</translation>
    </message>
</context>
<context>
    <name>kecli::CliApp</name>
    <message>
        <source>upgrade (%1 to %2)</source>
        <translation>mise à niveau (de %1 vers %2)</translation>
    </message>
    <message>
        <source>GUID:</source>
        <translation>GUID&#xa0;:</translation>
    </message>
    <message>
        <source>Serial number:</source>
        <translation>Numéro de série&#xa0;:</translation>
    </message>
    <message>
        <source>Installed version:</source>
        <translation>Version installée&#xa0;:</translation>
    </message>
    <message>
        <source>Carried version:</source>
        <translation>Version fournie&#xa0;:</translation>
    </message>
    <message>
        <source>Update would be:</source>
        <translation>La mise à jour serait&#xa0;:</translation>
    </message>
    <message>
        <source>the trace %1 is incomplete: %2; it ends before the run did.</source>
        <translation>la trace %1 est incomplète&#xa0;: %2&#xa0;; elle s&apos;arrête avant la fin de l&apos;exécution.</translation>
    </message>
    <message>
        <source>Carried firmware: %1</source>
        <translation>Micrologiciel fourni&#xa0;: %1</translation>
    </message>
    <message>
        <source>serial %1  running %2</source>
        <translation>série %1  version %2</translation>
    </message>
    <message>
        <source>Several Ke units are connected; choose one with --unit GUID or --unit SERIAL:</source>
        <translation>Plusieurs appareils Ke sont connectés&#xa0;; choisissez-en un avec --unit GUID ou --unit SERIAL&#xa0;:</translation>
    </message>
    <message>
        <source>Several Ke units match --unit %1; choose one with --unit GUID or --unit SERIAL:</source>
        <translation>Plusieurs appareils Ke correspondent à --unit %1&#xa0;; choisissez-en un avec --unit GUID ou --unit SERIAL&#xa0;:</translation>
    </message>
    <message>
        <source>Ke Not Found: no unit matches --unit %1.</source>
        <translation>Ke introuvable&#xa0;: aucun appareil ne correspond à --unit %1.</translation>
    </message>
    <message>
        <source>This is a Downgrade: write firmware %1 over %2 on the Ke (serial %3)?</source>
        <translation>Ceci est une rétrogradation&#xa0;: écrire le micrologiciel %1 à la place de %2 sur le Ke (série %3)&#xa0;?</translation>
    </message>
    <message>
        <source>The Ke (serial %1) already runs %2. Write it again?</source>
        <translation>Le Ke (série %1) a déjà la version %2. L&apos;écrire à nouveau&#xa0;?</translation>
    </message>
    <message>
        <source>Write firmware %1 to the Ke (serial %2, now running %3)?</source>
        <translation>Écrire le micrologiciel %1 sur le Ke (série %2, actuellement %3)&#xa0;?</translation>
    </message>
    <message>
        <source>This is a Downgrade: the Ke runs %1, newer than the carried %2.</source>
        <translation>Ceci est une rétrogradation&#xa0;: le Ke a la version %1, plus récente que la version fournie %2.</translation>
    </message>
    <message>
        <source>Run again with --allow-downgrade to write it anyway.</source>
        <translation>Relancez avec --allow-downgrade pour l&apos;écrire quand même.</translation>
    </message>
    <message>
        <source>An application that uses the Ke is running; quit it, then run the update again.</source>
        <translation>Une application qui utilise le Ke est ouverte&#xa0;; quittez-la, puis relancez la mise à jour.</translation>
    </message>
    <message>
        <source>standard input is not a terminal, so the update cannot be confirmed; add --yes to update without asking.</source>
        <translation>l&apos;entrée standard n&apos;est pas un terminal, la mise à jour ne peut donc pas être confirmée&#xa0;; ajoutez --yes pour mettre à jour sans question.</translation>
    </message>
    <message>
        <source>%1 arrived at the question.</source>
        <translation>%1 est arrivé pendant la question.</translation>
    </message>
    <message>
        <source>Not confirmed: nothing was written.</source>
        <translation>Non confirmé&#xa0;: rien n&apos;a été écrit.</translation>
    </message>
    <message>
        <source>Updating the Ke; do not power it off or unplug it until the update is over.</source>
        <translation>Mise à jour du Ke&#xa0;; ne l&apos;éteignez pas et ne le débranchez pas avant la fin de la mise à jour.</translation>
    </message>
    <message>
        <source>the update cannot be interrupted safely; it goes on</source>
        <translation>la mise à jour ne peut pas être interrompue sans risque&#xa0;; elle continue</translation>
    </message>
    <message>
        <source>nothing has been written yet; the update is cancelled</source>
        <translation>rien n&apos;a encore été écrit&#xa0;; la mise à jour est annulée</translation>
    </message>
    <message>
        <source>%1 arrived before the first erase.</source>
        <translation>%1 est arrivé avant le premier effacement.</translation>
    </message>
    <message>
        <source>The update could not be recorded in the history: %1.</source>
        <translation>La mise à jour n&apos;a pas pu être enregistrée dans l&apos;historique&#xa0;: %1.</translation>
    </message>
    <message>
        <source>%1 arrived during the update; the program ends now with its result.</source>
        <translation>%1 est arrivé pendant la mise à jour&#xa0;; le programme se termine maintenant avec son résultat.</translation>
    </message>
    <message>
        <source>downgrade (%1 to %2)</source>
        <translation>rétrogradation (de %1 vers %2)</translation>
    </message>
    <message>
        <source>reinstall of the same version (%1)</source>
        <translation>réinstallation de la même version (%1)</translation>
    </message>
    <message>
        <source>The Ke is there, but this user may not open it (status %1); ask for access to its FireWire device.</source>
        <translation>Le Ke est présent, mais cet utilisateur ne peut pas l&apos;ouvrir (état %1) ; demandez l&apos;accès à son périphérique FireWire.</translation>
    </message>
    <message>
        <source>The Ke is there, but another program holds it (status %1).</source>
        <translation>Le Ke est présent, mais un autre programme l&apos;occupe (état %1).</translation>
    </message>
    <message>
        <source>The Ke is there, but it is not offered for an update: %1.</source>
        <translation>Le Ke est présent, mais il n&apos;est pas proposé pour une mise à jour : %1.</translation>
    </message>
    <message>
        <source>The Ke is there, but it could not be read (status %1).</source>
        <translation>Le Ke est présent, mais il n&apos;a pas pu être lu (état %1).</translation>
    </message>
</context>
<context>
    <name>kecli::CliParser</name>
    <message>
        <source>Exit codes:</source>
        <translation>Codes de sortie&#xa0;:</translation>
    </message>
    <message>
        <source>Without --verbose the core&apos;s trace and failure lines go to
%1 (default %2).</source>
        <translation>Sans --verbose, les lignes de suivi et d&apos;échec du moteur vont dans
%1 (par défaut %2).</translation>
    </message>
    <message>
        <source>Updates the firmware of a Ke unit from the command line.</source>
        <translation>Met à jour le micrologiciel d&apos;un appareil Ke depuis la ligne de commande.</translation>
    </message>
    <message>
        <source>Print one JSON object on standard output for the whole run</source>
        <translation>Écrire un objet JSON pour toute l&apos;exécution sur la sortie standard</translation>
    </message>
    <message>
        <source>Show the update engine&apos;s trace and failure lines</source>
        <translation>Afficher les lignes de suivi et d&apos;échec du moteur de mise à jour</translation>
    </message>
    <message>
        <source>Print the program&apos;s version and the firmware it carries</source>
        <translation>Afficher la version du programme et le micrologiciel fourni</translation>
    </message>
    <message>
        <source>Write every transaction with the unit to FILE, one JSON object a line (for a problem report)</source>
        <translation>Écrire chaque transaction avec l&apos;appareil dans FILE, un objet JSON par ligne (pour signaler un problème)</translation>
    </message>
    <message>
        <source>Show the unit&apos;s serial number and versions, and what an update would do</source>
        <translation>Afficher le numéro de série et les versions de l&apos;appareil, et ce que ferait une mise à jour</translation>
    </message>
    <message>
        <source>Write the carried firmware to the unit</source>
        <translation>Écrire le micrologiciel fourni sur l&apos;appareil</translation>
    </message>
    <message>
        <source>Write the carried firmware even if the unit runs a newer one</source>
        <translation>Écrire le micrologiciel fourni même si l&apos;appareil en a un plus récent</translation>
    </message>
    <message>
        <source>Do not ask for confirmation</source>
        <translation>Ne pas demander de confirmation</translation>
    </message>
    <message>
        <source>The unit to write, by GUID or serial number, when several are connected</source>
        <translation>L&apos;appareil à écrire, par GUID ou numéro de série, lorsque plusieurs sont connectés</translation>
    </message>
    <message>
        <source>Show the update attempts of both programs, oldest first</source>
        <translation>Afficher les tentatives de mise à jour des deux programmes, les plus anciennes d&apos;abord</translation>
    </message>
    <message>
        <source>Usage</source>
        <translation>Utilisation</translation>
    </message>
    <message>
        <source>OPTIONS</source>
        <translation>OPTIONS</translation>
    </message>
    <message>
        <source>SUBCOMMAND</source>
        <translation>COMMANDE</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Subcommands</source>
        <translation>Commandes</translation>
    </message>
    <message>
        <source>Print this help message and exit</source>
        <translation>Afficher cette aide et quitter</translation>
    </message>
    <message>
        <source>Run with --help for more information.</source>
        <translation>Lancez avec --help pour en savoir plus.</translation>
    </message>
    <message>
        <source>no arguments</source>
        <translation>aucun argument</translation>
    </message>
    <message>
        <source>--unit needs a GUID or serial number</source>
        <translation>--unit attend un GUID ou un numéro de série</translation>
    </message>
    <message>
        <source>a command is needed: status, update or history</source>
        <translation>une commande est nécessaire&#xa0;: status, update ou history</translation>
    </message>
</context>
<context>
    <name>kecli::Console</name>
    <message>
        <source>y|yes</source>
        <extracomment>The answers that confirm at the [y/N] question, separated by |; the first is the one the question shows.</extracomment>
        <translation>o|oui</translation>
    </message>
    <message>
        <source>[y/N]</source>
        <translation>[o/N]</translation>
    </message>
</context>
<context>
    <name>kecli::History</name>
    <message>
        <source>%1  %2  serial %3  %4 -&gt; %5  %6</source>
        <translation>%1  %2  série %3  %4 -&gt; %5  %6</translation>
    </message>
    <message>
        <source>: %1 image</source>
        <translation>: image %1</translation>
    </message>
    <message>
        <source>No update has been recorded.</source>
        <translation>Aucune mise à jour n&apos;a été enregistrée.</translation>
    </message>
</context>
<context>
    <name>kecli::JobVerdict</name>
    <message>
        <source>Do not power the Ke off: run the update again.</source>
        <translation>N&apos;éteignez pas le Ke : relancez la mise à jour.</translation>
    </message>
</context>
<context>
    <name>kecli::Main</name>
    <message>
        <source>cannot write the trace: %1</source>
        <translation>impossible d&apos;écrire la trace&#xa0;: %1</translation>
    </message>
</context>
<context>
    <name>kecli::NodeAccess</name>
    <message>
        <source>Ke Not Found: check that the Ke is connected to this computer&apos;s FireWire port and switched on.</source>
        <translation>Ke introuvable&#xa0;: vérifiez que le Ke est branché au port FireWire de cet ordinateur et allumé.</translation>
    </message>
    <message>
        <source>This user may not open %1: if that is the Ke, install the udev rule and join the video group (see PERMISSIONS in man kefirmwareupdate-cli).</source>
        <translation>Cet utilisateur ne peut pas ouvrir %1&#xa0;: si c&apos;est le Ke, installez la règle udev et rejoignez le groupe video (voir PERMISSIONS dans man kefirmwareupdate-cli).</translation>
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
        <translation>microcontrôleur</translation>
    </message>
    <message>
        <source>preparing</source>
        <translation>préparation</translation>
    </message>
    <message>
        <source>erasing %1</source>
        <translation>effacement du %1</translation>
    </message>
    <message>
        <source>writing %1</source>
        <translation>écriture du %1</translation>
    </message>
    <message>
        <source>working on %1</source>
        <translation>traitement du %1</translation>
    </message>
</context>
</TS>
