// The export screens: "Daten exportieren" (TExportF, members as CSV, HTML or TXT; also
// from the arrears list), "Mitglieder exportieren" (TMitgliederExportierenF, adds Excel
// and OpenDocument)
// and "Buchungsdaten exportieren" (TBuchungsexportF). Each writes the rows its dataset
// presents, in their order, with the columns ticked. The layouts are exportscreen.ui and
// bookingexportscreen.ui; the column check boxes are made from the core's column list
// and named "CB" + field.
#pragma once

#include "exchange/exports.h"

#include <QDialog>
#include <functional>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace Ui {
class TExportF;
class TBuchungsexportF;
}  // namespace Ui

namespace ferolind {
class Dataset;
}

// Object names of the controls no field binds.
namespace ferolind::ui::exportscreen::controls {
inline constexpr const char* kTarget = "EZieldatei";
inline constexpr const char* kChoose = "SpeedButton1";
inline constexpr const char* kExport = "Button1";
inline constexpr const char* kCsv = "RBCSV";
inline constexpr const char* kHtml = "RBHTML";
inline constexpr const char* kTxt = "RBTXT";
inline constexpr const char* kExcel = "RBExcel";
inline constexpr const char* kOds = "RBOds";
inline constexpr const char* kTab = "RBTabulator";
inline constexpr const char* kSemicolon = "RBSemikolon";
inline constexpr const char* kComma = "RBKomma";
inline constexpr const char* kDoubleQuote = "RBDoppelt";
inline constexpr const char* kSingleQuote = "RBEinfach";
inline constexpr const char* kNoQualifier = "RBKeine";
inline constexpr const char* kTitleRow = "CBTitelzeile";
// The check box of a column.
inline QString columnBox(const QString& field) { return QStringLiteral("CB") + field; }
}  // namespace ferolind::ui::exportscreen::controls

class ExportScreen : public QDialog {
    Q_OBJECT
public:
    ~ExportScreen() override;

    // The save dialog: the chosen path, or a null text when cancelled (tests replace it).
    std::function<QString(QWidget* parent, const QString& filter, const QString& suffix)> chooseTarget;

    // What opening does (also from showEvent): target emptied, "Exportieren" disabled,
    // separator and qualifier in their CSV state, the format kept.
    virtual void prepareShow();
    ferolind::exchange::ExportFormat format() const;

protected:
    struct Controls {
        QRadioButton *csv, *html, *txt, *excel, *ods;
        QLineEdit* target;
        QToolButton *choose, *help;
        QGroupBox *fields, *separators, *qualifiers;
        QRadioButton *tab, *semicolon, *comma, *doubleQuote, *singleQuote, *none;
        QCheckBox* title;
        QPushButton* run;
    };
    ExportScreen(ferolind::Dataset& data, QVector<ferolind::exchange::ExportColumn> columns, QWidget* parent);
    void setUp(const Controls& c);
    void showEvent(QShowEvent* e) override;
    QVector<QCheckBox*> boxes_;
    QVector<ferolind::exchange::ExportColumn> columns_;
    // Whether a cancelled save dialog empties the target (the member screen) or keeps it.
    bool cancelEmptiesTarget_ = false;

private:
    void applyFormat();
    void choose();
    void runExport();
    ferolind::Dataset& data_;
    Controls c_{};
};

class TExportF : public ExportScreen {
    Q_OBJECT
public:
    TExportF(ferolind::Dataset& members, QWidget* parent = nullptr);
    ~TExportF() override;
    // Which member columns the main window's grid shows (bit i: member column i).
    std::function<quint32()> visibleColumns;
    // The user's labels: headings of the free fields, and on this screen their captions.
    void setFreeFieldLabels(const ferolind::FreeFieldLabels& labels);
    void prepareShow() override;

protected:
    TExportF(ferolind::Dataset& members, bool memberScreen, QWidget* parent);
    std::unique_ptr<Ui::TExportF> ui_;
    bool memberScreen_;
};

class TMitgliederExportierenF : public TExportF {
    Q_OBJECT
public:
    explicit TMitgliederExportierenF(ferolind::Dataset& members, QWidget* parent = nullptr);
};

class TBuchungsexportF : public ExportScreen {
    Q_OBJECT
public:
    explicit TBuchungsexportF(ferolind::Dataset& bookings, QWidget* parent = nullptr);
    ~TBuchungsexportF() override;

private:
    std::unique_ptr<Ui::TBuchungsexportF> ui_;
};
