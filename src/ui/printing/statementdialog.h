// "Jahresabschluss drucken": title, date range and monthly or yearly periods of the
// statement; "Vorschau" opens its preview. The layout is statementdialog.ui.
#pragma once

#include <QDate>
#include <QDialog>
#include <functional>
#include <memory>

class QPrinter;

namespace Ui {
class TDruckerDialogF1;
}
namespace ferolind {
class Session;
}

// Object names of the dialog's controls.
namespace ferolind::ui::statementdialog::controls {
inline constexpr const char* kPrinterName = "LDrucker";
inline constexpr const char* kChangePrinter = "Button2";
inline constexpr const char* kTitle = "ETitel";
inline constexpr const char* kFrom = "DateTimePickerVon";
inline constexpr const char* kTo = "DateTimePickerBis";
inline constexpr const char* kMonth = "RadioButton1";
inline constexpr const char* kQuarter = "RadioButton4";
inline constexpr const char* kYear = "RadioButton2";
inline constexpr const char* kAll = "RadioButton3";
inline constexpr const char* kSumCategories = "CBKategorie";
inline constexpr const char* kMonthly = "RBmonatsweise";
inline constexpr const char* kYearly = "RBjahresweise";
inline constexpr const char* kPreview = "BNeu";
inline constexpr const char* kClose = "BSchliessen";
}  // namespace ferolind::ui::statementdialog::controls

class TDruckerDialogF1 : public QDialog {
    Q_OBJECT
public:
    TDruckerDialogF1(ferolind::Session& session, QWidget* parent = nullptr);
    ~TDruckerDialogF1() override;

    std::function<int(QDialog&)> execPreview;
    std::function<bool(QPrinter&)> askPrinter;
    // What showing does: default printer, title, the dates of the first and last booking.
    void prepareShow();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void preview();

    std::unique_ptr<Ui::TDruckerDialogF1> ui_;
    ferolind::Session& session_;
    std::unique_ptr<QPrinter> printer_;
};
