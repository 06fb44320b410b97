#include "base/texts.h"

#include <stdexcept>

namespace brine {
namespace {

constexpr TextKind Q = TextKind::Question;
constexpr TextKind M = TextKind::Message;

std::vector<TextEntry> makeTable() {
    std::vector<TextEntry> t = {
        // ---- questions
        {Tx::OldFormat, Q, "データの形式が旧式です。更新してよろしいですか。", {"ConvertToSdf.htm", "SdfToTsd.htm", "Extract.htm", "Merge.htm", "Link.htm"}},
        {Tx::ValueOutOfRange, Q, "単精度整数を超えるデータを発見しました。\nエラーデータに変換してよろしいですか。",
         {"ConvertToSdf.htm", "Extract.htm", "Link.htm"}},
        {Tx::OutputSize, Q, "出力ファイルは約%1になります。\n%2\nサンプル数とバースト数に誤りがないか確認して下さい。\n%3",
         {"SdfToTsd.htm", "Extract.htm", "Merge.htm", "Link.htm"}},
        {Tx::ConvertAction, Q, "変換しますか。", {"SdfToTsd.htm"}},
        {Tx::SaveAction, Q, "保存しますか。", {"Extract.htm"}},
        {Tx::LinkAction, Q, "連結しますか。", {"Link.htm"}},
        {Tx::MergeAction, Q, "結合しますか。", {"Merge.htm"}},
        {Tx::OverwriteExisting, Q, "同名のファイルが存在します。上書きしてよろしいですか。",
         {"HeaderDialog.htm", "SdfToTsd.htm", "Extract.htm"}},
        {Tx::OverwriteExistingTwoLines, Q, "同名のファイルが存在します。\n上書きしてよろしいですか。", {"Merge.htm", "Link.htm"}},
        {Tx::OverwriteSource, Q, "上書きしてよろしいですね。", {"HeaderDialog.htm"}},
        {Tx::SaveChanges, Q, "パラメータが修正されました。\n保存しておきますか。", {"HeaderDialog.htm"}},
        {Tx::NowphasDateGap, Q, "%1で日付が飛んでいます。\n欠測データで埋めますか。", {"Nowphas.htm"}},
        {Tx::HourlyGrid, Q, "%1～%2のデータ数は%3個になります。\n日付に誤りがないか確認して下さい。\n変換しますか。",
         {"Jma.htm", "FishingPort.htm", "Nowphas.htm"}},
        {Tx::RawVersion, Q,
         "バージョンが異なるため，ファイル構造を\nチェックする必要がありますが，\nこのまま読み込みを続けますか。",
         {"RawDialog.htm"}},
        {Tx::RawHighValue, Q, "異常に高い値を検出しました。\n%1=%2\n%3", {"RawDialog.htm"}},
        {Tx::RawToMissing, Q, "欠測値に変換しますか。", {"RawDialog.htm"}},
        {Tx::RawToMissingAndGoOn, Q, "欠測値に変換して続けますか。", {"RawDialog.htm"}},
        {Tx::VectorGrid, Q,
         "読み込んだデータ数は%1個、変換後のデータ数は%2個になります。\nバースト番号とアンサンブル番号に誤りがないか確認して下さい。"
         "\n変換しますか。",
         {"Vector.htm"}},
        {Tx::CommaAccuracy, Q, "%1行でデータ変換精度が１％以下となりました。\n係数A,Bを設定し直しますか。", {"CommaData.htm"}},
        {Tx::YearlyScaleOver, Q,
         "変換データのスケールオーバー。\n-32768～32767の範囲になるように\n係数を設定し直しますか。\n"
         "欠測データにしてこのまま続ける場合は[無視]を押して下さい。",
         {"YearlyTableByDate.htm", "YearlyTableByTenDays.htm"}},
        {Tx::YearlyPrecision, Q, "係数の設定が悪く、データ変換\n精度が１％以下となります。\n係数A,Bを設定し直しますか。",
         {"YearlyTableByDate.htm", "YearlyTableByTenDays.htm"}},
        {Tx::ExtractOverwriteSource, Q, "元のファイルに上書きしてよろしいですか。", {"Extract.htm"}},
        {Tx::LinkIntervalMode, Q, "インターバル記録方式で保存します。\nよろしいですか。", {"Link.htm"}},
        {Tx::LinkGridSamples, Q, "連結後のデータ数は%1個になります。\n日付に誤りがないか確認して下さい。\n連結しますか。",
         {"Link.htm"}},
        {Tx::LinkGridBursts, Q, "連結後のバースト数は%1個になります。\n日付に誤りがないか確認して下さい。\n連結しますか。",
         {"Link.htm"}},
        {Tx::LinkBurstData, Q, "このファイルにはバースト記録データがあります。\nバースト記録データを無視しますか。",
         {"Link.htm"}},
        {Tx::LinkChannelCount, Q, "チャンネル数が異なりますが，\n連結しますか。", {"Link.htm"}},
        {Tx::LinkUnmatchedItem, Q, "一致する項目がありません。\n%1は保存されません。\nよろしいですか。", {"Link.htm"}},
        {Tx::MergeValueOutOfRange, Q, "単精度整数を超えるデータを発見しました。\nエラーデータに変換しますか。",
         {"Merge.htm"}},
        {Tx::MergeStartDiffers, Q, "計測開始時刻（%1）が異なります。\n結合しますか。", {"Merge.htm"}},
        {Tx::MergeSampleCountDiffers, Q, "サンプル数が異なりますが、結合しますか。", {"Merge.htm"}},
        {Tx::MergeIntervalDiffers, Q, "計測時間間隔が異なります。結合しますか。", {"Merge.htm"}},
        {Tx::MergeBurstCountDiffers, Q, "バースト観測回数が異なりますが、結合しますか。", {"Merge.htm"}},

        // ---- messages: files (base), time-series files (core), header dialog
        {Tx::FormatWrong, M, "フォーマットが違います。", {"ConvertToSdf.htm", "Merge.htm"}},
        {Tx::DataWriteFailed, M, "データの書き込みでエラーが発生しました。",
         {"ConvertToSdf.htm", "SdfToTsd.htm", "Merge.htm"}},
        {Tx::FileWriteFailed, M, "ファイルに書き込めません。", {"RawDialog.htm"}},
        {Tx::DataNotWritten, M, "データを書き込めませんでした。",
         {"CommaData.htm", "Jma.htm", "FishingPort.htm", "Nowphas.htm"}},
        {Tx::HeaderSaveCaption, M, "時系列ファイルの保存", {"HeaderDialog.htm"}},
        {Tx::HeaderNoFileName, M, "ファイル名を入力して下さい。", {"HeaderDialog.htm"}},
        {Tx::HeaderNotWritten, M, "ヘッダーを書き込めませんでした。", {"HeaderDialog.htm"}},
        {Tx::HeaderSourceRefused, M, "読み込み中のファイルは上書き出来ません。", {"HeaderDialog.htm"}},
        {Tx::HeaderTsdSourceRefused, M, "ロードしているTSDファイルは上書き出来ません。", {"HeaderDialog.htm"}},
        {Tx::HeaderBadInterval, M, "正の整数を入力して下さい。\n少数点のある数の場合は時間の単位を変更して下さい。", {"HeaderDialog.htm"}},
        {Tx::HeaderBadIterations, M, "リピート回数には1から32767までの整数を入力して下さい。", {"HeaderDialog.htm"}},
        {Tx::GridBlockMode, M, "チャンネルテーブル／ブロック編集", {"GridEditModes.htm"}},
        {Tx::GridCellMode, M, "チャンネルテーブル／セル編集", {"GridEditModes.htm"}},
        {Tx::GridColumnMode, M, "列編集モード", {"GridEditModes.htm"}},
        {Tx::GridToCellMode, M, "ダブルクリックで，セル編集モードへ", {"GridEditModes.htm"}},
        {Tx::GridSingleCellMode, M, "セル編集モード", {"GridEditModes.htm"}},
        {Tx::GridToColumnMode, M, "Shiftキーを押すと，列編集モードへ", {"GridEditModes.htm"}},
        {Tx::NotWritable, M, "ファイルに書き込めません: %1 (%2)", {"HeaderDialog.htm"}},
        {Tx::TempNotMade, M, "一時ファイルを作成できません: %1 (%2)", {"HeaderDialog.htm"}},
        {Tx::ReplaceFailed, M, "ファイルを置き換えられません: %1", {"HeaderDialog.htm"}},
        {Tx::FileUnchanged, M, "ファイルは元のままです。", {"HeaderDialog.htm"}},
        {Tx::WriterBusy, M, "ほかの書き込みが終わらないため、ファイルを置き換えられません: %1", {"HeaderDialog.htm"}},
        {Tx::WriterWaitCaption, M, "ファイルの書き込み待ち", {"HeaderDialog.htm"}},
        {Tx::WriterWaiting, M, "ほかの処理がこのファイルに書き込んでいます。終わるのを待っています。", {"HeaderDialog.htm"}},
        {Tx::ReaderBusy, M, "ほかの処理がこのファイルを書き換えているため、読み込めません: %1", {"HeaderDialog.htm"}},
        {Tx::ReadersBusy, M, "ほかの処理がこのファイルを読み込んでいるため、書き換えられません: %1", {"HeaderDialog.htm"}},
        {Tx::TargetReplacedMeanwhile, M, "書き込みの途中で、この名前にほかのファイルが置かれました。", {"HeaderDialog.htm"}},
        {Tx::UndoUnconfirmed, M, "ファイルを置き換えられませんでした。元の内容に戻したことも、ディスク上で確かめられません: %1", {"HeaderDialog.htm"}},
        {Tx::UndoJournalKept, M, "元の内容は %1 に控えてあります。このファイルが書き換えの途中の形で残っていれば、このプログラムで次に開くときにそこから元に戻します。", {"HeaderDialog.htm"}},
        {Tx::UndoNewKept, M, "新しい内容は %1 に残しています。", {"HeaderDialog.htm"}},
        {Tx::CutRewriteKept, M, "このファイルは書き換えが途中で止まっています。元の内容は次のファイルに控えてあり、このファイルに書き込めるときにこのプログラムで開くと元に戻ります。", {"HeaderDialog.htm"}},
        {Tx::CutRewriteHeld, M, "このファイルは、ほかの処理が書き換えているところです。終わってから開き直して下さい。", {"HeaderDialog.htm"}},
        {Tx::CutRewriteUnproven, M, "このファイルは書き換えが途中で止まっています。元の内容の控えかもしれないファイルが次にありますが、この書き換えのものと確かめられないため、元に戻しません。", {"HeaderDialog.htm"}},
        {Tx::CutHeadRefused, M, "ファイルは書き換えが途中で止まったままで、元に戻せません: %1", {"HeaderDialog.htm"}},
        {Tx::FileChangedSinceRead, M, "ファイルが読み込んだときと変わっています: %1", {"HeaderDialog.htm"}},
        {Tx::HeaderLoadCaption, M, "時系列ファイルの読込み", {"HeaderDialog.htm"}},

        // ---- messages: main window, settings, site list
        // The open dialogs' filters, as each command's page quotes them.
        {Tx::FilterSdf, M, "sdfファイル(*.sdf)", {"SdfToTsd.htm"}},
        {Tx::FilterTsd, M, "tsdファイル(*.tsd)", {"SdfToTsd.htm"}},
        {Tx::FilterWaveHunter, M, "ウェーブハンターマスターファイル(sm*m.k02,WH*.H00,*.hun,*.h98)", {"WaveHunter.htm"}},
        {Tx::FilterMdsMkV, M, "MDS-MkV raw files (*.raw)", {"MdsMkV.htm"}},
        {Tx::FilterCompactWh, M, "Compact WH Raw Files (*.raw)", {"CompactWH.htm"}},
        {Tx::FilterCompactEm, M, "Compact EM raw files (*.raw)", {"CompactEM.htm"}},
        {Tx::FilterCompactClw, M, "Compact-CLW raw data files (*.raw)", {"CompactOther.htm"}},
        {Tx::FilterInfinityEm, M, "Infinity-EM raw files (*.raw)", {"InfinityEM.htm"}},
        {Tx::FilterInfinityClw, M, "Infinity-CLW raw data files (*.raw)", {"InfinityOther.htm"}},
        {Tx::FilterVector, M, "Vector/Norteck header files (*.hdr)", {"Vector.htm"}},
        {Tx::FilterDl2, M, "DL-2 text files (*.txt)", {"DL2.htm"}},
        {Tx::FilterAll, M, "すべてのファイル(*.*)", {"Jma.htm", "Nowphas.htm"}},
        {Tx::FilterCsv, M, "カンマ区切りデータファイル(*.csv)", {"CommaData.htm", "FishingPort.htm", "YearlyTableByDate.htm", "YearlyTableByTenDays.htm"}},
        {Tx::FilterCadmas, M, "CADMAS-SURF計算結果時系列データ(*.tran)", {"CadmasSurf.htm"}},
        {Tx::FilterSdfTsdToExtract, M, "SDF/TSD files (*.sdf;*.tsd)", {"Extract.htm"}},
        {Tx::FilterSdfTsdToJoin, M, "SDF/TSD files (*.sdf,*.tsd)", {"Merge.htm", "Link.htm"}},
        {Tx::SettingsUnreadable, M, "設定ファイルを読み込めません。", {"Exit.htm"}},
        {Tx::SettingsDamaged, M, "設定ファイルが壊れています。", {"Exit.htm"}},
        {Tx::SiteDefaultName, M, "東京", {"Location.htm"}},
        {Tx::SiteNewEntry, M, "新規", {"Location.htm"}},
        {Tx::SiteFileDamaged, M, "地点ファイル %1 に読み込めない部分がありました。", {"Location.htm"}},
        {Tx::SiteTooMany, M, "登録できる地点は 1000 までです。", {"Location.htm"}},
        {Tx::SiteNameComma, M, "地名にコンマ（,）は使えません。", {"Location.htm"}},
        {Tx::SiteNameUnwritable, M, "地名に使えない文字が含まれています。", {"Location.htm"}},
        {Tx::SiteNotAnInteger, M, "'%1' は正しい整数値ではありません。", {"Location.htm"}},
        {Tx::SingleBurstDone, M, "正常に変換を終了しました。", {"Jma.htm", "FishingPort.htm", "Nowphas.htm"}},
        {Tx::CadmasDefaultInput, M, "data.tran", {"CadmasSurf.htm"}},
        {Tx::CommaCopyCaption, M, "ファイルの保存中", {"CommaData.htm"}},
        {Tx::CommaCopyFailed, M, "ファイルの保存中にエラーが発生しました。", {"CommaData.htm"}},

        // ---- messages: built-in converters
        // ADDC/DRF/SDF/TSD to SDF, SDF to TSD
        {Tx::ConvertCaption, M, "ただ今、データの変換中．．．．", {"ConvertToSdf.htm", "SdfToTsd.htm"}},
        {Tx::ConvertUnknownKind, M, "ﾌｧｲﾙの種類が分かりません。", {"ConvertToSdf.htm"}},
        {Tx::ConvertOntoSource, M, "変換元のファイルには保存できません。", {"ConvertToSdf.htm", "SdfToTsd.htm"}},
        {Tx::ConvertReadFailed, M, "データの読み込みでエラーが発生しました。", {"ConvertToSdf.htm", "SdfToTsd.htm"}},
        {Tx::AddcCalibrationOrder, M, "ｷｬﾘﾌﾞﾚｰｼｮﾝの次数が１を超えています。", {"ConvertToSdf.htm"}},
        {Tx::DrfCaption, M, "ただ今、変換中．．．．", {"ConvertToSdf.htm"}},
        {Tx::DrfEndsEarly, M, "ファイルが途中で終わっています。\n%1 バースト中 %2 バーストを変換しました。", {"ConvertToSdf.htm"}},
        {Tx::SdfToTsdDone, M, "変換を正常に終了しました。", {"SdfToTsd.htm"}},
        // The readers of tables and computed series: their messages, and the
        // memo labels, channel names and file names they propose.
        {Tx::ConvertBadFile, M, "ファイルが異常です。", {"Jma.htm", "FishingPort.htm", "Nowphas.htm"}},
        {Tx::ConvertAtLine, M, "（%1行目）", {"Nowphas.htm", "CadmasSurf.htm"}},
        {Tx::ConvertNotNumber, M, "数値に変換できないデータがあります。", {"Nowphas.htm", "CadmasSurf.htm"}},
        {Tx::ConvertShortData, M, "データが足りません。", {"CadmasSurf.htm"}},
        {Tx::HourlyBadDate, M, "日付が正しくありません。", {"Nowphas.htm"}},
        {Tx::HourlyColumnsLeftOut, M, "項目数が多すぎるため、最後の%1列は変換しませんでした。", {"Jma.htm", "FishingPort.htm"}},
        {Tx::HourlyOutOfRange, M, "%1個のデータが範囲外のため欠測値に変換しました。", {"Jma.htm", "FishingPort.htm"}},
        {Tx::JmaMemoData, M, "データ：", {"Jma.htm"}},
        {Tx::JmaMemoSite, M, "観測地点：", {"Jma.htm"}},
        {Tx::JmaNotHourly, M, "時別値以外のデータには対応していません。", {"Jma.htm"}},
        {Tx::JmaScaleCoarsened, M, "単精度整数に収まらないため、次の項目の係数Aを変更しました。", {"Jma.htm"}},
        {Tx::FishingPortMemoLabel, M, "漁港波浪データベース／漁港名：", {"FishingPort.htm"}},
        {Tx::FishingPortUnknownItem, M, "%1は登録されていない項目です。", {"FishingPort.htm"}},
        {Tx::NowphasDateOrder, M, "%1で日付の順序が正しくありません。", {"Nowphas.htm"}},
        {Tx::NowphasDayShort, M, "%1のデータが足りません。チェックして下さい。", {"Nowphas.htm"}},
        {Tx::NowphasOffGrid, M, "%1の時刻が記録時間間隔に合いません。", {"Nowphas.htm"}},
        {Tx::NowphasTimeOrder, M, "%1で時刻の順序が正しくありません。", {"Nowphas.htm"}},
        {Tx::CadmasLevelName, M, "η_", {"CadmasSurf.htm"}},
        {Tx::CadmasVxName, M, "Vx(", {"CadmasSurf.htm"}},
        {Tx::CadmasVzName, M, "Vz(", {"CadmasSurf.htm"}},
        {Tx::CadmasPressureName, M, "P(", {"CadmasSurf.htm"}},
        {Tx::CadmasOutput, M, "trandata.sdf", {"CadmasSurf.htm"}},
        {Tx::CadmasUnknownItem, M, "対応していないデータ項目です。", {"CadmasSurf.htm"}},
        {Tx::CadmasTooManyChannels, M, "チャンネル数が128を超えています。", {"CadmasSurf.htm"}},
        {Tx::CadmasBlankLine, M, "空の行があります。", {"CadmasSurf.htm"}},
        {Tx::CadmasOutOfRange, M, "データが範囲外です。", {"CadmasSurf.htm"}},
        {Tx::CadmasBadStep, M, "計算時間間隔が正しくありません。", {"CadmasSurf.htm"}},
        {Tx::CadmasNoData, M, "データがありません。", {"CadmasSurf.htm"}},
        {Tx::CadmasSaved, M, "変換ファイルを保存しました。", {"CadmasSurf.htm"}},

        // ---- messages: instrument and text-data importers
        // Where the pages quote a message's first line only, the code adds
        // the lines after it (where in the file, what was converted).
        // Shared by the importers.
        {Tx::ImportConverting, M, "ただ今、データの変換中！", {"RawDialog.htm"}},
        {Tx::ImportBadHeader, M, "ヘッダー情報が不正です。", {"RawDialog.htm", "Vector.htm"}},
        {Tx::ImportTooManyBursts, M, "バーストの数が32767を超えるため、変換できません。", {"DL2.htm", "WaveHunter.htm"}},
        {Tx::ImportLastBurstPadded, M, "最後のバーストの不足分は欠測値にしました。", {"RawDialog.htm"}},
        {Tx::ImportToMissingCount, M, "%1個のデータを欠測値に変換しました。",
         {"RawDialog.htm", "DL2.htm", "Vector.htm", "WaveHunter.htm", "YearlyTableByDate.htm",
          "YearlyTableByTenDays.htm"}},
        // Instrument raw files: the tab of each instrument, the messages.
        {Tx::RawTabCompactEm, M, "Compact EM", {"CompactEM.htm"}},
        {Tx::RawTabCompactWh, M, "Compact WH", {"CompactWH.htm"}},
        {Tx::RawTabMdsMkV, M, "MDS-MkV", {"CompactOther.htm", "MdsMkV.htm"}},
        {Tx::RawTabCompactClw, M, "Compact-CLW", {"CompactOther.htm"}},
        {Tx::RawTabInfinityEm, M, "Infinity-EM", {"InfinityEM.htm"}},
        {Tx::RawTabInfinityClw, M, "Infinity-CLW", {"InfinityOther.htm"}},
        {Tx::RawTabInfinityCtw, M, "Infinity-CTW", {"InfinityOther.htm"}},
        {Tx::RawTabInfinityUnknown, M, "Infinity-Unknown", {"InfinityOther.htm"}},
        {Tx::RawWrongKind, M, "ファイルの種類が異なります。", {"RawDialog.htm"}},
        {Tx::RawWrongVersion, M, "バージョンが異なります。", {"RawDialog.htm"}},
        {Tx::RawNoHeader, M, "ヘッダー情報がありません。", {"RawDialog.htm"}},
        // The pages quote its first line; the advice that follows names a
        // command in brackets of its own.
        {Tx::RawBurstOnly, M, "バーストモード以外で取得されたデータであるため，対応していません。",
         {"CompactEM.htm", "CompactWH.htm"}},
        {Tx::RawUnknownModel, M, "扱ったことのない機種です。", {"RawDialog.htm"}},
        {Tx::RawTooManyBursts, M, "バースト数が32767を超えるため、変換できません。", {"RawDialog.htm"}},
        {Tx::RawCtwSensorType, M, "センサータイプは%1です。\n%2でないために変換できません。\n作業を中止します。",
         {"InfinityOther.htm"}},
        {Tx::RawNotNumber, M, "数値でないデータがあるため、変換を中止します。", {"RawDialog.htm"}},
        {Tx::RawEndedEarly, M, "ファイルが途中で終わっています。\n%1 個のデータのうち %2 個を変換しました。", {"RawDialog.htm"}},
        {Tx::RawSaved, M, "正常に保存しました。", {"RawDialog.htm"}},
        {Tx::RawPressureCaption, M, "圧力の入力", {"PracticalSalinity.htm"}},
        {Tx::RawPressurePrompt, M, "P(bar)=", {"PracticalSalinity.htm"}},
        {Tx::RawPressureWrong, M, "圧力の値が正しくありません。", {"PracticalSalinity.htm"}},
        // DL-2 text files.
        {Tx::Dl2SingleBurst, M, "2番目のバーストがないため、バースト時間間隔が求められません。", {"DL2.htm"}},
        {Tx::Dl2BurstOrder, M, "2番目のバーストの時刻が計測開始より後でないため、バースト時間間隔が求められません。",
         {"DL2.htm"}},
        {Tx::Dl2FinalBeforeStart, M, "最終計測の時刻が計測開始より前です。", {"DL2.htm"}},
        {Tx::Dl2NoSamples, M, "ｻﾝﾌﾟﾘﾝｸﾞ個数が0です。", {"DL2.htm"}},
        {Tx::Dl2BadInterval, M, "ｻﾝﾌﾟﾘﾝｸﾞ時間間隔が正しくありません。", {"DL2.htm"}},
        {Tx::Dl2EndedEarly, M, "ファイルが途中で終わっています。", {"DL2.htm"}},
        // Vector.
        {Tx::VectorBadData, M, "データが不正なため、変換を中止します。", {"Vector.htm"}},
        {Tx::VectorSkippedLines, M, "アンサンブル番号が範囲外の行を%1行読み飛ばしました。", {"Vector.htm"}},
        // Wave Hunter.
        {Tx::WaveHunterCountingBursts, M, "ただ今、測定回数のチェック中．．．．", {"WaveHunter.htm"}},
        {Tx::WaveHunterCreatingSdf, M, "ただ今、ＳＤＦファイルの作成中！", {"WaveHunter.htm"}},
        {Tx::WaveHunterSaveFilter, M, "SDFファイル(*.sdf)", {"WaveHunter.htm"}},
        {Tx::WaveHunterNotItsData, M, "ウェーブハンターのデータではありません。\n終了します。", {"WaveHunter.htm"}},
        {Tx::WaveHunterOneVelocity, M, "計測モード設定異常：流速成分のうち一方しか計測されていません。", {"WaveHunter.htm"}},
        {Tx::WaveHunterBadHeader, M, "ヘッダーの値が正しくないため、変換できません。", {"WaveHunter.htm"}},
        {Tx::WaveHunterNoBursts, M, "完全なバーストがひとつもありません。", {"WaveHunter.htm"}},
        {Tx::WaveHunterUnnumbered, M, "%1個のバーストはバースト番号が合わないため、欠測値にしました。", {"WaveHunter.htm"}},
        // Comma-separated data.
        {Tx::CommaParameterFilter, M, "text file filter parameters (*.tfp)", {"CommaData.htm"}},
        {Tx::CommaScaleOver, M, "%1行で変換値のスケールオーバー。\n-32768～32767の範囲になるように\n係数を設定して下さい。",
         {"CommaData.htm"}},
        {Tx::CommaBurstCut, M, "%1回目のバースト計測が途中で終了しています。", {"CommaData.htm"}},
        {Tx::CommaNoData, M, "読み込むデータがありません。", {"CommaData.htm"}},
        {Tx::CommaTooManySamples, M, "データが多すぎて1バーストに収まりません。", {"CommaData.htm"}},
        {Tx::CommaTooManyBursts, M, "バーストの数が32767を超えるため読み込めません。", {"CommaData.htm"}},
        {Tx::CommaTooManyColumns, M, "読み込む列が多すぎます。\n128列以下にして下さい。", {"CommaData.htm"}},
        {Tx::CommaZeroScale, M, "係数Aに0は使えません。", {"CommaData.htm"}},
        {Tx::CommaSkipLines, M, "先頭ｽｷｯﾌﾟ行数には0以上の整数を入力して下さい。", {"CommaData.htm"}},
        {Tx::CommaStepLines, M, "読込みｽﾃｯﾌﾟ行数には1以上の整数を入力して下さい。", {"CommaData.htm"}},
        {Tx::CommaSamplesPerBurst, M, "サンプリング個数には1以上の整数を入力して下さい。", {"CommaData.htm"}},
        {Tx::CommaBurstInterval, M, "バースト時間間隔には1以上の整数を入力して下さい。", {"CommaData.htm"}},
        {Tx::CommaSamplingInterval, M, "サンプリング時間間隔が範囲外です。", {"CommaData.htm"}},
        {Tx::CommaTempIsInput, M, "一時ファイルが入力ファイルと同じ名前になります。\n入力ファイルの拡張子を変えて下さい。",
         {"CommaData.htm"}},
        // Yearly tables: the dialog's captions, the messages.
        {Tx::YearlyByDateCaption, M, "月日別年別表データ", {"YearlyTableByDate.htm"}},
        {Tx::YearlyByTenDaysCaption, M, "月旬別年別表データ", {"YearlyTableByTenDays.htm"}},
        {Tx::YearlyNoTitleRow, M, "表の見出し行（1月、１月またはJanを含む行）がありません。",
         {"YearlyTableByDate.htm", "YearlyTableByTenDays.htm"}},
        {Tx::YearlyTenDayRows, M, "表の行は37行でなければなりません。", {"YearlyTableByTenDays.htm"}},
        {Tx::YearlyTenDayColumns, M, "旬別表は最初の値の列だけを変換します。2列目以降の値は使われません。",
         {"YearlyTableByTenDays.htm"}},
        {Tx::YearlyZeroScale, M, "係数Aには0以外の数値を入力して下さい。", {"YearlyTableByDate.htm", "YearlyTableByTenDays.htm"}},
        {Tx::YearlyBadYearOrTime, M, "観測年または観測時刻が正しくありません。", {"YearlyTableByDate.htm", "YearlyTableByTenDays.htm"}},
        {Tx::YearlySaved, M, "変換ファイルを保存しました。", {"YearlyTableByDate.htm", "YearlyTableByTenDays.htm"}},
        {Tx::CommaPreviewCaption, M, "ファイルの読み込み中", {"CommaData.htm"}},

        // ---- messages: extract, merge, link
        {Tx::ExtractProgress, M, "ただ今、データファイルの作成中！", {"Extract.htm"}},
        {Tx::ExtractNoFileName, M, "ファイル名を入力して下さい。", {"Extract.htm"}},
        {Tx::ExtractBadExtension, M, "出力ファイルの拡張子は .sdf か .tsd にして下さい。", {"Extract.htm"}},
        {Tx::ExtractNoChannel, M, "抽出するチャンネルを選択して下さい。", {"Extract.htm"}},
        {Tx::ExtractNoData, M, "抽出できるデータがありません。", {"Extract.htm"}},
        {Tx::ExtractWindowInverted, M, "抽出範囲の最後が最初より前になっています。", {"Extract.htm"}},
        {Tx::ExtractBadWindow, M, "抽出範囲が正しくありません。", {"Extract.htm"}},
        {Tx::ExtractBurstTooLongForBurstChannels, M,
         "1バーストのデータ数が多すぎるため、バースト記録項目だけでは抽出できません。", {"Extract.htm"}},
        {Tx::ExtractReadFailed, M, "ソースデータの読み取りでエラー発生。終了します。", {"Extract.htm"}},
        {Tx::ExtractWriteFailed, M, "ファイルを書き込めませんでした。保存を中止します。", {"Extract.htm"}},
        {Tx::ExtractSaved, M, "ファイルを保存しました。", {"Extract.htm"}},
        {Tx::MergeProgress, M, "ただ今、ファイルの作成中！", {"Merge.htm"}},
        {Tx::MergeBurstStartDiffers, M,
         "計測開始時刻（%1）が異なります。\nバースト記録方式では計測開始時刻は同じでなければ、結合できません。", {"Merge.htm"}},
        {Tx::MergeBurstIntervalDiffers, M, "バースト時間間隔が異なります。結合できません。", {"Merge.htm"}},
        {Tx::MergeNoCommonPeriod, M, "計測期間に同じ時間帯がないため、結合できません。", {"Merge.htm"}},
        {Tx::MergeTooManyChannels, M, "チャンネル数の合計が多すぎるため、結合できません。", {"Merge.htm"}},
        {Tx::MergeBadSamplingInterval, M, "サンプリング時間間隔の異常です。", {"Merge.htm"}},
        {Tx::MergeBadBurstInterval, M, "バースト時間間隔の異常です。", {"Merge.htm"}},
        {Tx::MergeTsdTooOld, M, "バージョンが古すぎます。最新のバージョンに変換して下さい。", {"Merge.htm"}},
        {Tx::MergeBadTolerance, M, "許容誤差（計測時間間隔との比）には正の数を入力して下さい。", {"Merge.htm"}},
        {Tx::MergeSaved, M, "結合したファイルを保存しました。", {"Merge.htm"}},
        {Tx::MergeSavedSomeUnread, M,
         "結合したファイルを保存しました。\nただし、次のファイルの読み込めなかったデータは欠測値になっています。", {"Merge.htm"}},
        {Tx::LinkProgress, M, "ファイルの連結中....", {"Link.htm"}},
        {Tx::LinkStartsEarlier, M, "計測開始時刻は%1です。\n時刻の古いファイルから順に読み込んで下さい。", {"Link.htm"}},
        {Tx::LinkSameStart, M, "%1と%2\nの計測開始時刻は同じです。", {"Link.htm"}},
        {Tx::LinkSampleCountDiffers, M, "サンプル数が異なります。", {"Link.htm"}},
        {Tx::LinkSamplingIntervalDiffers, M, "サンプリング時間間隔が異なります。", {"Link.htm"}},
        {Tx::LinkBurstIntervalDiffers, M, "バースト時間間隔が異なります。", {"Link.htm"}},
        {Tx::LinkBurstItemsDiffer, M, "バースト記録項目が異なります。", {"Link.htm"}},
        {Tx::LinkBurstIntervalTooShort, M, "バースト記録時間間隔が短すぎます。\n修正してから連結して下さい。", {"Link.htm"}},
        {Tx::LinkOutOfTolerance, M, "記録同時性許容範囲外です。\n連結できません。", {"Link.htm"}},
        {Tx::LinkBadTolerance, M, "記録時間同時性許容誤差の値が正しくありません。", {"Link.htm"}},
        {Tx::LinkTooManyBursts, M, "連結後のバースト数が多すぎます。", {"Link.htm"}},
        {Tx::LinkTooMuchData, M, "連結後のデータが多すぎます。", {"Link.htm"}},
        {Tx::LinkTargetIsInput, M, "連結するファイルには保存できません。", {"Link.htm"}},
        {Tx::LinkReadFailed, M, "データの読み込みでエラーが発生しました。", {"Link.htm"}},
        {Tx::LinkReadFailedFixFirst, M, "データの読み込みでエラーが発生しました。\n修正してから連結して下さい。", {"Link.htm"}},
        {Tx::LinkWriteFailed, M, "ファイルの書き込みでエラーが発生しました。", {"Link.htm"}},
        {Tx::LinkSaved, M, "連結ファイルを保存しました。", {"Link.htm"}},
    };
    for (std::size_t i = 0; i < t.size(); ++i)
        if (static_cast<std::size_t>(t[i].id) != i) throw std::logic_error("the text table is out of the order of Tx");
    if (t.size() != static_cast<std::size_t>(Tx::Count)) throw std::logic_error("the text table misses an entry");
    return t;
}

const TextEntry& entryOf(Tx id) { return TextTable().at(static_cast<std::size_t>(id)); }

}  // namespace

const std::vector<TextEntry>& TextTable() {
    static const std::vector<TextEntry> table = makeTable();
    return table;
}

std::string Text(Tx id, std::initializer_list<std::string_view> values) {
    const std::string_view text = entryOf(id).text;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const std::size_t k = static_cast<std::size_t>(text[i + 1] - '1');
            if (k < values.size()) out += values.begin()[k];
            ++i;
            continue;
        }
        out += c;
    }
    return out;
}

Question::Question(Tx id, std::initializer_list<std::string_view> values) : id_(id), text_(Text(id, values)) {
    if (entryOf(id).kind != TextKind::Question) throw std::logic_error("not a question of the text table");
}

}  // namespace brine
