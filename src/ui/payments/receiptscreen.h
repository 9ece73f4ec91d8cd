// "Spendenquittung drucken": the donation receipt for a donor picked from the members or
// typed in, the club data (club-wide entries, loaded at every showing and stored at every
// close), the money or in-kind page, the copies, and after printing the prepared income
// booking in the booking entry screen. The form is core/printing/donationreceipt.h, the
// data around it core/payments/donations.h; the layout is receiptscreen.ui.
#pragma once

#include "printing/donationreceipt.h"

#include <QDialog>
#include <functional>
#include <memory>

class QPrinter;

namespace Ui {
class TSpendenF;
}
namespace ferolind {
class Session;
}

// Object names of the screen's controls.
namespace ferolind::ui::receiptscreen::controls {
inline constexpr const char* kPrinterName = "LDrucker";
inline constexpr const char* kChangePrinter = "Button3";
inline constexpr const char* kCopies = "UpDown1";
inline constexpr const char* kMembers = "CBMitglieder";
inline constexpr const char* kAmount = "EBetrag";
inline constexpr const char* kDate = "EDatum";
inline constexpr const char* kDonorName = "ESpenderName";
inline constexpr const char* kDonorStreet = "ESpenderStrasse";
inline constexpr const char* kDonorTown = "ESpenderOrt";
inline constexpr const char* kMakeBooking = "CBBuchungssatz";
inline constexpr const char* kClubName = "EName";
inline constexpr const char* kClubStreet = "Estrasse";
inline constexpr const char* kClubTown = "EOrt";
inline constexpr const char* kTaxOffice = "EFinanzamt";
inline constexpr const char* kTaxNumber = "ESteuernummer";
inline constexpr const char* kNoticeDate = "EDatumBescheid";
inline constexpr const char* kValidFrom = "EGueltigAb";
inline constexpr const char* kPurpose = "EZweck";
inline constexpr const char* kProvisional = "cbvorlaeufig";
inline constexpr const char* kWaiver = "CBVerzichtErstattungAufwendungen";
inline constexpr const char* kNotMembershipFee = "CBnichtMitgliedsbeitrag";
inline constexpr const char* kPages = "PageControl1";  // page 0 money, 1 in kind
inline constexpr const char* kItem = "EWeitereAngabenZuSachspende";
inline constexpr const char* kBusinessAssets = "CBBetriebsvermoegen";
inline constexpr const char* kPrivateAssets = "CBPrivatvermoegen";
inline constexpr const char* kNoOrigin = "cbkeineAngabenzurHerkunft";
inline constexpr const char* kValuation = "CBWertermittlungsunterlagenLiegenVor";
inline constexpr const char* kPrint = "BNeu";        // "Drucken"
inline constexpr const char* kClose = "BSchliessen";  // "Abbrechen"
inline constexpr const char* kHelp = "SpeedButton2";
}  // namespace ferolind::ui::receiptscreen::controls

class TSpendenF : public QDialog {
    Q_OBJECT
public:
    TSpendenF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TSpendenF() override;

    // Opens the booking entry screen on the prepared booking (set by the main window).
    std::function<void()> openBooking;
    // The printer set-up dialog; tests replace it.
    std::function<bool(QPrinter&)> askPrinter;

    int exec() override;
    // What showing does: the member list, the default printer, the club data, today's date.
    void prepareShow();
    // The receipt as the screen's contents give it.
    ferolind::printing::DonationReceipt receipt() const;
    QPrinter& printer() { return *printer_; }

protected:
    void done(int r) override;

private:
    void pickMember(const QString& pickText);
    void print();

    std::unique_ptr<Ui::TSpendenF> ui_;
    ferolind::Session& session_;
    std::unique_ptr<QPrinter> printer_;
};
