#pragma once
// The modeless site window: the list of observation sites and the magnetic
// declination at the selected one. A thin layer over SiteList.
#include <QDialog>
#include <QPointer>

#include "sites/site_list.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace brine {

class TFrmLocation : public QDialog {
    Q_OBJECT
public:
    explicit TFrmLocation(QWidget* parent = nullptr, SiteList& sites = AppSites());

    SiteList& Sites;
    // The value the importers subtract from compass bearings (degrees).
    double& Declination;

    // Shown next to an importer's dialog while its velocity-correction box is
    // ticked. That dialog is modal, so the window belongs to it meanwhile:
    // otherwise the modal dialog would block its input.
    void ShowBeside(QWidget* owner);
    // Hides the window and gives it back to its own parent.
    void HideBeside();

    // Reads the list from Sites.LocationFile, telling the user about damage.
    void LoadSites();
    // Writes a changed list to its file; the window takes it only then.
    void SaveSites(const SiteList& list);

    void FormShow();
    void ComboBoxSiteChange();
    void BitBtnAddClick();
    void BitBtnDelClick();
    void ButtonCalClick();
    void ComboBoxModelChange();
    void EditDeclinationChange();
    // Enter (character 13) moves the focus to the next field and is cleared.
    void ComboBoxSiteKeyPress(char& Key);
    void EditLat1KeyPress(char& Key);
    void EditLat2KeyPress(char& Key);
    void EditLat3KeyPress(char& Key);
    void EditLong1KeyPress(char& Key);
    void EditLong2KeyPress(char& Key);
    void EditLong3KeyPress(char& Key);

    // The selected entry of ComboBoxSite; -1 when none or when a name has been
    // typed since the last choice from the list.
    int SiteItemIndex() const;

    QLabel* Label1;
    QComboBox* ComboBoxSite;
    QLabel* Label2;
    QLineEdit* EditLat1;
    QLineEdit* EditLat2;
    QLineEdit* EditLat3;
    QLabel* Label3;
    QLineEdit* EditLong1;
    QLineEdit* EditLong2;
    QLineEdit* EditLong3;
    QPushButton* BitBtnAdd;
    QPushButton* BitBtnDel;
    QComboBox* ComboBoxModel;
    QPushButton* ButtonCal;
    QLabel* EditDeclinationLabel;
    QLineEdit* EditDeclination;
    // "未登録" beside a value computed for an entry not yet stored, which the
    // importers do not use.
    QLabel* LabelUnsaved;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    float readLat() const;
    float readLon() const;
    void showPosition(int i);
    void placeBeside(QWidget* owner);
    // True while a site of the list is selected (not "新規", not a typed name):
    // only then does the computed declination become the one in force.
    bool storedSiteSelected() const;
    void showDeclination(const QString& text, bool inForce);
    bool typed_ = false;
    bool positionTyped_ = false;    // a coordinate was edited since the last choice
    bool settingDeclination_ = false;
    QPointer<QWidget> home_;  // the parent while lent to an importer's dialog
};

extern TFrmLocation* FrmLocation;

}  // namespace brine
