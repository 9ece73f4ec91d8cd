#include "rtfreader.h"

#include "codepage.h"
#include "data/errors.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QFontDatabase>
#include <QFontInfo>
#include <QTextBlock>
#include <QVector>

#include <algorithm>
#include <cctype>
#include <climits>

namespace ferolind::letters {

QString defaultLetterFont() { return QStringLiteral("Arial"); }

namespace {

constexpr int kMaxDepth = 2000;     // deeper groups share the state of the deepest kept one
constexpr int kMaxIndent = 31680;   // twips (22 inches): beyond any page
constexpr int kMaxHalfPoints = 3276;

enum class Dest { Text, FontTable, ColorTable, Skip };

struct CharState {
    int font = -1;  // -1: the document's default font
    int halfPoints = 24;
    bool bold = false, italic = false, underline = false, strike = false;
    int color = 0;     // index into the colour table; 0 is the automatic colour
    int vertical = 0;  // 0 normal, 1 superscript, 2 subscript
    bool operator==(const CharState&) const = default;
};

struct ParaState {
    Qt::Alignment align = Qt::AlignLeft;
    int firstIndent = 0, leftIndent = 0, rightIndent = 0, spaceBefore = 0, spaceAfter = 0;  // twips
    bool pageBreakBefore = false;
};

struct Group {
    CharState chars;
    ParaState para;
    Dest dest = Dest::Text;
    int uc = 1;  // characters of fallback after \uN
};

struct FontEntry {
    QString name;
    int codePage = 0;  // 0: the document's
};

// Destinations whose text is not part of the letter.
const QSet<QByteArray>& skippedDestinations() {
    static const QSet<QByteArray> names = {
        "info",      "stylesheet", "header",       "headerl",   "headerr",     "headerf",
        "footer",    "footerl",    "footerr",      "footerf",   "pict",        "object",
        "fldinst",   "filetbl",    "listtable",    "listoverridetable",        "revtbl",
        "rsidtbl",   "xmlnstbl",   "themedata",    "colorschememapping",       "datastore",
        "latentstyles", "footnote", "annotation",  "atnid",     "atnauthor",   "bkmkstart",
        "bkmkend",   "pgdsctbl",   "template",     "nonshppict", "shp",        "shpinst",
        "pn",        "ftnsep",     "ftnsepc",      "aftnsep",   "aftnsepc",    "pgptbl",
        "fchars",    "lchars",     "xe",           "tc",        "txe",         "private",
        "mmathPr",   "docvar",     "userprops",    "generator", "background",  "sp",
    };
    return names;
}

// Characters that a control word stands for.
const QHash<QByteArray, char16_t>& symbolWords() {
    static const QHash<QByteArray, char16_t> words = {
        {"tab", u'\t'},       {"cell", u'\t'},      {"nestcell", u'\t'},  {"line", 0x2028},
        {"emdash", 0x2014},   {"endash", 0x2013},   {"bullet", 0x2022},   {"lquote", 0x2018},
        {"rquote", 0x2019},   {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003},
        {"enspace", 0x2002},  {"qmspace", 0x2005},
    };
    return words;
}

// Characters a letter may hold: no control characters but the tab, none of the codes the
// document keeps for its own structure (frames, objects), no non-characters.
bool isText(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x20) return u == u'\t';
    return !(u >= 0xFDD0 && u <= 0xFDEF) && u != 0xFFFC && u != 0xFFFE && u != 0xFFFF;
}

class Reader {
public:
    Reader(const QByteArray& data, QTextDocument& doc) : in_(data), doc_(doc), cursor_(&doc) {}

    void run() {
        groups_.push_back(Group{});
        while (pos_ < in_.size()) {
            const char c = in_[pos_];
            if (c == '{') {
                ++pos_;
                openGroup();
            } else if (c == '}') {
                ++pos_;
                if (!closeGroup()) break;  // the closing brace of the document
            } else if (c == '\\') {
                ++pos_;
                control();
            } else if (c == '\r' || c == '\n') {
                ++pos_;
            } else {
                ++pos_;
                if (c == '\t')
                    character(u'\t');
                else
                    byte(c);
            }
        }
        finish();
    }

private:
    Group& g() { return groups_.back(); }

    void openGroup() {
        flushBytes();
        skipFallback_ = 0;
        if (int(groups_.size()) >= kMaxDepth) {
            ++overflow_;
            return;
        }
        groups_.push_back(groups_.back());
        starred_ = false;
        destinationPending_ = true;
    }

    // False when the outermost group closed.
    bool closeGroup() {
        flushBytes();
        skipFallback_ = 0;
        if (overflow_ > 0) {
            --overflow_;
            return true;
        }
        if (groups_.size() <= 1) return false;
        const Dest closing = g().dest;
        groups_.pop_back();
        if (closing == Dest::FontTable && g().dest != Dest::FontTable) commitFontName();
        return true;
    }

    // \word[N][ ] or a control symbol.
    void control() {
        if (pos_ >= in_.size()) return;
        const char c = in_[pos_];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++pos_;
            symbol(c);
            return;
        }
        const int start = pos_;
        while (pos_ < in_.size() && std::isalpha(static_cast<unsigned char>(in_[pos_]))) ++pos_;
        // Words are at most 32 letters; a longer one is no word this reader knows.
        const QByteArray word = pos_ - start <= 32 ? in_.mid(start, pos_ - start) : QByteArray("?");
        bool hasParam = false;
        qint64 param = 0;
        bool negative = false;
        if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() &&
            std::isdigit(static_cast<unsigned char>(in_[pos_ + 1]))) {
            negative = true;
            ++pos_;
        }
        int digits = 0;
        while (pos_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[pos_]))) {
            if (digits < 10) param = param * 10 + (in_[pos_] - '0');
            ++digits;
            ++pos_;
            hasParam = true;
        }
        if (negative) param = -param;
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
        const int n = int(std::clamp<qint64>(param, INT_MIN, INT_MAX));
        const bool first = destinationPending_;
        destinationPending_ = false;
        if (word == "bin") {
            // Binary data: its bytes are skipped whatever they hold.
            pos_ = int(std::min<qint64>(in_.size(), qint64(pos_) + std::max(0, n)));
            if (skipFallback_ > 0) --skipFallback_;
            return;
        }
        if (skipFallback_ > 0) {
            --skipFallback_;
            return;
        }
        controlWord(word, hasParam, n, first);
    }

    void symbol(char c) {
        destinationPending_ = false;
        switch (c) {
        case '*':
            starred_ = true;
            destinationPending_ = true;  // the destination's word follows
            return;
        case '\'': {
            int value = 0, got = 0;
            while (got < 2 && pos_ < in_.size() && std::isxdigit(static_cast<unsigned char>(in_[pos_]))) {
                const char h = in_[pos_++];
                value = value * 16 + (std::isdigit(static_cast<unsigned char>(h)) ? h - '0' : (h | 0x20) - 'a' + 10);
                ++got;
            }
            if (got == 0) return;
            if (skipFallback_ > 0) {
                --skipFallback_;
                return;
            }
            byte(char(value));
            return;
        }
        default:
            break;
        }
        if (skipFallback_ > 0) {
            --skipFallback_;
            return;
        }
        switch (c) {
        case '\\':
        case '{':
        case '}': byte(c); break;
        case '~': character(QChar(char16_t(0x00A0))); break;
        case '-': character(QChar(char16_t(0x00AD))); break;
        case '_': character(QChar(char16_t(0x2011))); break;
        case '\r':
        case '\n': paragraph(); break;
        default: break;  // \| \: and unknown symbols
        }
    }

    void controlWord(const QByteArray& w, bool hasParam, int n, bool first) {
        Group& s = g();
        if (first && starred_) {
            s.dest = Dest::Skip;
            starred_ = false;
            return;
        }
        starred_ = false;
        if (s.dest == Dest::Skip) return;
        if (first && skippedDestinations().contains(w)) {
            flushBytes();
            s.dest = Dest::Skip;
            return;
        }
        if (w == "fonttbl") {
            flushBytes();
            s.dest = Dest::FontTable;
            fontName_.clear();
            fontNumber_ = -1;
            return;
        }
        if (w == "colortbl") {
            flushBytes();
            s.dest = Dest::ColorTable;
            colors_.clear();
            colorSet_ = false;
            return;
        }
        if (s.dest == Dest::FontTable) {
            fontTableWord(w, n);
            return;
        }
        if (s.dest == Dest::ColorTable) {
            const int v = std::clamp(n, 0, 255);
            if (w == "red") red_ = v, colorSet_ = true;
            else if (w == "green") green_ = v, colorSet_ = true;
            else if (w == "blue") blue_ = v, colorSet_ = true;
            return;
        }
        const bool on = !hasParam || n != 0;
        CharState& ch = s.chars;
        ParaState& p = s.para;
        const int twips = std::clamp(n, -kMaxIndent, kMaxIndent);
        if (w == "par" || w == "row") paragraph();
        else if (w == "page") {
            paragraph();
            pageBreakNext_ = true;
        } else if (w == "sect") paragraph();
        else if (auto it = symbolWords().constFind(w); it != symbolWords().cend()) character(*it);
        else if (w == "u") {
            character(QChar(char16_t(n < 0 ? n + 65536 : n & 0xFFFF)));
            skipFallback_ = std::max(0, s.uc);
        } else if (w == "uc") s.uc = std::clamp(n, 0, 16);
        else if (w == "plain") {
            flushBytes();
            ch = CharState{};
        } else if (w == "pard") {
            p = ParaState{};
        } else if (w == "f") { flushBytes(); ch.font = n; }
        else if (w == "fs") ch.halfPoints = hasParam && n > 0 ? std::min(n, kMaxHalfPoints) : 24;
        else if (w == "b") ch.bold = on;
        else if (w == "i") ch.italic = on;
        else if (w == "ul" || w == "uld" || w == "uldb" || w == "uldash" || w == "ulw" || w == "ulth" ||
                 w == "ulwave" || w == "uldashd" || w == "uldashdd") ch.underline = on;
        else if (w == "ulnone") ch.underline = false;
        else if (w == "strike" || w == "striked") ch.strike = on;
        else if (w == "cf") ch.color = std::max(0, n);
        else if (w == "super") ch.vertical = on ? 1 : 0;
        else if (w == "sub") ch.vertical = on ? 2 : 0;
        else if (w == "nosupersub") ch.vertical = 0;
        else if (w == "ql") p.align = Qt::AlignLeft;
        else if (w == "qr") p.align = Qt::AlignRight;
        else if (w == "qc") p.align = Qt::AlignHCenter;
        else if (w == "qj") p.align = Qt::AlignJustify;
        else if (w == "fi") p.firstIndent = twips;
        else if (w == "li") p.leftIndent = twips;
        else if (w == "ri") p.rightIndent = twips;
        else if (w == "sb") p.spaceBefore = std::clamp(n, 0, kMaxIndent);
        else if (w == "sa") p.spaceAfter = std::clamp(n, 0, kMaxIndent);
        else if (w == "pagebb") p.pageBreakBefore = on;
        else if (w == "deff") defaultFont_ = n;
        else if (hasParam && (w == "paperw" || w == "paperh" || w == "margl" || w == "margr" || w == "margt" ||
                              w == "margb"))
            pageWord(w, n);
        else if (w == "ansicpg") { flushBytes(); codePage_ = n; }
        else if (w == "ansi") { flushBytes(); codePage_ = 1252; }
        else if (w == "mac") { flushBytes(); codePage_ = 10000; }
        else if (w == "pc") { flushBytes(); codePage_ = 437; }
        else if (w == "pca") { flushBytes(); codePage_ = 850; }
        // Everything else (tab stops, borders, styles, document settings) is not kept.
    }

    // The page: a paper side between 1 and 22 inches, a margin less than half of it.
    void pageWord(const QByteArray& w, int n) {
        PageSetup& pg = page_;
        if (w == "paperw") pg.paperWidth = std::clamp(n, 1440, 31680);
        else if (w == "paperh") pg.paperHeight = std::clamp(n, 1440, 31680);
        else if (w == "margl") pg.left = std::clamp(n, 0, 15840);
        else if (w == "margr") pg.right = std::clamp(n, 0, 15840);
        else if (w == "margt") pg.top = std::clamp(n, 0, 15840);
        else if (w == "margb") pg.bottom = std::clamp(n, 0, 15840);
        pageSet_ = true;
    }

    void fontTableWord(const QByteArray& w, int n) {
        if (w == "f") {
            commitFontName();
            fontNumber_ = n;
        } else if (w == "fcharset") {
            fontCodePage_ = codePageOfCharset(n);
        } else if (w == "cpg") {
            fontCodePage_ = n;
        }
    }

    void commitFontName() {
        flushBytes();
        QString name = fontName_.trimmed();
        if (fontNumber_ >= 0 && !name.isEmpty() && !fonts_.contains(fontNumber_))
            fonts_.insert(fontNumber_, FontEntry{name, fontCodePage_});
        fontName_.clear();
        fontCodePage_ = 0;
    }

    // A byte of text in the current code page.
    void byte(char b) {
        destinationPending_ = false;
        if (skipFallback_ > 0) {
            --skipFallback_;
            return;
        }
        const Dest d = g().dest;
        if (d == Dest::Skip) return;
        if (d == Dest::ColorTable) {
            if (b == ';') {
                colors_ << (colorSet_ ? QColor(red_, green_, blue_) : QColor());
                red_ = green_ = blue_ = 0;
                colorSet_ = false;
            }
            return;
        }
        if (d == Dest::FontTable) {
            if (b == ';') {
                commitFontName();
                fontNumber_ = -1;
            } else {
                bytes_ += b;
                bytesForFontName_ = true;
            }
            return;
        }
        if (static_cast<unsigned char>(b) < 0x20) return;  // control characters are no text
        if (!bytes_.isEmpty() && (bytesForFontName_ || !(g().chars == bytesFormat_))) flushBytes();
        bytesFormat_ = g().chars;
        bytesForFontName_ = false;
        bytes_ += b;
    }

    int codePageOf(const CharState& ch) const {
        const auto it = fonts_.constFind(ch.font >= 0 ? ch.font : defaultFont_);
        if (it != fonts_.cend() && it->codePage > 0) return it->codePage;
        return codePage_;
    }

    void flushBytes() {
        if (bytes_.isEmpty()) return;
        if (bytesForFontName_) {
            fontName_ += decodeCodePage(bytes_, codePage_);
        } else {
            const QString text = decodeCodePage(bytes_, codePageOf(bytesFormat_));
            append(text, bytesFormat_);
        }
        bytes_.clear();
    }

    // A character given by Unicode (\uN, symbols, tab).
    void character(QChar c) {
        if (!isText(c)) return;
        const Dest d = g().dest;
        if (d == Dest::Skip || d == Dest::ColorTable) return;
        flushBytes();
        if (d == Dest::FontTable) {
            fontName_ += c;
            return;
        }
        append(QString(c), g().chars);
    }

    void append(const QString& text, const CharState& ch) {
        if (text.isEmpty()) return;
        if (!run_.isEmpty() && !(runFormat_ == ch)) flushRun();
        runFormat_ = ch;
        run_ += text;
    }

    void flushRun() {
        if (run_.isEmpty()) return;
        beginContent();
        cursor_.insertText(run_, charFormat(runFormat_));
        run_.clear();
    }

    // A paragraph is started only when something follows the \par that ended the last.
    void beginContent() {
        if (!needBlock_) return;
        cursor_.insertBlock();
        needBlock_ = false;
    }

    void paragraph() {
        if (g().dest != Dest::Text) return;
        flushBytes();
        flushRun();
        beginContent();
        endBlock();
        needBlock_ = true;
    }

    // Gives the current paragraph the paragraph state in force at its end.
    void endBlock() {
        const ParaState& p = g().para;
        QTextBlockFormat f;
        f.setAlignment(p.align);
        f.setTextIndent(p.firstIndent / 15.0);
        f.setLeftMargin(p.leftIndent / 15.0);
        f.setRightMargin(p.rightIndent / 15.0);
        f.setTopMargin(p.spaceBefore / 15.0);
        f.setBottomMargin(p.spaceAfter / 15.0);
        if (p.pageBreakBefore || pageBreakNext_) f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        pageBreakNext_ = false;
        cursor_.setBlockFormat(f);
        // The paragraph mark keeps the formatting in force at its end (an empty paragraph
        // the height of its font).
        cursor_.setBlockCharFormat(charFormat(g().chars));
    }

    void finish() {
        while (groups_.size() > 1) {
            const Dest closing = g().dest;
            groups_.pop_back();
            if (closing == Dest::FontTable && g().dest != Dest::FontTable) commitFontName();
        }
        flushBytes();
        flushRun();
        if (!needBlock_) endBlock();
        const auto deff = fonts_.constFind(defaultFont_);
        QFont font(deff != fonts_.cend() ? deff->name : defaultLetterFont());
        font.setPointSizeF(12);
        doc_.setDefaultFont(font);
        if (!colors_.isEmpty()) doc_.setProperty(kColorTableProperty, QVariant::fromValue(colors_));
        if (pageSet_) setPageSetup(doc_, page_);
        doc_.setModified(false);
    }

    QTextCharFormat charFormat(const CharState& ch) const {
        QTextCharFormat f;
        const auto font = fonts_.constFind(ch.font >= 0 ? ch.font : defaultFont_);
        f.setFontFamilies(QStringList{font != fonts_.cend() ? font->name : defaultLetterFont()});
        f.setFontPointSize(ch.halfPoints / 2.0);
        f.setFontWeight(ch.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(ch.italic);
        f.setFontUnderline(ch.underline);
        f.setFontStrikeOut(ch.strike);
        if (ch.color > 0 && ch.color < colors_.size() && colors_[ch.color].isValid())
            f.setForeground(colors_[ch.color]);
        if (ch.vertical == 1) f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        if (ch.vertical == 2) f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        return f;
    }

    const QByteArray& in_;
    QTextDocument& doc_;
    PageSetup page_;
    bool pageSet_ = false;
    QTextCursor cursor_;
    int pos_ = 0;
    QVector<Group> groups_;
    int overflow_ = 0;
    bool starred_ = false;
    bool destinationPending_ = false;
    int skipFallback_ = 0;
    int codePage_ = 1252;
    int defaultFont_ = 0;
    QHash<int, FontEntry> fonts_;
    QString fontName_;
    int fontNumber_ = -1;
    int fontCodePage_ = 0;
    QList<QColor> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorSet_ = false;
    QByteArray bytes_;
    CharState bytesFormat_;
    bool bytesForFontName_ = false;
    QString run_;
    CharState runFormat_;
    bool needBlock_ = false;
    bool pageBreakNext_ = false;
};

}  // namespace

PageSetup pageSetupOf(const QTextDocument& doc) {
    const QVariant v = doc.property(kPageProperty);
    const QList<int> n = v.value<QList<int>>();
    if (n.size() != 6) return {};
    return {n[0], n[1], n[2], n[3], n[4], n[5]};
}

void setPageSetup(QTextDocument& doc, const PageSetup& p) {
    doc.setProperty(kPageProperty, QVariant::fromValue(QList<int>{p.paperWidth, p.paperHeight, p.left, p.right, p.top,
                                                                  p.bottom}));
}

QStringList missingFonts(const QTextDocument& doc) {
    QStringList used{doc.defaultFont().family()};
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            for (const QString& f : it.fragment().charFormat().fontFamilies().toStringList())
                if (!used.contains(f)) used << f;
    const QStringList installed = QFontDatabase::families();
    // What the system gives for a name it does not know: the fallback. A name that the
    // font configuration maps to a font of its own (Arial → Liberation Sans, metrically
    // the same) is no loss; one that falls back is.
    const QString fallback = QFontInfo(QFont(QStringLiteral("Ferolind-Keine-Schrift-%1").arg(0x5f3759df))).family();
    QStringList missing;
    for (const QString& f : used) {
        if (f.isEmpty() || missing.contains(f)) continue;
        bool found = false;
        for (const QString& i : installed)
            if (i.compare(f, Qt::CaseInsensitive) == 0 || i.startsWith(f + QStringLiteral(" ["), Qt::CaseInsensitive))
                found = true;
        if (!found) {
            const QString resolved = QFontInfo(QFont(f)).family();
            found = resolved.compare(fallback, Qt::CaseInsensitive) != 0;
        }
        if (!found) missing << f;
    }
    return missing;
}

std::unique_ptr<QTextDocument> readRtf(const QByteArray& data) {
    int start = 0;
    while (start < data.size() && std::isspace(static_cast<unsigned char>(data[start]))) ++start;
    if (!data.mid(start, 5).startsWith("{\\rtf"))
        throw DataError(QStringLiteral("Die Daten sind kein Text im Rich-Text-Format (RTF)."));
    auto doc = std::make_unique<QTextDocument>();
    doc->setUndoRedoEnabled(false);
    const QByteArray body = data.mid(start);
    Reader(body, *doc).run();
    doc->setUndoRedoEnabled(true);
    return doc;
}

std::unique_ptr<QTextDocument> readRtfFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DataError(QStringLiteral("Die Datei »%1« kann nicht gelesen werden: %2").arg(path, file.errorString()));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw DataError(QStringLiteral("Die Datei »%1« kann nicht gelesen werden: %2").arg(path, file.errorString()));
    try {
        return readRtf(data);
    } catch (const DataError&) {
        throw DataError(QStringLiteral("Die Datei »%1« ist keine RTF-Datei.").arg(QFileInfo(path).fileName()));
    }
}

}  // namespace ferolind::letters
