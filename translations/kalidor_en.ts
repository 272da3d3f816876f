<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>Actions</name>
    <message>
        <source>タイトル</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>アクションを付けずに、そのまま表示します</source>
        <translation>Shows the picture as it is, without an action</translation>
    </message>
    <message>
        <source>ズームイン</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>小さく現れて大きくなり、拡大しながら消えます</source>
        <translation>Appears small, grows, and leaves still growing</translation>
    </message>
    <message>
        <source>ズームアウト</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>大きく現れて小さくなり、縮みながら消えます</source>
        <translation>Appears large, shrinks, and leaves still shrinking</translation>
    </message>
    <message>
        <source>カーテン（左から）</source>
        <translation>Curtain (from the left)</translation>
    </message>
    <message>
        <source>左から現れ、最後は左から隠れていきます</source>
        <translation>Revealed from the left, then covered from the left</translation>
    </message>
    <message>
        <source>カーテン（右から）</source>
        <translation>Curtain (from the right)</translation>
    </message>
    <message>
        <source>右から現れ、最後は右から隠れていきます</source>
        <translation>Revealed from the right, then covered from the right</translation>
    </message>
    <message>
        <source>ブラインド（横）</source>
        <translation>Blinds (horizontal)</translation>
    </message>
    <message>
        <source>縦の羽根が左から開き、右へ閉じていきます</source>
        <translation>Upright slats open from the left and close to the right</translation>
    </message>
    <message>
        <source>ブラインド（縦）</source>
        <translation>Blinds (vertical)</translation>
    </message>
    <message>
        <source>横の羽根が上から開き、下へ閉じていきます</source>
        <translation>Level slats open from the top and close downwards</translation>
    </message>
    <message>
        <source>文字を表示しません</source>
        <translation>Shows no caption</translation>
    </message>
    <message>
        <source>上・左</source>
        <translation>Top left</translation>
    </message>
    <message>
        <source>文字を画面の上の左に表示します</source>
        <translation>Shows the caption at the top left of the frame</translation>
    </message>
    <message>
        <source>上・中央</source>
        <translation>Top centre</translation>
    </message>
    <message>
        <source>文字を画面の上の中央に表示します</source>
        <translation>Shows the caption at the top centre of the frame</translation>
    </message>
    <message>
        <source>上・右</source>
        <translation>Top right</translation>
    </message>
    <message>
        <source>文字を画面の上の右に表示します</source>
        <translation>Shows the caption at the top right of the frame</translation>
    </message>
    <message>
        <source>中央・左</source>
        <translation>Middle left</translation>
    </message>
    <message>
        <source>文字を画面の中ほどの左に表示します</source>
        <translation>Shows the caption at the middle left of the frame</translation>
    </message>
    <message>
        <source>中央</source>
        <translation>Centre</translation>
    </message>
    <message>
        <source>文字を画面の真ん中に表示します</source>
        <translation>Shows the caption in the centre of the frame</translation>
    </message>
    <message>
        <source>中央・右</source>
        <translation>Middle right</translation>
    </message>
    <message>
        <source>文字を画面の中ほどの右に表示します</source>
        <translation>Shows the caption at the middle right of the frame</translation>
    </message>
    <message>
        <source>下・左</source>
        <translation>Bottom left</translation>
    </message>
    <message>
        <source>文字を画面の下の左に表示します</source>
        <translation>Shows the caption at the bottom left of the frame</translation>
    </message>
    <message>
        <source>下・中央</source>
        <translation>Bottom centre</translation>
    </message>
    <message>
        <source>文字を画面の下の中央に表示します</source>
        <translation>Shows the caption at the bottom centre of the frame</translation>
    </message>
    <message>
        <source>下・右</source>
        <translation>Bottom right</translation>
    </message>
    <message>
        <source>文字を画面の下の右に表示します</source>
        <translation>Shows the caption at the bottom right of the frame</translation>
    </message>
</context>
<context>
    <name>Buttons</name>
    <message>
        <source>デスクトップ</source>
        <translation>Desktop</translation>
    </message>
    <message>
        <source>ドキュメント</source>
        <translation>Documents</translation>
    </message>
    <message>
        <source>アクションを追加</source>
        <translation>Add Action</translation>
    </message>
    <message>
        <source>アクションを削除</source>
        <translation>Remove Action</translation>
    </message>
    <message>
        <source>前へ</source>
        <translation>Move Earlier</translation>
    </message>
    <message>
        <source>後ろへ</source>
        <translation>Move Later</translation>
    </message>
    <message>
        <source>画像を追加</source>
        <translation>Add Pictures</translation>
    </message>
    <message>
        <source>画像を削除</source>
        <translation>Delete Pictures</translation>
    </message>
    <message>
        <source>新規作成</source>
        <translation>New</translation>
    </message>
    <message>
        <source>名前の変更</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>プロジェクト選択</source>
        <translation>Projects</translation>
    </message>
    <message>
        <source>画像選択</source>
        <translation>Pictures</translation>
    </message>
    <message>
        <source>アクション選択</source>
        <translation>Actions</translation>
    </message>
    <message>
        <source>動画保存</source>
        <translation>Movie</translation>
    </message>
    <message>
        <source>プロジェクト保存</source>
        <translation>Save Project</translation>
    </message>
    <message>
        <source>動画を作成</source>
        <translation>Make Movie</translation>
    </message>
</context>
<context>
    <name>Images</name>
    <message>
        <source>画像なし</source>
        <translation>No pictures</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>保存先のフォルダがありません: %1</source>
        <translation>The movie&apos;s folder does not exist: %1</translation>
    </message>
    <message>
        <source>「%1」は非対応画像です: %2</source>
        <translation>“%1” is not a picture the program can read: %2</translation>
    </message>
    <message>
        <source>プロジェクトがありません。左の「新規作成」でプロジェクトを作り、開いて画像を追加してください。</source>
        <translation>There is no project yet. Make one with “New” on the left, open it and add pictures.</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>アクションを追加するパネルを選択してください</source>
        <translation>Drop the action on the panel of a picture</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>時間設定</source>
        <translation>Display Time</translation>
    </message>
    <message>
        <source>フォント設定</source>
        <translation>Caption Font</translation>
    </message>
    <message>
        <source>あア亜Ａｙ１アイウAy123㍉</source>
        <translation>AaBbCcYy 123</translation>
    </message>
    <message>
        <source>保存先のフォルダを開けませんでした</source>
        <translation>Could not open the movie&apos;s folder</translation>
    </message>
    <message>
        <source>「%1」は非対応画像です</source>
        <translation>“%1” is not a picture the program can read</translation>
    </message>
    <message>
        <source>「%1」をプロジェクトにコピーできませんでした</source>
        <translation>Could not copy “%1” into the project</translation>
    </message>
    <message>
        <source>「%1」はキャプションに使えない文字です</source>
        <translation>“%1” cannot be used in a caption</translation>
    </message>
    <message>
        <source>キャプションに使えない文字が含まれています</source>
        <translation>The caption holds a character that cannot be used</translation>
    </message>
    <message>
        <source>追加する写真を選択してください</source>
        <translation>Select the pictures to add</translation>
    </message>
    <message>
        <source>削除する写真を１つだけ選択してください</source>
        <translation>Select the pictures to delete</translation>
    </message>
    <message>
        <source>選択中の写真を削除してよろしいですか？</source>
        <translation>Delete the selected pictures?</translation>
    </message>
    <message>
        <source>移動するストーリーボードを１つだけ選択してください</source>
        <translation>Select exactly one picture to move</translation>
    </message>
    <message>
        <source>これ以上、前に移動できません</source>
        <translation>The picture cannot move any earlier</translation>
    </message>
    <message>
        <source>これ以上、後ろに移動できません</source>
        <translation>The picture cannot move any later</translation>
    </message>
    <message>
        <source>画像の追加</source>
        <translation>Add Pictures</translation>
    </message>
    <message>
        <source>画像の削除</source>
        <translation>Delete Pictures</translation>
    </message>
    <message>
        <source>画像の移動</source>
        <translation>Move Picture</translation>
    </message>
    <message>
        <source>アクションの追加</source>
        <translation>Add Action</translation>
    </message>
    <message>
        <source>アクションの削除</source>
        <translation>Remove Actions</translation>
    </message>
    <message>
        <source>文字の入力</source>
        <translation>Typing</translation>
    </message>
    <message>
        <source>表示時間の変更</source>
        <translation>Change Display Time</translation>
    </message>
    <message>
        <source>フォントの変更</source>
        <translation>Change Font</translation>
    </message>
    <message>
        <source>動画設定の変更</source>
        <translation>Change Movie Settings</translation>
    </message>
    <message>
        <source>元に戻す</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>やり直し</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>%1は既に存在します。<byte value="xd"/>
上書きしてもよろしいですか？</source>
        <translation>%1 already exists.<byte value="xd"/>
Replace it?</translation>
    </message>
    <message>
        <source>動画のサイズは100x100以上にしてください</source>
        <translation>The movie must be at least 100x100</translation>
    </message>
    <message>
        <source>動画のサイズは2000x2000以下にしてください</source>
        <translation>The movie must be at most 2000x2000</translation>
    </message>
    <message>
        <source>指定された音楽ファイルが見つかりません</source>
        <translation>The music file cannot be found</translation>
    </message>
    <message>
        <source>指定された音楽ファイルはフォルダです: %1</source>
        <translation>The music file is a folder: %1</translation>
    </message>
    <message>
        <source>指定された音楽ファイルは通常のファイルではありません: %1</source>
        <translation>The music file is not a regular file: %1</translation>
    </message>
    <message>
        <source>保存場所を指定してください</source>
        <translation>Choose where to save the movie</translation>
    </message>
    <message>
        <source>プロジェクトフォルダのパスに使えない文字（&quot;）が含まれています: %1</source>
        <translation>The project folder&apos;s path holds a character that cannot be used (&quot;): %1</translation>
    </message>
    <message>
        <source>音楽ファイルのパスに使えない文字（&quot;）が含まれています: %1</source>
        <translation>The music file&apos;s path holds a character that cannot be used (&quot;): %1</translation>
    </message>
    <message>
        <source>動画の保存先に使えない文字（&quot;）が含まれています: %1</source>
        <translation>The movie&apos;s path holds a character that cannot be used (&quot;): %1</translation>
    </message>
    <message>
        <source>動画の保存先にプロジェクトの作業フォルダ（tmp）は使えません: %1</source>
        <translation>The movie cannot go into the project&apos;s working folder (tmp): %1</translation>
    </message>
    <message>
        <source>動画の保存先にプロジェクトのファイル（%1）は使えません: %2</source>
        <translation>The movie cannot take the place of a file of the project (%1): %2</translation>
    </message>
    <message>
        <source>「%1」の表示時間（%2秒）は1秒以上にしてください</source>
        <translation>The display time of “%1” (%2 seconds) must be at least 1 second</translation>
    </message>
    <message>
        <source>動画が長すぎます（%1秒）</source>
        <translation>The movie is too long (%1 seconds)</translation>
    </message>
    <message>
        <source>最高画質</source>
        <translation>Best quality</translation>
    </message>
    <message>
        <source>高画質</source>
        <translation>High quality</translation>
    </message>
    <message>
        <source>通常画質</source>
        <translation>Normal quality</translation>
    </message>
    <message>
        <source>低画質</source>
        <translation>Low quality</translation>
    </message>
    <message>
        <source>最低画質</source>
        <translation>Lowest quality</translation>
    </message>
    <message>
        <source>音楽ファイル(*.MP3, *.WAV, *.M4A, *.AAC)</source>
        <translation>Music files (*.MP3, *.WAV, *.M4A, *.AAC)</translation>
    </message>
    <message>
        <source>動画ファイル(*.MP4)</source>
        <translation>Movie files (*.MP4)</translation>
    </message>
    <message>
        <source>動画ファイル(*.AVI)</source>
        <translation>Movie files (*.AVI)</translation>
    </message>
    <message>
        <source>動画ファイル(*.MPG, *.MPEG)</source>
        <translation>Movie files (*.MPG, *.MPEG)</translation>
    </message>
    <message>
        <source>「%1」は既に存在するプロジェクトです</source>
        <translation>A project named “%1” already exists</translation>
    </message>
    <message>
        <source>プロジェクト名に「%1」の文字は使用できません</source>
        <translation>A project name cannot hold “%1”</translation>
    </message>
    <message>
        <source>プロジェクト名を入力してください</source>
        <translation>Enter a project name</translation>
    </message>
    <message>
        <source>プロジェクト名に「\/:*?&quot;&lt;&gt;|」の文字は使用できません</source>
        <translation>A project name cannot hold any of \ / : * ? &quot; &lt; &gt; |</translation>
    </message>
    <message>
        <source>プロジェクト名は全角10文字以内で入力してください</source>
        <translation>A project name can be at most 20 letters long (10 full-width ones)</translation>
    </message>
    <message>
        <source>プロジェクトを選択してください</source>
        <translation>Select a project</translation>
    </message>
    <message>
        <source>プロジェクトを作成できませんでした</source>
        <translation>Could not make the project</translation>
    </message>
    <message>
        <source>プロジェクト名を変更できませんでした</source>
        <translation>Could not rename the project</translation>
    </message>
    <message>
        <source>プロジェクトを削除できませんでした</source>
        <translation>Could not delete the project</translation>
    </message>
    <message>
        <source>現在のプロジェクトを保存しますか？</source>
        <translation>Save the project?</translation>
    </message>
    <message>
        <source>保存しました</source>
        <translation>Saved</translation>
    </message>
    <message>
        <source>対象外の画像形式です (%1)</source>
        <translation>Not a kind of picture the program reads (%1)</translation>
    </message>
    <message>
        <source>%1時間%2分%3秒までの動画を変換完了</source>
        <translation>Movie encoded up to %1:%2:%3</translation>
    </message>
    <message>
        <source>対象外の画像形式です</source>
        <translation>Not a kind of picture the program reads</translation>
    </message>
    <message>
        <source>プログラムのデータを作業フォルダに置けませんでした</source>
        <translation>Could not put the program&apos;s data into the workspace</translation>
    </message>
    <message>
        <source>ディスクの空き容量が足りないため、プログラムのデータを作業フォルダに置けませんでした</source>
        <translation>The disk is too full to put the program&apos;s data into the workspace</translation>
    </message>
    <message>
        <source>処理をキャンセルしました</source>
        <translation>The export was cancelled</translation>
    </message>
    <message>
        <source>処理が完了しました</source>
        <translation>The export is complete</translation>
    </message>
    <message>
        <source>テンポラリのディスク容量が足りないため処理を中止しました</source>
        <translation>The export stopped: the disk of the temporary files is full</translation>
    </message>
    <message>
        <source>処理が失敗しました</source>
        <translation>The export failed</translation>
    </message>
    <message>
        <source>初期化中････</source>
        <translation>Starting...</translation>
    </message>
    <message>
        <source>キャンセルしてよろしいですか？</source>
        <translation>Cancel the export?</translation>
    </message>
    <message>
        <source>画像を動画サイズに変換中・・・</source>
        <translation>Fitting the pictures to the movie size...</translation>
    </message>
    <message>
        <source>画像に効果を適用中・・・</source>
        <translation>Applying the effects to the pictures...</translation>
    </message>
    <message>
        <source>動画作成の準備中・・・</source>
        <translation>Preparing the movie...</translation>
    </message>
    <message>
        <source>作業フォルダの準備ができなかったため、Kalidor を使えません。
表示されたメッセージの原因（空き容量、書き込みの権限、壊れたファイル）を取り除いてから、起動し直してください。</source>
        <translation>The work folder could not be made ready, so Kalidor cannot be used.
Remove the cause the message named (free space, write permission, a damaged file), then start Kalidor again.</translation>
    </message>
    <message>
        <source>復元する</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>破棄する</source>
        <translation>Discard</translation>
    </message>
    <message>
        <source>あとで</source>
        <translation>Later</translation>
    </message>
    <message>
        <source>「%1」には音声がありません: %2</source>
        <translation>“%1” holds no sound: %2</translation>
    </message>
</context>
<context>
    <name>StoryPanel</name>
    <message>
        <source>画像</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>縮小画像</source>
        <translation>Thumbnail</translation>
    </message>
    <message>
        <source>番号</source>
        <translation>Number</translation>
    </message>
    <message>
        <source>画像アクション</source>
        <translation>Picture action</translation>
    </message>
    <message>
        <source>文字アクション</source>
        <translation>Caption action</translation>
    </message>
    <message>
        <source>時間設定</source>
        <translation>Set display time</translation>
    </message>
    <message>
        <source>文字</source>
        <translation>Caption</translation>
    </message>
    <message>
        <source>表示時間</source>
        <translation>Display time</translation>
    </message>
    <message>
        <source>フォント設定</source>
        <translation>Caption font</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>kalidor::TFormFontConfig</name>
    <message>
        <source>フォント</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>大きさ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>色</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>変更</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>太字</source>
        <translation>Bold</translation>
    </message>
    <message>
        <source>斜体</source>
        <translation>Italic</translation>
    </message>
    <message>
        <source>下線</source>
        <translation>Underline</translation>
    </message>
</context>
<context>
    <name>kalidor::TFormMakeMovie</name>
    <message>
        <source>現在、開いているプロジェクトは変更されています。<byte value="xd"/>
続行してよろしいですか？</source>
        <translation>The open project has unsaved changes.<byte value="xd"/>
Go on without saving them?</translation>
    </message>
    <message>
        <source>現在、開いているプロジェクトは変更されています。<byte value="xd"/>
終了してよろしいですか？</source>
        <translation>The open project has unsaved changes.<byte value="xd"/>
Quit without saving them?</translation>
    </message>
    <message>
        <source>保存されていない変更の控えを書き込めないため、異常終了すると変更が失われます。プロジェクトを保存してください。</source>
        <translation>The backup of your unsaved changes cannot be written, so they would be lost if the program ended unexpectedly. Please save the project.</translation>
    </message>
    <message>
        <source>変更の控えは次の場所にそのまま残っています:</source>
        <translation>The backup of the changes is still here:</translation>
    </message>
    <message>
        <source>変更の控えは次の場所に残しました:</source>
        <translation>The backup of the changes was kept here:</translation>
    </message>
    <message>
        <source>保存されていない変更の控えを読み取れないため、復元できません。</source>
        <translation>The backup of unsaved changes cannot be read, so it cannot be restored.</translation>
    </message>
    <message>
        <source>プロジェクト「%1」は削除されたか名前が変わったため、保存されていない変更を復元できません。</source>
        <translation>The project “%1” was deleted or renamed, so its unsaved changes cannot be restored.</translation>
    </message>
    <message>
        <source>プロジェクト「%1」はその後ほかのプログラムで変更されたため、保存されていない変更は適用しません。プロジェクトは保存されている内容のままです。</source>
        <translation>The project “%1” was changed by another program since, so its unsaved changes are not applied. The project stays as it was saved.</translation>
    </message>
    <message>
        <source>プロジェクト「%1」に保存されていない変更があります。<byte value="xd"/>
最後の変更: %2</source>
        <translation>The project “%1” has unsaved changes.<byte value="xd"/>
Last change: %2</translation>
    </message>
    <message>
        <source>その後の変更は控えに書き込めなかったため、これはそれより前の内容です。</source>
        <translation>Later changes could not be written to the backup, so this is an earlier state.</translation>
    </message>
    <message>
        <source>変更を復元しますか？<byte value="xd"/>
「%1」で変更を捨てます。「%2」で控えを残し、次の起動時にもう一度確認します。</source>
        <translation>Restore the changes?<byte value="xd"/>
“%1” throws them away. “%2” keeps the backup and asks again at the next start.</translation>
    </message>
    <message>
        <source>保存されていない変更を復元できません。</source>
        <translation>The unsaved changes cannot be restored.</translation>
    </message>
    <message>
        <source>進み具合</source>
        <translation>Progress</translation>
    </message>
</context>
<context>
    <name>kalidor::TFormProjectName</name>
    <message>
        <source>プロジェクト名</source>
        <translation>Project name</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>プロジェクト新規作成</source>
        <translation>New Project</translation>
    </message>
    <message>
        <source>プロジェクト名変更</source>
        <translation>Rename Project</translation>
    </message>
    <message>
        <source>作成</source>
        <translation>Create</translation>
    </message>
    <message>
        <source>変更</source>
        <translation>Rename</translation>
    </message>
</context>
<context>
    <name>kalidor::TFormStatus</name>
    <message>
        <source>状況</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>保存先を開く</source>
        <translation>Open Folder</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>動画作成の進み具合</source>
        <translation>Movie progress</translation>
    </message>
</context>
<context>
    <name>kalidor::TFormTimeConfig</name>
    <message>
        <source>切替時間</source>
        <translation>Show for</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>seconds</translation>
    </message>
</context>
<context>
    <name>kalidor::TMoviePreview</name>
    <message>
        <source>プレビュー</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>1コマ戻る</source>
        <translation>Back one frame</translation>
    </message>
    <message>
        <source>再生</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>1コマ進む</source>
        <translation>Forward one frame</translation>
    </message>
    <message>
        <source>一時停止</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>再生位置</source>
        <translation>Position</translation>
    </message>
</context>
<context>
    <name>kalidor::TPictureBrowser</name>
    <message>
        <source>場所</source>
        <translation>Places</translation>
    </message>
    <message>
        <source>フォルダ</source>
        <translation>Folders</translation>
    </message>
    <message>
        <source>フォルダの画像</source>
        <translation>Pictures in the folder</translation>
    </message>
</context>
<context>
    <name>kalidor::TSaveMoviePage</name>
    <message>
        <source>動画形式</source>
        <translation>Movie format</translation>
    </message>
    <message>
        <source>動画の比率</source>
        <translation>Aspect ratio</translation>
    </message>
    <message>
        <source>4：3</source>
        <translation>4:3</translation>
    </message>
    <message>
        <source>16：9</source>
        <translation>16:9</translation>
    </message>
    <message>
        <source>動画サイズ</source>
        <translation>Movie size</translation>
    </message>
    <message>
        <source>幅</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>高さ</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>動画の画質</source>
        <translation>Movie quality</translation>
    </message>
    <message>
        <source>音楽設定</source>
        <translation>Music</translation>
    </message>
    <message>
        <source>音楽を使用する</source>
        <translation>Play music</translation>
    </message>
    <message>
        <source>参照</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>保存場所</source>
        <translation>Save to</translation>
    </message>
</context>
<context>
    <name>kalidor::TSelectActionPage</name>
    <message>
        <source>アクション対象</source>
        <translation>Apply to</translation>
    </message>
    <message>
        <source>画像</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>文字</source>
        <translation>Caption</translation>
    </message>
    <message>
        <source>アクションを選択</source>
        <translation>Choose an action</translation>
    </message>
    <message>
        <source>アクションの説明</source>
        <translation>What the action does</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>kalidor::TSelectProjectPage</name>
    <message>
        <source>%1を削除してもよろしいですか</source>
        <translation>Delete the project %1?</translation>
    </message>
    <message>
        <source>プロジェクト一覧</source>
        <translation>Project list</translation>
    </message>
</context>
<context>
    <name>kalidor::TStoryboardStrip</name>
    <message>
        <source>ストーリーボード</source>
        <translation>Storyboard</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>既に起動しています
起動中のウィンドウを前面に出せませんでした</source>
        <translation>Kalidor is running already
Its window could not be brought to the front</translation>
    </message>
    <message>
        <source>起動中かどうかを確認できません</source>
        <translation>Cannot tell whether Kalidor is running already</translation>
    </message>
    <message>
        <source>作業フォルダを作成できません</source>
        <translation>Cannot make the workspace folder</translation>
    </message>
</context>
</TS>
