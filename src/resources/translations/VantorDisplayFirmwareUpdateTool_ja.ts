<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>AppInfo</name>
    <message>
        <source>Application version: %1 (Build %2)</source>
        <comment>software version and build number</comment>
        <translation>アプリケーション バージョン: %1 (ビルド %2)</translation>
    </message>
</context>
<context>
    <name>HttpClient</name>
    <message>
        <source>Upload failed. Retrying...</source>
        <translation>アップロードに失敗しました。再試行しています...</translation>
    </message>
    <message>
        <source>Error: Upload retry failed.</source>
        <translation>エラー: アップロードの再試行に失敗しました。</translation>
    </message>
    <message>
        <source>Error: Timeout.</source>
        <translation>エラー: タイムアウトしました。</translation>
    </message>
    <message>
        <source>Error: Unable to upload file.</source>
        <translation>エラー: ファイルをアップロードできません。</translation>
    </message>
    <message>
        <source>Error: Unable to communicate via HTTP.</source>
        <translation>エラー: HTTP で通信できません。</translation>
    </message>
    <message>
        <source>Idle</source>
        <translation>待機中</translation>
    </message>
    <message>
        <source>Queued</source>
        <translation>キュー登録済み</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>実行中</translation>
    </message>
    <message>
        <source>Complete.</source>
        <translation>完了しました。</translation>
    </message>
    <message>
        <source>Error: Update failed.</source>
        <translation>エラー: 更新に失敗しました。</translation>
    </message>
</context>
<context>
    <name>PDFirmUpTool</name>
    <message>
        <source>Vantor Display Firmware Update Tool</source>
        <translation>Vantor ディスプレイ ファームウェア更新ツール</translation>
    </message>
    <message>
        <source>Detected Display List</source>
        <translation>検出されたディスプレイ一覧</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>表示(&amp;V)</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>終了(&amp;X)</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>ログ</translation>
    </message>
</context>
<context>
    <name>SV_Information_Dialog</name>
    <message>
        <source>Log</source>
        <translation>ログ</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>クリア</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>コピー</translation>
    </message>
</context>
<context>
    <name>displayListModel</name>
    <message>
        <source>Update</source>
        <comment>action column - update</comment>
        <translation>更新</translation>
    </message>
    <message>
        <source>Overwrite</source>
        <comment>action column - if fw is same</comment>
        <translation>上書き</translation>
    </message>
    <message>
        <source>Power On</source>
        <translation>電源オン</translation>
    </message>
    <message>
        <source>Standby</source>
        <translation>スタンバイ</translation>
    </message>
    <message>
        <source>Suspend</source>
        <translation>サスペンド</translation>
    </message>
    <message>
        <source>Download error</source>
        <translation>ダウンロード エラー</translation>
    </message>
    <message>
        <source>%1% Downloading</source>
        <comment>1=download percentage</comment>
        <translation>%1% ダウンロード中</translation>
    </message>
    <message>
        <source>Downloaded</source>
        <translation>ダウンロード済み</translation>
    </message>
    <message>
        <source>New version %1 downloaded</source>
        <comment>1=new version number</comment>
        <translation>新しいバージョン %1 をダウンロード済み</translation>
    </message>
    <message>
        <source>New version %1 available</source>
        <comment>1=new version number</comment>
        <translation>新しいバージョン %1 があります</translation>
    </message>
    <message>
        <source>Unknown</source>
        <comment>unable to check fw version</comment>
        <translation>不明</translation>
    </message>
    <message>
        <source>Version info not available from the display</source>
        <translation>ディスプレイからバージョン情報を取得できません</translation>
    </message>
    <message>
        <source>None available for this model</source>
        <comment>no FW available</comment>
        <translation>このモデル用のファームウェアはありません</translation>
    </message>
    <message>
        <source>Unable to compare versions</source>
        <comment>fw version comparison failed</comment>
        <translation>バージョンを比較できません</translation>
    </message>
    <message>
        <source>Available</source>
        <translation>利用可能</translation>
    </message>
    <message>
        <source>Up-to-date</source>
        <translation>最新</translation>
    </message>
    <message>
        <source>Completed: </source>
        <translation>完了: </translation>
    </message>
    <message>
        <source>Uploading</source>
        <translation>アップロード中</translation>
    </message>
    <message>
        <source>Updating</source>
        <translation>更新中</translation>
    </message>
    <message>
        <source> Estimated time remaining: %1:%2</source>
        <comment>1=min 2=sec</comment>
        <translation> 推定残り時間: %1:%2</translation>
    </message>
    <message>
        <source>Updating %1% %2%3</source>
        <comment>1=update percent complete 2=FW name 3=remaining time</comment>
        <translation>更新中 %1% %2%3</translation>
    </message>
    <message>
        <source>Uploading %1% %2%3</source>
        <comment>1=upload percent complete 2=FW name 3=remaining time</comment>
        <translation>アップロード中 %1% %2%3</translation>
    </message>
    <message>
        <source>Uploading %1% %2</source>
        <comment>1=upload percent complete 2=remaining time</comment>
        <translation>アップロード中 %1% %2</translation>
    </message>
    <message>
        <source>Need newer application build %1.</source>
        <translation>アプリケーションのビルド %1 以降が必要です。</translation>
    </message>
    <message>
        <source>Error: Display is curently locked.</source>
        <translation>エラー: ディスプレイは現在ロックされています。</translation>
    </message>
    <message>
        <source>Power On required to report display information.</source>
        <translation>ディスプレイ情報を取得するには電源オンが必要です。</translation>
    </message>
    <message>
        <source>Unable to communicate with display.</source>
        <translation>ディスプレイと通信できません。</translation>
    </message>
    <message>
        <source>Error: Firmware update IP address is unreachable.</source>
        <translation>エラー: ファームウェア更新用 IP アドレスに到達できません。</translation>
    </message>
    <message>
        <source>Power state must be "On" to update firmware.</source>
        <translation>ファームウェアを更新するには電源状態が「オン」である必要があります。</translation>
    </message>
    <message>
        <source>Power Save Mode will be changed to "Off"</source>
        <translation>省電力モードは「オフ」に変更されます</translation>
    </message>
    <message>
        <source>Firmware updates on legacy models is disabled. See Application settings.</source>
        <translation>レガシー モデルのファームウェア更新は無効です。アプリケーション設定を参照してください。</translation>
    </message>
    <message>
        <source>Update via USB only</source>
        <translation>USB による更新のみ</translation>
    </message>
    <message>
        <source>Success. Please manually cycle the display's AC power.</source>
        <translation>成功しました。ディスプレイの AC 電源を手動で入れ直してください。</translation>
    </message>
    <message>
        <source>Success</source>
        <translation>成功</translation>
    </message>
    <message>
        <source>Right-click to refresh Display Information or change Power State</source>
        <comment>tool tip</comment>
        <translation>右クリックでディスプレイ情報の更新や電源状態の変更ができます</translation>
    </message>
    <message>
        <source>Action</source>
        <comment>column title</comment>
        <translation>操作</translation>
    </message>
    <message>
        <source>Model Name</source>
        <comment>column title</comment>
        <translation>モデル名</translation>
    </message>
    <message>
        <source>Serial Number</source>
        <comment>column title</comment>
        <translation>シリアル番号</translation>
    </message>
    <message>
        <source>Asset Tag</source>
        <comment>column title</comment>
        <translation>資産タグ</translation>
    </message>
    <message>
        <source>IP Address</source>
        <comment>column title</comment>
        <translation>IP アドレス</translation>
    </message>
    <message>
        <source>MAC Address</source>
        <comment>column title</comment>
        <translation>MAC アドレス</translation>
    </message>
    <message>
        <source>Power State</source>
        <comment>column title</comment>
        <translation>電源状態</translation>
    </message>
    <message>
        <source>Current Firmware</source>
        <comment>column title</comment>
        <translation>現在のファームウェア</translation>
    </message>
    <message>
        <source>Firmware availability</source>
        <comment>column title</comment>
        <translation>ファームウェアの入手状況</translation>
    </message>
    <message>
        <source>Status</source>
        <comment>column title</comment>
        <translation>ステータス</translation>
    </message>
</context>
</TS>