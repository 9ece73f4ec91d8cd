#include "settingsfile.h"

#include "data/errors.h"
#include "data/safefile.h"
#include "data/settings.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringDecoder>

namespace ferolind {

const QString kSettingsRegistryKey = QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\Brankel Software\\Revode");

namespace {

const QString kHeader = QStringLiteral("Windows Registry Editor Version 5.00");

// Per-user values the program keeps as texts even when they look like numbers.
bool isTextValue(const QString& name) {
    static const QStringList texts{QStringLiteral("DBPfad"), QStringLiteral("Sort"), QStringLiteral("WindowState")};
    return texts.contains(name, Qt::CaseInsensitive);
}

QString quoted(const QString& text) {
    QString q = text;
    q.replace(u'\\', QStringLiteral("\\\\"));
    q.replace(u'"', QStringLiteral("\\\""));
    return u'"' + q + u'"';
}

bool hasControlCharacter(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20; });
}

// A string as the editor writes one it cannot quote: its UTF-16LE bytes with the final NUL.
QString hexString(const QString& text) {
    QStringList bytes;
    for (QChar c : text + QChar(0))
        bytes << QString::asprintf("%02x", c.unicode() & 0xFF) << QString::asprintf("%02x", c.unicode() >> 8);
    return QStringLiteral("hex(1):") + bytes.join(u',');
}

QString valueText(const QVariant& v) {
    if (v.isNull()) return QStringLiteral("-");
    if (v.typeId() == QMetaType::Int) return QString::asprintf("dword:%08x", quint32(v.toInt()));
    const QString s = v.toString();
    return hasControlCharacter(s) ? hexString(s) : quoted(s);
}

// ------------------------------------------------------------------ reading

class Parser {
public:
    Parser(const QString& text, const QString& source) : source_(source) {
        lines_ = text.split(u'\n');
        for (QString& l : lines_)
            if (l.endsWith(u'\r')) l.chop(1);
    }

    SettingsValues parse() {
        int i = 0;
        while (i < lines_.size() && lines_[i].trimmed().isEmpty()) ++i;
        if (i == lines_.size()) fail(1, QStringLiteral("Die Datei ist leer."));
        if (lines_[i].trimmed() != kHeader)
            fail(i + 1, QStringLiteral("Die erste Zeile lautet nicht »%1«.").arg(kHeader));
        for (++i; i < lines_.size(); ++i) {
            line_ = i + 1;
            const QString line = lines_[i].trimmed();
            if (line.isEmpty() || line.startsWith(u';')) continue;
            if (line.startsWith(u'['))
                readKey(line);
            else if (line.startsWith(u'"') || line.startsWith(u'@'))
                readValue(line, i);
            else
                fail(line_, QStringLiteral("Die Zeile »%1« ist weder Schlüssel noch Wert.").arg(line.left(60)));
        }
        return values_;
    }

private:
    [[noreturn]] void fail(int line, const QString& what) const {
        throw DataError(QStringLiteral("Die Einstellungsdatei »%1« kann nicht gelesen werden (Zeile %2): %3")
                            .arg(source_)
                            .arg(line)
                            .arg(what));
    }

    void readKey(const QString& line) {
        if (!line.endsWith(u']')) fail(line_, QStringLiteral("Der Schlüsselname ist nicht mit »]« abgeschlossen."));
        const QString key = line.mid(1, line.size() - 2);
        if (key.startsWith(u'-'))
            fail(line_, QStringLiteral("Die Datei löscht den Schlüssel »%1«; das wird nicht übernommen.").arg(key.mid(1)));
        if (key.compare(kSettingsRegistryKey, Qt::CaseInsensitive) == 0) {
            subKey_ = QString();
        } else if (key.startsWith(kSettingsRegistryKey + u'\\', Qt::CaseInsensitive) &&
                   key.size() > kSettingsRegistryKey.size() + 1) {
            subKey_ = key.mid(kSettingsRegistryKey.size() + 1).replace(u'\\', u'/');
        } else {
            fail(line_, QStringLiteral("Der Schlüssel »%1« gehört nicht zu den Einstellungen von Ferolind.").arg(key));
        }
        inKey_ = true;
    }

    // A quoted text from `pos` (at the opening quote); pos ends after the closing quote.
    QString readQuoted(const QString& line, qsizetype& pos) {
        QString out;
        for (++pos; pos < line.size(); ++pos) {
            const QChar c = line[pos];
            if (c == u'"') {
                ++pos;
                return out;
            }
            if (c == u'\\' && pos + 1 < line.size()) {
                out += line[++pos];  // the editor escapes only \ and "
                continue;
            }
            out += c;
        }
        fail(line_, QStringLiteral("Ein Text ist nicht mit »\"« abgeschlossen."));
    }

    // The bytes of a hex value, which may continue over lines ending in "\".
    QByteArray readHex(QString rest, int& index) {
        QString all;
        for (;;) {
            rest = rest.trimmed();
            const bool more = rest.endsWith(u'\\');
            if (more) rest.chop(1);
            all += rest;
            if (!more) break;
            if (++index >= lines_.size()) fail(line_, QStringLiteral("Der Wert bricht am Dateiende ab."));
            rest = lines_[index];
        }
        QByteArray bytes;
        const QStringList parts = all.split(u',', Qt::SkipEmptyParts);
        for (const QString& p : parts) {
            bool ok = false;
            const uint b = p.trimmed().toUInt(&ok, 16);
            if (!ok || b > 0xFF || p.trimmed().size() > 2)
                fail(line_, QStringLiteral("»%1« ist kein Byte in Hexadezimalschreibweise.").arg(p.trimmed().left(20)));
            bytes.append(char(b));
        }
        return bytes;
    }

    void readValue(const QString& line, int& index) {
        if (!inKey_) fail(line_, QStringLiteral("Vor dem ersten Wert steht kein Schlüssel."));
        qsizetype pos = 0;
        QString name;
        const bool isDefault = line.startsWith(u'@');
        if (isDefault)
            pos = 1;
        else
            name = readQuoted(line, pos);
        while (pos < line.size() && line[pos].isSpace()) ++pos;
        if (pos >= line.size() || line[pos] != u'=') fail(line_, QStringLiteral("Nach dem Namen fehlt »=«."));
        ++pos;
        while (pos < line.size() && line[pos].isSpace()) ++pos;
        const QString rest = line.mid(pos);
        QVariant value;
        bool keep = true;
        if (rest.startsWith(u'"')) {
            qsizetype p = 0;
            value = readQuoted(rest, p);
            if (!rest.mid(p).trimmed().isEmpty())
                fail(line_, QStringLiteral("Nach dem Text steht noch »%1«.").arg(rest.mid(p).trimmed().left(20)));
        } else if (rest.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            const QString digits = rest.mid(6).trimmed();
            bool ok = false;
            const uint n = digits.toUInt(&ok, 16);
            if (!ok || digits.isEmpty() || digits.size() > 8 || digits.startsWith(u'+') || digits.startsWith(u'-'))
                fail(line_, QStringLiteral("»%1« ist keine 32-Bit-Zahl in Hexadezimalschreibweise.").arg(digits.left(20)));
            value = int(qint32(n));
        } else if (rest == u"-") {
            value = QVariant();
        } else if (rest.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            const qsizetype colon = rest.indexOf(u':');
            if (colon < 0) fail(line_, QStringLiteral("Nach »hex« fehlt »:«."));
            const QString kind = rest.left(colon).toLower();
            const QByteArray bytes = readHex(rest.mid(colon + 1), index);
            if (kind == u"hex(1)" || kind == u"hex(2)") {
                if (bytes.size() % 2 != 0) fail(line_, QStringLiteral("Der Text hat eine ungerade Zahl von Bytes."));
                // A leading U+FEFF is the value's own first character here, not a byte order mark.
                QString s = QStringDecoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::ConvertInitialBom).decode(bytes);
                while (s.endsWith(QChar(0))) s.chop(1);
                value = s;
            } else {
                keep = false;  // binary, multi-string, 64-bit: not used by the program
            }
        } else {
            fail(line_, QStringLiteral("Der Wert »%1« hat keine bekannte Form.").arg(rest.left(30)));
        }
        if (isDefault || !keep) return;
        if (name.isEmpty()) fail(line_, QStringLiteral("Ein Wert hat keinen Namen."));
        values_.append({subKey_.isEmpty() ? name : subKey_ + u'/' + name, value});
    }

    QString source_;
    QStringList lines_;
    int line_ = 0;
    bool inKey_ = false;
    QString subKey_;
    SettingsValues values_;
};

QString decodeFile(const QByteArray& bytes, const QString& source) {
    auto decode = [&](QStringDecoder::Encoding encoding, qsizetype skip) {
        QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
        QString text = decoder.decode(QByteArrayView(bytes).sliced(skip));
        if (decoder.hasError() || text.contains(QChar(0)))
            throw DataError(QStringLiteral("Die Einstellungsdatei »%1« enthält ungültige Zeichen.").arg(source));
        return text;
    };
    if (bytes.startsWith("\xFF\xFE")) return decode(QStringDecoder::Utf16LE, 2);
    if (bytes.startsWith("\xFE\xFF")) return decode(QStringDecoder::Utf16BE, 2);
    if (bytes.startsWith("\xEF\xBB\xBF")) return decode(QStringDecoder::Utf8, 3);
    // UTF-16LE without byte order mark: "W\0i\0..."
    if (bytes.size() >= 2 && bytes[0] != 0 && bytes[1] == 0) return decode(QStringDecoder::Utf16LE, 0);
    return decode(QStringDecoder::Utf8, 0);
}

}  // namespace

// ------------------------------------------------------------------ per-user values

SettingsValues currentUserSettings() {
    SettingsValues values;
    for (const QString& name : RegistryValueNames()) {
        const QString text = RegistryGetString(name);
        bool ok = false;
        const int n = text.toInt(&ok);
        if (!isTextValue(name) && ok && QString::number(n) == text)
            values.append({name, n});
        else
            values.append({name, text});
    }
    return values;
}

void applyUserSettings(const SettingsValues& values) {
    for (const SettingsValue& v : values) {
        if (v.value.isNull())
            RegistryRemoveValue(v.name);
        else if (v.value.typeId() == QMetaType::Int)
            RegistrySetInt(v.name, v.value.toInt());
        else
            RegistrySetString(v.name, v.value.toString());
    }
}

QStringList describeSettings(const SettingsValues& values) {
    QStringList lines;
    for (const SettingsValue& v : values)
        lines << (v.value.isNull() ? QStringLiteral("%1 wird gelöscht").arg(v.name)
                                   : QStringLiteral("%1 = %2").arg(v.name, v.value.toString()));
    return lines;
}

// ------------------------------------------------------------------ the file

QByteArray settingsFileBytes(const SettingsValues& values) {
    // The values by sub key ("" first); a name's last "/" separates sub key and name.
    QMap<QString, QStringList> byKey;
    byKey[QString()];
    for (const SettingsValue& v : values) {
        const qsizetype slash = v.name.lastIndexOf(u'/');
        const QString sub = slash < 0 ? QString() : v.name.left(slash);
        const QString name = slash < 0 ? v.name : v.name.mid(slash + 1);
        byKey[sub] << quoted(name) + u'=' + valueText(v.value);
    }
    QString text = kHeader + QStringLiteral("\r\n\r\n");
    for (auto it = byKey.cbegin(); it != byKey.cend(); ++it) {
        QString key = kSettingsRegistryKey;
        if (!it.key().isEmpty()) key += u'\\' + QString(it.key()).replace(u'/', u'\\');
        text += u'[' + key + QStringLiteral("]\r\n");
        for (const QString& line : it.value()) text += line + QStringLiteral("\r\n");
        text += QStringLiteral("\r\n");
    }
    QByteArray bytes("\xFF\xFE", 2);
    bytes += QStringEncoder(QStringEncoder::Utf16LE).encode(text);
    return bytes;
}

SettingsValues parseSettingsFile(const QByteArray& bytes, const QString& sourceNameForMessages) {
    return Parser(decodeFile(bytes, sourceNameForMessages), sourceNameForMessages).parse();
}

void writeSettingsFile(const QString& path, const SettingsValues& values) {
    const QByteArray bytes = settingsFileBytes(values);
    writeFileAtomically(path, bytes);
}

SettingsValues readSettingsFile(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw DataError(QStringLiteral("Die Einstellungsdatei »%1« kann nicht gelesen werden: %2")
                            .arg(path, QFileInfo::exists(path) ? file.errorString()
                                                               : QStringLiteral("Datei nicht gefunden.")));
    constexpr qint64 kLimit = 16 << 20;  // per-user values take a few KiB
    if (file.size() > kLimit)
        throw DataError(QStringLiteral("Die Einstellungsdatei »%1« ist zu groß für eine Einstellungsdatei.").arg(path));
    return parseSettingsFile(file.readAll(), path);
}

}  // namespace ferolind
