#pragma once
// Reads compiled HTML help files (chmlib) and shows their pages in a text
// browser window.
#include <QByteArray>
#include <QString>
#include <QTextBrowser>
#include <QWidget>
#include <optional>
#include <string>

struct chmFile;

namespace brine {

// One open help file. Object paths start with "/" ("/index.htm").
class ChmArchive {
public:
    ChmArchive() = default;
    ~ChmArchive();
    ChmArchive(const ChmArchive&) = delete;
    ChmArchive& operator=(const ChmArchive&) = delete;

    bool open(const std::string& path);
    void close();
    bool isOpen() const { return handle_ != nullptr; }
    const std::string& path() const { return path_; }

    std::optional<QByteArray> read(const std::string& objectPath) const;
    // The default page the compiler recorded in the file's system data, with
    // a leading "/"; "/index.htm" when none is recorded.
    std::string defaultTopic() const;

private:
    chmFile* handle_ = nullptr;
    std::string path_;
};

// The browser of the viewer: resolves "chm:" addresses inside the open file.
class ChmBrowser : public QTextBrowser {
    Q_OBJECT
public:
    ChmBrowser(ChmArchive& archive, QWidget* parent);
    QVariant loadResource(int type, const QUrl& name) override;

private:
    ChmArchive& archive_;
};

class THelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit THelpViewer(QWidget* parent = nullptr);

    // Opens the help file (when not already open) and shows the topic, or the
    // default page for an empty topic. On failure returns the message to show
    // and leaves the window as it was.
    std::optional<std::string> ShowTopic(const std::string& file, const std::string& topic);

    ChmBrowser* Browser;

private:
    void showCaption();
    ChmArchive archive_;
};

}  // namespace brine
