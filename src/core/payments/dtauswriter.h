// The DTAUS exchange file: the German banks' fixed-record format for bulk direct debits
// and credit transfers. One A record (the sender), one C record per payment, one E record
// (count and check sums), written as bytes without line ends. The writer knows nothing of
// members or the database: a caller sets the sender, opens a run, adds payments and
// finishes it.
#pragma once

#include "data/values.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

namespace ferolind {

// Character mode of the name and purpose texts, chosen by the file name.
enum class DtausMode { Din66003, CodePage437 };

// The mode a file name selects: DIN 66003 when it begins with "DTAUS0" (case matters),
// code page 437 otherwise.
DtausMode dtausModeFor(const QString& fileName);

// A text as the file holds it: upper case (ß stays ß), only the characters of the
// process-wide allowed set, umlauts replaced by the mode's codes. Using a mode adds its
// extra characters to the set for the rest of the process ("\", "]", "~" for DIN 66003,
// "?" and "á" for code page 437). The result has one character per byte, none above 255.
QString dtausText(const QString& text, DtausMode mode);

// Whether the process-wide allowed set holds this code (0 to 255).
bool dtausCharacterAllowed(int code);

// One piece of the cover sheet, in units of 0.1 mm from the top-left corner of the
// printable area: a text placed by its top-left corner in "Times New Roman" with the
// given cell height, or a horizontal line from x to x2 of width 0.2 mm.
struct CoverSheetItem {
    enum class Kind { Text, Line };
    Kind kind = Kind::Text;
    int x = 0;
    int y = 0;
    int x2 = 0;          // lines: the right end
    int cellHeight = 0;  // texts: 48, the signature caption 24
    QString text;
    bool operator==(const CoverSheetItem&) const = default;
};
constexpr const char* kCoverSheetFont = "Times New Roman";
constexpr int kCoverSheetLineWidth = 2;

class DtausWriter : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Started, Adding };

    explicit DtausWriter(QObject* parent = nullptr);

    // --- Properties -------------------------------------------------------------------
    QString AuftraggeberName;        // the holder of the sender's account
    qint32 AuftraggeberBLZ = 0;      // sender's bank code
    qint64 AuftraggeberKontoNr = 0;  // sender's account number
    QDateTime Ausfuehrungsdatum;     // requested execution date; invalid = not set
    quint32 AnzahlBegleitzettel = 0; // cover sheets Finish prints; 0 prints none
    QString CustomZahlungsschluessel;  // a text key of the caller, used when it has five characters

    // Target folder: a non-empty text is stored with "/" appended when it lacks one;
    // an empty text keeps the old folder.
    const QString& Path() const { return path_; }
    void setPath(const QString& folder);
    // File name below Path; also selects the character mode. Empty: Finish writes no file.
    QString Dateiname = QStringLiteral("DTAUS0.TXT");
    // false: a failed check raises DataError; true: it is reported through `warning`
    // and the operation goes on where the layout can hold the values.
    bool ShowWarnings = false;
    // Number the carrier: a running disk number (per-user value) goes into the A record.
    bool Zentralbank = false;

    QString Version() const;
    bool Lastschriften() const { return lastschriften_; }
    void setLastschriften(bool on);  // false also clears Abbuchungsauftrag
    bool Abbuchungsauftrag() const { return abbuchungsauftrag_; }
    void setAbbuchungsauftrag(bool on);  // true also sets Lastschriften

    // --- The run ----------------------------------------------------------------------
    // Opens a run and writes the A record. Refused while a run is open without payments;
    // from a run with payments it starts afresh. A failed check changes nothing but the
    // execution date (replaced when out of range). Returns whether the run was opened.
    bool Start();
    // Adds one C record. `purpose` ends up holding the lines as written (empty ones
    // removed, a single long line wrapped into lines of 27, each in its file form).
    // A refused payment leaves the record buffer, the count and the sums as they were.
    bool AddPayment(const QString& name, QStringList& purpose, Money amount, qint64 bankCode, qint64 accountNumber);
    bool AddPayment(const QString& name, const QString& purpose1, Money amount, qint64 bankCode,
                    qint64 accountNumber, const QString& purpose2 = QString(), const QString& purpose3 = QString());
    // Appends the E record, writes Path + Dateiname whole or not at all (an existing file
    // is replaced), then closes the run and prints the cover sheets. A failure on disk
    // raises DataError and leaves the run open, so Finish may be called again.
    bool Finish();
    // Appends the E record and closes the run as Finish does, but writes nothing and
    // prints nothing: returns the file's bytes for a caller that stores them first (the
    // member run). Outside a run: the refusal of Finish, and no bytes.
    QByteArray FinishInMemory();
    // Discards an open run without writing anything.
    void Cancel();
    // Prints the cover sheet in AnzahlBegleitzettel copies through the installed printer.
    void PrintCoverSheets();

    // --- Run values (kept after Finish for the cover sheet, reset by Start) -----------
    State state() const { return state_; }
    const QByteArray& records() const { return buffer_; }
    qint32 RecordCount() const { return recordCount_; }
    qint64 AccountSum() const { return accountSum_; }
    qint64 BankCodeSum() const { return bankCodeSum_; }
    qint64 AmountSumCents() const { return amountSumCents_; }
    const QString& diskNumberText() const { return diskNumber_; }

    // The cover sheet's texts and lines, in the order they are printed.
    QVector<CoverSheetItem> coverSheet() const;

    // What the cover sheet goes to: the printing facility installs it. Without one,
    // a cover sheet asked for is refused (Finish then writes nothing).
    using CoverSheetPrinter = std::function<void(const QVector<CoverSheetItem>& sheet, quint32 copies)>;
    void setCoverSheetPrinter(CoverSheetPrinter printer) { printer_ = std::move(printer); }
    // The clock for today and the execution date check (tests set a fixed one).
    void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }
    // Messages of warning mode since the writer was made, as "title: text".
    const QStringList& warnings() const { return warnings_; }

signals:
    // Warning mode: a message to show in a box with a warning icon (title "Fehler" or
    // "Warnung").
    void warning(const QString& title, const QString& message);

private:
    bool report(const QString& message, const QString& title = QStringLiteral("Fehler"));
    QDate today() const;
    DtausMode mode() const { return dtausModeFor(Dateiname); }
    QString textKey() const;
    QByteArray aRecord() const;
    QByteArray cRecord(const QString& name, const QStringList& lines, qint64 cents, qint64 bankCode,
                       qint64 accountNumber) const;
    QByteArray eRecord() const;
    QString nextDiskNumber() const;
    QString volumeLabel() const;

    QString path_;
    bool lastschriften_ = false;
    bool abbuchungsauftrag_ = false;
    State state_ = State::Idle;
    QByteArray buffer_;
    qint32 recordCount_ = 0;
    qint64 accountSum_ = 0;
    qint64 bankCodeSum_ = 0;
    qint64 amountSumCents_ = 0;
    QString diskNumber_ = QStringLiteral("    ");
    bool numbered_ = false;
    // The sender of the open run's A record, which its C records repeat.
    qint64 runBankCode_ = 0;
    qint64 runAccount_ = 0;
    QString runName_;
    QStringList warnings_;
    CoverSheetPrinter printer_;
    std::function<QDateTime()> now_;
};

// The messages of the writer's checks.
namespace dtausmsg {
inline const QString StartTwice = QStringLiteral("Die Methode Start() wurde bereits aufgerufen.");
inline const QString NotStarted = QStringLiteral("Es muss zunächst die Methode Start() aufgerufen werden.");
inline const QString FinishIdle =
    QStringLiteral("Die Methode Start() wurde noch nicht aufgerufen oder Finish() wurde bereits aufgerufen.");
inline const QString BankCode = QStringLiteral("Die Bankleitzahl muss genau 8 Zeichen besitzen.");
inline const QString Account = QStringLiteral("Die Kontonummer muss zwischen 10 und 9999999999 liegen.");
inline const QString Name = QStringLiteral("Der Buchungsempfänger muss angegeben werden.");
inline const QString Amount = QStringLiteral("Der Betrag muss zwischen € 1 und € 999999999.99 liegen.");
inline const QString Lines = QStringLiteral("Es sind nicht mehr als 14 Verwendungszwecke erlaubt.");
inline const QString Date =
    QStringLiteral("Das Ausführungsdatum darf das aktuelle Datum um höchstens 15 Tage überschreiten.");
inline const QString Totals =
    QStringLiteral("Die Zahlung passt nicht mehr in diese Datei: Anzahl oder Summen überschreiten ihre Felder.");
inline const QString Layout =
    QStringLiteral("Die Zahlung kann nicht geschrieben werden: ihre Werte passen nicht in die Felder der Datei.");
inline const QString NoPrinter = QStringLiteral("Der Begleitzettel kann nicht gedruckt werden: kein Drucker eingerichtet.");
}  // namespace dtausmsg

}  // namespace ferolind
