// "Brief verfassen" / "Serienbrief erstellen": the letter editor, a small word processor
// for RTF letters with serial-letter markers. Menus, tool bar, ruler with the three indent
// markers, the editing area and the field bar that inserts markers through the clipboard;
// the save questions, "ohne Namen", open and save dialogs, printing, and the serial letter
// print dialog. Created once; each showing starts with an empty letter. The layout is
// texteditor.ui.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class QPrinter;
class QTextCharFormat;
class QTextDocument;
class QLabel;

namespace Ui {
class TTextNeuF;
}
namespace ferolind {
class Session;
}

class TTextDruckerDialogNeuF;

// Object names of the screen's controls (menu items are the actions of the same names).
namespace ferolind::ui::texteditor::controls {
inline constexpr const char* kEditor = "RichEdit1";
inline constexpr const char* kFontName = "FontName";
inline constexpr const char* kFontSize = "FontSize";
inline constexpr const char* kSizeUp = "UpDown1Up";
inline constexpr const char* kSizeDown = "UpDown1Down";
inline constexpr const char* kBold = "BoldButton";
inline constexpr const char* kItalic = "ItalicButton";
inline constexpr const char* kUnderline = "UnderlineButton";
inline constexpr const char* kLeft = "LeftAlign";
inline constexpr const char* kCenter = "CenterAlign";
inline constexpr const char* kRight = "RightAlign";
inline constexpr const char* kRuler = "Ruler";
inline constexpr const char* kFirstMarker = "FirstInd";
inline constexpr const char* kLeftMarker = "LeftInd";
inline constexpr const char* kRightMarker = "RightInd";
inline constexpr const char* kFields = "ComboBox1";
}  // namespace ferolind::ui::texteditor::controls

class TTextNeuF : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kNoName = "ohne Namen";

    TTextNeuF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TTextNeuF() override;

    // File dialogs and the print dialogs; tests replace them. An empty path is a cancel.
    std::function<QString(const QString& filter)> askOpenPath;
    std::function<QString(const QString& preset, const QString& filter)> askSavePath;
    std::function<bool(QPrinter&)> askPrint;
    std::function<bool(QPrinter&)> askPrinterSetup;
    // Shows the serial letter print dialog; tests replace it to drive it without a loop.
    std::function<int(QDialog&)> execPrintDialog;

    // What showing does: fonts listed, an empty letter named "ohne Namen".
    void prepareShow();
    const QString& documentName() const { return name_; }
    bool modified() const;
    QTextDocument* document() const;
    TTextDruckerDialogNeuF* printDialog() const { return printDialog_; }

    // The actions of the menus and tool bar.
    void newDocument();
    void openDocument();
    // False when the letter was not saved (save dialog cancelled, write refused).
    bool save();
    bool saveAs();
    void print();
    void printerSetup();
    void insertField(int index);
    void setWordWrap(bool on);
    void printSerialLetters(bool firstOnly);

    // The ruler: places the markers from the current paragraph; a released marker
    // (its left edge, half its width) sets the indents of the selected paragraphs.
    void placeMarkers();
    // Closing: the save question first; "Abbrechen" keeps the editor open.
    void reject() override;
    void releaseMarker(QLabel* marker, int left, int halfWidth);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // "Änderungen speichern in …?": false when the user cancelled (or saving failed).
    bool askToSave();
    void emptyDocument();
    void replaceDocument(QTextDocument* doc);
    void setName(const QString& name);
    void selectionChanged();
    void mergeFormat(const QTextCharFormat& format);
    void applyFontSize(const QString& text);
    void setAlignment(Qt::Alignment alignment);

    std::unique_ptr<Ui::TTextNeuF> ui_;
    ferolind::Session& session_;
    std::unique_ptr<QPrinter> printer_;
    TTextDruckerDialogNeuF* printDialog_ = nullptr;
    QString name_;
    bool updating_ = false;
    int dragHalf_ = 0;  // half the width of the marker being dragged
};
