#include "platform/status_panels.h"

#include <QLabel>

#include "base/errors.h"

namespace brine {

StatusPanels::StatusPanels(QWidget* parent) : QStatusBar(parent) { setSizeGripEnabled(false); }

int StatusPanels::addPanel(int width) {
    auto* label = new QLabel(this);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    if (!panels_.empty()) {
        // The former last panel stops stretching.
        QLabel* last = panels_.back();
        removeWidget(last);
        last->setFixedWidth(last->minimumWidth());
        addWidget(last);
        last->show();
    }
    label->setMinimumWidth(width);
    addWidget(label, 1);
    panels_.push_back(label);
    return panelCount() - 1;
}

QLabel* StatusPanels::panelAt(int i) const {
    if (i < 0 || i >= panelCount()) throw RangeError("ステータスバーのパネル番号が範囲外です。");
    return panels_[static_cast<std::size_t>(i)];
}

int StatusPanels::panelWidth(int i) const { return panelAt(i)->minimumWidth(); }
QString StatusPanels::panelText(int i) const { return panelAt(i)->text(); }
void StatusPanels::setPanelText(int i, const QString& text) { panelAt(i)->setText(text); }

}  // namespace brine
