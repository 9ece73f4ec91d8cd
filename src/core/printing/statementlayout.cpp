#include "statementlayout.h"

#include "data/dataset.h"
#include "data/settings.h"

#include <algorithm>

namespace ferolind::printing {

namespace {
const QString kArial = QStringLiteral("Arial");
}  // namespace

StatementLayout::StatementLayout(Dataset& bookings, SettingsStore& settings) : bookings_(bookings), settings_(settings) {}

StatementLayout::Period StatementLayout::periodOf(const QDate& day) const {
    if (monthly) {
        const QDate start(day.year(), day.month(), 1);
        return {start, start.addMonths(1), QStringLiteral("%1 / %2").arg(day.month()).arg(day.year())};
    }
    const QDate start(day.year(), 1, 1);
    return {start, start.addYears(1), QString::number(day.year())};
}

void StatementLayout::drawHeader() {
    c_->setFont(kArial, N(130 * sy_));
    c_->setAlign(HAlign::Center, VAlign::Top);
    c_->drawText(N(2268 * sx_), N(108 * sy_), title);
    c_->setPenWidth(N(11 * sy_));
    c_->line(0, N(108 * sy_), N(5000 * sx_), N(108 * sy_));
    c_->line(0, N(259 * sy_), N(5000 * sx_), N(259 * sy_));
    c_->setFont(kArial, N(71 * sy_));
}

void StatementLayout::drawBlock(const Period& period) {
    const QString kind = monthly ? QStringLiteral("Monatsabschluss ") : QStringLiteral("Jahresabschluss ");
    const QString continued =
        monthly ? QStringLiteral("Monatsabschluss (Fortsetzung) ") : QStringLiteral("Jahresabschluss (Fortsetzung) ");
    c_->setFont(kArial, N(120 * sy_), FontStyle{false, false, true});
    c_->setAlign(HAlign::Left, VAlign::Top);
    if (y_ <= N(6048 * sy_)) c_->drawText(N(200 * sx_), y_, kind + period.label);
    c_->setFont(kArial, N(86 * sy_));
    y_ += N(194 * sy_);
    Money incomeTotal = 0, expenseTotal = 0;
    const int rows = std::max(income_.size(), expense_.size());
    for (int i = 0; i < rows; ++i) {
        const bool needPage = i == 0 ? y_ > N(5820 * sy_) : y_ > N(6048 * sy_);
        if (needPage) {
            if (page_ == requested_) {
                complete_ = true;
                return;
            }
            c_->clearCanvas();
            ++page_;
            gate_->open = page_ == requested_;
            drawHeader();
            y_ = N(378 * sy_);
            c_->setAlign(HAlign::Left, VAlign::Top);
            c_->setFont(kArial, N(119 * sy_), FontStyle{false, false, true});
            c_->drawText(N(432 * sx_), y_, (i > 0 ? continued : kind) + period.label);
            c_->setFont(kArial, N(86 * sy_));
            y_ += N(194 * sy_);
        }
        if (i < income_.size()) {
            c_->setAlign(HAlign::Left, VAlign::Top);
            c_->drawText(N(432 * sx_), y_, income_[i].category);
            c_->setAlign(HAlign::Right, VAlign::Top);
            c_->drawText(N(2160 * sx_), y_, moneyToCurrency(income_[i].amount));
            incomeTotal += income_[i].amount;
        }
        if (i < expense_.size()) {
            c_->setAlign(HAlign::Left, VAlign::Top);
            c_->drawText(N(2376 * sx_), y_, expense_[i].category);
            c_->setAlign(HAlign::Right, VAlign::Top);
            c_->drawText(N(4104 * sx_), y_, moneyToCurrency(-expense_[i].amount));
            expenseTotal -= expense_[i].amount;
        }
        y_ += N(86 * sx_);
    }
    y_ += N(54 * sx_);
    // The alignment last set: right-aligned after rows, left-aligned for an empty block.
    c_->drawText(N(1728 * sx_), y_, QStringLiteral("Summe Einnahmen: ") + moneyToCurrency(incomeTotal));
    c_->drawText(N(3888 * sx_), y_, QStringLiteral("Summe Ausgaben: ") + moneyToCurrency(expenseTotal));
    y_ += N(324 * sx_);
    c_->setAlign(HAlign::Left, VAlign::Top);
}

int StatementLayout::drawPage(Canvas& canvas, int W, int H, int page) {
    sx_ = double(W) / 4961;
    sy_ = double(H) / 7016;
    GatedCanvas gate(canvas);
    gate.open = page == 1;
    c_ = &gate;
    gate_ = &gate;
    requested_ = page;
    page_ = 1;
    complete_ = false;
    income_.clear();
    expense_.clear();
    const QStringList accounts = settings_.DbSettingGetList(QStringLiteral("bestandskonten"));

    drawHeader();
    y_ = N(376 * sy_);

    // The bookings of the range by date (those of one day in the order they were stored),
    // so that a booking entered late still counts in its own month. The last day counts
    // with its times.
    const int date = bookings_.field(QStringLiteral("Datum"));
    const int dir = bookings_.field(QStringLiteral("SollHaben"));
    const int cat = bookings_.field(QStringLiteral("Kategorie"));
    const int amount = bookings_.field(QStringLiteral("Betrag"));
    struct Item {
        QDate day;
        int index;
    };
    QVector<Item> items;
    for (int i = 0; i < bookings_.totalCount(); ++i) {
        const QDate d = toDateTime(bookings_.recordAt(i)[date]).date();
        if (d.isValid() && d >= from && d <= to) items.push_back({d, i});
    }
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.day < b.day; });

    Period period = periodOf(from);
    auto add = [&](QVector<Sum>& list, const QString& category, Money m) {
        for (Sum& s : list)
            if (s.category == category) {
                s.amount += m;
                return;
            }
        if (!accounts.contains(category)) list.push_back({category, m});
    };
    for (const Item& item : items) {
        while (item.day >= period.end) {
            drawBlock(period);
            if (complete_) return 0;
            for (Sum& s : income_) s.amount = 0;
            for (Sum& s : expense_) s.amount = 0;
            period = periodOf(period.end);
        }
        const RowRef r = bookings_.recordAt(item.index);
        const QString direction = r[dir].toString();
        if (direction == u"E")
            add(income_, r[cat].toString(), r[amount].toLongLong());
        else if (direction == u"A")
            add(expense_, r[cat].toString(), r[amount].toLongLong());
    }
    drawBlock(period);
    if (complete_) return 0;

    // The balances as stored now; these lines never break the page.
    gate.open = page_ == requested_;
    y_ += N(100 * sy_);
    for (const QString& account : accounts) {
        c_->drawText(N(300 * sx_), y_, QStringLiteral("Saldo ") + account + QStringLiteral(": ") +
                                            moneyToCurrency(settings_.AccountBalanceGet(account)));
        y_ += N(100 * sy_);
    }
    // Asked for a page beyond the end: the last page is what the canvas shows.
    if (!gate.open) {
        const int last = page_;
        drawPage(canvas, W, H, last);
        return last;
    }
    return page;
}

}  // namespace ferolind::printing
