// "Kontoauszug einlesen": the proposals for the entries of a bank statement (entry,
// match, reason, certainty) with a choice per row and the category of plain bookings,
// the member an incoming entry is from (typed: proposed anew as that member's fee),
// the asset account of the statement's IBAN (asked once, then remembered), and "Buchen",
// which books the choices in one transaction and shows the comparison of the balances.
// The layout is statementscreen.ui.
#pragma once

#include "statements/statementimport.h"

#include <QDialog>
#include <memory>
#include <optional>

namespace Ui {
class TKontoauszugF;
}

namespace ferolind {
class Session;
}

// Object names of the screen's controls.
namespace ferolind::ui::statementscreen::controls {
inline constexpr const char* kFile = "BDatei";
inline constexpr const char* kStatement = "LAuszug";
inline constexpr const char* kAccount = "CBKonto";
inline constexpr const char* kProposals = "TVorschlaege";
inline constexpr const char* kDetail = "LGrund";  // the whole reason of the current row
inline constexpr const char* kBalance = "LSaldo";
inline constexpr const char* kBook = "BBuchen";
inline constexpr const char* kClose = "BSchliessen";
// The columns of the proposal table.
enum Column { Entry, Match, Reason, Certainty, Choice, Category, Member };
}  // namespace ferolind::ui::statementscreen::controls

class TKontoauszugF : public QDialog {
    Q_OBJECT
public:
    TKontoauszugF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TKontoauszugF() override;

    // Reads and matches a statement file (the file button asks for one); false when it
    // was refused (the message was shown).
    bool openFile(const QString& path);
    // "Buchen": the choices of the table are booked.
    void book();

    // The choices in the per-row box, in this order.
    static QStringList choiceTexts();

private:
    void chooseFile();
    void fillTable();
    void fillRow(int row);
    void memberTyped(int row);

    std::unique_ptr<Ui::TKontoauszugF> ui_;
    ferolind::Session& session_;
    std::optional<ferolind::StatementMatch> match_;
    bool filling_ = false;
};
