<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>CKeFirmwareUpdateDialog</name>
    <message>
        <source>Ke Not Found</source>
        <translation>Ke no encontrado</translation>
    </message>
    <message>
        <source>Updating the Ke: do not power it off or unplug it until the update is over.</source>
        <translation>Actualizando el Ke: no lo apague ni lo desconecte hasta que termine la actualización.</translation>
    </message>
    <message>
        <source>KEFirmwareUpdate will quit when the update is over.</source>
        <translation>KEFirmwareUpdate se cerrará cuando termine la actualización.</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>Progreso de la actualización</translation>
    </message>
    <message>
        <source>Writing the firmware image</source>
        <translation>Escribiendo la imagen del firmware</translation>
    </message>
    <message>
        <source>Writing the FPGA image</source>
        <translation>Escribiendo la imagen del FPGA</translation>
    </message>
    <message>
        <source>Writing the microcontroller image</source>
        <translation>Escribiendo la imagen del microcontrolador</translation>
    </message>
    <message>
        <source>Not offered: %1.</source>
        <translation>No se ofrece para actualizar: %1.</translation>
    </message>
    <message>
        <source>A Ke is connected, but you may not use it: install the udev rule from the package and join the video group (see PERMISSIONS in man KEFirmwareUpdate), then plug the Ke in again.</source>
        <translation>Hay un Ke conectado, pero no tiene permiso para usarlo: instale la regla udev del paquete y únase al grupo video (consulte PERMISSIONS en man KEFirmwareUpdate); después, vuelva a conectar el Ke.</translation>
    </message>
    <message>
        <source>A Ke is connected, but another program is using it: quit that program to update the Ke.</source>
        <translation>Hay un Ke conectado, pero otro programa lo está usando: cierre ese programa para actualizar el Ke.</translation>
    </message>
    <message>
        <source>Not offered: the Ke could not be opened: %1.</source>
        <translation>No se ofrece para actualizar: no se pudo abrir el Ke: %1.</translation>
    </message>
    <message>
        <source>Select Downgrade button to download firmware version %1 to Ke:</source>
        <translation>Seleccione Bajar de versión para cargar la versión %1 del firmware en el Ke:</translation>
    </message>
    <message>
        <source>Select Upgrade button to download firmware version %1 to Ke:</source>
        <translation>Seleccione Actualizar para cargar la versión %1 del firmware en el Ke:</translation>
    </message>
    <message>
        <source>The Ke chosen (%1) is no longer connected: the first Ke found is shown.</source>
        <translation>El Ke elegido (%1) ya no está conectado: se muestra el primer Ke encontrado.</translation>
    </message>
    <message>
        <source>Downgrade</source>
        <translation>Bajar de versión</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>Actualizar</translation>
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
        <translation>del microcontrolador</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>desconocida</translation>
    </message>
    <message>
        <source>at the open</source>
        <translation>al abrir</translation>
    </message>
    <message>
        <source>entering update mode</source>
        <translation>al entrar en modo de actualización</translation>
    </message>
    <message>
        <source>at the erase</source>
        <translation>al borrar</translation>
    </message>
    <message>
        <source>sending the header</source>
        <translation>al enviar la cabecera</translation>
    </message>
    <message>
        <source>sending the image</source>
        <translation>al enviar la imagen</translation>
    </message>
    <message>
        <source>at the CRC check</source>
        <translation>en la comprobación CRC</translation>
    </message>
    <message>
        <source>returning to normal operation</source>
        <translation>al volver al funcionamiento normal</translation>
    </message>
    <message>
        <source>at an unknown step</source>
        <translation>en un paso desconocido</translation>
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
        <translation>Los detalles están en %1.</translation>
    </message>
    <message>
        <source>The update could not be recorded in the history: %1.</source>
        <translation>No se pudo registrar la actualización en el historial: %1.</translation>
    </message>
    <message>
        <source>This is a Downgrade:</source>
        <translation>Esto es una bajada de versión:</translation>
    </message>
    <message>
        <source>Press OK to Continue or Cancel to Quit</source>
        <translation>Pulse Aceptar para continuar o Cancelar para salir.</translation>
    </message>
    <message>
        <source>Programming Complete</source>
        <translation>Programación completada</translation>
    </message>
    <message>
        <source>You will need to cycle the Power on your Ke for changes to take affect</source>
        <translation>Apague y vuelva a encender el Ke para que los cambios surtan efecto.</translation>
    </message>
    <message>
        <source>Version %1, the firmware updater for the Ke unit</source>
        <translation>Versión %1, el actualizador de firmware del Ke</translation>
    </message>
    <message>
        <source>Check that the Ke is connected, switched on and not in use, then run the update again.</source>
        <translation>Compruebe que el Ke está conectado, encendido y sin usar, y vuelva a ejecutar la actualización.</translation>
    </message>
    <message>
        <source>Do not power off the Ke: run the update again.</source>
        <translation>No apague el Ke: vuelva a ejecutar la actualización.</translation>
    </message>
    <message>
        <source>Programming Failed</source>
        <translation>La programación ha fallado</translation>
    </message>
</context>
<context>
    <name>KeResults</name>
    <message>
        <source>the unit did not finish erasing in time</source>
        <translation>la unidad no terminó de borrar a tiempo</translation>
    </message>
    <message>
        <source>the unit reported a failed erase</source>
        <translation>la unidad informó de un borrado fallido</translation>
    </message>
    <message>
        <source>the unit did not accept the image</source>
        <translation>la unidad no aceptó la imagen</translation>
    </message>
    <message>
        <source>the step did not complete</source>
        <translation>el paso no se completó</translation>
    </message>
    <message>
        <source>Writing the %1 image failed: %2.</source>
        <translation>La escritura de la imagen %1 falló: %2.</translation>
    </message>
    <message>
        <source>The %1 image was left as it was.</source>
        <translation>La imagen %1 se dejó como estaba.</translation>
    </message>
    <message>
        <source>The %1 image was written.</source>
        <translation>La imagen %1 se escribió.</translation>
    </message>
    <message>
        <source>The update did not start: %1; nothing was written.</source>
        <translation>La actualización no se inició: %1; no se escribió nada.</translation>
    </message>
    <message>
        <source>The Ke was not left as it was found: it could not be taken out of update mode %1.</source>
        <translation>El Ke no quedó como se encontró: no se pudo sacar del modo de actualización %1.</translation>
    </message>
    <message>
        <source>Not Available</source>
        <translation>No disponible</translation>
    </message>
    <message>
        <source>The update ended without a result.</source>
        <translation>La actualización terminó sin resultado.</translation>
    </message>
    <message>
        <source>Programming Complete
You will need to cycle the Power on your Ke for changes to take affect</source>
        <translation>Programación completada
Apague y vuelva a encender su Ke para que los cambios surtan efecto</translation>
    </message>
    <message>
        <source>Writing the %1 image failed %2: %3 %4.</source>
        <translation>La escritura de la imagen %1 falló %2: %3 %4.</translation>
    </message>
    <message>
        <source>the Ke was not found on the FireWire bus %1</source>
        <translation>no se encontró el Ke en el bus FireWire %1</translation>
    </message>
    <message>
        <source>another program holds the Ke %1</source>
        <translation>otro programa está usando el Ke %1</translation>
    </message>
    <message>
        <source>the Ke could not be opened %1</source>
        <translation>no se pudo abrir el Ke %1</translation>
    </message>
    <message>
        <source>the %1 image failed %2, before its erase %3</source>
        <translation>la imagen %1 falló %2, antes de borrarse %3</translation>
    </message>
    <message>
        <source>it was cancelled before the first erase</source>
        <translation>se canceló antes del primer borrado</translation>
    </message>
    <message>
        <source>the system could not start the update thread %1</source>
        <translation>el sistema no pudo iniciar el hilo de actualización %1</translation>
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
        <translation>&amp;Dispositivo Ke:</translation>
    </message>
    <message>
        <source>Ke unit</source>
        <translation>Dispositivo Ke</translation>
    </message>
    <message>
        <source>The Ke to show and update, by serial number and firmware version, when several are connected</source>
        <translation>El Ke que se muestra y se actualiza, por número de serie y versión de firmware, cuando hay varios conectados</translation>
    </message>
    <message>
        <source>Ke firmware version:</source>
        <translation>Versión de firmware del Ke:</translation>
    </message>
    <message>
        <source>The firmware the connected Ke runs, microcontroller version then FPGA version, or Ke Not Found</source>
        <translation>El firmware del Ke conectado, versión del microcontrolador y luego del FPGA, o Ke no encontrado</translation>
    </message>
    <message>
        <source>Ke Not Found</source>
        <translation>Ke no encontrado</translation>
    </message>
    <message>
        <source>Ke serial number:</source>
        <translation>Número de serie del Ke:</translation>
    </message>
    <message>
        <source>The serial number of the connected Ke, or Ke Not Found</source>
        <translation>El número de serie del Ke conectado, o Ke no encontrado</translation>
    </message>
    <message>
        <source>What to do next, what the update is doing, or why the connected Ke cannot be used</source>
        <translation>Qué hacer a continuación, qué está haciendo la actualización o por qué no se puede usar el Ke conectado</translation>
    </message>
    <message>
        <source>Shown while a video capture or editing application runs; the update waits until it quits</source>
        <translation>Se muestra mientras se ejecuta una aplicación de captura o edición de vídeo; la actualización espera a que se cierre</translation>
    </message>
    <message>
        <source>A video capture or editing application is running. Quit it before you update the Ke.</source>
        <translation>Hay una aplicación de captura o edición de vídeo en ejecución. Ciérrela antes de actualizar el Ke.</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>Progreso de la actualización</translation>
    </message>
    <message>
        <source>How much of the update is done, from 0 to 100 percent; while the update runs its name says which image is being written</source>
        <translation>Cuánto se ha completado de la actualización, de 0 a 100 por ciento; mientras se ejecuta, su nombre indica qué imagen se está escribiendo</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Quits the program; disabled from the moment the update starts until it is over</source>
        <translation>Cierra el programa; desactivado desde que empieza la actualización hasta que termina</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>Actualizar</translation>
    </message>
    <message>
        <source>Writes the firmware that this program carries to the Ke; reads Downgrade when the Ke runs a newer version</source>
        <translation>Escribe en el Ke el firmware que incluye este programa; pasa a decir Bajar de versión cuando el Ke tiene una versión más reciente</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Archivo</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>Ay&amp;uda</translation>
    </message>
    <message>
        <source>&amp;About KEFirmwareUpdate</source>
        <translation>&amp;Acerca de KEFirmwareUpdate</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Salir</translation>
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
        <translation>%1, firmware %2, GUID %3</translation>
    </message>
    <message>
        <source>%1, firmware %2</source>
        <translation>%1, firmware %2</translation>
    </message>
</context>
<context>
    <name>kecli::CliApp</name>
    <message>
        <source>upgrade (%1 to %2)</source>
        <translation>actualización (de %1 a %2)</translation>
    </message>
    <message>
        <source>GUID:</source>
        <translation>GUID:</translation>
    </message>
    <message>
        <source>Serial number:</source>
        <translation>Número de serie:</translation>
    </message>
    <message>
        <source>Installed version:</source>
        <translation>Versión instalada:</translation>
    </message>
    <message>
        <source>Carried version:</source>
        <translation>Versión incluida:</translation>
    </message>
    <message>
        <source>Update would be:</source>
        <translation>La actualización sería:</translation>
    </message>
    <message>
        <source>the trace %1 is incomplete: %2; it ends before the run did.</source>
        <translation>la traza %1 está incompleta: %2; termina antes que la ejecución.</translation>
    </message>
    <message>
        <source>Carried firmware: %1</source>
        <translation>Firmware incluido: %1</translation>
    </message>
    <message>
        <source>serial %1  running %2</source>
        <translation>serie %1  versión %2</translation>
    </message>
    <message>
        <source>Several Ke units are connected; choose one with --unit GUID or --unit SERIAL:</source>
        <translation>Hay varios dispositivos Ke conectados; elija uno con --unit GUID o --unit SERIAL:</translation>
    </message>
    <message>
        <source>Several Ke units match --unit %1; choose one with --unit GUID or --unit SERIAL:</source>
        <translation>Varios dispositivos Ke coinciden con --unit %1; elija uno con --unit GUID o --unit SERIAL:</translation>
    </message>
    <message>
        <source>Ke Not Found: no unit matches --unit %1.</source>
        <translation>Ke no encontrado: ningún dispositivo coincide con --unit %1.</translation>
    </message>
    <message>
        <source>This is a Downgrade: write firmware %1 over %2 on the Ke (serial %3)?</source>
        <translation>Esto es bajar de versión: ¿escribir el firmware %1 sobre %2 en el Ke (serie %3)?</translation>
    </message>
    <message>
        <source>The Ke (serial %1) already runs %2. Write it again?</source>
        <translation>El Ke (serie %1) ya tiene %2. ¿Escribirlo de nuevo?</translation>
    </message>
    <message>
        <source>Write firmware %1 to the Ke (serial %2, now running %3)?</source>
        <translation>¿Escribir el firmware %1 en el Ke (serie %2, ahora con %3)?</translation>
    </message>
    <message>
        <source>This is a Downgrade: the Ke runs %1, newer than the carried %2.</source>
        <translation>Esto es bajar de versión: el Ke tiene %1, más reciente que la incluida %2.</translation>
    </message>
    <message>
        <source>Run again with --allow-downgrade to write it anyway.</source>
        <translation>Vuelva a ejecutarlo con --allow-downgrade para escribirlo de todos modos.</translation>
    </message>
    <message>
        <source>An application that uses the Ke is running; quit it, then run the update again.</source>
        <translation>Hay una aplicación que usa el Ke en ejecución; ciérrela y vuelva a ejecutar la actualización.</translation>
    </message>
    <message>
        <source>standard input is not a terminal, so the update cannot be confirmed; add --yes to update without asking.</source>
        <translation>la entrada estándar no es un terminal, así que la actualización no se puede confirmar; añada --yes para actualizar sin preguntar.</translation>
    </message>
    <message>
        <source>%1 arrived at the question.</source>
        <translation>%1 llegó durante la pregunta.</translation>
    </message>
    <message>
        <source>Not confirmed: nothing was written.</source>
        <translation>No confirmado: no se ha escrito nada.</translation>
    </message>
    <message>
        <source>Updating the Ke; do not power it off or unplug it until the update is over.</source>
        <translation>Actualizando el Ke; no lo apague ni lo desconecte hasta que termine la actualización.</translation>
    </message>
    <message>
        <source>the update cannot be interrupted safely; it goes on</source>
        <translation>la actualización no se puede interrumpir sin riesgo; continúa</translation>
    </message>
    <message>
        <source>nothing has been written yet; the update is cancelled</source>
        <translation>todavía no se ha escrito nada; la actualización se cancela</translation>
    </message>
    <message>
        <source>%1 arrived before the first erase.</source>
        <translation>%1 llegó antes del primer borrado.</translation>
    </message>
    <message>
        <source>The update could not be recorded in the history: %1.</source>
        <translation>No se pudo registrar la actualización en el historial: %1.</translation>
    </message>
    <message>
        <source>%1 arrived during the update; the program ends now with its result.</source>
        <translation>%1 llegó durante la actualización; el programa termina ahora con su resultado.</translation>
    </message>
    <message>
        <source>downgrade (%1 to %2)</source>
        <translation>bajada de versión (de %1 a %2)</translation>
    </message>
    <message>
        <source>reinstall of the same version (%1)</source>
        <translation>reinstalación de la misma versión (%1)</translation>
    </message>
    <message>
        <source>The Ke is there, but this user may not open it (status %1); ask for access to its FireWire device.</source>
        <translation>El Ke está conectado, pero este usuario no puede abrirlo (estado %1); solicite acceso a su dispositivo FireWire.</translation>
    </message>
    <message>
        <source>The Ke is there, but another program holds it (status %1).</source>
        <translation>El Ke está conectado, pero otro programa lo está usando (estado %1).</translation>
    </message>
    <message>
        <source>The Ke is there, but it is not offered for an update: %1.</source>
        <translation>El Ke está conectado, pero no se ofrece para actualizar: %1.</translation>
    </message>
    <message>
        <source>The Ke is there, but it could not be read (status %1).</source>
        <translation>El Ke está conectado, pero no se pudo leer (estado %1).</translation>
    </message>
</context>
<context>
    <name>kecli::CliParser</name>
    <message>
        <source>Exit codes:</source>
        <translation>Códigos de salida:</translation>
    </message>
    <message>
        <source>Without --verbose the core&apos;s trace and failure lines go to
%1 (default %2).</source>
        <translation>Sin --verbose, las líneas de traza y de fallo del motor van a
%1 (por omisión %2).</translation>
    </message>
    <message>
        <source>Updates the firmware of a Ke unit from the command line.</source>
        <translation>Actualiza el firmware de un dispositivo Ke desde la línea de órdenes.</translation>
    </message>
    <message>
        <source>Print one JSON object on standard output for the whole run</source>
        <translation>Escribir un objeto JSON para toda la ejecución en la salida estándar</translation>
    </message>
    <message>
        <source>Show the update engine&apos;s trace and failure lines</source>
        <translation>Mostrar las líneas de traza y de fallo del motor de actualización</translation>
    </message>
    <message>
        <source>Print the program&apos;s version and the firmware it carries</source>
        <translation>Mostrar la versión del programa y el firmware que incluye</translation>
    </message>
    <message>
        <source>Write every transaction with the unit to FILE, one JSON object a line (for a problem report)</source>
        <translation>Escribir cada transacción con el dispositivo en FILE, un objeto JSON por línea (para informar de un problema)</translation>
    </message>
    <message>
        <source>Show the unit&apos;s serial number and versions, and what an update would do</source>
        <translation>Mostrar el número de serie y las versiones del dispositivo, y lo que haría una actualización</translation>
    </message>
    <message>
        <source>Write the carried firmware to the unit</source>
        <translation>Escribir el firmware incluido en el dispositivo</translation>
    </message>
    <message>
        <source>Write the carried firmware even if the unit runs a newer one</source>
        <translation>Escribir el firmware incluido aunque el dispositivo tenga uno más reciente</translation>
    </message>
    <message>
        <source>Do not ask for confirmation</source>
        <translation>No pedir confirmación</translation>
    </message>
    <message>
        <source>The unit to write, by GUID or serial number, when several are connected</source>
        <translation>El dispositivo que se escribe, por GUID o número de serie, cuando hay varios conectados</translation>
    </message>
    <message>
        <source>Show the update attempts of both programs, oldest first</source>
        <translation>Mostrar los intentos de actualización de ambos programas, los más antiguos primero</translation>
    </message>
    <message>
        <source>Usage</source>
        <translation>Uso</translation>
    </message>
    <message>
        <source>OPTIONS</source>
        <translation>OPCIONES</translation>
    </message>
    <message>
        <source>SUBCOMMAND</source>
        <translation>ORDEN</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Opciones</translation>
    </message>
    <message>
        <source>Subcommands</source>
        <translation>Órdenes</translation>
    </message>
    <message>
        <source>Print this help message and exit</source>
        <translation>Mostrar esta ayuda y salir</translation>
    </message>
    <message>
        <source>Run with --help for more information.</source>
        <translation>Ejecute con --help para más información.</translation>
    </message>
    <message>
        <source>no arguments</source>
        <translation>sin argumentos</translation>
    </message>
    <message>
        <source>--unit needs a GUID or serial number</source>
        <translation>--unit necesita un GUID o un número de serie</translation>
    </message>
    <message>
        <source>a command is needed: status, update or history</source>
        <translation>se necesita una orden: status, update o history</translation>
    </message>
</context>
<context>
    <name>kecli::Console</name>
    <message>
        <source>y|yes</source>
        <extracomment>The answers that confirm at the [y/N] question, separated by |; the first is the one the question shows.</extracomment>
        <translation>s|sí|si</translation>
    </message>
    <message>
        <source>[y/N]</source>
        <translation>[s/N]</translation>
    </message>
</context>
<context>
    <name>kecli::History</name>
    <message>
        <source>%1  %2  serial %3  %4 -&gt; %5  %6</source>
        <translation>%1  %2  serie %3  %4 -&gt; %5  %6</translation>
    </message>
    <message>
        <source>: %1 image</source>
        <translation>: imagen %1</translation>
    </message>
    <message>
        <source>No update has been recorded.</source>
        <translation>No se ha registrado ninguna actualización.</translation>
    </message>
</context>
<context>
    <name>kecli::JobVerdict</name>
    <message>
        <source>Do not power the Ke off: run the update again.</source>
        <translation>No apague el Ke: vuelva a ejecutar la actualización.</translation>
    </message>
</context>
<context>
    <name>kecli::Main</name>
    <message>
        <source>cannot write the trace: %1</source>
        <translation>no se puede escribir la traza: %1</translation>
    </message>
</context>
<context>
    <name>kecli::NodeAccess</name>
    <message>
        <source>Ke Not Found: check that the Ke is connected to this computer&apos;s FireWire port and switched on.</source>
        <translation>Ke no encontrado: compruebe que el Ke está conectado al puerto FireWire de este ordenador y encendido.</translation>
    </message>
    <message>
        <source>This user may not open %1: if that is the Ke, install the udev rule and join the video group (see PERMISSIONS in man kefirmwareupdate-cli).</source>
        <translation>Este usuario no puede abrir %1: si es el Ke, instale la regla de udev y únase al grupo video (vea PERMISSIONS en man kefirmwareupdate-cli).</translation>
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
        <translation>microcontrolador</translation>
    </message>
    <message>
        <source>preparing</source>
        <translation>preparando</translation>
    </message>
    <message>
        <source>erasing %1</source>
        <translation>borrando el %1</translation>
    </message>
    <message>
        <source>writing %1</source>
        <translation>escribiendo el %1</translation>
    </message>
    <message>
        <source>working on %1</source>
        <translation>trabajando en el %1</translation>
    </message>
</context>
</TS>
