<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>CKeFirmwareUpdateDialog</name>
    <message>
        <source>Ke Not Found</source>
        <translation>Ke が見つかりません</translation>
    </message>
    <message>
        <source>Updating the Ke: do not power it off or unplug it until the update is over.</source>
        <translation>Ke を更新しています。更新が終わるまで、電源を切ったりケーブルを抜いたりしないでください。</translation>
    </message>
    <message>
        <source>KEFirmwareUpdate will quit when the update is over.</source>
        <translation>更新が終わると KEFirmwareUpdate は終了します。</translation>
    </message>
    <message>
        <source>Update progress</source>
        <translation>更新の進み具合</translation>
    </message>
    <message>
        <source>Writing the firmware image</source>
        <translation>ファームウェアのイメージを書き込んでいます</translation>
    </message>
    <message>
        <source>Writing the FPGA image</source>
        <translation>FPGA のイメージを書き込んでいます</translation>
    </message>
    <message>
        <source>Writing the microcontroller image</source>
        <translation>マイコンのイメージを書き込んでいます</translation>
    </message>
    <message>
        <source>Not offered: %1.</source>
        <translation>更新できません: %1。</translation>
    </message>
    <message>
        <source>A Ke is connected, but you may not use it: install the udev rule from the package and join the video group (see PERMISSIONS in man KEFirmwareUpdate), then plug the Ke in again.</source>
        <translation>Ke が接続されていますが、使用する権限がありません。パッケージの udev ルールをインストールして video グループに参加し (man KEFirmwareUpdate の PERMISSIONS を参照)、Ke を接続し直してください。</translation>
    </message>
    <message>
        <source>A Ke is connected, but another program is using it: quit that program to update the Ke.</source>
        <translation>Ke が接続されていますが、別のプログラムが使用中です。Ke を更新するには、そのプログラムを終了してください。</translation>
    </message>
    <message>
        <source>Not offered: the Ke could not be opened: %1.</source>
        <translation>更新できません: Ke を開けませんでした: %1。</translation>
    </message>
    <message>
        <source>Select Downgrade button to download firmware version %1 to Ke:</source>
        <translation>「ダウングレード」を選ぶと、ファームウェアのバージョン %1 を Ke に書き込みます。</translation>
    </message>
    <message>
        <source>Select Upgrade button to download firmware version %1 to Ke:</source>
        <translation>「アップグレード」を選ぶと、ファームウェアのバージョン %1 を Ke に書き込みます。</translation>
    </message>
    <message>
        <source>The Ke chosen (%1) is no longer connected: the first Ke found is shown.</source>
        <translation>選んだ Ke (%1) は接続されていません。最初に見つかった Ke を表示しています。</translation>
    </message>
    <message>
        <source>Downgrade</source>
        <translation>ダウングレード</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>アップグレード</translation>
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
        <translation>マイクロコントローラー</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>不明な</translation>
    </message>
    <message>
        <source>at the open</source>
        <translation>オープン時に</translation>
    </message>
    <message>
        <source>entering update mode</source>
        <translation>アップデートモードへの移行時に</translation>
    </message>
    <message>
        <source>at the erase</source>
        <translation>消去時に</translation>
    </message>
    <message>
        <source>sending the header</source>
        <translation>ヘッダーの送信時に</translation>
    </message>
    <message>
        <source>sending the image</source>
        <translation>イメージの送信時に</translation>
    </message>
    <message>
        <source>at the CRC check</source>
        <translation>CRC チェック時に</translation>
    </message>
    <message>
        <source>returning to normal operation</source>
        <translation>通常動作への復帰時に</translation>
    </message>
    <message>
        <source>at an unknown step</source>
        <translation>不明なステップで</translation>
    </message>
</context>
<context>
    <name>KeAlerts</name>
    <message>
        <source>%1 %2</source>
        <extracomment>Two sentences one after the other; a language without spaces between sentences drops the space.</extracomment>
        <translation>%1%2</translation>
    </message>
    <message>
        <source>The details are in %1.</source>
        <translation>詳細は %1 にあります。</translation>
    </message>
    <message>
        <source>The update could not be recorded in the history: %1.</source>
        <translation>更新を履歴に記録できませんでした: %1。</translation>
    </message>
    <message>
        <source>This is a Downgrade:</source>
        <translation>これはダウングレードです。</translation>
    </message>
    <message>
        <source>Press OK to Continue or Cancel to Quit</source>
        <translation>続行するには [OK] を、終了するには [キャンセル] を押してください。</translation>
    </message>
    <message>
        <source>Programming Complete</source>
        <translation>書き込みが完了しました</translation>
    </message>
    <message>
        <source>You will need to cycle the Power on your Ke for changes to take affect</source>
        <translation>変更を有効にするには、Ke の電源を入れ直してください。</translation>
    </message>
    <message>
        <source>Version %1, the firmware updater for the Ke unit</source>
        <translation>バージョン %1、Ke のファームウェア更新プログラム</translation>
    </message>
    <message>
        <source>Check that the Ke is connected, switched on and not in use, then run the update again.</source>
        <translation>Ke が接続され、電源が入っていて、使用中でないことを確かめてから、もう一度更新してください。</translation>
    </message>
    <message>
        <source>Do not power off the Ke: run the update again.</source>
        <translation>Ke の電源を切らずに、もう一度更新してください。</translation>
    </message>
    <message>
        <source>Programming Failed</source>
        <translation>書き込みに失敗しました</translation>
    </message>
</context>
<context>
    <name>KeResults</name>
    <message>
        <source>the unit did not finish erasing in time</source>
        <translation>ユニットが時間内に消去を完了しませんでした</translation>
    </message>
    <message>
        <source>the unit reported a failed erase</source>
        <translation>ユニットが消去の失敗を報告しました</translation>
    </message>
    <message>
        <source>the unit did not accept the image</source>
        <translation>ユニットがイメージを受け付けませんでした</translation>
    </message>
    <message>
        <source>the step did not complete</source>
        <translation>ステップが完了しませんでした</translation>
    </message>
    <message>
        <source>Writing the %1 image failed: %2.</source>
        <translation>%1 イメージの書き込みに失敗しました: %2。</translation>
    </message>
    <message>
        <source>The %1 image was left as it was.</source>
        <translation>%1 イメージは変更されていません。</translation>
    </message>
    <message>
        <source>The %1 image was written.</source>
        <translation>%1 イメージは書き込まれました。</translation>
    </message>
    <message>
        <source>The update did not start: %1; nothing was written.</source>
        <translation>アップデートは開始されませんでした: %1。何も書き込まれていません。</translation>
    </message>
    <message>
        <source>The Ke was not left as it was found: it could not be taken out of update mode %1.</source>
        <translation>Ke は元の状態に戻っていません: アップデートモードを解除できませんでした %1。</translation>
    </message>
    <message>
        <source>Not Available</source>
        <translation>利用不可</translation>
    </message>
    <message>
        <source>The update ended without a result.</source>
        <translation>アップデートは結果なしで終了しました。</translation>
    </message>
    <message>
        <source>Programming Complete
You will need to cycle the Power on your Ke for changes to take affect</source>
        <translation>プログラミング完了
変更を有効にするには Ke の電源を入れ直してください</translation>
    </message>
    <message>
        <source>Writing the %1 image failed %2: %3 %4.</source>
        <translation>%1 イメージの書き込みが%2失敗しました: %3 %4。</translation>
    </message>
    <message>
        <source>the Ke was not found on the FireWire bus %1</source>
        <translation>FireWire バス上に Ke が見つかりませんでした %1</translation>
    </message>
    <message>
        <source>another program holds the Ke %1</source>
        <translation>別のプログラムが Ke を使用中です %1</translation>
    </message>
    <message>
        <source>the Ke could not be opened %1</source>
        <translation>Ke を開けませんでした %1</translation>
    </message>
    <message>
        <source>the %1 image failed %2, before its erase %3</source>
        <translation>%1 イメージが消去の前に%2失敗しました %3</translation>
    </message>
    <message>
        <source>it was cancelled before the first erase</source>
        <translation>最初の消去の前にキャンセルされました</translation>
    </message>
    <message>
        <source>the system could not start the update thread %1</source>
        <translation>システムがアップデートのスレッドを開始できませんでした %1</translation>
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
    <name>UnitChoice</name>
    <message>
        <source>%1, firmware %2, GUID %3</source>
        <translation>%1、ファームウェア %2、GUID %3</translation>
    </message>
    <message>
        <source>%1, firmware %2</source>
        <translation>%1、ファームウェア %2</translation>
    </message>
</context>
<context>
    <name>kecli::CliApp</name>
    <message>
        <source>upgrade (%1 to %2)</source>
        <translation>アップグレード (%1 から %2 へ)</translation>
    </message>
    <message>
        <source>GUID:</source>
        <translation>GUID:</translation>
    </message>
    <message>
        <source>Serial number:</source>
        <translation>シリアル番号:</translation>
    </message>
    <message>
        <source>Installed version:</source>
        <translation>現在のバージョン:</translation>
    </message>
    <message>
        <source>Carried version:</source>
        <translation>同梱のバージョン:</translation>
    </message>
    <message>
        <source>Update would be:</source>
        <translation>更新の内容:</translation>
    </message>
    <message>
        <source>the trace %1 is incomplete: %2; it ends before the run did.</source>
        <translation>トレース %1 は不完全です: %2。実行の途中で終わっています。</translation>
    </message>
    <message>
        <source>Carried firmware: %1</source>
        <translation>同梱のファームウェア: %1</translation>
    </message>
    <message>
        <source>serial %1  running %2</source>
        <translation>シリアル %1  バージョン %2</translation>
    </message>
    <message>
        <source>Several Ke units are connected; choose one with --unit GUID or --unit SERIAL:</source>
        <translation>複数の Ke ユニットが接続されています。--unit GUID または --unit SERIAL で 1 台を選んでください:</translation>
    </message>
    <message>
        <source>Several Ke units match --unit %1; choose one with --unit GUID or --unit SERIAL:</source>
        <translation>複数の Ke ユニットが --unit %1 に一致します。--unit GUID または --unit SERIAL で 1 台を選んでください:</translation>
    </message>
    <message>
        <source>Ke Not Found: no unit matches --unit %1.</source>
        <translation>Ke が見つかりません: --unit %1 に一致するユニットはありません。</translation>
    </message>
    <message>
        <source>This is a Downgrade: write firmware %1 over %2 on the Ke (serial %3)?</source>
        <translation>これはダウングレードです: Ke (シリアル %3) の %2 をファームウェア %1 で上書きしますか?</translation>
    </message>
    <message>
        <source>The Ke (serial %1) already runs %2. Write it again?</source>
        <translation>Ke (シリアル %1) はすでに %2 です。もう一度書き込みますか?</translation>
    </message>
    <message>
        <source>Write firmware %1 to the Ke (serial %2, now running %3)?</source>
        <translation>ファームウェア %1 を Ke (シリアル %2、現在 %3) に書き込みますか?</translation>
    </message>
    <message>
        <source>This is a Downgrade: the Ke runs %1, newer than the carried %2.</source>
        <translation>これはダウングレードです: Ke の %1 は同梱の %2 より新しいバージョンです。</translation>
    </message>
    <message>
        <source>Run again with --allow-downgrade to write it anyway.</source>
        <translation>それでも書き込むには --allow-downgrade を付けてもう一度実行してください。</translation>
    </message>
    <message>
        <source>An application that uses the Ke is running; quit it, then run the update again.</source>
        <translation>Ke を使うアプリケーションが実行中です。終了してから、もう一度更新を実行してください。</translation>
    </message>
    <message>
        <source>standard input is not a terminal, so the update cannot be confirmed; add --yes to update without asking.</source>
        <translation>標準入力が端末ではないため、更新を確認できません。確認なしで更新するには --yes を付けてください。</translation>
    </message>
    <message>
        <source>%1 arrived at the question.</source>
        <translation>確認の途中で %1 を受け取りました。</translation>
    </message>
    <message>
        <source>Not confirmed: nothing was written.</source>
        <translation>確認されませんでした。何も書き込んでいません。</translation>
    </message>
    <message>
        <source>Updating the Ke; do not power it off or unplug it until the update is over.</source>
        <translation>Ke を更新しています。更新が終わるまで電源を切ったりケーブルを抜いたりしないでください。</translation>
    </message>
    <message>
        <source>the update cannot be interrupted safely; it goes on</source>
        <translation>更新を安全に中断できないため、続行します</translation>
    </message>
    <message>
        <source>nothing has been written yet; the update is cancelled</source>
        <translation>まだ何も書き込んでいないため、更新を取り消します</translation>
    </message>
    <message>
        <source>%1 arrived before the first erase.</source>
        <translation>最初の消去の前に %1 を受け取りました。</translation>
    </message>
    <message>
        <source>The update could not be recorded in the history: %1.</source>
        <translation>更新を履歴に記録できませんでした: %1。</translation>
    </message>
    <message>
        <source>%1 arrived during the update; the program ends now with its result.</source>
        <translation>更新中に %1 を受け取りました。結果を伝えてプログラムを終了します。</translation>
    </message>
    <message>
        <source>downgrade (%1 to %2)</source>
        <translation>ダウングレード (%1 から %2 へ)</translation>
    </message>
    <message>
        <source>reinstall of the same version (%1)</source>
        <translation>同じバージョンの再インストール (%1)</translation>
    </message>
    <message>
        <source>The Ke is there, but this user may not open it (status %1); ask for access to its FireWire device.</source>
        <translation>Ke は接続されていますが、このユーザーは開けません (状態 %1)。FireWire デバイスへのアクセス権を依頼してください。</translation>
    </message>
    <message>
        <source>The Ke is there, but another program holds it (status %1).</source>
        <translation>Ke は接続されていますが、別のプログラムが使用中です (状態 %1)。</translation>
    </message>
    <message>
        <source>The Ke is there, but it is not offered for an update: %1.</source>
        <translation>Ke は接続されていますが、アップデートの対象になりません: %1。</translation>
    </message>
    <message>
        <source>The Ke is there, but it could not be read (status %1).</source>
        <translation>Ke は接続されていますが、読み取れませんでした (状態 %1)。</translation>
    </message>
</context>
<context>
    <name>kecli::CliParser</name>
    <message>
        <source>Exit codes:</source>
        <translation>終了コード:</translation>
    </message>
    <message>
        <source>Without --verbose the core&apos;s trace and failure lines go to
%1 (default %2).</source>
        <translation>--verbose がないとき、コアのトレース行と失敗行は
%1 (既定では %2) に書き込まれます。</translation>
    </message>
    <message>
        <source>Updates the firmware of a Ke unit from the command line.</source>
        <translation>Ke ユニットのファームウェアをコマンドラインから更新します。</translation>
    </message>
    <message>
        <source>Print one JSON object on standard output for the whole run</source>
        <translation>実行全体について 1 つの JSON オブジェクトを標準出力に書き出す</translation>
    </message>
    <message>
        <source>Show the update engine&apos;s trace and failure lines</source>
        <translation>更新エンジンのトレース行と失敗行を表示する</translation>
    </message>
    <message>
        <source>Print the program&apos;s version and the firmware it carries</source>
        <translation>プログラムのバージョンと同梱のファームウェアを表示する</translation>
    </message>
    <message>
        <source>Write every transaction with the unit to FILE, one JSON object a line (for a problem report)</source>
        <translation>ユニットとのすべてのトランザクションを FILE に 1 行 1 JSON オブジェクトで書き出す (問題の報告用)</translation>
    </message>
    <message>
        <source>Show the unit&apos;s serial number and versions, and what an update would do</source>
        <translation>ユニットのシリアル番号とバージョン、更新で何が行われるかを表示する</translation>
    </message>
    <message>
        <source>Write the carried firmware to the unit</source>
        <translation>同梱のファームウェアをユニットに書き込む</translation>
    </message>
    <message>
        <source>Write the carried firmware even if the unit runs a newer one</source>
        <translation>ユニットのファームウェアの方が新しくても同梱のファームウェアを書き込む</translation>
    </message>
    <message>
        <source>Do not ask for confirmation</source>
        <translation>確認しない</translation>
    </message>
    <message>
        <source>The unit to write, by GUID or serial number, when several are connected</source>
        <translation>複数が接続されているときに書き込むユニット (GUID またはシリアル番号で指定)</translation>
    </message>
    <message>
        <source>Show the update attempts of both programs, oldest first</source>
        <translation>両方のプログラムの更新の試みを古い順に表示する</translation>
    </message>
    <message>
        <source>Usage</source>
        <translation>使い方</translation>
    </message>
    <message>
        <source>OPTIONS</source>
        <translation>オプション</translation>
    </message>
    <message>
        <source>SUBCOMMAND</source>
        <translation>コマンド</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>オプション</translation>
    </message>
    <message>
        <source>Subcommands</source>
        <translation>コマンド</translation>
    </message>
    <message>
        <source>Print this help message and exit</source>
        <translation>このヘルプを表示して終了する</translation>
    </message>
    <message>
        <source>Run with --help for more information.</source>
        <translation>詳しくは --help を付けて実行してください。</translation>
    </message>
    <message>
        <source>no arguments</source>
        <translation>引数がありません</translation>
    </message>
    <message>
        <source>--unit needs a GUID or serial number</source>
        <translation>--unit には GUID またはシリアル番号が必要です</translation>
    </message>
    <message>
        <source>a command is needed: status, update or history</source>
        <translation>コマンドが必要です: status、update、history のいずれか</translation>
    </message>
</context>
<context>
    <name>kecli::Console</name>
    <message>
        <source>y|yes</source>
        <extracomment>The answers that confirm at the [y/N] question, separated by |; the first is the one the question shows.</extracomment>
        <translation>y|はい</translation>
    </message>
    <message>
        <source>[y/N]</source>
        <translation>[y/N]</translation>
    </message>
</context>
<context>
    <name>kecli::History</name>
    <message>
        <source>%1  %2  serial %3  %4 -&gt; %5  %6</source>
        <translation>%1  %2  シリアル %3  %4 -&gt; %5  %6</translation>
    </message>
    <message>
        <source>: %1 image</source>
        <translation>: %1 イメージ</translation>
    </message>
    <message>
        <source>No update has been recorded.</source>
        <translation>記録された更新はありません。</translation>
    </message>
</context>
<context>
    <name>kecli::JobVerdict</name>
    <message>
        <source>Do not power the Ke off: run the update again.</source>
        <translation>Ke の電源を切らないでください: アップデートをもう一度実行してください。</translation>
    </message>
</context>
<context>
    <name>kecli::Main</name>
    <message>
        <source>cannot write the trace: %1</source>
        <translation>トレースを書き込めません: %1</translation>
    </message>
</context>
<context>
    <name>kecli::NodeAccess</name>
    <message>
        <source>Ke Not Found: check that the Ke is connected to this computer&apos;s FireWire port and switched on.</source>
        <translation>Ke が見つかりません: Ke がこのコンピュータの FireWire ポートに接続され、電源が入っていることを確認してください。</translation>
    </message>
    <message>
        <source>This user may not open %1: if that is the Ke, install the udev rule and join the video group (see PERMISSIONS in man kefirmwareupdate-cli).</source>
        <translation>このユーザーは %1 を開けません。それが Ke なら、udev ルールをインストールして video グループに参加してください (man kefirmwareupdate-cli の PERMISSIONS を参照)。</translation>
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
        <translation>マイコン</translation>
    </message>
    <message>
        <source>preparing</source>
        <translation>準備中</translation>
    </message>
    <message>
        <source>erasing %1</source>
        <translation>%1を消去中</translation>
    </message>
    <message>
        <source>writing %1</source>
        <translation>%1に書き込み中</translation>
    </message>
    <message>
        <source>working on %1</source>
        <translation>%1を処理中</translation>
    </message>
</context>
</TS>
