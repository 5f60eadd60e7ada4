<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>MainWindow</name>
    <message>
        <source>KEFirmwareUpdate</source>
        <translation>KEFirmwareUpdate</translation>
    </message>
    <message>
        <source>Ke &amp;unit:</source>
        <translation>Ke ユニット(&amp;U):</translation>
    </message>
    <message>
        <source>Ke unit</source>
        <translation>Ke ユニット</translation>
    </message>
    <message>
        <source>The Ke to show and update, by serial number and firmware version, when several are connected</source>
        <translation>複数の Ke が接続されているときに表示して更新する Ke (シリアル番号とファームウェアのバージョンで選びます)</translation>
    </message>
    <message>
        <source>Ke firmware version:</source>
        <translation>Ke のファームウェア:</translation>
    </message>
    <message>
        <source>The firmware the connected Ke runs, microcontroller version then FPGA version, or Ke Not Found</source>
        <translation>接続されている Ke のファームウェア (マイコンのバージョン、次に FPGA のバージョン)、または Ke が見つかりません</translation>
    </message>
    <message>
        <source>Ke Not Found</source>
        <translation>Ke が見つかりません</translation>
    </message>
    <message>
        <source>Ke serial number:</source>
        <translation>Ke のシリアル番号:</translation>
    </message>
    <message>
        <source>The serial number of the connected Ke, or Ke Not Found</source>
        <translation>接続されている Ke のシリアル番号、または Ke が見つかりません</translation>
    </message>
    <message>
        <source>What to do next, what the update is doing, or why the connected Ke cannot be used</source>
        <translation>次に行うこと、更新の進み具合、または接続されている Ke を使えない理由</translation>
    </message>
    <message>
        <source>Shown while a video capture or editing application runs; the update waits until it quits</source>
        <translation>ビデオのキャプチャまたは編集アプリケーションの実行中に表示されます。更新はそのアプリケーションが終了するまで待ちます</translation>
    </message>
    <message>
        <source>A video capture or editing application is running. Quit it before you update the Ke.</source>
        <translation>ビデオのキャプチャまたは編集アプリケーションが実行中です。Ke を更新する前に終了してください。</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>更新の進み具合</translation>
    </message>
    <message>
        <source>How much of the update is done, from 0 to 100 percent; while the update runs its name says which image is being written</source>
        <translation>更新がどこまで進んだか (0～100 パーセント)。更新中は、書き込み中のイメージをその名前が示します</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Quits the program; disabled from the moment the update starts until it is over</source>
        <translation>プログラムを終了します。更新の開始から終了までは使えません</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>アップグレード</translation>
    </message>
    <message>
        <source>Writes the firmware that this program carries to the Ke; reads Downgrade when the Ke runs a newer version</source>
        <translation>このプログラムが持つファームウェアを Ke に書き込みます。Ke のバージョンの方が新しいときは「ダウングレード」と表示されます</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>ヘルプ(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;About KEFirmwareUpdate</source>
        <translation>KEFirmwareUpdate について(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>終了(&amp;Q)</translation>
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
        <translation>アップグレード (%1 から %2 へ)</translation>
    </message>
</context>
</TS>
