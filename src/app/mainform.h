// The main window: all members and all bookings in two grids, the menus, tool bar and
// context menus that open every other screen, the start-up and shutdown sequences and
// the periodic re-reading through which workstations see each other's changes.
#pragma once

#include "members/columns.h"

#include <QMainWindow>
#include <QPointer>
#include <QVector>
#include <functional>

class QAction;
class QMenu;
class QTabWidget;
class QTimer;
class QToolBar;
class QDialog;

namespace ferolind {
class Session;
class DataModule;
}  // namespace ferolind

namespace ferolind::ui {
class DatasetGrid;
class NoticeQueue;
}  // namespace ferolind::ui

class TDBErstellenF;

class TDatenEingebenF;
class TBeitragsklassenF;
class TZellenZeigenF;
class TBuchungF;
class TBuchungskontenF;
class TBestandskontenF;
class TkontosaldoF;
class TBuchungAbschlF;
class TBuchungenAuswertenF;
class TExportF;
class TMitgliederExportierenF;
class TBuchungsexportF;
class TWizzardF;
class TMitgliederAuswertenF;
class TAustritteF;
class TSammelloeschenF;
class TStatistikF;
class TBeitragBuchenF;
class TBetragLoeschenF;
class TBeitragssaumF;
class TdtausF;
class TDruckerDialogF;
class TDruckerDialogF1;
class TJubiF;
class TSpendenF;
class TEtikettendruckF;
class TTextNeuF;
class TDatenSichernF;
class TZuruecksetzenF;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(ferolind::Session& session, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Shows a screen modally; tests replace it to drive the screen without a nested loop.
    std::function<int(QDialog&)> execScreen;

    // The start-up sequence (run once when the window is first shown).
    void runStartUp();
    // The shutdown sequence (run when the window closes).
    void runShutDown();
    // Reads the free-field labels, writes them back and puts them into every title.
    void setupLabels();
    // Every club-wide value a screen keeps (re-read interval, free-field labels, payment
    // period kind, the database actions): read again whenever a club was opened, created,
    // restored or reset, not only at start.
    void readClubValues();
    // The visible columns and the column widths of every grid, from the per-user values.
    void loadColumnLayout();
    // Shows or hides the member columns of every member grid.
    void applyVisibleColumns();
    // One tick of the refresh timer.
    void refreshDatasets();

    bool connected() const { return connected_; }
    int refreshSeconds() const { return refreshSeconds_; }
    quint32 visibleColumns() const { return visibleColumns_; }
    const ferolind::FreeFieldLabels& labels() const { return labels_; }
    QAction* action(const QString& objectName) const;
    ferolind::ui::DatasetGrid* memberGrid() const { return memberGrid_; }
    ferolind::ui::DatasetGrid* bookingGrid() const { return bookingGrid_; }
    TDatenEingebenF* memberEntry() const { return memberEntry_; }
    TBeitragsklassenF* feeClassScreen() const { return feeClasses_; }
    TZellenZeigenF* columnScreen() const { return columns_; }
    TDBErstellenF* creationScreen() const { return dbCreate_; }
    TBuchungF* bookingEntry() const { return bookingEntry_; }
    TBuchungskontenF* categoryScreen() const { return categories_; }
    TBuchungenAuswertenF* bookingQueryScreen() const { return bookingQuery_; }
    TMitgliederAuswertenF* queryScreen() const { return query_; }
    TAustritteF* leaversScreen() const { return leavers_; }
    TSammelloeschenF* massDeletionScreen() const { return massDeletion_; }
    TStatistikF* statisticsScreen() const { return statistics_; }
    TBeitragBuchenF* feePaymentScreen() const { return feePayment_; }
    TBetragLoeschenF* paymentDeletionScreen() const { return paymentDeletion_; }
    TBeitragssaumF* arrearsScreen() const { return arrears_; }
    TdtausF* dtausScreen() const { return dtaus_; }
    TDruckerDialogF* printDialog() const { return printDialog_; }
    TDruckerDialogF1* statementDialog() const { return statementDialog_; }
    TJubiF* jubileeScreen() const { return jubilees_; }
    TSpendenF* receiptScreen() const { return receipt_; }
    TEtikettendruckF* labelDialog() const { return labelDialog_; }
    TTextNeuF* letterEditor() const { return letterEditor_; }
    TDatenSichernF* backupScreen() const { return backup_; }
    TZuruecksetzenF* resetScreen() const { return reset_; }
    QTimer* refreshTimer() const { return timer_; }
    // The rows of the tool bar "StandardToolBar", top first.
    const QList<QToolBar*>& toolBarRows() const { return toolBars_; }

    // Menu actions, public so that tests and the tool bar call the same code.
    void newMember();
    void editMember();
    void deleteMember();
    void openFeeClasses();
    void openFeePayment();  // with the current member handed over
    void openColumns();
    void sortMembersByColumn(int column);
    void newBooking();
    void editBooking();
    void deleteBooking();
    void recomputeBalances();
    void openTransfers();
    void openQuery();
    void openLeavers();
    void openMassDeletion();
    void openStatistics();
    // The print menu: the list print dialog with "… eingrenzen/sortieren", which opens the
    // query screen of the mode afterwards when asked; the statement dialog.
    void printMembersFromMenu();
    void printBookingsFromMenu();
    void printStatement();
    // The label dialog; its "Mitglieder eingrenzen/sortieren" shows the query without its
    // print buttons, and the query's selection stays for the labels.
    void printLabels();
    void narrowMembersForLabels();
    // The print dialog in member mode on the member dataset as the calling screen has
    // narrowed it (query, leavers, arrears, jubilees); in booking mode for the bookings.
    void printMemberList();
    void printBookingList();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildGrids();
    void buildMenus();
    void buildToolBar();
    void updateDatabaseActions();
    QAction* addEntry(QMenu* menu, const QString& objectName, const QString& text, std::function<void()> handler = {});
    void run(const std::function<void()>& action);
    ferolind::DataModule& data();
    // The member grids of the other screens (query, leavers, mass deletion).
    QVector<ferolind::ui::DatasetGrid*> screenMemberGrids() const;

    ferolind::Session& session_;
    QTabWidget* pages_ = nullptr;
    ferolind::ui::DatasetGrid* memberGrid_ = nullptr;
    ferolind::ui::DatasetGrid* bookingGrid_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QList<QToolBar*> toolBars_;  // the tool bar's rows, top first
    QTimer* timer_ = nullptr;
    QMenu* memberPopup_ = nullptr;
    QMenu* bookingPopup_ = nullptr;

    TDatenEingebenF* memberEntry_ = nullptr;
    TBeitragsklassenF* feeClasses_ = nullptr;
    TZellenZeigenF* columns_ = nullptr;
    TDBErstellenF* dbCreate_ = nullptr;
    TBuchungF* bookingEntry_ = nullptr;
    TBuchungskontenF* categories_ = nullptr;
    TBestandskontenF* transfers_ = nullptr;
    TkontosaldoF* balances_ = nullptr;
    TBuchungAbschlF* yearEnd_ = nullptr;
    TBuchungenAuswertenF* bookingQuery_ = nullptr;
    TMitgliederAuswertenF* query_ = nullptr;
    TAustritteF* leavers_ = nullptr;
    TSammelloeschenF* massDeletion_ = nullptr;
    TStatistikF* statistics_ = nullptr;
    TBeitragBuchenF* feePayment_ = nullptr;
    TBetragLoeschenF* paymentDeletion_ = nullptr;
    TBeitragssaumF* arrears_ = nullptr;
    TdtausF* dtaus_ = nullptr;
    TDruckerDialogF* printDialog_ = nullptr;
    TDruckerDialogF1* statementDialog_ = nullptr;
    TJubiF* jubilees_ = nullptr;
    TSpendenF* receipt_ = nullptr;
    TEtikettendruckF* labelDialog_ = nullptr;
    TTextNeuF* letterEditor_ = nullptr;
    TExportF* export_ = nullptr;
    TMitgliederExportierenF* memberExport_ = nullptr;
    TBuchungsexportF* bookingExport_ = nullptr;
    TWizzardF* wizard_ = nullptr;
    TDatenSichernF* backup_ = nullptr;
    TZuruecksetzenF* reset_ = nullptr;
    ferolind::ui::NoticeQueue* notices_ = nullptr;

    bool startedUp_ = false;
    bool shutDown_ = false;
    bool connected_ = false;
    int refreshSeconds_ = 0;
    quint32 visibleColumns_ = 0x1FFFFFFF;
    ferolind::FreeFieldLabels labels_;
};
