#pragma once
// The decisions of the header dialog that need no window: where a header is
// written, which overwrite question applies, how edited texts become model
// values, and block copy and paste in the channel grid. Texts from the UI are
// UTF-8; what goes into the model is CP932.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/current_file.h"
#include "platform/api/grid_rect.h"
#include "base/safe_write/file_identity.h"

namespace brine {

// ---- output name and overwrite checks

// The name a header of the given kind (0 SDF, 1 TSD) is written to: the typed
// name with its extension made ".sdf" (".tsd"), unless it already is one in
// any case. An empty name stays empty.
std::string HeaderTargetName(const std::string& typed, int kind);


enum class TargetCheck {
    NewFile,        // nothing there: create it
    ExistingFile,   // another file of that name: ask, then replace it
    SourceSdf,      // the SDF file being read (by its content): ask, then rewrite its header in place
    SourceRefused,  // the file being read, which must not be overwritten
};
// source: the file the producer reads from (the model's FileName), may be
// empty. IoError when the source named as target cannot be read to tell.
TargetCheck CheckSaveTarget(const std::string& target, const std::string& source);

// ---- edited texts

// Sampling interval: a positive integer, blanks around it allowed.
std::optional<int> ParseSamplingInterval(std::string_view text);
// "yyyy/mm/dd hh:nn:ss" with optional " zzz"; ConversionError otherwise.
double ParseStartTime(std::string_view text);
// Number of bursts: 1 to 32767 when saving (RangeError with a message
// otherwise); when loading, any 16-bit value.
std::int16_t ParseIterations(std::string_view text, bool saving);
// A scale or offset cell: the stored value when the text is still the one
// shown for it, else the text read as a number (ConversionError, or
// RangeError beyond the float range).
float ParseScaleCell(std::string_view text, float stored);
// Text shown for a scale or offset.
std::string ScaleCellText(float v);

// A channel name or unit the user types: no comma (it separates TSD lists),
// only characters CP932 can hold, at most maxBytes bytes of CP932.
bool ChannelTextAcceptable(std::string_view utf8, std::size_t maxBytes);
// A cell of a channel grid (No., Item, Unit, A, B): names and units as
// above; the other columns are checked when they are read.
bool ChannelCellAcceptable(int col, std::string_view utf8);

// Memo as shown (UTF-8, lines joined by "\n", trailing blanks removed) from
// the model's CP932 memo, whose lines may be joined by CR LF or CR.
std::string MemoForDisplay(std::string_view cp932);
// Memo text of the edit as CP932 with lines joined by CR LF.
std::string MemoFromDisplay(std::string_view utf8);
// The memo to write from a memo edit: while the edit still shows the stored
// memo unchanged, that memo less trailing controls (its exact bytes); else
// the edit's text as CP932, cut to 160 bytes.
std::string MemoToWrite(std::string_view stored, bool edited, std::string_view utf8);
// Characters of the text CP932 cannot hold.
int UnencodableCount(std::string_view utf8);
// Whether the memo edit may change from `before` to `after`: not over 160
// bytes of CP932 and no more characters CP932 cannot hold than before.
bool MemoChangeAcceptable(std::string_view before, std::string_view after);

// ---- shown values

// Time of the last sample of the file.
double LastSampleTime(const CurrentFile& m);
// Grid height for a number of rows: one pixel of line per row plus 20, at
// most maxHeight.
int ChannelGridHeight(int rows, int rowHeight, int maxHeight = 132);

// ---- block copy and paste

struct PasteStep {
    int col, row;  // target cell
    int i, k;      // clip column and row copied there
};
// Every selected cell is an anchor, column by column from the left and row by
// row from the top; each copies the whole clip to its right and below,
// skipping targets outside the grid. Later anchors overwrite earlier ones.
std::vector<PasteStep> PastePlan(const GridRect& selection, int clipCols, int clipRows, int colCount,
                                 int rowCount);

}  // namespace brine
