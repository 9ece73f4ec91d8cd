#include "democlub.h"

#include "data/database.h"
#include "data/errors.h"
#include "data/postalcodes.h"
#include "data/schema.h"
#include "data/settings.h"

#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace ferolind::demo {

namespace {

const QStringList kFemale = {"Anna",      "Maria",  "Ursula", "Monika",  "Petra",  "Sabine", "Claudia",
                             "Susanne",   "Andrea", "Birgit", "Karin",   "Julia",  "Lena",   "Laura",
                             "Katharina", "Sophie", "Marie",  "Hannah",  "Renate", "Helga",  "Ingrid",
                             "Gisela",    "Elke",   "Jutta",  "Christa", "Anja",   "Nicole"};
const QStringList kMale = {"Peter",  "Michael", "Thomas", "Andreas",    "Wolfgang", "Klaus",    "Jürgen",
                           "Stefan", "Frank",   "Uwe",    "Bernd",      "Markus",   "Lukas",    "Leon",
                           "Felix",  "Jonas",   "Paul",   "Maximilian", "Hans",     "Günter",   "Dieter",
                           "Horst",  "Manfred", "Jörg",   "Ralf",       "Tobias",   "Sebastian"};
const QStringList kLast = {
    "Müller",   "Schmidt",    "Schneider", "Fischer", "Weber",    "Meyer",    "Wagner",    "Becker",   "Schulz",
    "Hoffmann", "Schäfer",    "Koch",      "Bauer",   "Richter",  "Klein",    "Wolf",      "Schröder", "Neumann",
    "Schwarz",  "Zimmermann", "Braun",     "Krüger",  "Hofmann",  "Hartmann", "Lange",     "Schmitt",  "Werner",
    "Schmitz",  "Krause",     "Meier",     "Lehmann", "Schmid",   "Schulze",  "Maier",     "Köhler",   "Herrmann",
    "König",    "Walter",     "Mayer",     "Huber",   "Kaiser",   "Fuchs",    "Peters",    "Lang",     "Scholz",
    "Möller",   "Weiß",       "Jung",      "Hahn",    "Schubert", "Vogel",    "Friedrich", "Keller",   "Günther",
    "Frank",    "Berger",     "Winkler",   "Roth",    "Beck",     "Lorenz",   "Baumann",   "Franke"};
const QStringList kStreets = {"Hauptstraße",  "Schulstraße",   "Gartenstraße", "Bahnhofstraße", "Dorfstraße",
                              "Bergstraße",   "Birkenweg",     "Lindenstraße", "Kirchstraße",   "Waldstraße",
                              "Ringstraße",   "Am Sportplatz", "Mühlenweg",    "Rosenstraße",   "Schillerstraße",
                              "Goethestraße", "Feldweg",       "Wiesenstraße", "Jahnstraße",    "Friedhofstraße"};
const QStringList kBanks = {"Sparkasse", "Volksbank", "Deutsche Bank", "Commerzbank", "Postbank", "Raiffeisenbank"};

struct FeeClass {
    const char* name;
    qint64 fee;  // 1/10000 euro
};
const FeeClass kClasses[] = {
    {"Erwachsene", 1200000}, {"Jugendliche", 600000}, {"Familie", 2000000}, {"Passiv", 300000}};

QString dateText(const QDate& d) { return d.toString(Qt::ISODate); }

void exec(QSqlQuery& q) {
    if (!q.exec()) throw DataError(QStringLiteral("Demo-Daten: ") + q.lastError().text());
}

}  // namespace

void createDemoClub(const QString& folder, const Size& size) {
    createDatabase(folder);
    QSqlDatabase db = openConnection(folder, QStringLiteral("demo"));
    QRandomGenerator rnd(size.seed);
    const QVector<Row> plz = shippedPostalCodes();
    const int year = size.today.year();
    auto pick = [&](const QStringList& l) { return l[rnd.bounded(int(l.size()))]; };
    auto dayIn = [&](int fromYear, int toYear) {
        const QDate a(fromYear, 1, 1), b(toYear, 12, 31);
        return a.addDays(rnd.bounded(int(a.daysTo(b)) + 1));
    };
    db.transaction();
    {
        QSqlQuery q(db);
        q.prepare("INSERT INTO beitragsklassen (Name, Beitrag) VALUES (?, ?)");
        for (const FeeClass& c : kClasses) {
            q.addBindValue(QString::fromUtf8(c.name));
            q.addBindValue(c.fee);
            exec(q);
        }
        q.prepare(
            "INSERT INTO mitglieder (ID, Anrede, Vorname, Nachname, Strasse, Land, PLZ, Ort, Telefon1, Email, "
            "Geburtsdatum, EintrittDatum, AustrittDatum, Geschlecht, Status, Kontonummer, Kontoinhaber, Bankleitzahl, "
            "Bank, Betrag, DTAUS) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        QSqlQuery pay(db);
        pay.prepare("INSERT INTO betrag (Jahr, Mitgliedsnummer, Monat, Quartal) VALUES (?, ?, 0, 0)");
        for (int id = 1; id <= size.members; ++id) {
            const bool female = rnd.bounded(2) == 0;
            const QString first = female ? pick(kFemale) : pick(kMale);
            const QString last = pick(kLast);
            const Row& place = plz[rnd.bounded(int(plz.size()))];
            const QDate birth = dayIn(year - 85, year - 6);
            const QDate entry = dayIn(std::max(birth.year() + 5, year - 50), year);
            const bool left = rnd.bounded(10) == 0;
            const bool debit = rnd.bounded(3) != 0;
            const FeeClass& fc = kClasses[birth.year() > year - 18 ? 1 : rnd.bounded(4) == 0 ? 2 + rnd.bounded(2) : 0];
            q.addBindValue(id);
            q.addBindValue(female ? QStringLiteral("Frau") : QStringLiteral("Herrn"));
            q.addBindValue(first);
            q.addBindValue(last);
            q.addBindValue(pick(kStreets) + ' ' + QString::number(1 + rnd.bounded(120)));
            q.addBindValue(QStringLiteral("D"));
            q.addBindValue(place[0]);
            q.addBindValue(place[1].toString().left(50));
            q.addBindValue(QStringLiteral("0%1 %2").arg(300 + rnd.bounded(9000)).arg(100000 + rnd.bounded(900000)));
            q.addBindValue(QString(first + '.' + last + "@example.org").toLower());
            q.addBindValue(dateText(birth));
            q.addBindValue(dateText(entry));
            q.addBindValue(left ? QVariant(dateText(dayIn(entry.year(), year)))
                                : QVariant(QMetaType::fromType<QString>()));
            q.addBindValue(female ? QStringLiteral("Weiblich") : QStringLiteral("Männlich"));
            q.addBindValue(rnd.bounded(5) == 0 ? QStringLiteral("passiv") : QStringLiteral("aktiv"));
            q.addBindValue(debit ? QVariant(QString::number(1000000 + rnd.bounded(8999999)))
                                 : QVariant(QMetaType::fromType<QString>()));
            q.addBindValue(debit ? QVariant(first + ' ' + last) : QVariant(QMetaType::fromType<QString>()));
            q.addBindValue(debit ? QVariant(10000000 + rnd.bounded(80000000)) : QVariant(QMetaType::fromType<int>()));
            q.addBindValue(debit ? QVariant(pick(kBanks)) : QVariant(QMetaType::fromType<QString>()));
            q.addBindValue(QString::fromUtf8(fc.name));
            q.addBindValue(debit ? 1 : 0);
            exec(q);
            if (size.payments >= 0) {
                const int count = size.payments / size.members + (id <= size.payments % size.members ? 1 : 0);
                for (int k = 0; k < count; ++k) {
                    pay.addBindValue(year - k);
                    pay.addBindValue(id);
                    exec(pay);
                }
                continue;
            }
            // Most members paid last year, four in five this year.
            for (int y : {year - 1, year}) {
                if (rnd.bounded(5) == 0 || entry.year() > y) continue;
                pay.addBindValue(y);
                pay.addBindValue(id);
                exec(pay);
            }
        }
        q.prepare(
            "INSERT INTO buchung (Buchungsnummer, Datum, \"Empfaenger/Absender\", Buchungstext, Betrag, SollHaben, "
            "Kategorie, Bestandskonto) VALUES (?,?,?,?,?,?,?,?)");
        const QStringList incomeCats = {"Beiträge", "Spenden", "Zuschüsse", "Veranstaltungen"};
        const QStringList expenseCats = {"Miete", "Material", "Versicherung", "Verbandsabgaben", "Porto"};
        for (int n = 1; n <= size.bookings; ++n) {
            const bool income = rnd.bounded(3) != 0;
            q.addBindValue(n);
            q.addBindValue(dateText(dayIn(year - 1, year).addDays(0)));
            q.addBindValue(income ? pick(kLast) + ", " + pick(kMale) : QStringLiteral("Lieferant ") + pick(kLast));
            q.addBindValue(income ? QStringLiteral("Zahlung %1").arg(n) : QStringLiteral("Rechnung %1").arg(n));
            q.addBindValue(qint64(100 + rnd.bounded(50000)) * 100);
            q.addBindValue(income ? QStringLiteral("E") : QStringLiteral("A"));
            q.addBindValue(income ? pick(incomeCats) : pick(expenseCats));
            q.addBindValue(rnd.bounded(4) == 0 ? QStringLiteral("Kasse") : QStringLiteral("Girokonto"));
            exec(q);
        }
        q.prepare("INSERT INTO blob (Name, Inhalt) VALUES (?, ?)");
        const QList<QPair<QString, QString>> entries = {
            {"LastMitgliedsID", QString::number(size.members)},
            {"LastBuchungsID", QString::number(size.bookings)},
            {"Zahlungszeitraum", "2"},
            {"Refresh", "60"},
            {"bestandskonten", "Girokonto\r\nKasse\r\n"},
            {"kategorienplus", incomeCats.join("\r\n") + "\r\n"},
            {"kategorienminus", expenseCats.join("\r\n") + "\r\n"},
            {"Anrede", "Herrn\r\nFrau\r\nFamilie\r\n"},
        };
        for (const auto& [name, content] : entries) {
            q.addBindValue(name);
            q.addBindValue(content);
            exec(q);
        }
    }
    if (!db.commit()) throw DataError(QStringLiteral("Demo-Daten: ") + db.lastError().text());
    closeConnection(db);
}

}  // namespace ferolind::demo
