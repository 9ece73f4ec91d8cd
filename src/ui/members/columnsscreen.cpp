#include "columnsscreen.h"

#include "common/help.h"
#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "members/columnsettings.h"
#include "session/session.h"

#include <QBoxLayout>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
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
    : QDialog(parent), session_(session), accepted_(kAllMemberColumns), working_(kAllMemberColumns) {
    setWindowTitle(QStringLiteral("Anzuzeigende Spalten"));
    applyScreenLook(this);

    auto* heading = new QLabel(QStringLiteral("Mitgliedertabelle"), this);
    heading->setObjectName(QStringLiteral("Label3"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    auto* shownLabel = new QLabel(QStringLiteral("angezeigte Spalten"), this);
    shownLabel->setObjectName(QStringLiteral("Label1"));
    auto* restLabel = new QLabel(QStringLiteral("restliche Spalten"), this);
    restLabel->setObjectName(QStringLiteral("Label2"));
    shown_ = new QListWidget(this);
    shown_->setObjectName(QStringLiteral("LBang"));
    rest_ = new QListWidget(this);
    rest_->setObjectName(QStringLiteral("LBrest"));
    for (QListWidget* l : {shown_, rest_}) {
        l->setSelectionMode(QAbstractItemView::ExtendedSelection);
        l->setMinimumSize(170, 260);
    }
    shownLabel->setBuddy(shown_);
    restLabel->setBuddy(rest_);

    auto* toShown = new QToolButton(this);
    toShown->setObjectName(QStringLiteral("SpeedButton1"));
    toShown->setArrowType(Qt::LeftArrow);
    auto* toRest = new QToolButton(this);
    toRest->setObjectName(QStringLiteral("SpeedButton2"));
    toRest->setArrowType(Qt::RightArrow);
    auto* arrows = new QVBoxLayout;
    arrows->addStretch();
    arrows->addWidget(toShown);
    arrows->addWidget(toRest);
    arrows->addStretch();

    auto* lists = new QGridLayout;
    lists->addWidget(shownLabel, 0, 0);
    lists->addWidget(restLabel, 0, 2);
    lists->addWidget(shown_, 1, 0);
    lists->addLayout(arrows, 1, 1);
    lists->addWidget(rest_, 1, 2);

    auto* group = new QGroupBox(QStringLiteral("Feldnamen"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto* form = new QFormLayout(group);
    for (int i = 0; i < 4; ++i) {
        labels_[i] = new QLineEdit(group);
        labels_[i]->setObjectName(QStringLiteral("ES%1").arg(i + 1));
        form->addRow(FreeFieldLabels::defaultLabel(i), labels_[i]);
    }

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BNeu"));
    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("BSchliessen"));
    for (QPushButton* b : {ok, cancel}) b->setAutoDefault(false);
    auto* help = new QToolButton(this);
    help->setObjectName(QStringLiteral("SpeedButton4"));
    help->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    help->setToolTip(QStringLiteral("Hile aufrufen"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(help);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(lists, 1);
    layout->addWidget(group);
    layout->addLayout(buttons);

    connect(toShown, &QToolButton::clicked, this, [this] { move(rest_, true); });
    connect(toRest, &QToolButton::clicked, this, [this] { move(shown_, false); });
    connect(ok, &QPushButton::clicked, this, [this] {
        accepted_ = working_;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(help, &QToolButton::clicked, this, [this] { openManual(this); });
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
        if (!labels_[i]->text().isEmpty()) labels.s[i] = labels_[i]->text();
    return memberColumnTitles(labels);
}

void TZellenZeigenF::prepareShow() {
    SettingsStore& settings = session_.data().settings();
    guarded(this, [&] {
        for (int i = 0; i < 4; ++i) {
            labels_[i]->setText(settings.DbSettingGet(labelName(i)));
            settings.DbSettingSet(labelName(i), labels_[i]->text());
        }
    });
    working_ = accepted_;
    fillLists();
}

void TZellenZeigenF::fillLists() {
    const ColumnLists lists = columnLists(working_, titles());
    shown_->clear();
    shown_->addItems(lists.shown);
    rest_->clear();
    rest_->addItems(lists.rest);
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
        for (int i = 0; i < 4; ++i) settings.DbSettingSet(labelName(i), labels_[i]->text());
    });
    QDialog::done(result);
    emit closedWithLabels();
}
