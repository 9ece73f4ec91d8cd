#include "columnsscreen.h"

#include "common/keyboard.h"
#include "common/help.h"
#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "members/columnsettings.h"
#include "session/session.h"
#include "ui_columnsscreen.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

using namespace ferolind;
using namespace ferolind::ui;

namespace {
QString labelName(int i) { return QStringLiteral("S%1").arg(i + 1); }
}  // namespace

TZellenZeigenF::TZellenZeigenF(ferolind::Session& session, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TZellenZeigenF>()),
      session_(session),
      accepted_(kAllMemberColumns),
      working_(kAllMemberColumns) {
    ui_->setupUi(this);
    ui::makeDefaultButton(ui_->BNeu);  // Enter presses it
    applyScreenLook(this);
    // The style's own symbol, which a layout file cannot name.
    ui_->SpeedButton4->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));

    connect(ui_->SpeedButton1, &QToolButton::clicked, this, [this] { move(ui_->LBrest, true); });
    connect(ui_->SpeedButton2, &QToolButton::clicked, this, [this] { move(ui_->LBang, false); });
    connect(ui_->BNeu, &QPushButton::clicked, this, [this] {
        accepted_ = working_;
        accept();
    });
    connect(ui_->BSchliessen, &QPushButton::clicked, this, [this] { reject(); });
    connect(ui_->SpeedButton4, &QToolButton::clicked, this, [this] { openManual(this); });
}

TZellenZeigenF::~TZellenZeigenF() = default;

QLineEdit* TZellenZeigenF::labelField(int i) const {
    QLineEdit* fields[] = {ui_->ES1, ui_->ES2, ui_->ES3, ui_->ES4};
    return fields[i];
}

int TZellenZeigenF::exec() {
    prepareShow();
    return QDialog::exec();
}

QStringList TZellenZeigenF::titles() const {
    if (titles_.size() >= kMemberColumnCount) return titles_;
    // Without titles from the caller: the standard ones under the labels being edited.
    FreeFieldLabels labels;
    for (int i = 0; i < 4; ++i)
        if (!labelField(i)->text().isEmpty()) labels.s[i] = labelField(i)->text();
    return memberColumnTitles(labels);
}

void TZellenZeigenF::prepareShow() {
    SettingsStore& settings = session_.data().settings();
    guarded(this, [&] {
        for (int i = 0; i < 4; ++i) {
            labelField(i)->setText(settings.DbSettingGet(labelName(i)));
            settings.DbSettingSet(labelName(i), labelField(i)->text());
        }
    });
    working_ = accepted_;
    fillLists();
}

void TZellenZeigenF::fillLists() {
    const ColumnLists lists = columnLists(working_, titles());
    ui_->LBang->clear();
    ui_->LBang->addItems(lists.shown);
    ui_->LBrest->clear();
    ui_->LBrest->addItems(lists.rest);
}

void TZellenZeigenF::move(QListWidget* from, bool show) {
    QStringList selected;
    for (int i = 0; i < from->count(); ++i)
        if (from->item(i)->isSelected()) selected << from->item(i)->text();
    working_ = moveEntries(working_, selected, titles(), show);
    fillLists();
}

void TZellenZeigenF::done(int result) {
    SettingsStore& settings = session_.data().settings();
    guarded(this, [&] {
        for (int i = 0; i < 4; ++i) settings.DbSettingSet(labelName(i), labelField(i)->text());
    });
    QDialog::done(result);
    emit closedWithLabels();
}
