#include "columns.h"

namespace ferolind {

const QStringList& memberColumnFields() {
    static const QStringList f = {"ID",
                                  "Anrede",
                                  "Vorname",
                                  "Nachname",
                                  "Strasse",
                                  "Land",
                                  "PLZ",
                                  "Ort",
                                  "Telefon1",
                                  "Telefon2",
                                  "Telefax",
                                  "Email",
                                  "Geburtsdatum",
                                  "EintrittDatum",
                                  "AustrittDatum",
                                  "Geschlecht",
                                  "Status",
                                  "Kontonummer",
                                  "Kontoinhaber",
                                  "Bankleitzahl",
                                  "Bank",
                                  "Betrag",
                                  "DTAUS",
                                  "Sonstiges1",
                                  "Sonstiges2",
                                  "Sonstiges3",
                                  "Sonstiges4",
                                  "Jubilaeum",
                                  "BeitragAktuellBezahlt"};
    return f;
}

QStringList memberColumnTitles(const FreeFieldLabels& labels) {
    QStringList t = {"ID",
                     "Anrede",
                     "Vorname",
                     "Nachname",
                     "Straße",
                     "Land",
                     "PLZ",
                     "Ort",
                     "Telefon 1",
                     "Telefon 2",
                     "Telefax",
                     "e-Mail",
                     "Geburtsdatum",
                     "Eintrittsdatum",
                     "Austrittsdatum",
                     "Geschlecht",
                     "Status",
                     "Kontonummer",
                     "Kontoinhaber",
                     "Bankleitzahl",
                     "Bank",
                     "Beitragsklasse",
                     "DTAUS-Teilnahme",
                     labels.s[0],
                     labels.s[1],
                     labels.s[2],
                     labels.s[3],
                     "Jubiläum",
                     "Beitrag akt. bez."};
    return t;
}

const QStringList& bookingColumnFields() {
    static const QStringList f = {"Buchungsnummer", "Datum",  "Empfaenger/Absender", "Buchungstext",
                                  "SollHaben",      "Betrag", "Kategorie",           "Bestandskonto"};
    return f;
}

const QStringList& bookingColumnTitles() {
    static const QStringList t = {"Nr.", "Datum",  "Empfänger/Absender", "Buchungstext",
                                  "E/A", "Betrag", "Kategorie",          "Bestandskonto"};
    return t;
}

QString TitleToField(const QString& title, const FreeFieldLabels& labels) {
    const QStringList titles = memberColumnTitles(labels);
    const int i = titles.indexOf(title);
    return i < 0 ? QString() : memberColumnFields()[i];
}

}  // namespace ferolind
