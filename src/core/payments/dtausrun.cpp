#include "payments/dtausrun.h"

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/progress.h"
#include "members/memberrules.h"
#include "payments/dtauswriter.h"
#include "payments/memberdebits.h"
#include "payments/runfiles.h"
#include "session/session.h"

#include <QDir>
#include <QFileInfo>

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

namespace {

bool inRange(const QString& text, qint64 low, qint64 high) {
    const std::optional<qint64> n = wholeNumberOf(text);
    return n && *n >= low && *n <= high;
}

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
    MemberDebits collected;
    try {
        writer.Start();
        DisplaysQuiet quiet(data);
        collected = collectMemberDebits(
            session, input.recordPayments ? &period : nullptr,
            [&](const MemberDebit& d, const RowRef&) {
                try {
                    writer.AddPayment(replaceUmlauts(d.holder), input.purpose, d.fee, d.bankCode, d.account);
                } catch (const DataError& e) {
                    return e.message();
                }
                return QString();
            },
            [](const QString& who, const QString& why) {
                throw DataError(QStringLiteral("Mitglied %1: %2").arg(who, why) + kNothingDoneText);
            },
            DebitSelection{input.executionDate.isValid() ? input.executionDate.date() : QDate(),
                           input.includeFormerMembers});
        refuseWhenAllPaid(collected);

        // The payments, the run's record with the file's bytes and a complete copy of the
        // file go into one transaction; the file takes its place after the commit (see
        // runfiles.h). Who has paid is asked of the file inside it.
        result.recorded = storeFeePaymentsWith(data, collected, input.recordPayments ? &period : nullptr,
                                               [&](Transaction& tx, bool changed) {
            if (changed) {
                // Members another workstation booked meanwhile leave the file too.
                writer.Cancel();
                writer.Start();
                for (const MemberDebit& d : collected.debits)
                    writer.AddPayment(replaceUmlauts(d.holder), input.purpose, d.fee, d.bankCode, d.account);
            }
            const QByteArray content = writer.FinishInMemory();
            if (content.isEmpty()) throw DataError(dtausmsg::FinishIdle + kNothingDoneText);
            result.note = commitRunFile(data, tx, QStringLiteral("DTAUS"), result.path, content,
                                        input.recordPayments).note;
        });
        result.alreadyPaid = collected.alreadyPaid;
        result.formerMembers = collected.formerMembers;
        result.amount = collected.amount;
    } catch (...) {
        writer.Cancel();
        throw;
    }
    result.payments = int(collected.debits.size());
    return result;
}

QString dtausRunSummary(const DtausRunResult& r) {
    QString text = QStringLiteral("Die Datei „%1“ wurde erstellt: %2 Lastschrift(en) über %3.")
                       .arg(QDir::toNativeSeparators(r.path))
                       .arg(r.payments)
                       .arg(moneyToCurrency(r.amount));
    if (r.recorded > 0) text += QStringLiteral("\nFür %1 Mitglied(er) wurde der Beitrag gebucht.").arg(r.recorded);
    text += alreadyPaidNote(r.alreadyPaid);
    text += formerMembersNote(r.formerMembers);
    return text + r.note;
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
