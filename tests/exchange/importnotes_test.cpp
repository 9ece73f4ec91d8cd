// The notes of a member import: every value left empty and every fee class created is
// named once, by line and field, for the one list shown after the import.
#include "club.h"
#include "exchange/delimited.h"
#include "exchange/memberimport.h"

#include <gtest/gtest.h>

using namespace ferolind;
using namespace ferolind::exchange;

TEST(ImportNotes, EachValueLeftEmptyAndEachClassCreatedIsNamedByLineAndField) {
    test::Club club;
    const QVector<QStringList> records = readDelimited(
        QStringLiteral("Name;Geburtstag;BLZ;Klasse;Lastschrift\r\n"
                       "Berg;01.02.1970;37040044;;nein\r\n"
                       "Kurz;31.02.1990;BLZ fehlt;Jugend;nein\r\n"
                       "Lang;;;Jugend;wahr\r\n"),
        QLatin1Char(';'));
    const QVector<ImportField> fields = {{"Nachname", "Nachname"},
                                         {"Geburtsdatum", "Geburtstag"},
                                         {"Bankleitzahl", "BLZ"},
                                         {"Betrag", "Beitragsklasse"},
                                         {"DTAUS", "Lastschrift"}};
    const ImportMapping mapping = {0, 1, 2, 3, 4};
    QStringList notes;
    ImportRequest request;
    request.records = &records;
    request.first = 1;
    request.fields = fields;
    request.mapping = mapping;
    request.notes = &notes;
    EXPECT_EQ(importMembers(*club.data, request), 3);
    EXPECT_EQ(notes, (QStringList{"Zeile 3, Geburtstag: 31.02.1990 ist kein Datum – leer gelassen",
                                  "Zeile 3, BLZ: BLZ fehlt ist keine Zahl – leer gelassen",
                                  "Zeile 3, Beitragsklasse: »Jugend« war nicht vorhanden – neu angelegt"}));
    // Without a list nothing is collected, and the import is the same.
    request.notes = nullptr;
    EXPECT_EQ(importMembers(*club.data, request), 3);
}
