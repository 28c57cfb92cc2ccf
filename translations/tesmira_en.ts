<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>App</name>
    <message>
        <source>インターネットに接続してください。
</source>
        <translation>Please connect to the Internet.
</translation>
    </message>
</context>
<context>
    <name>Automation</name>
    <message>
        <source>「%s」という設定はありません。</source>
        <translation>There is no setting &quot;%s&quot;.</translation>
    </message>
    <message>
        <source>値の型が違います（数値・真偽値・文字列）。</source>
        <translation>The value has the wrong type (a number, a boolean or a text).</translation>
    </message>
    <message>
        <source>「%s」に設定できる値は %s です。</source>
        <translation>&quot;%s&quot; takes the values %s.</translation>
    </message>
    <message>
        <source>スチル写真を保存できませんでした。</source>
        <translation>The still photo could not be stored.</translation>
    </message>
    <message>
        <source>ダイアログが開いているため実行できません。</source>
        <translation>A dialog is open: close it first.</translation>
    </message>
    <message>
        <source>カメラがありません。</source>
        <translation>There is no camera.</translation>
    </message>
    <message>
        <source>いまはライブを開始できません。</source>
        <translation>Live video cannot be started now.</translation>
    </message>
    <message>
        <source>ライブを開始できませんでした。</source>
        <translation>Live video could not be started.</translation>
    </message>
    <message>
        <source>録画中はライブを停止できません。</source>
        <translation>Live video cannot be stopped while recording.</translation>
    </message>
    <message>
        <source>すでに録画中です。</source>
        <translation>A recording is already running.</translation>
    </message>
    <message>
        <source>いまは録画を開始できません。</source>
        <translation>A recording cannot be started now.</translation>
    </message>
    <message>
        <source>録画を開始できませんでした。</source>
        <translation>The recording could not be started.</translation>
    </message>
    <message>
        <source>録画していません。</source>
        <translation>Not recording.</translation>
    </message>
    <message>
        <source>いまは録画を停止できません。</source>
        <translation>The recording cannot be stopped now.</translation>
    </message>
    <message>
        <source>スチル写真はライブ中に撮影できます。</source>
        <translation>Still photos are taken while live video runs.</translation>
    </message>
    <message>
        <source>録画中はスチル写真を撮影できません。</source>
        <translation>No still photo can be taken while recording.</translation>
    </message>
    <message>
        <source>スチル写真を撮影できませんでした。</source>
        <translation>The still photo could not be taken.</translation>
    </message>
    <message>
        <source>ステージが移動中です。</source>
        <translation>The stage is moving.</translation>
    </message>
    <message>
        <source>ステージのポートが開いていません。</source>
        <translation>The stage&apos;s port is not open.</translation>
    </message>
    <message>
        <source>このZ軸コントローラは相対移動できません。</source>
        <translation>This Z drive takes no relative moves.</translation>
    </message>
    <message>
        <source>移動量は1パルス以上、-500000〜500000 µm の有限の値で指定して下さい。</source>
        <translation>Give a finite distance of at least one pulse, within -500000..500000 µm.</translation>
    </message>
    <message>
        <source>リレーの番号は 0〜7 です。</source>
        <translation>Relay channels are 0..7.</translation>
    </message>
    <message>
        <source>このリレーは接続されていません。</source>
        <translation>This relay is not connected.</translation>
    </message>
    <message>
        <source>リレーのサイクル中は切り替えできません。</source>
        <translation>Relays cannot be switched during a relay cycle.</translation>
    </message>
    <message>
        <source>リレーを切り替えできませんでした。</source>
        <translation>The relay could not be switched.</translation>
    </message>
    <message>
        <source>いまはショットを実行できません。</source>
        <translation>The shot cannot run now.</translation>
    </message>
    <message>
        <source>録画中は設定を変更できません。</source>
        <translation>Settings cannot be changed while recording.</translation>
    </message>
    <message>
        <source>「%s」はスクリプトからは変更できません。</source>
        <translation>&quot;%s&quot; cannot be changed from a script.</translation>
    </message>
</context>
<context>
    <name>Capture</name>
    <message>
        <source>このカメラには調節できる項目がありません。
</source>
        <translation>This camera has no settings that can be adjusted.
</translation>
    </message>
    <message>
        <source>MonsterX U3.0R は AVI 非圧縮での録画に失敗する場合があります!
失敗する場合は，MJPG AVI に設定してください。
 
</source>
        <translation>The MonsterX U3.0R may fail to record uncompressed AVI!
If it fails, choose MJPG AVI instead.
 
</translation>
    </message>
    <message>
        <source>録画ファイルに書き込めませんでした（ディスクの空き容量を確認して下さい）。
</source>
        <translation>Could not write to the recording file (please check the free disk space).
</translation>
    </message>
    <message>
        <source>ストリームの構築に失敗しました。
Tesmira を再起動して下さい。
</source>
        <translation>Building the stream failed.
Please restart Tesmira.
</translation>
    </message>
    <message>
        <source>カメラをインストールできませんでした!
他のアプリケーションが使用している可能性があります。
メニューの [キャプチャー] の [カメラ選択] で
別のカメラを探してください。
</source>
        <translation>Could not set up the camera!
Another application may be using it.
Please look for another camera with
[Capture] &gt; [Select Camera] in the menu.
</translation>
    </message>
    <message>
        <source>マイクをインストールできませんでした!
メニューの [キャプチャー] の [カメラ/マイク選択] で
マイクの接続を確認して下さい。
</source>
        <translation>Could not set up the microphone!
Please check the microphone&apos;s connection with
[Capture] &gt; [Select Camera/Microphone] in the menu.
</translation>
    </message>
    <message>
        <source>既定のカメラ %s が見つかりません。メニューの [キャプチャー] の [カメラ選択] でカメラを選んでください。
</source>
        <translation>The default camera %s is not attached. Choose a camera with [Capture] &gt; [Select Camera] in the menu.
</translation>
    </message>
</context>
<context>
    <name>ControlPanel</name>
    <message>
        <source>キー: ← / 4</source>
        <translation>Key: ← / 4</translation>
    </message>
    <message>
        <source>キー: → / 6</source>
        <translation>Key: → / 6</translation>
    </message>
    <message>
        <source>キー: ↑ / 8</source>
        <translation>Key: ↑ / 8</translation>
    </message>
    <message>
        <source>キー: ↓ / 2</source>
        <translation>Key: ↓ / 2</translation>
    </message>
    <message>
        <source>キー: Shift+← / Shift+4</source>
        <translation>Key: Shift+← / Shift+4</translation>
    </message>
    <message>
        <source>キー: Shift+→ / Shift+6</source>
        <translation>Key: Shift+→ / Shift+6</translation>
    </message>
    <message>
        <source>キー: Shift+↑ / Shift+8</source>
        <translation>Key: Shift+↑ / Shift+8</translation>
    </message>
    <message>
        <source>キー: Shift+↓ / Shift+2</source>
        <translation>Key: Shift+↓ / Shift+2</translation>
    </message>
    <message>
        <source>キー: Home / 7</source>
        <translation>Key: Home / 7</translation>
    </message>
    <message>
        <source>キー: PageUp / 9</source>
        <translation>Key: PageUp / 9</translation>
    </message>
    <message>
        <source>キー: End / 1</source>
        <translation>Key: End / 1</translation>
    </message>
    <message>
        <source>キー: PageDown / 3</source>
        <translation>Key: PageDown / 3</translation>
    </message>
    <message>
        <source>キー: Shift+Home / Shift+7</source>
        <translation>Key: Shift+Home / Shift+7</translation>
    </message>
    <message>
        <source>キー: Shift+PageUp / Shift+9</source>
        <translation>Key: Shift+PageUp / Shift+9</translation>
    </message>
    <message>
        <source>キー: Shift+End / Shift+1</source>
        <translation>Key: Shift+End / Shift+1</translation>
    </message>
    <message>
        <source>キー: Shift+PageDown / Shift+3</source>
        <translation>Key: Shift+PageDown / Shift+3</translation>
    </message>
    <message>
        <source>キー: Ctrl+↑ / Ctrl+8</source>
        <translation>Key: Ctrl+↑ / Ctrl+8</translation>
    </message>
    <message>
        <source>キー: Ctrl+↓ / Ctrl+2</source>
        <translation>Key: Ctrl+↓ / Ctrl+2</translation>
    </message>
    <message>
        <source>キー: Shift+Ctrl+↑ / Shift+Ctrl+8</source>
        <translation>Key: Shift+Ctrl+↑ / Shift+Ctrl+8</translation>
    </message>
    <message>
        <source>キー: Shift+Ctrl+↓ / Shift+Ctrl+2</source>
        <translation>Key: Shift+Ctrl+↓ / Shift+Ctrl+2</translation>
    </message>
    <message>
        <source>キー: スペース</source>
        <translation>Key: Space</translation>
    </message>
    <message>
        <source>キー: B</source>
        <translation>Key: B</translation>
    </message>
    <message>
        <source>キー: S（縮小） / Z（拡大）</source>
        <translation>Keys: S (smaller) / Z (larger)</translation>
    </message>
    <message>
        <source>温度・湿度計は ON になっていません。</source>
        <translation>The temperature/humidity meter is not ON.</translation>
    </message>
    <message>
        <source>温度・湿度計を ON にすると使えます。</source>
        <translation>Available once the temperature/humidity meter is ON.</translation>
    </message>
    <message>
        <source>温度・湿度計を ON にして Focus Start を押すと使えます。</source>
        <translation>Available once the temperature/humidity meter is ON and Focus Start is pressed.</translation>
    </message>
    <message>
        <source>VEV Microscope は ON になっていません。</source>
        <translation>VEV Microscope is not ON.</translation>
    </message>
    <message>
        <source>「再生速度を変更する」にチェックすると選べます。</source>
        <translation>Available when &quot;Change the replay rate&quot; is checked.</translation>
    </message>
    <message>
        <source>カメラがありません（キャプチャー ▸ カメラ選択）。</source>
        <translation>No camera (Capture ▸ Select camera).</translation>
    </message>
    <message>
        <source>LiveStart でライブ映像を始めると使えます。</source>
        <translation>Available once LiveStart shows the live picture.</translation>
    </message>
    <message>
        <source>録画中・繰り返し録画中は変更できません。</source>
        <translation>Cannot be changed while recording or repeating.</translation>
    </message>
    <message>
        <source>録画モードが「タイムラップス」のときに選べます。</source>
        <translation>Available when the recording mode is &quot;Time-lapse&quot;.</translation>
    </message>
    <message>
        <source>録画モードが「タイムラップス」の間は使えません。</source>
        <translation>Not available while the recording mode is &quot;Time-lapse&quot;.</translation>
    </message>
    <message>
        <source>リレーの手順が設定されていません（詳細）。</source>
        <translation>No relay sequence is set (Details).</translation>
    </message>
    <message>
        <source>リレーの手順も時刻も設定されていません（詳細）。</source>
        <translation>Neither a relay sequence nor clock times are set (Details).</translation>
    </message>
    <message>
        <source>ライブ映像は表示中です。</source>
        <translation>The live picture is already showing.</translation>
    </message>
    <message>
        <source>ライブ映像は止まっています。</source>
        <translation>The live picture is stopped.</translation>
    </message>
    <message>
        <source>録画中です。</source>
        <translation>Recording.</translation>
    </message>
    <message>
        <source>繰り返し録画の途中です（停止で解除）。</source>
        <translation>A repeated recording is in progress (Stop cancels it).</translation>
    </message>
    <message>
        <source>録画していません。</source>
        <translation>Not recording.</translation>
    </message>
    <message>
        <source>マイクがありません（キャプチャー ▸ カメラ選択）。</source>
        <translation>No microphone (Capture ▸ Select camera).</translation>
    </message>
    <message>
        <source>タイムラップス AVI を書き出せません（カメラと圧縮の設定）。</source>
        <translation>Cannot write a time-lapse AVI (camera and compression settings).</translation>
    </message>
    <message>
        <source>録画中は撮れません。</source>
        <translation>Cannot take a photo while recording.</translation>
    </message>
    <message>
        <source>VEV Microscope の ON で読み取りを始めると使えます。</source>
        <translation>Available once VEV Microscope ON starts the readout.</translation>
    </message>
    <message>
        <source>リレーモジュール 1 が見つかりません。</source>
        <translation>Relay module 1 not found.</translation>
    </message>
    <message>
        <source>リレーモジュール 2 が見つかりません。</source>
        <translation>Relay module 2 not found.</translation>
    </message>
</context>
<context>
    <name>Core</name>
    <message>
        <source>ディレクトリー &lt;%s&gt; は存在しません！
メニュー［キャプチャー］→［保存先とタイプ］でディレクトリーの再設定をして下さい。</source>
        <translation>The folder &lt;%s&gt; does not exist!
Please choose the folder again with [Capture] → [Folders and Types] in the menu.</translation>
    </message>
    <message>
        <source>ディレクトリー &lt;%s&gt; の空き容量は %s MB です！
メニュー［キャプチャー］→［保存先とタイプ］でディレクトリーの再設定をして下さい。</source>
        <translation>The folder &lt;%s&gt; has only %s MB free!
Please choose the folder again with [Capture] → [Folders and Types] in the menu.</translation>
    </message>
    <message>
        <source>シグマ光機</source>
        <translation>Sigma Koki</translation>
    </message>
    <message>
        <source>中央精機</source>
        <translation>Chuo Seiki</translation>
    </message>
</context>
<context>
    <name>DeviceHost</name>
    <message>
        <source>リレーモジュールのライブラリ %s が応答しません。リレーはオフラインです</source>
        <translation>The relay module library %s does not answer; the relays are off-line</translation>
    </message>
    <message>
        <source>リレーモジュールのライブラリ %s が異常終了しました。リレーはオフラインです</source>
        <translation>The relay module library %s has crashed; the relays are off-line</translation>
    </message>
    <message>
        <source>リレーモジュールのライブラリ %s の応答が不正です。リレーはオフラインです</source>
        <translation>The relay module library %s gave a malformed answer; the relays are off-line</translation>
    </message>
    <message>
        <source>リレーモジュールのライブラリ %s を読み込めません：%s</source>
        <translation>The relay module library %s cannot be loaded: %s</translation>
    </message>
    <message>
        <source>リレーモジュールのライブラリ %s は読み込み中に異常終了しました。リレーは使えません</source>
        <translation>The relay module library %s crashed while it was loaded; the relays cannot be used</translation>
    </message>
    <message>
        <source>リレーモジュールのライブラリ %s は再び正常に応答しています</source>
        <translation>The relay module library %s answers normally again</translation>
    </message>
    <message>
        <source>リレーモジュールのライブラリ %s は %d 回続けて失敗したため、再起動しません</source>
        <translation>The relay module library %s failed %d times in a row and is not started again</translation>
    </message>
    <message>
        <source>温湿度計のライブラリ %s が応答しません。温湿度計はオフラインです</source>
        <translation>The temperature/humidity meter library %s does not answer; the meter is off-line</translation>
    </message>
    <message>
        <source>温湿度計のライブラリ %s が異常終了しました。温湿度計はオフラインです</source>
        <translation>The temperature/humidity meter library %s has crashed; the meter is off-line</translation>
    </message>
    <message>
        <source>温湿度計のライブラリ %s の応答が不正です。温湿度計はオフラインです</source>
        <translation>The temperature/humidity meter library %s gave a malformed answer; the meter is off-line</translation>
    </message>
    <message>
        <source>温湿度計のライブラリ %s を読み込めません：%s</source>
        <translation>The temperature/humidity meter library %s cannot be loaded: %s</translation>
    </message>
    <message>
        <source>温湿度計のライブラリ %s は読み込み中に異常終了しました。温湿度計は使えません</source>
        <translation>The temperature/humidity meter library %s crashed while it was loaded; the meter cannot be used</translation>
    </message>
    <message>
        <source>温湿度計のライブラリ %s は再び正常に応答しています</source>
        <translation>The temperature/humidity meter library %s answers normally again</translation>
    </message>
    <message>
        <source>温湿度計のライブラリ %s は %d 回続けて失敗したため、再起動しません</source>
        <translation>The temperature/humidity meter library %s failed %d times in a row and is not started again</translation>
    </message>
    <message>
        <source>補助プログラムを起動できません（%s）。リレーは使えません</source>
        <translation>The helper program cannot be started (%s); the relays cannot be used</translation>
    </message>
    <message>
        <source>補助プログラムを起動できません（%s）。温湿度計は使えません</source>
        <translation>The helper program cannot be started (%s); the meter cannot be used</translation>
    </message>
</context>
<context>
    <name>Dialogs</name>
    <message>
        <source> 再生コマ速度
   %8.2lf fps (header)
  %8.2lf fps (stream)

 総コマ数
   %d frames</source>
        <translation> Replay frame rate
   %8.2lf fps (header)
  %8.2lf fps (stream)

 Total frames
   %d frames</translation>
    </message>
    <message>
        <source>AVI ファイルの選択</source>
        <translation>Choose an AVI File</translation>
    </message>
    <message>
        <source>選択</source>
        <translation>Choose</translation>
    </message>
    <message>
        <source>コマ速度を書き換えることが出来ませんでした。
</source>
        <translation>Could not rewrite the frame rate.
</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>このコーデックにはプロパティー頁がありません
</source>
        <translation>This codec has no property page
</translation>
    </message>
    <message>
        <source>%1 から %2 までの整数を入力してください。</source>
        <translation>Please enter a whole number from %1 to %2.</translation>
    </message>
    <message>
        <source>%1 から %2 までの数値を入力してください。</source>
        <translation>Please enter a number from %1 to %2.</translation>
    </message>
    <message>
        <source>ライブ画像の上で，長さの分かっている線をドラッグして下さい。</source>
        <translation>Drag a line of known length on the live picture.</translation>
    </message>
</context>
<context>
    <name>Imaging</name>
    <message>
        <source>エラー: %s が開きません。
</source>
        <translation>Error: cannot open %s.
</translation>
    </message>
</context>
<context>
    <name>Instruments</name>
    <message>
        <source>USBRHモジュールが見つかりません</source>
        <translation>USBRH module not found</translation>
    </message>
    <message>
        <source>USBRH2モジュールが見つかりません！</source>
        <translation>USBRH2 module not found!</translation>
    </message>
    <message>
        <source>TDSN7200 TD は読み取りに対応していません。表示は更新されません</source>
        <translation>The TDSN7200 TD cannot be read. The display will not be updated</translation>
    </message>
    <message>
        <source>1-Wire温度計が見つかりません</source>
        <translation>1-Wire thermometer not found</translation>
    </message>
    <message>
        <source>サイクル  %d / %d</source>
        <translation>Cycle  %d / %d</translation>
    </message>
    <message>
        <source>サイクル</source>
        <translation>Cycle</translation>
    </message>
    <message>
        <source>%02lld 分  %02lld 秒</source>
        <translation>%02lld min  %02lld s</translation>
    </message>
    <message>
        <source>オンとオフを同じにすることは出来ません！
</source>
        <translation>ON and OFF cannot be the same!
</translation>
    </message>
    <message>
        <source>オンとオフは，コマ間隔内に納める必要があります！
</source>
        <translation>ON and OFF must lie within the frame interval!
</translation>
    </message>
    <message>
        <source>オンとオフは，録画間隔内に納める必要があります！
</source>
        <translation>ON and OFF must lie within the recording interval!
</translation>
    </message>
    <message>
        <source>タイムラップスモード以外では，オンもオフもマイナスの値にはできません！
</source>
        <translation>Outside time-lapse mode, neither ON nor OFF can be negative!
</translation>
    </message>
    <message>
        <source>オン時刻とオフ時刻を同じにすることは出来ません！
</source>
        <translation>The ON time and the OFF time cannot be the same!
</translation>
    </message>
    <message>
        <source>USB リレー・モジュールのタイムテーブルが設定されていません!
 [詳細] でリレーのON/OFFのタイミングを設定してください。
</source>
        <translation>No timetable is set for the USB relay modules!
 Please set the relay ON/OFF times with [Details].
</translation>
    </message>
</context>
<context>
    <name>Media</name>
    <message>
        <source>接続カメラのマイク</source>
        <translation>Microphone of the camera</translation>
    </message>
    <message>
        <source>MJPG (Nikon) での圧縮には Nikon ViewNX 2 のインストールが必要です!
</source>
        <translation>Compressing with MJPG (Nikon) needs Nikon ViewNX 2 installed!
</translation>
    </message>
</context>
<context>
    <name>Menu</name>
    <message>
        <source>ﾌｧｲﾙ(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>コマ速度書き換え</source>
        <translation>Rewrite Frame Rate</translation>
    </message>
    <message>
        <source>AVI&#x3000;ファイルのヘッダーを書き換えて再生速度を変更する。</source>
        <translation>Changes the replay speed by rewriting the header of an AVI file.</translation>
    </message>
    <message>
        <source>ｱﾌﾟﾘｹｰｼｮﾝの終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>アプリケーションを終了し、ファイルの保存を指示します。</source>
        <translation>Quits the application; asks to save the files.</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U)	Ctrl+Z</source>
        <translation>&amp;Undo	Ctrl+Z</translation>
    </message>
    <message>
        <source>直前に行った動作を元に戻します。</source>
        <translation>Undoes the last action.</translation>
    </message>
    <message>
        <source>切り取り(&amp;T)	Ctrl+X</source>
        <translation>Cu&amp;t	Ctrl+X</translation>
    </message>
    <message>
        <source>選択範囲を切り取って、クリップボードに移動します。</source>
        <translation>Cuts the selection and puts it on the clipboard.</translation>
    </message>
    <message>
        <source>ｺﾋﾟｰ(&amp;C)	Ctrl+C</source>
        <translation>&amp;Copy	Ctrl+C</translation>
    </message>
    <message>
        <source>選択範囲をコピーしてクリップボードに保存します。</source>
        <translation>Copies the selection to the clipboard.</translation>
    </message>
    <message>
        <source>貼り付け(&amp;P)	Ctrl+V</source>
        <translation>&amp;Paste	Ctrl+V</translation>
    </message>
    <message>
        <source>クリップボードの内容を貼り付けます。</source>
        <translation>Inserts the contents of the clipboard.</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>ﾂｰﾙ ﾊﾞｰ(&amp;T)</source>
        <translation>&amp;Toolbar</translation>
    </message>
    <message>
        <source>ツール バーの表示/非表示を切り替えます。</source>
        <translation>Shows or hides the toolbar.</translation>
    </message>
    <message>
        <source>ｽﾃｰﾀｽ ﾊﾞｰ(&amp;S)</source>
        <translation>&amp;Status Bar</translation>
    </message>
    <message>
        <source>ステータス バーの表示/非表示を切り替えます。</source>
        <translation>Shows or hides the status bar.</translation>
    </message>
    <message>
        <source>カウントダウンパネル</source>
        <translation>Count-down Panel</translation>
    </message>
    <message>
        <source>次の録画までの残り時間を表示する。
Time before next rec</source>
        <translation>Shows the time left before the next recording.
Time before next rec</translation>
    </message>
    <message>
        <source>ポート(&amp;P)</source>
        <translation>&amp;Port</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>ステージコンコントローラーにポート番号を割り当てる。</source>
        <translation>Assigns the serial ports to the stage controllers.</translation>
    </message>
    <message>
        <source>送信</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>コマンドを直接入力して送信します。</source>
        <translation>Sends commands typed in directly.</translation>
    </message>
    <message>
        <source>キャプチャー(&amp;C)</source>
        <translation>&amp;Capture</translation>
    </message>
    <message>
        <source>カメラ選択</source>
        <translation>Select Camera</translation>
    </message>
    <message>
        <source>現在接続されているカメラの中から使用するカメラを選ぶ。</source>
        <translation>Chooses the camera to use from those connected now.</translation>
    </message>
    <message>
        <source>&#x3000;画質</source>
        <translation>  Picture Quality</translation>
    </message>
    <message>
        <source>カメラの輝度やコントラストを調節する。</source>
        <translation>Adjusts the camera&apos;s brightness and contrast.</translation>
    </message>
    <message>
        <source>&#x3000;ストリーム形式（LiveStop 時可能）</source>
        <translation>  Stream Format (after LiveStop)</translation>
    </message>
    <message>
        <source>サンプリング速度，駒速度などを変更する，出来れば！</source>
        <translation>Changes the sampling rate, frame rate and so on, where possible!</translation>
    </message>
    <message>
        <source>保存先と動画圧縮コーデック （LiveStop 時可能）</source>
        <translation>Folders and Video Codec (after LiveStop)</translation>
    </message>
    <message>
        <source>保存先ディレクトリと動画圧縮コーデックを決める。</source>
        <translation>Chooses the save folders and the video compression codec.</translation>
    </message>
    <message>
        <source>録画時間限界</source>
        <translation>Recording Time Limit</translation>
    </message>
    <message>
        <source>ムービーのファイルが長くなりすぎないように制限をかけます。</source>
        <translation>Limits the length of a movie so that its file does not grow too long.</translation>
    </message>
    <message>
        <source>ﾍﾙﾌﾟ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>更新（ダウンロード）(&amp;D)</source>
        <translation>Up&amp;date (Download)</translation>
    </message>
    <message>
        <source>Update Tesmira</source>
        <translation>Update Tesmira</translation>
    </message>
    <message>
        <source>コーデック（ダウンロード）</source>
        <translation>Codecs (Download)</translation>
    </message>
    <message>
        <source>Corvane の更新ページからビデオコーデックをダウンロードしてインストールする。</source>
        <translation>Downloads and installs video codecs from Corvane&apos;s update page.</translation>
    </message>
    <message>
        <source>Tesmira のﾊﾞｰｼﾞｮﾝ情報(&amp;A)...</source>
        <translation>&amp;About Tesmira...</translation>
    </message>
    <message>
        <source>プログラム情報、バージョン、著作権を表示します。</source>
        <translation>Shows the program information, version and copyright.</translation>
    </message>
    <message>
        <source>メッセージ欄をクリックしてから使えます。</source>
        <translation>Click the message pane first.</translation>
    </message>
    <message>
        <source>LiveStop でライブ映像を止めてから選べます。</source>
        <translation>Stop the live picture with LiveStop first.</translation>
    </message>
    <message>
        <source>録画中は変更できません。</source>
        <translation>Cannot be changed while recording.</translation>
    </message>
    <message>
        <source>カメラがありません（キャプチャー ▸ カメラ選択）。</source>
        <translation>No camera (Capture ▸ Select camera).</translation>
    </message>
    <message>
        <source>カメラの出力が見つかりません（キャプチャー ▸ カメラ選択）。</source>
        <translation>The camera output was not found (Capture ▸ Select camera).</translation>
    </message>
    <message>
        <source>録画中だけ使えます。</source>
        <translation>Available only while recording.</translation>
    </message>
    <message>
        <source>ツール バーはありません。</source>
        <translation>There is no toolbar.</translation>
    </message>
    <message>
        <source>ステータス バーはありません。</source>
        <translation>There is no status bar.</translation>
    </message>
    <message>
        <source>元に戻す操作がありません。</source>
        <translation>Nothing to undo.</translation>
    </message>
    <message>
        <source>テキストが選択されていません。</source>
        <translation>No text is selected.</translation>
    </message>
    <message>
        <source>クリップボードに貼り付けられる内容がありません。</source>
        <translation>Nothing on the clipboard to paste.</translation>
    </message>
    <message>
        <source>今は使えません。</source>
        <translation>Not available now.</translation>
    </message>
</context>
<context>
    <name>Panel</name>
    <message>
        <source>%1 から %2 までの数値を入力してください。</source>
        <translation>Please enter a number from %1 to %2.</translation>
    </message>
    <message>
        <source>数値を入力してください。</source>
        <translation>Please enter a number.</translation>
    </message>
    <message>
        <source>繰返し中</source>
        <translation>Repeating</translation>
    </message>
    <message>
        <source>録画開始</source>
        <translation>RecStart</translation>
    </message>
    <message>
        <source>・・・解除</source>
        <translation>Cancel...</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>RecStop</translation>
    </message>
    <message>
        <source>中断</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>ショット</source>
        <translation>Shot</translation>
    </message>
    <message>
        <source>繰り返し</source>
        <translation>Repeat</translation>
    </message>
</context>
<context>
    <name>Recording</name>
    <message>
        <source>録画をスタートすることが出来ませんでしたので，ストリームをリセットしました！
録画のスタートをやり直してください。
</source>
        <translation>The recording could not start, so the stream has been reset!
Please start the recording again.
</translation>
    </message>
    <message>
        <source>録画の保存先フォルダーが見つかりません。
</source>
        <translation>The folder for recordings cannot be found.
</translation>
    </message>
    <message>
        <source>メニュー「キャプチャー」の「保存先と動画圧縮コーデック」で別のフォルダーを選んでから，録画をスタートしてください。
</source>
        <translation>Please choose another folder with &quot;Folders and Video Codec&quot; in the &quot;Capture&quot; menu, then start the recording.
</translation>
    </message>
    <message>
        <source>録画中</source>
        <translation>Recording</translation>
    </message>
    <message>
        <source>録画再開待ち  %d / %d</source>
        <translation>Next recording  %d / %d</translation>
    </message>
    <message>
        <source>Movie No.%3d
取得：%6d
駒落：%d
</source>
        <translation>Movie No.%3d
Got: %6d
Dropped: %d
</translation>
    </message>
    <message>
        <source>転送中</source>
        <translation>Moving</translation>
    </message>
    <message>
        <source>実齣速度
%8.2lf fps
再生速度
%8.2lf fps

</source>
        <translation>Real rate
%8.2lf fps
Replay rate
%8.2lf fps

</translation>
    </message>
    <message>
        <source>録画ファイルに書き込めなくなったため，録画を停止しました。
</source>
        <translation>The recording was stopped because its file could no longer be written.
</translation>
    </message>
    <message>
        <source>記録できた部分は %s に保存しました。
</source>
        <translation>What was recorded has been saved in %s.
</translation>
    </message>
    <message>
        <source>ディスクの空き容量と保存先を確認して下さい。
</source>
        <translation>Please check the free disk space and the save folder.
</translation>
    </message>
    <message>
        <source>ファイル名を変更できませんでした: </source>
        <translation>Could not rename the file: </translation>
    </message>
    <message>
        <source>録画ファイルを保存先へ移動できませんでした。
</source>
        <translation>Could not move the recording to its save folder.
</translation>
    </message>
    <message>
        <source>録画は %s にあります。
</source>
        <translation>The recording is in %s.
</translation>
    </message>
    <message>
        <source>録画中  %d / %d</source>
        <translation>Recording  %d / %d</translation>
    </message>
    <message>
        <source>ログファイルを作成できませんでした。
</source>
        <translation>Could not create the log file.
</translation>
    </message>
    <message>
        <source>ログファイルに書き込めませんでした。
</source>
        <translation>Could not write the log file.
</translation>
    </message>
    <message>
        <source>録画ファイルを修復できませんでした（ファイルはそのまま残してあります）:
</source>
        <translation>Could not repair the recording (the file has been left as it is):
</translation>
    </message>
    <message>
        <source>修復した録画ファイルを保存先へ移せませんでした。
</source>
        <translation>Could not move the repaired recording to its save folder.
</translation>
    </message>
    <message>
        <source>Movie No.%3d を修復しました
</source>
        <translation>Movie No.%3d repaired
</translation>
    </message>
    <message>
        <source>齣撮 No.%3d を修復しました
</source>
        <translation>Time-lapse No.%3d repaired
</translation>
    </message>
    <message>
        <source>取得：%6lld
実齣速度
%8.2lf fps
再生速度
%8.2lf fps

</source>
        <translation>Got: %6lld
Real rate
%8.2lf fps
Replay rate
%8.2lf fps

</translation>
    </message>
    <message>
        <source>齣撮フォルダの名前を変更できませんでした:
</source>
        <translation>Could not rename the time-lapse folder:
</translation>
    </message>
    <message>
        <source>取得：%6d

</source>
        <translation>Got: %6d

</translation>
    </message>
    <message>
        <source>タイムラップス&#x3000;</source>
        <translation>Time-lapse </translation>
    </message>
    <message>
        <source>タイムラップス  %d / %d</source>
        <translation>Time-lapse  %d / %d</translation>
    </message>
    <message>
        <source>タイムラップスの画像を保存できなかったため，停止しました。
</source>
        <translation>The time-lapse was stopped because a picture could not be saved.
</translation>
    </message>
    <message>
        <source>齣撮 No.%3d
取得：%6d
</source>
        <translation>Time-lapse No.%3d
Got: %6d
</translation>
    </message>
    <message>
        <source>実齣速度
%8.4lf fps
再生速度
%8.2lf fps

</source>
        <translation>Real rate
%8.4lf fps
Replay rate
%8.2lf fps

</translation>
    </message>
    <message>
        <source>タイムラップス AVI を最後まで書けませんでした。
</source>
        <translation>Could not finish writing the time-lapse AVI.
</translation>
    </message>
    <message>
        <source>タイムラップスを保存先へ移動できませんでした。
</source>
        <translation>Could not move the time-lapse to its save folder.
</translation>
    </message>
    <message>
        <source>タイムラップスは %s にあります。
</source>
        <translation>The time-lapse is in %s.
</translation>
    </message>
    <message>
        <source>ログ：この録画の行は残っていませんでした。
</source>
        <translation>Log: no rows of this recording were kept.
</translation>
    </message>
    <message>
        <source>ログ：残っていた行を読めませんでした (%s)。
</source>
        <translation>Log: the kept rows could not be read (%s).
</translation>
    </message>
    <message>
        <source>ログ：最初の駒より前に切れたため，行がありません。
</source>
        <translation>Log: none, the recording was cut before its first frame.
</translation>
    </message>
    <message>
        <source>ログを書けませんでした：%s
</source>
        <translation>The log could not be written: %s
</translation>
    </message>
    <message>
        <source>ログ：%s（切れた所までの行）
</source>
        <translation>Log: %s (the rows up to the cut)
</translation>
    </message>
    <message>
        <source>ディスクへの書き込みが間に合わないため，齣を落としました。
</source>
        <translation>The disk could not keep up: a frame was dropped.
</translation>
    </message>
    <message>
        <source>タイムラップスを最後まで書けませんでした。
</source>
        <translation>The time-lapse series could not be written to the end.
</translation>
    </message>
</context>
<context>
    <name>Serial</name>
    <message>
        <source>ステージコントローラ用シリアルポート初期化失敗！
</source>
        <translation>Could not open the serial port of the stage controller!
</translation>
    </message>
    <message>
        <source>メインメニューから再設定することが出来ます。
</source>
        <translation>It can be set again from the main menu.
</translation>
    </message>
    <message>
        <source>シャッター用シリアルポート初期化失敗！
</source>
        <translation>Could not open the serial port of the shutter!
</translation>
    </message>
    <message>
        <source>温度・湿度計シリアルポート初期化失敗！
</source>
        <translation>Could not open the serial port of the thermo-hygrometer!
</translation>
    </message>
    <message>
        <source>USB ケーブルの接続を確認してください。
メニューの [ポート(P)] → [設定] から再設定することが出来ます。
</source>
        <translation>Please check the USB cable.
The port can be set again with [Port] → [Settings] in the menu.
</translation>
    </message>
    <message>
        <source>ステージコントローラ %s との接続が切れました。
</source>
        <translation>The stage controller on %s is gone.
</translation>
    </message>
    <message>
        <source>シャッター %s との接続が切れました。
</source>
        <translation>The shutter on %s is gone.
</translation>
    </message>
    <message>
        <source>温度・湿度計 %s との接続が切れました。
</source>
        <translation>The temperature/humidity meter on %s is gone.
</translation>
    </message>
    <message>
        <source>ステージコントローラ %s に再接続しました。
</source>
        <translation>The stage controller on %s is back.
</translation>
    </message>
    <message>
        <source>シャッター %s に再接続しました。
</source>
        <translation>The shutter on %s is back.
</translation>
    </message>
    <message>
        <source>温度・湿度計 %s に再接続しました。
</source>
        <translation>The temperature/humidity meter on %s is back.
</translation>
    </message>
    <message>
        <source>既定のシリアルポート %s はこの PC にないため、割り当てていません。メニューの [ポート(P)] → [設定] から割り当てることが出来ます。
</source>
        <translation>The default serial port(s) %s are not on this PC and were left unassigned. Ports can be assigned with [Port] → [Settings] in the menu.
</translation>
    </message>
</context>
<context>
    <name>Stage</name>
    <message>
        <source>機械原点を検出しています。
ステージの動きが止まってから [ OK ] をクリックして下さい。
</source>
        <translation>Searching for the stage&apos;s home position.
Click [ OK ] once the stage has stopped moving.
</translation>
    </message>
    <message>
        <source>ステージコントローラ %s が応答しません。
</source>
        <translation>The stage controller on %s does not answer.
</translation>
    </message>
</context>
<context>
    <name>StatusLine</name>
    <message>
        <source>タイムラップス撮影中</source>
        <translation>Time-lapse running</translation>
    </message>
    <message>
        <source>録画中</source>
        <translation>Recording</translation>
    </message>
    <message>
        <source>繰り返し録画の待機中</source>
        <translation>Waiting for the next repeated recording</translation>
    </message>
    <message>
        <source>カメラなし</source>
        <translation>No camera</translation>
    </message>
    <message>
        <source>ライブ</source>
        <translation>Live</translation>
    </message>
    <message>
        <source>ライブ停止中</source>
        <translation>Live stopped</translation>
    </message>
    <message>
        <source>経過 %1</source>
        <translation>Elapsed %1</translation>
    </message>
    <message>
        <source>残り %1</source>
        <translation>%1 left</translation>
    </message>
    <message>
        <source>次の録画まで %1</source>
        <translation>Next recording in %1</translation>
    </message>
    <message>
        <source>%1 fps</source>
        <translation>%1 fps</translation>
    </message>
    <message>
        <source>キー → ステージ</source>
        <translation>Keys → stage</translation>
    </message>
    <message>
        <source>キー → 入力欄</source>
        <translation>Keys → edit field</translation>
    </message>
    <message>
        <source>キー → 映像</source>
        <translation>Keys → picture</translation>
    </message>
    <message>
        <source>キー → 他のウィンドウ</source>
        <translation>Keys → another window</translation>
    </message>
    <message>
        <source>非圧縮</source>
        <translation>Uncompressed</translation>
    </message>
    <message>
        <source>保存: %1</source>
        <translation>Saved: %1</translation>
    </message>
    <message>
        <source>X %1  Y %2  Z %3 µm</source>
        <translation>X %1  Y %2  Z %3 µm</translation>
    </message>
    <message>
        <source>%1 齣</source>
        <translation>%1 frames</translation>
    </message>
</context>
<context>
    <name>tesmira::CAboutDlg</name>
    <message>
        <source>Tesmiraのﾊﾞｰｼﾞｮﾝ情報</source>
        <translation>About Tesmira</translation>
    </message>
</context>
<context>
    <name>tesmira::CDlgAviRate</name>
    <message>
        <source>再生コマ速度書き換え</source>
        <translation>Rewrite Replay Frame Rate</translation>
    </message>
    <message>
        <source>カスタム</source>
        <translation>Custom</translation>
    </message>
    <message>
        <source>書き換え</source>
        <translation>Rewrite</translation>
    </message>
    <message>
        <source>0.001 から 10000 までの数値を入力してください。</source>
        <translation>Please enter a number from 0.001 to 10000.</translation>
    </message>
</context>
<context>
    <name>tesmira::CDlgCameraSelect</name>
    <message>
        <source>カメラ選択</source>
        <translation>Select Camera</translation>
    </message>
    <message>
        <source>カメラ&#x3000;リスト</source>
        <translation>Cameras</translation>
    </message>
    <message>
        <source>接続カメラ</source>
        <translation>Camera in use</translation>
    </message>
    <message>
        <source>マイク&#x3000;リスト</source>
        <translation>Microphones</translation>
    </message>
    <message>
        <source>接続マイク</source>
        <translation>Microphone in use</translation>
    </message>
</context>
<context>
    <name>tesmira::CDlgCommandSend</name>
    <message>
        <source>コマンド送信</source>
        <translation>Send Commands</translation>
    </message>
    <message>
        <source>コマンド例&#x3000;半角英数字&#x3000;複数コマンドを一度に送るときはセミコロンで区切る。
</source>
        <translation>Example commands, in ASCII letters and digits. Separate several commands sent at once with semicolons.
</translation>
    </message>
    <message>
        <source>送信</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>コントローラーの応答</source>
        <translation>The controller&apos;s answer</translation>
    </message>
</context>
<context>
    <name>tesmira::CDlgCountDown</name>
    <message>
        <source>残り時間</source>
        <translation>Time Left</translation>
    </message>
    <message>
        <source>ストップ</source>
        <translation>Stop</translation>
    </message>
</context>
<context>
    <name>tesmira::CDlgDirectory</name>
    <message>
        <source>活図&#x3000;データファイル (*.dat)|*.dat|テキスト&#x3000;ファイル (*.txt)|*.txt|エクセル&#x3000;ファイル (*.csv)|*.csv|All Files (*.*)|*.*||</source>
        <translation>Data files (*.dat)|*.dat|Text files (*.txt)|*.txt|Excel files (*.csv)|*.csv|All Files (*.*)|*.*||</translation>
    </message>
    <message>
        <source>ディレクトリーとファイルタイプ</source>
        <translation>Folders and File Types</translation>
    </message>
    <message>
        <source>参照</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>動画</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>保存先：</source>
        <translation>Folder:</translation>
    </message>
    <message>
        <source>作業用にRAMディスクを使う&#x3000;→</source>
        <translation>Use a RAM disk for work →</translation>
    </message>
    <message>
        <source>画質設定</source>
        <translation>Quality</translation>
    </message>
    <message>
        <source>ステージ動作・コマ落ち等記録</source>
        <translation>Log of stage moves, dropped frames etc.</translation>
    </message>
    <message>
        <source>DAT（活図）</source>
        <translation>DAT (data)</translation>
    </message>
    <message>
        <source>TXT（ｴﾃﾞｨﾀｰ）</source>
        <translation>TXT (editor)</translation>
    </message>
    <message>
        <source>CSV（ｴｸｾﾙ）</source>
        <translation>CSV (Excel)</translation>
    </message>
    <message>
        <source>実際に，記録をファイルに書き出す</source>
        <translation>Write the log to a file</translation>
    </message>
    <message>
        <source>決定</source>
        <translation>Choose</translation>
    </message>
    <message>
        <source>作業用ディレクトリー</source>
        <translation>Work Folder</translation>
    </message>
    <message>
        <source>保存用ディレクトリー</source>
        <translation>Save Folder</translation>
    </message>
</context>
<context>
    <name>tesmira::CDlgMain</name>
    <message>
        <source>Dropped Frames
転送中</source>
        <translation>Dropped Frames
Moving</translation>
    </message>
    <message>
        <source>移動量(μｍ)</source>
        <translation>Step (µm)</translation>
    </message>
    <message>
        <source>ステージセンタリング</source>
        <translation>Centre stage</translation>
    </message>
    <message>
        <source>Focus Start</source>
        <translation>Focus Start</translation>
    </message>
    <message>
        <source>Focus Stop</source>
        <translation>Focus Stop</translation>
    </message>
    <message>
        <source>ショト連動詳細</source>
        <translation>Shot sync</translation>
    </message>
    <message>
        <source>微 = [Ctrl]+[矢印]
粗 = [Shift]+[Ctrl]+</source>
        <translation>Fine = [Ctrl]+[arrow]
Coarse = [Shift]+[Ctrl]+</translation>
    </message>
    <message>
        <source>LiveStart</source>
        <translation>LiveStart</translation>
    </message>
    <message>
        <source>LiveStop</source>
        <translation>LiveStop</translation>
    </message>
    <message>
        <source>RecStart</source>
        <translation>RecStart</translation>
    </message>
    <message>
        <source>RecStop</source>
        <translation>RecStop</translation>
    </message>
    <message>
        <source>スチル写真</source>
        <translation>Still photo</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>Video を View 内に納める</source>
        <translation>Fit video in view</translation>
    </message>
    <message>
        <source>動画録画時 Zoom = 1.0</source>
        <translation>Zoom = 1.0 on rec</translation>
    </message>
    <message>
        <source>動画に音声を入れる</source>
        <translation>Record sound</translation>
    </message>
    <message>
        <source>再生速度を変更する</source>
        <translation>Set replay rate</translation>
    </message>
    <message>
        <source>詳細</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>録画モード</source>
        <translation>Recording mode</translation>
    </message>
    <message>
        <source>１回</source>
        <translation>Once</translation>
    </message>
    <message>
        <source>繰り返し</source>
        <translation>Repeat</translation>
    </message>
    <message>
        <source>タイムラップス</source>
        <translation>Time-lapse</translation>
    </message>
    <message>
        <source>USB リレー ショット直接</source>
        <translation>USB relay shot</translation>
    </message>
    <message>
        <source>形式</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>温度・湿度計</source>
        <translation>Thermo-hygrometer</translation>
    </message>
    <message>
        <source>ON</source>
        <translation>ON</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>OFF</translation>
    </message>
    <message>
        <source>計器</source>
        <translation>Ports</translation>
    </message>
    <message>
        <source>  Temp:
  Humid:</source>
        <translation>  Temp:
  Humid:</translation>
    </message>
    <message>
        <source>ﾃﾛｯﾌﾟ</source>
        <translation>Caption</translation>
    </message>
    <message>
        <source>補正</source>
        <translation>Corr.</translation>
    </message>
    <message>
        <source>VEV Microscope INFO</source>
        <translation>VEV Microscope INFO</translation>
    </message>
    <message>
        <source> VEV Microscope
 not connected!</source>
        <translation> VEV Microscope
 not connected!</translation>
    </message>
    <message>
        <source>USB リレー  (Super-4 Relay Module) コントロール</source>
        <translation>USB relays  (Super-4 Relay Module) control</translation>
    </message>
    <message>
        <source>ショット</source>
        <translation>Shot</translation>
    </message>
</context>
<context>
    <name>tesmira::CDlgMjpegQuality</name>
    <message>
        <source>画質：</source>
        <translation>Quality:</translation>
    </message>
    <message>
        <source>値が大きいほど高画質・大きなファイルになります（1〜100）。</source>
        <translation>Higher values give better pictures and larger files (1 to 100).</translation>
    </message>
</context>
<context>
    <name>tesmira::CDlgPortSelect</name>
    <message>
        <source>シリアルポート選択</source>
        <translation>Select Serial Ports</translation>
    </message>
    <message>
        <source>シグマ光機</source>
        <translation>Sigma Koki</translation>
    </message>
    <message>
        <source>中央精機</source>
        <translation>Chuo Seiki</translation>
    </message>
    <message>
        <source>S（シャッター）</source>
        <translation>S (shutter)</translation>
    </message>
    <message>
        <source>温度・湿度計</source>
        <translation>Thermo-hygrometer</translation>
    </message>
    <message>
        <source>ポート一覧</source>
        <translation>Ports</translation>
    </message>
    <message>
        <source>ポート %1</source>
        <translation>Port %1</translation>
    </message>
    <message>
        <source>XY と Z に同じポート</source>
        <translation>One port for XY and Z</translation>
    </message>
    <message>
        <source>%1（切断・閉）</source>
        <translation>%1 (gone, closed)</translation>
    </message>
</context>
<context>
    <name>tesmira::CDlgTimeLimit</name>
    <message>
        <source>キャプチャー制限時間</source>
        <translation>Capture Time Limit</translation>
    </message>
    <message>
        <source>分</source>
        <translation>min</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>録画時間</source>
        <translation>Recording length</translation>
    </message>
    <message>
        <source>繰り返し録画</source>
        <translation>Repeated recording</translation>
    </message>
    <message>
        <source>間隔（録画開始から次の録画開始まで）</source>
        <translation>Interval (from the start of one recording to the start of the next)</translation>
    </message>
    <message>
        <source>回</source>
        <translation>times</translation>
    </message>
</context>
<context>
    <name>tesmira::CDlgTimelapse</name>
    <message>
        <source>ビデオの録画時間と回数&#x3000;および&#x3000;タイムラップスビデオの撮影間隔と齣数&#x3000;さらに&#x3000;USBリレー制御&#x3000;設定</source>
        <translation>Video length and repeats, time-lapse interval and frames, and USB relay control settings</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>ビデオ</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>録画時間</source>
        <translation>Recording time</translation>
    </message>
    <message>
        <source>分</source>
        <translation>min</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>録画間隔</source>
        <translation>Recording interval</translation>
    </message>
    <message>
        <source>録画回数</source>
        <translation>Recordings</translation>
    </message>
    <message>
        <source>タイムラップスビデオ</source>
        <translation>Time-lapse video</translation>
    </message>
    <message>
        <source>コマ間隔</source>
        <translation>Frame interval</translation>
    </message>
    <message>
        <source>最大齣数</source>
        <translation>Max. frames</translation>
    </message>
    <message>
        <source>時</source>
        <translation>h</translation>
    </message>
    <message>
        <source>再生時間</source>
        <translation>Replay time</translation>
    </message>
    <message>
        <source>テロップ：</source>
        <translation>Caption:</translation>
    </message>
    <message>
        <source>時刻</source>
        <translation>Clock</translation>
    </message>
    <message>
        <source>温度</source>
        <translation>Temperature</translation>
    </message>
    <message>
        <source>Zー軸値</source>
        <translation>Z value</translation>
    </message>
    <message>
        <source>フォント高さ：</source>
        <translation>Font height:</translation>
    </message>
    <message>
        <source>シャッター音：</source>
        <translation>Shutter sound:</translation>
    </message>
    <message>
        <source>USB リレー</source>
        <translation>USB relay</translation>
    </message>
    <message>
        <source>+/- X 秒</source>
        <translation>+/- X s</translation>
    </message>
    <message>
        <source>録画/ショット</source>
        <translation>Rec/Shot</translation>
    </message>
    <message>
        <source>時刻に同期してONのときも，ショット中は常にOFF</source>
        <translation>Always OFF during a shot, even when ON by the clock</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>スケールバー</source>
        <translation>Scale bar</translation>
    </message>
    <message>
        <source>画素サイズ：</source>
        <translation>Pixel size:</translation>
    </message>
    <message>
        <source>較正</source>
        <translation>Calibrate</translation>
    </message>
    <message>
        <source>ライブ画像上の線：%1 pxl</source>
        <translation>Line on the live picture: %1 pxl</translation>
    </message>
    <message>
        <source>ライブ画像上で既知の長さの線をドラッグ</source>
        <translation>Drag a line of known length on the live picture</translation>
    </message>
</context>
<context>
    <name>tesmira::CDlgVfwConfig</name>
    <message>
        <source> フレームごと</source>
        <translation> frames apart</translation>
    </message>
    <message>
        <source>キーフレーム：</source>
        <translation>Key frame:</translation>
    </message>
    <message>
        <source>画質：</source>
        <translation>Quality:</translation>
    </message>
</context>
<context>
    <name>tesmira::CDlgZsync</name>
    <message>
        <source>USBリレー&#x3000;１号機のNo.１の OFFに同期</source>
        <translation>With USB relay module 1, No. 1 OFF</translation>
    </message>
    <message>
        <source>USBリレー&#x3000;１号機のNo.２の OFFに同期</source>
        <translation>With USB relay module 1, No. 2 OFF</translation>
    </message>
    <message>
        <source>USBリレー&#x3000;１号機のNo.３の OFFに同期</source>
        <translation>With USB relay module 1, No. 3 OFF</translation>
    </message>
    <message>
        <source>USBリレー&#x3000;１号機のNo.４の OFFに同期</source>
        <translation>With USB relay module 1, No. 4 OFF</translation>
    </message>
    <message>
        <source>USBリレー&#x3000;２号機のNo.１の OFFに同期</source>
        <translation>With USB relay module 2, No. 1 OFF</translation>
    </message>
    <message>
        <source>USBリレー&#x3000;２号機のNo.２の OFFに同期</source>
        <translation>With USB relay module 2, No. 2 OFF</translation>
    </message>
    <message>
        <source>USBリレー&#x3000;２号機のNo.３の OFFに同期</source>
        <translation>With USB relay module 2, No. 3 OFF</translation>
    </message>
    <message>
        <source>USBリレー&#x3000;２号機のNo.４の OFFに同期</source>
        <translation>With USB relay module 2, No. 4 OFF</translation>
    </message>
    <message>
        <source>USBカメラの One Shot に同期（ﾀｲﾑﾗｯﾌﾟｽ）</source>
        <translation>With the USB camera&apos;s one shot (time-lapse)</translation>
    </message>
    <message>
        <source>自動移動はしない。</source>
        <translation>No automatic move.</translation>
    </message>
    <message>
        <source>Z-軸移動 [↑] とカメラショットの同期</source>
        <translation>Z move [↑] in step with camera shots</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>tesmira::CMainFrame</name>
    <message>
        <source>無題 - Tesmira</source>
        <translation>Untitled - Tesmira</translation>
    </message>
    <message>
        <source>タイムラップス</source>
        <translation>Time-lapse</translation>
    </message>
    <message>
        <source>録画</source>
        <translation>Recording</translation>
    </message>
    <message>
        <source>繰り返し録画</source>
        <translation>Repeated recording</translation>
    </message>
    <message>
        <source>リレーのサイクル</source>
        <translation>Relay cycle</translation>
    </message>
    <message>
        <source>動いているものがあります:
%1

終了すると止まります。終了しますか？</source>
        <translation>Still running:
%1

Quitting stops it. Quit anyway?</translation>
    </message>
    <message>
        <source>終了する</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>続ける</source>
        <translation>Keep running</translation>
    </message>
</context>
<context>
    <name>tesmira::StageBinding</name>
    <message>
        <source>入力された値は使えないため，元の値に戻しました。</source>
        <translation>The value entered cannot be used, so the previous value has been restored.</translation>
    </message>
</context>
</TS>
