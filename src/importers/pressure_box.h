#pragma once
// The one-value prompt (used for the pressure of the salinity formula).
#include <QDialog>
#include <functional>
#include <string>

#include "importers/raw_convert.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace brine {

// Opens a help topic ("PracticalSalinity.htm") of the program's help file.
using HelpTopicHook = std::function<void(const std::string& topic)>;

class TFrmInputBox : public QDialog, public ValuePrompt {
    Q_OBJECT
public:
    explicit TFrmInputBox(QWidget* parent = nullptr);

    // Shows the prompt modally; only OK gives the edit's text (UTF-8) in value.
    bool InputValue(const std::string& caption, const std::string& prompt, const std::string& defaultText,
                    std::string& value) override;

    void BitBtn1Click();

    QLabel* EditValueLabel;
    QLineEdit* EditValue;
    QPushButton* Button1;
    QPushButton* BitBtn1;

    HelpTopicHook helpTopic;  // wired to the help binding at start-up
};

extern TFrmInputBox* FrmInputBox;

}  // namespace brine
