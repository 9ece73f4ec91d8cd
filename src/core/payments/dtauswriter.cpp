#include "payments/dtauswriter.h"

#include "data/errors.h"
#include "data/safefile.h"
#include "data/settings.h"

#include <QDir>
#include <QMutex>
#include <QStorageInfo>

#include <array>

namespace ferolind {

namespace {

// --- The process-wide allowed-character set ------------------------------------------

QMutex& allowedMutex() {
    static QMutex m;
    return m;
}

std::array<bool, 256>& allowedSet() {
    static std::array<bool, 256> set = [] {
        std::array<bool, 256> s{};
        for (const char c : QByteArrayLiteral(" $%&*+,-./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"))
            s[static_cast<unsigned char>(c)] = true;
        for (const char16_t c : {u'Ä', u'Ö', u'Ü', u'ß'}) s[c] = true;
        return s;
    }();
    return set;
}

// --- Fields ---------------------------------------------------------------------------

// A number of n digits with leading zeros; the caller has made sure it fits.
QByteArray digits(qint64 value, int n) {
    Q_ASSERT(value >= 0);
    QByteArray s = QByteArray::number(value);
    Q_ASSERT(s.size() <= n);
    return s.rightJustified(n, '0');
}

QByteArray blanks(int n) { return QByteArray(n, ' '); }

// A text field: the file form of the text, left-aligned, blank-padded and cut to n.
QByteArray textField(const QString& text, DtausMode mode, int n) {
    return dtausText(text, mode).toLatin1().leftJustified(n, ' ', true);
}

// A purpose line as an extension part: "02" and the text in 27 characters.
QByteArray extensionPart(const QString& line, DtausMode mode) { return "02" + textField(line, mode, 27); }

constexpr qint64 kBankCodeMin = 10000000;
constexpr qint64 kBankCodeMax = 99999999;
constexpr qint64 kAccountMin = 10;
constexpr qint64 kAccountMax = 9999999999LL;
constexpr qint64 kCentsLimit = 100'000'000'000LL;  // eleven digits
constexpr int kMaxLines = 14;
constexpr int kMaxLinesLaidOut = 19;  // what six segments can hold

bool blankOrControl(QChar c) { return c == u' ' || c.category() == QChar::Other_Control; }

// Empty lines removed; a single line longer than 25 characters cut into lines of 27,
// trimmed at its outer ends.
QStringList wrapPurpose(const QStringList& lines) {
    QStringList out;
    for (const QString& l : lines)
        if (!l.isEmpty()) out << l;
    if (out.size() != 1 || out.front().size() <= 25) return out;
    const QString line = out.front();
    out.clear();
    for (qsizetype i = 0; i < line.size(); i += 27) out << line.mid(i, 27);
    QString& first = out.front();
    qsizetype b = 0;
    while (b < first.size() && blankOrControl(first[b])) ++b;
    first.remove(0, b);
    QString& last = out.back();
    qsizetype e = last.size();
    while (e > 0 && blankOrControl(last[e - 1])) --e;
    last.truncate(e);
    while (!out.isEmpty() && out.back().isEmpty()) out.removeLast();
    return out;
}

// Rounded half up; written without a sum that could overflow near the largest amount.
qint64 centsOf(Money amount) {
    constexpr Money perCent = kMoneyUnit / 100;
    return amount / perCent + (amount % perCent >= perCent / 2 ? 1 : 0);
}

// Digits a sum field can hold.
constexpr qint64 limitOfDigits(int n) {
    qint64 l = 1;
    for (int i = 0; i < n; ++i) l *= 10;
    return l;
}

}  // namespace

DtausMode dtausModeFor(const QString& fileName) {
    return fileName.left(6) == QLatin1String("DTAUS0") ? DtausMode::Din66003 : DtausMode::CodePage437;
}

bool dtausCharacterAllowed(int code) {
    if (code < 0 || code > 255) return false;
    QMutexLocker lock(&allowedMutex());
    return allowedSet()[code];
}

QString dtausText(const QString& text, DtausMode mode) {
    std::array<bool, 256> allowed;
    {
        QMutexLocker lock(&allowedMutex());
        auto& set = allowedSet();
        if (mode == DtausMode::Din66003)
            set['\\'] = set[']'] = set['~'] = true;
        else
            set['?'] = set[u'á'] = true;
        allowed = set;
    }
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        // One character at a time: a whole-text upper-casing would make ß "SS".
        const char16_t u = ch.toUpper().unicode();
        if (u > 255 || !allowed[u]) continue;
        if (mode == DtausMode::Din66003) {
            switch (u) {
            case u'Ä': out += u'['; continue;
            case u'Ö': out += u'\\'; continue;
            case u'Ü': out += u']'; continue;
            case u'ß': out += u'~'; continue;
            }
        } else {
            switch (u) {
            case u'Ä': out += QChar(0x8E); continue;
            case u'Ö': out += QChar(0x99); continue;
            case u'Ü': out += QChar(0x9A); continue;
            case u'ß': out += QChar(0xE1); continue;
            }
        }
        out += QChar(u);
    }
    return out;
}

DtausWriter::DtausWriter(QObject* parent) : QObject(parent), path_(QDir::homePath() + u'/') {}

void DtausWriter::setPath(const QString& folder) {
    if (folder.isEmpty()) return;
    path_ = folder.endsWith(u'/') ? folder : folder + u'/';
}

QString DtausWriter::Version() const { return QStringLiteral("DtausWriter V4.0.4"); }

void DtausWriter::setLastschriften(bool on) {
    lastschriften_ = on;
    if (!on) abbuchungsauftrag_ = false;
}

void DtausWriter::setAbbuchungsauftrag(bool on) {
    abbuchungsauftrag_ = on;
    if (on) lastschriften_ = true;
}

// Error mode raises; warning mode shows the message and lets the caller go on.
bool DtausWriter::report(const QString& message, const QString& title) {
    if (!ShowWarnings) throw DataError(message);
    warnings_ << title + QStringLiteral(": ") + message;
    emit warning(title, message);
    return false;
}

QDate DtausWriter::today() const { return (now_ ? now_() : QDateTime::currentDateTime()).date(); }

QString DtausWriter::textKey() const {
    if (CustomZahlungsschluessel.size() == 5) return CustomZahlungsschluessel;
    if (!lastschriften_) return QStringLiteral("51000");
    return abbuchungsauftrag_ ? QStringLiteral("04000") : QStringLiteral("05000");
}

bool DtausWriter::Start() {
    if (state_ == State::Started) return report(dtausmsg::StartTwice);

    const QDateTime midnight(today(), QTime(0, 0));
    if (Ausfuehrungsdatum.isValid() && (Ausfuehrungsdatum < midnight || Ausfuehrungsdatum > midnight.addDays(15))) {
        Ausfuehrungsdatum = midnight;
        if (ShowWarnings) {
            warnings_ << QStringLiteral("Warnung: ") + dtausmsg::Date;
            emit warning(QStringLiteral("Warnung"), dtausmsg::Date);
        }
    }

    // Every check before anything changes: a refused start leaves the writer as it was.
    if (AuftraggeberBLZ < kBankCodeMin || AuftraggeberBLZ > kBankCodeMax) report(dtausmsg::BankCode);
    if (AuftraggeberKontoNr < kAccountMin || AuftraggeberKontoNr > kAccountMax) report(dtausmsg::Account);
    if (AuftraggeberName.isEmpty()) report(dtausmsg::Name);
    // Warning mode goes on with values the A record can hold (the bank code fills eight
    // places with blanks, the account number ten digits).
    if (AuftraggeberBLZ < 0 || AuftraggeberBLZ > kBankCodeMax || AuftraggeberKontoNr < 0 ||
        AuftraggeberKontoNr > kAccountMax)
        return report(dtausmsg::Layout);

    const bool numbered = Zentralbank;
    const QString disk = numbered ? nextDiskNumber() : QStringLiteral("    ");
    state_ = State::Started;
    recordCount_ = 0;
    accountSum_ = bankCodeSum_ = amountSumCents_ = 0;
    diskNumber_ = disk;
    numbered_ = numbered;
    runBankCode_ = AuftraggeberBLZ;
    runAccount_ = AuftraggeberKontoNr;
    runName_ = AuftraggeberName;
    buffer_ = aRecord();
    return true;
}

// The running disk number of this workstation: 1 to 9999, then 0 again.
QString DtausWriter::nextDiskNumber() const {
    const QString key = QStringLiteral("DtausWriter/Nummer");
    int n = RegistryGetInt(key);
    n = (n >= 0 && n < 9999) ? n + 1 : 0;
    RegistrySetInt(key, n);
    return QString::number(n).rightJustified(4, u'0');
}

QByteArray DtausWriter::aRecord() const {
    const bool custom = CustomZahlungsschluessel.size() == 5;
    const bool debit = custom ? (CustomZahlungsschluessel == QLatin1String("04000") ||
                                 CustomZahlungsschluessel == QLatin1String("05000"))
                              : lastschriften_;
    QByteArray r;
    r.reserve(128);
    r += "0128A";
    r += debit ? "LK" : "GK";
    r += QByteArray::number(AuftraggeberBLZ).rightJustified(8, ' ', true);
    r += "00000000";
    r += textField(AuftraggeberName, mode(), 27);
    r += today().toString(QStringLiteral("ddMMyy")).toLatin1();
    r += diskNumber_.toLatin1().leftJustified(4, ' ', true);
    r += digits(AuftraggeberKontoNr, 10);
    r += "0000000000";
    r += blanks(15);
    r += Ausfuehrungsdatum.isValid() ? Ausfuehrungsdatum.date().toString(QStringLiteral("ddMMyyyy")).toLatin1()
                                     : blanks(8);
    r += blanks(24);
    r += '1';
    Q_ASSERT(r.size() == 128);
    return r;
}

bool DtausWriter::AddPayment(const QString& name, QStringList& purpose, Money amount, qint64 bankCode,
                             qint64 accountNumber) {
    if (state_ == State::Idle) return report(dtausmsg::NotStarted);
    state_ = State::Adding;

    const qint64 cents = amount < 0 ? -1 : centsOf(amount);
    if (bankCode < kBankCodeMin || bankCode > kBankCodeMax) report(dtausmsg::BankCode);
    if (accountNumber < kAccountMin || accountNumber > kAccountMax) report(dtausmsg::Account);
    if (name.isEmpty()) report(dtausmsg::Name);
    // Checked on the amount as written, so that no amount that rounds up to
    // 1000000000.00 slips through.
    if (cents < 0 || cents >= kCentsLimit) report(dtausmsg::Amount);

    QStringList lines = wrapPurpose(purpose);
    if (lines.size() > kMaxLines) report(dtausmsg::Lines);

    // Warning mode: what the record cannot hold is not written.
    if (cents < 0 || cents >= kCentsLimit || bankCode < 0 || bankCode > kBankCodeMax || accountNumber < 0 ||
        accountNumber > kAccountMax || lines.size() > kMaxLinesLaidOut)
        return report(dtausmsg::Layout);
    // The E record's fields must hold the new count and sums.
    if (recordCount_ + 1 >= limitOfDigits(7) || accountSum_ + accountNumber >= limitOfDigits(17) ||
        bankCodeSum_ + bankCode >= limitOfDigits(17) || amountSumCents_ + cents >= limitOfDigits(13))
        return report(dtausmsg::Totals);

    const QByteArray record = cRecord(name, lines, cents, bankCode, accountNumber);
    buffer_ += record;
    recordCount_ += 1;
    accountSum_ += accountNumber;
    bankCodeSum_ += bankCode;
    amountSumCents_ += cents;
    for (QString& l : lines) l = dtausText(l, mode());
    purpose = lines;
    return true;
}

bool DtausWriter::AddPayment(const QString& name, const QString& purpose1, Money amount, qint64 bankCode,
                             qint64 accountNumber, const QString& purpose2, const QString& purpose3) {
    QStringList lines{purpose1};
    if (!purpose2.isEmpty()) lines << purpose2;
    if (!purpose3.isEmpty()) lines << purpose3;
    return AddPayment(name, lines, amount, bankCode, accountNumber);
}

QByteArray DtausWriter::cRecord(const QString& name, const QStringList& purpose, qint64 cents, qint64 bankCode,
                                qint64 accountNumber) const {
    const DtausMode m = mode();
    const QStringList lines = purpose.isEmpty() ? QStringList{QString()} : purpose;
    const int n = int(lines.size());
    QByteArray r;
    r += digits(187 + 29 * (n - 1), 4);
    r += 'C';
    r += "00000000";
    r += digits(bankCode, 8);
    r += digits(accountNumber, 10);
    r += "0000000000000";
    r += textKey().toLatin1().leftJustified(5, ' ', true);
    r += ' ';
    r += "00000000000";
    r += digits(runBankCode_, 8);
    r += digits(runAccount_, 10);
    r += digits(cents, 11);
    r += blanks(3);
    r += textField(name, m, 27);
    r += blanks(8);
    // Second segment: the sender, line 1 and up to two extension parts.
    r += textField(runName_, m, 27);
    r += textField(lines[0], m, 27);
    r += '1';
    r += blanks(2);
    r += digits(n - 1, 2);
    for (int i = 1; i <= 2; ++i) r += i < n ? extensionPart(lines[i], m) : blanks(29);
    r += blanks(11);
    // Further segments: four extension parts each, while lines remain.
    for (int first = 3; first < n; first += 4) {
        for (int i = first; i < first + 4; ++i) r += i < n ? extensionPart(lines[i], m) : blanks(29);
        r += blanks(12);
    }
    Q_ASSERT(r.size() % 128 == 0);
    return r;
}

QByteArray DtausWriter::eRecord() const {
    QByteArray r;
    r += "0128E";
    r += blanks(5);
    r += digits(recordCount_, 7);
    r += "0000000000000";
    r += digits(accountSum_, 17);
    r += digits(bankCodeSum_, 17);
    r += digits(amountSumCents_, 13);
    r += blanks(51);
    Q_ASSERT(r.size() == 128);
    return r;
}

bool DtausWriter::Finish() {
    if (state_ == State::Idle) return report(dtausmsg::FinishIdle);
    if (AnzahlBegleitzettel > 0 && !printer_) return report(dtausmsg::NoPrinter);

    const QByteArray all = buffer_ + eRecord();
    // Written to a temporary file, synced and renamed over the target: a failure leaves
    // no half file and an earlier file untouched, and says why in German.
    if (!Dateiname.isEmpty()) writeFileAtomically(path_ + Dateiname, all);
    buffer_ = all;
    state_ = State::Idle;
    PrintCoverSheets();
    return true;
}

QByteArray DtausWriter::FinishInMemory() {
    if (state_ == State::Idle) {
        report(dtausmsg::FinishIdle);
        return {};
    }
    buffer_ += eRecord();
    state_ = State::Idle;
    return buffer_;
}

void DtausWriter::Cancel() {
    if (state_ == State::Idle) return;
    state_ = State::Idle;
    buffer_.clear();
    recordCount_ = 0;
    accountSum_ = bankCodeSum_ = amountSumCents_ = 0;
}

void DtausWriter::PrintCoverSheets() {
    if (AnzahlBegleitzettel == 0) return;
    if (!printer_) throw DataError(dtausmsg::NoPrinter);
    printer_(coverSheet(), AnzahlBegleitzettel);
}

QString DtausWriter::volumeLabel() const {
    // A numbered carrier shows its disk number; the label of the drive cannot be set here.
    if (numbered_) return diskNumber_;
    const QStorageInfo storage(path_);
    return storage.isValid() ? storage.name() : QString();
}

QVector<CoverSheetItem> DtausWriter::coverSheet() const {
    using K = CoverSheetItem::Kind;
    QVector<CoverSheetItem> s;
    auto text = [&s](int y, int x, const QString& t, int h = 48) { s.push_back({K::Text, x, y, 0, h, t}); };
    auto line = [&s](int y, int x, int x2) { s.push_back({K::Line, x, y, x2, 0, QString()}); };

    text(200, 300, QStringLiteral("Diskettenbegleitzettel vom ") + dateToText(today()));
    const QString kind = lastschriften_ ? QStringLiteral("für Lastschriften")
                                        : QStringLiteral("für Gutschriften (Überweisungen)");
    text(260, 300, Dateiname.isEmpty() ? QStringLiteral("Datei ") + kind
                                       : QStringLiteral("Datei ") + Dateiname + u' ' + kind);
    line(400, 250, 1600);
    if (!Dateiname.isEmpty()) {
        text(440, 300, QStringLiteral("Disketten-Nr:"));
        text(440, 900, volumeLabel());
    }
    const QString sum = moneyToFixed2(amountSumCents_ * (kMoneyUnit / 100));
    const QList<std::pair<int, std::pair<QString, QString>>> rows = {
        {500, {QStringLiteral("Anzahl Datensätze C:"), QString::number(recordCount_)}},
        {560, {QStringLiteral("Summe Datensätze C:"), sum}},
        {640, {QStringLiteral("Summe Kontonummern:"), QString::fromLatin1(digits(accountSum_, 17))}},
        {700, {QStringLiteral("Summe Bankleitzahlen:"), QString::fromLatin1(digits(bankCodeSum_, 17))}},
        {800, {QStringLiteral("Bankleitzahl Absenderbank:"), QString::number(AuftraggeberBLZ)}},
        {860, {QStringLiteral("Kontonummer Absender:"), QString::number(AuftraggeberKontoNr)}},
        {920, {QStringLiteral("Absender:"), AuftraggeberName}},
    };
    for (const auto& [y, pair] : rows) {
        text(y, 300, pair.first);
        text(y, 900, pair.second);
    }
    line(1200, 500, 1100);
    text(1210, 700, QStringLiteral("Unterschrift"), 24);
    return s;
}

}  // namespace ferolind
