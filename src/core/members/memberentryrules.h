// The rules behind the member entry screen that are not about widgets: the town and
// bank lookups, the account holder, the direct-debit precondition, the fee class
// checks and the search. They work on the shared member dataset's current record.
#pragma once

#include <QString>
#include <QStringList>

namespace ferolind {

class DataModule;
class Dataset;
class MemberRules;
class Session;

class MemberEntryRules {
public:
    explicit MemberEntryRules(Session& session);

    static const QString kCloseQuestion;  // "Änderungen speichern beim aktuellen Datensatz?"
    // A re-read found the member on the screen deleted by another workstation.
    static const QString kMemberGoneMessage;

    // "Mitglied Anna Berg wirklich löschen?"
    static QString deleteQuestion(const QString& firstName, const QString& lastName);
    // Vorname + " " + Nachname.
    static QString accountHolderText(const QString& firstName, const QString& lastName);
    // The fields the search offers in its box.
    static QStringList searchFieldItems();
    // The member field a search box text names ("ID", "Vorname", "Nachname",
    // "Sonstiges1" to "Sonstiges4", letter case ignored); empty for anything else.
    static QString searchField(const QString& boxText);

    // The salutation list, club-wide entry "Anrede" (empty when absent).
    QStringList salutations() const;
    // The fee class names as the box lists them (German order), and whether one exists.
    QStringList sortedFeeClassNames() const;
    bool feeClassExists(const QString& name) const;

    // Town lookup for the current member's PLZ: the towns of the code in table order
    // (the postal-code table stays restricted to them). When there is a town, the town
    // box text is empty and the record is being edited, Ort becomes the first town.
    QStringList lookUpTowns(const QString& townBoxText);
    // Bank lookup for the current member's Bankleitzahl: sets Bank to the bank name
    // while the record is being edited. Throws DataError when the file cannot be read
    // (Bank stays as it was).
    void lookUpBank();
    // The IBAN field: the current member's IBAN (grouped in fours, empty when the bank
    // code and account make none) and the BIC of the bank code (empty when unknown).
    QString ibanText() const;
    QString bicText() const;
    // A typed IBAN: a valid German one puts the record into edit mode and sets
    // Bankleitzahl, Kontonummer and Bank; any other throws DataError with the German
    // reason and changes nothing. An empty text or the IBAN shown already do nothing.
    void takeIban(const QString& text);
    // Puts the record into edit mode and sets Kontoinhaber to Vorname + " " + Nachname.
    void fillAccountHolder();
    // Whether the current member's data allow direct debit (account number, fee class,
    // bank code and account holder), as the record holds them now.
    bool directDebitPossible() const;
    // After the user changed one of those fields of the member being edited: direct
    // debit ends when its data are no longer complete. Records merely shown are never
    // changed; a stored incomplete member loses the participation at its store.
    void directDebitDataEdited();
    // Moves to the first member whose field (from the box text) equals the whole value.
    // An empty value, an unknown field or no match change nothing; false then.
    bool search(const QString& fieldBoxText, const QString& value);

    // The current member as the fee payment screen lists it: ID + " -  " + Vorname + " " + Nachname.
    QString pickText() const;
    // Restricts the fee payments to the current member ("Mitgliedsnummer = " + ID) and
    // lifts the restriction again.
    void restrictFeePaymentsToMember();
    void releaseFeePayments();

private:
    DataModule& data_;
    Dataset& members_;
    MemberRules& rules_;
};

}  // namespace ferolind
