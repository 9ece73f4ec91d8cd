#include "memberquery.h"

#include "data/connection.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/filter.h"
#include "data/values.h"

namespace ferolind {

const QString kMassDeletionQuestion = QStringLiteral("Wollen Sie die unten angezeigten Mitglieder wirklich löschen?");

QString massDeletionQuestion(int count) {
    if (count == 1) return QStringLiteral("Wollen Sie das unten angezeigte Mitglied wirklich löschen?");
    return QStringLiteral("Wollen Sie die unten angezeigten %1 Mitglieder wirklich löschen?").arg(count);
}

namespace {

// A clause joins text that exists with " and "; otherwise it starts the text.
void appendWithAnd(QString& text, const QString& clause) {
    text += text.isEmpty() ? clause : QStringLiteral(" and ") + clause;
}

QString rangeClause(const QString& field, const QDate& from, const QDate& to) {
    return QStringLiteral("%1 >= '%2' and %1 <= '%3'").arg(field, dateToText(from), dateToText(to));
}

// Puts the display updates of a dataset on hold for one scope.
struct DisplaySuspended {
    Dataset& d;
    explicit DisplaySuspended(Dataset& dataset) : d(dataset) { d.disableControls(); }
    ~DisplaySuspended() { d.enableControls(); }
};

}  // namespace

QStringList criteriaBoxItems(const FreeFieldLabels& labels) { return QStringList{kNoCriterion} + memberColumnTitles(labels); }

QString criteriaFilter(const CriteriaRows& rows, const FreeFieldLabels& labels) {
    QString text;
    for (const Criterion& c : rows) {
        if (c.title == kNoCriterion) continue;
        const QString field = TitleToField(c.title, labels);
        if (field.isEmpty())
            throw DataError(QStringLiteral("»%1« ist keine Spalte der Mitgliedertabelle: bitte eine Spalte aus der "
                                           "Liste oder LEER wählen.")
                                .arg(c.title));
        const QString clause = field + QStringLiteral(" = ") + quoteFilterText(c.value);
        // No blank before "and": it follows the closing quote directly.
        text += text.isEmpty() ? clause : QStringLiteral("and ") + clause;
    }
    return text;
}

QString memberQueryFilter(const MemberQuery& query, const FreeFieldLabels& labels) {
    QString text = criteriaFilter(query.rows, labels);
    switch (query.date) {
        case QueryDate::EntryDate:
            appendWithAnd(text, rangeClause(QStringLiteral("EintrittDatum"), query.from, query.to));
            break;
        case QueryDate::BirthDate:
            appendWithAnd(text, rangeClause(QStringLiteral("Geburtsdatum"), query.from, query.to));
            break;
        case QueryDate::LeavingDateEmpty: appendWithAnd(text, QStringLiteral("Austrittdatum = NULL")); break;
        case QueryDate::Off: break;
    }
    return text;
}

QString memberQuerySort(const QString& title1, const QString& title2, const FreeFieldLabels& labels) {
    QStringList keys;
    for (const QString& t : {title1, title2}) {
        const QString f = TitleToField(t, labels);
        if (!f.isEmpty()) keys << f;
    }
    return keys.isEmpty() ? QStringLiteral("ID") : keys.join(QLatin1Char(';'));
}

QString leaversFilter(const QDate& from, const QDate& to) {
    return rangeClause(QStringLiteral("AustrittDatum"), from, to);
}

QString massDeletionFilter(const MassDeletion& selection, const FreeFieldLabels& labels) {
    QString text = criteriaFilter(selection.rows, labels);
    if (selection.byLeavingDate)
        appendWithAnd(text, rangeClause(QStringLiteral("AustrittDatum"), selection.from, selection.to));
    return text;
}

DateRange leavingDateSpan(const Dataset& members) {
    const QDate dayZero(1899, 12, 30);
    QDate earliest = dayZero.addDays(999999), latest = dayZero;
    bool any = false;
    const int f = members.field(QStringLiteral("AustrittDatum"));
    for (int i = 0; i < members.totalCount(); ++i) {
        const QVariant& v = members.recordAt(i)[f];
        if (v.isNull()) continue;
        const QDate d = v.typeId() == QMetaType::QDateTime ? v.toDateTime().date() : v.toDate();
        if (!d.isValid()) continue;
        if (!any || d < earliest) earliest = d;
        if (!any || d > latest) latest = d;
        any = true;
    }
    return {earliest, latest};
}

int deletePresentedMembers(Dataset& members, const DeletionProgress& progress) {
    members.checkBrowseMode();
    const int total = members.recordCount();
    if (total == 0) return 0;
    DisplaySuspended quiet(members);
    Transaction tx(members.connection());
    members.first();
    int done = 0;
    while (members.recordCount() > 0) {
        const QString name =
            (members.text(QStringLiteral("Vorname")) + ' ' + members.text(QStringLiteral("Nachname"))).trimmed();
        const QString number = members.text(QStringLiteral("ID"));
        const QString who = name.isEmpty() ? number : QStringLiteral("%1 (%2)").arg(number, name);
        const int before = members.recordCount();
        try {
            members.remove();
        } catch (const DataError& e) {
            throw DataError(
                QStringLiteral("Das Mitglied Nr. %1 kann nicht gelöscht werden: %2\nEs wurde kein Mitglied gelöscht.")
                    .arg(who, e.message()));
        }
        if (members.recordCount() >= before)
            throw DataError(QStringLiteral("Das Mitglied Nr. %1 wurde nicht gelöscht.\nEs wurde kein Mitglied gelöscht.")
                                .arg(who));
        ++done;
        if (progress) progress(done, total);
    }
    tx.commit();
    return done;
}

QString ageLimit(const QDate& today, int years) {
    return QStringLiteral("%1.%2.%3").arg(today.day()).arg(today.month()).arg(today.year() - years);
}

QVector<CountFilter> statisticsFilters(const QDate& today) {
    QVector<CountFilter> f = {
        {QStringLiteral("männlich:"), QStringLiteral("Geschlecht = 'Männlich'")},
        {QStringLiteral("weiblich:"), QStringLiteral("Geschlecht = 'Weiblich'")},
        {QStringLiteral("aktiv:"), QStringLiteral("Status = 'aktiv'")},
        {QStringLiteral("passiv:"), QStringLiteral("Status = 'passiv'")},
    };
    struct Group {
        const char* label;
        int a, b;
    };
    static const Group groups[] = {{"bis 6:", 0, 7},   {"6 - 12", 7, 13},  {"13 - 17", 13, 18}, {"18 - 24", 18, 25},
                                   {"25 - 29", 25, 30}, {"30 - 39", 30, 40}, {"40 - 49", 40, 50}, {"50 - 59", 50, 60},
                                   {"60 - 69", 60, 70}, {"70 - 79", 70, 80}, {"ab 80", 80, 90}};
    // A member born on the day n years ago is n years old: born on or before limit(a) and
    // after limit(b) is aged a to b - 1. The first group's text has two blanks after ">".
    bool first = true;
    for (const Group& g : groups) {
        const QString between = first ? QStringLiteral("' and Geburtsdatum >  '") : QStringLiteral("' and Geburtsdatum > '");
        first = false;
        f.append({QString::fromUtf8(g.label),
                  QStringLiteral("Geburtsdatum <= '") + ageLimit(today, g.a) + between + ageLimit(today, g.b) + "'"});
    }
    return f;
}

QVector<Count> memberStatistics(const Dataset& members, const QDate& today) {
    QVector<Count> counts = {{QStringLiteral("Mitgliederanzahl:"), members.recordCount()}};
    // Each count runs its filter over every member, whatever the dataset presents, so the
    // shared dataset's filter, cursor and grids stay as they are.
    for (const CountFilter& cf : statisticsFilters(today)) {
        const auto filter = Filter::compile(cf.filter, members.fields());
        int n = 0;
        for (int i = 0; i < members.totalCount(); ++i)
            if (filter->matches(members.recordAt(i))) ++n;
        counts.append({cf.label, n});
    }
    return counts;
}

}  // namespace ferolind
