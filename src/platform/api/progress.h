#pragma once
// What a long job needs of the progress window. The job starts it through a
// ProgressScope, which hides the window on every way out, exceptions included.
#include <algorithm>
#include <string>
#include <utility>

namespace brine {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Shows the window with a caption, clears the comment and the cancel flag
    // and shows 0 %. A job that never polls passes cancellable = false and
    // gets a disabled button.
    virtual void Start(const std::string& title, bool cancellable = true) = 0;
    virtual void SetPercent(int percent) = 0;
    virtual void SetComment(const std::string& text) = 0;
    virtual bool Cancelled() const = 0;
    virtual void Hide() = 0;
};

class ProgressScope {
public:
    ProgressScope(ProgressSink& sink, const std::string& title, bool cancellable = true) : sink_(sink) {
        sink_.Start(title, cancellable);
    }
    ~ProgressScope() { sink_.Hide(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
    ProgressSink* operator->() { return &sink_; }

private:
    ProgressSink& sink_;
};

// Reports a percentage only when it differs from the one it reported last
// (or from `shown`, what the window shows already): the window shows nothing
// new otherwise.
class PercentShown {
public:
    explicit PercentShown(ProgressSink& sink, int shown = -1) : sink_(sink), last_(shown) {}
    void show(int percent) {
        if (percent == last_) return;
        last_ = percent;
        sink_.SetPercent(percent);
    }

private:
    ProgressSink& sink_;
    int last_;
};

// The percentage of step i of a loop over steps .. end - 1, percentOf(i),
// shown through a PercentShown. percentOf must not decrease from one step to
// the next; it is then computed only at the steps where its value can change
// (found by doubling, then halving), not at each of them: a loop over ten
// million samples computes it a few thousand times instead of ten million.
// Steps are 0 or more, given in increasing order.
template <class F>
class PercentSteps {
public:
    PercentSteps(PercentShown& shown, long long end, F percentOf)
        : shown_(shown), end_(end), percentOf_(std::move(percentOf)) {}
    // The first step whose percentage may differ from the one shown last.
    long long nextChange() const { return next_; }
    void at(long long i) {
        if (i < next_) return;
        const int p = percentOf_(i);
        shown_.show(p);
        next_ = firstChangeAfter(i, p);
    }

private:
    // The first step after i whose percentage is not p; end_ when none is.
    long long firstChangeAfter(long long i, int p) {
        long long same = i, step = 1;
        while (end_ - same > step && percentOf_(same + step) == p) {
            same += step;
            step *= 2;
        }
        long long changed = std::min(same + step, end_);  // not p, or the end
        while (changed - same > 1) {
            const long long mid = same + (changed - same) / 2;
            (percentOf_(mid) == p ? same : changed) = mid;
        }
        return changed;
    }

    PercentShown& shown_;
    long long end_;
    F percentOf_;
    long long next_ = 0;
};

// Does nothing and never cancels: for jobs run without a window.
class NullProgress : public ProgressSink {
public:
    void Start(const std::string&, bool) override {}
    void SetPercent(int) override {}
    void SetComment(const std::string&) override {}
    bool Cancelled() const override { return false; }
    void Hide() override {}
};

}  // namespace brine
