// "Kontosalden": every listed asset account with its balance, drawn on a white area
// each time the screen is shown. Where each text goes is balanceOverviewLayout (core);
// the canvas only paints that list. The layout is balancescreen.ui.
#pragma once

#include "booking/accountviews.h"

#include <QDialog>
#include <QWidget>
#include <memory>

namespace Ui {
class TkontosaldoF;
}

namespace ferolind {
class Session;
}

namespace ferolind::ui::balancescreen::controls {
inline constexpr const char* kCanvas = "Image1";
}

namespace ferolind::ui {

// A white area that paints texts at their places, in the default font with a cell height
// of 20 pixels.
class BalanceCanvas : public QWidget {
    Q_OBJECT
public:
    explicit BalanceCanvas(QWidget* parent = nullptr);
    void setTexts(QVector<PlacedText> texts);
    const QVector<PlacedText>& texts() const { return texts_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVector<PlacedText> texts_;
    QFont font_;
};

}  // namespace ferolind::ui

class TkontosaldoF : public QDialog {
    Q_OBJECT
public:
    TkontosaldoF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TkontosaldoF() override;

    int exec() override;
    // Reads the balances and lays them out again.
    void prepareShow();

private:
    std::unique_ptr<Ui::TkontosaldoF> ui_;
    ferolind::Session& session_;
};
