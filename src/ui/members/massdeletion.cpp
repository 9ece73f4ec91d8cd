#include "massdeletion.h"

#include "common/datasetgrid.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "members/memberquery.h"
#include "members/memberrules.h"
#include "selectioncontrols.h"
#include "session/session.h"
#include "ui_massdeletion.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>

using namespace ferolind;
using namespace ferolind::ui;

TSammelloeschenF::TSammelloeschenF(ferolind::Session& session, QWidget* parent)
    : MemberSelectionScreen(session, parent, true), ui_(std::make_unique<Ui::TSammelloeschenF>()) {
    ui_->setupUi(this);
    setUpScreen(ui_->DBGrid1, QStringLiteral("Sammelloeschen"));
    criteria_ = {{ui_->CB1, ui_->CB2, ui_->CB3}, {ui_->E1, ui_->E2, ui_->E3}};

    connect(ui_->Button2, &QPushButton::clicked, this, [this] { showSelection(); });
    connect(ui_->Button3, &QPushButton::clicked, this, [this] { deleteSelection(); });
    connect(ui_->CheckBox1, &QCheckBox::clicked, this, [this] { leavingDateTicked(); });
    connect(ui_->DateTimePickerVon, &QDateEdit::dateChanged, this, [this] { showSelection(); });
    connect(ui_->DateTimePickerBis, &QDateEdit::dateChanged, this, [this] { showSelection(); });
    auto preset = [this](QRadioButton* rb, DatePreset p) {
        connect(rb, &QRadioButton::clicked, this,
                [this, p] { applyRange(presetRange(p, session_.memberRules().today())); });
    };
    preset(ui_->RadioButton1, DatePreset::CurrentMonth);
    preset(ui_->RadioButton4, DatePreset::CurrentQuarter);
    preset(ui_->RadioButton2, DatePreset::CurrentYear);
    connect(ui_->RadioButton3, &QRadioButton::clicked, this, [this] { applyRange(allDates_); });
}

TSammelloeschenF::~TSammelloeschenF() = default;

void TSammelloeschenF::prepareShow() {
    guarded(this, [this] {
        allDates_ = leavingDateSpan(members_);
        setPickers(ui_->DateTimePickerVon, ui_->DateTimePickerBis, allDates_);
    });
    criteria_.refill(labels_);
    leavingDateTicked();
    showSelection();
}

void TSammelloeschenF::applySelection() {
    MassDeletion s;
    s.rows = criteria_.rows();
    s.byLeavingDate = ui_->CheckBox1->isChecked();
    s.from = ui_->DateTimePickerVon->date();
    s.to = ui_->DateTimePickerBis->date();
    members_.applyFilter(massDeletionFilter(s, labels_));
}

bool TSammelloeschenF::showSelection() {
    return guarded(this, [this] { applySelection(); });
}

void TSammelloeschenF::leavingDateTicked() {
    const bool on = ui_->CheckBox1->isChecked();
    ui_->GroupBox3->setEnabled(on);
    ui_->DateTimePickerVon->setEnabled(on);
    ui_->DateTimePickerBis->setEnabled(on);
}

void TSammelloeschenF::applyRange(const DateRange& range) {
    setPickers(ui_->DateTimePickerVon, ui_->DateTimePickerBis, range);
    showSelection();
}

void TSammelloeschenF::deleteSelection() {
    // A selection that cannot be read deletes nothing.
    if (!guarded(this, [this] {
            applySelection();
            members_.first();
        }))
        return;
    if (askDelete(this, massDeletionQuestion(members_.recordCount())) != Answer::Yes) return;
    QProgressDialog progress(QStringLiteral("Mitglieder werden gelöscht …"), QString(), 0, members_.recordCount(), this);
    progress.setObjectName(QString::fromLatin1(massdeletion::controls::kProgress));
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setAutoClose(false);
    QElapsedTimer sinceRedraw;
    sinceRedraw.start();
    guarded(this, [&] {
        deletePresentedMembers(members_, [&](int done, int total) {
            // Redrawn a few times a second: the window stays responsive, the loop fast.
            if (done < total && sinceRedraw.elapsed() < 50) return;
            sinceRedraw.restart();
            progress.setValue(done);
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    });
    progress.close();
}
