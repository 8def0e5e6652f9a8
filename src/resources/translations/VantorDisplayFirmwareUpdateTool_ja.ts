<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>About_Dialog</name>
    <message>
        <source>About Vantor Display Firmware Update Tool</source>
        <translation>Vantor ディスプレイ ファームウェア更新ツールのバージョン情報</translation>
    </message>
    <message>
        <source>Copyright © 2024 Brevlin Vantor Display Solutions. All rights reserved.</source>
        <translation>Copyright © 2024 Brevlin Vantor Display Solutions. All rights reserved.</translation>
    </message>
    <message>
        <source>&lt;p&gt;Product information and support:&lt;br&gt;&lt;a href=&quot;https://vantor-displays.example.com/americas/&quot;&gt;Americas&lt;/a&gt; | &lt;a href=&quot;https://vantor-displays.example.com/europe/&quot;&gt;Europe&lt;/a&gt; | &lt;a href=&quot;https://vantor-displays.example.com/asia-pacific/&quot;&gt;Asia Pacific&lt;/a&gt; | &lt;a href=&quot;https://vantor-displays.example.com/japan/&quot;&gt;Japan&lt;/a&gt;&lt;/p&gt;</source>
        <translation>&lt;p&gt;製品情報とサポート:&lt;br&gt;&lt;a href=&quot;https://vantor-displays.example.com/americas/&quot;&gt;南北アメリカ&lt;/a&gt; | &lt;a href=&quot;https://vantor-displays.example.com/europe/&quot;&gt;ヨーロッパ&lt;/a&gt; | &lt;a href=&quot;https://vantor-displays.example.com/asia-pacific/&quot;&gt;アジア太平洋&lt;/a&gt; | &lt;a href=&quot;https://vantor-displays.example.com/japan/&quot;&gt;日本&lt;/a&gt;&lt;/p&gt;</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Firmware database version: %1&lt;br&gt;</source>
        <translation>ファームウェア データベース バージョン: %1&lt;br&gt;</translation>
    </message>
</context>
<context>
    <name>AdvancedIPSearchDialog</name>
    <message>
        <source>Configure Targeted network search</source>
        <translation>アドレス指定ネットワーク検索の設定</translation>
    </message>
    <message>
        <source>Full IP address search list:</source>
        <translation>検索する IP アドレスの一覧:</translation>
    </message>
    <message>
        <source>Clear list</source>
        <translation>一覧をクリア</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Error: Maximum number of addresses exceeded on line %1</source>
        <translation>エラー: %1 行目でアドレス数の上限を超えました</translation>
    </message>
    <message>
        <source>Error: Address format error on line %1</source>
        <translation>エラー: %1 行目のアドレスの形式が正しくありません</translation>
    </message>
    <message>
        <source>Error: Invalid IP address range on line %1</source>
        <translation>エラー: %1 行目の IP アドレス範囲が無効です</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;To scan for displays that may be located on another LAN segment or switch, and not normally accesible using the search function, enter a list of IPv4 addresess to specifically check below.&lt;/p&gt;&lt;ul&gt;&lt;li&gt;Enter individual addresses in the format &amp;quot;&lt;span style=&quot; font-weight:700;&quot;&gt;x.x.x.x&lt;/span&gt;&amp;quot;. &lt;/li&gt;&lt;li&gt;Add a range of IP addresses from .1 to .254 using a wildcard as the last octet in the format &amp;quot;&lt;span style=&quot; font-weight:700;&quot;&gt;x.x.x.*&lt;/span&gt;&amp;quot;. &lt;/li&gt;&lt;li&gt;Add a range of IP addresses using the format &amp;quot;&lt;span style=&quot; font-weight:700;&quot;&gt;x.x.x.x - x.x.x.x&lt;/span&gt;&amp;quot;. &lt;/li&gt;&lt;/ul&gt;The maximum number of addresses allowed is 4096.&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;別の LAN セグメントやスイッチの先にあり、通常の検索機能では見つからないディスプレイを検索するには、確認する IPv4 アドレスの一覧を下に入力してください。&lt;/p&gt;&lt;ul&gt;&lt;li&gt;個別のアドレスは &amp;quot;&lt;span style=&quot; font-weight:700;&quot;&gt;x.x.x.x&lt;/span&gt;&amp;quot; の形式で入力します。 &lt;/li&gt;&lt;li&gt;.1 から .254 までの IP アドレス範囲を追加するには、最後のオクテットにワイルドカードを使用して &amp;quot;&lt;span style=&quot; font-weight:700;&quot;&gt;x.x.x.*&lt;/span&gt;&amp;quot; の形式で入力します。 &lt;/li&gt;&lt;li&gt;IP アドレスの範囲を追加するには &amp;quot;&lt;span style=&quot; font-weight:700;&quot;&gt;x.x.x.x - x.x.x.x&lt;/span&gt;&amp;quot; の形式で入力します。 &lt;/li&gt;&lt;/ul&gt;入力できるアドレスは最大 4096 個です。&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
</context>
<context>
    <name>AppInfo</name>
    <message>
        <source>Application version: %1 (Build %2)</source>
        <comment>software version and build number</comment>
        <translation>アプリケーション バージョン: %1 (ビルド %2)</translation>
    </message>
</context>
<context>
    <name>ApplicationUpdateCheck</name>
    <message>
        <source>%1. %2&lt;br&gt;</source>
        <comment>1=counter for fw change list 2=text for change information</comment>
        <translation>%1. %2&lt;br&gt;</translation>
    </message>
    <message>
        <source>&lt;br&gt;The following changes have been made in this version:&lt;br&gt;%1&lt;br&gt;</source>
        <translation>&lt;br&gt;このバージョンでは次の変更が行われました:&lt;br&gt;%1&lt;br&gt;</translation>
    </message>
    <message>
        <source>&lt;html&gt;A newer version %1 is &lt;a href=&quot;%2&quot;&gt;available for download&lt;/a&gt;.%3&lt;/html&gt;</source>
        <comment>1=latest version 2=URL link 3=changes list</comment>
        <translation>&lt;html&gt;新しいバージョン %1 を&lt;a href=&quot;%2&quot;&gt;ダウンロードできます&lt;/a&gt;。%3&lt;/html&gt;</translation>
    </message>
    <message>
        <source>No newer updates are available. You are using the latest version.</source>
        <translation>新しい更新はありません。最新のバージョンを使用しています。</translation>
    </message>
    <message>
        <source>Error: Unable to retrieve latest version information.</source>
        <translation>エラー: 最新バージョンの情報を取得できません。</translation>
    </message>
</context>
<context>
    <name>Cli</name>
    <message>
        <source>Bad address list for %1: %2</source>
        <comment>1=option 2=reason</comment>
        <translation>%1 のアドレス リストが正しくありません: %2</translation>
    </message>
    <message>
        <source>The address list for %1 holds no address.</source>
        <comment>1=option</comment>
        <translation>%1 のアドレス リストにアドレスがありません。</translation>
    </message>
    <message>
        <source>Unknown format &quot;%1&quot; (table, json or csv).</source>
        <translation>不明な形式 &quot;%1&quot; です (table、json、csv のいずれか)。</translation>
    </message>
    <message>
        <source>The limit must be a whole number from 1 to 1000.</source>
        <translation>上限には 1 から 1000 までの整数を指定してください。</translation>
    </message>
    <message>
        <source>--broadcast and --targets exclude each other.</source>
        <translation>--broadcast と --targets は同時に指定できません。</translation>
    </message>
    <message>
        <source>--interface names where a broadcast goes; --targets searches without one.</source>
        <translation>--interface はブロードキャストの送信先を指定します。--targets はブロードキャストを使わずに検索します。</translation>
    </message>
    <message>
        <source>Name the displays to update: --all, or any of --model, --serial and --address.</source>
        <translation>更新するディスプレイを指定してください: --all、または --model、--serial、--address のいずれか。</translation>
    </message>
    <message>
        <source>Name the firmware to download: --all, or one or more --model.</source>
        <translation>ダウンロードするファームウェアを指定してください: --all、または 1 つ以上の --model。</translation>
    </message>
    <message>
        <source>Unknown option &quot;%1&quot; for %2.</source>
        <comment>1=option 2=command</comment>
        <translation>%2 の不明なオプション &quot;%1&quot; です。</translation>
    </message>
    <message>
        <source>The option %1 takes no value.</source>
        <translation>オプション %1 には値を指定できません。</translation>
    </message>
    <message>
        <source>The option %1 needs a value.</source>
        <translation>オプション %1 には値が必要です。</translation>
    </message>
    <message>
        <source>vdfu: %1</source>
        <comment>1=error message</comment>
        <translation>vdfu: %1</translation>
    </message>
    <message>
        <source>(vdfu --help shows the usage.)</source>
        <translation>(vdfu --help で使い方を表示します。)</translation>
    </message>
    <message>
        <source>Bad date &quot;%1&quot; for --since (YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS).</source>
        <translation>--since の日付 &quot;%1&quot; が正しくありません (YYYY-MM-DD または YYYY-MM-DDTHH:MM:SS)。</translation>
    </message>
    <message>
        <source>Name a command: search, update, download or history.</source>
        <translation>コマンドを指定してください: search、update、download、history のいずれか。</translation>
    </message>
    <message>
        <source>Unknown command &quot;%1&quot; (search, update, download or history).</source>
        <translation>不明なコマンド &quot;%1&quot; です (search、update、download、history のいずれか)。</translation>
    </message>
    <message>
        <source>Usage:
  vdfu search [--broadcast | --targets &quot;ADDRESS LIST&quot;] [--interface NAME] [--format table|json|csv]
  vdfu update (--all | --model M | --serial S | --address A ...) [--limit N] [--yes] [--dry-run]
              [--broadcast | --targets &quot;ADDRESS LIST&quot;] [--interface NAME] [--format table|json|csv]
  vdfu download (--all | --model M ...) [--format table|json|csv]
  vdfu history [--since DATE] [--format table|json|csv]
  vdfu --help | --version
Every command takes --verbose (-v): the log on a terminal too. --interface implies --broadcast.

An address list holds addresses (a.b.c.d), wildcards (a.b.c.*) and ranges (a.b.c.d - e.f.g.h),
separated by commas; --address takes one as well. Without --broadcast or --targets, the address
list of the settings is searched when there is one, else every LAN interface by broadcast.
history prints the update history, oldest first; --since takes YYYY-MM-DD (local midnight)
or an ISO 8601 date and time.

Exit status: 0 success, 1 some displays failed, 2 usage or bad input, 3 nothing to do, 4 interrupted.
</source>
        <translation>使い方:
  vdfu search [--broadcast | --targets &quot;アドレス リスト&quot;] [--interface 名前] [--format table|json|csv]
  vdfu update (--all | --model M | --serial S | --address A ...) [--limit N] [--yes] [--dry-run]
              [--broadcast | --targets &quot;アドレス リスト&quot;] [--interface 名前] [--format table|json|csv]
  vdfu download (--all | --model M ...) [--format table|json|csv]
  vdfu history [--since 日付] [--format table|json|csv]
  vdfu --help | --version
すべてのコマンドは --verbose (-v) を受け付けます: ターミナルにもログを表示します。--interface は --broadcast を含みます。

アドレス リストには、アドレス (a.b.c.d)、ワイルドカード (a.b.c.*)、範囲 (a.b.c.d - e.f.g.h) をコンマで区切って指定します。
--address にも指定できます。--broadcast と --targets のどちらも指定しない場合は、設定のアドレス リストがあればそれを検索し、
なければすべての LAN インターフェイスでブロードキャスト検索します。
history は更新履歴を古い順に表示します。--since には YYYY-MM-DD (その日の 0 時、ローカル時刻)
または ISO 8601 の日付と時刻を指定します。

終了ステータス: 0 成功、1 一部のディスプレイが失敗、2 使い方または入力の誤り、3 処理対象なし、4 中断。
</translation>
    </message>
</context>
<context>
    <name>CliCommand</name>
    <message>
        <source>The settings in %1 cannot be read.</source>
        <translation>%1 の設定を読み込めません。</translation>
    </message>
    <message>
        <source>The release database could not be loaded from the firmware server (%1), and the firmware folder holds no usable copy.</source>
        <translation>ファームウェア サーバー (%1) からリリース データベースを読み込めず、ファームウェア フォルダーにも使用できるコピーがありません。</translation>
    </message>
    <message>
        <source>The firmware folder cannot be created under %1.</source>
        <translation>%1 にファームウェア フォルダーを作成できません。</translation>
    </message>
    <message>
        <source>The firmware folder %1 cannot be written.</source>
        <translation>ファームウェア フォルダー %1 に書き込めません。</translation>
    </message>
    <message>
        <source>The search could not start.</source>
        <translation>検索を開始できませんでした。</translation>
    </message>
    <message>
        <source>There is no usable LAN interface named %1 (usable: %2).</source>
        <comment>1=name 2=list of names</comment>
        <translation>%1 という名前の使用可能な LAN インターフェイスはありません (使用可能: %2)。</translation>
    </message>
    <message>
        <source>There is no usable LAN interface for a broadcast search.</source>
        <translation>ブロードキャスト検索に使用できる LAN インターフェイスがありません。</translation>
    </message>
    <message>
        <source>No release in the firmware catalogue names the model %1.</source>
        <translation>ファームウェア カタログにモデル %1 のリリースはありません。</translation>
    </message>
    <message>
        <source>Interrupted.</source>
        <translation>中断されました。</translation>
    </message>
    <message>
        <source>vdfu: the update history %1 could not be used (%2); it was renamed to %3 and a new one was started.</source>
        <comment>1=file 2=reason 3=file</comment>
        <translation>vdfu: 更新履歴 %1 を使用できませんでした (%2)。%3 に名前を変更し、新しい履歴を開始しました。</translation>
    </message>
    <message>
        <source>vdfu: %1</source>
        <translation>vdfu: %1</translation>
    </message>
</context>
<context>
    <name>CommandState</name>
    <message>
        <source>A search is running.</source>
        <translation>検索を実行中です。</translation>
    </message>
    <message>
        <source>Display information is being refreshed.</source>
        <translation>ディスプレイ情報を更新中です。</translation>
    </message>
    <message>
        <source>A firmware download is running.</source>
        <translation>ファームウェアをダウンロード中です。</translation>
    </message>
    <message>
        <source>Firmware updates are running.</source>
        <translation>ファームウェアを更新中です。</translation>
    </message>
    <message>
        <source>The firmware release database is not loaded.</source>
        <translation>ファームウェア リリース データベースが読み込まれていません。</translation>
    </message>
    <message>
        <source>No displays are listed.</source>
        <translation>一覧にディスプレイがありません。</translation>
    </message>
    <message>
        <source>No display is checked for update.</source>
        <translation>更新するディスプレイがチェックされていません。</translation>
    </message>
    <message>
        <source>Communication error: %1</source>
        <comment>1=model and address of a checked display</comment>
        <translation>通信エラー: %1</translation>
    </message>
    <message>
        <source>Switch on %1 first.</source>
        <comment>1=model and address of a checked display</comment>
        <translation>先に %1 の電源を入れてください。</translation>
    </message>
    <message>
        <source>No display is selected.</source>
        <translation>ディスプレイが選択されていません。</translation>
    </message>
    <message>
        <source>No USB drive update is offered for the selected display.</source>
        <translation>選択したディスプレイには USB ドライブによる更新が提供されていません。</translation>
    </message>
    <message>
        <source>No USB drive update is offered for %1.</source>
        <comment>1=model name</comment>
        <translation>%1 には USB ドライブによる更新が提供されていません。</translation>
    </message>
    <message>
        <source>The firmware for the selected display needs a newer version of this tool.</source>
        <translation>選択したディスプレイのファームウェアには、このツールの新しいバージョンが必要です。</translation>
    </message>
    <message>
        <source>%1 at %2</source>
        <comment>1=model name 2=IP address</comment>
        <translation>%1 (%2)</translation>
    </message>
</context>
<context>
    <name>CreateUSBDriveDialog</name>
    <message>
        <source>Create Firmware USB Drive</source>
        <translation>ファームウェア USB ドライブの作成</translation>
    </message>
    <message>
        <source>Firmware Information</source>
        <translation>ファームウェア情報</translation>
    </message>
    <message>
        <source>Prepares and makes ready the contents of a USB drive for updating the display firmware via USB. Connect a USB drive formatted as indicated below and select &quot;Copy files&quot;. &lt;br&gt;&lt;br&gt;When complete, follow the &quot;USB Update Instructions&quot; tab for using the drive to update the display firmware.</source>
        <translation>USB 経由でディスプレイのファームウェアを更新するための USB ドライブの内容を準備します。下記の形式でフォーマットされた USB ドライブを接続し、「ファイルをコピー」を選択してください。&lt;br&gt;&lt;br&gt;完了したら、「USB 更新手順」タブに従ってドライブを使用し、ディスプレイのファームウェアを更新してください。</translation>
    </message>
    <message>
        <source>Firmware version:</source>
        <translation>ファームウェアのバージョン:</translation>
    </message>
    <message>
        <source>Firmware revision:</source>
        <translation>ファームウェアのリビジョン:</translation>
    </message>
    <message>
        <source>Date released:</source>
        <translation>リリース日:</translation>
    </message>
    <message>
        <source>Applicable display models:</source>
        <translation>対象のディスプレイ機種:</translation>
    </message>
    <message>
        <source>Product documentation:</source>
        <translation>製品ドキュメント:</translation>
    </message>
    <message>
        <source>USB drive space required:</source>
        <translation>必要な USB ドライブの空き容量:</translation>
    </message>
    <message>
        <source>Supported USB format(s):</source>
        <translation>対応する USB フォーマット:</translation>
    </message>
    <message>
        <source>Usage restrictions:</source>
        <translation>使用上の制限:</translation>
    </message>
    <message>
        <source>Removable USB drives:</source>
        <translation>リムーバブル USB ドライブ:</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Refresh USB drive list&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;USB ドライブの一覧を更新&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Revision History</source>
        <translation>リビジョン履歴</translation>
    </message>
    <message>
        <source>USB update instructions</source>
        <translation>USB 更新手順</translation>
    </message>
    <message>
        <source>Eject drive</source>
        <translation>ドライブを取り出す</translation>
    </message>
    <message>
        <source>Copy files</source>
        <translation>ファイルをコピー</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>No suitably formatted USB drives found.</source>
        <translation>適切にフォーマットされた USB ドライブが見つかりません。</translation>
    </message>
    <message>
        <source>Ready.</source>
        <translation>準備完了。</translation>
    </message>
    <message>
        <source>Select a suitably formatted USB drive.</source>
        <translation>適切にフォーマットされた USB ドライブを選択してください。</translation>
    </message>
    <message>
        <source>&lt;img src=&quot;:/resources/warning.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt;&lt;font color=&quot;red&quot;&gt;</source>
        <comment>formatting for error message</comment>
        <translation>&lt;img src=&quot;:/resources/warning.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt;&lt;font color=&quot;red&quot;&gt;</translation>
    </message>
    <message>
        <source>Existing firmware files on drive %1 will be deleted. Proceed?</source>
        <comment>1=drive name</comment>
        <translation>ドライブ %1 にある既存のファームウェア ファイルは削除されます。続行しますか?</translation>
    </message>
    <message>
        <source>Error: The drive could not be ejected (%1).</source>
        <translation>エラー: ドライブを取り出せませんでした (%1)。</translation>
    </message>
    <message>
        <source>Drive %1 was ejected and can be removed.</source>
        <comment>1=drive name</comment>
        <translation>ドライブ %1 を取り出しました。取り外すことができます。</translation>
    </message>
    <message>
        <source>Looking for USB drives...</source>
        <translation>USB ドライブを探しています...</translation>
    </message>
    <message>
        <source>Ejecting drive %1...</source>
        <comment>1=drive name</comment>
        <translation>ドライブ %1 を取り出しています...</translation>
    </message>
    <message>
        <source>Copied and verified</source>
        <translation>コピーして検証しました</translation>
    </message>
</context>
<context>
    <name>DesktopNotifier</name>
    <message>
        <source>Show</source>
        <translation>表示</translation>
    </message>
</context>
<context>
    <name>DirectRequest</name>
    <message>
        <source>The firmware file could not be read.</source>
        <translation>ファームウェア ファイルを読み込めませんでした。</translation>
    </message>
</context>
<context>
    <name>DiskServiceDriveSource</name>
    <message>
        <source>The disk service did not answer.</source>
        <translation>ディスクサービスが応答しませんでした。</translation>
    </message>
    <message>
        <source>The disk service did not answer: drives found from the mounted volumes.</source>
        <translation>ディスクサービスが応答しませんでした: マウントされているボリュームから見つけたドライブを表示しています。</translation>
    </message>
</context>
<context>
    <name>DisplayInfoPanel</name>
    <message>
        <source>&lt;h3&gt;&lt;img src=&quot;:/resources/warning.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; Unable to download firmware definitions&lt;/h3&gt;&lt;p&gt;Check the Internet connection and restart this application.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;&lt;img src=&quot;:/resources/warning.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; ファームウェア定義をダウンロードできません&lt;/h3&gt;&lt;p&gt;インターネット接続を確認し、このアプリケーションを再起動してください。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Select a row in the table above to see details of a detected display&lt;/h3&gt;&lt;p&gt;&lt;img src=&quot;:/resources/right click.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt;Right-click a row for additional operations and settings.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;検出したディスプレイの詳細を表示するには、上の表で行を選択してください&lt;/h3&gt;&lt;p&gt;&lt;img src=&quot;:/resources/right click.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt;行を右クリックすると、ほかの操作や設定ができます。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Didn&apos;t find a display?&lt;/h3&gt;&lt;p&gt;If the display is located on another subnet, or across a VPN, managed switch, or router, use the &lt;img src=&quot;:/resources/search settings.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; &apos;Configure Targeted network search&apos; function on the &apos;Tools&apos; menu and enter the IP addresses to search, then use &lt;img src=&quot;:/resources/search target.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; &apos;Targeted search&apos;.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;ディスプレイが見つかりませんか?&lt;/h3&gt;&lt;p&gt;ディスプレイが別のサブネットにある場合や、VPN、マネージド スイッチ、ルーターを経由する場合は、「ツール」メニューの &lt;img src=&quot;:/resources/search settings.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; 「アドレス指定ネットワーク検索の設定」で検索する IP アドレスを入力し、&lt;img src=&quot;:/resources/search target.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; 「アドレス指定検索」を実行してください。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Create a firmware USB drive&lt;/h3&gt;&lt;p&gt;Create a USB drive with the latest firmware for a supported display model and update it via the display&apos;s USB port. Use &lt;img src=&quot;:/resources/usb drive.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt;&apos;Create firmware USB drive by model&apos; on the &apos;Tools&apos; menu.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;ファームウェア USB ドライブの作成&lt;/h3&gt;&lt;p&gt;対応するディスプレイ モデルの最新ファームウェアを入れた USB ドライブを作成し、ディスプレイの USB ポートから更新できます。「ツール」メニューの &lt;img src=&quot;:/resources/usb drive.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt;「モデルを指定してファームウェア USB ドライブを作成」を使用してください。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;&lt;img src=&quot;:/resources/info.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; Info: Application build %1 is required to update this display via LAN&lt;/h3&gt;&lt;p&gt;Please update this application to the latest version.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;&lt;img src=&quot;:/resources/info.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; 情報: このディスプレイを LAN 経由で更新するには、アプリケーションのビルド %1 が必要です&lt;/h3&gt;&lt;p&gt;このアプリケーションを最新バージョンに更新してください。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;&lt;img src=&quot;:/resources/checkmark.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt;Success&lt;/h3&gt;&lt;p&gt;The firmware has been successfully updated.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;&lt;img src=&quot;:/resources/checkmark.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt;成功&lt;/h3&gt;&lt;p&gt;ファームウェアは正常に更新されました。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;&lt;img src=&quot;:/resources/monitor error.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; An error occurred during the firmware update&lt;/h3&gt;&lt;p&gt;%1 Check the network connection and display status, then attempt the firmware update again.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;&lt;img src=&quot;:/resources/monitor error.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; ファームウェアの更新中にエラーが発生しました&lt;/h3&gt;&lt;p&gt;%1 ネットワーク接続とディスプレイの状態を確認してから、もう一度ファームウェアを更新してください。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;&lt;img src=&quot;:/resources/warning.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; Error: The display is currently locked&lt;/h3&gt;&lt;p&gt;Please login to the display here &lt;a href=&quot;http://%1/&quot;&gt;%1&lt;/a&gt; to unlock it and allow firmware updates, then search the network again or refresh the display information (&lt;img src=&quot;:/resources/right click.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; right-click the table row, or select from the &apos;Tools&apos; menu). The USER NAME is the MONITOR NAME (default is &apos;%2&apos; unless changed).&lt;/p&gt;</source>
        <translation>&lt;h3&gt;&lt;img src=&quot;:/resources/warning.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; エラー: ディスプレイは現在ロックされています&lt;/h3&gt;&lt;p&gt;ファームウェアを更新できるようにするには、&lt;a href=&quot;http://%1/&quot;&gt;%1&lt;/a&gt; でディスプレイにログインしてロックを解除し、ネットワークを再検索するか、ディスプレイ情報を更新してください (表の行を &lt;img src=&quot;:/resources/right click.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; 右クリックするか、「ツール」メニューから選択します)。ユーザー名はモニター名です (変更していなければ「%2」)。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;&lt;img src=&quot;:/resources/warning.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; Error: The IP address for the Firmware update is unreachable&lt;/h3&gt;This can be because:&lt;br&gt;1. The display is currently powered off or is in the process of initializing. Power on the display (click the power icon in the table above and select &apos;Power On&apos;) and allow a few seconds to initialize, then search the network again.&lt;br&gt;2. The display was powered off when the network was searched. Search the network again.&lt;br&gt;3. The IP address of the &apos;Media Player&apos; (used by the firmware update) is not correctly configured on the display. Please configure the IP address here &lt;a href=&quot;http://%1/&quot;&gt;%1&lt;/a&gt;.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;&lt;img src=&quot;:/resources/warning.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; エラー: ファームウェア更新用の IP アドレスに接続できません&lt;/h3&gt;次の原因が考えられます:&lt;br&gt;1. ディスプレイの電源が切れているか、初期化中です。ディスプレイの電源を入れ (上の表の電源アイコンをクリックして「電源オン」を選択)、初期化のために数秒待ってから、ネットワークを再検索してください。&lt;br&gt;2. ネットワークを検索したときにディスプレイの電源が切れていました。ネットワークを再検索してください。&lt;br&gt;3. ファームウェアの更新に使う「メディア プレーヤー」の IP アドレスがディスプレイで正しく設定されていません。&lt;a href=&quot;http://%1/&quot;&gt;%1&lt;/a&gt; で IP アドレスを設定してください。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;&lt;img src=&quot;:/resources/info.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; Info: Display information not available while Power is Off&lt;/h3&gt;&lt;p&gt;This display model requires to be powered on to report all display information. Change the Power State to &apos;On&apos; and refresh the display information (&lt;img src=&quot;:/resources/right click.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; right-click the table row, or select from the &apos;Tools&apos; menu).&lt;/p&gt;</source>
        <translation>&lt;h3&gt;&lt;img src=&quot;:/resources/info.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; 情報: 電源オフの間はディスプレイ情報を取得できません&lt;/h3&gt;&lt;p&gt;このディスプレイ モデルは、すべてのディスプレイ情報を報告するには電源がオンである必要があります。電源状態を「オン」に変更してから、ディスプレイ情報を更新してください (表の行を &lt;img src=&quot;:/resources/right click.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; 右クリックするか、「ツール」メニューから選択します)。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;&lt;img src=&quot;:/resources/info.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; Info: Display information not available when using the S-Format command setting.&lt;/h3&gt;&lt;p&gt;This display model requires the &apos;Command Format&apos; setting on the display to be set to &apos;N-Format&apos; to use this software. Please make sure the correct &apos;Command Format&apos; setting is selected on the display.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;&lt;img src=&quot;:/resources/info.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; 情報: S フォーマットのコマンド設定ではディスプレイ情報を取得できません。&lt;/h3&gt;&lt;p&gt;このディスプレイ モデルでこのソフトウェアを使うには、ディスプレイの「コマンド フォーマット」設定を「N フォーマット」にする必要があります。ディスプレイで正しい「コマンド フォーマット」設定が選択されていることを確認してください。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;&lt;img src=&quot;:/resources/warning.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; Error: Power State is Off&lt;/h3&gt;&lt;p&gt;This display model requires to be powered on in order to update the firmware. Change the Power State to &apos;On&apos; and refresh the display information (&lt;img src=&quot;:/resources/right click.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; right-click the table row, or select from the &apos;Tools&apos; menu).&lt;/p&gt;</source>
        <translation>&lt;h3&gt;&lt;img src=&quot;:/resources/warning.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; エラー: 電源状態がオフです&lt;/h3&gt;&lt;p&gt;このディスプレイ モデルは、ファームウェアを更新するには電源がオンである必要があります。電源状態を「オン」に変更してから、ディスプレイ情報を更新してください (表の行を &lt;img src=&quot;:/resources/right click.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; 右クリックするか、「ツール」メニューから選択します)。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Auto Power Save</source>
        <translation>自動省電力</translation>
    </message>
    <message>
        <source>Auto Standby</source>
        <translation>自動スタンバイ</translation>
    </message>
    <message>
        <source>&lt;h3&gt;&lt;img src=&quot;:/resources/info.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; Info: Manual setting of &amp;quot;Power Save Mode&amp;quot; required after update&lt;/h3&gt;&lt;p&gt;The display&apos;s Power Save Mode is &amp;quot;%1&amp;quot; and will be automatically changed to &amp;quot;Off&amp;quot; as the firmware update is applied. Please manually change this setting back once the firmware update is complete (&lt;img src=&quot;:/resources/right click.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; right-click the table row and select the Power Save Mode).&lt;/p&gt;</source>
        <translation>&lt;h3&gt;&lt;img src=&quot;:/resources/info.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; 情報: 更新後に「省電力モード」の手動設定が必要です&lt;/h3&gt;&lt;p&gt;ディスプレイの省電力モードは「%1」で、ファームウェアの更新を適用するときに自動的に「オフ」に変更されます。ファームウェアの更新が完了したら、この設定を手動で元に戻してください (表の行を &lt;img src=&quot;:/resources/right click.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; 右クリックして省電力モードを選択します)。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;&lt;img src=&quot;:/resources/reset power.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; Info: Manual AC power cycle required after update&lt;/h3&gt;&lt;p&gt;The display will require a manual AC power cycle after the firmware update is complete.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;&lt;img src=&quot;:/resources/reset power.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; 情報: 更新後に AC 電源の手動での入れ直しが必要です&lt;/h3&gt;&lt;p&gt;ファームウェアの更新が完了したら、ディスプレイの AC 電源を手動で入れ直す必要があります。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;&lt;img src=&quot;:/resources/reset power.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; Manual AC power cycle required to complete the firmware update&lt;/h3&gt;&lt;p&gt;Please manually cycle the display&apos;s AC power to complete the update process.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;&lt;img src=&quot;:/resources/reset power.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; ファームウェアの更新を完了するには AC 電源の手動での入れ直しが必要です&lt;/h3&gt;&lt;p&gt;更新処理を完了するため、ディスプレイの AC 電源を手動で入れ直してください。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Currently installed firmware version %1 is the latest available&lt;/h3&gt;&lt;p&gt;It is not necessary to update the firmware.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;インストールされているファームウェア バージョン %1 は最新です&lt;/h3&gt;&lt;p&gt;ファームウェアを更新する必要はありません。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;&lt;img src=&quot;:/resources/warning.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; Error: Unable to communicate with display&lt;/h3&gt;The display may be powered off or is in the process of initializing. Power on the display (click the power icon in the table above and select &apos;Power On&apos;) and allow a few seconds to initialize, then search the network again or &apos;Refresh display information&apos; the row in the table above.</source>
        <translation>&lt;h3&gt;&lt;img src=&quot;:/resources/warning.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; エラー: ディスプレイと通信できません&lt;/h3&gt;ディスプレイの電源が切れているか、初期化中の可能性があります。ディスプレイの電源を入れ (上の表の電源アイコンをクリックして「電源オン」を選択)、初期化のために数秒待ってから、ネットワークを再検索するか、上の表の行で「ディスプレイ情報を更新」を実行してください。</translation>
    </message>
    <message>
        <source>&lt;h3&gt;New firmware version %1 is available for this display&lt;/h3&gt;&lt;p&gt;Currently installed firmware is version %2.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;このディスプレイには新しいファームウェア バージョン %1 があります&lt;/h3&gt;&lt;p&gt;インストールされているファームウェアはバージョン %2 です。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;h3&gt;All changes from the installed version to the latest version:&lt;/h3&gt;</source>
        <translation>&lt;h3&gt;インストールされているバージョンから最新バージョンまでのすべての変更点:&lt;/h3&gt;</translation>
    </message>
    <message>
        <source>None (current)</source>
        <translation>なし (現在)</translation>
    </message>
    <message>
        <source>Supported</source>
        <translation>対応</translation>
    </message>
    <message>
        <source>Not supported</source>
        <translation>非対応</translation>
    </message>
    <message>
        <source>Yes</source>
        <comment>ManualPowerCycleRequired</comment>
        <translation>はい</translation>
    </message>
    <message>
        <source>No</source>
        <comment>ManualPowerCycleRequired</comment>
        <translation>いいえ</translation>
    </message>
    <message>
        <source>N/A</source>
        <comment>ManualPowerCycleRequired unknown</comment>
        <translation>該当なし</translation>
    </message>
    <message>
        <source>Firmware Update Information</source>
        <translation>ファームウェア更新情報</translation>
    </message>
    <message>
        <source>Approximate time to update firmware</source>
        <translation>ファームウェア更新のおおよその所要時間</translation>
    </message>
    <message>
        <source>%1 minutes</source>
        <comment>1=update time in minutes</comment>
        <translation>%1 分</translation>
    </message>
    <message>
        <source>Update via LAN</source>
        <translation>LAN 経由の更新</translation>
    </message>
    <message>
        <source>Requires manual AC power cycle after LAN update</source>
        <translation>LAN 経由の更新後に AC 電源の手動での入れ直しが必要</translation>
    </message>
    <message>
        <source>Update via USB</source>
        <translation>USB 経由の更新</translation>
    </message>
    <message>
        <source>Firmware Update Power LED sequence</source>
        <translation>ファームウェア更新時の電源 LED の点滅パターン</translation>
    </message>
    <message>
        <source>In progress</source>
        <translation>更新中</translation>
    </message>
    <message>
        <source>Finished (waiting for restart)</source>
        <translation>完了 (再起動待ち)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>エラー</translation>
    </message>
    <message>
        <source>Normal operation</source>
        <translation>通常動作</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>その他</translation>
    </message>
    <message>
        <source>Display Information</source>
        <translation>ディスプレイ情報</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>モデル</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>シリアル番号</translation>
    </message>
    <message>
        <source>MAC Address</source>
        <translation>MAC アドレス</translation>
    </message>
    <message>
        <source>Main IP address</source>
        <translation>メイン IP アドレス</translation>
    </message>
    <message>
        <source>N/A</source>
        <translation>該当なし</translation>
    </message>
    <message>
        <source>Firmware update IP address</source>
        <translation>ファームウェア更新用 IP アドレス</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>ファームウェア</translation>
    </message>
    <message>
        <source>Current</source>
        <translation>現在</translation>
    </message>
    <message>
        <source>Available</source>
        <translation>入手可能</translation>
    </message>
    <message>
        <source>Main</source>
        <translation>メイン</translation>
    </message>
    <message>
        <source>Firmware %1</source>
        <translation>ファームウェア %1</translation>
    </message>
    <message>
        <source>Product documentation</source>
        <translation>製品ドキュメント</translation>
    </message>
</context>
<context>
    <name>DisplayListExport</name>
    <message>
        <source>Last update result</source>
        <comment>column title</comment>
        <translation>前回の更新結果</translation>
    </message>
</context>
<context>
    <name>DisplayRecords</name>
    <message>
        <source>Result</source>
        <comment>column title</comment>
        <translation>結果</translation>
    </message>
    <message>
        <source>Check after the update</source>
        <comment>column title</comment>
        <translation>更新後の確認</translation>
    </message>
</context>
<context>
    <name>DownloadCommand</name>
    <message>
        <source>Downloaded %1 of %2 files (%3)</source>
        <comment>1=files finished 2=files started 3=speed</comment>
        <translation>%2 ファイル中 %1 ファイルをダウンロードしました (%3)</translation>
    </message>
    <message>
        <source>The firmware catalogue has no release for the model %1 that this build can apply over the LAN.</source>
        <translation>ファームウェア カタログには、このビルドで LAN 経由で適用できるモデル %1 のリリースがありません。</translation>
    </message>
    <message>
        <source>Models</source>
        <comment>column title</comment>
        <translation>モデル</translation>
    </message>
    <message>
        <source>Version</source>
        <comment>column title</comment>
        <translation>バージョン</translation>
    </message>
    <message>
        <source>File</source>
        <comment>column title</comment>
        <translation>ファイル</translation>
    </message>
    <message>
        <source>Result</source>
        <comment>column title</comment>
        <translation>結果</translation>
    </message>
    <message>
        <source>downloaded</source>
        <translation>ダウンロード済み</translation>
    </message>
    <message>
        <source>already in the firmware folder</source>
        <translation>ファームウェア フォルダーにあります</translation>
    </message>
    <message>
        <source>not downloaded: interrupted</source>
        <translation>ダウンロードしていません: 中断されました</translation>
    </message>
    <message>
        <source>download failed</source>
        <translation>ダウンロードに失敗しました</translation>
    </message>
</context>
<context>
    <name>DownloadFirmwareForOfflineDialog</name>
    <message>
        <source>Download firmware for offline use</source>
        <translation>オフライン用にファームウェアをダウンロード</translation>
    </message>
    <message>
        <source>Select the display models whose firmware should be kept in the firmware folder for updates on a network without Internet access. Models that share a firmware are selected together; firmware already downloaded is shown checked.</source>
        <translation>インターネットに接続できないネットワークで更新するために、ファームウェア フォルダーに保存しておくディスプレイ機種を選択してください。同じファームウェアを使う機種はまとめて選択されます。ダウンロード済みのファームウェアはチェックされた状態で表示されます。</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>ダウンロード</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source> (%1)</source>
        <comment>1=info about serial number restriction</comment>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>Ready</source>
        <comment>fw download is complete</comment>
        <translation>準備完了</translation>
    </message>
    <message>
        <source>Firmware download</source>
        <translation>ファームウェアのダウンロード</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <comment>fw is downloading</comment>
        <translation>ダウンロード中...</translation>
    </message>
    <message>
        <source>Downloaded %1 of %2 files (%3 %4)</source>
        <comment>1=files remaining, 2=total files to download 3=download speed 4=speed units</comment>
        <translation>%2 ファイル中 %1 ファイルをダウンロードしました (%3 %4)</translation>
    </message>
    <message>
        <source>Download error</source>
        <translation>ダウンロード エラー</translation>
    </message>
    <message>
        <source>Download complete</source>
        <translation>ダウンロード完了</translation>
    </message>
</context>
<context>
    <name>DownloadStatus</name>
    <message>
        <source>No error</source>
        <translation>エラーなし</translation>
    </message>
    <message>
        <source>Error: Download file is corrupted (checksum failed).</source>
        <translation>エラー: ダウンロードしたファイルが破損しています (チェックサムが一致しません)。</translation>
    </message>
    <message>
        <source>Error: Unable to save the firmware file.</source>
        <translation>エラー: ファームウェア ファイルを保存できません。</translation>
    </message>
    <message>
        <source>Error: Unable to delete existing firmware file.</source>
        <translation>エラー: 既存のファームウェア ファイルを削除できません。</translation>
    </message>
    <message>
        <source>An error occurred while downloading the firmware. Check Internet connectivity and try again.</source>
        <translation>ファームウェアのダウンロード中にエラーが発生しました。インターネット接続を確認して、もう一度お試しください。</translation>
    </message>
    <message>
        <source>Error: Unable to extract the firmware file.</source>
        <translation>エラー: ファームウェア ファイルを展開できません。</translation>
    </message>
    <message>
        <source>Unknown error: %1</source>
        <translation>不明なエラー: %1</translation>
    </message>
    <message>
        <source>Error: The firmware files do not match the firmware database.</source>
        <translation>エラー: ファームウェア ファイルがファームウェア データベースと一致しません。</translation>
    </message>
</context>
<context>
    <name>DriveSource</name>
    <message>
        <source>The drive cannot be ejected from here.</source>
        <translation>このドライブはここから取り出せません。</translation>
    </message>
</context>
<context>
    <name>FileDownloader</name>
    <message>
        <source>bytes/sec</source>
        <comment>download speed</comment>
        <translation>バイト/秒</translation>
    </message>
    <message>
        <source>kB/s</source>
        <comment>download speed</comment>
        <translation>KB/秒</translation>
    </message>
    <message>
        <source>MB/s</source>
        <comment>download speed</comment>
        <translation>MB/秒</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <comment>1=download speed 2=speed units</comment>
        <translation>%1 %2</translation>
    </message>
</context>
<context>
    <name>FleetEngine</name>
    <message>
        <source>Another program (%1, process %2) is updating displays. Try again when it has finished.</source>
        <comment>1=program name 2=process id</comment>
        <translation>別のプログラム (%1、プロセス %2) がディスプレイを更新しています。終了してからもう一度お試しください。</translation>
    </message>
    <message>
        <source>Another program is updating displays. Try again when it has finished.</source>
        <translation>別のプログラムがディスプレイを更新しています。終了してからもう一度お試しください。</translation>
    </message>
    <message>
        <source>Searching...</source>
        <translation>検索しています...</translation>
    </message>
    <message>
        <source>Search error</source>
        <translation>検索エラー</translation>
    </message>
    <message>
        <source>Searching... Found %1 display(s) on LAN</source>
        <comment>1=number of displays found</comment>
        <translation>検索しています... LAN 上で %1 台のディスプレイが見つかりました</translation>
    </message>
    <message>
        <source>Found %1 display(s) on LAN</source>
        <comment>1=number of displays</comment>
        <translation>LAN 上で %1 台のディスプレイが見つかりました</translation>
    </message>
    <message>
        <source>Refreshing display information from %1 display(s)...</source>
        <comment>1=number of displays</comment>
        <translation>%1 台のディスプレイの情報を更新しています...</translation>
    </message>
    <message>
        <source>The firmware folder is not available.</source>
        <translation>ファームウェア フォルダーを使用できません。</translation>
    </message>
    <message>
        <source>Download error</source>
        <translation>ダウンロード エラー</translation>
    </message>
    <message>
        <source>Downloading %1 files</source>
        <comment>1=number of downloads</comment>
        <translation>%1 個のファイルをダウンロード中</translation>
    </message>
    <message>
        <source>Downloading %1% %2</source>
        <comment>1=progress percentage 2=message</comment>
        <translation>ダウンロード中 %1% %2</translation>
    </message>
    <message>
        <source>Download complete</source>
        <translation>ダウンロード完了</translation>
    </message>
    <message>
        <source>Download canceled</source>
        <translation>ダウンロードをキャンセルしました</translation>
    </message>
    <message>
        <source>Update finished</source>
        <translation>更新が終了しました</translation>
    </message>
    <message>
        <source>Legacy upload</source>
        <translation>レガシー アップロード</translation>
    </message>
    <message>
        <source>CGI upload</source>
        <translation>CGI アップロード</translation>
    </message>
    <message>
        <source>Chunked upload</source>
        <translation>分割アップロード</translation>
    </message>
    <message>
        <source>Timed upload</source>
        <translation>時間指定アップロード</translation>
    </message>
    <message>
        <source>Keyed upload</source>
        <translation>キー付きアップロード</translation>
    </message>
    <message>
        <source>Interrupted by the end of the program (last step: %1)</source>
        <comment>1=step of the update</comment>
        <translation>プログラムの終了により中断 (最後の段階: %1)</translation>
    </message>
</context>
<context>
    <name>HistoryColumns</name>
    <message>
        <source>Started</source>
        <comment>column title</comment>
        <translation>開始</translation>
    </message>
    <message>
        <source>Kind</source>
        <comment>column title</comment>
        <translation>種類</translation>
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
        <source>IP Address</source>
        <comment>column title</comment>
        <translation>IP アドレス</translation>
    </message>
    <message>
        <source>Firmware before</source>
        <comment>column title</comment>
        <translation>更新前のファームウェア</translation>
    </message>
    <message>
        <source>Firmware after</source>
        <comment>column title</comment>
        <translation>更新後のファームウェア</translation>
    </message>
    <message>
        <source>Outcome</source>
        <comment>column title</comment>
        <translation>結果</translation>
    </message>
    <message>
        <source>Check</source>
        <comment>column title</comment>
        <translation>確認</translation>
    </message>
    <message>
        <source>Duration</source>
        <comment>column title</comment>
        <translation>所要時間</translation>
    </message>
    <message>
        <source>Ended</source>
        <comment>column title</comment>
        <translation>終了</translation>
    </message>
    <message>
        <source>Release</source>
        <comment>column title</comment>
        <translation>リリース</translation>
    </message>
    <message>
        <source>Update method</source>
        <comment>column title</comment>
        <translation>更新方法</translation>
    </message>
    <message>
        <source>Asset Tag</source>
        <comment>column title</comment>
        <translation>資産タグ</translation>
    </message>
    <message>
        <source>MAC Address</source>
        <comment>column title</comment>
        <translation>MAC アドレス</translation>
    </message>
    <message>
        <source>Files</source>
        <comment>column title</comment>
        <translation>ファイル</translation>
    </message>
    <message>
        <source>Digests</source>
        <comment>column title</comment>
        <translation>ダイジェスト</translation>
    </message>
    <message>
        <source>USB drive</source>
        <comment>column title</comment>
        <translation>USB ドライブ</translation>
    </message>
    <message>
        <source>LAN update</source>
        <translation>LAN 経由の更新</translation>
    </message>
    <message>
        <source>Offline download</source>
        <translation>オフライン用ダウンロード</translation>
    </message>
    <message>
        <source>USB drive</source>
        <translation>USB ドライブ</translation>
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
    <message>
        <source>Status: %1</source>
        <comment>1=number (for unknown status type)</comment>
        <translation>ステータス: %1</translation>
    </message>
</context>
<context>
    <name>HttpReplyReader</name>
    <message>
        <source>The reply is too large.</source>
        <translation>応答が大きすぎます。</translation>
    </message>
    <message>
        <source>The display closed the connection.</source>
        <translation>ディスプレイが接続を閉じました。</translation>
    </message>
    <message>
        <source>The reply&apos;s length or chunk framing is not valid.</source>
        <translation>応答の長さまたはチャンク形式が正しくありません。</translation>
    </message>
    <message>
        <source>The reply is not HTTP.</source>
        <translation>応答が HTTP ではありません。</translation>
    </message>
</context>
<context>
    <name>LongRunFeedback</name>
    <message>
        <source>%1 of %2 displays</source>
        <comment>1=updates ended 2=updates in this run</comment>
        <translation>%2 台中 %1 台</translation>
    </message>
    <message>
        <source>LAN update finished</source>
        <translation>LAN 経由の更新が終了しました</translation>
    </message>
    <message numerus="yes">
        <source>%n firmware release(s) downloaded</source>
        <translation>
            <numerusform>%n 件のファームウェア リリースをダウンロードしました</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1, %n failed</source>
        <comment>1=releases downloaded</comment>
        <translation>
            <numerusform>%1、%n 件失敗</numerusform>
        </translation>
    </message>
    <message>
        <source>Download error</source>
        <translation>ダウンロード エラー</translation>
    </message>
    <message>
        <source>Download complete</source>
        <translation>ダウンロード完了</translation>
    </message>
</context>
<context>
    <name>MountedVolumeDriveSource</name>
    <message>
        <source>No disk service: drives found from the mounted volumes.</source>
        <translation>ディスク サービスがありません: マウントされたボリュームからドライブを検出しました。</translation>
    </message>
</context>
<context>
    <name>MyTableView</name>
    <message>
        <source>Power On</source>
        <comment>right-click menu</comment>
        <translation>電源オン</translation>
    </message>
    <message>
        <source>Power Off</source>
        <comment>right-click menu</comment>
        <translation>電源オフ</translation>
    </message>
    <message>
        <source>Refresh display information</source>
        <translation>ディスプレイ情報を更新</translation>
    </message>
    <message>
        <source>Set &quot;Power Save Mode&quot; to &quot;Auto Power Save&quot;</source>
        <comment>right-click menu</comment>
        <translation>「省電力モード」を「自動省電力」に設定</translation>
    </message>
    <message>
        <source>Set &quot;Power Save Mode&quot; to &quot;Auto Standby&quot;</source>
        <comment>right-click menu</comment>
        <translation>「省電力モード」を「自動スタンバイ」に設定</translation>
    </message>
    <message>
        <source>Copy</source>
        <comment>right-click menu</comment>
        <translation>コピー</translation>
    </message>
</context>
<context>
    <name>OfflineDownloadBatch</name>
    <message>
        <source>Downloaded and verified</source>
        <translation>ダウンロードして検証しました</translation>
    </message>
</context>
<context>
    <name>OptionSetting</name>
    <message>
        <source>Application settings</source>
        <translation>アプリケーション設定</translation>
    </message>
    <message>
        <source>Simultaneous update limit</source>
        <translation>同時更新数の上限</translation>
    </message>
    <message>
        <source>Limits the number of active firmware updates. If the amount selected for update exceeds this number, the displays queue until others finish.</source>
        <translation>同時に実行するファームウェア更新の数を制限します。更新対象として選択したディスプレイがこの数を超える場合、超えた分のディスプレイは他の更新が終わるまで待機します。</translation>
    </message>
    <message>
        <source>Single display only</source>
        <translation>1 台のみ</translation>
    </message>
    <message>
        <source>Up to 5 displays (default)</source>
        <translation>最大 5 台 (既定)</translation>
    </message>
    <message>
        <source>Up to 20 displays</source>
        <translation>最大 20 台</translation>
    </message>
    <message>
        <source>Legacy display model support</source>
        <translation>レガシー ディスプレイ モデルのサポート</translation>
    </message>
    <message>
        <source>Applying firmware updates on older legacy models requires extra caution, and updates should only be performed when necessary to resolve a particular issue being experienced that is addressed in a newer firmware release. Please contact Vantor technical support for assistance with these models.</source>
        <translation>旧型のレガシー モデルにファームウェア更新を適用する場合は、特に注意が必要です。更新は、新しいファームウェア リリースで対処されている特定の問題が発生しており、その解決に必要な場合にのみ実行してください。これらのモデルについては、Vantor テクニカル サポートにお問い合わせください。</translation>
    </message>
    <message>
        <source>Enable firmware updates on legacy display models</source>
        <translation>レガシー ディスプレイ モデルのファームウェア更新を有効にする</translation>
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
    <message>
        <source>Search network for displays </source>
        <translation>ネットワーク上のディスプレイを検索 </translation>
    </message>
    <message>
        <source>Update firmware via LAN</source>
        <translation>LAN 経由でファームウェアを更新</translation>
    </message>
    <message>
        <source>Create firmware USB drive for selected display...</source>
        <translation>選択したディスプレイ用のファームウェア USB ドライブを作成...</translation>
    </message>
    <message>
        <source>Broadcast search LAN interface:</source>
        <translation>ブロードキャスト検索の LAN インターフェイス:</translation>
    </message>
    <message>
        <source>Deselect all</source>
        <translation>すべて選択解除</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>ツール(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Search network for displays</source>
        <translation>ネットワーク上のディスプレイを検索(&amp;S)</translation>
    </message>
    <message>
        <source>Refresh display information</source>
        <translation>ディスプレイ情報を更新</translation>
    </message>
    <message>
        <source>Debug</source>
        <translation>デバッグ</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>ヘルプ(&amp;H)</translation>
    </message>
    <message>
        <source>Broadcast search</source>
        <translation>ブロードキャスト検索</translation>
    </message>
    <message>
        <source>Searches for displays on this network segment using UDP Broadcast</source>
        <translation>UDP ブロードキャストを使用して、このネットワーク セグメント上のディスプレイを検索します</translation>
    </message>
    <message>
        <source>Targeted search</source>
        <translation>アドレス指定検索</translation>
    </message>
    <message>
        <source>Searches for displays at specific IP addresses</source>
        <translation>指定した IP アドレスのディスプレイを検索します</translation>
    </message>
    <message>
        <source>&amp;Configure Targeted search...</source>
        <translation>アドレス指定検索の設定(&amp;C)...</translation>
    </message>
    <message>
        <source>Create firmware &amp;USB drive by model...</source>
        <translation>モデルを指定してファームウェア USB ドライブを作成(&amp;U)...</translation>
    </message>
    <message>
        <source>Download firmware for offline use...</source>
        <translation>オフライン用にファームウェアをダウンロード...</translation>
    </message>
    <message>
        <source>Selected</source>
        <translation>選択したディスプレイ</translation>
    </message>
    <message>
        <source>All</source>
        <translation>すべて</translation>
    </message>
    <message>
        <source>Cancel all queued updates via LAN</source>
        <translation>キューに登録された LAN 経由の更新をすべてキャンセル</translation>
    </message>
    <message>
        <source>Application settings...</source>
        <translation>アプリケーション設定...</translation>
    </message>
    <message>
        <source>Generate file hash info</source>
        <translation>ファイルのハッシュ情報を生成</translation>
    </message>
    <message>
        <source>Clear downloaded firmware files</source>
        <translation>ダウンロードしたファームウェア ファイルを削除</translation>
    </message>
    <message>
        <source>Show Asset Tag column</source>
        <translation>資産タグ列を表示</translation>
    </message>
    <message>
        <source>Show MAC Address column</source>
        <translation>MAC アドレス列を表示</translation>
    </message>
    <message>
        <source>About...</source>
        <translation>バージョン情報...</translation>
    </message>
    <message>
        <source>Check for updates</source>
        <translation>更新の確認</translation>
    </message>
    <message>
        <source>View README</source>
        <translation>README を表示</translation>
    </message>
    <message>
        <source>None</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>Broadcast search</source>
        <comment>search button menu text</comment>
        <translation>ブロードキャスト検索</translation>
    </message>
    <message>
        <source>Targeted search</source>
        <comment>search button menu text</comment>
        <translation>アドレス指定検索</translation>
    </message>
    <message>
        <source>Cancel downloads</source>
        <translation>ダウンロードをキャンセル</translation>
    </message>
    <message>
        <source>Create firmware USB drive for %1 display...</source>
        <comment>1=model name</comment>
        <translation>%1 ディスプレイ用のファームウェア USB ドライブを作成...</translation>
    </message>
    <message>
        <source>Firmware update is in progress.

Are you sure you want to quit?</source>
        <translation>ファームウェアを更新しています。

終了してもよろしいですか?</translation>
    </message>
    <message>
        <source>ReadMe.html</source>
        <comment>name of localized README file</comment>
        <translation>ReadMe_ja.html</translation>
    </message>
    <message>
        <source>Unable to open README file.</source>
        <translation>README ファイルを開けません。</translation>
    </message>
    <message>
        <source>No Files to clear</source>
        <translation>消去するファイルはありません</translation>
    </message>
    <message>
        <source>Files cleared</source>
        <translation>ファイルを消去しました</translation>
    </message>
    <message>
        <source>Export display list...</source>
        <translation>ディスプレイ一覧をエクスポート...</translation>
    </message>
    <message>
        <source>Export display list</source>
        <translation>ディスプレイ一覧をエクスポート</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV ファイル (*.csv)</translation>
    </message>
    <message>
        <source>Unable to export the display list to %1:
%2</source>
        <comment>1=file name 2=reason</comment>
        <translation>ディスプレイ一覧を %1 にエクスポートできません:
%2</translation>
    </message>
    <message>
        <source>Exported %1 display(s) to %2</source>
        <comment>1=number of displays 2=file name</comment>
        <translation>%1 台のディスプレイを %2 にエクスポートしました</translation>
    </message>
    <message>
        <source>Could not delete %1 of %2 files</source>
        <comment>1=files not deleted 2=files to clear</comment>
        <translation>%2 個のファイルのうち %1 個を削除できませんでした</translation>
    </message>
    <message>
        <source>Update &amp;history...</source>
        <translation>更新履歴(&amp;H)...</translation>
    </message>
    <message>
        <source>The update history %1 could not be used (%2). It was renamed to %3 and a new history was started.</source>
        <comment>1=database file 2=reason 3=new name of the old file</comment>
        <translation>更新履歴 %1 を使用できませんでした (%2)。%3 に名前を変更し、新しい履歴を開始しました。</translation>
    </message>
</context>
<context>
    <name>ReleaseDbRetrieval</name>
    <message>
        <source>Downloaded %1 firmware definitions</source>
        <translation>%1 件のファームウェア定義をダウンロードしました</translation>
    </message>
    <message>
        <source>%1 local file firmware definitions</source>
        <translation>ローカル ファイルのファームウェア定義 %1 件</translation>
    </message>
    <message>
        <source>Error %1 downloading firmware definitions. Check Internet connection and restart.</source>
        <translation>ファームウェア定義のダウンロード中にエラー %1 が発生しました。インターネット接続を確認して再起動してください。</translation>
    </message>
</context>
<context>
    <name>RemovableDrives</name>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message>
        <source>%1 GB</source>
        <translation>%1 GB</translation>
    </message>
    <message>
        <source>%1 (read-only)</source>
        <comment>1=drive list item of a drive that takes no writes</comment>
        <translation>%1 (読み取り専用)</translation>
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
    <name>UpdateCommand</name>
    <message>
        <source>An update needs --yes when nobody can answer its question (JSON output, or no terminal); --dry-run shows what it would do.</source>
        <translation>確認に答える人がいない場合 (JSON 出力、またはターミナルなし) は、更新に --yes が必要です。--dry-run で実行内容を表示します。</translation>
    </message>
    <message>
        <source>Not updated: %1 at %2: %3</source>
        <comment>1=model name 2=IP address 3=reason</comment>
        <translation>更新しません: %2 の %1: %3</translation>
    </message>
    <message numerus="yes">
        <source>No display to update among the %n display(s) found.</source>
        <translation>
            <numerusform>見つかった %n 台のディスプレイに、更新するものはありません。</numerusform>
        </translation>
    </message>
    <message>
        <source>Dry run: nothing was downloaded, changed or updated.</source>
        <translation>ドライ ラン: ダウンロード、変更、更新は何も行っていません。</translation>
    </message>
    <message>
        <source> [y/N] </source>
        <comment>yes/no question</comment>
        <translation> [y/N] </translation>
    </message>
    <message>
        <source>queued</source>
        <translation>待機中</translation>
    </message>
    <message>
        <source>uploading</source>
        <translation>アップロード中</translation>
    </message>
    <message>
        <source>updating</source>
        <translation>更新中</translation>
    </message>
    <message>
        <source>Display #%1 %2 at %3: %4</source>
        <comment>1=row number 2=model 3=IP address 4=state</comment>
        <translation>ディスプレイ #%1 %3 の %2: %4</translation>
    </message>
    <message numerus="yes">
        <source>Interrupted: the queued updates are cancelled; %n running update(s) may end (interrupt again to stop at once).</source>
        <translation>
            <numerusform>中断: 待機中の更新を取り消しました。実行中の %n 件の更新は終了まで続けます (すぐに停止するには、もう一度中断してください)。</numerusform>
        </translation>
    </message>
    <message>
        <source>Not updated: cancelled by an interrupt.</source>
        <translation>更新しません: 中断により取り消されました。</translation>
    </message>
    <message>
        <source>Not updated: dry run.</source>
        <translation>更新しません: ドライ ランです。</translation>
    </message>
    <message>
        <source>Not updated: %1</source>
        <comment>1=reason</comment>
        <translation>更新しません: %1</translation>
    </message>
    <message>
        <source>Not updated: the update was not confirmed.</source>
        <translation>更新しません: 更新が確認されませんでした。</translation>
    </message>
    <message>
        <source>Not updated.</source>
        <translation>更新しません。</translation>
    </message>
</context>
<context>
    <name>UpdateHistory</name>
    <message>
        <source>The update history %1 cannot be read: %2</source>
        <comment>1=file 2=reason</comment>
        <translation>更新履歴 %1 を読み取れません: %2</translation>
    </message>
    <message>
        <source>The integrity check found: %1</source>
        <comment>1=what the check found</comment>
        <translation>整合性チェックで見つかった問題: %1</translation>
    </message>
    <message>
        <source>The update history %1 could not be written: %2</source>
        <comment>1=file 2=reason</comment>
        <translation>更新履歴 %1 に書き込めませんでした: %2</translation>
    </message>
</context>
<context>
    <name>UpdateHistoryWindow</name>
    <message>
        <source>Update history</source>
        <translation>更新履歴</translation>
    </message>
    <message>
        <source>Filter:</source>
        <translation>フィルター:</translation>
    </message>
    <message>
        <source>Model, serial number, address or outcome</source>
        <translation>モデル、シリアル番号、アドレス、結果</translation>
    </message>
    <message>
        <source>Export...</source>
        <translation>エクスポート...</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message numerus="yes">
        <source>%n record(s)</source>
        <translation>
            <numerusform>%n 件</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n record(s)</source>
        <comment>1=records shown</comment>
        <translation>
            <numerusform>%n 件中 %1 件</numerusform>
        </translation>
    </message>
    <message>
        <source>Export update history</source>
        <translation>更新履歴をエクスポート</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV ファイル (*.csv)</translation>
    </message>
    <message>
        <source>Unable to export the update history to %1:
%2</source>
        <comment>1=file name 2=reason</comment>
        <translation>更新履歴を %1 にエクスポートできません:
%2</translation>
    </message>
</context>
<context>
    <name>UpdateJournal</name>
    <message>
        <source>uploading the firmware</source>
        <translation>ファームウェアを送信中</translation>
    </message>
    <message>
        <source>applying the firmware</source>
        <translation>ファームウェアを適用中</translation>
    </message>
    <message>
        <source>update started</source>
        <translation>更新を開始済み</translation>
    </message>
    <message>
        <source>(the record of the updates cannot be read)</source>
        <translation>(更新の記録を読み取れません)</translation>
    </message>
    <message>
        <source>%1 (serial number %2) at %3: %4, started %5</source>
        <comment>1=model 2=serial number 3=IP address 4=last known step 5=start time</comment>
        <translation>%1 (シリアル番号 %2)、%3: %4、開始 %5</translation>
    </message>
    <message>
        <source>The program ended while the firmware of these displays was being updated via LAN:

%1
Their update may not have finished. Check each display, refresh its information, and update it again if it does not report the new firmware.</source>
        <comment>1=one line per display</comment>
        <translation>次のディスプレイのファームウェアを LAN 経由で更新している間にプログラムが終了しました:

%1
更新が完了していない可能性があります。各ディスプレイを確認して情報を更新し、新しいファームウェアが表示されない場合はもう一度更新してください。</translation>
    </message>
</context>
<context>
    <name>UpdateQueue</name>
    <message>
        <source>See note 1.</source>
        <translation>注 1 を参照してください。</translation>
    </message>
    <message>
        <source>See note 2.</source>
        <translation>注 2 を参照してください。</translation>
    </message>
    <message>
        <source>Current setting is &amp;quot;%1&amp;quot;.</source>
        <comment>1=text of power save mode</comment>
        <translation>現在の設定は &amp;quot;%1&amp;quot; です。</translation>
    </message>
    <message>
        <source>Auto Power Save</source>
        <translation>自動省電力</translation>
    </message>
    <message>
        <source>Auto Standby</source>
        <translation>自動スタンバイ</translation>
    </message>
    <message>
        <source>The firmware on the following %1 display(s) is about to be updated.&lt;br&gt;</source>
        <comment>1=number of displays</comment>
        <translation>次の %1 台のディスプレイのファームウェアを更新します。&lt;br&gt;</translation>
    </message>
    <message>
        <source>&lt;td bgcolor=&quot;#DDDDDD&quot;&gt;Asset Tag&lt;/td&gt;</source>
        <translation>&lt;td bgcolor=&quot;#DDDDDD&quot;&gt;資産タグ&lt;/td&gt;</translation>
    </message>
    <message>
        <source>&lt;table table border=&quot;1&quot; cellpadding=&quot;5&quot; cellspacing=&quot;0&quot;&gt;&lt;thead&gt;&lt;tr&gt;&lt;td bgcolor=&quot;#DDDDDD&quot;&gt;#&lt;/td&gt;&lt;td bgcolor=&quot;#DDDDDD&quot;&gt;Model&lt;/td&gt;&lt;td bgcolor=&quot;#DDDDDD&quot;&gt;Serial Number&lt;/td&gt;</source>
        <translation>&lt;table table border=&quot;1&quot; cellpadding=&quot;5&quot; cellspacing=&quot;0&quot;&gt;&lt;thead&gt;&lt;tr&gt;&lt;td bgcolor=&quot;#DDDDDD&quot;&gt;#&lt;/td&gt;&lt;td bgcolor=&quot;#DDDDDD&quot;&gt;機種&lt;/td&gt;&lt;td bgcolor=&quot;#DDDDDD&quot;&gt;シリアル番号&lt;/td&gt;</translation>
    </message>
    <message>
        <source>&lt;td bgcolor=&quot;#DDDDDD&quot;&gt;IP Address&lt;/td&gt;&lt;td bgcolor=&quot;#DDDDDD&quot;&gt;Notes&lt;/td&gt;&lt;/tr&gt;&lt;/thead&gt;</source>
        <translation>&lt;td bgcolor=&quot;#DDDDDD&quot;&gt;IP アドレス&lt;/td&gt;&lt;td bgcolor=&quot;#DDDDDD&quot;&gt;注記&lt;/td&gt;&lt;/tr&gt;&lt;/thead&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;Note 1: &lt;img src=&quot;:/resources/reset power.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; Display will require a manual AC power cycle after the firmware update is completed.&lt;/b&gt;&lt;br&gt;</source>
        <translation>&lt;b&gt;注 1: &lt;img src=&quot;:/resources/reset power.svg&quot; width=&quot;16&quot; height=&quot;16&quot;&gt; ファームウェアの更新が完了した後、ディスプレイの AC 電源を手動で入れ直す必要があります。&lt;/b&gt;&lt;br&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;Note 2: The display&apos;s &amp;quot;Power Save Mode&amp;quot; will be automatically changed to &amp;quot;Off&amp;quot; while the firmware update is applied. Please manually change this setting back once the firmware update is completed.&lt;/b&gt;&lt;br&gt;</source>
        <translation>&lt;b&gt;注 2: ファームウェアの更新を適用している間、ディスプレイの &amp;quot;省電力モード&amp;quot; は自動的に &amp;quot;オフ&amp;quot; に変更されます。ファームウェアの更新が完了したら、この設定を手動で元に戻してください。&lt;/b&gt;&lt;br&gt;</translation>
    </message>
    <message>
        <source>&lt;br&gt;The update process will take at least %1 minutes during which time the screens will go blank and the displays will be inoperable.&lt;br&gt;</source>
        <translation>&lt;br&gt;更新には少なくとも %1 分かかります。その間、画面は消え、ディスプレイは操作できなくなります。&lt;br&gt;</translation>
    </message>
    <message>
        <source>&lt;br&gt;&lt;b&gt;Are you sure you want to proceed?&lt;/b&gt;</source>
        <translation>&lt;br&gt;&lt;b&gt;続行してもよろしいですか?&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Updating firmware on %1 display(s) via LAN. %2 display(s) are queued.</source>
        <translation>%1 台のディスプレイのファームウェアを LAN 経由で更新中です。%2 台が待機中です。</translation>
    </message>
    <message>
        <source> Total estimated time remaining: %1:%2</source>
        <comment>1=minutes 2=seconds</comment>
        <translation> 推定残り時間の合計: %1:%2</translation>
    </message>
    <message>
        <source>Not updated: %1 at %2: its firmware release has more files than an update can send.</source>
        <comment>1=model name 2=IP address</comment>
        <translation>更新しません: %2 の %1: ファームウェア リリースのファイル数が、1 回の更新で送信できる数を超えています。</translation>
    </message>
    <message>
        <source>Not updated: %1 at %2: its firmware release names nothing to send.</source>
        <comment>1=model name 2=IP address</comment>
        <translation>更新しません: %2 の %1: ファームウェア リリースに送信するファイルがありません。</translation>
    </message>
    <message>
        <source>Not updated: %1 at %2 shares its update address %3 with another display being updated.</source>
        <comment>1=model name 2=IP address 3=update IP address</comment>
        <translation>更新しません: %2 の %1 は、更新中の別のディスプレイと更新用アドレス %3 を共有しています。</translation>
    </message>
</context>
<context>
    <name>UpdateRun</name>
    <message numerus="yes">
        <source>%n display(s) updated</source>
        <translation>
            <numerusform>%n 台のディスプレイを更新しました</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1, %n failed</source>
        <comment>1=displays updated</comment>
        <translation>
            <numerusform>%1、%n 台失敗</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>UpdateVerifier</name>
    <message>
        <source>Checking the firmware version that the display reports once it has restarted...</source>
        <translation>ディスプレイの再起動後に、報告されるファームウェア バージョンを確認しています...</translation>
    </message>
    <message>
        <source>Verified: the display reports %1</source>
        <comment>1=firmware version</comment>
        <translation>確認済み: ディスプレイは %1 を報告しています</translation>
    </message>
    <message>
        <source>Warning: the display still reports %1 after the update.</source>
        <comment>1=firmware version</comment>
        <translation>警告: 更新後もディスプレイは %1 を報告しています。</translation>
    </message>
    <message>
        <source>Warning: the display reports %1 after the update instead of %2.</source>
        <comment>1=reported firmware version 2=installed firmware version</comment>
        <translation>警告: 更新後、ディスプレイは %2 ではなく %1 を報告しています。</translation>
    </message>
    <message>
        <source>Warning: the display did not answer within %1 minutes of the update; its firmware version could not be checked.</source>
        <comment>1=minutes</comment>
        <translation>警告: 更新後 %1 分以内にディスプレイが応答しなかったため、ファームウェア バージョンを確認できませんでした。</translation>
    </message>
</context>
<context>
    <name>UpdateWarningMessageDialog</name>
    <message>
        <source>Firmware Update Cautions</source>
        <translation>ファームウェア更新に関する注意事項</translation>
    </message>
    <message>
        <source>Please carefully read the following caution items before perfoming a firmware update:</source>
        <translation>ファームウェアを更新する前に、次の注意事項をよくお読みください:</translation>
    </message>
    <message>
        <source>I have read and understood these caution items</source>
        <translation>上記の注意事項を読み、理解しました</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Only update the display firmware if the new version provides an essential new functionality or fixes an issue currently being encountered.</source>
        <translation>ディスプレイのファームウェアは、新しいバージョンで必要な新機能が提供される場合、または現在発生している問題が修正される場合にのみ更新してください。</translation>
    </message>
    <message>
        <source>Ensure that you have physical access to the displays in case updating via LAN fails and manual recovery is necessary.</source>
        <translation>LAN 経由の更新に失敗して手動での復旧が必要になる場合に備えて、ディスプレイに直接アクセスできることを確認してください。</translation>
    </message>
    <message>
        <source>Do not update displays used for critical applications or schedules without first making contingency plans in case the update process via LAN fails.</source>
        <translation>重要な用途やスケジュールに使用しているディスプレイは、LAN 経由の更新に失敗した場合の対策を事前に用意してから更新してください。</translation>
    </message>
    <message>
        <source>Do not power off or disconnect power while the firmware update is in progress.</source>
        <translation>ファームウェアの更新中は、電源を切ったり、電源コードを抜いたりしないでください。</translation>
    </message>
    <message>
        <source>Do not close this application while a firmware update is in progress.</source>
        <translation>ファームウェアの更新中は、このアプリケーションを閉じないでください。</translation>
    </message>
    <message>
        <source>Do not disconnect the network while a firmware update is in progress.</source>
        <translation>ファームウェアの更新中は、ネットワークを切断しないでください。</translation>
    </message>
    <message>
        <source>When updating several displays, it is recommended to first test the update process on a single or small number of displays.</source>
        <translation>複数のディスプレイを更新する場合は、まず 1 台または少数のディスプレイで更新手順をテストすることをお勧めします。</translation>
    </message>
    <message>
        <source>Do not turn off updated displays daisy chained via the built-in LAN hub if displays further along the daisy chain are still updating. Wait for all displays to complete updating.</source>
        <translation>内蔵 LAN ハブでデイジー チェーン接続されたディスプレイでは、チェーンの先のディスプレイがまだ更新中の場合、更新済みのディスプレイの電源を切らないでください。すべてのディスプレイの更新が完了するまでお待ちください。</translation>
    </message>
    <message>
        <source>Try and reduce or eliminate other heavy network traffic that may otherwise interfere with the firmware update.</source>
        <translation>ファームウェアの更新の妨げになるおそれがあるため、ほかの大量のネットワーク トラフィックはできるだけ減らすか、なくしてください。</translation>
    </message>
    <message>
        <source>Updating via a VPN or other remote network requires additional care since the connection may be interrupted or slow and cause an update failure.</source>
        <translation>VPN などのリモート ネットワーク経由で更新する場合は、接続の中断や速度の低下によって更新に失敗するおそれがあるため、特に注意してください。</translation>
    </message>
    <message>
        <source>On some display models the firmware update progress indicator may stay at 0% or not advance for several minutes. This is normal.</source>
        <translation>一部のディスプレイ モデルでは、ファームウェア更新の進行状況が 0% のままになったり、数分間進まなかったりすることがあります。これは正常な動作です。</translation>
    </message>
    <message>
        <source>Some display models may briefly show the &quot;Finished&quot; power LED sequence while the various firmware files are being updated. Check the &lt;i&gt;Status&lt;/i&gt; indicator in this application to confirm that the update process has finished.</source>
        <translation>一部のディスプレイ モデルでは、各種ファームウェア ファイルの更新中に、電源 LED が一時的に「完了」のパターンを示すことがあります。更新が完了したかどうかは、このアプリケーションの&lt;i&gt;ステータス&lt;/i&gt;表示で確認してください。</translation>
    </message>
    <message>
        <source>A negative time estimate doesn&apos;t indicate a failure. In some cases, the firmware update may take longer than average. An update failure will eventually timeout.</source>
        <translation>推定残り時間が負の値になっても、失敗を示すものではありません。ファームウェアの更新に平均より長い時間がかかる場合があります。更新に失敗した場合は、最終的にタイムアウトになります。</translation>
    </message>
    <message>
        <source>If a display is locked with its &lt;i&gt;SECURITY PASSWORD&lt;/i&gt; function, it is best to temporarily turn the &lt;i&gt;SECURITY&lt;/i&gt; function off before updating, especially when updating several displays.</source>
        <translation>ディスプレイが &lt;i&gt;SECURITY PASSWORD&lt;/i&gt; 機能でロックされている場合は、更新の前に &lt;i&gt;SECURITY&lt;/i&gt; 機能を一時的にオフにすることをお勧めします。複数のディスプレイを更新する場合は特にご注意ください。</translation>
    </message>
    <message>
        <source>Prevent this PC from restarting, going into a sleep mode, or applying Windows update while a firmware update is in progress.</source>
        <translation>ファームウェアの更新中は、この PC が再起動したり、スリープ モードに移行したり、Windows Update を適用したりしないようにしてください。</translation>
    </message>
</context>
<context>
    <name>UsbDriveCopy</name>
    <message>
        <source>Error: Invalid drive selected.</source>
        <translation>エラー: 無効なドライブが選択されました。</translation>
    </message>
    <message>
        <source>Error: Copied file(s) failed verification.</source>
        <translation>エラー: コピーしたファイルの検証に失敗しました。</translation>
    </message>
    <message>
        <source>Error: Source file(s) missing.</source>
        <translation>エラー: コピー元のファイルがありません。</translation>
    </message>
    <message>
        <source>Error: Unable to delete existing files.</source>
        <translation>エラー: 既存のファイルを削除できません。</translation>
    </message>
    <message>
        <source>Error: Not enough free space on USB drive.</source>
        <translation>エラー: USB ドライブの空き容量が不足しています。</translation>
    </message>
    <message>
        <source>Error: Unable to copy file(s).</source>
        <translation>エラー: ファイルをコピーできません。</translation>
    </message>
    <message>
        <source>Copying &apos;%1&apos;</source>
        <comment>1=file name</comment>
        <translation>&apos;%1&apos; をコピー中</translation>
    </message>
    <message>
        <source>Verifying &apos;%1&apos;</source>
        <translation>&apos;%1&apos; を検証中</translation>
    </message>
    <message>
        <source>Copied firmware file(s) to USB drive.</source>
        <translation>ファームウェア ファイルを USB ドライブにコピーしました。</translation>
    </message>
</context>
<context>
    <name>UsbDriveTexts</name>
    <message>
        <source>&lt;b&gt;Revision %1&lt;/b&gt;</source>
        <translation>&lt;b&gt;リビジョン %1&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt; (version %1)&lt;/b&gt;</source>
        <translation>&lt;b&gt; (バージョン %1)&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Unknown.</source>
        <comment>if can&apos;t determine file size</comment>
        <translation>不明。</translation>
    </message>
    <message>
        <source>bytes</source>
        <translation>バイト</translation>
    </message>
    <message>
        <source>MB</source>
        <translation>MB</translation>
    </message>
    <message>
        <source>kB</source>
        <translation>kB</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <comment>1=file size 2=units</comment>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>, </source>
        <comment>separator for file systems</comment>
        <translation>、</translation>
    </message>
    <message>
        <source>None</source>
        <comment>no restrictions</comment>
        <translation>なし</translation>
    </message>
    <message>
        <source> </source>
        <comment>separator for region and description</comment>
        <translation> </translation>
    </message>
    <message>
        <source>, </source>
        <comment>separator between models</comment>
        <translation>、</translation>
    </message>
    <message>
        <source>No instructions available.</source>
        <translation>手順はありません。</translation>
    </message>
    <message>
        <source>%1&lt;br&gt;&lt;br&gt;</source>
        <comment>separator for USB instruction steps</comment>
        <translation>%1&lt;br&gt;&lt;br&gt;</translation>
    </message>
    <message>
        <source>&lt;i&gt;&lt;b&gt;Step %1&lt;/b&gt;&lt;/i&gt;&lt;br&gt;%2&lt;br&gt;&lt;br&gt;</source>
        <comment>1=step count 2=instructions</comment>
        <translation>&lt;i&gt;&lt;b&gt;手順 %1&lt;/b&gt;&lt;/i&gt;&lt;br&gt;%2&lt;br&gt;&lt;br&gt;</translation>
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
        <source>Power state must be &quot;On&quot; to update firmware.</source>
        <translation>ファームウェアを更新するには電源状態が「オン」である必要があります。</translation>
    </message>
    <message>
        <source>Power Save Mode will be changed to &quot;Off&quot;</source>
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
        <source>Success. Please manually cycle the display&apos;s AC power.</source>
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
    <message>
        <source> Taking longer than estimated</source>
        <comment>after the progress: the update runs past its estimated time</comment>
        <translation> 予想より時間がかかっています</translation>
    </message>
</context>
<context>
    <name>powerLEDBlinkCodeToString</name>
    <message>
        <source>Flashing &lt;font color=&quot;green&quot;&gt;GREEN&lt;/font&gt;</source>
        <translation>&lt;font color=&quot;green&quot;&gt;緑&lt;/font&gt;の点滅</translation>
    </message>
    <message>
        <source>Alternating &lt;font color=&quot;red&quot;&gt;RED&lt;/font&gt; / &lt;font color=&quot;green&quot;&gt;GREEN&lt;/font&gt;</source>
        <translation>&lt;font color=&quot;red&quot;&gt;赤&lt;/font&gt; / &lt;font color=&quot;green&quot;&gt;緑&lt;/font&gt;の交互点滅</translation>
    </message>
    <message>
        <source>Flashing &lt;font color=&quot;red&quot;&gt;RED&lt;/font&gt;</source>
        <translation>&lt;font color=&quot;red&quot;&gt;赤&lt;/font&gt;の点滅</translation>
    </message>
    <message>
        <source>Flashing &lt;font color=&quot;blue&quot;&gt;BLUE&lt;/font&gt;</source>
        <translation>&lt;font color=&quot;blue&quot;&gt;青&lt;/font&gt;の点滅</translation>
    </message>
    <message>
        <source>Flashing &lt;font color=&quot;orange&quot;&gt;ORANGE&lt;/font&gt;</source>
        <translation>&lt;font color=&quot;orange&quot;&gt;オレンジ&lt;/font&gt;の点滅</translation>
    </message>
    <message>
        <source>Continuous &lt;font color=&quot;blue&quot;&gt;Blue&lt;/font&gt;</source>
        <translation>&lt;font color=&quot;blue&quot;&gt;青&lt;/font&gt;の点灯</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>不明</translation>
    </message>
</context>
<context>
    <name>search_model_dialog</name>
    <message>
        <source>Search display model</source>
        <translation>ディスプレイ機種の検索</translation>
    </message>
    <message>
        <source>Start inputting the display model name, select a model from the list, then click OK to download the latest firmware to a USB drive.</source>
        <translation>ディスプレイの機種名を入力し始め、一覧から機種を選択して OK をクリックすると、最新のファームウェアを USB ドライブ用にダウンロードします。</translation>
    </message>
    <message>
        <source>Search model name:</source>
        <translation>機種名の検索:</translation>
    </message>
    <message>
        <source>Model variant:</source>
        <translation>機種バリエーション:</translation>
    </message>
    <message>
        <source>Region variant:</source>
        <translation>地域バリエーション:</translation>
    </message>
    <message>
        <source>Select the model variant.</source>
        <translation>機種バリエーションを選択してください。</translation>
    </message>
    <message>
        <source>Select the region variant.</source>
        <translation>地域バリエーションを選択してください。</translation>
    </message>
</context>
</TS>
