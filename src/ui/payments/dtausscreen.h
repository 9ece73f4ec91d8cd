// "Datenträgeraustausch": the direct-debit run over the members marked "DTAUS", with the
// club's sender data (kept club-wide), the optional fee payment of a period for all of
// them, the cover sheet of the last run and the bank-data list. The same run can write a
// SEPA file (pain.008) instead, with the creditor data, the collection date and the
// pre-notification (runSepa in core/payments/separun.h). The screen lives as long
// as the program and owns the one DTAUS writer, so "Beiblatt drucken" shows the last
// run's count and sums. The run itself is runDtaus in core/payments/dtausrun.h; the
// layout is dtausscreen.ui. "Datei erneut schreiben" writes the file of a run that a
// crash interrupted after its payments were stored (writePendingRunFiles, runfiles.h).
#pragma once

#include "members/selectioncontrols.h"
#include "payments/dtauswriter.h"

#include <functional>
#include <memory>

class QPrinter;

namespace ferolind {
struct SepaRunInput;
}

namespace Ui {
class TdtausF;
}

class TBeitragBuchenF;

// Object names of the screen's controls.
namespace ferolind::ui::dtausscreen::controls {
inline constexpr const char* kAccount = "EKontonummer";
inline constexpr const char* kHolder = "EKontoinhaber";
inline constexpr const char* kExecution = "DTPAusfuehrung";
inline constexpr const char* kTarget = "EZieldatei";
inline constexpr const char* kChooseTarget = "SpeedButton1";
inline constexpr const char* kPurpose = "EVerwendungszweck";
inline constexpr const char* kBankCode = "EBLZ";
inline constexpr const char* kRecord = "CBBuchen";
inline constexpr const char* kIncludeFormerMembers = "CBAusgetretene";
inline constexpr const char* kYear = "CBJahr";
inline constexpr const char* kPeriodLabel = "LMonatQuartal";
inline constexpr const char* kPeriod = "CBMonatQuartal";
inline constexpr const char* kRun = "Button1";          // "Datei erstellen"
inline constexpr const char* kCoverSheet = "BBeiblatt";  // "Beiblatt drucken"
inline constexpr const char* kRewrite = "BDateiErneut";  // "Datei erneut schreiben"
inline constexpr const char* kHelp = "SpeedButton3";
inline constexpr const char* kList = "Button3";  // "Liste drucken"
inline constexpr const char* kGrid = "DBGrid1";
// The choice of the file and the SEPA creditor data.
inline constexpr const char* kFormat = "CBVerfahren";  // "DTAUS" / "SEPA (pain.008)"
inline constexpr const char* kSepaGroup = "GBSepa";
inline constexpr const char* kSepaName = "ESepaName";
inline constexpr const char* kSepaCreditorId = "ESepaGlaeubigerID";
inline constexpr const char* kSepaIban = "ESepaIBAN";
inline constexpr const char* kSepaBic = "ESepaBIC";
inline constexpr const char* kSepaPrefix = "ESepaPraefix";
inline constexpr const char* kSepaMandateDate = "CBSepaMandatsdatum";
inline constexpr const char* kSepaSequence = "CBSepaSequenz";
inline constexpr const char* kSepaCollection = "DESepaFaelligkeit";
inline constexpr const char* kSepaTarget = "ESepaZieldatei";
inline constexpr const char* kSepaChooseTarget = "SBSepaZieldatei";
inline constexpr const char* kPrenotification = "BVorabinformation";  // "Vorabinformation drucken"
}  // namespace ferolind::ui::dtausscreen::controls

class TdtausF : public ferolind::ui::MemberSelectionScreen {
    Q_OBJECT
public:
    // The free fields offered for the mandate date under the club's labels.
    void setMandateDateCaptions(const ferolind::FreeFieldLabels& labels);
    // periods: the fee payment screen, whose period kind and period box this screen copies.
    TdtausF(ferolind::Session& session, const TBeitragBuchenF& periods, QWidget* parent = nullptr);
    ~TdtausF() override;

    ferolind::DtausWriter& writer() { return writer_; }

    // What showing does: the period state copied, the direct-debit filter, today as the
    // execution date, the sender fields from the settings, the year box.
    void prepareShow() override;
    void done(int result) override;  // stores the sender fields, then the filter goes off

    // Seams for tests: the file-save dialog of "…", the previews and the state of the
    // print dialog's "Status" box (set by the main window).
    std::function<QString(const QString& current)> askTarget;
    std::function<int(QDialog&)> execPreview;
    std::function<bool()> statusColumnSelected;

private:
    bool sepaChosen() const;
    void formatChosen();
    ferolind::SepaRunInput sepaInput() const;
    void printPrenotification();
    void chooseTarget();
    void leaveBankCode();
    void run();
    void printCoverSheet();
    void rewriteRunFiles();
    void printList();

    std::unique_ptr<Ui::TdtausF> ui_;
    const TBeitragBuchenF& periods_;
    ferolind::DtausWriter writer_;
    std::unique_ptr<QPrinter> printer_;
    bool checkingBankCode_ = false;
};
