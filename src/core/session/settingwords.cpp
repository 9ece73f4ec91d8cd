#include "settingwords.h"

#include <QMap>

#include <iterator>

namespace ferolind {

namespace {

// The kinds in the order they are named; the first whose test fits an entry takes it.
struct Kind {
    const char* words;
    bool (*fits)(const QString& name);
};

bool isOneOf(const QString& name, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0) return true;
    return false;
}

const Kind kKinds[] = {
    {"Ordner der Datenbank", [](const QString& n) { return isOneOf(n, {"DBPfad"}); }},
    {"Größe und Lage des Programmfensters",
     [](const QString& n) {
         return isOneOf(n, {"Width", "Height", "WindowState", "RahmenBreite", "RahmenHoehe", "Left", "Top"});
     }},
    {"Sichtbare Spalten der Mitgliederliste", [](const QString& n) { return isOneOf(n, {"SpaltenMitglieder"}); }},
    {"Spaltenbreiten der Listen", [](const QString& n) { return n.startsWith(QLatin1String("Breite")); }},
    {"Sortierung der Mitgliederliste", [](const QString& n) { return isOneOf(n, {"Sort"}); }},
};

}  // namespace

QStringList settingsInWords(const SettingsValues& values) {
    QMap<int, bool> present;
    int others = 0;
    for (const SettingsValue& v : values) {
        const QString name = v.name.section(u'/', -1);
        bool known = false;
        for (int k = 0; k < int(std::size(kKinds)) && !known; ++k)
            if (kKinds[k].fits(name)) present[k] = known = true;
        if (!known) ++others;
    }
    QStringList lines;
    for (auto it = present.cbegin(); it != present.cend(); ++it) lines << QString::fromUtf8(kKinds[it.key()].words);
    if (others == 1) lines << QStringLiteral("Eine weitere Einstellung");
    if (others > 1) lines << QStringLiteral("%1 weitere Einstellungen").arg(others);
    return lines;
}

}  // namespace ferolind
