#include "payments/dtausrun.h"

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/progress.h"
#include "members/memberrules.h"
#include "payments/dtauswriter.h"
#include "session/session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace ferolind {

QString replaceUmlauts(const QString& text) {
    QString s = text;
    s.replace(u'Ä', QStringLiteral("Ae"));
    s.replace(u'Ö', QStringLiteral("Oe"));
    s.replace(u'Ü', QStringLiteral("Ue"));
    s.replace(u'ä', QStringLiteral("ae"));
    s.replace(u'ö', QStringLiteral("oe"));
    s.replace(u'ü', QStringLiteral("ue"));
    s.replace(u'ß', QStringLiteral("ss"));
    return s;
}

namespace {

// The whole number of a typed text (see isWholeNumberText).
std::optional<qint64> wholeNumberOf(const QString& text) {
    if (text.isEmpty()) return std::nullopt;
    qsizetype i = (text[0] == u'+' || text[0] == u'-') ? 1 : 0;
    if (i == text.size()) return std::nullopt;
    for (qsizetype k = i; k < text.size(); ++k)
        if (text[k] < u'0' || text[k] > u'9') return std::nullopt;
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    if (!ok) return std::nullopt;
    return n;
}

bool inRange(const QString& text, qint64 low, qint64 high) {
    const std::optional<qint64> n = wholeNumberOf(text);
    return n && *n >= low && *n <= high;
}

// A member as messages name it: "Nr. 12 (Anna Berg)".
QString memberName(const Dataset& m, const Row& r) {
    const QString name = (r[m.field(QStringLiteral("Vorname"))].toString() + u' ' +
                          r[m.field(QStringLiteral("Nachname"))].toString())
                             .trimmed();
    const QString number = r[m.field(QStringLiteral("ID"))].toString();
    return name.isEmpty() ? QStringLiteral("Nr. %1").arg(number) : QStringLiteral("Nr. %1 (%2)").arg(number, name);
}

const QString kNothingDone = QStringLiteral("\nEs wurde keine Datei erstellt und kein Beitrag gebucht.");

// One direct-debit member ready for the file.
struct Debit {
    int memberId = 0;
    QString who;
};

// Suspends the displays of the shared datasets while the run goes through them.
struct DisplaysQuiet {
    DataModule& data;
    explicit DisplaysQuiet(DataModule& d) : data(d) { data.DisconnectDB(); }
    ~DisplaysQuiet() { data.ConnectDB(); }
};

}  // namespace

bool isWholeNumberText(const QString& text) { return wholeNumberOf(text).has_value(); }

bool bankCodeFieldAcceptable(const QString& text) { return text.isEmpty() || isWholeNumberText(text); }

DtausTarget splitDtausTarget(const QString& path) {
    if (path.isEmpty() || path.endsWith(u'/')) return {path, QString()};
    const QFileInfo info(path);
    if (info.isDir()) return {path, QString()};
    return {info.path(), info.fileName()};
}

void checkDtausSender(const DtausSender& sender) {
    if (sender.name.isEmpty()) throw DataError(dtausrunmsg::SenderName);
    if (!inRange(sender.bankCode, 10000000, 99999999)) throw DataError(dtausrunmsg::SenderBankCode);
    if (!inRange(sender.account, 10, 9999999999LL)) throw DataError(dtausrunmsg::SenderAccount);
}

DtausRunResult runDtaus(Session& session, DtausWriter& writer, const DtausRunInput& input) {
    checkDtausSender(input.sender);
    const DtausTarget target = splitDtausTarget(input.target);
    if (target.fileName.isEmpty()) throw DataError(dtausrunmsg::NoTarget);
    FeePeriod period;
    if (input.recordPayments) period = feePeriodFromTexts(input.periodKind, input.yearText, input.periodText);

    DataModule& data = session.data();
    Dataset& m = data.members();
    m.checkBrowseMode();
    data.feePayments().checkBrowseMode();

    // A run an earlier error left open is discarded; this one starts cleanly.
    writer.Cancel();
    writer.setPath(target.folder);
    writer.Dateiname = target.fileName;
    writer.setLastschriften(true);
    writer.AuftraggeberName = replaceUmlauts(input.sender.name);
    writer.AuftraggeberBLZ = qint32(wholeNumberOf(input.sender.bankCode).value_or(0));
    writer.AuftraggeberKontoNr = wholeNumberOf(input.sender.account).value_or(0);
    writer.Ausfuehrungsdatum = input.executionDate;

    DtausRunResult result;
    result.path = QDir(writer.Path()).filePath(target.fileName);
    QVector<Debit> debits;
    try {
        writer.Start();
        DisplaysQuiet quiet(data);
        const MemberRules& rules = session.memberRules();
        const int fId = m.field(QStringLiteral("ID")), fDtaus = m.field(QStringLiteral("DTAUS")),
                  fClass = m.field(QStringLiteral("Betrag")), fAccount = m.field(QStringLiteral("Kontonummer")),
                  fBank = m.field(QStringLiteral("Bankleitzahl")), fHolder = m.field(QStringLiteral("Kontoinhaber"));
        QSet<int> inRun;
        {
            Progress progress(QStringLiteral("Die Lastschriften werden zusammengestellt"), m.recordCount());
            for (int p = 0; p < m.recordCount(); ++p) {
                progress.step(p + 1);
                const Row& r = m.rowAt(p);
                if (!r[fDtaus].toBool()) continue;
                const QString who = memberName(m, r);
                auto refuse = [&](const QString& why) {
                    throw DataError(QStringLiteral("Mitglied %1: %2").arg(who, why) + kNothingDone);
                };
                if (r[fId].isNull()) refuse(QStringLiteral("Das Mitglied hat keine Mitgliedsnummer."));
                const int id = r[fId].toInt();
                const QString className = r[fClass].toString();
                const std::optional<Money> fee = feeOfClass(data, className);
                if (!fee)
                    refuse(className.isEmpty()
                               ? QStringLiteral("Das Mitglied hat keine Beitragsklasse.")
                               : QStringLiteral("Die Beitragsklasse „%1“ gibt es nicht.").arg(className));
                const QString accountText = r[fAccount].toString();
                const std::optional<qint64> account = wholeNumberOf(accountText.trimmed());
                if (!account) refuse(QStringLiteral("Die Kontonummer „%1“ ist keine ganze Zahl.").arg(accountText));
                if (input.recordPayments && (inRun.contains(id) || rules.IsFeePaid(id, period.kind, period.year,
                                                                                   period.period))) {
                    result.alreadyPaid << who;
                    continue;
                }
                try {
                    writer.AddPayment(replaceUmlauts(r[fHolder].toString()), input.purpose, *fee,
                                      r[fBank].isNull() ? 0 : r[fBank].toLongLong(), *account);
                } catch (const DataError& e) {
                    refuse(e.message());
                }
                inRun.insert(id);
                debits.push_back({id, who});
                result.amount += *fee;
            }
        }
        if (input.recordPayments && debits.isEmpty() && !result.alreadyPaid.isEmpty())
            throw DataError(QStringLiteral("Alle %1 Mitglieder mit DTAUS haben den Beitrag dieses Zeitraums schon "
                                           "bezahlt.\nEs wurde keine Datei erstellt.")
                                .arg(result.alreadyPaid.size()));

        // The payments and the file as one unit: the file is written last inside the
        // transaction, so that a refused row or a failed write leaves neither behind.
        Transaction tx(data.connection());
        if (input.recordPayments) {
            Progress progress(QStringLiteral("Die Beitragszahlungen werden gebucht"), int(debits.size()));
            for (const Debit& d : debits) {
                try {
                    storeFeePaymentRow(data, d.memberId, period);
                } catch (const DataError& e) {
                    throw DataError(QStringLiteral("Mitglied %1: %2").arg(d.who, e.message()) + kNothingDone);
                }
                progress.step(++result.recorded);
            }
        }
        const bool existed = QFileInfo::exists(result.path);
        writer.Finish();
        try {
            tx.commit();
        } catch (const DataError& e) {
            // The payments were not stored: the new file must not be sent either.
            if (!existed) QFile::remove(result.path);
            throw DataError(e.message() + QStringLiteral("\nEs wurde kein Beitrag gebucht; die Datei „%1“ ist "
                                                         "ungültig und wurde entfernt.")
                                              .arg(QDir::toNativeSeparators(result.path)));
        }
    } catch (...) {
        writer.Cancel();
        throw;
    }
    result.payments = int(debits.size());
    return result;
}

QString dtausRunSummary(const DtausRunResult& r) {
    QString text = QStringLiteral("Die Datei „%1“ wurde erstellt: %2 Lastschrift(en) über %3.")
                       .arg(QDir::toNativeSeparators(r.path))
                       .arg(r.payments)
                       .arg(moneyToCurrency(r.amount));
    if (r.recorded > 0) text += QStringLiteral("\nFür %1 Mitglied(er) wurde der Beitrag gebucht.").arg(r.recorded);
    if (!r.alreadyPaid.isEmpty()) {
        const QStringList shown = r.alreadyPaid.mid(0, 10);
        text += QStringLiteral("\nNicht eingezogen, da der Beitrag schon bezahlt ist (%1): %2")
                    .arg(r.alreadyPaid.size())
                    .arg(shown.join(QStringLiteral(", ")) + (r.alreadyPaid.size() > shown.size() ? QStringLiteral(", …")
                                                                                               : QString()));
    }
    return text;
}

QStringList dtausYearItems(const QDate& today) {
    QStringList items;
    for (int y = today.year() - 5; y <= today.year() + 5; ++y) items << QString::number(y);
    return items;
}

std::array<bool, printing::kMemberPrintColumns> dtausListColumns(bool status) {
    static const QStringList on = {"Mitgliedsnr.", "Vorname",   "Nachname", "BLZ",
                                   "Bank",         "Kontoinh.", "Kontonr.", "Beitrag"};
    const QStringList& captions = printing::memberPrintCaptions();
    std::array<bool, printing::kMemberPrintColumns> selected{};
    for (int c = 0; c < printing::kMemberPrintColumns; ++c)
        selected[c] = captions[c] == QLatin1String("Status") ? status : on.contains(captions[c]);
    return selected;
}

DtausPaymentLine parseDtausPaymentLine(const QString& line, int lineNumber) {
    QString text = line;
    if (text.endsWith(u'\r')) text.chop(1);
    const QStringList f = text.split(u'\t');
    auto refuse = [lineNumber](const QString& why) {
        throw DataError(QStringLiteral("Zeile %1: %2").arg(lineNumber).arg(why));
    };
    if (f.size() < 4)
        refuse(QStringLiteral("Erwartet werden Name, Bankleitzahl, Kontonummer und Betrag, durch Tabulatoren getrennt."));
    DtausPaymentLine p;
    p.name = f[0];
    const std::optional<qint64> bank = wholeNumberOf(f[1].trimmed());
    if (!bank) refuse(QStringLiteral("Die Bankleitzahl „%1“ ist keine ganze Zahl.").arg(f[1]));
    const std::optional<qint64> account = wholeNumberOf(f[2].trimmed());
    if (!account) refuse(QStringLiteral("Die Kontonummer „%1“ ist keine ganze Zahl.").arg(f[2]));
    const std::optional<Money> amount = parseMoney(f[3].trimmed());
    if (!amount) refuse(QStringLiteral("Der Betrag „%1“ ist kein gültiger Betrag.").arg(f[3]));
    p.bankCode = *bank;
    p.account = *account;
    p.amount = *amount;
    p.purpose = f.mid(4);
    return p;
}

}  // namespace ferolind
