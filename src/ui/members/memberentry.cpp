#include "memberentry.h"

#include "common/bindings.h"
#include "common/help.h"
#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "members/banklookup.h"
#include "members/memberrules.h"
#include "session/session.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCollator>
#include <QComboBox>
#include <QDesktopServices>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

using namespace ferolind;
using namespace ferolind::ui;

namespace {

// A drop-down box that reports when its list is about to open.
class EntryComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> beforePopup;
    void showPopup() override {
        if (beforePopup) beforePopup();
        QComboBox::showPopup();
    }
};

QLineEdit* makeEdit(QWidget* parent, const char* name, int width = 0) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    if (width > 0) e->setFixedWidth(width);
    return e;
}

QComboBox* makeCombo(QWidget* parent, const char* name, int minWidth = 0) {
    auto* c = new EntryComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    if (minWidth > 0) c->setMinimumWidth(minWidth);
    return c;
}

// A caption in front of a control; it knows its control, so tests and screen readers can find it.
QLabel* caption(const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, buddy->parentWidget());
    l->setObjectName(QStringLiteral("Label_") + buddy->objectName());
    l->setBuddy(buddy);
    return l;
}

QFormLayout* makeForm(QGroupBox* box) {
    auto* form = new QFormLayout(box);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setFormAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(6);
    form->setContentsMargins(10, 8, 10, 10);
    return form;
}

void addRow(QFormLayout* form, const QString& label, QWidget* field, int labelWidth) {
    QLabel* l = caption(label, field);
    l->setMinimumWidth(labelWidth);
    form->addRow(l, field);
}

// Replaces the items of an editable box and keeps the text it shows, without telling
// its binding (refilling a list is no change of the member).
void replaceItems(QComboBox* box, const QStringList& items) {
    const QSignalBlocker block(box);
    const QString text = box->currentText();
    box->clear();
    box->addItems(items);
    const int i = box->findText(text, Qt::MatchExactly);
    if (i >= 0)
        box->setCurrentIndex(i);
    else {
        box->setCurrentIndex(-1);
        box->setEditText(text);
    }
}

QStringList sortedGerman(QStringList items) {
    QCollator c{QLocale(QLocale::German, QLocale::Germany)};
    c.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(items.begin(), items.end(),
                     [&](const QString& a, const QString& b) { return c.compare(a, b) < 0; });
    return items;
}

const int kLabelWidth = 92;

}  // namespace

// ============================================================ construction

TDatenEingebenF::TDatenEingebenF(Session& session, QWidget* parent)
    : QDialog(parent),
      session_(session),
      members_(session.data().members()),
      rules_(session.memberRules()),
      entry_(session) {
    setObjectName(QStringLiteral("DatenEingebenF"));
    setWindowTitle(QStringLiteral("Mitglieder eingeben/ändern"));
    applyScreenLook(this);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    pages_->setDocumentMode(false);
    auto* personal = new QWidget;
    auto* account = new QWidget;
    auto* paid = new QWidget;
    personal->setObjectName(QStringLiteral("TabSheet1"));
    account->setObjectName(QStringLiteral("TabSheet2"));
    paid->setObjectName(QStringLiteral("TabSheet3"));
    pages_->addTab(personal, QStringLiteral("Persönliche Daten"));
    pages_->addTab(account, QStringLiteral("Kontodaten"));
    pages_->addTab(paid, QStringLiteral("Bezahlte Beiträge"));
    buildPersonalPage(personal);
    buildAccountPage(account);
    buildPaidPage(paid);

    auto* pageFrame = new QWidget(this);
    auto* pageLayout = new QVBoxLayout(pageFrame);
    pageLayout->setContentsMargins(10, 10, 10, 10);
    pageLayout->addWidget(pages_);
    root->addWidget(pageFrame, 1);
    root->addWidget(buildBottomBar());

    // Buttons in an entry screen never act on Enter.
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    // Tab order: the member number first, then the fields as they stand on the pages.
    QWidget* order[] = {DBID,  CBAnrede, DBEdit2, DBEdit1,  DBEdit12, DBEdit3,    DBEdit4, DBEdit5,
                        CBOrt, DBEdit8,  DBEdit9, DBEdit10, EEmail,   DBEintritt, DBEdit14};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    QWidget* accountOrder[] = {DBEdit7,     DBEdit15,      DBEdit16,      DBEdit17,      DBComboBox1,
                               DBCheckBox1, freeEdits_[0], freeEdits_[1], freeEdits_[2], freeEdits_[3]};
    for (size_t i = 1; i < std::size(accountOrder); ++i) setTabOrder(accountOrder[i - 1], accountOrder[i]);

    bindControls();

    // Leaving and entering fields runs their lookups and checks.
    for (QWidget* w : {static_cast<QWidget*>(DBID), static_cast<QWidget*>(DBEdit5), static_cast<QWidget*>(DBEdit15),
                       static_cast<QWidget*>(DBEdit17), static_cast<QWidget*>(DBComboBox1)})
        w->installEventFilter(this);
    static_cast<EntryComboBox*>(DBComboBox1)->beforePopup = [this] { enterFeeClassBox(); };

    connect(DBComboBox1, &QComboBox::currentTextChanged, this, [this] { feeClassTextChanged(); });
    for (QLineEdit* e : {DBEdit7, DBEdit15, DBEdit17})
        connect(e, &QLineEdit::textChanged, this, [this] {
            if (refreshDepth_ == 0) updateDirectDebit();
        });

    // The rules keep this screen's dependent controls in step while it is showing.
    MemberEntryHooks& hooks = rules_.entry;
    hooks.showing = [this] { return isVisible(); };
    hooks.setFeeButtonEnabled = [this](bool on) { setFeeButtonWanted(on); };
    hooks.setSaveEnabled = [this](bool on) { BSpeichern->setEnabled(on); };
    hooks.recordChanged = [this] { refreshRecordDependents(); };

    // The bank code file comes with the program; the user may replace it.
    ensureBankCodeFile();

    BBeitragBuchen->setEnabled(false);
    BeitragLoeschen->setEnabled(false);
    BSpeichern->setEnabled(false);
    resize(sizeHint().expandedTo(QSize(900, 0)));
}

TDatenEingebenF::~TDatenEingebenF() { rules_.entry = {}; }

void TDatenEingebenF::buildPersonalPage(QWidget* page) {
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);

    auto* person = new QGroupBox(QStringLiteral("Person"), page);
    person->setObjectName(QStringLiteral("GroupPerson"));
    auto* f = makeForm(person);
    DBID = makeEdit(person, "DBID", 90);
    CBAnrede = makeCombo(person, "CBAnrede");
    CBAnrede->setFixedWidth(160);
    CBAnrede->addItems({QStringLiteral("Herrn"), QStringLiteral("Frau"), QStringLiteral("Familie")});
    CBAnrede->setCurrentIndex(-1);
    DBEdit2 = makeEdit(person, "DBEdit2");
    DBEdit1 = makeEdit(person, "DBEdit1");
    DBEdit12 = makeEdit(person, "DBEdit12", 100);
    addRow(f, QStringLiteral("Mitgliedsnr."), DBID, kLabelWidth);
    addRow(f, QStringLiteral("Anrede"), CBAnrede, kLabelWidth);
    addRow(f, QStringLiteral("Vorname"), DBEdit2, kLabelWidth);
    addRow(f, QStringLiteral("Nachname"), DBEdit1, kLabelWidth);
    addRow(f, QStringLiteral("Geburtstag"), DBEdit12, kLabelWidth);

    auto* address = new QGroupBox(QStringLiteral("Anschrift"), page);
    address->setObjectName(QStringLiteral("GroupAnschrift"));
    f = makeForm(address);
    DBEdit3 = makeEdit(address, "DBEdit3");
    DBEdit4 = makeEdit(address, "DBEdit4", 60);
    DBEdit5 = makeEdit(address, "DBEdit5", 80);
    CBOrt = makeCombo(address, "CBOrt");
    addRow(f, QStringLiteral("Straße"), DBEdit3, kLabelWidth);
    addRow(f, QStringLiteral("Land"), DBEdit4, kLabelWidth);
    addRow(f, QStringLiteral("PLZ"), DBEdit5, kLabelWidth);
    addRow(f, QStringLiteral("Ort"), CBOrt, kLabelWidth);

    auto* contact = new QGroupBox(QStringLiteral("Erreichbarkeit"), page);
    contact->setObjectName(QStringLiteral("GroupErreichbarkeit"));
    f = makeForm(contact);
    DBEdit8 = makeEdit(contact, "DBEdit8");
    DBEdit9 = makeEdit(contact, "DBEdit9");
    DBEdit10 = makeEdit(contact, "DBEdit10");
    EEmail = makeEdit(contact, "EEmail");
    emailButton_ = new QToolButton(contact);
    emailButton_->setObjectName(QStringLiteral("BEMail"));
    emailButton_->setText(QStringLiteral("@"));
    emailButton_->setToolTip(QStringLiteral("eMail versenden"));
    emailButton_->setFixedSize(EEmail->sizeHint().height() + 4, EEmail->sizeHint().height());
    connect(emailButton_, &QToolButton::clicked, this, [this] { sendEmail(); });
    auto* emailRow = new QWidget(contact);
    auto* eh = new QHBoxLayout(emailRow);
    eh->setContentsMargins(0, 0, 0, 0);
    eh->setSpacing(4);
    EEmail->setParent(emailRow);
    emailButton_->setParent(emailRow);
    eh->addWidget(EEmail, 1);
    eh->addWidget(emailButton_);
    addRow(f, QStringLiteral("Telefon 1"), DBEdit8, kLabelWidth);
    addRow(f, QStringLiteral("Telefon 2"), DBEdit9, kLabelWidth);
    addRow(f, QStringLiteral("Telefax"), DBEdit10, kLabelWidth);
    QLabel* emailLabel = caption(QStringLiteral("e-Mail"), EEmail);
    emailLabel->setParent(contact);
    emailLabel->setMinimumWidth(kLabelWidth);
    f->addRow(emailLabel, emailRow);

    auto* membership = new QGroupBox(QStringLiteral("Mitgliedschaft"), page);
    membership->setObjectName(QStringLiteral("GroupMitgliedschaft"));
    auto* mv = new QVBoxLayout(membership);
    mv->setContentsMargins(10, 8, 10, 10);
    mv->setSpacing(8);
    auto* dates = new QFormLayout;
    dates->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    dates->setHorizontalSpacing(10);
    dates->setVerticalSpacing(6);
    DBEintritt = makeEdit(membership, "DBEintritt", 100);
    DBEdit14 = makeEdit(membership, "DBEdit14", 100);
    addRow(dates, QStringLiteral("Eintritt"), DBEintritt, kLabelWidth);
    addRow(dates, QStringLiteral("Austritt"), DBEdit14, kLabelWidth);
    mv->addLayout(dates);

    auto makeRadioGroup = [membership](const char* name, const QString& title, const QStringList& items,
                                       QButtonGroup*& group) {
        auto* box = new QGroupBox(title, membership);
        box->setObjectName(QString::fromLatin1(name));
        auto* v = new QVBoxLayout(box);
        v->setContentsMargins(10, 6, 10, 8);
        v->setSpacing(4);
        group = new QButtonGroup(box);
        for (int i = 0; i < items.size(); ++i) {
            auto* rb = new QRadioButton(items[i], box);
            rb->setObjectName(QStringLiteral("%1_%2").arg(QString::fromLatin1(name)).arg(i));
            group->addButton(rb, i);
            v->addWidget(rb);
        }
        return box;
    };
    DBRadioGroup1 = makeRadioGroup("DBRadioGroup1", QStringLiteral("Geschlecht"),
                                   {QStringLiteral("Männlich"), QStringLiteral("Weiblich")}, genderGroup_);
    DBRadioGroup2 = makeRadioGroup("DBRadioGroup2", QStringLiteral("Status"),
                                   {QStringLiteral("aktiv"), QStringLiteral("passiv")}, statusGroup_);
    auto* radios = new QHBoxLayout;
    radios->setSpacing(10);
    radios->addWidget(DBRadioGroup1, 1);
    radios->addWidget(DBRadioGroup2, 1);
    mv->addLayout(radios);
    mv->addStretch(1);

    grid->addWidget(person, 0, 0);
    grid->addWidget(address, 0, 1);
    grid->addWidget(contact, 1, 0);
    grid->addWidget(membership, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
}

void TDatenEingebenF::buildAccountPage(QWidget* page) {
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);

    auto* bank = new QGroupBox(QStringLiteral("Bankverbindung"), page);
    bank->setObjectName(QStringLiteral("GroupBank"));
    auto* f = makeForm(bank);
    DBEdit7 = makeEdit(bank, "DBEdit7", 130);
    DBEdit15 = makeEdit(bank, "DBEdit15", 100);
    DBEdit16 = makeEdit(bank, "DBEdit16");
    DBEdit17 = makeEdit(bank, "DBEdit17");
    addRow(f, QStringLiteral("Kontonummer"), DBEdit7, kLabelWidth);
    addRow(f, QStringLiteral("Bankleitzahl"), DBEdit15, kLabelWidth);
    addRow(f, QStringLiteral("Institut"), DBEdit16, kLabelWidth);
    addRow(f, QStringLiteral("Kontoinhaber"), DBEdit17, kLabelWidth);

    auto* extra = new QGroupBox(QStringLiteral("Weitere Angaben"), page);
    extra->setObjectName(QStringLiteral("GroupSonstiges"));
    f = makeForm(extra);
    const char* freeNames[4] = {"DBEdit18", "DBEdit19", "DBEdit20", "DBEdit21"};
    for (int i = 0; i < 4; ++i) {
        freeEdits_[i] = makeEdit(extra, freeNames[i]);
        freeLabels_[i] = caption(FreeFieldLabels::defaultLabel(i), freeEdits_[i]);
        freeLabels_[i]->setMinimumWidth(kLabelWidth);
        f->addRow(freeLabels_[i], freeEdits_[i]);
    }

    auto* fee = new QGroupBox(QStringLiteral("Beitrag"), page);
    fee->setObjectName(QStringLiteral("GroupBeitrag"));
    auto* fv = new QVBoxLayout(fee);
    fv->setContentsMargins(10, 8, 10, 10);
    fv->setSpacing(8);

    auto* classRow = new QHBoxLayout;
    classRow->setSpacing(6);
    DBComboBox1 = makeCombo(fee, "DBComboBox1", 170);
    SpeedButton4 = new QToolButton(fee);
    SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
    SpeedButton4->setToolTip(QStringLiteral("Beitragsklassen bearbeiten"));
    {
        // A pointing hand where the font has one.
        const QChar hand(0x261E);
        SpeedButton4->setText(QFontMetrics(SpeedButton4->font()).inFont(hand) ? QString(hand) : QStringLiteral("…"));
        QFont big = SpeedButton4->font();
        big.setPointSizeF(big.pointSizeF() * 1.4);
        SpeedButton4->setFont(big);
        SpeedButton4->setFixedSize(DBComboBox1->sizeHint().height() + 6, DBComboBox1->sizeHint().height());
    }
    connect(SpeedButton4, &QToolButton::clicked, this, [this] { editFeeClasses(); });
    Label28 = new QLabel(fee);
    Label28->setObjectName(QStringLiteral("Label28"));
    Label28->setMinimumWidth(80);
    QFont bold = Label28->font();
    bold.setBold(true);
    Label28->setFont(bold);
    classRow->addWidget(caption(QStringLiteral("Beitragsklasse"), DBComboBox1));
    classRow->addWidget(DBComboBox1, 1);
    classRow->addWidget(SpeedButton4);
    classRow->addWidget(Label28);
    fv->addLayout(classRow);

    const QString hintStyle = QStringLiteral("color: #8b1a1a;");
    Label29 =
        new QLabel(QStringLiteral("Bitte eine Beitragsklasse anlegen, indem Sie oben auf die \"Hand\" klicken!"), fee);
    Label29->setObjectName(QStringLiteral("Label29"));
    Label29->setWordWrap(true);
    Label29->setStyleSheet(hintStyle);
    fv->addWidget(Label29);

    auto* line = new QFrame(fee);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    fv->addWidget(line);

    DBCheckBox1 = new QCheckBox(QStringLiteral("DTAUS-Teilnahme"), fee);
    DBCheckBox1->setObjectName(QStringLiteral("DBCheckBox1"));
    fv->addWidget(DBCheckBox1);
    Label27 = new QLabel(QStringLiteral("Bitte die Felder Kontonummer, Kontoinhaber, Bankleitzahl und Jahresbeitrag "
                                        "ausfüllen, um DTAUS nutzen zu können!"),
                         fee);
    Label27->setObjectName(QStringLiteral("Label27"));
    Label27->setWordWrap(true);
    Label27->setStyleSheet(hintStyle);
    fv->addWidget(Label27);
    fv->addStretch(1);

    BBeitragBuchen = new QPushButton(QStringLiteral("Beitrag buchen"), fee);
    BBeitragBuchen->setObjectName(QStringLiteral("BBeitragBuchen"));
    BBeitragBuchen->setMinimumWidth(120);
    connect(BBeitragBuchen, &QPushButton::clicked, this, [this] { bookFee(); });
    fv->addWidget(BBeitragBuchen, 0, Qt::AlignRight);

    grid->addWidget(bank, 0, 0);
    grid->addWidget(extra, 1, 0);
    grid->addWidget(fee, 0, 1, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
}

void TDatenEingebenF::buildPaidPage(QWidget* page) {
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(14, 12, 14, 12);
    v->setSpacing(8);
    Label24 = new QLabel(QStringLiteral("Für die folgenden Jahre wurde der Beitrag bezahlt:"), page);
    Label24->setObjectName(QStringLiteral("Label24"));
    MBeitrag = new QPlainTextEdit(page);
    MBeitrag->setObjectName(QStringLiteral("MBeitrag"));
    MBeitrag->setReadOnly(true);
    MBeitrag->setMaximumWidth(320);
    Label24->setBuddy(MBeitrag);
    BeitragLoeschen = new QPushButton(QStringLiteral("Eintrag löschen"), page);
    BeitragLoeschen->setObjectName(QStringLiteral("BeitragLoeschen"));
    BeitragLoeschen->setMinimumWidth(120);
    connect(BeitragLoeschen, &QPushButton::clicked, this, [this] { deleteFeePayments(); });

    auto* h = new QHBoxLayout;
    h->setSpacing(10);
    h->addWidget(MBeitrag, 1);
    auto* side = new QVBoxLayout;
    side->addWidget(BeitragLoeschen);
    side->addStretch(1);
    h->addLayout(side);
    h->addStretch(1);
    v->addWidget(Label24);
    v->addLayout(h, 1);
}

QWidget* TDatenEingebenF::buildBottomBar() {
    auto* bar = new QFrame(this);
    bar->setObjectName(QStringLiteral("Panel1"));
    bar->setFrameShape(QFrame::StyledPanel);
    bar->setFrameShadow(QFrame::Raised);
    QPalette p = bar->palette();
    p.setColor(QPalette::Window, kScreenColour);
    bar->setPalette(p);
    bar->setAutoFillBackground(true);

    auto* h = new QHBoxLayout(bar);
    h->setContentsMargins(10, 8, 10, 8);
    h->setSpacing(6);

    auto button = [bar](const char* name, const QString& text) {
        auto* b = new QPushButton(text, bar);
        b->setObjectName(QString::fromLatin1(name));
        b->setMinimumWidth(84);
        return b;
    };
    auto tool = [bar](const char* name, const QString& hint) {
        auto* t = new QToolButton(bar);
        t->setObjectName(QString::fromLatin1(name));
        t->setToolTip(hint);
        t->setAutoRaise(false);
        return t;
    };

    BNeu = button("BNeu", QStringLiteral("NEU"));
    BSpeichern = button("BSpeichern", QStringLiteral("Speichern"));
    BLoeschen = button("BLoeschen", QStringLiteral("Löschen"));
    BSchliessen = button("BSchliessen", QStringLiteral("Schließen"));
    connect(BNeu, &QPushButton::clicked, this, [this] { newMember(); });
    connect(BSpeichern, &QPushButton::clicked, this, [this] { saveMember(); });
    connect(BLoeschen, &QPushButton::clicked, this, [this] { deleteMember(); });
    connect(BSchliessen, &QPushButton::clicked, this, [this] { requestClose(); });

    ComboBox1 = new QComboBox(bar);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->addItems(MemberEntryRules::searchFieldItems());
    ComboBox1->setCurrentIndex(0);  // "ID"
    ComboBox1->setFixedWidth(110);
    EFind = new QLineEdit(bar);
    EFind->setObjectName(QStringLiteral("EFind"));
    EFind->setFixedWidth(150);
    EFind->setPlaceholderText(QStringLiteral("Suchbegriff"));
    SpeedButton1 = tool("SpeedButton1", QStringLiteral("Finden"));
    SpeedButton1->setText(QStringLiteral("Finden"));
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { findMember(); });
    connect(EFind, &QLineEdit::returnPressed, this, [this] { findMember(); });

    auto* navigator = new QWidget(bar);
    navigator->setObjectName(QStringLiteral("DBNavigator2"));
    auto* nh = new QHBoxLayout(navigator);
    nh->setContentsMargins(0, 0, 0, 0);
    nh->setSpacing(2);
    navPrior_ = tool("DBNavigator2Prior", QStringLiteral("Vorheriges Mitglied"));
    navNext_ = tool("DBNavigator2Next", QStringLiteral("Nächstes Mitglied"));
    navPrior_->setArrowType(Qt::LeftArrow);
    navNext_->setArrowType(Qt::RightArrow);
    for (QToolButton* t : {navPrior_, navNext_}) {
        t->setParent(navigator);
        t->setFixedSize(28, BNeu->sizeHint().height());
        nh->addWidget(t);
    }
    connect(navPrior_, &QToolButton::clicked, this, [this] { stepMember(-1); });
    connect(navNext_, &QToolButton::clicked, this, [this] { stepMember(1); });

    SpeedButton5 = tool("SpeedButton5", QStringLiteral("Hile aufrufen"));
    SpeedButton5->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    SpeedButton5->setFixedSize(BNeu->sizeHint().height(), BNeu->sizeHint().height());
    connect(SpeedButton5, &QToolButton::clicked, this, [this] { openManual(this); });
    SpeedButton1->setFixedHeight(EFind->sizeHint().height());

    auto separator = [bar] {
        auto* s = new QFrame(bar);
        s->setFrameShape(QFrame::VLine);
        s->setFrameShadow(QFrame::Sunken);
        return s;
    };

    h->addWidget(BNeu);
    h->addWidget(BSpeichern);
    h->addWidget(BLoeschen);
    h->addSpacing(6);
    h->addWidget(separator());
    h->addSpacing(6);
    h->addWidget(navigator);
    h->addSpacing(6);
    h->addWidget(separator());
    h->addSpacing(6);
    auto* findLabel = new QLabel(QStringLiteral("Suchen in"), bar);
    findLabel->setBuddy(ComboBox1);
    h->addWidget(findLabel);
    h->addWidget(ComboBox1);
    h->addWidget(EFind);
    h->addWidget(SpeedButton1);
    h->addStretch(1);
    h->addWidget(SpeedButton5);
    h->addWidget(BSchliessen);
    return bar;
}

void TDatenEingebenF::bindControls() {
    // While the bound controls follow the record, the direct-debit rule waits for all
    // of them: it runs once afterwards on a consistent set of texts.
    auto begin = [this] { ++refreshDepth_; };
    auto end = [this] {
        if (refreshDepth_ > 0) --refreshDepth_;
        if (refreshDepth_ == 0) updateDirectDebit();
    };
    for (auto signal : {&Dataset::currentChanged, &Dataset::rowUpdated}) connect(&members_, signal, this, begin);
    connect(&members_, &Dataset::viewReset, this, begin);
    connect(&members_, &Dataset::stateChanged, this, begin);

    bindings_ = new BindingSet(members_, this);
    // A text field takes no more characters than its column holds.
    auto limit = [this](const QString& field, QLineEdit* e) {
        const FieldDef& def = members_.fields()[members_.field(field)];
        if (def.type == FieldType::Text && def.size > 0) e->setMaxLength(def.size);
    };
    auto line = [this, limit](const char* field, QLineEdit* e) {
        bindings_->add<LineEditBinding>(QString::fromLatin1(field), e);
        limit(QString::fromLatin1(field), e);
    };
    line("ID", DBID);
    bindings_->add<ComboBinding>(QStringLiteral("Anrede"), CBAnrede);
    line("Vorname", DBEdit2);
    line("Nachname", DBEdit1);
    line("Strasse", DBEdit3);
    line("Land", DBEdit4);
    line("PLZ", DBEdit5);
    bindings_->add<ComboBinding>(QStringLiteral("Ort"), CBOrt);
    line("Telefon1", DBEdit8);
    line("Telefon2", DBEdit9);
    line("Telefax", DBEdit10);
    line("Email", EEmail);
    line("Geburtsdatum", DBEdit12);
    line("EintrittDatum", DBEintritt);
    line("AustrittDatum", DBEdit14);
    bindings_->add<RadioBinding>(QStringLiteral("Geschlecht"), genderGroup_, DBRadioGroup1);
    bindings_->add<RadioBinding>(QStringLiteral("Status"), statusGroup_, DBRadioGroup2);
    line("Kontonummer", DBEdit7);
    line("Bankleitzahl", DBEdit15);
    line("Bank", DBEdit16);
    line("Kontoinhaber", DBEdit17);
    line("Sonstiges1", freeEdits_[0]);
    line("Sonstiges2", freeEdits_[1]);
    line("Sonstiges3", freeEdits_[2]);
    line("Sonstiges4", freeEdits_[3]);
    bindings_->add<ComboBinding>(QStringLiteral("Betrag"), DBComboBox1);
    bindings_->add<CheckBinding>(QStringLiteral("DTAUS"), DBCheckBox1);
    limit(QStringLiteral("Anrede"), CBAnrede->lineEdit());
    limit(QStringLiteral("Ort"), CBOrt->lineEdit());
    limit(QStringLiteral("Betrag"), DBComboBox1->lineEdit());

    for (auto signal : {&Dataset::currentChanged, &Dataset::rowUpdated}) connect(&members_, signal, this, end);
    connect(&members_, &Dataset::viewReset, this, end);
    connect(&members_, &Dataset::stateChanged, this, end);

    // "Speichern" offers itself while there is something to store.
    connect(&members_, &Dataset::stateChanged, this, [this] {
        if (isVisible()) BSpeichern->setEnabled(members_.isEditing());
    });
    bindings_->refreshAll();
}

void TDatenEingebenF::setFreeFieldLabels(const FreeFieldLabels& labels) {
    for (int i = 0; i < 4; ++i) freeLabels_[i]->setText(labels.s[i]);
}

// ============================================================ showing and closing

int TDatenEingebenF::exec() {
    prepareShow();
    return QDialog::exec();
}

void TDatenEingebenF::prepareShow() {
    refreshDepth_ = 0;
    replaceItems(CBAnrede, entry_.salutations());
    bindings_->refreshAll();
    refreshRecordDependents();
    refillFeeClasses();
    applyOpenerStates();
    BSpeichern->setEnabled(members_.isEditing());
    guarded(this, [this] { updateDirectDebit(); });
    if (members_.isModified()) {
        pages_->setCurrentIndex(0);
        DBID->setFocus(Qt::OtherFocusReason);
    }
}

void TDatenEingebenF::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Now that the screen shows, the member is judged for direct debit.
    guarded(this, [this] { updateDirectDebit(); });
}

bool TDatenEingebenF::requestClose() {
    if (members_.isOpen() && members_.isEditing()) {
        // Storing or discarding must leave the record as the user decided.
        closing_ = true;
        const auto reopen = qScopeGuard([this] { closing_ = false; });
        switch (ask(this, MemberEntryRules::kCloseQuestion, Buttons::YesNoCancel)) {
            case Answer::Cancel: return false;
            case Answer::Yes:
                if (!commitTyped()) return false;
                if (!guarded(this, [this] {
                        if (!members_.post()) throw DataError(QStringLiteral("Das Mitglied wurde nicht gespeichert."));
                    }))
                    return false;  // the record stays on the screen, nothing is lost
                break;
            default: members_.cancel(); break;
        }
    }
    QDialog::reject();
    return true;
}

void TDatenEingebenF::reject() { requestClose(); }

// ============================================================ record change

void TDatenEingebenF::refreshRecordDependents() {
    if (!members_.isOpen()) return;
    // "Beitrag buchen" while the current fee is unpaid; a failure leaves it as it was.
    try {
        setFeeButtonWanted(!members_.value(QStringLiteral("BeitragAktuellBezahlt")).toBool());
    } catch (const DataError&) {
    }
    updatePaidPeriods();
    Label28->setText(rules_.feeTextOfClass(DBComboBox1->currentText()));
}

void TDatenEingebenF::updatePaidPeriods() {
    const QVariant id = members_.isOpen() ? members_.value(QStringLiteral("ID")) : QVariant();
    MBeitrag->setPlainText(id.isNull() ? QString() : rules_.paidPeriodLines(id.toInt()).join(QLatin1Char('\n')));
}

void TDatenEingebenF::setFeeButtonWanted(bool on) {
    feeButtonWanted_ = on;
    applyOpenerStates();
}

void TDatenEingebenF::applyOpenerStates() {
    // The fee payment screens are reached only once they are there.
    BBeitragBuchen->setEnabled(feeButtonWanted_ && bool(openFeePayment));
    BeitragLoeschen->setEnabled(bool(openFeePaymentDeletion));
}

// ============================================================ buttons

bool TDatenEingebenF::commitTyped() {
    return guarded(this, [this] { bindings_->commitAll(); });
}

void TDatenEingebenF::newMember() {
    BSpeichern->setEnabled(true);
    if (!commitTyped()) return;
    if (!guarded(this, [this] { members_.insert(); })) return;
    updatePaidPeriods();
    pages_->setCurrentIndex(0);
    DBID->setFocus(Qt::OtherFocusReason);
}

void TDatenEingebenF::saveMember() {
    if (!members_.isOpen() || !members_.isEditing()) return;
    if (DBComboBox1->hasFocus()) checkFeeClass();  // reported, but no reason not to save
    if (!commitTyped()) return;
    bool stored = false;
    guarded(this, [&] { stored = members_.post(); });
    if (stored) BSpeichern->setEnabled(false);
}

void TDatenEingebenF::deleteMember() {
    if (!members_.isOpen() || (members_.isEmpty() && !members_.isEditing())) return;
    const QString question = MemberEntryRules::deleteQuestion(members_.text(QStringLiteral("Vorname")),
                                                              members_.text(QStringLiteral("Nachname")));
    if (ask(this, question, Buttons::YesNo) != Answer::Yes) return;
    guarded(this, [this] { members_.remove(); });
}

void TDatenEingebenF::stepMember(int direction) {
    if (!members_.isOpen() || !commitTyped()) return;
    guarded(this, [this, direction] { members_.moveBy(direction); });
}

void TDatenEingebenF::findMember() {
    if (!members_.isOpen() || !commitTyped()) return;
    guarded(this, [this] { entry_.search(ComboBox1->currentText(), EFind->text()); });
}

void TDatenEingebenF::sendEmail() {
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + EEmail->text().trimmed()));
}

void TDatenEingebenF::editFeeClasses() {
    if (openFeeClasses) openFeeClasses();
    refillFeeClasses();
    feeClassTextChanged();
}

void TDatenEingebenF::bookFee() {
    if (!openFeePayment) return;
    if (!commitTyped()) return;
    openFeePayment();
    refreshRecordDependents();
}

void TDatenEingebenF::deleteFeePayments() {
    if (!openFeePaymentDeletion) return;
    if (!guarded(this, [this] { entry_.restrictFeePaymentsToMember(); })) return;
    openFeePaymentDeletion();
    guarded(this, [this] { entry_.releaseFeePayments(); });
    refreshRecordDependents();
}

// ============================================================ fee class and direct debit

void TDatenEingebenF::refillFeeClasses() {
    const QStringList names = entry_.feeClassNames();
    replaceItems(DBComboBox1, sortedGerman(names));
    Label29->setVisible(names.isEmpty());
}

void TDatenEingebenF::feeClassTextChanged() {
    Label28->setText(rules_.feeTextOfClass(DBComboBox1->currentText()));
    if (refreshDepth_ == 0) updateDirectDebit();
}

void TDatenEingebenF::updateDirectDebit() {
    // Only a showing screen judges the member: a hidden one must not change records
    // that other screens or imports are working on.
    if (updatingDirectDebit_ || closing_ || !isVisible() || !members_.isOpen()) return;
    updatingDirectDebit_ = true;
    const bool complete = MemberEntryRules::directDebitDataComplete(DBEdit7->text(), DBComboBox1->currentText(),
                                                                    DBEdit15->text(), DBEdit17->text());
    if (complete) {
        DBCheckBox1->setEnabled(true);
        DBCheckBox1->setChecked(members_.value(QStringLiteral("DTAUS")).toBool());
        Label27->hide();
    } else {
        DBCheckBox1->setEnabled(false);
        DBCheckBox1->setChecked(false);
        Label27->show();
        guarded(this, [this] { entry_.endDirectDebit(); });
    }
    updatingDirectDebit_ = false;
}

bool TDatenEingebenF::checkFeeClass() {
    const QString text = DBComboBox1->currentText();
    if (text.isEmpty() || entry_.feeClassExists(text)) return true;
    inform(this, MemberEntryRules::kWrongFeeClassMessage);
    refocusLater(DBComboBox1);
    return false;
}

// ============================================================ entering and leaving fields

bool TDatenEingebenF::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::FocusIn && type != QEvent::FocusOut) return QDialog::eventFilter(watched, event);
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    // Switching windows, a message box or the box's own list is no entering or leaving.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || refocusing_)
        return QDialog::eventFilter(watched, event);
    if (type == QEvent::FocusOut) {
        if (watched == DBID)
            leaveMemberNumber();
        else if (watched == DBEdit5)
            leavePostalCode();
        else if (watched == DBEdit15)
            leaveBankCode();
        else if (watched == DBComboBox1)
            checkFeeClass();
    } else {
        if (watched == DBEdit17)
            enterAccountHolder();
        else if (watched == DBComboBox1)
            enterFeeClassBox();
    }
    return QDialog::eventFilter(watched, event);
}

void TDatenEingebenF::refocusLater(QWidget* w) {
    QTimer::singleShot(0, w, [this, w] {
        refocusing_ = true;
        w->setFocus(Qt::OtherFocusReason);
        refocusing_ = false;
    });
}

// Writes what was typed into the field being left; false when the text does not fit the
// field (its binding reports that right after).
namespace {
bool commitField(BindingSet* bindings, const QString& field) {
    FieldBinding* b = bindings->binding(field);
    if (!b) return true;
    try {
        b->commit();
        return true;
    } catch (const DataError&) {
        return false;
    }
}
}  // namespace

void TDatenEingebenF::leaveMemberNumber() {
    if (!commitField(bindings_, QStringLiteral("ID"))) return;
    if (!DBID->text().trimmed().isEmpty()) return;
    inform(this, MemberRules::kEmptyNumberMessage);
    refocusLater(DBID);
}

void TDatenEingebenF::leavePostalCode() {
    if (!commitField(bindings_, QStringLiteral("PLZ"))) return;
    guarded(this, [this] { replaceItems(CBOrt, entry_.lookUpTowns(CBOrt->currentText())); });
}

void TDatenEingebenF::leaveBankCode() {
    if (!commitField(bindings_, QStringLiteral("Bankleitzahl"))) return;
    guarded(this, [this] { entry_.lookUpBank(); });
}

void TDatenEingebenF::enterAccountHolder() {
    if (!members_.isOpen()) return;
    guarded(this, [this] { entry_.fillAccountHolder(); });
}

void TDatenEingebenF::enterFeeClassBox() {
    if (!members_.isOpen() || members_.isEditing()) return;
    guarded(this, [this] { members_.edit(); });
}
