#include "sites/site_window.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include <cmath>
#include <optional>

#include "sites/declination.h"
#include "base/number_text.h"
#include "platform/dialog_frame.h"
#include "platform/guard.h"
#include "platform/qt_text.h"
#include "base/texts.h"

namespace brine {

TFrmLocation* FrmLocation = nullptr;

namespace {

const QString kNewEntry = QString::fromStdString(Text(Tx::SiteNewEntry));

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int w) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(x, y, w, 16);
    return l;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, int x, int y, int w) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(x, y, w, 21);
    return e;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(x, y, 75, 25);
    // Enter moves between the fields; it must never press a default button.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

std::string utf8(const QLineEdit* e) { return e->text().toStdString(); }

}  // namespace

TFrmLocation::TFrmLocation(QWidget* parent, SiteList& sites)
    : QDialog(parent), Sites(sites), Declination(sites.Declination) {
    setObjectName("FrmLocation");
    setWindowTitle(QStringLiteral("位置情報"));
    SetFixedDialogFrame(*this, 246, 148);
    setModal(false);

    Label1 = makeLabel(this, "Label1", QStringLiteral("地名："), 8, 11, 40);
    ComboBoxSite = new QComboBox(this);
    ComboBoxSite->setObjectName("ComboBoxSite");
    ComboBoxSite->setGeometry(48, 8, 190, 22);
    ComboBoxSite->setEditable(true);
    ComboBoxSite->setInsertPolicy(QComboBox::NoInsert);

    Label2 = makeLabel(this, "Label2", QStringLiteral("北緯："), 8, 39, 40);
    EditLat1 = makeEdit(this, "EditLat1", 48, 36, 36);
    EditLat2 = makeEdit(this, "EditLat2", 88, 36, 28);
    EditLat3 = makeEdit(this, "EditLat3", 120, 36, 28);
    BitBtnAdd = makeButton(this, "BitBtnAdd", QStringLiteral("登録"), 163, 34);

    Label3 = makeLabel(this, "Label3", QStringLiteral("東経："), 8, 66, 40);
    EditLong1 = makeEdit(this, "EditLong1", 48, 63, 36);
    EditLong2 = makeEdit(this, "EditLong2", 88, 63, 28);
    EditLong3 = makeEdit(this, "EditLong3", 120, 63, 28);
    BitBtnDel = makeButton(this, "BitBtnDel", QStringLiteral("削除"), 163, 61);

    // A fixed list: a model is always selected.
    ComboBoxModel = new QComboBox(this);
    ComboBoxModel->setObjectName("ComboBoxModel");
    ComboBoxModel->setGeometry(8, 92, 140, 22);
    ComboBoxModel->addItems({QStringLiteral("1990年近似式"), QStringLiteral("2000年近似式"),
                             QStringLiteral("2010年近似式")});
    ComboBoxModel->setCurrentIndex(DefaultDeclinationModel);
    ButtonCal = makeButton(this, "ButtonCal", QStringLiteral("計算"), 163, 90);

    EditDeclinationLabel = makeLabel(this, "EditDeclinationLabel", QStringLiteral("磁針偏角(度)： "), 8, 123, 100);
    EditDeclination = makeEdit(this, "EditDeclination", 110, 120, 64);
    EditDeclinationLabel->setBuddy(EditDeclination);
    LabelUnsaved = makeLabel(this, "LabelUnsaved", QStringLiteral("未登録"), 180, 123, 60);
    LabelUnsaved->hide();

    setTabOrder(ComboBoxSite, EditLat1);
    setTabOrder(EditLat1, EditLat2);
    setTabOrder(EditLat2, EditLat3);
    setTabOrder(EditLat3, EditLong1);
    setTabOrder(EditLong1, EditLong2);
    setTabOrder(EditLong2, EditLong3);
    setTabOrder(EditLong3, BitBtnAdd);
    setTabOrder(BitBtnAdd, BitBtnDel);
    setTabOrder(BitBtnDel, ComboBoxModel);
    setTabOrder(ComboBoxModel, ButtonCal);
    setTabOrder(ButtonCal, EditDeclination);

    connect(ComboBoxSite, &QComboBox::activated, this, [this](int) {
        typed_ = false;
        ComboBoxSiteChange();
    });
    connect(ComboBoxSite->lineEdit(), &QLineEdit::textEdited, this, [this] { typed_ = true; });
    connect(BitBtnAdd, &QPushButton::clicked, this, [this] { BitBtnAddClick(); });
    connect(BitBtnDel, &QPushButton::clicked, this, [this] { BitBtnDelClick(); });
    connect(ButtonCal, &QPushButton::clicked, this, [this] { ButtonCalClick(); });
    connect(ComboBoxModel, &QComboBox::currentIndexChanged, this, [this] { ComboBoxModelChange(); });
    connect(EditDeclination, &QLineEdit::textChanged, this, [this] { EditDeclinationChange(); });
    for (QLineEdit* e : {EditLat1, EditLat2, EditLat3, EditLong1, EditLong2, EditLong3})
        connect(e, &QLineEdit::textEdited, this, [this] { positionTyped_ = true; });

    for (QObject* o : std::initializer_list<QObject*>{ComboBoxSite, ComboBoxSite->lineEdit(), EditLat1, EditLat2,
                                                       EditLat3, EditLong1, EditLong2, EditLong3, BitBtnAdd,
                                                       BitBtnDel, ButtonCal})
        o->installEventFilter(this);
}

void TFrmLocation::ShowBeside(QWidget* owner) {
    if (owner && parentWidget() != owner) {
        if (!home_) home_ = parentWidget();
        setParent(owner, windowFlags());
    }
    show();
    raise();
    if (!owner) return;
    if (owner->isVisible()) {
        placeBeside(owner);
    } else {
        // The modal dialog is about to show: place the window once it has.
        QTimer::singleShot(0, this, [this, o = QPointer<QWidget>(owner)] {
            if (o && o->isVisible() && isVisible()) placeBeside(o);
        });
    }
}

void TFrmLocation::HideBeside() {
    hide();
    if (home_) {
        setParent(home_, windowFlags());
        home_ = nullptr;
    }
}

void TFrmLocation::placeBeside(QWidget* owner) {
    QRect f = owner->frameGeometry();
    move(f.right() + 1, f.top());
}

void TFrmLocation::LoadSites() { Sites.LoadSites(Sites.LocationFile, AppPrompter()); }

void TFrmLocation::SaveSites(const SiteList& list) { list.SaveSites(list.LocationFile); }

int TFrmLocation::SiteItemIndex() const { return typed_ ? -1 : ComboBoxSite->currentIndex(); }

bool TFrmLocation::storedSiteSelected() const {
    const int index = SiteItemIndex();
    return index >= 0 && index < Sites.SiteCount;
}

void TFrmLocation::showDeclination(const QString& text, bool inForce) {
    // Shown only: the value in force is set by the caller, not by the edit.
    settingDeclination_ = true;
    EditDeclination->setText(text);
    settingDeclination_ = false;
    LabelUnsaved->setVisible(!inForce && !text.isEmpty());
}

float TFrmLocation::readLat() const { return TextToDegrees(utf8(EditLat1), utf8(EditLat2), utf8(EditLat3)); }

float TFrmLocation::readLon() const { return TextToDegrees(utf8(EditLong1), utf8(EditLong2), utf8(EditLong3)); }

void TFrmLocation::showPosition(int i) {
    const DegreeText lat = DegreesToText(Sites.SiteLat[i]);
    const DegreeText lon = DegreesToText(Sites.SiteLon[i]);
    EditLat1->setText(QString::fromStdString(lat.Deg));
    EditLat2->setText(QString::fromStdString(lat.Min));
    EditLat3->setText(QString::fromStdString(lat.Sec));
    EditLong1->setText(QString::fromStdString(lon.Deg));
    EditLong2->setText(QString::fromStdString(lon.Min));
    EditLong3->setText(QString::fromStdString(lon.Sec));
}

void TFrmLocation::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!e->spontaneous()) FormShow();
}

void TFrmLocation::FormShow() {
    Guarded([&] {
        ComboBoxSite->clear();
        typed_ = false;
        LoadSites();
        for (int k = 1; k <= Sites.SiteCount; ++k)
            ComboBoxSite->addItem(FromCp932(Sites.SiteName[k]));
        ComboBoxSite->addItem(kNewEntry);
        ComboBoxSite->setCurrentIndex(Sites.SelectionOnShow(Sites.SelectedLocation));
        ComboBoxSiteChange();
    });
}

void TFrmLocation::ComboBoxSiteChange() {
    Guarded([&] {
        const int i = SiteItemIndex() + 1;
        if (i == 0) return;
        Sites.SelectedLocation = static_cast<std::uint16_t>(i);
        showPosition(i);
        positionTyped_ = false;
        if (storedSiteSelected()) {
            ButtonCalClick();
        } else {
            // "新規" has no position yet: nothing to compute, and the
            // declination in force stays that of the last stored site.
            showDeclination(QString(), true);
        }
    });
}

void TFrmLocation::BitBtnAddClick() {
    Guarded([&] {
        const int index = SiteItemIndex();
        const int k = index >= 0 ? index + 1 : Sites.SiteCount + 1;
        const QString shownName = ComboBoxSite->currentText();
        std::string name = SiteNameFromUi(shownName.toStdString());
        const float lat = readLat();
        const float lon = readLon();
        const bool appended = k > Sites.SiteCount;
        // The list changes only once the file holds the change.
        SiteList changed = Sites;
        changed.StoreSite(k, std::move(name), lat, lon);
        SaveSites(changed);
        Sites = changed;
        if (appended) ComboBoxSite->addItem(kNewEntry);
        // Show the stored name at once and keep it selected, so a second
        // "登録" updates this site rather than adding it again.
        ComboBoxSite->setItemText(k - 1, shownName);
        ComboBoxSite->setCurrentIndex(k - 1);
        typed_ = false;
        // The stored site is the selected one now: its declination is in force.
        ButtonCalClick();
    });
}

void TFrmLocation::BitBtnDelClick() {
    Guarded([&] {
        const int k = SiteItemIndex() + 1;
        SiteList changed = Sites;
        if (!changed.DeleteSite(k)) return;
        SaveSites(changed);
        Sites = changed;
        ComboBoxSite->removeItem(k - 1);
        // Nothing selected afterwards: a second press must not delete the
        // site that moved into this place.
        ComboBoxSite->setCurrentIndex(-1);
        typed_ = false;
    });
}

void TFrmLocation::ButtonCalClick() {
    Guarded([&] {
        const int model = ComboBoxModel->currentIndex();
        if (model < 0) return;
        const bool stored = storedSiteSelected();
        // An entry not yet stored shows its value once it has a position, and
        // never changes the declination the importers use.
        if (!stored && !positionTyped_) return;
        const float d = CalcDeclination(static_cast<std::uint8_t>(model), readLat(), readLon());
        showDeclination(QString::fromStdString(DeclinationText(d)), stored);
        if (stored) Declination = d;
    });
}

void TFrmLocation::ComboBoxModelChange() { ButtonCalClick(); }

void TFrmLocation::EditDeclinationChange() {
    if (settingDeclination_) return;
    // Text that is not (yet) a number keeps the last value.
    if (std::optional<double> v = ParseNumber(EditDeclination->text().toStdString()); v && std::isfinite(*v)) {
        Declination = *v;
        LabelUnsaved->hide();
    }
}

namespace {
void focusOnEnter(char& Key, QWidget* next) {
    if (Key != 13) return;
    Key = 0;
    next->setFocus(Qt::TabFocusReason);
}
}  // namespace

void TFrmLocation::ComboBoxSiteKeyPress(char& Key) { focusOnEnter(Key, EditLat1); }
void TFrmLocation::EditLat1KeyPress(char& Key) { focusOnEnter(Key, EditLat2); }
void TFrmLocation::EditLat2KeyPress(char& Key) { focusOnEnter(Key, EditLat3); }
void TFrmLocation::EditLat3KeyPress(char& Key) { focusOnEnter(Key, EditLong1); }
void TFrmLocation::EditLong1KeyPress(char& Key) { focusOnEnter(Key, EditLong2); }
void TFrmLocation::EditLong2KeyPress(char& Key) { focusOnEnter(Key, EditLong3); }
void TFrmLocation::EditLong3KeyPress(char& Key) { focusOnEnter(Key, BitBtnAdd); }

bool TFrmLocation::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, e);
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return QDialog::eventFilter(watched, e);
    if (auto* button = qobject_cast<QPushButton*>(watched)) {
        button->click();
        return true;
    }
    char Key = 13;
    if (watched == ComboBoxSite || watched == ComboBoxSite->lineEdit())
        ComboBoxSiteKeyPress(Key);
    else if (watched == EditLat1)
        EditLat1KeyPress(Key);
    else if (watched == EditLat2)
        EditLat2KeyPress(Key);
    else if (watched == EditLat3)
        EditLat3KeyPress(Key);
    else if (watched == EditLong1)
        EditLong1KeyPress(Key);
    else if (watched == EditLong2)
        EditLong2KeyPress(Key);
    else if (watched == EditLong3)
        EditLong3KeyPress(Key);
    return Key == 0 || QDialog::eventFilter(watched, e);
}

}  // namespace brine
