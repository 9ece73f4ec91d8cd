#include "balancescreen.h"

#include "booking/accounts.h"
#include "common/look.h"
#include "common/messages.h"
#include "session/session.h"
#include "ui_balancescreen.h"

#include <QFontMetrics>
#include <QPainter>

using namespace ferolind;
using namespace ferolind::ui;

namespace ferolind::ui {

BalanceCanvas::BalanceCanvas(QWidget* parent) : QWidget(parent) {
    setFixedSize(balanceoverview::kWidth, balanceoverview::kHeight);
    // The default font at the largest pixel size whose lines are at most 20 pixels high.
    font_ = font();
    int pixels = balanceoverview::kCellHeight;
    font_.setPixelSize(pixels);
    while (pixels > 6 && QFontMetrics(font_).height() > balanceoverview::kCellHeight) font_.setPixelSize(--pixels);
    font_.setBold(false);
    font_.setItalic(false);
}

void BalanceCanvas::setTexts(QVector<PlacedText> texts) {
    texts_ = std::move(texts);
    update();
}

void BalanceCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(Qt::black);
    p.setFont(font_);
    for (const PlacedText& t : texts_)
        p.drawText(QRect(t.x, t.y, width() - t.x, balanceoverview::kCellHeight), Qt::AlignLeft | Qt::AlignTop,
                   t.text);
}

}  // namespace ferolind::ui

TkontosaldoF::TkontosaldoF(Session& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TkontosaldoF>()), session_(session) {
    ui_->setupUi(this);
    applyScreenLook(this);
    setFixedSize(balanceoverview::kWidth, balanceoverview::kHeight);
}

TkontosaldoF::~TkontosaldoF() = default;

int TkontosaldoF::exec() {
    prepareShow();
    return QDialog::exec();
}

void TkontosaldoF::prepareShow() {
    guarded(this, [this] { ui_->Image1->setTexts(balanceOverviewLayout(accountBalances(session_.data()))); });
}
