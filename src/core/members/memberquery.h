// The selections of members that the query, leavers, mass deletion and statistics
// screens show, and the command-line tool alike: each screen's criteria in, the filter
// text (and sort keys) of the shared member dataset out. The screens only collect the
// inputs; the counts of the statistics and the mass deletion run here too.
#pragma once

#include "data/dateranges.h"
#include "members/columns.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>
#include <array>
#include <functional>
#include <optional>

namespace ferolind {

class Dataset;

// The entry of a criteria box that stands for no criterion.
inline const QString kNoCriterion = QStringLiteral("LEER");

// One criteria row: a member column title (or "LEER") and the value its field must have.
struct Criterion {
    QString title = kNoCriterion;
    QString value;
};
using CriteriaRows = std::array<Criterion, 3>;

// The entries of a criteria box: "LEER" and the 29 member column titles in table order.
QStringList criteriaBoxItems(const FreeFieldLabels& labels);

// The clauses of the criteria rows: TitleToField(title) + " = '" + value + "'", joined
// by "and " directly after the closing quote of the clause before. Values are quoted for
// the filter language (a quote inside is doubled). A title that names no column is
// refused with a DataError (a clause without a field cannot be read).
QString criteriaFilter(const CriteriaRows& rows, const FreeFieldLabels& labels);

// The date criterion of the member query.
enum class QueryDate { EntryDate, BirthDate, LeavingDateEmpty, Off };

struct MemberQuery {
    CriteriaRows rows;
    QString sort1 = QStringLiteral("ID"), sort2 = QStringLiteral("ID");  // column titles
    QueryDate date = QueryDate::Off;
    QDate from{1980, 1, 1}, to{2008, 12, 31};
};

// "Anzeigen" of the member query: the criteria, then the date criterion with a leading
// " and " when text exists.
QString memberQueryFilter(const MemberQuery& query, const FreeFieldLabels& labels);
// The sort keys: the fields of both sort titles separated by ";". A title that names no
// column adds no key; with no key at all the order is by "ID".
QString memberQuerySort(const QString& title1, const QString& title2, const FreeFieldLabels& labels);

// The leavers list: members whose leaving date lies from `from` to `to`, both included.
QString leaversFilter(const QDate& from, const QDate& to);

struct MassDeletion {
    CriteriaRows rows;
    bool byLeavingDate = true;  // "Austrittsdatum" ticked
    QDate from, to;
};
QString massDeletionFilter(const MassDeletion& selection, const FreeFieldLabels& labels);

// The earliest and latest leaving date of all members that have one (whatever the
// dataset presents). Without any: day 999999 and day 0 of the date scale (counting from
// 30 December 1899), so that a range from one to the other selects nobody.
DateRange leavingDateSpan(const Dataset& members);

// Deletes every member the dataset presents, first to last, each through the ordinary
// member deletion (its rules run; fee payments stay), all in one database transaction.
// `progress` hears (done, total) after each member. When one fails, nothing is deleted
// (file and memory as before) and a DataError names the member and the reason.
// Returns the number deleted.
using DeletionProgress = std::function<void(int done, int total)>;
int deletePresentedMembers(Dataset& members, const DeletionProgress& progress = {});
// "Wollen Sie die unten angezeigten Mitglieder wirklich löschen?"
extern const QString kMassDeletionQuestion;
// The mass deletion's question with the number of members it deletes.
QString massDeletionQuestion(int count);

// The statistics: one count per label, in screen order ("Mitgliederanzahl:", the four
// general counts, then the eleven age groups). The total is what the dataset presents;
// every other count runs over all members. Age groups go by birthdays: a member is n
// years old from the day n years after his birth on; members aged 90 or more, born after
// today or without a birth date are in no group.
struct Count {
    QString label;
    int count = 0;
};
QVector<Count> memberStatistics(const Dataset& members, const QDate& today);
// The filter texts behind the counts (without the total), in the same order.
struct CountFilter {
    QString label;
    QString filter;
};
QVector<CountFilter> statisticsFilters(const QDate& today);
// The limit for an age of n years: d.m.(y - n) of today, numbers without leading zeros.
QString ageLimit(const QDate& today, int years);

}  // namespace ferolind
