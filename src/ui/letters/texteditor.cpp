#include "texteditor.h"

#include "common/help.h"
#include "common/look.h"
#include "common/messages.h"
#include "data/errors.h"
#include "letters/letterprint.h"
#include "letters/rtfreader.h"
#include "letters/rtfwriter.h"
#include "letters/ruler.h"
#include "letters/serialletter.h"
#include "printing/pagepreview.h"
#include "serialprintdialog.h"
#include "ui_texteditor.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMenu>
#include <QMouseEvent>
#include <QPrinter>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace ferolind;
using namespace ferolind::letters;

namespace {

const QString kOpenFilter = QStringLiteral("Richtext-Format (*.rtf);;Alle Dateien(*.*) (*)");
const QString kSaveFilter = QStringLiteral("Richtext-Format (*.rtf);;Alle Files(*.*) (*)");
constexpr int kDefaultPointSize = 8;
// The editing area keeps this many pixels free on each side of the text (the ruler's
// formulas count with it).
constexpr int kGutter = 6;

QString fileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const QString& preset, const QString& filter) {
    QFileDialog d(parent);
    d.setAcceptMode(mode);
    d.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    d.setNameFilters(filter.split(QStringLiteral(";;")));
    d.setDefaultSuffix(QStringLiteral("rtf"));
    if (!preset.isEmpty()) d.selectFile(preset);
    return d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty() ? d.selectedFiles().first() : QString();
}

}  // namespace

TTextNeuF::TTextNeuF(Session& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TTextNeuF>()), session_(session), printer_(defaultPrinter()) {
    ui_->setupUi(this);
    ui::applyScreenLook(this);
    layout()->setMenuBar(ui_->MainMenu1);
    printDialog_ = new TTextDruckerDialogNeuF(session_, this);

    askOpenPath = [this](const QString& filter) { return fileDialog(this, QFileDialog::AcceptOpen, {}, filter); };
    askSavePath = [this](const QString& preset, const QString& filter) {
        return fileDialog(this, QFileDialog::AcceptSave, preset, filter);
    };
    askPrint = [this](QPrinter& p) { return ::execPrintDialog(this, p, QStringLiteral("Drucken")); };
    askPrinterSetup = [this](QPrinter& p) { return ::execPrintDialog(this, p, QStringLiteral("Druckereinrichtung")); };
    execPrintDialog = [](QDialog& d) { return d.exec(); };

    // Tool buttons act as their menu items.
    const QStyle* s = style();
    auto tool = [&](QToolButton* button, QAction* action, QStyle::StandardPixmap icon) {
        action->setIcon(s->standardIcon(icon));
        button->setDefaultAction(action);
    };
    tool(ui_->NeuButton, ui_->Neu1, QStyle::SP_FileIcon);
    tool(ui_->OeffnenButton, ui_->Oeffnen1, QStyle::SP_DialogOpenButton);
    tool(ui_->SpeichernButton, ui_->Speichern1, QStyle::SP_DialogSaveButton);
    tool(ui_->DruckenButton, ui_->Drucken1, QStyle::SP_FileDialogDetailedView);
    for (auto [button, action] : {std::pair{ui_->AusschneidenButton, ui_->Ausschneiden1},
                                  std::pair{ui_->KopierenButton, ui_->Kopieren1},
                                  std::pair{ui_->EinfuegenButton, ui_->Einfuegen1}})
        button->setDefaultAction(action);
    ui_->BoldButton->setFont([f = ui_->BoldButton->font()]() mutable { f.setBold(true); return f; }());
    ui_->ItalicButton->setFont([f = ui_->ItalicButton->font()]() mutable { f.setItalic(true); return f; }());
    ui_->UnderlineButton->setFont([f = ui_->UnderlineButton->font()]() mutable { f.setUnderline(true); return f; }());
    ui_->RulerLine->setText(QStringLiteral("\t|").repeated(100));
    for (QLabel* m : {ui_->FirstInd, ui_->LeftInd, ui_->RightInd}) m->installEventFilter(this);

    QTextEdit* edit = ui_->RichEdit1;
    connect(ui_->Neu1, &QAction::triggered, this, [this] { ui::guarded(this, [this] { newDocument(); }); });
    connect(ui_->Oeffnen1, &QAction::triggered, this, [this] { ui::guarded(this, [this] { openDocument(); }); });
    connect(ui_->Speichern1, &QAction::triggered, this, [this] { save(); });
    ui_->Speichern1->setShortcut(QKeySequence::Save);  // Ctrl+S, wherever the cursor is
    ui_->Speichern1->setShortcutContext(Qt::WindowShortcut);
    addAction(ui_->Speichern1);
    connect(ui_->Speichernunter1, &QAction::triggered, this, [this] { saveAs(); });
    connect(ui_->Drucken1, &QAction::triggered, this, [this] { ui::guarded(this, [this] { print(); }); });
    connect(ui_->Druckereinrichten1, &QAction::triggered, this, [this] { printerSetup(); });
    connect(ui_->Beenden1, &QAction::triggered, this, [this] { reject(); });
    for (auto [menu, popup] : {std::pair{ui_->Ausschneiden1, ui_->Ausschneiden2}, std::pair{ui_->Kopieren1, ui_->Kopieren2},
                               std::pair{ui_->Einfuegen1, ui_->Einfuegen2}}) {
        QAction* m = menu;
        connect(popup, &QAction::triggered, m, &QAction::trigger);
    }
    connect(ui_->Ausschneiden1, &QAction::triggered, edit, &QTextEdit::cut);
    connect(ui_->Kopieren1, &QAction::triggered, edit, &QTextEdit::copy);
    connect(ui_->Einfuegen1, &QAction::triggered, edit, &QTextEdit::paste);
    connect(ui_->Loeschen1, &QAction::triggered, edit, [edit] { edit->textCursor().removeSelectedText(); });
    connect(ui_->Allesauswaehlen1, &QAction::triggered, edit, &QTextEdit::selectAll);
    connect(ui_->Links1, &QAction::triggered, this, [this] { setAlignment(Qt::AlignLeft); });
    connect(ui_->Rechts1, &QAction::triggered, this, [this] { setAlignment(Qt::AlignRight); });
    connect(ui_->Zentriert1, &QAction::triggered, this, [this] { setAlignment(Qt::AlignHCenter); });
    connect(ui_->LeftAlign, &QToolButton::clicked, this, [this] { setAlignment(Qt::AlignLeft); });
    connect(ui_->RightAlign, &QToolButton::clicked, this, [this] { setAlignment(Qt::AlignRight); });
    connect(ui_->CenterAlign, &QToolButton::clicked, this, [this] { setAlignment(Qt::AlignHCenter); });
    connect(ui_->Zeilenumbruch1, &QAction::toggled, this, [this](bool on) { setWordWrap(on); });
    connect(ui_->ErstenBriefdrucken1, &QAction::triggered, this, [this] { printSerialLetters(true); });
    connect(ui_->AlleBriefedrucken1, &QAction::triggered, this, [this] { printSerialLetters(false); });
    for (QAction* help : {ui_->DieMenueleiste1, ui_->Texteingeben1, ui_->Serienbriefe1})
        connect(help, &QAction::triggered, this, [this] { ui::openManual(this); });

    // Character formatting of the selection; not while the controls follow the selection.
    connect(ui_->FontName, &QComboBox::textActivated, this, [this](const QString& family) {
        if (updating_) return;
        QTextCharFormat f;
        f.setFontFamilies(QStringList{family});
        mergeFormat(f);
    });
    connect(ui_->FontSize, &QLineEdit::editingFinished, this, [this] {
        if (!updating_) applyFontSize(ui_->FontSize->text());
    });
    auto step = [this](int by) {
        bool ok = false;
        const int size = ui_->FontSize->text().toInt(&ok);
        applyFontSize(QString::number(std::clamp((ok ? size : kDefaultPointSize) + by, 1, 1638)));
    };
    connect(ui_->UpDown1Up, &QToolButton::clicked, this, [step] { step(1); });
    connect(ui_->UpDown1Down, &QToolButton::clicked, this, [step] { step(-1); });
    connect(ui_->BoldButton, &QToolButton::toggled, this, [this](bool on) {
        if (updating_) return;
        QTextCharFormat f;
        f.setFontWeight(on ? QFont::Bold : QFont::Normal);
        mergeFormat(f);
    });
    connect(ui_->ItalicButton, &QToolButton::toggled, this, [this](bool on) {
        if (updating_) return;
        QTextCharFormat f;
        f.setFontItalic(on);
        mergeFormat(f);
    });
    connect(ui_->UnderlineButton, &QToolButton::toggled, this, [this](bool on) {
        if (updating_) return;
        QTextCharFormat f;
        f.setFontUnderline(on);
        mergeFormat(f);
    });

    for (const MergeField& f : editorFields()) ui_->ComboBox1->addItem(f.name);
    ui_->ComboBox1->setCurrentIndex(-1);
    connect(ui_->ComboBox1, &QComboBox::activated, this, [this](int i) { insertField(i); });

    edit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(edit, &QWidget::customContextMenuRequested, this, [this, edit](const QPoint& at) {
        QMenu popup(this);
        popup.setObjectName(QStringLiteral("PopupMenu1"));
        popup.addActions({ui_->Ausschneiden2, ui_->Kopieren2, ui_->Einfuegen2});
        popup.exec(edit->mapToGlobal(at));
    });
    connect(edit, &QTextEdit::cursorPositionChanged, this, [this] { selectionChanged(); });
    connect(edit, &QTextEdit::selectionChanged, this, [this] { selectionChanged(); });
    connect(edit, &QTextEdit::currentCharFormatChanged, this, [this] { selectionChanged(); });
    setWordWrap(true);
    emptyDocument();
}

TTextNeuF::~TTextNeuF() = default;

QTextDocument* TTextNeuF::document() const { return ui_->RichEdit1->document(); }
bool TTextNeuF::modified() const { return document()->isModified(); }

void TTextNeuF::showEvent(QShowEvent* event) {
    prepareShow();
    QDialog::showEvent(event);
}

void TTextNeuF::prepareShow() {
    {
        const QSignalBlocker quiet(ui_->FontName);
        QStringList families = QFontDatabase::families();
        families.sort(Qt::CaseInsensitive);
        ui_->FontName->clear();
        ui_->FontName->addItems(families);
    }
    emptyDocument();
}

void TTextNeuF::emptyDocument() {
    auto* doc = new QTextDocument(ui_->RichEdit1);
    QFont font(defaultLetterFont());
    font.setPointSize(kDefaultPointSize);
    doc->setDefaultFont(font);
    replaceDocument(doc);
    doc->setModified(false);
    setName(QString::fromLatin1(kNoName));
    selectionChanged();
}

// The editing area shows another document; the one before goes when it was ours (the
// editing area deletes its own first document itself).
void TTextNeuF::replaceDocument(QTextDocument* doc) {
    doc->setDocumentMargin(kGutter - ui_->RichEdit1->frameWidth());
    QTextDocument* old = ui_->RichEdit1->document();
    const bool ours = old && old->parent() == ui_->RichEdit1;
    ui_->RichEdit1->setDocument(doc);
    if (ours) delete old;
}

void TTextNeuF::setName(const QString& name) {
    name_ = name;
    setWindowTitle(name == QLatin1String(kNoName) ? name : QFileInfo(name).fileName());
}

bool TTextNeuF::askToSave() {
    if (!modified()) return true;
    switch (ui::ask(this, QStringLiteral("Änderungen speichern in %1?").arg(name_), ui::Buttons::YesNoCancel)) {
    case ui::Answer::Yes: return save();
    case ui::Answer::No: return true;
    default: return false;
    }
}

void TTextNeuF::newDocument() {
    if (askToSave()) emptyDocument();
}

void TTextNeuF::openDocument() {
    if (!askToSave()) return;
    const QString path = askOpenPath(kOpenFilter);
    if (path.isEmpty()) return;
    // The letter in the editor stays as it was when the file cannot be read.
    std::unique_ptr<QTextDocument> doc = readRtfFile(path);
    doc->setParent(ui_->RichEdit1);
    replaceDocument(doc.release());
    ui_->RichEdit1->moveCursor(QTextCursor::Start);
    document()->setModified(false);
    setName(path);
    selectionChanged();
}

bool TTextNeuF::save() {
    if (name_ == QLatin1String(kNoName)) return saveAs();
    const bool written = ui::guarded(this, [this] { writeRtfFile(*document(), name_); });
    if (written) document()->setModified(false);
    return written;
}

bool TTextNeuF::saveAs() {
    const QString path = askSavePath(name_ == QLatin1String(kNoName) ? QString() : name_, kSaveFilter);
    if (path.isEmpty()) return false;
    setName(path);
    return save();
}

void TTextNeuF::print() {
    if (!askPrint(*printer_)) return;
    printer_->setDocName(name_);
    if (!printLetter(*printer_, *document()))
        throw DataError(QStringLiteral("Der Drucker »%1« kann nicht drucken.").arg(printerName(*printer_)));
}

void TTextNeuF::printerSetup() { askPrinterSetup(*printer_); }

void TTextNeuF::insertField(int index) {
    if (index < 0 || index >= editorFields().size()) return;
    QApplication::clipboard()->setText(editorFields()[index].marker());
    ui_->RichEdit1->paste();
    ui_->RichEdit1->setFocus();
}

void TTextNeuF::setWordWrap(bool on) {
    QTextEdit* edit = ui_->RichEdit1;
    edit->setLineWrapMode(on ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
    if (ui_->Zeilenumbruch1->isChecked() != on) ui_->Zeilenumbruch1->setChecked(on);
}

void TTextNeuF::printSerialLetters(bool firstOnly) {
    printDialog_->letter = document();
    printDialog_->setFirstOnly(firstOnly);
    execPrintDialog(*printDialog_);
}

void TTextNeuF::mergeFormat(const QTextCharFormat& format) {
    QTextCursor c = ui_->RichEdit1->textCursor();
    c.mergeCharFormat(format);
    ui_->RichEdit1->mergeCurrentCharFormat(format);
}

void TTextNeuF::applyFontSize(const QString& text) {
    ui::guarded(this, [&] {
        bool ok = false;
        const int size = text.trimmed().toInt(&ok);
        if (!ok) throw DataError(QStringLiteral("'%1' ist kein gültiger Integerwert").arg(text));
        if (size < 1 || size > 1638)
            throw DataError(QStringLiteral("Die Schriftgröße muss zwischen 1 und 1638 Punkt liegen."));
        QTextCharFormat f;
        f.setFontPointSize(size);
        mergeFormat(f);
        const QSignalBlocker quiet(ui_->FontSize);
        ui_->FontSize->setText(QString::number(size));
    });
}

void TTextNeuF::setAlignment(Qt::Alignment alignment) {
    ui_->RichEdit1->setAlignment(alignment);
    selectionChanged();
}

// The tool bar and the ruler follow the caret; the controls do not write back meanwhile.
void TTextNeuF::selectionChanged() {
    if (updating_) return;
    updating_ = true;
    const QTextCursor c = ui_->RichEdit1->textCursor();
    const QTextCharFormat f = ui_->RichEdit1->currentCharFormat();
    const QFont font = f.font().resolve(document()->defaultFont());
    ui_->BoldButton->setChecked(font.bold());
    ui_->ItalicButton->setChecked(font.italic());
    ui_->UnderlineButton->setChecked(font.underline());
    const double points = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : document()->defaultFont().pointSizeF();
    ui_->FontSize->setText(QString::number(int(points)));
    const QString family = f.fontFamilies().toStringList().value(0, document()->defaultFont().family());
    ui_->FontName->setCurrentIndex(ui_->FontName->findText(family));
    ui_->FontName->setEditText(family);  // also a family the system lacks
    const Qt::Alignment a = c.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    const bool right = a & Qt::AlignRight, centre = a & Qt::AlignHCenter;
    ui_->LeftAlign->setChecked(!right && !centre);
    ui_->RightAlign->setChecked(right);
    ui_->CenterAlign->setChecked(centre);
    ui_->Links1->setChecked(!right && !centre);
    ui_->Rechts1->setChecked(right);
    ui_->Zentriert1->setChecked(centre);
    placeMarkers();
    updating_ = false;
}

void TTextNeuF::placeMarkers() {
    const Indents i = indentsOf(ui_->RichEdit1->textCursor().blockFormat());
    const int W = ui_->Ruler->contentsRect().width();
    ui_->FirstInd->move(firstMarkerLeft(i), ui_->FirstInd->y());
    ui_->LeftInd->move(leftMarkerLeft(i), ui_->LeftInd->y());
    ui_->RightInd->move(rightMarkerLeft(i, W), ui_->RightInd->y());
}

void TTextNeuF::releaseMarker(QLabel* marker, int left, int halfWidth) {
    QTextCursor c = ui_->RichEdit1->textCursor();
    QTextBlockFormat f = c.blockFormat();
    Indents i = indentsOf(f);
    const int W = ui_->Ruler->contentsRect().width();
    if (marker == ui_->FirstInd)
        i = releaseFirstMarker(i, left, halfWidth, ui_->LeftInd->x(), ui_->LeftInd->width() / 2);
    else if (marker == ui_->LeftInd)
        i = releaseLeftMarker(i, left, halfWidth);
    else
        i = releaseRightMarker(i, left, halfWidth, W);
    QTextBlockFormat change;
    setIndents(change, i);
    c.mergeBlockFormat(change);
    placeMarkers();
}

bool TTextNeuF::eventFilter(QObject* watched, QEvent* event) {
    auto* marker = qobject_cast<QLabel*>(watched);
    if (!marker || (marker != ui_->FirstInd && marker != ui_->LeftInd && marker != ui_->RightInd))
        return QDialog::eventFilter(watched, event);
    auto centreOn = [&](QMouseEvent* e) {
        const int x = marker->mapToParent(e->position().toPoint()).x();
        marker->move(x - dragHalf_, marker->y());
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        dragHalf_ = marker->width() / 2;
        centreOn(static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::MouseMove:
        centreOn(static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::MouseButtonRelease:
        centreOn(static_cast<QMouseEvent*>(event));
        releaseMarker(marker, marker->x(), dragHalf_);
        return true;
    default: return QDialog::eventFilter(watched, event);
    }
}

void TTextNeuF::reject() {
    if (askToSave()) QDialog::reject();
}
