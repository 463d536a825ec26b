<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ja_JP">
<context>
    <name>AddReport</name>
    <message>
        <source>%1 — 対応していないファイルです: %2</source>
        <translation>%1 — not supported: %2</translation>
    </message>
    <message>
        <source>%1 — フォルダの外を指すリンクのため読みませんでした</source>
        <translation>%1 — not read: a link to a folder outside the folder chosen</translation>
    </message>
    <message>
        <source>%1 — フォルダを読めませんでした: %2</source>
        <translation>%1 — the folder could not be read: %2</translation>
    </message>
    <message>
        <source>既にリストに登録されているため追加しなかったファイル: %1</source>
        <translation>Not added, already in the list: %1</translation>
    </message>
    <message>
        <source>名前がサフィックス「%1」で終わるため追加しなかったファイル（以前の出力）: %2</source>
        <translation>Not added, names ending in the suffix &quot;%1&quot; (outputs of an earlier run): %2</translation>
    </message>
    <message>
        <source>追加しなかったファイルがあります（追加したファイル: %1、追加しなかったファイル: %2）</source>
        <translation>Some files were not added (files added: %1, not added: %2).</translation>
    </message>
</context>
<context>
    <name>CAboutDlg</name>
    <message>
        <source>バージョン情報 ZEL</source>
        <translation>About ZEL</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>ZEL バージョン %1</source>
        <translation>ZEL, Version %1</translation>
    </message>
    <message>
        <source>Copyright © 2026 ZEL 開発者</source>
        <translation>Copyright (C) 2026 The ZEL developers</translation>
    </message>
    <message>
        <source>音声ファイルのサンプリング周波数一括変換ツール</source>
        <translation>Batch sampling-frequency converter for sound files</translation>
    </message>
</context>
<context>
    <name>CCPUInfoDlg</name>
    <message>
        <source>使用しない</source>
        <translation>None</translation>
    </message>
    <message>
        <source>CPU情報</source>
        <translation>CPU Information</translation>
    </message>
    <message>
        <source>閉じる(&amp;X)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>命令セット</source>
        <translation>Instruction Set</translation>
    </message>
    <message>
        <source>不明なプロセッサ</source>
        <translation>Unknown processor</translation>
    </message>
</context>
<context>
    <name>CProgressDlg</name>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>すべてのファイル</source>
        <translation>All files</translation>
    </message>
    <message>
        <source>現在のファイル</source>
        <translation>Current file</translation>
    </message>
    <message>
        <source>経過時間 %1</source>
        <translation>Elapsed %1</translation>
    </message>
    <message>
        <source>残り時間 約 %1</source>
        <translation>About %1 left</translation>
    </message>
    <message>
        <source>%1% — %2</source>
        <translation>%1% — %2</translation>
    </message>
</context>
<context>
    <name>CResultDlg</name>
    <message>
        <source>実行結果</source>
        <translation>Results</translation>
    </message>
    <message>
        <source>閉じる(&amp;X)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>ファイル名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>メッセージ</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>出力フォルダを開く</source>
        <translation>Open output folder</translation>
    </message>
    <message>
        <source>コピー</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>未処理</source>
        <translation>Not processed</translation>
    </message>
    <message>
        <source>変換 %1 件</source>
        <translation>%1 converted</translation>
    </message>
    <message>
        <source>中断 %1 件</source>
        <translation>%1 cancelled</translation>
    </message>
    <message>
        <source>失敗 %1 件</source>
        <translation>%1 failed</translation>
    </message>
    <message>
        <source>スキップ %1 件</source>
        <translation>%1 skipped</translation>
    </message>
    <message>
        <source>未処理 %1 件</source>
        <translation>%1 not processed</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>出力ファイル</source>
        <translation>Output File</translation>
    </message>
    <message>
        <source>クリップあり %1 件</source>
        <translation>%1 with clipped samples</translation>
    </message>
    <message>
        <source>出力フォルダを開くプログラムが見つかりませんでした。
フォルダのパスをクリップボードにコピーしました。
%1</source>
        <translation>No program was found to open the output folder.
Its path was copied to the clipboard.
%1</translation>
    </message>
</context>
<context>
    <name>CZELDlg</name>
    <message>
        <source>リストから全てのファイルを削除します</source>
        <translation>All files will be removed from the list.</translation>
    </message>
    <message>
        <source>入力ファイル</source>
        <translation>Input Files</translation>
    </message>
    <message>
        <source>ファイル追加(&amp;A)...</source>
        <translation>&amp;Add Files...</translation>
    </message>
    <message>
        <source>フォルダ指定(&amp;F)...</source>
        <translation>Add &amp;Folder...</translation>
    </message>
    <message>
        <source>全て削除(&amp;D)</source>
        <translation>&amp;Delete All</translation>
    </message>
    <message>
        <source>出力ファイル</source>
        <translation>Output Files</translation>
    </message>
    <message>
        <source>サフィックス</source>
        <translation>Suffix</translation>
    </message>
    <message>
        <source>サンプリング周波数</source>
        <translation>Sampling frequency</translation>
    </message>
    <message>
        <source>再生速度</source>
        <translation>Playback speed</translation>
    </message>
    <message>
        <source>品質</source>
        <translation>Quality</translation>
    </message>
    <message>
        <source>標準</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>高品質</source>
        <translation>High quality</translation>
    </message>
    <message>
        <source>等リプル FIR、通過域は低い方のナイキスト周波数の 0.90 倍まで、阻止域は 1.00 倍から -150 dB、136 タップ</source>
        <translation>Equiripple FIR: passband to 0.90 of the lower Nyquist frequency, stopband from 1.00 on at -150 dB, 136 taps</translation>
    </message>
    <message>
        <source>最高品質</source>
        <translation>Best quality</translation>
    </message>
    <message>
        <source>倍精度のカイザー窓 sinc、通過域は低い方のナイキスト周波数の 0.98 倍まで (±0.01 dB)、阻止域は 1.00 倍から -175 dB、FFT による 2 倍レートの約 2400 タップと 24 タップの 2 段。高品質より時間がかかります</source>
        <translation>Kaiser-windowed sinc in double precision: passband to 0.98 of the lower Nyquist frequency (+/-0.01 dB), stopband from 1.00 on at -175 dB, in two stages: about 2400 taps at twice the rate by FFT, then 24 taps; slower than high quality</translation>
    </message>
    <message>
        <source>音量</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>音量を揃える</source>
        <translation>Normalise loudness</translation>
    </message>
    <message>
        <source>ファイルを一度読んで変換後のラウドネス (EBU R128) を測り、目標に合わせます。トゥルーピークは -1 dBTP を超えません</source>
        <translation>Each file is read once first to measure the converted loudness (EBU R128), which is then brought to the target; the true peak stays at or below -1 dBTP</translation>
    </message>
    <message>
        <source>放送 (EBU R128)</source>
        <translation>Broadcast (EBU R128)</translation>
    </message>
    <message>
        <source>ポッドキャスト</source>
        <translation>Podcasts</translation>
    </message>
    <message>
        <source>音楽配信</source>
        <translation>Music streaming</translation>
    </message>
    <message>
        <source>アルバム単位</source>
        <translation>Per album</translation>
    </message>
    <message>
        <source>同じフォルダのファイルを一枚のアルバムとして、全体を測ってから同じゲインをかけます。曲どうしの音量の差はそのまま残ります</source>
        <translation>The files of one folder are an album: it is measured as a whole, then every file gets the same gain, so the differences in level between tracks stay</translation>
    </message>
    <message>
        <source>クリップ防止</source>
        <translation>Prevent clipping</translation>
    </message>
    <message>
        <source>ファイルを一度読んで変換後のピークを測り、どのサンプルもクリップしない分だけ音量を下げます</source>
        <translation>Each file is read once first to find the converted peak; the level is lowered just enough that no sample clips</translation>
    </message>
    <message>
        <source>メタデータを削除</source>
        <translation>Strip metadata</translation>
    </message>
    <message>
        <source>ピッチを保つ</source>
        <translation>Keep pitch</translation>
    </message>
    <message>
        <source>速度を変えても音の高さを変えません（テンポだけが変わります）</source>
        <translation>The pitch stays as it was when the speed changes (only the tempo changes)</translation>
    </message>
    <message>
        <source>再生速度の倍率（0.5〜2、小数 4 桁まで）か、25/24 のような整数比</source>
        <translation>The speed as a factor (0.5 to 2, up to four decimals) or a ratio of whole numbers such as 25/24</translation>
    </message>
    <message>
        <source>元の周波数</source>
        <translation>Input&apos;s rate</translation>
    </message>
    <message>
        <source>実行(&amp;E)</source>
        <translation>&amp;Execute</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>メニュー</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>バージョン情報 ZEL(&amp;A)...</source>
        <translation>&amp;About ZEL...</translation>
    </message>
    <message>
        <source>CPU情報(&amp;P)...</source>
        <translation>CPU &amp;Information...</translation>
    </message>
    <message>
        <source>サブフォルダも含める</source>
        <translation>Include subfolders</translation>
    </message>
    <message>
        <source>出力先</source>
        <translation>Output to</translation>
    </message>
    <message>
        <source>入力ファイルと同じフォルダ</source>
        <translation>Beside each input file</translation>
    </message>
    <message>
        <source>指定フォルダ</source>
        <translation>Into the folder</translation>
    </message>
    <message>
        <source>出力先フォルダの選択</source>
        <translation>Choose the Output Folder</translation>
    </message>
    <message>
        <source>入力と同じ</source>
        <translation>Same as input</translation>
    </message>
    <message>
        <source>8ビット</source>
        <translation>8-bit</translation>
    </message>
    <message>
        <source>16ビット</source>
        <translation>16-bit</translation>
    </message>
    <message>
        <source>24ビット</source>
        <translation>24-bit</translation>
    </message>
    <message>
        <source>32ビット</source>
        <translation>32-bit</translation>
    </message>
    <message>
        <source>32ビット浮動小数点</source>
        <translation>32-bit float</translation>
    </message>
    <message>
        <source>64ビット浮動小数点</source>
        <translation>64-bit float</translation>
    </message>
    <message>
        <source>自動</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>TPDF</source>
        <translation>TPDF</translation>
    </message>
    <message>
        <source>ノイズシェーピング</source>
        <translation>Noise shaping</translation>
    </message>
    <message>
        <source>出力形式</source>
        <translation>Output format</translation>
    </message>
    <message>
        <source>量子化ビット数</source>
        <translation>Bits per sample</translation>
    </message>
    <message>
        <source>ディザ</source>
        <translation>Dither</translation>
    </message>
    <message>
        <source>Ogg Vorbis、Opus、MP3 は浮動小数点で書き込まれます</source>
        <translation>Ogg Vorbis, Opus and MP3 are written as float</translation>
    </message>
    <message>
        <source>フォルダから追加したファイルは、そのフォルダからの相対パスを保って出力します。
個別に追加したファイルは、このフォルダの直下に出力します。
存在しないフォルダは実行時に作成します。</source>
        <translation>Files added from a folder keep their path below that folder here.
Files added one by one go directly into this folder.
A folder that does not exist yet is created when Execute starts.</translation>
    </message>
    <message>
        <source>（出力先フォルダが指定されていません）</source>
        <translation>(no output folder given)</translation>
    </message>
    <message>
        <source>開くプログラムが見つかりませんでした: %1</source>
        <translation>No program was found to open %1</translation>
    </message>
    <message>
        <source>%1 個のファイル、合計 %2</source>
        <translation>Files: %1, total %2</translation>
    </message>
    <message>
        <source>ハミング窓 sinc、出力 1 サンプルあたり 51 タップ、低い方のナイキスト周波数で -6 dB、阻止域の減衰は約 53 dB。最も速い</source>
        <translation>Hamming-windowed sinc, 51 taps per output, -6 dB at the lower Nyquist frequency, stopband about 53 dB down. The fastest</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>この説明を表示して終了します</source>
        <translation>Show this help and exit</translation>
    </message>
    <message>
        <source>バージョンを表示して終了します</source>
        <translation>Show the version and exit</translation>
    </message>
    <message>
        <source>これ以降の引数をすべてファイルとして扱います</source>
        <translation>Treat every later argument as a file</translation>
    </message>
    <message>
        <source>使い方: zel [オプション] [ファイル|フォルダ]...</source>
        <translation>Usage: zel [options] [file|folder]...</translation>
    </message>
    <message>
        <source>ZELのウィンドウを開き、指定された音声ファイルとフォルダ内の音声ファイルを入力ファイルのリストに追加します。</source>
        <translation>Opens the ZEL window and adds the sound files named, and those in the folders named, to the input file list.</translation>
    </message>
    <message>
        <source>引数1つが1つのファイルまたはフォルダのパスです(空白を含むパスは引用符で囲みます)。</source>
        <translation>Each argument is the path of one file or folder (quote a path that contains spaces).</translation>
    </message>
    <message>
        <source>オプション:</source>
        <translation>Options:</translation>
    </message>
</context>
<context>
    <name>ExecuteCommand</name>
    <message>
        <source>出力先フォルダが指定されていません</source>
        <translation>No output folder has been specified.</translation>
    </message>
    <message>
        <source>次の2つのファイルの出力先が同じになります
%1
%2
→ %3</source>
        <translation>These two files would be written to the same output:
%1
%2
→ %3</translation>
    </message>
    <message>
        <source>出力ファイルのうち %1 個が既に存在します。
置き換えますか、それとも既存のファイルをスキップしますか？</source>
        <translation>Output files that exist already: %1.
Replace them, or skip the existing ones?</translation>
    </message>
    <message>
        <source>出力先フォルダは / で始まるフルパスで指定してください
%1</source>
        <translation>Give the output folder as a full path starting with /.
%1</translation>
    </message>
    <message>
        <source>出力先フォルダとして指定されたものはフォルダではありません
%1</source>
        <translation>The output folder given is not a folder.
%1</translation>
    </message>
    <message>
        <source>出力先フォルダを作成できません
%1
%2</source>
        <translation>The output folder cannot be created.
%1
%2</translation>
    </message>
    <message>
        <source>次のファイルの出力先が、リストにある別の入力ファイルになります
%1
→ %2
以前の出力をリストから削除するか、サフィックスを変えてください</source>
        <translation>The output of this file would be another file of the list:
%1
→ %2
Remove the earlier output from the list or change the suffix.</translation>
    </message>
</context>
<context>
    <name>InputFileList</name>
    <message>
        <source>ファイル名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>記録時間</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>チャンネル数</source>
        <translation>Channels</translation>
    </message>
    <message>
        <source>サンプリング周波数</source>
        <translation>Sampling frequency</translation>
    </message>
    <message>
        <source>量子化ビット数</source>
        <translation>Bits per sample</translation>
    </message>
    <message>
        <source>フォルダ</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>形式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>出力先: %1</source>
        <translation>Output: %1</translation>
    </message>
    <message>
        <source>ここにファイルやフォルダをドロップして追加できます
（「ファイル追加」「フォルダ指定」ボタンからも追加できます）</source>
        <translation>Drop files and folders here to add them
(or use &quot;Add Files&quot; and &quot;Add Folder&quot;)</translation>
    </message>
    <message>
        <source>リストから削除(&amp;R)</source>
        <translation>&amp;Remove from List</translation>
    </message>
    <message>
        <source>フォルダを開く(&amp;O)</source>
        <translation>&amp;Open Containing Folder</translation>
    </message>
    <message>
        <source>再生(&amp;P)</source>
        <translation>&amp;Play</translation>
    </message>
    <message>
        <source>既定のプレーヤーで再生します</source>
        <translation>Plays the file with the default player</translation>
    </message>
</context>
<context>
    <name>QtUserPrompts</name>
    <message>
        <source>フォルダの選択</source>
        <translation>Select Folder</translation>
    </message>
    <message>
        <source>WAVファイル (%1)</source>
        <translation>WAV files (%1)</translation>
    </message>
    <message>
        <source>すべてのファイル (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>全て置き換える</source>
        <translation>Replace All</translation>
    </message>
    <message>
        <source>既存をスキップ</source>
        <translation>Skip Existing</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>出力先フォルダの選択</source>
        <translation>Choose the Output Folder</translation>
    </message>
    <message>
        <source>音声ファイル (%1)</source>
        <translation>Sound files (%1)</translation>
    </message>
</context>
<context>
    <name>SpeedText</name>
    <message>
        <source>%1倍</source>
        <translation>%1x</translation>
    </message>
</context>
</TS>
