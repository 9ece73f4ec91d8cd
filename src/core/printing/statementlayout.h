// The monthly or annual statement: per month (or year) of a date range the sums per
// income and expense category, the period totals, then every asset account's balance.
// Bookings whose category is an asset account (transfers) are never counted.
#pragma once

#include "data/values.h"
#include "printjob.h"

#include <QDate>
#include <QStringList>
#include <QVector>

namespace ferolind {
class Dataset;
class SettingsStore;
}  // namespace ferolind

namespace ferolind::printing {

class StatementLayout : public PageLayout {
public:
    StatementLayout(Dataset& bookings, SettingsStore& settings);

    QString title;
    QDate from, to;
    bool monthly = false;

    void prepare(Canvas&, int, int) override {}
    int drawPage(Canvas& canvas, int W, int H, int page) override;

private:
    struct Sum {
        QString category;
        Money amount = 0;
    };
    struct Period {
        QDate start, end;  // end: the first day after the period
        QString label;
    };
    Period periodOf(const QDate& day) const;
    void drawHeader();
    void drawBlock(const Period& period);

    Dataset& bookings_;
    SettingsStore& settings_;
    // Drawing state of one page request.
    Canvas* c_ = nullptr;
    GatedCanvas* gate_ = nullptr;
    double sx_ = 1, sy_ = 1;
    int y_ = 0, page_ = 1, requested_ = 1;
    bool complete_ = false;
    QVector<Sum> income_, expense_;
};

}  // namespace ferolind::printing
