#include "statistics.h"

#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "members/memberquery.h"
#include "members/memberrules.h"
#include "session/session.h"
#include "ui_statistics.h"

#include <QLabel>
#include <QPushButton>

using namespace ferolind;
using namespace ferolind::ui;

TStatistikF::TStatistikF(ferolind::Session& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TStatistikF>()), session_(session) {
    ui_->setupUi(this);
    applyScreenLook(this);
    connect(ui_->BSchliessen, &QPushButton::clicked, this, [this] { accept(); });
}

TStatistikF::~TStatistikF() = default;

int TStatistikF::exec() {
    prepareShow();
    return QDialog::exec();
}

void TStatistikF::prepareShow() {
    guarded(this, [this] {
        const QVector<Count> counts =
            memberStatistics(session_.data().members(), session_.memberRules().today());
        for (int i = 0; i < counts.size(); ++i)
            if (auto* l = findChild<QLabel*>(QString::fromLatin1(statistics::controls::kCounts[i])))
                l->setText(QString::number(counts[i].count));
    });
}
