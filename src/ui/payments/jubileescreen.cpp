#include "jubileescreen.h"

#include "common/keyboard.h"
#include "common/datasetgrid.h"
#include "common/help.h"
#include "common/messages.h"
#include "data/dataset.h"
#include "members/jubilees.h"
#include "members/memberrules.h"
#include "session/session.h"
#include "ui_jubileescreen.h"

#include <QCheckBox>
#include <QEvent>
#include <QMouseEvent>
#include <QStyle>

using namespace ferolind;
using namespace ferolind::ui;

TJubiF::TJubiF(Session& session, QWidget* parent)
    : MemberSelectionScreen(session, parent, false), ui_(std::make_unique<Ui::TJubiF>()) {
    ui_->setupUi(this);
    ui::makeDefaultButton(ui_->BLoeschen);  // Enter presses it
    setUpScreen(ui_->DBGrid1, QStringLiteral("Jubi"));
    ui_->SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    for (int n : jubileeYears()) yearBoxes_ << findChild<QCheckBox*>(QStringLiteral("CB%1").arg(n));

    auto build = [this] { guarded(this, [this] { buildList(); }); };
    for (QRadioButton* rb : {ui_->RadioGroup3_0, ui_->RadioGroup3_1, ui_->RadioGroup3_2, ui_->RadioGroup2_0,
                             ui_->RadioGroup2_1})
        connect(rb, &QRadioButton::clicked, this, build);
    connect(ui_->BLoeschen, &QPushButton::clicked, this, build);
    connect(ui_->SRColorButton1, &QPushButton::clicked, this, [this] {
        if (printList) guarded(this, printList);
    });
    connect(ui_->SpeedButton1, &QToolButton::clicked, this, [this] { openManual(this); });
    // A click on the free area of the year group builds the list; ticking a box does not.
    ui_->GroupBox1->installEventFilter(this);
}

TJubiF::~TJubiF() = default;

bool TJubiF::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->GroupBox1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        guarded(this, [this] { buildList(); });
    return MemberSelectionScreen::eventFilter(watched, event);
}

void TJubiF::prepareShow() {
    guarded(this, [this] {
        if (members_.isOpen()) members_.applyFilter(kNoMemberFilter);
    });
}

QString TJubiF::filterText() const {
    const QDate today = session_.memberRules().today();
    if (ui_->PageControl1->currentIndex() == 0) {
        const BirthdayChoice choice = ui_->RadioGroup3_0->isChecked()   ? BirthdayChoice::Today
                                      : ui_->RadioGroup3_1->isChecked() ? BirthdayChoice::Month
                                      : ui_->RadioGroup3_2->isChecked() ? BirthdayChoice::Quarter
                                                                        : BirthdayChoice::None;
        return birthdayFilter(choice, today);
    }
    QList<int> years;
    const QList<int> all = jubileeYears();
    for (int i = 0; i < yearBoxes_.size(); ++i)
        if (yearBoxes_[i]->isChecked()) years << all[i];
    return jubileeFilter(ui_->RadioGroup2_0->isChecked(), years, today);
}

void TJubiF::buildList() {
    if (members_.isOpen()) members_.applyFilter(filterText());
}
