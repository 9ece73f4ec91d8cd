// The IBAN field of the member entry: the member's columns hold a German bank code and
// account number only, so the field shows the IBAN made of them, and a typed IBAN is
// taken only when it is a valid German one; anything else is refused with a message and
// changes nothing.
#pragma once

#include "payments/iban.h"

#include <QString>
#include <QVariant>
#include <optional>

namespace ferolind {

// What a typed IBAN text comes to: the bank code and account number to store, or the
// German message why nothing is stored. An empty text is neither (nothing to do).
struct TypedIban {
    std::optional<GermanAccount> account;
    QString message;
};
TypedIban readTypedIban(const QString& text);

// The field's text for the stored bank code and account number: the IBAN in groups of
// four; empty when they make no IBAN (missing, or not a German bank code and account).
QString ibanFieldText(const QVariant& bankCode, const QVariant& account);

}  // namespace ferolind
