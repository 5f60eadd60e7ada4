<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
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
    <name>kecli::CliApp</name>
    <message>
        <source>upgrade (%1 to %2)</source>
        <translation>actualización (de %1 a %2)</translation>
    </message>
</context>
</TS>
