#include "importers/raw_convert.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <numbers>
#include <optional>
#include <vector>

#include "base/cp932.h"
#include "base/errors.h"
#include "base/line_reader.h"
#include "base/rounding.h"
#include "base/text_fields.h"
#include "base/texts.h"
#include "core/current_file.h"
#include "core/header_save.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {

namespace {

constexpr char kSensorTypeCTW[] = "T1C1C2B0";

// A value field that is not a number: the conversion stops at that line.
struct DataLineError {};

std::string formatOneDecimal(double v) {
    char buf[512];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 1);
    return ec == std::errc() ? std::string(buf, p) : std::string("?");
}

// Value of field i, or kNoResult when the line has no such field or it is
// empty. Current meters and wave gauges record whole numbers.
double fieldValue(const std::vector<std::string_view>& fields, std::size_t i, bool whole) {
    if (i >= fields.size()) return kNoResult;
    std::string_view f = TrimView(fields[i]);
    if (f.empty()) return kNoResult;
    if (whole) {
        std::optional<long long> v = ParseWhole(f);
        if (!v) throw DataLineError{};
        return static_cast<double>(*v);
    }
    std::optional<double> v = ParseDecimal(f);
    if (!v) throw DataLineError{};
    return *v;
}

// Bearing of the vector (a, b) in degrees, as the instruments' heading math.
double angleOf(double a, double b) {
    if (b == 0) return a == 0 ? 0 : (a > 0 ? 90 : 270);
    double d = std::atan(a / b) * 180 / std::numbers::pi;
    return b < 0 ? d + 180 : d;
}

enum class PercentBy { Bursts, SamplesWhenOneBurst };

// What a run met, for the messages at its end.
struct RunTally {
    long long outOfRange = 0;  // counts stored as missing because they did not fit
    long long samples = 0;     // data lines converted
    bool padded = false;       // the last burst was filled up with missing values
};

// The machinery every raw converter shares: reading data lines, progress and
// cancel, counts with the out-of-range question, bursts, the short last
// burst, and the header fixed to the bursts written.
class RawConversion {
public:
    RawConversion(const AlecHeader& h, AlecServices& s, Tx questionTail)
        : h_(h), m_(s.model), prompter_(s.prompter), progress_(s.progress), questionTail_(questionTail) {}

    // Stores v on channel ch (a table entry) into slot.
    void store(int ch, double v, std::int16_t& slot) {
        std::size_t k = static_cast<std::size_t>(CurrentFile::channelAt(ch));
        if (ValueToCount(v, m_.ScaleA[k], m_.OffsetB[k], slot) != CountStatus::OutOfRange) return;
        if (tally_.outOfRange == 0) {
            const Question q(Tx::RawHighValue, {cp932ToUtf8(m_.ChannelName[k]), formatOneDecimal(v), Text(questionTail_)});
            if (prompter_.ask(MsgType::Error, q, MsgButtons::YesNo) == MsgResult::No) stopAsked_ = true;
        }
        ++tally_.outOfRange;
    }

    const RunTally& tally() const { return tally_; }

    // fillSample(fields, j) fills sample j of every channel from one line;
    // beforeWrite() completes a burst (burst channels) just before it is written.
    AlecOutcome run(PercentBy percentBy, const std::function<void(const std::vector<std::string_view>&, int)>& fillSample,
                    const std::function<void()>& beforeWrite) {
        m_.AllocateSamples(std::min<std::int32_t>(m_.SampleSize, kFirstRoom));
        int b = 0;
        AlecOutcome outcome;
        try {
            outcome = convertLines(percentBy, fillSample, beforeWrite, b);
        } catch (const IoError& e) {
            prompter_.error(e.what());
            outcome = AlecOutcome::Failed;
        }
        return finish(b, outcome);
    }

private:
    AlecOutcome convertLines(PercentBy percentBy,
                             const std::function<void(const std::vector<std::string_view>&, int)>& fillSample,
                             const std::function<void()>& beforeWrite, int& b) {
        AlecOutcome outcome = AlecOutcome::Completed;
        int j = 0;
        LineReader r(h_.FileName);
        std::string_view line;
        bool inData = false;
        while (r.next(line))
            if (line.find("[Item]") != std::string_view::npos) {
                inData = true;
                break;
            }
        if (!inData) {
            prompter_.error(Text(Tx::ImportBadHeader));
            return AlecOutcome::Failed;
        }
        ProgressScope scope(progress_, Text(Tx::ImportConverting));
        std::vector<std::string_view> fields;
        auto lastComment = std::chrono::steady_clock::now() - std::chrono::seconds(1);
        while (b < m_.Iterations && r.next(line)) {
            if (TrimView(line).empty()) continue;  // a blank line holds no sample
            progress_.SetPercent(percent(percentBy, b, j));
            SplitFieldViews(line, fields);
            auto now = std::chrono::steady_clock::now();
            if (now - lastComment >= std::chrono::milliseconds(40)) {
                progress_.SetComment(cp932ToUtf8(fields[0]));
                lastComment = now;
            }
            makeRoom(j);
            try {
                fillSample(fields, j);
            } catch (const DataLineError&) {
                prompter_.error(Text(Tx::RawNotNumber) + "\n" + std::to_string(r.lineNumber()) +
                                "行目: " + cp932ToUtf8(line));
                outcome = AlecOutcome::Failed;
                break;
            }
            ++tally_.samples;
            if (++j == m_.SampleSize) {
                beforeWrite();
                if (!writeBurst(b)) return AlecOutcome::Failed;
                ++b;
                j = 0;
            }
            if (progress_.Cancelled() || stopAsked_) {
                outcome = AlecOutcome::Cancelled;
                break;
            }
        }
        if (j > 0) {
            // The data ended, or the run stopped, inside a burst. Only a file
            // that has shown a whole burst gets its last one filled up with
            // missing values; before that the burst is the samples read.
            if (b == 0) {
                m_.SampleSize = j;
                m_.AllocateSamples(j);
                shortened_ = true;
            } else {
                for (int ch = 0; ch < m_.Nch; ++ch) {
                    auto& d = m_.Data[static_cast<std::size_t>(ch)];
                    std::fill(d.begin() + j, d.end(), ErrorData);
                }
                tally_.padded = true;
            }
            beforeWrite();
            if (!writeBurst(b)) return AlecOutcome::Failed;
            ++b;
        }
        return outcome;
    }

    // The burst buffers grow with the samples read, so a burst the header
    // declares and the file does not hold takes no memory.
    static constexpr std::int32_t kFirstRoom = 4096;
    void makeRoom(int j) {
        if (m_.Nch < 1) return;
        const std::size_t room = m_.Data[0].size();
        if (static_cast<std::size_t>(j) < room) return;
        m_.AllocateSamples(static_cast<std::int32_t>(
            std::min<std::size_t>(static_cast<std::size_t>(m_.SampleSize), std::max<std::size_t>(2 * room, kFirstRoom))));
    }

    int percent(PercentBy by, int b, int j) const {
        if (by == PercentBy::SamplesWhenOneBurst && m_.Iterations == 1)
            return m_.SampleSize > 0 ? RoundHalfEven(static_cast<long double>(j) * 100 / m_.SampleSize) : 0;
        return m_.Iterations > 0 ? RoundHalfEven(static_cast<long double>(b) * 100 / m_.Iterations) : 0;
    }

    bool writeBurst(int b) {
        if (m_.WriteSDFBurst(b)) return true;
        prompter_.error(Text(Tx::FileWriteFailed) + "\n" + m_.SaveFileName);
        return false;
    }

    // The header declares exactly the bursts written.
    AlecOutcome finish(int written, AlecOutcome outcome) {
        if ((written != m_.Iterations || shortened_) && !DeclareWrittenBursts(m_, written, prompter_, Tx::FileWriteFailed))
            return AlecOutcome::Failed;
        return outcome;
    }

    const AlecHeader& h_;
    CurrentFile& m_;
    Prompter& prompter_;
    ProgressSink& progress_;
    Tx questionTail_;
    RunTally tally_;
    bool stopAsked_ = false;
    bool shortened_ = false;  // the one burst written is shorter than declared
};

// ---- current meter

AlecOutcome ConvertEMData(const AlecHeader& h, const AlecOptions& o, AlecServices& s, RunTally& tally) {
    CurrentFile& m = s.model;
    RawConversion run(h, s, Tx::RawToMissing);
    const double d = o.TransVel ? o.Declination : 0;
    double tempSum = 0;
    int tempCount = 0;
    auto fill = [&](const std::vector<std::string_view>& f, int j) {
        double y[6];
        for (int k = 0; k < 6; ++k) y[k] = CalibrateItem(h.Coef, k, fieldValue(f, static_cast<std::size_t>(k) + 1, true));
        double vn = kNoResult, ve = kNoResult;
        if (HasValue(y[1]) && HasValue(y[2]) && HasValue(y[3]) && HasValue(y[4])) {
            double s2 = y[3] * y[3] + y[4] * y[4];
            double speed = 0;
            if (s2 != 0) {
                double p = y[3] * y[4];
                speed = std::sqrt(s2) * (1 + 4 * h.Alpha * p * p / (s2 * s2));
            }
            double D = angleOf(y[3], y[4]) + angleOf(y[1], y[2]) + h.Beta - d;
            if (D > 360) D -= 360;
            if (D < 0) D += 360;
            double rad = D * std::numbers::pi / 180;
            vn = speed * std::cos(rad);
            ve = speed * std::sin(rad);
        }
        run.store(0, vn, m.Data[0][static_cast<std::size_t>(j)]);
        run.store(1, ve, m.Data[1][static_cast<std::size_t>(j)]);
        if (!o.TempMeanOnly) {
            run.store(2, y[0], m.Data[2][static_cast<std::size_t>(j)]);
        } else if (HasValue(y[0])) {
            tempSum += y[0];
            ++tempCount;
        }
    };
    auto burstDone = [&] {
        if (!o.TempMeanOnly) return;
        run.store(2, tempCount > 0 ? tempSum / tempCount : kNoResult, m.BurstData[0]);
        tempSum = 0;
        tempCount = 0;
    };
    AlecOutcome r = run.run(PercentBy::Bursts, fill, burstDone);
    tally = run.tally();
    return r;
}

// ---- wave gauge

AlecOutcome ConvertWHData(const AlecHeader& h, AlecServices& s, RunTally& tally) {
    CurrentFile& m = s.model;
    RawConversion run(h, s, Tx::RawToMissing);
    auto fill = [&](const std::vector<std::string_view>& f, int j) {
        double y = CalibrateItem(h.Coef, 0, fieldValue(f, 1, true));
        run.store(0, HasValue(y) ? y * 1.025 * 100 : kNoResult, m.Data[0][static_cast<std::size_t>(j)]);
    };
    AlecOutcome r = run.run(PercentBy::Bursts, fill, [] {});
    tally = run.tally();
    return r;
}

// ---- multi-item loggers

struct ItemPlan {
    bool salinity = false;
    std::size_t field = 0;  // measured items: data field and coefficient row
    int row = 0;
    int tempChannel = -1;   // salinity: channels of its temperature and conductivity
    int condChannel = -1;
};

std::vector<ItemPlan> planItems(const AlecHeader& h) {
    std::vector<ItemPlan> plan(static_cast<std::size_t>(h.ItemCount));
    int col = 0, firstTemp = -1, firstCond = -1, lastCond = -1;
    for (int ch = 0; ch < h.ItemCount; ++ch) {
        const std::string& name = h.ItemNames[static_cast<std::size_t>(ch)];
        ItemPlan& p = plan[static_cast<std::size_t>(ch)];
        if (name == kItemTemperature && firstTemp < 0) firstTemp = ch;
        if (name == kItemConductivity) {
            lastCond = ch;
            if (firstCond < 0) firstCond = ch;
        }
        if (name == kItemSalinity) {
            p.salinity = true;
            p.condChannel = lastCond;  // the conductivity it follows
        } else {
            // Infinity sondes have a column and a row for every channel;
            // Compact loggers none for the computed salinity.
            p.row = h.SalinityHasColumn ? ch : col;
            p.field = static_cast<std::size_t>(p.row) + 1;
            ++col;
        }
    }
    for (ItemPlan& p : plan)
        if (p.salinity) {
            p.tempChannel = firstTemp;
            if (p.condChannel < 0) p.condChannel = firstCond;
        }
    return plan;
}

bool hasSalinity(const AlecHeader& h) {
    for (const std::string& n : h.ItemNames)
        if (n == kItemSalinity) return true;
    return false;
}

AlecOutcome ConvertItemData(const AlecHeader& h, double pressureDbar, AlecServices& s, RunTally& tally) {
    CurrentFile& m = s.model;
    RawConversion run(h, s, Tx::RawToMissing);
    const std::vector<ItemPlan> plan = planItems(h);
    std::vector<double> v(plan.size());
    auto fill = [&](const std::vector<std::string_view>& f, int j) {
        for (std::size_t ch = 0; ch < plan.size(); ++ch)
            if (!plan[ch].salinity) v[ch] = CalibrateItem(h.Coef, plan[ch].row, fieldValue(f, plan[ch].field, false));
        // Salinity after every other channel of the line, so the item order does not matter.
        for (std::size_t ch = 0; ch < plan.size(); ++ch)
            if (plan[ch].salinity) {
                const ItemPlan& p = plan[ch];
                v[ch] = (p.tempChannel < 0 || p.condChannel < 0)
                            ? kNoResult
                            : PracticalSalinity(v[static_cast<std::size_t>(p.condChannel)],
                                                v[static_cast<std::size_t>(p.tempChannel)], pressureDbar);
            }
        for (std::size_t ch = 0; ch < plan.size(); ++ch)
            run.store(static_cast<int>(ch), v[ch], m.Data[ch][static_cast<std::size_t>(j)]);
    };
    AlecOutcome r = run.run(PercentBy::SamplesWhenOneBurst, fill, [] {});
    tally = run.tally();
    return r;
}

// ---- Infinity ACTW-USB

AlecOutcome ConvertCTWData(const AlecHeader& h, double pressureDbar, AlecServices& s, RunTally& tally) {
    CurrentFile& m = s.model;
    RawConversion run(h, s, Tx::RawToMissingAndGoOn);
    auto fill = [&](const std::vector<std::string_view>& f, int j) {
        double r0 = fieldValue(f, 1, false), r1 = fieldValue(f, 2, false), r2 = fieldValue(f, 3, false);
        double T = HasValue(r0) ? CalibrateItem(h.Coef, 0, r0 / 640.0) : kNoResult;
        double C = (HasValue(r1) && HasValue(r2) && r1 != 0) ? CalibrateItem(h.Coef, 1, r2 / r1) : kNoResult;
        double S = PracticalSalinity(C, T, pressureDbar);
        std::size_t at = static_cast<std::size_t>(j);
        run.store(0, T, m.Data[0][at]);
        run.store(1, C, m.Data[1][at]);
        run.store(2, S, m.Data[2][at]);
    };
    AlecOutcome r = run.run(PercentBy::SamplesWhenOneBurst, fill, [] {});
    tally = run.tally();
    return r;
}

// Checks what the header dialog handed back before any burst is written.
bool modelFits(const CurrentFile& m, int nch, int nch2) {
    return m.Nch == nch && m.Nch2 == nch2 && m.SampleSize >= 1 && m.Iterations >= 0;
}

}  // namespace

AlecOutcome ConvertAlecFile(const AlecHeader& h, const AlecOptions& o, AlecServices& s) {
    CurrentFile& m = s.model;
    OutputGuard guard(m);
    const bool items = h.kind == RawKind::Compact || h.kind == RawKind::Infinity;
    const bool ctw = items && h.SondeName == "ACTW-USB";
    double pressureDbar = 0;

    // Everything that can refuse or be abandoned comes before the header
    // dialog, so a refusal never leaves a header-only output behind.
    if (ctw) {
        if (h.SensorType != kSensorTypeCTW) {
            s.prompter.error(Text(Tx::RawCtwSensorType, {h.SensorType, kSensorTypeCTW}));
            return AlecOutcome::NotStarted;
        }
        if (h.ItemCount != 3) {
            s.prompter.error(Text(Tx::ImportBadHeader));
            return AlecOutcome::NotStarted;
        }
    }
    if (ctw || (items && hasSalinity(h))) {
        std::string answer;
        if (!s.valuePrompt.InputValue(Text(Tx::RawPressureCaption), Text(Tx::RawPressurePrompt), "1.00", answer))
            return AlecOutcome::NotStarted;
        std::optional<double> bar = ParseDecimal(answer);
        if (!bar) {
            s.prompter.error(Text(Tx::RawPressureWrong));
            return AlecOutcome::NotStarted;
        }
        pressureDbar = *bar * 10;  // typed in bar; the salinity formula takes decibars
    }

    int nch = 0, nch2 = 0;
    switch (h.kind) {
        case RawKind::CompactEM:
        case RawKind::InfinityEM:
            SetEMHeader(h, o.TempMeanOnly, m);
            break;
        case RawKind::CompactWH: SetWHHeader(h, m); break;
        case RawKind::Compact:
        case RawKind::Infinity: SetItemHeader(h, m); break;
    }
    nch = m.Nch;
    nch2 = m.Nch2;
    m.SaveFileName = std::filesystem::path(h.FileName).replace_extension(".sdf").string();
    // The header dialog refuses to write over the file being read (a raw
    // file may well be named "*.sdf").
    m.FileName = h.FileName;
    if (!s.headerSave.ExecuteSave(0)) return AlecOutcome::NotStarted;

    if (!modelFits(m, nch, nch2)) {
        s.prompter.error(Text(Tx::ImportBadHeader));
        m.Iterations = 0;
        m.WriteSDFHeader();
        FinishSave(m, s.prompter, Tx::FileWriteFailed);
        return AlecOutcome::Failed;
    }

    RunTally tally;
    AlecOutcome outcome;
    switch (h.kind) {
        case RawKind::CompactEM:
        case RawKind::InfinityEM: outcome = ConvertEMData(h, o, s, tally); break;
        case RawKind::CompactWH: outcome = ConvertWHData(h, s, tally); break;
        default:
            outcome = ctw ? ConvertCTWData(h, pressureDbar, s, tally) : ConvertItemData(h, pressureDbar, s, tally);
            break;
    }
    if (!FinishSave(m, s.prompter, Tx::FileWriteFailed)) outcome = AlecOutcome::Failed;
    // An instrument that stopped early leaves fewer samples than its header declares.
    const bool endedEarly = outcome == AlecOutcome::Completed && tally.samples < h.TotalSamples;
    if (endedEarly) {
        std::string text =
            Text(Tx::RawEndedEarly, {std::to_string(h.TotalSamples), std::to_string(tally.samples)});
        if (tally.padded) text += "\n" + Text(Tx::ImportLastBurstPadded);
        s.prompter.information(text);
    }
    if (tally.outOfRange >= 1)
        s.prompter.information(Text(Tx::ImportToMissingCount, {std::to_string(tally.outOfRange)}));
    else if (items && outcome == AlecOutcome::Completed && !endedEarly)
        s.prompter.show(MsgType::Confirmation, Text(Tx::RawSaved), MsgButtons::Ok);
    return outcome;
}

}  // namespace brine
