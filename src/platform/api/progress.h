#pragma once
// What a long job needs of the progress window. The job starts it through a
// ProgressScope, which hides the window on every way out, exceptions included.
#include <string>

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
