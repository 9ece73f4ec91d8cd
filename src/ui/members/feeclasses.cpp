#include "feeclasses.h"

#include "common/bindings.h"
#include "common/datasetgrid.h"
#include "common/help.h"
#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "session/session.h"

#include <QBoxLayout>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

using namespace ferolind;
using namespace ferolind::ui;

namespace {
const QString kName = QStringLiteral("Name");
const QString kFee = QStringLiteral("Beitrag");
}  // namespace

TBeitragsklassenF::TBeitragsklassenF(ferolind::Session& session, QWidget* parent)
    : QDialog(parent), session_(session), classes_(session.data().feeClasses()) {
    setWindowTitle(QStringLiteral("Beitragsklassen"));
    applyScreenLook(this);

    grid_ = new DatasetGrid(classes_, {kName, kFee}, {QStringLiteral("Name"), QStringLiteral("Beitrag")}, QString(),
                            {136, 0}, this);
    grid_->setObjectName(QStringLiteral("DBGrid1"));
    grid_->setMinimumSize(260, 220);

    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("DBEdit1"));
    fee_ = new QLineEdit(this);
    fee_->setObjectName(QStringLiteral("DBEdit2"));
    bindings_ = new BindingSet(classes_, this);
    bindings_->add<LineEditBinding>(kName, name_);
    bindings_->add<LineEditBinding>(kFee, fee_);

    auto* nameLabel = new QLabel(QStringLiteral("Name"), this);
    nameLabel->setObjectName(QStringLiteral("Label1"));
    nameLabel->setBuddy(name_);
    auto* feeLabel = new QLabel(QStringLiteral("Beitrag"), this);
    feeLabel->setObjectName(QStringLiteral("Label2"));
    feeLabel->setBuddy(fee_);

    auto* navigator = new QWidget(this);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    auto* prior = new QToolButton(navigator);
    prior->setObjectName(QStringLiteral("DBNavigator1Prior"));
    prior->setArrowType(Qt::LeftArrow);
    prior->setToolTip(QStringLiteral("Vorheriges Mitglied"));
    auto* next = new QToolButton(navigator);
    next->setObjectName(QStringLiteral("DBNavigator1Next"));
    next->setArrowType(Qt::RightArrow);
    next->setToolTip(QStringLiteral("Nächstes Mitglied"));
    auto* navLayout = new QHBoxLayout(navigator);
    navLayout->setContentsMargins(0, 0, 0, 0);
    navLayout->setSpacing(2);
    navLayout->addWidget(prior);
    navLayout->addWidget(next);
    navLayout->addStretch();

    auto* form = new QFormLayout;
    form->addRow(nameLabel, name_);
    form->addRow(feeLabel, fee_);
    form->addRow(QString(), navigator);

    auto* neu = new QPushButton(QStringLiteral("NEU"), this);
    neu->setObjectName(QStringLiteral("BNeu"));
    save_ = new QPushButton(QStringLiteral("Speichern"), this);
    save_->setObjectName(QStringLiteral("BSpeichern"));
    auto* del = new QPushButton(QStringLiteral("Löschen"), this);
    del->setObjectName(QStringLiteral("BLoeschen"));
    auto* close = new QPushButton(QStringLiteral("Schließen"), this);
    close->setObjectName(QStringLiteral("BSchliessen"));
    auto* help = new QToolButton(this);
    help->setObjectName(QStringLiteral("SpeedButton1"));
    help->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    help->setToolTip(QStringLiteral("Hile aufrufen"));
    for (QPushButton* b : {neu, save_, del, close}) b->setAutoDefault(false);

    auto* side = new QVBoxLayout;
    side->addLayout(form);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(grid_, 1);
    top->addLayout(side);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(neu);
    buttons->addWidget(save_);
    buttons->addWidget(del);
    buttons->addStretch();
    buttons->addWidget(help);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    connect(neu, &QPushButton::clicked, this, [this] { newClass(); });
    connect(save_, &QPushButton::clicked, this, [this] { save(); });
    connect(del, &QPushButton::clicked, this, [this] { removeClass(); });
    connect(close, &QPushButton::clicked, this, [this] { requestClose(); });
    connect(prior, &QToolButton::clicked, this, [this] { step(-1); });
    connect(next, &QToolButton::clicked, this, [this] { step(1); });
    connect(help, &QToolButton::clicked, this, [this] { openManual(this); });
    // "Speichern" is available while a class is being created or edited.
    connect(&classes_, &Dataset::stateChanged, this, [this] { updateButtons(); });

    updateButtons();
}

int TBeitragsklassenF::exec() {
    prepareShow();
    return QDialog::exec();
}

void TBeitragsklassenF::prepareShow() {
    bindings_->refreshAll();
    updateButtons();
}

void TBeitragsklassenF::updateButtons() { save_->setEnabled(classes_.isOpen() && classes_.isEditing()); }

bool TBeitragsklassenF::hasUnsavedChanges() const {
    if (!classes_.isOpen() || !classes_.isEditing()) return false;
    if (classes_.isModified()) return true;
    for (const QString& f : {kName, kFee})
        if (FieldBinding* b = bindings_->binding(f); b && b->pending()) return true;
    return false;
}

void TBeitragsklassenF::newClass() {
    guarded(this, [this] {
        bindings_->commitAll();  // typed text of the current class is saved with it
        classes_.insert();
        save_->setEnabled(true);
        name_->setFocus();
    });
}

void TBeitragsklassenF::save() {
    guarded(this, [this] {
        if (!classes_.isEditing()) return;
        bindings_->commitAll();  // an amount that is no number stops here, nothing is saved
        save_->setEnabled(false);
        try {
            classes_.post();
        } catch (...) {
            updateButtons();
            throw;
        }
        updateButtons();
    });
}

void TBeitragsklassenF::removeClass() {
    if (!classes_.isOpen() || (classes_.isEmpty() && !classes_.isEditing())) return;
    if (ask(this, QStringLiteral("Möchten Sie diese Beitragsklasse wirklich löschen?")) != Answer::Yes) return;
    guarded(this, [this] { classes_.remove(); });
    bindings_->refreshAll();
}

void TBeitragsklassenF::step(int direction) {
    guarded(this, [this, direction] {
        bindings_->commitAll();
        if (direction < 0)
            classes_.prior();
        else
            classes_.next();
    });
}

bool TBeitragsklassenF::requestClose() {
    if (hasUnsavedChanges()) {
        switch (ask(this, QStringLiteral("Änderungen speichern beim aktuellen Datensatz?"), Buttons::YesNoCancel)) {
            case Answer::Yes: {
                const bool stored = guarded(this, [this] {
                    bindings_->commitAll();
                    classes_.post();
                });
                if (!stored || classes_.isEditing()) return false;  // the screen stays open on the record
                break;
            }
            case Answer::No:
                classes_.cancel();
                bindings_->refreshAll();
                break;
            default: return false;
        }
    } else if (classes_.isOpen() && classes_.isEditing()) {
        classes_.cancel();  // a new class with nothing typed is not kept
    }
    QDialog::done(QDialog::Rejected);
    return true;
}

void TBeitragsklassenF::reject() { requestClose(); }
