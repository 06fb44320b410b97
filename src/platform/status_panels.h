#pragma once
// A status bar divided into panels addressed by index, each of a fixed width
// but the last, which reaches to the bar's right edge.
#include <QStatusBar>
#include <vector>

class QLabel;

namespace brine {

class StatusPanels : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusPanels(QWidget* parent = nullptr);
    int addPanel(int width);
    int panelCount() const { return static_cast<int>(panels_.size()); }
    int panelWidth(int i) const;
    QString panelText(int i) const;
    void setPanelText(int i, const QString& text);

private:
    QLabel* panelAt(int i) const;
    std::vector<QLabel*> panels_;  // each panel's width is its minimum width
};

}  // namespace brine
