#include "mainform.h"

#include "booking/accounts.h"
#include "booking/bookingentry.h"
#include "booking/bookinggrid.h"
#include "booking/accountviews.h"
#include "booking/balancescreen.h"
#include "booking/bookingrules.h"
#include "booking/categories.h"
#include "booking/bookingqueryscreen.h"
#include "booking/transferscreen.h"
#include "booking/yearendscreen.h"
#include "common/datasetgrid.h"
#include "common/help.h"
#include "common/look.h"
#include "common/messages.h"
#include "common/notices.h"
#include "common/placement.h"
#include "common/progressdisplay.h"
#include "data/datamodule.h"
#include "data/dbcreate.h"
#include "data/errors.h"
#include "data/paths.h"
#include "exchange/exportscreen.h"
#include "exchange/importscreens.h"
#include "fees/arrearsscreen.h"
#include "fees/feepaymentscreen.h"
#include "fees/paymentdeletion.h"
#include "letters/texteditor.h"
#include "maintenance/backupscreen.h"
#include "maintenance/resetscreen.h"
#include "members/columnsettings.h"
#include "members/columnsscreen.h"
#include "members/feeclasses.h"
#include "members/leavers.h"
#include "members/massdeletion.h"
#include "members/memberentry.h"
#include "members/memberentryrules.h"
#include "members/memberrules.h"
#include "members/queryscreen.h"
#include "members/statistics.h"
#include "payments/runfiles.h"
#include "payments/dtausscreen.h"
#include "statements/statementscreen.h"
#include "printing/memberlistlayout.h"
#include "payments/jubileescreen.h"
#include "payments/labeldialog.h"
#include "payments/receiptscreen.h"
#include "printing/printdialog.h"
#include "printing/statementdialog.h"
#include "session/session.h"

#include <QAction>
#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>

using namespace ferolind;
using ferolind::ui::DatasetGrid;

namespace {

// Designed widths of the member grid by field: ID 31, the fee-paid flag 55, salutation,
// bank code and jubilee the default width of their field (0); every other column 64.
const ui::ColumnWidths& memberGridWidths() {
    static const ui::ColumnWidths widths = {
        {QStringLiteral("ID"), 31},
        {QStringLiteral("Anrede"), 0},
        {QStringLiteral("Bankleitzahl"), 0},
        {QStringLiteral("Jubilaeum"), 0},
        {QStringLiteral("BeitragAktuellBezahlt"), 55},
    };
    return widths;
}

// The window frame measured at the last close (outer minus inner size), per user.
const QString kFrameWidth = QStringLiteral("RahmenBreite");
const QString kFrameHeight = QStringLiteral("RahmenHoehe");
// The window's last place on the desktop (frame included), per user.
const QString kLeft = QStringLiteral("Left");
const QString kTop = QStringLiteral("Top");

}  // namespace

TMainForm::TMainForm(Session& session, QWidget* parent) : QMainWindow(parent), session_(session) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Ferolind 2011 - der professionelle Vereinsmanager"));
    resize(1000, 640);        // the designed size
    applicationDataFolder();  // created at start when missing
    execScreen = [](QDialog& d) { return d.exec(); };

    buildGrids();
    buildMenus();
    buildToolBar();

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    connect(timer_, &QTimer::timeout, this, [this] { run([this] { refreshDatasets(); }); });

    // Every screen is created once and lives until the program ends.
    memberEntry_ = new TDatenEingebenF(session_, this);
    feeClasses_ = new TBeitragsklassenF(session_, this);
    columns_ = new TZellenZeigenF(session_, this);
    dbCreate_ = new TDBErstellenF(session_, this);
    query_ = new TMitgliederAuswertenF(session_, this);
    leavers_ = new TAustritteF(session_, this);
    massDeletion_ = new TSammelloeschenF(session_, this);
    statistics_ = new TStatistikF(session_, this);
    memberEntry_->openFeeClasses = [this] { openFeeClasses(); };
    bookingEntry_ = new TBuchungF(session_, this);
    categories_ = new TBuchungskontenF(session_, this);
    bookingEntry_->openCategories = [this] { execScreen(*categories_); };
    transfers_ = new TBestandskontenF(session_, this);
    balances_ = new TkontosaldoF(session_, this);
    yearEnd_ = new TBuchungAbschlF(session_, this);
    bookingQuery_ = new TBuchungenAuswertenF(session_, this);
    connect(bookingQuery_, &TBuchungenAuswertenF::openBooking, this, [this] { run([this] { editBooking(); }); });
    query_->openMemberEntry = [this] { editMember(); };
    feePayment_ = new TBeitragBuchenF(session_, this);
    feePayment_->openBooking = [this] { execScreen(*bookingEntry_); };
    paymentDeletion_ = new TBetragLoeschenF(session_, this);
    arrears_ = new TBeitragssaumF(session_, *feePayment_, this);
    memberEntry_->openFeePayment = [this] { openFeePayment(); };
    memberEntry_->openFeePaymentDeletion = [this] { execScreen(*paymentDeletion_); };
    printDialog_ = new TDruckerDialogF(session_, this);
    printDialog_->visibleColumns = [this] { return visibleColumns_; };
    statementDialog_ = new TDruckerDialogF1(session_, this);
    letterEditor_ = new TTextNeuF(session_, this);
    query_->printList = [this] { printMemberList(); };
    leavers_->printList = [this] { printMemberList(); };
    bookingQuery_->printList = [this] { printBookingList(); };
    arrears_->printList = [this] { printMemberList(); };
    dtaus_ = new TdtausF(session_, *feePayment_, this);
    dtaus_->statusColumnSelected = [this] {
        return printDialog_->memberColumnSelected(int(printing::memberPrintCaptions().indexOf(QStringLiteral("Status"))));
    };
    jubilees_ = new TJubiF(session_, this);
    jubilees_->printList = [this] { printMemberList(); };
    query_->openJubilees = [this] { execScreen(*jubilees_); };
    receipt_ = new TSpendenF(session_, this);
    receipt_->openBooking = [this] { execScreen(*bookingEntry_); };
    labelDialog_ = new TEtikettendruckF(session_, this);
    labelDialog_->openQuery = [this] { narrowMembersForLabels(); };
    // Hiding the birthday menu entry at start-up disables it as well: its tool bar button
    // opens the screen itself and follows the database (updateDatabaseActions).
    QAction* jubileeButton = findChild<QAction*>(QStringLiteral("TbJubilaeen"));
    disconnect(action(QStringLiteral("ActJubilaeen")), nullptr, jubileeButton, nullptr);
    disconnect(jubileeButton, &QAction::triggered, nullptr, nullptr);
    connect(jubileeButton, &QAction::triggered, this, [this] { run([this] { execScreen(*jubilees_); }); });
    export_ = new TExportF(data().members(), this);
    memberExport_ = new TMitgliederExportierenF(data().members(), this);
    export_->visibleColumns = memberExport_->visibleColumns = [this] { return visibleColumns_; };
    bookingExport_ = new TBuchungsexportF(data().bookings(), this);
    wizard_ = new TWizzardF(session_, this);
    arrears_->exportList = [this] { execScreen(*export_); };
    backup_ = new TDatenSichernF(session_, this);
    reset_ = new TZuruecksetzenF(session_, this);
    // The last window closed ends the program; until then no screen uses the club's values.
    reset_->endProgram = [this] {
        readClubValues();
        close();
    };
    // A restore (and a backup, harmlessly) may bring other club-wide and per-user values.
    connect(backup_, &QDialog::accepted, this, [this] {
        run([this] {
            readClubValues();
            loadColumnLayout();
            applyVisibleColumns();
        });
    });

    // The rules' notices from stores made outside the entry screen (which shows its own).
    notices_ = new ui::NoticeQueue(this);
    new ui::ProgressDisplay(this);  // long work in the core shows a busy cursor and its count
    new ui::DialogPlacement(this);  // each screen opens centred on this window
    connect(&session_.memberRules(), &MemberRules::notice, this, [this](const QString& text) {
        if (!memberEntry_->isVisible()) notices_->add(text);
    });
    connect(&session_.bookingRules(), &BookingRules::notice, this, [this](const QString& text) {
        // The entry and transfer screens show the rules' refusals themselves.
        if (!bookingEntry_->isVisible() && !transfers_->isVisible()) notices_->add(text);
    });
    updateDatabaseActions();
    connect(columns_, &TZellenZeigenF::closedWithLabels, this, [this] {
        setupLabels();
        applyVisibleColumns();
    });
}

TMainForm::~TMainForm() = default;

DataModule& TMainForm::data() { return session_.data(); }

QVector<DatasetGrid*> TMainForm::screenMemberGrids() const {
    return {query_->memberGrid(), leavers_->memberGrid(), massDeletion_->memberGrid(), arrears_->memberGrid(),
            jubilees_->memberGrid()};
}

void TMainForm::run(const std::function<void()>& action) { ui::guarded(this, action); }

// ------------------------------------------------------------------ building

void TMainForm::buildGrids() {
    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    memberGrid_ = new DatasetGrid(data().members(), memberColumnFields(), memberColumnTitles(labels_),
                                  QStringLiteral("Main"), memberGridWidths());
    memberGrid_->setObjectName(QStringLiteral("DBGrid1"));
    memberGrid_->setSortArrowShown(true);  // the members are sorted by title click
    bookingGrid_ = new DatasetGrid(data().bookings(), bookingColumnFields(), bookingColumnTitles(),
                                   QStringLiteral("MainB"), ui::bookingGridWidths());
    bookingGrid_->setObjectName(QStringLiteral("DBGrid2"));
    pages_->addTab(memberGrid_, QStringLiteral("Mitglieder"));
    pages_->addTab(bookingGrid_, QStringLiteral("Buchungen"));
    setCentralWidget(pages_);

    connect(memberGrid_, &DatasetGrid::rowDoubleClicked, this, [this] { run([this] { editMember(); }); });
    connect(bookingGrid_, &DatasetGrid::rowDoubleClicked, this, [this] { run([this] { editBooking(); }); });
    connect(memberGrid_, &DatasetGrid::titleClicked, this,
            [this](int c) { run([this, c] { sortMembersByColumn(c); }); });
    memberGrid_->setContextMenuPolicy(Qt::CustomContextMenu);
    bookingGrid_->setContextMenuPolicy(Qt::CustomContextMenu);
}

QAction* TMainForm::addEntry(QMenu* menu, const QString& objectName, const QString& text,
                             std::function<void()> handler) {
    auto* a = new QAction(text, this);
    a->setObjectName(objectName);
    if (handler)
        connect(a, &QAction::triggered, this, [this, handler] { run(handler); });
    else
        a->setEnabled(false);  // its screen comes later
    menu->addAction(a);
    return a;
}

void TMainForm::buildMenus() {
    QMenu* program = menuBar()->addMenu(QStringLiteral("&Programm"));
    addEntry(program, "ActSpalten", QStringLiteral("Spalten anpassen (Mitglieder)"), [this] { openColumns(); });
    addEntry(program, "ActStatistik", QStringLiteral("Statistik"), [this] { openStatistics(); });
    program->addSeparator();
    addEntry(program, "ActImport", QStringLiteral("Daten importieren"), [this] { execScreen(*wizard_); });
    addEntry(program, "ActExport", QStringLiteral("Daten exportieren"), [this] { execScreen(*export_); });
    program->addSeparator();
    addEntry(program, "ActSichern", QStringLiteral("Datenbank sichern/zurücklesen"), [this] { execScreen(*backup_); });
    addEntry(program, "ActZuruecksetzen", QStringLiteral("Programm zurücksetzen"), [this] { execScreen(*reset_); });
    program->addSeparator();
    addEntry(program, "ActBeenden", QStringLiteral("Beenden"), [this] { close(); });

    QMenu* members = menuBar()->addMenu(QStringLiteral("&Mitglieder"));
    addEntry(members, "ActMitgliedNeu", QStringLiteral("Neu"), [this] { newMember(); });
    addEntry(members, "ActMitgliedBearbeiten", QStringLiteral("Bearbeiten"), [this] { editMember(); });
    addEntry(members, "ActAuswerten", QStringLiteral("Auswerten / Suchen"), [this] { openQuery(); });
    addEntry(members, "ActSammelloeschen", QStringLiteral("Sammellöschen"), [this] { openMassDeletion(); });
    addEntry(members, "ActJubilaeen", QStringLiteral("Geburtstage und Jubiläen anzeigen"),
             [this] { execScreen(*jubilees_); });
    members->addSeparator();
    addEntry(members, "ActBeitragBuchen", QStringLiteral("Beitrag buchen"), [this] { execScreen(*feePayment_); });
    addEntry(members, "ActBeitragssaeumige", QStringLiteral("Beitragssäumige anzeigen"), [this] { execScreen(*arrears_); });
    addEntry(members, "ActSpendenquittung", QStringLiteral("Spendenquittung erstellen"),
             [this] { execScreen(*receipt_); });
    addEntry(members, "ActAustritte", QStringLiteral("Austritte anzeigen"), [this] { openLeavers(); });
    members->addSeparator();
    addEntry(members, "ActBeitragsklassen", QStringLiteral("Beitragsklassen"), [this] { openFeeClasses(); });
    addEntry(members, "ActMitgliederExportieren", QStringLiteral("Exportieren"), [this] { execScreen(*memberExport_); });

    QMenu* bookings = menuBar()->addMenu(QStringLiteral("&Buchungen"));
    addEntry(bookings, "ActBuchungNeu", QStringLiteral("Neu"), [this] { newBooking(); });
    addEntry(bookings, "ActBuchungBearbeiten", QStringLiteral("Bearbeiten"), [this] { editBooking(); });
    addEntry(bookings, "ActBuchungenAuswerten", QStringLiteral("Auswerten"), [this] { execScreen(*bookingQuery_); });
    bookings->addSeparator();
    addEntry(bookings, "ActBuchungskonten", QStringLiteral("Buchungskonten"), [this] { execScreen(*categories_); });
    addEntry(bookings, "ActUmbuchen", QStringLiteral("Bestandskonten umbuchen"), [this] { openTransfers(); });
    addEntry(bookings, "ActStartwerte", QStringLiteral("Bestandskonten: Startwerte"), [this] { openTransfers(); });
    addEntry(bookings, "ActKontosalden", QStringLiteral("Kontosalden"), [this] { execScreen(*balances_); });
    addEntry(bookings, "ActJahresabschluss", QStringLiteral("Buchungsjahr abschließen"),
             [this] { execScreen(*yearEnd_); });
    addEntry(bookings, "ActSaldenNeu", QStringLiteral("Salden neu berechnen"), [this] { recomputeBalances(); });
    bookings->addSeparator();
    addEntry(bookings, "ActBuchungenExportieren", QStringLiteral("Buchungen exportieren"),
             [this] { execScreen(*bookingExport_); });
    addEntry(bookings, "ActDtaus", QStringLiteral("DTAUS erstellen"), [this] { execScreen(*dtaus_); });
    addEntry(bookings, "ActMitgliederImport", QStringLiteral("Daten importieren"), [this] {
        TImportNeuF screen(session_, labels_, this);  // made anew for each use
        execScreen(screen);
    });
    addEntry(bookings, "ActKontoauszug", QStringLiteral("Kontoauszug einlesen"), [this] {
        TKontoauszugF screen(session_, this);
        execScreen(screen);
    });

    QMenu* print = menuBar()->addMenu(QStringLiteral("&Drucken"));
    addEntry(print, "ActDruckMitglieder", QStringLiteral("Mitgliedslisten"), [this] { printMembersFromMenu(); });
    addEntry(print, "ActDruckBuchungen", QStringLiteral("Buchungsdaten"), [this] { printBookingsFromMenu(); });
    addEntry(print, "ActDruckJahresabschluss", QStringLiteral("Jahresabschluss"), [this] { printStatement(); });
    addEntry(print, "ActEtiketten", QStringLiteral("Etiketten drucken"), [this] { printLabels(); });

    QMenu* text = menuBar()->addMenu(QStringLiteral("&Textverarbeitung"));
    addEntry(text, "ActBrief", QStringLiteral("Brief verfassen"), [this] { execScreen(*letterEditor_); });
    addEntry(text, "ActSerienbrief", QStringLiteral("Serienbrief erstellen"), [this] { execScreen(*letterEditor_); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Hilfe"));
    QAction* manual = addEntry(help, "ActHilfe", QStringLiteral("Hilfe aufrufen"), [this] { ui::openManual(this); });
    manual->setShortcut(QKeySequence(Qt::Key_F1));
    addEntry(help, "ActInternet", QStringLiteral("Ferolind im Internet"));
    addEntry(help, "ActUmfrage", QStringLiteral("UMFRAGE zur Verbesserung des Programmes"));
    addEntry(help, "ActInfo", QStringLiteral("Info"), [this] {
        QMessageBox::about(this, QStringLiteral("Info"),
                           QStringLiteral("<b>Ferolind 2011 NET</b><br>der professionelle Vereinsmanager<br><br>"
                                          "Mitglieder, Beiträge, Buchhaltung und Listen für Ihren Verein."));
    });

    // F10 opens the first menu, as in other desktop programs; Alt and the underlined
    // letter opens each menu.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    f10->setObjectName(QStringLiteral("MenuKey"));
    connect(f10, &QShortcut::activated, this, [this] {
        const QList<QAction*> menus = menuBar()->actions();
        if (!menus.isEmpty()) menuBar()->setActiveAction(menus.first());
    });

    // Context menus of the grids.
    memberPopup_ = new QMenu(this);
    memberPopup_->setObjectName(QStringLiteral("PopupMenu1"));
    addEntry(memberPopup_, "PopSpalten", QStringLiteral("Spalten anpassen"), [this] { openColumns(); });
    addEntry(memberPopup_, "PopMitgliedBearbeiten", QStringLiteral("Mitglied bearbeiten"), [this] { editMember(); });
    addEntry(memberPopup_, "PopMitgliedLoeschen", QStringLiteral("Mitglied löschen"), [this] { deleteMember(); });
    bookingPopup_ = new QMenu(this);
    bookingPopup_->setObjectName(QStringLiteral("PopupMenu2"));
    addEntry(bookingPopup_, "PopBuchungBearbeiten", QStringLiteral("Buchung bearbeiten"), [this] { editBooking(); });
    addEntry(bookingPopup_, "PopBuchungLoeschen", QStringLiteral("Buchung löschen"), [this] { deleteBooking(); });
    connect(memberGrid_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { memberPopup_->popup(memberGrid_->viewport()->mapToGlobal(p)); });
    connect(bookingGrid_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { bookingPopup_->popup(bookingGrid_->viewport()->mapToGlobal(p)); });
}

void TMainForm::buildToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Werkzeuge"));
    toolBar_->setObjectName(QStringLiteral("StandardToolBar"));
    toolBar_->setMovable(false);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolBar_->setIconSize(QSize(18, 18));
    toolBar_->setStyleSheet(
        QStringLiteral("QToolButton { font-family: 'Liberation Sans'; font-size: 8pt; padding: 0px 1px; }"));
    // Each button acts exactly as its menu entry: it is a second view of the same action
    // (with its own hint text).
    auto button = [this](const char* actionName, const QString& hint, QStyle::StandardPixmap icon) {
        QAction* menuAction = action(QString::fromLatin1(actionName));
        // Long captions go on two lines, so the bar fits a normal window.
        QString caption = menuAction->text();
        if (caption.size() > 10 && caption.contains(' ')) {
            int cut = caption.indexOf(' ', caption.size() / 2 - 2);
            if (cut < 0) cut = caption.lastIndexOf(' ');
            caption[cut] = '\n';
        }
        auto* b = new QAction(style()->standardIcon(icon), caption, this);
        b->setObjectName(QStringLiteral("Tb") + QString::fromLatin1(actionName).mid(3));
        b->setToolTip(hint);
        b->setEnabled(menuAction->isEnabled());
        connect(b, &QAction::triggered, menuAction, &QAction::trigger);
        connect(menuAction, &QAction::enabledChanged, b, &QAction::setEnabled);
        toolBar_->addAction(b);
    };
    using SP = QStyle::StandardPixmap;
    button("ActMitgliedNeu", QStringLiteral("Neues Mitglied anlegen"), SP::SP_FileIcon);
    button("ActMitgliedBearbeiten", QStringLiteral("Mitglieder bearbeiten"), SP::SP_FileDialogDetailedView);
    button("ActAuswerten", QStringLiteral("Mitglieder auswerten / suchen"), SP::SP_FileDialogContentsView);
    button("ActSammelloeschen", QStringLiteral("Sammellöschen"), SP::SP_TrashIcon);
    button("ActJubilaeen", QStringLiteral("Jubiläen anzeigen"), SP::SP_DialogYesButton);
    button("ActBeitragssaeumige", QStringLiteral("Beitragssäumige anzeigen"), SP::SP_MessageBoxWarning);
    button("ActDruckMitglieder", QStringLiteral("Mitgliedslisten drucken"), SP::SP_DriveFDIcon);
    toolBar_->addSeparator();
    button("ActBuchungNeu", QStringLiteral("Neue Buchung erstellen"), SP::SP_FileIcon);
    button("ActBuchungBearbeiten", QStringLiteral("Buchungen bearbeiten"), SP::SP_FileDialogDetailedView);
    button("ActBuchungenAuswerten", QStringLiteral("Buchungen auswerten"), SP::SP_FileDialogContentsView);
    button("ActDruckBuchungen", QStringLiteral("Buchungsdaten drucken"), SP::SP_DriveFDIcon);
    button("ActDruckJahresabschluss", QStringLiteral("Jahresabschluss drucken"), SP::SP_DriveFDIcon);
    // The 23 buttons do not fit one row of the designed 1000 pixels with their captions:
    // the program, letter and help buttons go on a second row, in the same order.
    addToolBarBreak();
    QToolBar* first = toolBar_;
    toolBar_ = addToolBar(QStringLiteral("Werkzeuge 2"));
    toolBar_->setObjectName(QStringLiteral("StandardToolBar2"));
    toolBar_->setMovable(false);
    toolBar_->setToolButtonStyle(first->toolButtonStyle());
    toolBar_->setIconSize(first->iconSize());
    toolBar_->setStyleSheet(first->styleSheet());
    button("ActSpalten", QStringLiteral("Spalten anpassen"), SP::SP_FileDialogListView);
    button("ActImport", QStringLiteral("Daten importieren"), SP::SP_ArrowDown);
    button("ActExport", QStringLiteral("Daten exportieren"), SP::SP_ArrowUp);
    button("ActBeenden", QStringLiteral("Beenden"), SP::SP_DialogCloseButton);
    toolBar_->addSeparator();
    button("ActBrief", QStringLiteral("Brief erstellen"), SP::SP_FileDialogNewFolder);
    button("ActSerienbrief", QStringLiteral("Serienbrief erstellen"), SP::SP_FileDialogNewFolder);
    toolBar_->addSeparator();
    button("ActHilfe", QStringLiteral("Hilfe aufrufen"), SP::SP_DialogHelpButton);
    button("ActInternet", QStringLiteral("Ferolind im Internet"), SP::SP_DriveNetIcon);
    toolBars_ = {first, toolBar_};
    toolBar_ = first;
}

QAction* TMainForm::action(const QString& objectName) const { return findChild<QAction*>(objectName); }

// ------------------------------------------------------------------ start-up and shutdown

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // After the window is on screen, so that the creation screen has its parent.
    if (!startedUp_) QTimer::singleShot(0, this, [this] { run([this] { runStartUp(); }); });
}

void TMainForm::setupLabels() {
    labels_ = setupFreeFieldLabels(data().settings());
    memberGrid_->setTitles(memberColumnTitles(labels_));
    bookingGrid_->setTitles(bookingColumnTitles());
    memberEntry_->setFreeFieldLabels(labels_);
    columns_->setTitles(memberColumnTitles(labels_));
    query_->setFreeFieldLabels(labels_);
    leavers_->setFreeFieldLabels(labels_);
    massDeletion_->setFreeFieldLabels(labels_);
    arrears_->setFreeFieldLabels(labels_);
    dtaus_->setFreeFieldLabels(labels_);
    dtaus_->setMandateDateCaptions(labels_);
    printDialog_->setFreeFieldLabels(labels_);
    jubilees_->setFreeFieldLabels(labels_);
    export_->setFreeFieldLabels(labels_);
    memberExport_->setFreeFieldLabels(labels_);
}

void TMainForm::readClubValues() {
    timer_->stop();
    refreshSeconds_ = session_.refreshSeconds();
    if (refreshSeconds_ > 0) timer_->start(refreshSeconds_ * 1000);
    setupLabels();
    // The payment period kind, as a click on its choice in the fee payment screen.
    feePayment_->chooseStoredPeriodKind();
    updateDatabaseActions();
}

void TMainForm::loadColumnLayout() {
    visibleColumns_ = loadVisibleColumns();
    columns_->setVisibleColumns(visibleColumns_);
    memberGrid_->loadWidths();
    bookingGrid_->loadWidths();
    for (DatasetGrid* g : screenMemberGrids()) g->loadWidths();
}

void TMainForm::applyVisibleColumns() {
    visibleColumns_ = columns_->visibleColumns();
    memberGrid_->applyVisibleColumns(visibleColumns_);
    for (DatasetGrid* g : screenMemberGrids()) g->applyVisibleColumns(visibleColumns_);
}

void TMainForm::runStartUp() {
    if (startedUp_) return;
    startedUp_ = true;
    DataModule& d = data();
    // 1. The database of this user.
    connected_ = d.openAtStart();
    // 2. Refresh interval (0 without a database), 3. free-field labels into every title.
    readClubValues();
    // 4. Visible columns and the stored widths.
    loadColumnLayout();
    // 5. The last numbers, and the computed member values now that all tables are open.
    session_.loadAfterOpen();
    // The file of a direct-debit run a crash interrupted after its commit is written now.
    try {
        for (const QString& line : writePendingRunFiles(d).lines) notices_->add(line);
    } catch (const DataError& e) {
        notices_->add(e.message());
    }
    // 6. Member sort order.
    const QString sort = RegistryGetString(QStringLiteral("Sort"));
    try {
        d.members().setSort(sort);
    } catch (const DataError&) {
        d.members().setSort(QString());  // a stored order of an unknown field
    }
    if (d.members().sort().trimmed().isEmpty()) d.members().setSort(QStringLiteral("ID"));
    // The grid opens at its first row in the stored order (sorting keeps the record that
    // was first by number current, which may lie anywhere in that order).
    if (d.members().isOpen()) d.members().first();
    // 7. Window state, size and position. A maximized window gets its last normal size
    // and position first, which it returns to when it is no longer maximized.
    const bool maximized = RegistryGetString(QStringLiteral("WindowState")) == u"wsMaximized";
    if (!maximized) showNormal();
    {
        // The stored values are the outer size, frame included. The frame is the one
        // measured at the last close: right after start the window manager may not have
        // framed the window yet, and a frame measured now would read as none, so that
        // the window grew by its frame at every start.
        QSize frame = frameGeometry().size() - size();
        if (RegistryHasValue(kFrameWidth) && RegistryHasValue(kFrameHeight))
            frame = QSize(qMax(0, RegistryGetInt(kFrameWidth)), qMax(0, RegistryGetInt(kFrameHeight)));
        const int h = RegistryGetInt(QStringLiteral("Height"));
        const int w = RegistryGetInt(QStringLiteral("Width"));
        if (h > 0) resize(width(), qMax(1, h - frame.height()));
        if (w > 0) resize(qMax(1, w - frame.width()), height());
        // Where it was, but wholly on a screen (a screen may have gone since).
        QPoint at = pos();
        if (RegistryHasValue(kLeft) && RegistryHasValue(kTop)) at = QPoint(RegistryGetInt(kLeft), RegistryGetInt(kTop));
        QScreen* screen = QGuiApplication::screenAt(at + QPoint(frame.width(), frame.height()));
        if (!screen) screen = QGuiApplication::primaryScreen();
        if (screen) {
            const QRect area = screen->availableGeometry();
            const QSize outer = size() + frame;
            at.setX(qMax(area.left(), qMin(at.x(), area.right() + 1 - outer.width())));
            at.setY(qMax(area.top(), qMin(at.y(), area.bottom() + 1 - outer.height())));
        }
        move(at);
    }
    if (maximized) showMaximized();
    // 9. Without a database: the creation/selection screen. The club it opens or creates
    // has values of its own, read as at a start with it.
    if (!connected_) {
        execScreen(*dbCreate_);  // it loads the last numbers of the database it opens
        connected_ = d.connected();
        if (connected_) {
            readClubValues();
            loadColumnLayout();  // the number columns as wide as this club's numbers
        }
    }
    updateDatabaseActions();
    // 10. Visible columns in every member grid.
    applyVisibleColumns();
    // 11. The birthday menu entry is hidden; its tool bar button stays.
    action(QStringLiteral("ActJubilaeen"))->setVisible(false);
}

void TMainForm::runShutDown() {
    if (shutDown_) return;
    shutDown_ = true;
    timer_->stop();
    DataModule& d = data();
    // 1. Last numbers (dropped when no database is open).
    session_.saveAtShutdown();
    // 2. Sort order, 3. window state and size, 4. columns and widths.
    RegistrySetString(QStringLiteral("Sort"), d.members().sort());
    if (isMaximized()) {
        RegistrySetString(QStringLiteral("WindowState"), QStringLiteral("wsMaximized"));
        // The normal size and place it goes back to, with the frame last measured.
        const QRect normal = normalGeometry();
        if (normal.isValid()) {
            // The frame of the normal window: the one last measured there, else this one.
            const QSize now = frameGeometry().size() - size();
            const int fw = RegistryHasValue(kFrameWidth) ? qMax(0, RegistryGetInt(kFrameWidth)) : now.width();
            const int fh = RegistryHasValue(kFrameHeight) ? qMax(0, RegistryGetInt(kFrameHeight)) : now.height();
            RegistrySetInt(kFrameWidth, fw);
            RegistrySetInt(kFrameHeight, fh);
            RegistrySetInt(QStringLiteral("Width"), normal.width() + fw);
            RegistrySetInt(QStringLiteral("Height"), normal.height() + fh);
            RegistrySetInt(kLeft, normal.left() - (geometry().left() - frameGeometry().left()));
            RegistrySetInt(kTop, normal.top() - (geometry().top() - frameGeometry().top()));
        }
    } else if (!isMinimized()) {
        RegistrySetString(QStringLiteral("WindowState"), QStringLiteral("wsNormal"));
        RegistrySetInt(QStringLiteral("Height"), frameGeometry().height());
        RegistrySetInt(QStringLiteral("Width"), frameGeometry().width());
        RegistrySetInt(kFrameWidth, frameGeometry().width() - width());
        RegistrySetInt(kFrameHeight, frameGeometry().height() - height());
        RegistrySetInt(kLeft, frameGeometry().left());
        RegistrySetInt(kTop, frameGeometry().top());
    }
    saveVisibleColumns(visibleColumns_);
    memberGrid_->saveWidths();
    bookingGrid_->saveWidths();
    for (DatasetGrid* g : screenMemberGrids()) g->saveWidths();
    bookingQuery_->grid()->saveWidths();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    run([this] { runShutDown(); });
    event->accept();
}

void TMainForm::refreshDatasets() {
    // Every current record is kept; a dataset whose record is being edited is skipped,
    // and so is the tick that falls into long work (it repaints the window meanwhile).
    if (ui::ProgressDisplay::working()) return;
    if (data().members().isOpen()) data().refreshAll();
}

// ------------------------------------------------------------------ actions

void TMainForm::updateDatabaseActions() {
    // Without a database there is nothing to show or change on these screens.
    const bool open = data().members().isOpen();
    for (const char* name :
         {"ActMitgliedNeu", "ActMitgliedBearbeiten", "ActBeitragsklassen", "PopMitgliedBearbeiten", "PopMitgliedLoeschen",
          "ActAuswerten", "ActSammelloeschen", "ActAustritte", "ActStatistik", "ActBuchungNeu", "ActBuchungBearbeiten",
          "ActBuchungenAuswerten", "ActBuchungskonten", "ActUmbuchen", "ActStartwerte", "ActKontosalden",
          "ActJahresabschluss", "ActSaldenNeu", "PopBuchungBearbeiten", "PopBuchungLoeschen", "ActBeitragBuchen",
          "ActBeitragssaeumige", "ActDruckMitglieder", "ActDruckBuchungen", "ActDruckJahresabschluss", "ActDtaus",
          "ActJubilaeen", "TbJubilaeen", "ActSpendenquittung", "ActEtiketten", "ActImport", "ActExport",
          "ActMitgliederExportieren", "ActBuchungenExportieren", "ActMitgliederImport", "ActSichern",
          "ActZuruecksetzen"})
        action(QString::fromLatin1(name))->setEnabled(open);
}

void TMainForm::newMember() {
    data().members().insert();
    execScreen(*memberEntry_);
}

void TMainForm::editMember() {
    if (data().members().isOpen()) execScreen(*memberEntry_);  // also by double click
}

void TMainForm::deleteMember() {
    Dataset& m = data().members();
    if (!m.isOpen() || m.isEmpty()) return;
    const QString question =
        MemberEntryRules::deleteQuestion(m.text(QStringLiteral("Vorname")), m.text(QStringLiteral("Nachname")));
    if (ui::askDelete(this, question) == ui::Answer::Yes) m.remove();  // fee payments stay
}

void TMainForm::openFeeClasses() { execScreen(*feeClasses_); }

// From the member entry screen: the member shown there is handed over.
void TMainForm::openFeePayment() {
    if (!data().members().isEmpty()) feePayment_->setHandedOverMember(MemberEntryRules(session_).pickText());
    execScreen(*feePayment_);
}

void TMainForm::newBooking() {
    data().bookings().insert();
    execScreen(*bookingEntry_);
}

void TMainForm::editBooking() {
    if (data().bookings().isOpen()) execScreen(*bookingEntry_);  // also by double click
}

// The booking rules take its effect out of its account's balance.
void TMainForm::deleteBooking() {
    Dataset& b = data().bookings();
    if (!b.isOpen() || b.isEmpty()) return;
    if (ui::askDelete(this, TBuchungF::kDeleteQuestion) == ui::Answer::Yes) b.remove();
}

// Only with an asset account to book on.
void TMainForm::openTransfers() {
    if (session_.bookingRules().accounts().isEmpty())
        ui::inform(this, kNoAssetAccountsMessage);
    else
        execScreen(*transfers_);
}

void TMainForm::recomputeBalances() {
    ferolind::recomputeBalances(data());
    ui::inform(this, kBalancesRecomputedMessage);
}

void TMainForm::openColumns() {
    columns_->setTitles(memberColumnTitles(labels_));
    execScreen(*columns_);
}

void TMainForm::sortMembersByColumn(int column) { data().members().setSort(memberColumnFields().value(column)); }

void TMainForm::openQuery() { execScreen(*query_); }

void TMainForm::openLeavers() { execScreen(*leavers_); }

void TMainForm::openMassDeletion() { execScreen(*massDeletion_); }

void TMainForm::printMembersFromMenu() {
    printDialog_->mode = ListMode::Member;
    printDialog_->offerQuery(true);
    execScreen(*printDialog_);
    if (printDialog_->returnCode == TDruckerDialogF::kOpenQuery) {
        printDialog_->returnCode = 0;
        openQuery();
    }
}

void TMainForm::printBookingsFromMenu() {
    printDialog_->mode = ListMode::Booking;
    printDialog_->offerQuery(true);
    execScreen(*printDialog_);
    if (printDialog_->returnCode == TDruckerDialogF::kOpenQuery) {
        printDialog_->returnCode = 0;
        execScreen(*bookingQuery_);
    }
}

void TMainForm::printStatement() { execScreen(*statementDialog_); }

void TMainForm::printMemberList() {
    printDialog_->mode = ListMode::Member;
    printDialog_->offerQuery(false);
    execScreen(*printDialog_);
}

void TMainForm::printBookingList() {
    printDialog_->mode = ListMode::Booking;
    printDialog_->offerQuery(false);
    execScreen(*printDialog_);
}

void TMainForm::openStatistics() { execScreen(*statistics_); }

void TMainForm::printLabels() { execScreen(*labelDialog_); }

void TMainForm::narrowMembersForLabels() {
    namespace q = ferolind::ui::memberquery::controls;
    QWidget* buttons[] = {query_->findChild<QWidget*>(QString::fromLatin1(q::kPrint)),
                          query_->findChild<QWidget*>(QString::fromLatin1(q::kBirthdays))};
    for (QWidget* b : buttons) b->hide();
    query_->keepSelectionOnClose = true;
    struct Restore {
        TMitgliederAuswertenF* query;
        QWidget** buttons;
        ~Restore() {
            query->keepSelectionOnClose = false;
            for (int i = 0; i < 2; ++i) buttons[i]->show();
        }
    } restore{query_, buttons};
    execScreen(*query_);
}
