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

        // ---- messages: built-in converters

        // ---- messages: instrument and text-data importers

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
