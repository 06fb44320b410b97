#pragma once
// What the program says in its own words, where it matters that the help
// says the same: every question it asks, and every text its help pages
// quote that no window shows (messages, names it proposes, filters). Each is
// a named entry of one table, with the help pages that quote it; the code
// shows them through the table, and the help test holds the pages to it,
// both ways. "%1", "%2", ... stand where a value goes.
// What a file is read or found by (marks, keywords, the names and endings
// of the program's own files) is not here but beside its reader, so that a
// change of wording never changes what a reader accepts.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace brine {

enum class Tx : unsigned short {
    // ---- questions
    OldFormat,
    ValueOutOfRange,
    OutputSize,
    ConvertAction,
    SaveAction,
    LinkAction,
    MergeAction,
    OverwriteExisting,
    OverwriteExistingTwoLines,
    OverwriteSource,
    SaveChanges,
    NowphasDateGap,
    HourlyGrid,
    RawVersion,
    RawHighValue,
    RawToMissing,
    RawToMissingAndGoOn,
    VectorGrid,
    CommaAccuracy,
    YearlyScaleOver,
    YearlyPrecision,
    ExtractOverwriteSource,
    LinkIntervalMode,
    LinkGridSamples,
    LinkGridBursts,
    LinkBurstData,
    LinkChannelCount,
    LinkUnmatchedItem,
    MergeValueOutOfRange,
    MergeStartDiffers,
    MergeSampleCountDiffers,
    MergeIntervalDiffers,
    MergeBurstCountDiffers,

    // ---- messages: files (base), time-series files (core), header dialog
    FormatWrong,
    DataWriteFailed,
    FileWriteFailed,
    DataNotWritten,
    HeaderSaveCaption,
    HeaderNoFileName,
    HeaderNotWritten,
    HeaderSourceRefused,
    HeaderTsdSourceRefused,
    HeaderBadInterval,
    HeaderBadIterations,
    GridBlockMode,
    GridCellMode,
    GridColumnMode,
    GridToCellMode,
    GridSingleCellMode,
    GridToColumnMode,
    NotWritable,
    TempNotMade,
    ReplaceFailed,
    FileUnchanged,
    WriterBusy,
    WriterWaitCaption,
    WriterWaiting,
    ReaderBusy,
    ReadersBusy,
    TargetReplacedMeanwhile,
    UndoUnconfirmed,
    UndoJournalKept,
    UndoNewKept,
    CutRewriteKept,
    CutRewriteHeld,
    CutRewriteUnproven,
    CutHeadRefused,
    FileChangedSinceRead,
    HeaderLoadCaption,

    // ---- messages: main window, settings, site list
    FilterSdf,
    FilterTsd,
    FilterWaveHunter,
    FilterMdsMkV,
    FilterCompactWh,
    FilterCompactEm,
    FilterCompactClw,
    FilterInfinityEm,
    FilterInfinityClw,
    FilterVector,
    FilterDl2,
    FilterAll,
    FilterCsv,
    FilterCadmas,
    FilterSdfTsdToExtract,
    FilterSdfTsdToJoin,
    SettingsUnreadable,
    SettingsDamaged,
    SiteDefaultName,
    SiteNewEntry,
    SiteFileDamaged,
    SiteTooMany,
    SiteNameComma,
    SiteNameUnwritable,
    SiteNotAnInteger,
    SingleBurstDone,
    CadmasDefaultInput,
    CommaCopyCaption,
    CommaCopyFailed,

    // ---- messages: built-in converters
    // ADDC/DRF/SDF/TSD to SDF, SDF to TSD
    ConvertCaption,
    ConvertUnknownKind,
    ConvertOntoSource,
    ConvertReadFailed,
    AddcCalibrationOrder,
    DrfCaption,
    DrfEndsEarly,
    SdfToTsdDone,
    // the readers of tables and computed series
    ConvertBadFile,
    ConvertAtLine,
    ConvertNotNumber,
    ConvertShortData,
    HourlyBadDate,
    HourlyColumnsLeftOut,
    HourlyOutOfRange,
    JmaMemoData,
    JmaMemoSite,
    JmaNotHourly,
    JmaScaleCoarsened,
    FishingPortMemoLabel,
    FishingPortUnknownItem,
    NowphasDateOrder,
    NowphasDayShort,
    NowphasOffGrid,
    NowphasTimeOrder,
    CadmasLevelName,
    CadmasVxName,
    CadmasVzName,
    CadmasPressureName,
    CadmasOutput,
    CadmasUnknownItem,
    CadmasTooManyChannels,
    CadmasBlankLine,
    CadmasOutOfRange,
    CadmasBadStep,
    CadmasNoData,
    CadmasSaved,

    // ---- messages: instrument and text-data importers
    // shared by the importers
    ImportConverting,
    ImportBadHeader,
    ImportTooManyBursts,
    ImportLastBurstPadded,
    ImportToMissingCount,
    // instrument raw files
    RawTabCompactEm,
    RawTabCompactWh,
    RawTabMdsMkV,
    RawTabCompactClw,
    RawTabInfinityEm,
    RawTabInfinityClw,
    RawTabInfinityCtw,
    RawTabInfinityUnknown,
    RawWrongKind,
    RawWrongVersion,
    RawNoHeader,
    RawBurstOnly,
    RawUnknownModel,
    RawTooManyBursts,
    RawCtwSensorType,
    RawNotNumber,
    RawEndedEarly,
    RawSaved,
    RawPressureCaption,
    RawPressurePrompt,
    RawPressureWrong,
    // DL-2
    Dl2SingleBurst,
    Dl2BurstOrder,
    Dl2FinalBeforeStart,
    Dl2NoSamples,
    Dl2BadInterval,
    Dl2EndedEarly,
    // Vector
    VectorBadData,
    VectorSkippedLines,
    // Wave Hunter
    WaveHunterCountingBursts,
    WaveHunterCreatingSdf,
    WaveHunterSaveFilter,
    WaveHunterNotItsData,
    WaveHunterOneVelocity,
    WaveHunterBadHeader,
    WaveHunterNoBursts,
    WaveHunterUnnumbered,
    // comma data
    CommaParameterFilter,
    CommaScaleOver,
    CommaBurstCut,
    CommaNoData,
    CommaTooManySamples,
    CommaTooManyBursts,
    CommaTooManyColumns,
    CommaZeroScale,
    CommaSkipLines,
    CommaStepLines,
    CommaSamplesPerBurst,
    CommaBurstInterval,
    CommaSamplingInterval,
    CommaTempIsInput,
    // yearly tables
    YearlyByDateCaption,
    YearlyByTenDaysCaption,
    YearlyNoTitleRow,
    YearlyTenDayRows,
    YearlyTenDayColumns,
    YearlyZeroScale,
    YearlyBadYearOrTime,
    YearlySaved,
    CommaPreviewCaption,

    // ---- messages: extract, merge, link
    ExtractProgress,
    ExtractNoFileName,
    ExtractBadExtension,
    ExtractNoChannel,
    ExtractNoData,
    ExtractWindowInverted,
    ExtractBadWindow,
    ExtractBurstTooLongForBurstChannels,
    ExtractReadFailed,
    ExtractWriteFailed,
    ExtractSaved,
    MergeProgress,
    MergeBurstStartDiffers,
    MergeBurstIntervalDiffers,
    MergeNoCommonPeriod,
    MergeTooManyChannels,
    MergeBadSamplingInterval,
    MergeBadBurstInterval,
    MergeTsdTooOld,
    MergeBadTolerance,
    MergeSaved,
    MergeSavedSomeUnread,
    LinkProgress,
    LinkStartsEarlier,
    LinkSameStart,
    LinkSampleCountDiffers,
    LinkSamplingIntervalDiffers,
    LinkBurstIntervalDiffers,
    LinkBurstItemsDiffer,
    LinkBurstIntervalTooShort,
    LinkOutOfTolerance,
    LinkBadTolerance,
    LinkTooManyBursts,
    LinkTooMuchData,
    LinkTargetIsInput,
    LinkReadFailed,
    LinkReadFailedFixFirst,
    LinkWriteFailed,
    LinkSaved,

    Count
};

enum class TextKind { Question, Message };

struct TextEntry {
    Tx id;
    TextKind kind;
    std::string_view text;
    std::vector<std::string_view> pages;  // the help pages that quote it
};

// The table, in the order of Tx.
const std::vector<TextEntry>& TextTable();

// The text of an entry, the values in place of "%1", "%2", ...
std::string Text(Tx id, std::initializer_list<std::string_view> values = {});

// A question of the table with its values in place: the only way a
// question reaches a message box (Prompter::ask).
class Question {
public:
    // std::logic_error when the entry is no question.
    explicit Question(Tx id, std::initializer_list<std::string_view> values = {});
    const std::string& text() const { return text_; }
    Tx id() const { return id_; }

private:
    Tx id_;
    std::string text_;
};

}  // namespace brine
