// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmOptionsReminder.h"

#include "birthdays/modAutostart.h"
#include "birthdays/modReminder.h"
#include "language/modLanguage.h"
#include "startup/Platform.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "widgets/WidgetRules.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template <typename Widget> Widget* Named(Widget* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

// The boxes count from 0, the stored names from 1.
SettingKey OnceKey(int index)
{
    return {Setting::ReminderOnce, index + 1};
}

// A day box shows a stored number; anything else leaves its row unticked and empty.
void FillDayRow(const QString& stored, QCheckBox* check, DaySpinBox* box)
{
    const std::optional<int> days = modReminder::DayNumber(stored);
    check->setChecked(days.has_value());
    if (days)
        box->setValue(*days);
    else
        box->clear();
}

// Printable characters other than digits; backspace, Enter, Tab and shortcuts such as
// Ctrl+A pass (what a shortcut pastes still has to be a number).
bool IsRefusedKey(const QKeyEvent* key)
{
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString text = key->text();
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c.isPrint() && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return true;
    return false;
}

} // namespace

DaySpinBox::DaySpinBox(QWidget* parent) : QSpinBox(parent)
{
    setRange(0, frmOptionsReminder::MaxDays);
    setSingleStep(1);
}

frmOptionsReminder::frmOptionsReminder(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOptionsReminder"));

    chkBirthdayreminder = Named(new QCheckBox(this), QStringLiteral("chkBirthdayreminder"));

    const auto dayRow = [this](QGroupBox* frame, QGridLayout* grid, int row, const QString& checkName,
                               const QString& boxName, const QString& textName) {
        auto* check = Named(new QCheckBox(frame), checkName);
        auto* box = Named(new DaySpinBox(frame), boxName);
        box->lineEdit()->setObjectName(textName);
        box->installEventFilter(this);
        box->lineEdit()->installEventFilter(this);
        auto* label = Named(new QLabel(frame), QStringLiteral("lblDays"));
        grid->addWidget(check, row, 0);
        grid->addWidget(box, row, 1);
        grid->addWidget(label, row, 2);
        lblDays << label;
        connect(check, &QCheckBox::clicked, this, &frmOptionsReminder::UpdateControls);
        return std::make_pair(check, box);
    };

    fraSince = Named(new QGroupBox(this), QStringLiteral("fraSince"));
    auto* sinceGrid = new QGridLayout(fraSince);
    std::tie(chkSince, udSince) = dayRow(fraSince, sinceGrid, 0, QStringLiteral("chkSince"), QStringLiteral("udSince"),
                                         QStringLiteral("txtSince"));
    txtSince = udSince->lineEdit();
    sinceGrid->setColumnStretch(2, 1);

    fraOnce = Named(new QGroupBox(this), QStringLiteral("fraOnce"));
    auto* onceGrid = new QGridLayout(fraOnce);
    for (int i = 0; i < 3; ++i) {
        const auto [check, box] = dayRow(fraOnce, onceGrid, i, QStringLiteral("chkOnce"), QStringLiteral("udOnce"),
                                         QStringLiteral("txtOnce"));
        chkOnce << check;
        udOnce << box;
        txtOnce << box->lineEdit();
    }
    onceGrid->setColumnStretch(2, 1);

    fraSound = Named(new QGroupBox(this), QStringLiteral("fraSound"));
    chkSound = Named(new QCheckBox(fraSound), QStringLiteral("chkSound"));
    txtSound = Named(new QLineEdit(fraSound), QStringLiteral("txtSound"));
    // Room for a path, not only for its end.
    txtSound->setMinimumWidth(txtSound->fontMetrics().averageCharWidth() * 36);
    cmdBrowse = Named(new QPushButton(fraSound), QStringLiteral("cmdBrowse"));
    auto* soundRow = new QHBoxLayout(fraSound);
    soundRow->addWidget(chkSound);
    soundRow->addWidget(txtSound, 1);
    soundRow->addWidget(cmdBrowse);

    auto* buttons = new QHBoxLayout;
    const WidgetRules::OkCancel okCancel = WidgetRules::AddOkCancel(this, buttons, [this] {
        SaveSettings();
        accept();
    });
    cmdOK = okCancel.ok;
    cmdCancel = okCancel.cancel;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chkBirthdayreminder);
    layout->addWidget(fraSince);
    layout->addWidget(fraOnce);
    layout->addWidget(fraSound);
    layout->addLayout(buttons);

    connect(chkBirthdayreminder, &QCheckBox::clicked, this, &frmOptionsReminder::UpdateControls);
    connect(chkSound, &QCheckBox::clicked, this, &frmOptionsReminder::UpdateControls);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmOptionsReminder::BrowseSound);

    LoadLanguage();
    LoadSettings();
}

void frmOptionsReminder::LoadLanguage()
{
    setWindowTitle(T("Birthday reminder"));
    chkBirthdayreminder->setText(T("Birthday reminder"));
    fraSound->setTitle(T("Sound"));
    cmdBrowse->setText(T("Browse") + QStringLiteral("..."));
    fraSince->setTitle(T("Since"));
    fraOnce->setTitle(T("Once"));
    for (QLabel* label : std::as_const(lblDays))
        label->setText(T("day(s) before birthday"));
    WidgetRules::TranslateOkCancel({cmdOK, cmdCancel});
    // The check boxes beside the boxes have no caption of their own; their frame names them.
    chkSince->setAccessibleName(fraSince->title());
    for (QCheckBox* check : std::as_const(chkOnce))
        check->setAccessibleName(fraOnce->title());
    chkSound->setAccessibleName(fraSound->title());
}

void frmOptionsReminder::LoadSettings()
{
    chkBirthdayreminder->setChecked(modSettings::IsOn(Setting::BirthdayReminder));
    chkSound->setChecked(modSettings::IsOn(Setting::ReminderSound));
    txtSound->setText(modSettings::Get(Setting::ReminderSoundPath));
    FillDayRow(modSettings::Get(Setting::ReminderSince), chkSince, udSince);
    for (int i = 0; i < 3; ++i)
        FillDayRow(modSettings::Get(OnceKey(i)), chkOnce.at(i), udOnce.at(i));
    UpdateControls();
}

void frmOptionsReminder::UpdateControls()
{
    const bool on = chkBirthdayreminder->isChecked();
    for (QWidget* widget : std::initializer_list<QWidget*>{fraSince, fraOnce, chkSound, chkSince})
        widget->setEnabled(on);
    for (QCheckBox* check : std::as_const(chkOnce))
        check->setEnabled(on);
    txtSound->setEnabled(on && chkSound->isChecked());
    cmdBrowse->setEnabled(on && chkSound->isChecked());
    const bool since = on && chkSince->isChecked();
    udSince->setEnabled(since);
    lblDays.at(0)->setEnabled(since);
    for (int i = 0; i < 3; ++i) {
        const bool once = on && chkOnce.at(i)->isChecked();
        udOnce.at(i)->setEnabled(once);
        lblDays.at(i + 1)->setEnabled(once);
    }
}

void frmOptionsReminder::SaveSettings()
{
    modSettings::SetOn(Setting::ReminderSound, chkSound->isChecked());
    modSettings::Set(Setting::ReminderSoundPath, modEnvironment::AbsolutePath(txtSound->text()));
    if (chkSince->isChecked())
        modSettings::Set(Setting::ReminderSince, txtSince->text());
    else
        modSettings::Remove(Setting::ReminderSince);
    for (int i = 0; i < 3; ++i) {
        if (chkOnce.at(i)->isChecked())
            modSettings::Set(OnceKey(i), txtOnce.at(i)->text());
        else
            modSettings::Remove(OnceKey(i));
    }
    // Switched on last: a reminder started now at once must see the days just chosen.
    const QString stored = modSettings::Get(Setting::BirthdayReminder);
    QString error;
    if (chkBirthdayreminder->isChecked() && stored != QLatin1String("1")) {
        if (!modAutostart::EnableReminder(&error))
            Platform::inform(T("Error"), error);
    } else if (!chkBirthdayreminder->isChecked() && stored != QLatin1String("0")) {
        if (!modAutostart::DisableReminder(&error))
            Platform::inform(T("Error"), error);
    }
}

void frmOptionsReminder::BrowseSound()
{
    const QString path = Platform::current().openFileName(T("Open"), T("Sound") + QStringLiteral(" (*.wav)|*.wav"),
                                                          modEnvironment::ProgramFolder() + QStringLiteral("Sound/"));
    if (path.isEmpty())
        return;
    txtSound->setText(path);
    Platform::current().playSound(path);
}

bool frmOptionsReminder::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && IsRefusedKey(static_cast<QKeyEvent*>(event))) {
        QApplication::beep();
        emit typingRefused();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
