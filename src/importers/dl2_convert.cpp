#include "importers/dl2_convert.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/line_reader.h"
#include "base/rounding.h"
#include "base/text_fields.h"
#include "base/texts.h"
#include "core/current_file.h"
#include "core/header_save.h"
#include "importers/raw_convert.h"
#include "importers/raw_header.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {

namespace {

class DL2Conversion {
public:
    DL2Conversion(const DL2Header& h, double declination, DL2Services& s)
        : h_(h), d_(declination), m_(s.model), prompter_(s.prompter), progress_(s.progress) {}

    DL2Outcome run() {
        const int nch = h_.IsCurrent() ? 2 : 1;
        if (m_.Nch != nch || m_.Nch2 != 0 || m_.SampleSize != h_.SampleCount) {
            prompter_.error(Text(Tx::ImportBadHeader));
            return finish(0, DL2Outcome::Failed);
        }
        m_.AllocateDataArrays();
        int b = 0;
        DL2Outcome outcome = DL2Outcome::Completed;
        try {
            outcome = convert(b);
        } catch (const BrineError& e) {
            prompter_.error(e.what());
            outcome = DL2Outcome::Failed;
        }
        outcome = finish(b, outcome);
        if (outOfRange_ > 0)
            prompter_.information(Text(Tx::ImportToMissingCount, {std::to_string(outOfRange_)}));
        return outcome;
    }

private:
    DL2Outcome convert(int& b) {
        LineReader r(h_.SourceFile);
        std::string_view line;
        if (!r.next(line) || !r.next(line)) throw FormatError();
        ProgressScope scope(progress_, Text(Tx::ImportConverting));
        const int perLine = h_.ValuesPerLine();
        const int width = h_.IsCurrent() ? 10 : 5;  // columns of one sample
        while (b < m_.Iterations) {
            if (!nextBurstHeader(r, line)) break;  // the end of the file ends the conversion
            if (r.eof()) break;                    // a burst header with no data holds nothing
            showBurst(line, r.lineNumber(), b);
            int j = 0;
            bool truncated = false;
            for (int i = 0; i < h_.LinesPerBurst; ++i) {
                if (!r.next(line)) {
                    truncated = true;
                    break;
                }
                const int expected = std::min(perLine, m_.SampleSize - j);
                int usable = expected;
                // A file cut inside its last line: only the samples whose
                // columns are all there are kept.
                if (r.eof()) usable = std::min(expected, static_cast<int>(line.size()) / width);
                j = h_.IsCurrent() ? fillCurrent(line, r.lineNumber(), j, usable)
                                   : fillValues(line, r.lineNumber(), j, usable);
                if (usable < expected) {
                    truncated = true;
                    break;
                }
            }
            if (truncated) {
                // The file ends inside this burst: keep what it holds.
                if (j == 0) break;
                for (int ch = 0; ch < m_.Nch; ++ch) {
                    auto& d = m_.Data[static_cast<std::size_t>(ch)];
                    std::fill(d.begin() + j, d.end(), ErrorData);
                }
            }
            if (!m_.WriteSDFBurst(b)) {
                prompter_.error(Text(Tx::FileWriteFailed) + "\n" + m_.SaveFileName);
                return DL2Outcome::Failed;
            }
            ++b;
            if (truncated) {
                prompter_.information(Text(Tx::Dl2EndedEarly) + "\n" + std::to_string(m_.Iterations) + " バースト中 " +
                                      std::to_string(b) + " バーストを変換しました。\n" +
                                      Text(Tx::ImportLastBurstPadded));
                break;
            }
            if (progress_.Cancelled()) return DL2Outcome::Cancelled;
        }
        return DL2Outcome::Completed;
    }

    static bool nextBurstHeader(LineReader& r, std::string_view& line) {
        while (r.next(line))
            if (!TrimView(line).empty()) return true;
        return false;
    }

    void showBurst(std::string_view line, long long n, int b) {
        DateTimeParts p;
        p.year = h_.StartYear;
        p.month = DL2Field(line, 1, 5, n);
        p.day = DL2Field(line, 6, 10, n);
        p.hour = DL2Field(line, 11, 15, n);
        p.minute = DL2Field(line, 16, 20, n);
        progress_.SetPercent(m_.Iterations > 0 ? RoundHalfEven(static_cast<long double>(b) * 100 / m_.Iterations) : 0);
        // Only a progress text: a date the start year cannot hold is shown as read.
        double t = 0;
        progress_.SetComment(TryEncodeDateTime(p, t) ? FormatDateTime(t) : cp932ToUtf8(TrimView(line)));
    }

    // The first `count` direction and speed pairs of a line into north and
    // east components, from sample j on.
    int fillCurrent(std::string_view line, long long n, int j, int count) {
        for (int p = 0; p < count; ++p, ++j) {
            std::int16_t& vn = m_.Data[0][static_cast<std::size_t>(j)];
            std::int16_t& ve = m_.Data[1][static_cast<std::size_t>(j)];
            vn = ve = ErrorData;
            const int dir = DL2Field(line, 10 * p + 1, 10 * p + 5, n);
            if (dir > kDL2MaxDirection) continue;
            const int spd = DL2Field(line, 10 * p + 6, 10 * p + 10, n);
            if (spd == kDL2Missing) continue;
            const long double theta = (dir / 10.0L - d_) * std::numbers::pi_v<long double> / 180;
            vn = scaled(0, spd * std::cos(theta));
            ve = scaled(1, spd * std::sin(theta));
        }
        return j;
    }

    int fillValues(std::string_view line, long long n, int j, int count) {
        for (int p = 0; p < count; ++p, ++j) {
            const int v = DL2Field(line, 5 * p + 1, 5 * p + 5, n);
            m_.Data[0][static_cast<std::size_t>(j)] = v == kDL2Missing ? ErrorData : scaled(0, v);
        }
        return j;
    }

    // Count of value v on channel ch with the scale and offset the header
    // dialog left: the file's table must give v back. A count the 16 bits
    // cannot hold (or that would read as missing) is stored as missing.
    std::int16_t scaled(int ch, long double v) {
        const long double a = m_.ScaleA[static_cast<std::size_t>(ch)];
        const long double b = m_.OffsetB[static_cast<std::size_t>(ch)];
        const long double x = a != 0 ? (v - b) / a : std::numeric_limits<long double>::quiet_NaN();
        if (x > -32768.5L && x < 32767.5L) {
            const int r = RoundHalfAway(x);
            if (r > -32768) return static_cast<std::int16_t>(r);
        }
        ++outOfRange_;
        return ErrorData;
    }

    // The header declares exactly the bursts written.
    DL2Outcome finish(int written, DL2Outcome outcome) {
        if (written != m_.Iterations && !DeclareWrittenBursts(m_, written, prompter_, Tx::FileWriteFailed))
            outcome = DL2Outcome::Failed;
        if (!FinishSave(m_, prompter_, Tx::FileWriteFailed)) outcome = DL2Outcome::Failed;
        return outcome;
    }

    const DL2Header& h_;
    const double d_;
    CurrentFile& m_;
    Prompter& prompter_;
    ProgressSink& progress_;
    long long outOfRange_ = 0;
};

}  // namespace

DL2Outcome ConvertDL2Bursts(const DL2Header& h, double declination, DL2Services& s) {
    OutputGuard guard(s.model);
    return DL2Conversion(h, declination, s).run();
}

}  // namespace brine
