#include "payments/ibanentry.h"

#include "payments/dtausrun.h"

namespace ferolind {

TypedIban readTypedIban(const QString& text) {
    const QString iban = compactIban(text);
    if (iban.isEmpty()) return {};
    const QString problem = ibanProblem(iban);
    if (!problem.isEmpty()) return {std::nullopt, problem + QStringLiteral("\nBankleitzahl und Kontonummer bleiben, wie sie sind.")};
    if (!iban.startsWith(QStringLiteral("DE")))
        return {std::nullopt,
                QStringLiteral("Die IBAN „%1“ ist gültig, aber nicht deutsch: sie kann nicht gespeichert werden, denn beim "
                               "Mitglied werden nur eine deutsche Bankleitzahl und Kontonummer gespeichert.\n"
                               "Bankleitzahl und Kontonummer bleiben, wie sie sind.")
                    .arg(groupedIban(iban))};
    const std::optional<GermanAccount> account = splitGermanIban(iban);
    if (!account || account->account == 0 || account->bankCode < 10000000)
        return {std::nullopt, QStringLiteral("Die IBAN „%1“ enthält keine Bankleitzahl und Kontonummer, die sich "
                                             "speichern lassen.\nBankleitzahl und Kontonummer bleiben, wie sie sind.")
                                  .arg(groupedIban(iban))};
    return {account, QString()};
}

QString ibanFieldText(const QVariant& bankCode, const QVariant& account) {
    if (bankCode.isNull() || account.isNull()) return {};
    const std::optional<qint64> code = wholeNumberOf(bankCode.toString().trimmed());
    const std::optional<qint64> number = wholeNumberOf(account.toString().trimmed());
    if (!code || !number) return {};
    const std::optional<QString> iban = germanIban(*code, *number);
    return iban ? groupedIban(*iban) : QString();
}

}  // namespace ferolind
