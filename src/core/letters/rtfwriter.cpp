#include "rtfwriter.h"

#include "codepage.h"
#include "data/errors.h"
#include "rtfreader.h"

#include <QColor>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextDocument>

#include <cmath>

namespace ferolind::letters {

namespace {

QString familyOf(const QTextCharFormat& f, const QTextDocument& doc) {
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty()) return families.first();
    return doc.defaultFont().family().isEmpty() ? defaultLetterFont() : doc.defaultFont().family();
}

int halfPointsOf(const QTextCharFormat& f, const QTextDocument& doc) {
    double pt = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : doc.defaultFont().pointSizeF();
    if (pt <= 0) pt = 12;
    return std::max(1, int(std::lround(pt * 2)));
}

int twips(double pixels) { return int(std::lround(pixels * 15)); }

// Text in RTF: Windows-1252 bytes as \'hh, other characters as \uN with "?" for readers
// without Unicode.
void appendText(QByteArray& out, const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'\\': out += "\\\\"; continue;
        case u'{': out += "\\{"; continue;
        case u'}': out += "\\}"; continue;
        case u'\t': out += "\\tab "; continue;
        case 0x2028: out += "\\line "; continue;
        case 0x00A0: out += "\\~"; continue;
        case 0x00AD: out += "\\-"; continue;
        case 0x2011: out += "\\_"; continue;
        case 0xFFFC: continue;  // an embedded object: not kept
        default: break;
        }
        if (u < 0x20) continue;
        if (u < 0x80) {
            out += char(u);
            continue;
        }
        const int b = windows1252Byte(c);
        if (b >= 0) {
            out += "\\'" + QByteArray::number(b, 16).rightJustified(2, '0');
        } else {
            out += "\\u" + QByteArray::number(u > 32767 ? int(u) - 65536 : int(u)) + '?';
        }
    }
}

class Writer {
public:
    explicit Writer(const QTextDocument& doc) : doc_(doc) {
        fonts_ << (doc.defaultFont().family().isEmpty() ? defaultLetterFont() : doc.defaultFont().family());
        colors_ = doc.property(kColorTableProperty).value<QList<QColor>>();
        if (colors_.isEmpty()) colors_ << QColor();
        page_ = pageSetupOf(doc);
    }

    QByteArray run() {
        QByteArray body;
        for (QTextBlock block = doc_.begin(); block.isValid(); block = block.next()) paragraph(body, block);
        QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
        for (int i = 0; i < fonts_.size(); ++i) {
            out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
            appendText(out, QString(fonts_[i]).remove(u';'));  // ';' ends a name in the table
            out += ";}";
        }
        out += "}\n{\\colortbl";
        for (const QColor& c : colors_) {
            if (c.isValid())
                out += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) + "\\blue" +
                       QByteArray::number(c.blue());
            out += ';';
        }
        const PageSetup& p = page_;
        out += "}\n{\\*\\generator Ferolind;}\n\\paperw" + QByteArray::number(p.paperWidth) + "\\paperh" +
               QByteArray::number(p.paperHeight) + "\\margl" + QByteArray::number(p.left) + "\\margr" +
               QByteArray::number(p.right) + "\\margt" + QByteArray::number(p.top) + "\\margb" +
               QByteArray::number(p.bottom) + "\n";
        out += body;
        out += "}\n";
        return out;
    }

private:
    int fontIndex(const QString& family) {
        int i = int(fonts_.indexOf(family));
        if (i < 0) {
            fonts_ << family;
            i = int(fonts_.size()) - 1;
        }
        return i;
    }

    int colorIndex(const QColor& color) {
        for (int i = 1; i < colors_.size(); ++i)
            if (colors_[i].isValid() && colors_[i].rgb() == color.rgb()) return i;
        colors_ << color;
        return int(colors_.size()) - 1;
    }

    QByteArray charControls(const QTextCharFormat& f) {
        QByteArray out = "\\f" + QByteArray::number(fontIndex(familyOf(f, doc_))) + "\\fs" +
                         QByteArray::number(halfPointsOf(f, doc_));
        if (f.fontWeight() >= QFont::DemiBold) out += "\\b";
        if (f.fontItalic()) out += "\\i";
        if (f.fontUnderline()) out += "\\ul";
        if (f.fontStrikeOut()) out += "\\strike";
        if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
            out += "\\cf" + QByteArray::number(colorIndex(f.foreground().color()));
        if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript) out += "\\super";
        if (f.verticalAlignment() == QTextCharFormat::AlignSubScript) out += "\\sub";
        return out;
    }

    void paragraph(QByteArray& out, const QTextBlock& block) {
        const QTextBlockFormat bf = block.blockFormat();
        out += "\\pard\\plain";
        const Qt::Alignment a = bf.alignment() & Qt::AlignHorizontal_Mask;
        out += a & Qt::AlignRight ? "\\qr" : a & Qt::AlignHCenter ? "\\qc" : a & Qt::AlignJustify ? "\\qj" : "\\ql";
        if (const int v = twips(bf.textIndent())) out += "\\fi" + QByteArray::number(v);
        if (const int v = twips(bf.leftMargin())) out += "\\li" + QByteArray::number(v);
        if (const int v = twips(bf.rightMargin())) out += "\\ri" + QByteArray::number(v);
        if (const int v = twips(bf.topMargin())) out += "\\sb" + QByteArray::number(v);
        if (const int v = twips(bf.bottomMargin())) out += "\\sa" + QByteArray::number(v);
        if (bf.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) out += "\\pagebb";
        // The paragraph mark carries the size of an empty paragraph.
        out += charControls(block.charFormat()) + ' ';
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (!frag.isValid()) continue;
            out += '{' + charControls(frag.charFormat()) + ' ';
            appendText(out, frag.text());
            out += '}';
        }
        out += "\\par\n";
    }

    const QTextDocument& doc_;
    QStringList fonts_;
    QList<QColor> colors_;
    PageSetup page_;
};

}  // namespace

QByteArray writeRtf(const QTextDocument& doc) { return Writer(doc).run(); }

void writeRtfFile(const QTextDocument& doc, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(writeRtf(doc)) < 0 || !file.commit())
        throw DataError(QStringLiteral("Die Datei »%1« kann nicht geschrieben werden: %2").arg(path, file.errorString()));
}

}  // namespace ferolind::letters
