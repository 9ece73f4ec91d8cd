#include "feeclasses.h"

#include "common/bindings.h"
#include "common/datasetgrid.h"
#include "common/help.h"
#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "session/session.h"
#include "ui_feeclasses.h"

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
    : QDialog(parent),
      ui_(std::make_unique<Ui::TBeitragsklassenF>()),
      session_(session),
      classes_(session.data().feeClasses()) {
    ui_->setupUi(this);
    applyScreenLook(this);
    // The style's own symbol, which a layout file cannot name.
    ui_->SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));

    ui_->DBGrid1->setDataset(classes_, {kName, kFee}, {QStringLiteral("Name"), QStringLiteral("Beitrag")}, QString(),
                             {{kName, 136}, {kFee, 0}});
    bindings_ = new BindingSet(classes_, this);
    bindings_->add<LineEditBinding>(kName, ui_->DBEdit1);
    bindings_->add<LineEditBinding>(kFee, ui_->DBEdit2);

    connect(ui_->BNeu, &QPushButton::clicked, this, [this] { newClass(); });
    connect(ui_->BSpeichern, &QPushButton::clicked, this, [this] { save(); });
    connect(ui_->BLoeschen, &QPushButton::clicked, this, [this] { removeClass(); });
    connect(ui_->BSchliessen, &QPushButton::clicked, this, [this] { requestClose(); });
    connect(ui_->DBNavigator1Prior, &QToolButton::clicked, this, [this] { step(-1); });
    connect(ui_->DBNavigator1Next, &QToolButton::clicked, this, [this] { step(1); });
    connect(ui_->SpeedButton1, &QToolButton::clicked, this, [this] { openManual(this); });
    // "Speichern" is available while a class is being created or edited.
    connect(&classes_, &Dataset::stateChanged, this, [this] { updateButtons(); });

    updateButtons();
}

TBeitragsklassenF::~TBeitragsklassenF() = default;

int TBeitragsklassenF::exec() {
    prepareShow();
    return QDialog::exec();
}

void TBeitragsklassenF::prepareShow() {
    // Without a database the screen takes no typing.
    const bool open = classes_.isOpen();
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->DBEdit1, ui_->DBEdit2, ui_->BNeu, ui_->BLoeschen,
                                                      ui_->DBNavigator1Prior, ui_->DBNavigator1Next})
        w->setEnabled(open);
    bindings_->refreshAll();
    updateButtons();
}

void TBeitragsklassenF::updateButtons() { ui_->BSpeichern->setEnabled(classes_.isOpen() && classes_.isEditing()); }

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
        ui_->BSpeichern->setEnabled(true);
        ui_->DBEdit1->setFocus();
    });
}

void TBeitragsklassenF::save() {
    guarded(this, [this] {
        if (!classes_.isEditing()) return;
        bindings_->commitAll();  // an amount that is no number stops here, nothing is saved
        ui_->BSpeichern->setEnabled(false);
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
    if (askDelete(this, QStringLiteral("Möchten Sie diese Beitragsklasse wirklich löschen?")) != Answer::Yes) return;
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
